// Sessions over time, drawn: the Base at the start and end of each session
// (a line, with a band from its lowest to its highest) and the reactions per
// hour, against the session date on a real time axis (sessions of one day
// side by side, gaps for days without any). drawTrendPlots() draws into any
// rectangle of a painter, so the printed trend page and the window's panel
// show the same picture; TrendReport lays out the A4 pages: title, plots,
// then one table row per session, continued over pages.
#pragma once

#include "A4Pages.h"
#include "SessionSeries.h"

#include <QByteArray>
#include <QImage>
#include <QRectF>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class QPainter;

namespace kv {

// Where the plots and each session fall in a rectangle.
struct TrendLayout {
    QRectF basePlot, ratePlot; // the two plot areas, inside their axes
    std::int32_t firstDay = 0; // the days on the axis (1 is 2000-01-01)
    std::int32_t lastDay = 0;
    std::vector<std::optional<double>>
        x;                // centre of each session, by its index; none when not drawn
    double halfWidth = 0; // half the width of a session's mark
    int baseLo = 0, baseHi = 0, baseStep = 5; // the Base axis, in hundredths
    double rateHi = 0, rateStep = 1;          // the reactions axis, per hour
};

// `textSize` is the height of the plots' text in the painter's units (8 on
// the page in points; about 11 on a screen in pixels).
TrendLayout layoutTrend(const QRectF& area, const SessionSeries& series, double textSize = 8);

// Draws both plots, their axes and a legend into `area`. `selected` (an index
// into series.sessions) is shown highlighted.
void drawTrendPlots(QPainter& p, const QRectF& area, const SessionSeries& series,
                    std::optional<std::size_t> selected = std::nullopt, double textSize = 8);

// The session drawn at `pos` (its column in either plot), if any.
std::optional<std::size_t> trendSessionAt(const QRectF& area, const SessionSeries& series,
                                          const QPointF& pos, double textSize = 8);

struct TrendInput {
    std::string title; // the folder (or the paths) the sessions came from
    SessionSeries series;
    std::vector<std::string> skipped; // paths passed over while searching, "PATH: reason"
};

class TrendReport {
public:
    explicit TrendReport(TrendInput input);

    int pageCount() const { return static_cast<int>(m_pageRows.size()); }
    // Draws page `page` (0-based) onto a painter in points on an A4 sheet.
    void drawPage(QPainter& p, int page) const;
    // All pages as a PDF document.
    QByteArray pdf() const;
    // One page as an image at `dpi` dots per inch.
    QImage image(int page, int dpi = 150) const;

    static constexpr double kPageWidth = kA4Width, kPageHeight = kA4Height; // A4 in points
    // Where the plots are on the first page, in points.
    static QRectF plotArea();

private:
    double drawHeader(QPainter& p, double top) const;
    void drawTable(QPainter& p, double top, std::size_t from, std::size_t to) const;
    void drawFooter(QPainter& p, int page) const;

    TrendInput m_in;
    std::vector<std::pair<std::size_t, std::size_t>> m_pageRows; // table rows of each page
};

} // namespace kv
