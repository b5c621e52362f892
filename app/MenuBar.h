// MenuBar: the main window's menus, every item with its caption, access key,
// object name, check mark, radio group and hidden state. It only builds the
// menus and finds items; the window connects the handlers.
#pragma once

#include <QString>

#include <map>
#include <vector>

class QAction;
class QMenu;
class QMenuBar;
class QObject;

namespace kv {

class MenuBar {
public:
    // Builds every menu into `bar`; actions are parented to `owner`.
    void build(QMenuBar* bar, QObject* owner);

    QAction* item(const QString& name) const;                // by object name, e.g. "mnuExit"
    QAction* indexed(const QString& group, int index) const; // a radio group's item
    QMenu* menu(const QString& name) const; // e.g. "mnuGraph", "mnuSettingsBmFreeze"
    // Checks item `index` of a group and unchecks the others.
    void checkOnly(const QString& group, int index) const;
    // Checks one item of an On/Off pair and unchecks the other.
    void checkPair(const QString& on, const QString& off, bool isOn) const;

private:
    QAction* add(QMenu* menu, const QString& name, const QString& caption);
    QMenu* sub(QMenu* parent, const QString& name, const QString& caption);
    // Checkable items name_first, name_first+1, ... with these captions.
    void group(QMenu* menu, const QString& name, const std::vector<QString>& captions, int first);
    QMenu* top(QMenuBar* bar, const QString& name, const QString& caption);
    QAction* checkable(QMenu* menu, const QString& name, const QString& caption);
    static void hide(QAction* a); // present, but neither shown nor usable
    void buildFile(QMenuBar* bar);
    void buildColours(QMenu* settings);
    void buildSettings(QMenu* settings);
    void buildView(QMenuBar* bar);
    void buildGraph(QMenuBar* bar);
    void buildAudioTestHelp(QMenuBar* bar);

    QObject* m_owner = nullptr; // the parent of every action

    std::map<QString, QAction*> m_items;
    std::map<QString, std::map<int, QAction*>> m_groups;
    std::map<QString, QMenu*> m_menus;
};

} // namespace kv
