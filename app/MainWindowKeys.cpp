// The window's keys: the key map, the shortcuts and the keys the event list
// keeps, in one table that acts and that Help > "Keyboard Shortcuts" lists.
#include "MainWindow.h"
#include "RecordStrip.h"

#include "AccessibleParts.h"
#include "EventListPanel.h"
#include "EventListSearch.h"
#include "KeyListDialog.h"
#include "KeyTable.h"
#include "ReviewEditing.h"
#include "SessionMoves.h"
#include "SessionsPanel.h"
#include "SessionNavigator.h"
#include "SiblingDropDown.h"
#include "WindowKeys.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QToolButton>

namespace kv {

void MainWindow::buildKeyTable() {
    m_keyTable = std::make_unique<KeyTable>();
    KeyTable& t = *m_keyTable;
    auto click = [](QToolButton* b) {
        if (b->isEnabled() && b->isVisible() && b->window()->isEnabled()) b->click();
    };
    auto knob = [this](int step) {
        if (!recordingDrivesMeter()) setUserKnob(m_meter.KnobIndex + step);
    };
    // The arrows step the knob on every key-down; every other key acts once per press.
    t.addKey(
        Qt::Key_Up, QStringLiteral("Knob one step up"), [knob] { knob(1); }, true);
    t.addKey(
        Qt::Key_Down, QStringLiteral("Knob one step down"), [knob] { knob(-1); }, true);
    t.addKey(Qt::Key_Space, QStringLiteral("Marks the segment start or end; else a needle SET"),
             [this, click] {
                 if (m_record->cmdEditStart->isEnabled())
                     click(m_record->cmdEditStart);
                 else if (m_record->cmdEditEnd->isEnabled())
                     click(m_record->cmdEditEnd);
                 else
                     m_meter.SetRequest = true;
             });
    t.addKey(Qt::Key_C, QStringLiteral("Counter on or off"), [this] {
        m_meter.toggleCounter();
        noteUserCounter();
    });
    t.addKey(Qt::Key_Z, QStringLiteral("Counter to zero"), [this] {
        m_meter.zeroCounter();
        noteUserCounter();
    });
    t.addKey(Qt::Key_F, QStringLiteral("Body motion freeze on or off"), [this] {
        if (!m_tmrMessage->running() &&
            m_menus.menu(QStringLiteral("mnuSettingsBmFreeze"))->isEnabled()) {
            setFreeze(!m_ctx.settings->values.FreezeEnable);
            showModeMessage(m_ctx.settings->values.FreezeEnable ? "Freeze ON" : "Freeze OFF");
        }
    });
    t.addKey(Qt::Key_S, QStringLiteral("Stop"), [this, click] { click(m_record->cmdStop); });
    t.addKey(Qt::Key_P, QStringLiteral("Play or pause"),
             [this, click] { click(m_record->cmdPlay); });
    t.addKey(Qt::Key_Less, QStringLiteral("Back (skips 10 to 60 seconds)"),
             [this, click] { click(m_record->cmdRev); });
    t.addKey(Qt::Key_Greater, QStringLiteral("Forward (skips 10 to 60 seconds)"),
             [this, click] { click(m_record->cmdFwd); });
    t.addKey(Qt::Key_O, QStringLiteral("Load a recording"),
             [this, click] { click(m_record->cmdLoad); });
    t.addKey(Qt::Key_L, QStringLiteral("The numbered siblings of the loaded recording"), [this] {
        if (m_record->loadAvailable()) cmdLoad_MouseDown(Qt::RightButton);
    });

    AccessibleParts::addKeys(t, this);
    for (QAction* title : menuBar()->actions())
        t.addMenuTitle(title);
    t.addShortcut(QKeySequence::Open, QStringLiteral("Load a recording, as O does"), this, [this] {
        if (m_record->loadAvailable()) m_record->cmdLoad->click();
    });
    t.addItem(QKeySequence::HelpContents, m_menus.item(QStringLiteral("mnuHelpHelp")));
    t.addItem(QKeySequence(Qt::CTRL | Qt::Key_Right),
              findChild<QAction*>(QStringLiteral("mnuViewNextEvent")));
    t.addItem(QKeySequence(Qt::CTRL | Qt::Key_Left),
              findChild<QAction*>(QStringLiteral("mnuViewPreviousEvent")));

    using P = KeyTable::Place;
    EventListSearch::addKeys(t, m_navigator->eventList());
    m_review->addKeys(t);
    m_moves->addKeys(t);
    m_keys = new WindowKeys(
        this, {[this](QKeyEvent* e) { return Form_KeyDown(e); },
               [this](QKeyEvent* e) { return Form_KeyUp(e); }, [this] { m_keyReleased = true; },
               [this](QWidget* w, const QKeyEvent* k) {
                   // The file list takes its own keys, the event list those
                   // the table gives it, also the ones it leaves unused
                   // (Up on its first row) that go on to the window.
                   const QWidget& list = m_navigator->eventList();
                   const QWidget* focus = QApplication::focusWidget();
                   // A text box types what it is given.
                   return m_siblingList->owns(w) || w->testAttribute(Qt::WA_InputMethodEnabled) ||
                          ((list.isAncestorOf(w) || (focus && list.isAncestorOf(focus))) &&
                           m_keyTable->ownedBy(P::EventList, k->key(), k->modifiers())) ||
                          m_sessions->ownsKey(w, k);
               }});
    KeyListDialog::addMenuItem(*m_menus.menu(QStringLiteral("mnuhelp")), t, this);
}

bool MainWindow::Form_KeyUp(QKeyEvent* event) {
    if (!event->isAutoRepeat()) m_keyReleased = true;
    return m_keyTable->windowKey(event->key(), event->modifiers()) != nullptr;
}

bool MainWindow::Form_KeyDown(QKeyEvent* event) {
    const KeyTable::Entry* entry = m_keyTable->windowKey(event->key(), event->modifiers());
    if (entry && entry->everyPress) {
        entry->act();
        return true;
    }
    if (!m_keyReleased || event->isAutoRepeat()) return entry != nullptr;
    if (event->key() != Qt::Key_Shift) m_keyReleased = false;
    if (entry) entry->act();
    return entry != nullptr;
}

} // namespace kv
