// SessionConfig: the small session file kv_Player.cfg in the application
// directory: eight lines, each ended by CR LF, in a fixed order. Reading is
// all or nothing: any failure puts every value back to its default.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace kv {

struct WindowPlacement {
    double left = 0;
    double top = 0;
    double width = 0;
    std::int16_t state = 0; // 0 normal, 1 minimised, 2 maximised
};

struct SessionConfig {
    std::string SettingsFilePath;
    std::int32_t AutoSaveMode = 2;
    std::int16_t ConfigSpare = 0;
    std::int16_t KnobIndex = 8;
    std::int16_t MainLeft = 0;
    std::int16_t MainTop = 0;
    std::int16_t MainWidth = 0;
    std::int16_t MainWindowState = 0;

    // Set by Read_Config when the file was larger than any session file
    // (kMaxFileSize): it was not read, and Write_Config leaves it alone.
    bool FileRefused = false;

    static constexpr const char* kFileName = "kv_Player.cfg";
    static constexpr std::size_t kMaxFileSize = 4 * 1024 * 1024;

    // Defaults for a primary screen of the given width.
    void setDefaults(const std::string& appDirectory, int screenWidth);

    // Reads appDirectory/kv_Player.cfg; on failure sets the defaults and
    // returns false. Removes the temporaries a killed save of it left.
    bool Read_Config(const std::string& appDirectory, int screenWidth);
    // Writes the file with the given window geometry; false when any step
    // failed, when the file was refused, or when SettingsFilePath holds a
    // line break.
    bool Write_Config(const std::string& appDirectory, const WindowPlacement& window) const;
};

// A number in the file's form: no blanks, "." as decimal point, no decimals
// when whole, as many as needed otherwise.
std::string formatConfigNumber(double value);

} // namespace kv
