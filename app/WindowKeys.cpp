#include "WindowKeys.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

namespace kv {

WindowKeys::WindowKeys(QWidget* window, Map map)
    : QObject(window), m_window(window), m_map(std::move(map)) {
    qApp->installEventFilter(this);
}

WindowKeys::~WindowKeys() {
    if (qApp) qApp->removeEventFilter(this);
}

bool WindowKeys::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    // Activation changes both ways: a dialog of the window (still counted as
    // active) may have taken the focus and with it the release of a key.
    if (watched == m_window && type == QEvent::ActivationChange) {
        m_map.regained();
        return false;
    }
    if (type != QEvent::KeyPress && type != QEvent::KeyRelease) return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || widget->window() != m_window || !m_window->isEnabled()) return false;
    auto* key = static_cast<QKeyEvent*>(event);
    if (m_map.exempt && m_map.exempt(widget, key)) return false;
    // Keys with Ctrl, Alt or Meta belong to the menus' shortcuts.
    if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) return false;
    const bool known = type == QEvent::KeyPress ? m_map.press(key) : m_map.release(key);
    if (known) key->accept();
    return known;
}

} // namespace kv
