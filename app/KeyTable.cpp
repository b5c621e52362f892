#include "KeyTable.h"

#include <QAction>
#include <QMenu>
#include <QShortcut>
#include <QWidget>

namespace kv {

namespace {

// "View > Next Event": the item's caption after the titles of its menus.
QString menuPath(const QAction* item) {
    auto caption = [](QString text) { return text.remove(QLatin1Char('&')); };
    QString path = caption(item->text());
    const QAction* at = item;
    for (int depth = 0; depth < 8; ++depth) {
        const QMenu* menu = nullptr;
        for (QObject* o : at->associatedObjects())
            if ((menu = qobject_cast<const QMenu*>(o))) break;
        if (!menu) break;
        path = caption(menu->title()) + QStringLiteral(" > ") + path;
        at = menu->menuAction();
    }
    return path;
}

} // namespace

void KeyTable::addKey(int key, const QString& what, std::function<void()> act, bool everyPress) {
    Entry e;
    e.place = Place::Window;
    e.keys = QKeySequence(key);
    e.what = what;
    e.key = key;
    e.everyPress = everyPress;
    e.act = std::move(act);
    m_entries.push_back(std::move(e));
}

void KeyTable::addShiftedKey(int key, const QString& what, std::function<void()> act,
                             bool everyPress) {
    addKey(key, what, std::move(act), everyPress);
    m_entries.back().keys = QKeySequence(QKeyCombination(Qt::ShiftModifier, Qt::Key(key)));
    m_entries.back().shifted = true;
}

void KeyTable::addItem(const QKeySequence& keys, QAction* item) {
    item->setShortcut(keys);
    Entry e;
    e.place = Place::Menu;
    e.keys = keys;
    e.what = menuPath(item);
    m_entries.push_back(std::move(e));
}

void KeyTable::addMenuTitle(QAction* title) {
    const QKeySequence keys = QKeySequence::mnemonic(title->text());
    if (keys.isEmpty()) return;
    Entry e;
    e.place = Place::Menu;
    e.keys = keys;
    e.what = QStringLiteral("Opens the ") + QString(title->text()).remove(QLatin1Char('&')) +
             QStringLiteral(" menu");
    m_entries.push_back(std::move(e));
}

void KeyTable::addShortcut(const QKeySequence& keys, const QString& what, QWidget* window,
                           std::function<void()> act) {
    QObject::connect(new QShortcut(keys, window), &QShortcut::activated, window, std::move(act));
    Entry e;
    e.place = Place::Menu;
    e.keys = keys;
    e.what = what;
    m_entries.push_back(std::move(e));
}

void KeyTable::addPartShortcut(Place place, const QKeySequence& keys, const QString& what,
                               QWidget* part, std::function<void()> act) {
    auto* shortcut = new QShortcut(keys, part);
    shortcut->setContext(Qt::WidgetWithChildrenShortcut);
    QObject::connect(shortcut, &QShortcut::activated, part, std::move(act));
    Entry e;
    e.place = place;
    e.keys = keys;
    e.what = what;
    m_entries.push_back(std::move(e));
}

void KeyTable::addOwn(Place place, int key, const QString& what, const QKeySequence& shown) {
    Entry e;
    e.place = place;
    e.keys = shown.isEmpty() ? QKeySequence(key) : shown;
    e.what = what;
    e.key = key;
    m_entries.push_back(std::move(e));
}

const KeyTable::Entry* KeyTable::windowKey(int key, Qt::KeyboardModifiers modifiers) const {
    const bool shift = modifiers & Qt::ShiftModifier;
    const Entry* plain = nullptr;
    for (const Entry& e : m_entries) {
        if (e.place != Place::Window || e.key != key) continue;
        if (e.shifted && shift) return &e;
        if (!e.shifted && !plain) plain = &e;
    }
    return plain;
}

bool KeyTable::ownedBy(Place place, int key, Qt::KeyboardModifiers modifiers) const {
    const auto held = Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier;
    for (const Entry& e : m_entries)
        if (e.place == place && e.key == key &&
            (e.keys[0].keyboardModifiers() & held) == (modifiers & held))
            return true;
    return false;
}

QString KeyTable::placeName(Place place) {
    switch (place) {
    case Place::Window:
        return QStringLiteral("Anywhere in the window");
    case Place::Menu:
        return QStringLiteral("Menus and shortcuts");
    case Place::EventList:
        return QStringLiteral("In the event list");
    }
    return {};
}

} // namespace kv
