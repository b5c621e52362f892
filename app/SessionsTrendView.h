// SessionsTrendView: the trend plots of the sessions panel, drawn by the same
// code as the trend page (report/TrendReport): Base at start and end of each
// session with its band, and reactions per hour, on a real date axis. A click
// on a session's column chooses that session.
#pragma once

#include "SessionSeries.h"

#include <QWidget>

#include <functional>
#include <optional>
#include <string>

namespace kv {

class SessionsTrendView : public QWidget {
    Q_OBJECT
public:
    explicit SessionsTrendView(QWidget* parent = nullptr);

    void setSeries(SessionSeries series);
    const SessionSeries& series() const { return m_series; }
    // Highlights the session of this data file (empty: none).
    void select(const std::string& file);
    std::optional<std::size_t> selected() const { return m_selected; }
    // Where the plots are drawn in the widget.
    QRectF plotArea() const;

    std::function<void(const std::string& file)> onChoose; // a session was clicked

    static constexpr double kTextSize = 11;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    SessionSeries m_series;
    std::optional<std::size_t> m_selected;
};

} // namespace kv
