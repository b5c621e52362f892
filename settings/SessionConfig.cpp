#include "SessionConfig.h"

#include "FileFunctions.h"
#include "SafeFile.h"
#include "TextConversion.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <algorithm>
#include <vector>

namespace kv {
namespace {

std::int16_t half(int v) {
    return static_cast<std::int16_t>(std::nearbyint(v / 2.0));
}

} // namespace

void SessionConfig::setDefaults(const std::string& appDirectory, int screenWidth) {
    SettingsFilePath = joinPath(appDirectory, "kv_Player.ini");
    AutoSaveMode = 2;
    ConfigSpare = 0;
    KnobIndex = 8;
    MainLeft = static_cast<std::int16_t>(std::nearbyint(screenWidth / 4.0));
    MainTop = 0;
    MainWidth = half(screenWidth);
    MainWindowState = 0;
}

bool SessionConfig::Read_Config(const std::string& appDirectory, int screenWidth) {
    const auto file = std::filesystem::u8path(joinPath(appDirectory, kFileName));
    // What a save killed before its rename left behind.
    removeStaleTemporariesOf(file);
    std::error_code ec;
    // Only a regular file is read: opening a FIFO would wait for a writer
    // forever. Eight short lines never come near the size limit: a larger
    // file is no session file and is left as it is.
    std::ifstream in;
    FileRefused = std::filesystem::is_regular_file(file, ec) &&
                  std::filesystem::file_size(file, ec) > kMaxFileSize;
    if (std::filesystem::is_regular_file(file, ec) && !FileRefused)
        in.open(file, std::ios::binary);
    std::string bytes(kMaxFileSize + 1, '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<std::size_t>(std::max<std::streamsize>(0, in.gcount())));
    if (bytes.size() > kMaxFileSize) {
        FileRefused = true;
        bytes.clear();
    }
    std::istringstream text(bytes);
    std::vector<std::string> lines;
    std::string line;
    while (lines.size() < 8 && std::getline(text, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        // A byte-order mark (an editor's) is not part of the path.
        if (lines.empty() && line.rfind("\xEF\xBB\xBF", 0) == 0) line.erase(0, 3);
        lines.push_back(line);
    }
    bool ok = lines.size() == 8;
    SessionConfig read;
    if (ok) {
        std::string path = lines[0];
        if (path.size() >= 2 && path.front() == '"' && path.back() == '"')
            path = path.substr(1, path.size() - 2);
        read.SettingsFilePath = path;
        const auto autoSave = textToInt32(lines[1]);
        std::optional<std::int16_t> small[6];
        for (int i = 0; i < 6; ++i)
            small[i] = textToInt16(lines[static_cast<std::size_t>(i + 2)]);
        ok = autoSave.has_value();
        for (const auto& v : small)
            ok = ok && v.has_value();
        if (ok) {
            read.AutoSaveMode = *autoSave;
            read.ConfigSpare = *small[0];
            read.KnobIndex = *small[1];
            read.MainLeft = *small[2];
            read.MainTop = *small[3];
            read.MainWidth = *small[4];
            read.MainWindowState = *small[5];
        }
    }
    if (!ok) {
        setDefaults(appDirectory, screenWidth);
        return false;
    }
    *this = read;
    return true;
}

std::string formatConfigNumber(double value) {
    if (!std::isfinite(value)) value = 0;
    if (value == std::trunc(value) && std::fabs(value) < 1e15) {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%.0f", value);
        return std::string(buf) == "-0" ? "0" : buf;
    }
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed);
    return std::string(buf, res.ptr);
}

bool SessionConfig::Write_Config(const std::string& appDirectory,
                                 const WindowPlacement& window) const {
    // A file too large to be read is not replaced; a line break in the path
    // would split it into lines of its own.
    if (FileRefused || SettingsFilePath.find_first_of("\r\n") != std::string::npos) return false;
    const std::string target = joinPath(appDirectory, kFileName);
    const std::string lines[] = {
        "\"" + SettingsFilePath + "\"",   std::to_string(AutoSaveMode),
        std::to_string(ConfigSpare),      std::to_string(KnobIndex),
        formatConfigNumber(window.left),  formatConfigNumber(window.top),
        formatConfigNumber(window.width), std::to_string(window.state),
    };
    std::string text;
    for (const std::string& l : lines)
        text += l + "\r\n";
    return !replaceFileContents(target, text, target);
}

} // namespace kv
