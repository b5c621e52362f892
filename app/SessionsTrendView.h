// SessionsTrendView: the trend plots of the sessions panel, drawn by the same
// code as the trend page (report/TrendReport): Base at start and end of each
// session with its band, and reactions per hour, on a real date axis. A click
// on a session's column chooses that session. A thousand sessions take a
// while to draw, so the picture is drawn on a thread of its own and shown
// when it is ready; the window goes on meanwhile.
#pragma once

#include "SessionSeries.h"

#include <QImage>
#include <QWidget>

#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace kv {

class SessionsTrendView : public QWidget {
    Q_OBJECT
public:
    explicit SessionsTrendView(QWidget* parent = nullptr);
    ~SessionsTrendView() override;

    void setSeries(SessionSeries series);
    const SessionSeries& series() const { return m_series; }
    // Highlights the session of this data file (empty: none).
    void select(const std::string& file);
    std::optional<std::size_t> selected() const { return m_selected; }
    // Where the plots are drawn in the widget.
    QRectF plotArea() const;
    // The picture shown is of the series and selection as they are now.
    bool drawn() const { return m_shownGeneration == m_generation; }

    std::function<void(const std::string& file)> onChoose; // a session was clicked

    static constexpr double kTextSize = 11;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    struct Job {
        SessionSeries series;
        std::optional<std::size_t> selected;
        QSize size;
        qreal ratio = 1;
        unsigned generation = 0;
    };
    void redraw(); // asks the drawing thread for a new picture
    void drawLoop();

    SessionSeries m_series;
    std::optional<std::size_t> m_selected;
    QImage m_picture;
    unsigned m_generation = 0, m_shownGeneration = 0;

    std::mutex m_lock;
    std::condition_variable m_wanted;
    std::optional<Job> m_job; // the latest picture asked for, not yet begun
    bool m_stop = false;
    std::thread m_drawer;
};

} // namespace kv
