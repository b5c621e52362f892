// What a screen reader finds in the window: the drawn parts' roles, names
// and values, brought up to date a few times a second, and every control
// reached with Tab and worked with the keyboard.
#include "AccessibleParts.h"
#include "OverviewWidget.h"
#include "PlayerFixture.h"
#include "SessionNavigator.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QCheckBox>
#include <QRegularExpression>
#include <QTest>

#include <set>

namespace kv::test {
namespace {

class AccessibleTest : public PlayerWindowTest {
protected:
    void SetUp() override {
        writeText(dir.file("kv_Player.ini"), "[Player]\nShowOverview=True\n");
        start();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        if (!item("mnuViewGraph")->isChecked()) choose("mnuView", "mnuViewGraph");
    }
    QAccessibleInterface* reader(const char* name) {
        auto* w = window->findChild<QWidget*>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w ? QAccessible::queryAccessibleInterface(w) : nullptr;
    }
    QString value(const char* name) {
        QAccessibleInterface* i = reader(name);
        return i ? i->text(QAccessible::Value) : QString();
    }
    // Long enough for the next refresh.
    void settle() { QTest::qWait(AccessibleParts::kRefreshMs + 100); }
};

TEST_F(AccessibleTest, TheDrawnPartsHaveRolesNamesAndValues) {
    loadRecording(3000, 8);
    settle();
    struct Part {
        const char* object;
        QAccessible::Role role;
        const char* name;
    };
    for (const Part& p : {Part{"picMeterPanel", QAccessible::Indicator, "Meter"},
                          Part{"accKnob", QAccessible::Dial, "Knob"},
                          Part{"picFilePosition", QAccessible::Slider, "Position"},
                          Part{"picGraph", QAccessible::Chart, "Graph"}}) {
        SCOPED_TRACE(p.object);
        QAccessibleInterface* i = reader(p.object);
        ASSERT_NE(i, nullptr);
        EXPECT_EQ(i->role(), p.role);
        EXPECT_EQ(i->text(QAccessible::Name), QString::fromLatin1(p.name));
        EXPECT_FALSE(i->text(QAccessible::Description).isEmpty());
        EXPECT_FALSE(i->text(QAccessible::Value).isEmpty());
    }
    QAccessibleInterface* strip =
        QAccessible::queryAccessibleInterface(&window->navigator().overview());
    EXPECT_EQ(strip->role(), QAccessible::Chart);
    EXPECT_EQ(strip->text(QAccessible::Name), QStringLiteral("Session overview"));

    // The panel says the Base, the knob, where the needle stands and the counter.
    const QRegularExpression said(
        QStringLiteral("^Base 0\\.4, knob 2\\.5, needle at (\\d+) % of the dial, counter off$"));
    const auto match = said.match(value("picMeterPanel"));
    ASSERT_TRUE(match.hasMatch()) << value("picMeterPanel").toStdString();
    EXPECT_LE(match.captured(1).toInt(), 100);
    // The bar: where playback is, of how long.
    EXPECT_EQ(value("picFilePosition"), QStringLiteral("00:00 of 01:00"));
    QAccessibleValueInterface* bar = reader("picFilePosition")->valueInterface();
    ASSERT_NE(bar, nullptr);
    EXPECT_DOUBLE_EQ(bar->maximumValue().toDouble(), 59.98);
}

TEST_F(AccessibleTest, ValuesFollowTheKeysAndClicksAFewTimesASecond) {
    loadRecording(3000, 8);
    settle();
    QAccessibleValueInterface* knob = reader("accKnob")->valueInterface();
    ASSERT_NE(knob, nullptr);
    EXPECT_EQ(knob->currentValue().toInt(), 8);

    for (int i = 0; i < 3; ++i)
        press(Qt::Key_Up);
    press(Qt::Key_C); // the counter on
    // Not at each key: at the next refresh.
    EXPECT_TRUE(value("picMeterPanel").contains(QStringLiteral("knob 2.5")));
    settle();
    EXPECT_EQ(knob->currentValue().toInt(), 11);
    EXPECT_EQ(value("accKnob"), QStringLiteral("3.0"));
    EXPECT_TRUE(value("picMeterPanel").contains(QStringLiteral("knob 3.0, needle at ")));
    EXPECT_TRUE(value("picMeterPanel").endsWith(QStringLiteral(", counter 0.0")))
        << value("picMeterPanel").toStdString();

    // Stopped, a click on the bar starts the range there.
    QTest::mouseClick(bar(), Qt::LeftButton, {}, onBar(500));
    settle();
    EXPECT_TRUE(
        value("picFilePosition").startsWith(QStringLiteral("00:29 of 01:00, range 00:29 to 00:59")))
        << value("picFilePosition").toStdString();
    EXPECT_NEAR(reader("picFilePosition")->valueInterface()->currentValue().toDouble(), 30, 0.5);

    press(Qt::Key_P);
    run(3);
    settle();
    EXPECT_TRUE(value("picFilePosition").endsWith(QStringLiteral(", playing")))
        << value("picFilePosition").toStdString();
}

TEST_F(AccessibleTest, TabReachesEveryControlAndEnterWorksTheFocusedOne) {
    loadRecording(3000, 8);
    std::set<QWidget*> reached;
    button("cmdLoad")->setFocus(Qt::TabFocusReason);
    for (int i = 0; i < 60; ++i) {
        reached.insert(QApplication::focusWidget());
        QTest::keyClick(focused(), Qt::Key_Tab);
    }
    std::vector<QWidget*> controls = {window->findChild<QWidget*>(QStringLiteral("picMeterPanel")),
                                      window->findChild<QWidget*>(QStringLiteral("accKnob")), bar(),
                                      &window->navigator().overview(),
                                      window->findChild<QWidget*>(QStringLiteral("picGraph"))};
    for (QAbstractButton* b : window->centralWidget()->findChildren<QAbstractButton*>())
        if (b->isVisible() && b->isEnabled()) controls.push_back(b);
    ASSERT_GT(controls.size(), 8u);
    for (QWidget* w : controls)
        EXPECT_TRUE(reached.count(w)) << w->objectName().toStdString();

    // A drawn part shows a frame while it has the focus, and only then.
    QWidget* panel = window->findChild<QWidget*>(QStringLiteral("picMeterPanel"));
    auto* frame =
        panel->findChild<QWidget*>(QStringLiteral("accFocusFrame"), Qt::FindDirectChildrenOnly);
    ASSERT_NE(frame, nullptr);
    while (QApplication::focusWidget() != panel)
        QTest::keyClick(focused(), Qt::Key_Tab);
    EXPECT_TRUE(frame->isVisible());
    EXPECT_EQ(frame->geometry(), panel->rect());
    QTest::keyClick(focused(), Qt::Key_Tab);
    EXPECT_FALSE(frame->isVisible());
    // The focus the window gives on start or activation draws nothing over the panel.
    panel->setFocus(Qt::ActiveWindowFocusReason);
    ASSERT_EQ(QApplication::focusWidget(), panel);
    EXPECT_FALSE(frame->isVisible());

    // Enter on the focused Override box ticks it, as a click does.
    auto* override = window->findChild<QCheckBox*>(QStringLiteral("chkOveride"));
    ASSERT_NE(override, nullptr);
    override->setFocus(Qt::TabFocusReason);
    const bool was = override->isChecked();
    press(Qt::Key_Return);
    EXPECT_NE(override->isChecked(), was);
    EXPECT_EQ(window->meter().Override, override->isChecked());
}

} // namespace
} // namespace kv::test
