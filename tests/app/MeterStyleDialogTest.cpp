#include "MeterStyleDialog.h"
#include "Settings.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>

#include <gtest/gtest.h>

namespace kv {
namespace {

TEST(MeterStyleDialog, OpeningChangesNoSetting) {
    Settings s = defaultSettings();
    s.DialType = 2;
    s.ChosenDialType = 2;
    s.ClockType = 1;
    s.DateType = 2;
    s.ClockLeft = true;
    const Settings before = s;
    int menuCalls = 0;
    MeterStyleDialog dialog(s, [&](bool) { ++menuCalls; });
    EXPECT_EQ(s.DialType, before.DialType);
    EXPECT_EQ(s.ChosenDialType, before.ChosenDialType);
    EXPECT_EQ(s.ClockType, before.ClockType);
    EXPECT_EQ(s.DateType, before.DateType);
    EXPECT_EQ(s.ClockLeft, before.ClockLeft);
    EXPECT_EQ(menuCalls, 0);
    EXPECT_TRUE(dialog.dialGroup()->button(2)->isChecked());
    EXPECT_TRUE(dialog.clockLeft()->isChecked());
    EXPECT_FALSE(dialog.dateFrame()->isEnabled()); // "Analog" greys the date
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Meter Display Setup"));
}

TEST(MeterStyleDialog, ChoicesTakeEffectWhenClicked) {
    Settings s = defaultSettings();
    bool needleBdShown = false;
    MeterStyleDialog dialog(s, [&](bool show) { needleBdShown = show; });
    dialog.dialGroup()->button(0)->click();
    EXPECT_EQ(s.DialType, 0);
    EXPECT_EQ(s.ChosenDialType, 0);
    EXPECT_FALSE(needleBdShown);
    dialog.dialGroup()->button(1)->click();
    EXPECT_TRUE(needleBdShown);
    dialog.scaleGroup()->button(1)->click();
    EXPECT_EQ(s.ScaleType, 1);
    dialog.clockGroup()->button(0)->click();
    EXPECT_EQ(s.ClockType, 0);
    EXPECT_FALSE(dialog.dateFrame()->isEnabled());
    EXPECT_EQ(s.DateType, 1); // unchanged
    dialog.clockGroup()->button(2)->click();
    EXPECT_TRUE(dialog.dateFrame()->isEnabled());
    dialog.dateGroup()->button(2)->click();
    EXPECT_EQ(s.DateType, 2);
    dialog.clockLeft()->click();
    EXPECT_TRUE(s.ClockLeft);
}

} // namespace
} // namespace kv
