#include "Settings.h"

#include "FileFunctions.h"
#include "ProfileFile.h"
#include "SafeFile.h"
#include "TextConversion.h"

#include <cstring>
#include <filesystem>
#include <variant>

namespace kv {
namespace {

// A key with its section and default text.
struct SettingKey {
    const char* section;
    const char* key;
    const char* defaultText;
};

enum class Kind { Number, Bool, Untyped, Text };
using Member = std::variant<std::int32_t Settings::*, std::int16_t Settings::*, bool Settings::*,
                            std::string Settings::*>;

struct KeyDef {
    SettingKey name;
    Kind kind;
    Member member;
};

#define KV_KEY(section, key, kind, def)                                                            \
    KeyDef {                                                                                       \
        {section, #key, def}, Kind::kind, &Settings::key                                           \
    }

// In the loader's order.
const KeyDef kKeys[] = {
    KV_KEY("Colors", Dial_Color, Number, "16777215"),
    KV_KEY("Colors", LED_Set_Color, Number, "65280"),
    KV_KEY("Colors", LED_BM_Color, Number, "16711680"),
    KV_KEY("Colors", LED_Lag_Color, Number, "255"),
    KV_KEY("Colors", Panel_Color, Number, "10070316"),
    KV_KEY("Colors", Background_Color, Number, "0"),
    KV_KEY("Colors", GraphSheet_Color, Number, "11924207"),
    KV_KEY("Colors", GraphPen_Color, Number, "0"),
    KV_KEY("Colors", GraphGrid_Color, Number, "12632256"),
    KV_KEY("Colors", MainNeedle_Color, Number, "255"),
    KV_KEY("Colors", ShadowNeedleColor_Index, Number, "1"),
    KV_KEY("Colors", FreezeNeedle_Color, Number, "0"),
    KV_KEY("Colors", Scale_Color, Number, "12615680"),
    KV_KEY("Colors", Text_Color, Number, "0"),
    KV_KEY("Format", Needle_Width, Number, "4"),
    KV_KEY("Format", DialType, Number, "1"),
    KV_KEY("Format", ScaleType, Number, "0"),
    KV_KEY("Format", RecordVisible, Bool, "1"),
    KV_KEY("Format", GraphVisible, Bool, "0"),
    KV_KEY("Format", GraphHeight_Index, Untyped, "3"),
    KV_KEY("Format", ClockType, Number, "3"),
    KV_KEY("Format", ClockLeft, Bool, "False"),
    KV_KEY("Format", DateType, Number, "1"),
    KV_KEY("Settings", SwitchMode_Index, Number, "1"),
    KV_KEY("Settings", DataLag_Index, Number, "2"),
    KV_KEY("Settings", BM_Threshold_Index, Number, "2"),
    KV_KEY("Settings", Freeze_Threshold_Index, Number, "2"),
    KV_KEY("Settings", FreezeEnable, Bool, "False"),
    KV_KEY("Settings", NeedleBdEnable, Bool, "False"),
    KV_KEY("Settings", kv3SensorMode, Bool, "False"),
    KV_KEY("Graph", GraphInvert, Bool, "0"),
    KV_KEY("Graph", GraphPenWidth_Index, Untyped, "2"),
    KV_KEY("Graph", GridX, Bool, "False"),
    KV_KEY("Graph", GridY, Bool, "False"),
    KV_KEY("Graph", GraphTimescale, Untyped, "8"),
    KV_KEY("Graph", GraphGain, Number, "0"),
    KV_KEY("Recording", SavePath, Text, ""),
    KV_KEY("Recording", SavePrefix, Text, "Prefix_"),
    KV_KEY("Recording", LoadPath, Text, "C:\\Program Files\\kavotel\\samples\\"),
    KV_KEY("Recording", RecordingMode, Number, "2"),
    KV_KEY("Recording", SuffixType, Number, "1"),
    KV_KEY("Recording", SuffixNum, Number, "1"),
    KV_KEY("Recording", AudioEnable, Bool, "True"),
    KV_KEY("Recording", PlayLoopEnable, Bool, "False"),
};
#undef KV_KEY

// The order in which Save_Settings writes (and a new file lists) the keys.
const char* const kSaveOrder[] = {"Dial_Color",
                                  "LED_Set_Color",
                                  "LED_BM_Color",
                                  "LED_Lag_Color",
                                  "Panel_Color",
                                  "Background_Color",
                                  "GraphSheet_Color",
                                  "GraphPen_Color",
                                  "GraphGrid_Color",
                                  "MainNeedle_Color",
                                  "ShadowNeedleColor_Index",
                                  "Scale_Color",
                                  "FreezeNeedle_Color",
                                  "Text_Color",
                                  "Needle_Width",
                                  "DialType",
                                  "ScaleType",
                                  "RecordVisible",
                                  "GraphHeight_Index",
                                  "GraphVisible",
                                  "ClockType",
                                  "ClockLeft",
                                  "DateType",
                                  "SwitchMode_Index",
                                  "DataLag_Index",
                                  "BM_Threshold_Index",
                                  "Freeze_Threshold_Index",
                                  "FreezeEnable",
                                  "NeedleBdEnable",
                                  "kv3SensorMode",
                                  "GraphInvert",
                                  "GraphPenWidth_Index",
                                  "GridX",
                                  "GridY",
                                  "GraphTimescale",
                                  "GraphGain"};

const KeyDef& keyDef(const char* name) {
    for (const KeyDef& k : kKeys)
        if (std::strcmp(k.name.key, name) == 0) return k;
    return kKeys[0]; // not reached: every name above is in the table
}

bool isDialType(const KeyDef& k) {
    return std::strcmp(k.name.key, "DialType") == 0;
}
bool isRecording(const KeyDef& k) {
    return std::strcmp(k.name.section, "Recording") == 0;
}

// Stores converted text; an unconvertible text leaves the value as it was.
void store(Settings& s, const KeyDef& k, const std::string& text) {
    std::visit(
        [&](auto member) {
            using T = std::remove_reference_t<decltype(s.*member)>;
            if constexpr (std::is_same_v<T, std::string>) {
                s.*member = text;
            } else if constexpr (std::is_same_v<T, bool>) {
                if (const auto v = textToBool(text)) s.*member = *v;
            } else if constexpr (std::is_same_v<T, std::int16_t>) {
                if (const auto v = textToInt16(text)) s.*member = *v;
            } else {
                if (const auto v = textToInt32(text)) s.*member = *v;
            }
        },
        k.member);
}

// The value's text as written to the file.
std::string textOf(const Settings& s, const KeyDef& k) {
    if (isDialType(k)) return std::to_string(s.ChosenDialType);
    return std::visit(
        [&](auto member) -> std::string {
            using T = std::remove_cvref_t<decltype(s.*member)>;
            if constexpr (std::is_same_v<T, std::string>)
                return s.*member;
            else if constexpr (std::is_same_v<T, bool>)
                return boolToText(s.*member);
            else
                return std::to_string(s.*member);
        },
        k.member);
}

// True when the file's text differs from the value in force. A text that
// cannot be converted differs: the file does not hold the value in force,
// and a change made since would otherwise be lost without a question.
bool differs(const Settings& s, const KeyDef& k, const std::string& text) {
    switch (k.kind) {
    case Kind::Number: {
        const auto v = textToDouble(text);
        if (!v) return true;
        const double held = isDialType(k)
                                ? s.ChosenDialType
                                : std::visit(
                                      [&](auto member) -> double {
                                          using T = std::remove_cvref_t<decltype(s.*member)>;
                                          if constexpr (std::is_same_v<T, std::string>)
                                              return 0;
                                          else
                                              return static_cast<double>(s.*member);
                                      },
                                      k.member);
        return *v != held;
    }
    case Kind::Bool: {
        const auto v = textToBool(text);
        return !v || *v != s.*std::get<bool Settings::*>(k.member);
    }
    case Kind::Untyped:
    case Kind::Text:
        return text != textOf(s, k);
    }
    return false;
}

} // namespace

Settings defaultSettings() {
    Settings s;
    for (const KeyDef& k : kKeys)
        store(s, k, k.name.defaultText);
    s.ChosenDialType = static_cast<std::int16_t>(s.DialType);
    return s;
}

SettingsStore::SettingsStore(std::string appDirectory)
    : SettingsFilePath(), m_appDirectory(std::move(appDirectory)) {
    SettingsFilePath = defaultSettingsPath();
}

std::string SettingsStore::defaultSettingsPath() const {
    return joinPath(m_appDirectory, "kv_Player.ini");
}

void SettingsStore::Load_Settings() {
    if (!File_Exists(SettingsFilePath)) SettingsFilePath = defaultSettingsPath();
    // What a save killed before its rename left behind.
    removeStaleTemporariesOf(std::filesystem::u8path(SettingsFilePath));
    const ProfileFile file(SettingsFilePath);
    for (const KeyDef& k : kKeys)
        store(values, k, file.read(k.name.section, k.name.key, k.name.defaultText));
}

std::optional<FileError> SettingsStore::Save_Settings() {
    return writeSettings(false);
}

std::optional<FileError> SettingsStore::Save_SettingsAs(const std::string& path) {
    SettingsFilePath = path;
    return writeSettings(true);
}

std::optional<FileError> SettingsStore::writeSettings(bool fresh) {
    ProfileFile file(SettingsFilePath);
    if (fresh) file.discardContents();
    for (const char* name : kSaveOrder) {
        const KeyDef& k = keyDef(name);
        file.write(k.name.section, k.name.key, textOf(values, k));
    }
    return file.save();
}

std::optional<FileError> SettingsStore::Save_RecordingSettings() {
    ProfileFile file(SettingsFilePath);
    for (const char* name : {"SavePath", "SavePrefix", "LoadPath", "RecordingMode", "SuffixType",
                             "SuffixNum", "AudioEnable"}) {
        const KeyDef& k = keyDef(name);
        file.write(k.name.section, k.name.key, textOf(values, k));
    }
    file.write("Recording", "RecPromptEnable", "False");
    file.write("Recording", "PlayLoopEnable", boolToText(values.PlayLoopEnable));
    return file.save();
}

std::string couldNotSaveSettingsText(const FileError& e) {
    return "The settings file could not be saved for the following reason(s): \n" + e.description;
}

bool SettingsStore::Check_SettingsSaved() const {
    const ProfileFile file(SettingsFilePath);
    bool same = true;
    for (const KeyDef& k : kKeys) {
        if (isRecording(k)) continue;
        if (differs(values, k, file.read(k.name.section, k.name.key, k.name.defaultText)))
            same = false;
    }
    return same;
}

void SettingsStore::Set_DefaultColors() {
    for (const KeyDef& k : kKeys)
        if (std::strcmp(k.name.section, "Colors") == 0) store(values, k, k.name.defaultText);
}

} // namespace kv
