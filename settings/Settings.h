// Settings: every lasting preference of the player, held as a value named
// after its key in the settings file, with the loader, the two savers, the
// exit comparison and the colour defaults. The file is touched only here.
//
// Untyped keys (GraphHeight_Index, GraphPenWidth_Index, GraphTimescale) are
// held as their text: the text read, or the decimal number after a menu
// choice. DialType is the style in force; ChosenDialType is the user's own
// choice, and is what is saved and compared.
#pragma once

#include "FileError.h"

#include <cstdint>
#include <optional>
#include <string>

namespace kv {

struct Settings {
    // Colors
    std::int32_t Dial_Color = 0;
    std::int32_t LED_Set_Color = 0;
    std::int32_t LED_BM_Color = 0;
    std::int32_t LED_Lag_Color = 0;
    std::int32_t Panel_Color = 0;
    std::int32_t Background_Color = 0;
    std::int32_t GraphSheet_Color = 0;
    std::int32_t GraphPen_Color = 0;
    std::int32_t GraphGrid_Color = 0;
    std::int32_t MainNeedle_Color = 0;
    std::int16_t ShadowNeedleColor_Index = 0;
    std::int32_t FreezeNeedle_Color = 0;
    std::int32_t Scale_Color = 0;
    std::int32_t Text_Color = 0;
    // Format
    std::int16_t Needle_Width = 0;
    std::int32_t DialType = 0;
    std::int32_t ScaleType = 0;
    bool RecordVisible = false;
    bool GraphVisible = false;
    std::string GraphHeight_Index;
    std::int32_t ClockType = 0;
    bool ClockLeft = false;
    std::int32_t DateType = 0;
    // Settings
    std::int16_t SwitchMode_Index = 0;
    std::int16_t DataLag_Index = 0;
    std::int16_t BM_Threshold_Index = 0;
    std::int16_t Freeze_Threshold_Index = 0;
    bool FreezeEnable = false;
    bool NeedleBdEnable = false;
    bool kv3SensorMode = false;
    // Graph
    bool GraphInvert = false;
    std::string GraphPenWidth_Index;
    bool GridX = false;
    bool GridY = false;
    std::string GraphTimescale;
    std::int16_t GraphGain = 0;
    // Recording
    std::string SavePath;
    std::string SavePrefix;
    std::string LoadPath;
    std::int32_t RecordingMode = 0;
    std::int32_t SuffixType = 0;
    std::int16_t SuffixNum = 0;
    bool AudioEnable = false;
    bool PlayLoopEnable = false;

    // Not stored: the user's dial choice (saved as DialType).
    std::int16_t ChosenDialType = 0;
};

// "The settings file could not be saved for the following reason(s): " ...
std::string couldNotSaveSettingsText(const FileError& e);

// Every key at its default, as a missing settings file gives them.
Settings defaultSettings();

// Keeps the settings values and the path of the file they belong to.
class SettingsStore {
public:
    explicit SettingsStore(std::string appDirectory);

    Settings values;
    std::string SettingsFilePath;

    std::string defaultSettingsPath() const; // the application directory's kv_Player.ini

    void Load_Settings();
    // The writers return why the file could not be written: it exists but
    // could not be read, is read-only, is not a regular file, ...
    std::optional<FileError> Save_Settings();
    // Replaces the file at path with one holding only what Save_Settings writes.
    std::optional<FileError> Save_SettingsAs(const std::string& path);
    std::optional<FileError> Save_RecordingSettings();
    bool Check_SettingsSaved() const;
    void Set_DefaultColors();

private:
    std::optional<FileError> writeSettings(bool fresh);
    std::string m_appDirectory;
};

} // namespace kv
