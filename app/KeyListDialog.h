// Help > "Keyboard Shortcuts": every key of the window, listed from the
// window's key table by where it acts, beside what it does.
#pragma once

#include <QDialog>

class QMenu;
class QTreeWidget;

namespace kv {

class KeyTable;

class KeyListDialog : public QDialog {
    Q_OBJECT
public:
    KeyListDialog(const KeyTable& table, QWidget* parent = nullptr);

    // Adds "Keyboard Shortcuts" to the Help menu, behind a separator; the
    // dialog is made on first use and owned by `window`.
    static void addMenuItem(QMenu& help, const KeyTable& table, QWidget* window);

    QTreeWidget* list() const { return m_list; }

private:
    QTreeWidget* m_list;
};

} // namespace kv
