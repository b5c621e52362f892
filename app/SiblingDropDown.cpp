#include "SiblingDropDown.h"
#include "TextHelpers.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLabel>

#include <utility>

namespace kv {

SiblingDropDown::SiblingDropDown(QWidget* parent, QLabel* name, Actions actions)
    : QObject(parent), m_list(new QComboBox(parent)), m_name(name), m_actions(std::move(actions)) {
    m_list->setObjectName(QStringLiteral("cboFile"));
    QFont bold = m_list->font();
    bold.setBold(true);
    m_list->setFont(bold);
    m_list->hide();
    m_list->setEnabled(false);
    m_list->installEventFilter(this);
    connect(m_list, &QComboBox::activated, this, [this](int) {
        if (!m_arrowHeld) choose();
    });
}

bool SiblingDropDown::open(bool heldButton) {
    m_siblings = findSiblings(m_name->toolTip().toStdString());
    if (!m_siblings) return false;
    m_list->clear();
    for (const std::string& n : m_siblings->numbers)
        m_list->addItem(q(n));
    if (m_siblings->selected >= 0) m_list->setCurrentIndex(m_siblings->selected);
    m_list->setEnabled(true);
    m_list->show();
    m_name->hide();
    m_list->setFocus();
    // Pressed with the mouse, the drop-down opens when the button is let go:
    // opened under the held button, the window system hands it the release
    // and it closes at once.
    if (heldButton)
        m_dropDownOnRelease = true;
    else
        m_list->showPopup();
    return true;
}

void SiblingDropDown::buttonReleased() {
    if (std::exchange(m_dropDownOnRelease, false) && m_list->isVisible()) m_list->showPopup();
}

void SiblingDropDown::choose() {
    if (!m_siblings || m_list->currentIndex() < 0) return;
    const std::string base = m_siblings->prefix + m_list->currentText().toStdString();
    close();
    m_actions.load(base);
}

void SiblingDropDown::close() {
    m_list->setEnabled(false);
    m_list->hide();
    m_name->show();
}

bool SiblingDropDown::isOpen() const {
    return m_list->isVisible();
}

bool SiblingDropDown::owns(const QWidget* w) const {
    return m_list->isVisible() && w == m_list;
}

void SiblingDropDown::setGeometry(const QRect& nameGeometry) {
    m_list->setGeometry(nameGeometry.adjusted(0, -4, 0, 4));
}

bool SiblingDropDown::eventFilter(QObject* watched, QEvent* event) {
    if (watched != m_list) return QObject::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::KeyPress: {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down) m_arrowHeld = true;
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            m_arrowHeld = false;
            choose();
            return true;
        }
        if (key->key() == Qt::Key_Escape) {
            close();
            return true;
        }
        return false; // the list takes its keys while it is open
    }
    case QEvent::KeyRelease: {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (!key->isAutoRepeat() && (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down))
            m_arrowHeld = false;
        return false;
    }
    case QEvent::FocusOut:
        // While the drop-down is open the focus moves to it and back, for
        // reasons that differ with the window system: only a focus loss
        // with the drop-down closed closes the list.
        if (!m_list->view()->isVisible() &&
            static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason &&
            m_list->isVisible())
            close();
        break;
    case QEvent::MouseButtonDblClick:
        if (m_actions.beep) m_actions.beep();
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace kv
