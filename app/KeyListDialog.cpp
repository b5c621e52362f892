#include "KeyListDialog.h"

#include "KeyTable.h"

#include <QAction>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace kv {

KeyListDialog::KeyListDialog(const KeyTable& table, QWidget* parent)
    : QDialog(parent), m_list(new QTreeWidget(this)) {
    setObjectName(QStringLiteral("dlgKeyList"));
    setWindowTitle(QStringLiteral("Keyboard Shortcuts"));
    m_list->setObjectName(QStringLiteral("lstKeys"));
    m_list->setColumnCount(2);
    m_list->setHeaderLabels({QStringLiteral("Key"), QStringLiteral("What it does")});
    m_list->setRootIsDecorated(false);
    m_list->setAccessibleName(QStringLiteral("Keyboard shortcuts"));
    for (const auto place :
         {KeyTable::Place::Window, KeyTable::Place::Menu, KeyTable::Place::EventList}) {
        auto* group = new QTreeWidgetItem(m_list, {KeyTable::placeName(place)});
        QFont bold = group->font(0);
        bold.setBold(true);
        group->setFont(0, bold);
        group->setFirstColumnSpanned(true);
        for (const KeyTable::Entry& e : table.entries())
            if (e.place == place)
                new QTreeWidgetItem(group, {e.keys.toString(QKeySequence::NativeText), e.what});
    }
    m_list->expandAll();
    m_list->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);

    auto* note = new QLabel(QStringLiteral("The keys of the window act whatever control has the "
                                           "focus (a text box keeps what is typed into it), with "
                                           "or without Shift unless listed with it."),
                            this);
    note->setWordWrap(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* column = new QVBoxLayout(this);
    column->addWidget(m_list, 1);
    column->addWidget(note);
    column->addWidget(buttons);
    resize(520, 560);
}

void KeyListDialog::addMenuItem(QMenu& help, const KeyTable& table, QWidget* window) {
    help.addSeparator();
    QAction* item = help.addAction(QStringLiteral("&Keyboard Shortcuts"));
    item->setObjectName(QStringLiteral("mnuHelpKeys"));
    auto dialog = std::make_shared<QPointer<KeyListDialog>>();
    QObject::connect(item, &QAction::triggered, window, [dialog, &table, window] {
        if (!*dialog) *dialog = new KeyListDialog(table, window);
        (*dialog)->show();
        (*dialog)->raise();
        (*dialog)->activateWindow();
    });
}

} // namespace kv
