// FramePacer: at most one repaint of a window per frame interval while it is
// active. At playback speeds above 1x records come faster than the 50 a
// second of normal speed; the state is updated for every record and the
// window is painted with the latest of them every 20 ms, so drawing costs no
// more than at 1x.
#pragma once

#include <QElapsedTimer>
#include <QObject>

class QWidget;

namespace kv {

class FramePacer final : public QObject {
public:
    FramePacer(QWidget* window, int intervalMs);
    void setActive(bool active) { m_active = active; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* m_window;
    int m_interval;
    bool m_active = false;
    bool m_pending = false;
    QElapsedTimer m_clock;
    qint64 m_last = -1000;
};

} // namespace kv
