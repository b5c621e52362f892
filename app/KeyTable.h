// KeyTable: every key of the player's window in one table, with what it does.
// The window's key map acts from it, the shortcuts of menu items and of the
// window are set from it, the parts of the window that take keys for
// themselves are told them by it, and Help > "Keyboard Shortcuts" lists it:
// the list cannot drift from the keys.
#pragma once

#include <QKeySequence>
#include <QString>

#include <functional>
#include <vector>

class QAction;
class QWidget;

namespace kv {

class KeyTable {
public:
    enum class Place {
        Window,    // the key map: no Ctrl, Alt or Meta, whatever widget has the focus
        Menu,      // shortcuts of menu items and of the window
        EventList, // keys the event list takes while it has the focus
    };
    struct Entry {
        Place place = Place::Window;
        QKeySequence keys; // as shown in the list
        QString what;      // what the key does
        // Window keys: the key; with `shifted` it acts only with Shift, else
        // with or without (a '<' needs Shift on most keyboards).
        int key = 0;
        bool shifted = false;
        bool everyPress = false;   // acts on each key-down, a held key repeating
        std::function<void()> act; // window keys
    };

    // A key of the window's key map.
    void addKey(int key, const QString& what, std::function<void()> act, bool everyPress = false);
    void addShiftedKey(int key, const QString& what, std::function<void()> act,
                       bool everyPress = false);
    // A menu item's shortcut, set on the item; listed under its menu path.
    void addItem(const QKeySequence& keys, QAction* item);
    // Alt and the underlined letter of a menu's title open the menu (the menu
    // bar acts on its titles' letters itself).
    void addMenuTitle(QAction* title);
    // A shortcut of the whole window that no menu item carries.
    void addShortcut(const QKeySequence& keys, const QString& what, QWidget* window,
                     std::function<void()> act);
    // A shortcut of a part of the window, acting while the focus is inside it.
    void addPartShortcut(Place place, const QKeySequence& keys, const QString& what, QWidget* part,
                         std::function<void()> act);
    // A key that a part of the window handles itself while it has the focus.
    // `shown` when the key is written otherwise (Backtab is Shift+Tab).
    void addOwn(Place place, int key, const QString& what, const QKeySequence& shown = {});

    // The window key for a key press: one that names Shift first, then the
    // key alone. Null when the map does not know the key.
    const Entry* windowKey(int key, Qt::KeyboardModifiers modifiers) const;
    // Whether a part of the window takes this key itself (Shift aside).
    bool ownedBy(Place place, int key, Qt::KeyboardModifiers modifiers = {}) const;

    const std::vector<Entry>& entries() const { return m_entries; }
    static QString placeName(Place place);

private:
    std::vector<Entry> m_entries;
};

} // namespace kv
