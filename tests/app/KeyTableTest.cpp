// Help > "Keyboard Shortcuts" lists the keys the window acts on, and only
// those: every key is pressed, with and without modifiers, and the keys that
// did something are compared with the list the user reads.
#include "PlayerFixture.h"

#include "EventListPanel.h"
#include "KeyTable.h"
#include "SessionNavigator.h"

#include <QDialog>
#include <QShortcut>
#include <QTableView>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace kv {
namespace {

using test::PlayerWindowTest;

// Counts the key presses that reach a widget.
class PressProbe : public QObject {
public:
    explicit PressProbe(QWidget* w) : m_widget(w) { w->installEventFilter(this); }
    ~PressProbe() override {
        if (m_widget) m_widget->removeEventFilter(this);
    }
    int presses = 0;

protected:
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() != QEvent::KeyPress) return false;
        switch (static_cast<QKeyEvent*>(e)->key()) {
        case Qt::Key_Shift:
        case Qt::Key_Control:
        case Qt::Key_Alt:
        case Qt::Key_Meta:
            break; // the modifiers pressed before the key
        default:
            ++presses;
        }
        return false;
    }

private:
    QPointer<QWidget> m_widget;
};

// A key with its Shift, Ctrl and Alt, as compared with the list.
using Combo = QKeyCombination;

class KeyTableTest : public PlayerWindowTest {
protected:
    void SetUp() override {
        start();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        loadRecording();
        if (!item("mnuViewGraph")->isChecked()) choose("mnuView", "mnuViewGraph");
        for (QAction* a : window->findChildren<QAction*>())
            QObject::connect(a, &QAction::triggered, [this] { ++fired; });
        for (QShortcut* s : window->findChildren<QShortcut*>())
            QObject::connect(s, &QShortcut::activated, [this] { ++fired; });
    }

    // The list as shown: group caption -> the keys under it.
    std::map<QString, std::set<int>> shownList() {
        choose("mnuhelp", "mnuHelpKeys");
        auto* dialog = window->findChild<QDialog*>(QStringLiteral("dlgKeyList"));
        EXPECT_NE(dialog, nullptr);
        if (!dialog) return {};
        EXPECT_TRUE(dialog->isVisible());
        std::map<QString, std::set<int>> shown;
        auto* tree = dialog->findChild<QTreeWidget*>(QStringLiteral("lstKeys"));
        for (int g = 0; g < tree->topLevelItemCount(); ++g) {
            QTreeWidgetItem* group = tree->topLevelItem(g);
            for (int i = 0; i < group->childCount(); ++i) {
                const QKeySequence keys =
                    QKeySequence::fromString(group->child(i)->text(0), QKeySequence::NativeText);
                EXPECT_EQ(keys.count(), 1) << group->child(i)->text(0).toStdString();
                EXPECT_FALSE(group->child(i)->text(1).isEmpty());
                if (keys.count() == 1) shown[group->text(0)].insert(keys[0].toCombined());
            }
        }
        dialog->close();
        restore();
        return shown;
    }

    // Back to a stopped, active window with no popup or other window open.
    void restore() {
        if (QWidget* popup = QApplication::activePopupWidget()) popup->close();
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w != window.get() && w->isVisible() && w->isWindow()) w->close();
        if (window->engine().PlayMode != PlayState::Stopped) {
            click("cmdStop");
            run(1.2);
        }
        if (!window->isActiveWindow()) {
            window->activateWindow();
            ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        }
    }

    // Sends the key to `target`; whether the window did something with it
    // (the press never reached the target, or a menu item or shortcut fired).
    bool acts(QWidget* target, Combo combo) {
        PressProbe probe(target);
        const int before = fired;
        QTest::keyClick(target, combo.key(), combo.keyboardModifiers());
        const bool acted = probe.presses == 0 || fired != before;
        restore();
        return acted;
    }

    int fired = 0;
};

