// The trend plots and page drawn from series made in memory: where sessions
// fall on the time axis, that the drawn pixels follow the figures, the
// selection and the hit test, and the pages of a long table.
#include "KvToolMeter.h"
#include "PdfText.h"
#include "TempDir.h"
#include "TrendReport.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>

namespace kv {
namespace {

constexpr std::int32_t kDay = 9821; // 2026-11-20

// A summary as kvtool summary makes it, with the figures given.
RecordingSummary row(const std::string& file, std::int32_t day, int clockSecs, int minutes,
                     int reactions, int first, int last, int lo, int hi) {
    RecordingSummary s;
    s.file = file;
    s.date = dayNumberText(day);
    s.clockStart = timeOfDayText(clockSecs);
    s.durationMs = minutes * 60000LL;
    s.reactions = reactions;
    const auto text = [](int h) {
        char buf[16];
        std::snprintf(buf, sizeof buf, "%d.%02d", h / 100, h % 100);
        return std::string(buf);
    };
    s.baseFirst = text(first), s.baseLast = text(last), s.baseMin = text(lo), s.baseMax = text(hi);
    return s;
}

SessionSeries seriesOf(std::vector<RecordingSummary> rows) {
    return buildSessionSeries(std::move(rows), [](const std::string&) { return std::nullopt; });
}

// Sessions k = 0..n-1, one every other day, Base falling 0.10 and reactions
// per hour rising 6 with each.
SessionSeries trendSeries(int n) {
    std::vector<RecordingSummary> rows;
    for (int k = 0; k < n; ++k) {
        const int first = 450 - 10 * k;
        rows.push_back(row("s" + std::to_string(k) + ".kvd", kDay + 2 * k, 36000, 60, 12 + 6 * k,
                           first, first - 5, first - 20, first + 15));
    }
    return seriesOf(rows);
}

const QRectF kArea(0, 0, 900, 520);
constexpr double kText = 11;

QImage drawn(const SessionSeries& series, std::optional<std::size_t> selected = std::nullopt) {
    ensureGuiApplication();
    QImage img(static_cast<int>(kArea.width()), static_cast<int>(kArea.height()),
               QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    drawTrendPlots(p, kArea, series, selected, kText);
    return img;
}

// The mean height of the pixels near `colour` in a column between two heights.
std::optional<double> meanY(const QImage& img, int x, double top, double bottom, QColor colour) {
    double sum = 0;
    int n = 0;
    for (int y = static_cast<int>(top); y <= static_cast<int>(bottom); ++y) {
        const QColor c = img.pixelColor(x, y);
        if (std::abs(c.red() - colour.red()) + std::abs(c.green() - colour.green()) +
                std::abs(c.blue() - colour.blue()) <
            40)
            sum += y, ++n;
    }
    if (n == 0) return std::nullopt;
    return sum / n;
}

TEST(TrendDrawing, SessionsSitOnARealTimeAxis) {
    // Two on the first day (given late one first), one two days later, one
    // five days later, one without figures, one without any date.
    std::vector<RecordingSummary> rows = {
        row("b.kvd", kDay, 15 * 3600, 60, 10, 400, 390, 380, 410),
        row("a.kvd", kDay, 9 * 3600, 60, 10, 400, 390, 380, 410),
        row("c.kvd", kDay + 2, 9 * 3600, 60, 10, 400, 390, 380, 410),
        row("d.kvd", kDay + 5, 9 * 3600, 60, 10, 400, 390, 380, 410),
    };
    RecordingSummary bad;
    bad.file = "bad.kvd";
    bad.date = dayNumberText(kDay + 1);
    bad.status = "format: fewer than 5 records";
    rows.push_back(bad);
    RecordingSummary undated = rows[0];
    undated.file = "undated.kvd";
    undated.date.clear();
    rows.push_back(undated);
    const SessionSeries series = seriesOf(rows);
    ASSERT_EQ(series.sessions.size(), 6u);
    const TrendLayout l = layoutTrend(kArea, series, kText);
    EXPECT_EQ(l.firstDay, kDay);
    EXPECT_EQ(l.lastDay, kDay + 5);
    const auto& s = series.sessions;
    const std::vector<std::string> order = {"a.kvd", "b.kvd", "bad.kvd",
                                            "c.kvd", "d.kvd", "undated.kvd"};
    for (std::size_t i = 0; i < order.size(); ++i)
        EXPECT_EQ(s[i].summary.file, order[i]);
    const double slot = l.basePlot.width() / 6;
    ASSERT_TRUE(l.x[0] && l.x[1] && l.x[3] && l.x[4]);
    EXPECT_FALSE(l.x[2]) << "a session without figures is not drawn";
    EXPECT_FALSE(l.x[5]) << "a session without a date is not drawn";
    // Side by side in the first day's slot, morning first.
    EXPECT_NEAR(*l.x[0], l.basePlot.left() + slot * 0.25, 1e-6);
    EXPECT_NEAR(*l.x[1], l.basePlot.left() + slot * 0.75, 1e-6);
    EXPECT_LT(*l.x[1] + l.halfWidth, *l.x[3] - l.halfWidth);
    // Days without sessions leave their room: 2 and 3 days' gaps.
    EXPECT_NEAR(*l.x[3], l.basePlot.left() + slot * 2.5, 1e-6);
    EXPECT_NEAR(*l.x[4] - *l.x[3], 3 * slot, 1e-6);
}

TEST(TrendDrawing, PixelsFollowTheFigures) {
    const SessionSeries series = trendSeries(8);
    const TrendLayout l = layoutTrend(kArea, series, kText);
    const QImage img = drawn(series);
    std::optional<double> lastBase, lastBar;
    for (std::size_t i = 0; i < series.sessions.size(); ++i) {
        ASSERT_TRUE(l.x[i]);
        // The start marker of the Base line: lower with each session.
        const auto base = meanY(img, static_cast<int>(std::lround(*l.x[i] - l.halfWidth)),
                                l.basePlot.top(), l.basePlot.bottom(), QColor(206, 92, 0));
        ASSERT_TRUE(base) << i;
        const double expected =
            l.basePlot.bottom() - (series.sessions[i].baseFirst.value() - l.baseLo) /
                                      double(l.baseHi - l.baseLo) * l.basePlot.height();
        EXPECT_NEAR(*base, expected, 3.0) << i;
        if (lastBase) {
            EXPECT_GT(*base, *lastBase + 5) << i;
        }
        lastBase = base;
        // The reactions bar: from the axis up to the rate, taller each time.
        int top = static_cast<int>(l.ratePlot.bottom()) - 1;
        const int x = static_cast<int>(std::lround(*l.x[i]));
        while (top > l.ratePlot.top() && img.pixelColor(x, top - 1) == QColor(204, 0, 0))
            --top;
        const double height = l.ratePlot.bottom() - top;
        const double rate = *series.sessions[i].reactionsPerHour;
        EXPECT_NEAR(height, rate / l.rateHi * l.ratePlot.height(), 2.0) << i;
        if (lastBar) {
            EXPECT_GT(height, *lastBar) << i;
        }
        lastBar = height;
    }
}

TEST(TrendDrawing, SelectionAndHitTest) {
    const SessionSeries series = trendSeries(5);
    const TrendLayout l = layoutTrend(kArea, series, kText);
    const QColor selected(200, 222, 248);
    const QImage img = drawn(series, 2);
    // The selected column is tinted in both plots, the others are not (beside
    // the day's grid line).
    for (std::size_t i = 0; i < 5; ++i) {
        const int x = static_cast<int>(std::lround(*l.x[i])) + 4;
        const int y = static_cast<int>(l.ratePlot.top()) + 2;
        EXPECT_EQ(img.pixelColor(x, y) == selected, i == 2) << i;
        EXPECT_EQ(img.pixelColor(x, static_cast<int>(l.basePlot.top()) + 2) == selected, i == 2)
            << i;
    }
    for (std::size_t i = 0; i < 5; ++i) {
        for (const QRectF& plot : {l.basePlot, l.ratePlot}) {
            const auto at =
                trendSessionAt(kArea, series, QPointF(*l.x[i] + 1, plot.center().y()), kText);
            ASSERT_TRUE(at) << i;
            EXPECT_EQ(*at, i);
        }
    }
    // Between two sessions' days, over the axis labels, or left of the plots: nothing.
    const double between = (*l.x[0] + *l.x[1]) / 2;
    EXPECT_FALSE(trendSessionAt(kArea, series, QPointF(between, l.basePlot.center().y()), kText));
    EXPECT_FALSE(trendSessionAt(kArea, series, QPointF(*l.x[0], l.ratePlot.bottom() + 5), kText));
    EXPECT_FALSE(trendSessionAt(kArea, series, QPointF(2, l.basePlot.center().y()), kText));
}

TEST(TrendDrawing, PagesCarryEverySessionAsText) {
    ensureGuiApplication();
    test::TempDir dir;
    struct Case {
        int sessions;
        int pages;
    };
    // 23 rows fit under the plots on the first page, 64 on the others.
    for (const Case c : {Case{0, 1}, Case{23, 1}, Case{24, 2}, Case{87, 2}, Case{88, 3}}) {
        TrendInput in;
        in.title = "/clients/anna";
        in.series = trendSeries(c.sessions);
        if (c.sessions > 3) in.series.sessions[3].dateFromFile = true;
        const TrendReport report(std::move(in));
        EXPECT_EQ(report.pageCount(), c.pages) << c.sessions;
        const std::string pdf = dir.file("t" + std::to_string(c.sessions) + ".pdf");
        const QByteArray bytes = report.pdf();
        std::ofstream(pdf, std::ios::binary).write(bytes.constData(), bytes.size());
        const std::string text = test::pdfText(pdf);
        EXPECT_EQ(test::pdfPages(text), c.pages) << c.sessions;
        EXPECT_NE(text.find("Sessions over time"), std::string::npos);
        EXPECT_NE(text.find("/clients/anna"), std::string::npos);
        for (int k = 0; k < c.sessions; ++k)
            EXPECT_NE(text.find(" s" + std::to_string(k) + ".kvd "), std::string::npos) << k;
        EXPECT_EQ(text.find("No session to draw") != std::string::npos, c.sessions == 0);
        EXPECT_EQ(text.find("ok; date from the file") != std::string::npos, c.sessions > 3);
        EXPECT_EQ(text.find("Sessions (continued)") != std::string::npos, c.pages > 1);
        EXPECT_LE(test::pdfTextRightEdge(pdf), 595.3 - 42 + 0.5);
        // Vector plots: the file holds no picture.
        EXPECT_EQ(bytes.indexOf("/Subtype /Image"), -1);
    }
}

} // namespace
} // namespace kv
