// Every lasting setting, one row each: its default after a fresh start, and a
// value other than the default that must survive a save and a reload into a
// new store. A key left out of a saver, the loader or the exit comparison
// shows here by name.
#include "ProfileFile.h"
#include "Settings.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <string>
#include <variant>

namespace kv {
namespace {

using test::TempDir;

using Field = std::variant<std::int32_t Settings::*, std::int16_t Settings::*, bool Settings::*,
                           std::string Settings::*>;

// Values are written as the file writes them: numbers in decimal, Booleans
// as "True"/"False", text and untyped keys as they are.
struct Row {
    const char* section;
    const char* key;
    Field field;
    const char* byDefault;
    const char* other;
};

#define ROW(section, key, def, other)                                                              \
    Row {                                                                                          \
        section, #key, &Settings::key, def, other                                                  \
    }
const Row kRows[] = {
    ROW("Colors", Dial_Color, "16777215", "1"),
    ROW("Colors", LED_Set_Color, "65280", "2"),
    ROW("Colors", LED_BM_Color, "16711680", "3"),
    ROW("Colors", LED_Lag_Color, "255", "4"),
    ROW("Colors", Panel_Color, "10070316", "5"),
    ROW("Colors", Background_Color, "0", "6"),
    ROW("Colors", GraphSheet_Color, "11924207", "7"),
    ROW("Colors", GraphPen_Color, "0", "8"),
    ROW("Colors", GraphGrid_Color, "12632256", "9"),
    ROW("Colors", MainNeedle_Color, "255", "10"),
    ROW("Colors", ShadowNeedleColor_Index, "1", "5"),
    ROW("Colors", FreezeNeedle_Color, "0", "11"),
    ROW("Colors", Scale_Color, "12615680", "12"),
    ROW("Colors", Text_Color, "0", "13"),
    ROW("Format", Needle_Width, "4", "7"),
    ROW("Format", DialType, "1", "3"),
    ROW("Format", ScaleType, "0", "1"),
    ROW("Format", RecordVisible, "True", "False"),
    ROW("Format", GraphVisible, "False", "True"),
    ROW("Format", GraphHeight_Index, "3", "5"),
    ROW("Format", ClockType, "3", "1"),
    ROW("Format", ClockLeft, "False", "True"),
    ROW("Format", DateType, "1", "2"),
    ROW("Settings", SwitchMode_Index, "1", "2"),
    ROW("Settings", DataLag_Index, "2", "4"),
    ROW("Settings", BM_Threshold_Index, "2", "3"),
    ROW("Settings", Freeze_Threshold_Index, "2", "1"),
    ROW("Settings", FreezeEnable, "False", "True"),
    ROW("Settings", NeedleBdEnable, "False", "True"),
    ROW("Settings", kv3SensorMode, "False", "True"),
    ROW("Graph", GraphInvert, "False", "True"),
    ROW("Graph", GraphPenWidth_Index, "2", "3"),
    ROW("Graph", GridX, "False", "True"),
    ROW("Graph", GridY, "False", "True"),
    ROW("Graph", GraphTimescale, "8", "16"),
    ROW("Graph", GraphGain, "0", "9"),
    ROW("Recording", SavePath, "", "/data/sessions/"),
    ROW("Recording", SavePrefix, "Prefix_", "Walk_"),
    ROW("Recording", LoadPath, "C:\\Program Files\\kavotel\\samples\\", "/data/in/"),
    ROW("Recording", RecordingMode, "2", "1"),
    ROW("Recording", SuffixType, "1", "2"),
    ROW("Recording", SuffixNum, "1", "17"),
    ROW("Recording", AudioEnable, "True", "False"),
    ROW("Recording", PlayLoopEnable, "False", "True"),
};
#undef ROW

bool isRecording(const Row& r) {
    return std::string(r.section) == "Recording";
}

std::string textOf(const Settings& s, const Row& r) {
    return std::visit(
        [&](auto member) -> std::string {
            const auto& v = s.*member;
            using T = std::remove_cvref_t<decltype(v)>;
            if constexpr (std::is_same_v<T, std::string>)
                return v;
            else if constexpr (std::is_same_v<T, bool>)
                return v ? "True" : "False";
            else
                return std::to_string(v);
        },
        r.field);
}

void set(Settings& s, const Row& r, const std::string& text) {
    std::visit(
        [&](auto member) {
            auto& v = s.*member;
            using T = std::remove_cvref_t<decltype(v)>;
            if constexpr (std::is_same_v<T, std::string>)
                v = text;
            else if constexpr (std::is_same_v<T, bool>)
                v = text == "True";
            else
                v = static_cast<T>(std::stoi(text));
        },
        r.field);
    if (std::string(r.key) == "DialType") s.ChosenDialType = static_cast<std::int16_t>(s.DialType);
}

class SettingsRoundTrip : public ::testing::Test {
protected:
    TempDir dir;
    SettingsStore store{dir.path()};
};

TEST_F(SettingsRoundTrip, AFreshStartGivesEveryDefault) {
    store.Load_Settings(); // no file yet
    const Settings built = defaultSettings();
    for (const Row& r : kRows) {
        EXPECT_EQ(textOf(store.values, r), r.byDefault) << r.key;
        EXPECT_EQ(textOf(built, r), r.byDefault) << r.key << " (defaultSettings)";
    }
    store.values.ChosenDialType = static_cast<std::int16_t>(store.values.DialType);
    EXPECT_TRUE(store.Check_SettingsSaved()); // no file: every key at its default
}

TEST_F(SettingsRoundTrip, EveryValueComesBackFromItsOwnKeyAfterSaveAndReload) {
    store.Load_Settings();
    for (const Row& r : kRows)
        set(store.values, r, r.other);
    ASSERT_FALSE(store.Save_Settings());
    ASSERT_FALSE(store.Save_RecordingSettings());

    const ProfileFile file(store.SettingsFilePath);
    SettingsStore reloaded(dir.path());
    reloaded.Load_Settings();
    for (const Row& r : kRows) {
        EXPECT_EQ(file.read(r.section, r.key, "(missing)"), r.other) << r.section << "/" << r.key;
        EXPECT_EQ(textOf(reloaded.values, r), r.other) << r.key;
    }
}

TEST_F(SettingsRoundTrip, SaveAsWritesEveryKeyButTheRecordingOnesIntoANewFile) {
    store.Load_Settings();
    for (const Row& r : kRows)
        set(store.values, r, r.other);
    ASSERT_FALSE(store.Save_SettingsAs(dir.file("other.ini")));
    SettingsStore reloaded(dir.path());
    reloaded.SettingsFilePath = dir.file("other.ini");
    reloaded.Load_Settings();
    for (const Row& r : kRows)
        EXPECT_EQ(textOf(reloaded.values, r), isRecording(r) ? r.byDefault : r.other) << r.key;
}

TEST_F(SettingsRoundTrip, TheExitComparisonSeesEachKeyChangedAlone) {
    store.Load_Settings();
    store.values.ChosenDialType = static_cast<std::int16_t>(store.values.DialType);
    ASSERT_FALSE(store.Save_Settings());
    const Settings saved = store.values;
    for (const Row& r : kRows) {
        store.values = saved;
        set(store.values, r, r.other);
        // The Recording section is written at every exit and is not compared.
        EXPECT_EQ(store.Check_SettingsSaved(), isRecording(r)) << r.key;
    }
}

} // namespace
} // namespace kv