TEST_F(KeyTableTest, TheListShowsEveryKeyThatActsAndEveryListedKeyActs) {
    // The item comes after the Help menu's own, behind a separator.
    const QList<QAction*> help = window->menus().menu(QStringLiteral("mnuhelp"))->actions();
    const auto listItem = std::find(help.begin(), help.end(), item("mnuHelpKeys"));
    ASSERT_NE(listItem, help.end());
    EXPECT_LT(std::find(help.begin(), help.end(), item("mnuHelpHelp")), listItem);
    EXPECT_TRUE((*(listItem - 1))->isSeparator());

    const auto shown = shownList();
    const QString anywhere = KeyTable::placeName(KeyTable::Place::Window);
    const QString menus = KeyTable::placeName(KeyTable::Place::Menu);
    ASSERT_FALSE(shown.count(anywhere) == 0 || shown.count(menus) == 0);
    auto listed = [&](Combo c) {
        const auto mods = c.keyboardModifiers();
        if (shown.at(menus).count(c.toCombined())) return true;
        if (mods & (Qt::ControlModifier | Qt::AltModifier)) return false;
        // A window key acts with or without Shift unless it is listed with Shift.
        const auto& keys = shown.at(anywhere);
        return keys.count(c.toCombined()) || keys.count(c.key());
    };

    std::set<int> keys = {
        Qt::Key_Space,    Qt::Key_Return,      Qt::Key_Enter,       Qt::Key_Escape,
        Qt::Key_Tab,      Qt::Key_Backspace,   Qt::Key_Delete,      Qt::Key_Insert,
        Qt::Key_Left,     Qt::Key_Right,       Qt::Key_Up,          Qt::Key_Down,
        Qt::Key_PageUp,   Qt::Key_PageDown,    Qt::Key_Home,        Qt::Key_End,
        Qt::Key_Less,     Qt::Key_Greater,     Qt::Key_Comma,       Qt::Key_Period,
        Qt::Key_Plus,     Qt::Key_Minus,       Qt::Key_Equal,       Qt::Key_Slash,
        Qt::Key_Question, Qt::Key_BracketLeft, Qt::Key_BracketRight};
    for (int k = Qt::Key_A; k <= Qt::Key_Z; ++k)
        keys.insert(k);
    for (int k = Qt::Key_0; k <= Qt::Key_9; ++k)
        keys.insert(k);
    for (int k = Qt::Key_F1; k <= Qt::Key_F12; ++k)
        keys.insert(k);
    for (const auto& [group, combos] : shown)
        for (int c : combos)
            keys.insert(QKeyCombination::fromCombined(c).key());

    QWidget* target = window->centralWidget();
    std::set<int> acted;
    for (const Qt::KeyboardModifiers mods :
         {Qt::KeyboardModifiers(), Qt::KeyboardModifiers(Qt::ShiftModifier),
          Qt::KeyboardModifiers(Qt::ControlModifier), Qt::ControlModifier | Qt::ShiftModifier,
          Qt::KeyboardModifiers(Qt::AltModifier)}) {
        for (int k : keys) {
            const Combo c(mods, Qt::Key(k));
            if (!acts(target, c)) continue;
            acted.insert(c.toCombined());
            EXPECT_TRUE(listed(c))
                << "acts but is not listed: " << QKeySequence(c).toString().toStdString();
        }
    }
    for (const QString& group : {anywhere, menus})
        for (int c : shown.at(group))
            EXPECT_TRUE(acted.count(c))
                << "listed but does nothing: "
                << QKeySequence(QKeyCombination::fromCombined(c)).toString().toStdString();
}

TEST_F(KeyTableTest, TheEventListKeepsTheKeysListedForItAndTheWindowTheRest) {
    const auto shown = shownList();
    const QString inList = KeyTable::placeName(KeyTable::Place::EventList);
    ASSERT_TRUE(shown.count(inList));
    choose("mnuView", "mnuViewEventList");
    QTableView* table = window->navigator().eventList().table();
    ASSERT_TRUE(table->isVisible());
    for (int c : shown.at(inList)) {
        const Combo combo = QKeyCombination::fromCombined(c);
        SCOPED_TRACE(QKeySequence(combo).toString().toStdString());
        table->setFocus(Qt::TabFocusReason);
        const int knob = window->meter().KnobIndex;
        PressProbe probe(table);
        const int before = fired;
        QTest::keyClick(table, combo.key(), combo.keyboardModifiers());
        // Reached the list (or a shortcut of the list fired), not the key map.
        EXPECT_TRUE(probe.presses == 1 || fired != before);
        EXPECT_EQ(window->meter().KnobIndex, knob);
        restore();
    }
    // A key of the window's map still acts from inside the list.
    table->setFocus(Qt::TabFocusReason);
    const bool counter = window->meter().BdEnabled;
    EXPECT_TRUE(acts(table, Combo(Qt::NoModifier, Qt::Key_C)));
    EXPECT_NE(window->meter().BdEnabled, counter);
}

} // namespace
} // namespace kv
