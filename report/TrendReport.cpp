#include "TrendReport.h"

#include "A4Pages.h"
#include "PageStyle.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QPolygonF>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <map>

namespace kv {
namespace {

using namespace page;

// Page geometry, in points.
constexpr double kHeaderHeight = 101, kCaptionHeight = 18, kPlotHeight = 320;
constexpr double kRowHeight = 11;
// Columns of the session table: date and time, file, length, reactions (count
// and per hour), Base (first, last, lowest, highest), status. The figures
// between stand to the right of their column.
constexpr std::array<double, 11> kColumns{0, 80, 152, 190, 218, 258, 284, 312, 346, 384, 511};
bool rightAligned(std::size_t column) {
    return column >= 2 && column <= 8;
}

// Text in a table column. Names and statuses are cut to fit it; dates and
// figures, which always fit, are never cut.
void drawCell(QPainter& p, double baseline, std::size_t c, const QString& text) {
    const QFontMetricsF fm(p.font());
    const double width = kColumns[c + 1] - kColumns[c] - 4;
    const bool cut = c == 1 || c == 9;
    const QString shown =
        cut ? fm.elidedText(text, c == 1 ? Qt::ElideMiddle : Qt::ElideRight, width) : text;
    const double x =
        rightAligned(c) ? kColumns[c + 1] - 4 - fm.horizontalAdvance(shown) : kColumns[c];
    p.drawText(QPointF(kLeft + x, baseline), shown);
}

const QColor kBaseBand(206, 92, 0, 60);
const QColor kRate(204, 0, 0);
const QColor kSelected(200, 222, 248);

QString q(const std::string& s) {
    return QString::fromStdString(s);
}

// Base in hundredths as the panel shows it: "0.0#".
QString baseText(int hundredths) {
    QString t = QString::number(hundredths / 100.0, 'f', 2);
    if (t.endsWith(QLatin1Char('0'))) t.chop(1);
    return t;
}

std::string baseCell(const std::optional<int>& h) {
    return h ? baseText(*h).toStdString() : std::string("-");
}

// "h:mm:ss" of a length in ms.
std::string lengthText(const std::optional<std::int64_t>& ms) {
    if (!ms) return "-";
    const std::int64_t s = *ms / 1000;
    char buf[32];
    std::snprintf(buf, sizeof buf, "%d:%02d:%02d", static_cast<int>(s / 3600),
                  static_cast<int>(s / 60 % 60), static_cast<int>(s % 60));
    return buf;
}

std::string dayText(std::int32_t day) {
    return startDateText(static_cast<std::int64_t>(day - 1) * 86400);
}

// The round step, from `steps`, that gives at most `wanted` steps over `span`.
template <std::size_t N>
double niceStep(double span, double wanted, const std::array<double, N>& steps) {
    for (double s : steps)
        if (span / s <= wanted) return s;
    return steps.back();
}

// Ticks on the date axis: the day each stands at and its label.
std::vector<std::pair<std::int32_t, QString>> dateTicks(const TrendLayout& l, double labelWidth) {
    std::vector<std::pair<std::int32_t, QString>> ticks;
    const std::int32_t dayCount = l.lastDay - l.firstDay + 1;
    const double fits = std::max(1.0, std::floor(l.ratePlot.width() / labelWidth));
    for (int step : {1, 2, 7, 14})
        if (dayCount / static_cast<double>(step) <= fits) {
            for (std::int32_t d = l.firstDay; d <= l.lastDay; d += step)
                ticks.emplace_back(d, q(dayText(d)));
            return ticks;
        }
    // Longer spans: the first day of every so many months.
    using namespace std::chrono;
    const sys_days epoch = sys_days(year{2000} / January / 1) - days{1};
    const year_month_day first{epoch + days{l.firstDay}};
    const int monthCount = (dayCount + 29) / 30;
    int step = 120;
    for (int s : {1, 2, 3, 6, 12, 24, 60, 120})
        if (monthCount / static_cast<double>(s) <= fits) {
            step = s;
            break;
        }
    for (year_month m = first.year() / first.month();; m += std::chrono::months{step}) {
        const auto d = static_cast<std::int32_t>((sys_days(m / 1) - epoch).count());
        if (d > l.lastDay) break;
        if (d < l.firstDay) continue;
        char buf[16];
        std::snprintf(buf, sizeof buf, "%04d-%02u", static_cast<int>(m.year()),
                      static_cast<unsigned>(m.month()));
        ticks.emplace_back(d, QString::fromLatin1(buf));
    }
    return ticks;
}

double baseY(const TrendLayout& l, double hundredths) {
    return l.basePlot.bottom() -
           (hundredths - l.baseLo) / std::max(1, l.baseHi - l.baseLo) * l.basePlot.height();
}

double rateY(const TrendLayout& l, double rate) {
    return l.ratePlot.bottom() - rate / std::max(1e-9, l.rateHi) * l.ratePlot.height();
}

void drawRotated(QPainter& p, QPointF centre, const QString& text) {
    p.save();
    p.translate(centre);
    p.rotate(-90);
    p.drawText(QPointF(-QFontMetricsF(p.font()).horizontalAdvance(text) / 2, 0), text);
    p.restore();
}

} // namespace

TrendLayout layoutTrend(const QRectF& area, const SessionSeries& series, double ts) {
    TrendLayout l;
    const double axis = ts * 5.2, legend = ts * 2.0, dates = ts * 2.2, gap = ts * 1.8;
    const double usable = std::max(2.0, area.height() - legend - dates - gap);
    const double width = std::max(1.0, area.width() - axis - ts * 0.6);
    l.basePlot = QRectF(area.left() + axis, area.top() + ts * 0.6, width, usable * 0.6 - ts * 0.6);
    l.ratePlot = QRectF(l.basePlot.left(), l.basePlot.bottom() + gap, width, usable * 0.4);

    // Days and how many sessions each holds.
    std::map<std::int32_t, int> perDay;
    int lo = 1 << 20, hi = 0;
    double rate = 0;
    for (const SessionPoint& s : series.sessions) {
        if (!s.drawable()) continue;
        ++perDay[s.dayNumber()];
        lo = std::min(lo, *s.baseMin);
        hi = std::max(hi, *s.baseMax);
        rate = std::max(rate, s.reactionsPerHour.value_or(0));
    }
    l.x.assign(series.sessions.size(), std::nullopt);
    if (perDay.empty()) {
        lo = 300, hi = 400;
    } else {
        l.firstDay = perDay.begin()->first;
        l.lastDay = perDay.rbegin()->first;
    }
    // At least 0.2 of Base shown, on round values.
    if (hi - lo < 20) {
        const int mid = (hi + lo) / 2;
        lo = mid - 10, hi = mid + 10;
    }
    l.baseStep =
        static_cast<int>(niceStep(hi - lo, 5, std::array<double, 7>{5, 10, 25, 50, 100, 200, 500}));
    l.baseLo = lo / l.baseStep * l.baseStep;
    l.baseHi = (hi + l.baseStep - 1) / l.baseStep * l.baseStep;
    l.rateStep =
        niceStep(std::max(rate, 1.0), 4,
                 std::array<double, 12>{1, 2, 5, 10, 20, 25, 50, 100, 200, 500, 1000, 5000});
    l.rateHi = std::max(l.rateStep, std::ceil(rate / l.rateStep) * l.rateStep);

    // Each day a slot of the axis; the sessions of a day share it, side by side.
    const double slot = width / (l.lastDay - l.firstDay + 1);
    int most = 1;
    for (const auto& [d, n] : perDay)
        most = std::max(most, n);
    l.halfWidth = std::max(0.4, std::min(slot / most * 0.32, ts * 1.2));
    std::map<std::int32_t, int> placed;
    for (std::size_t i = 0; i < series.sessions.size(); ++i) {
        const SessionPoint& s = series.sessions[i];
        if (!s.drawable()) continue;
        const std::int32_t d = s.dayNumber();
        const int j = placed[d]++;
        l.x[i] = l.basePlot.left() + (d - l.firstDay) * slot + (j + 0.5) * slot / perDay[d];
    }
    return l;
}

void drawTrendPlots(QPainter& p, const QRectF& area, const SessionSeries& series,
                    std::optional<std::size_t> selected, double ts) {
    const TrendLayout l = layoutTrend(area, series, ts);
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF& bp = l.basePlot;
    const QRectF& rp = l.ratePlot;
    const double line = std::max(0.5, ts / 8);

    // The selected session's column, behind everything.
    if (selected && *selected < l.x.size() && l.x[*selected]) {
        const double w = std::max(l.halfWidth * 1.6, ts * 0.4);
        for (const QRectF& r : {bp, rp})
            p.fillRect(QRectF(*l.x[*selected] - w, r.top(), 2 * w, r.height()), kSelected);
    }

    // Value axes: grid lines, labels, titles.
    p.setFont(font(ts));
    const QFontMetricsF fm(p.font());
    const auto valueLabel = [&](const QRectF& r, double y, const QString& t) {
        p.setPen(QPen(kGrid, line * 0.6));
        if (y > r.top() + 0.5 && y < r.bottom() - 0.5)
            p.drawLine(QPointF(r.left(), y), QPointF(r.right(), y));
        p.setPen(kInk);
        p.drawText(QPointF(r.left() - ts * 0.4 - fm.horizontalAdvance(t), y + fm.ascent() / 2 - 1),
                   t);
    };
    for (int v = l.baseLo; v <= l.baseHi; v += l.baseStep)
        valueLabel(bp, baseY(l, v), baseText(v));
    for (double v = 0; v <= l.rateHi + 1e-9; v += l.rateStep)
        valueLabel(rp, rateY(l, v), QString::number(v, 'g', 6));
    p.setFont(font(ts * 1.05, true));
    p.setPen(kInk);
    drawRotated(p, QPointF(area.left() + ts * 1.0, bp.center().y()), QStringLiteral("Base"));
    drawRotated(p, QPointF(area.left() + ts * 1.0, rp.center().y()),
                QStringLiteral("Reactions / hour"));

    // Date axis: ticks, grid lines and labels under the lower plot.
    p.setFont(font(ts));
    const double slot = bp.width() / (l.lastDay - l.firstDay + 1);
    const bool drawn = series.drawable() > 0;
    if (drawn) {
        double lastRight = -1e9;
        for (const auto& [d, label] :
             dateTicks(l, fm.horizontalAdvance(QStringLiteral("0000-00-00")) + ts)) {
            const bool month = label.size() == 7;
            const double x = bp.left() + (d - l.firstDay + (month ? 0.0 : 0.5)) * slot;
            p.setPen(QPen(kGrid, line * 0.6));
            for (const QRectF& r : {bp, rp})
                p.drawLine(QPointF(x, r.top()), QPointF(x, r.bottom()));
            p.setPen(QPen(kInk, line * 0.6));
            p.drawLine(QPointF(x, rp.bottom()), QPointF(x, rp.bottom() + ts * 0.35));
            const double w = fm.horizontalAdvance(label);
            const double left = std::clamp(x - w / 2, rp.left(), rp.right() - w);
            if (left < lastRight + ts * 0.5) continue;
            p.drawText(QPointF(left, rp.bottom() + ts * 0.45 + fm.ascent()), label);
            lastRight = left + w;
        }
    }

    // Base: a band from lowest to highest and the line through each
    // session's start and end; reactions per hour as bars. A session dated
    // from its file is drawn hollow.
    const double hw = l.halfWidth;
    QPolygonF baseLine;
    for (std::size_t i = 0; i < series.sessions.size(); ++i) {
        if (!l.x[i]) continue;
        const SessionPoint& s = series.sessions[i];
        const double x = *l.x[i];
        const double top = baseY(l, *s.baseMax), bottom = baseY(l, *s.baseMin);
        p.fillRect(QRectF(x - hw, top, 2 * hw, std::max(line, bottom - top)), kBaseBand);
        baseLine << QPointF(x - hw, baseY(l, *s.baseFirst))
                 << QPointF(x + hw, baseY(l, *s.baseLast));
        if (s.reactionsPerHour) {
            const double y = rateY(l, *s.reactionsPerHour);
            const QRectF bar(x - hw, y, 2 * hw, rp.bottom() - y);
            if (s.dateFromFile) {
                p.setPen(QPen(kRate, line));
                p.setBrush(Qt::NoBrush);
                p.drawRect(bar);
            } else {
                p.fillRect(bar, kRate);
            }
        }
    }
    p.setPen(QPen(kBaseLine, line * 1.2));
    p.setBrush(Qt::NoBrush);
    p.drawPolyline(baseLine);
    const double r = std::min(ts * 0.28, std::max(hw, line));
    for (std::size_t i = 0; i < series.sessions.size(); ++i) {
        if (!l.x[i]) continue;
        const SessionPoint& s = series.sessions[i];
        p.setBrush(s.dateFromFile ? QBrush(Qt::white) : QBrush(kBaseLine));
        p.setPen(QPen(kBaseLine, line * 0.8));
        p.drawEllipse(QPointF(*l.x[i] - hw, baseY(l, *s.baseFirst)), r, r);
        p.drawEllipse(QPointF(*l.x[i] + hw, baseY(l, *s.baseLast)), r, r);
    }

    p.setPen(QPen(kRule, line * 0.7));
    p.setBrush(Qt::NoBrush);
    p.drawRect(bp);
    p.drawRect(rp);
    if (!drawn) {
        p.setPen(kGrey);
        p.setFont(font(ts * 1.2));
        p.drawText(bp, Qt::AlignCenter, QStringLiteral("No session to draw"));
    }

    // The legend: a swatch for each drawing, then its name.
    p.setFont(font(ts));
    double x = bp.left();
    const double y = area.bottom() - ts * 0.5;
    const auto key = [&](const QString& text) {
        p.setPen(kGrey);
        p.drawText(QPointF(x, y), text);
        x += fm.horizontalAdvance(text) + ts * 1.5;
    };
    p.fillRect(QRectF(x, y - ts * 0.45, ts * 1.5, line * 1.5), kBaseLine);
    x += ts * 1.9;
    key(QStringLiteral("Base at start and end"));
    p.fillRect(QRectF(x, y - ts * 0.85, ts * 1.2, ts * 0.9), kBaseBand);
    x += ts * 1.6;
    key(QStringLiteral("Base lowest to highest"));
    p.fillRect(QRectF(x, y - ts * 0.85, ts * 0.8, ts * 0.9), kRate);
    x += ts * 1.2;
    key(QStringLiteral("reactions per hour"));
    p.setPen(QPen(kBaseLine, line * 0.8));
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(x + ts * 0.3, y - ts * 0.35), ts * 0.28, ts * 0.28);
    x += ts * 1.0;
    key(QStringLiteral("hollow: date from the file"));
    p.restore();
}

std::optional<std::size_t> trendSessionAt(const QRectF& area, const SessionSeries& series,
                                          const QPointF& pos, double ts) {
    const TrendLayout l = layoutTrend(area, series, ts);
    const bool inside = (pos.y() >= l.basePlot.top() && pos.y() <= l.basePlot.bottom()) ||
                        (pos.y() >= l.ratePlot.top() && pos.y() <= l.ratePlot.bottom());
    if (!inside || pos.x() < l.basePlot.left() - l.halfWidth ||
        pos.x() > l.basePlot.right() + l.halfWidth)
        return std::nullopt;
    std::optional<std::size_t> best;
    double bestDistance = std::max(l.halfWidth * 1.5, ts * 0.5);
    for (std::size_t i = 0; i < l.x.size(); ++i)
        if (l.x[i] && std::abs(*l.x[i] - pos.x()) <= bestDistance) {
            bestDistance = std::abs(*l.x[i] - pos.x());
            best = i;
        }
    return best;
}

// The trend page.

QRectF TrendReport::plotArea() {
    return QRectF(kLeft, kTop + kHeaderHeight + kCaptionHeight, kContentWidth, kPlotHeight);
}

TrendReport::TrendReport(TrendInput input) : m_in(std::move(input)) {
    const double firstTop = plotArea().bottom() + 12 + kCaptionHeight + 2 * kRowHeight;
    const double nextTop = kTop + kCaptionHeight + 2 * kRowHeight;
    const auto fits = [](double top) {
        return static_cast<std::size_t>(std::max(1.0, std::floor((kBottom - top) / kRowHeight)));
    };
    const std::size_t total = m_in.series.sessions.size();
    std::size_t from = 0, rows = fits(firstTop);
    do {
        const std::size_t to = std::min(total, from + rows);
        m_pageRows.emplace_back(from, to);
        from = to;
        rows = fits(nextTop);
    } while (from < total);
}

double TrendReport::drawHeader(QPainter& p, double top) const {
    top = drawTitleBand(p, top, QStringLiteral("Sessions over time"),
                        QStringLiteral("kv Player trend report"));

    const SessionSeries& s = m_in.series;
    const QFont body = font(10);
    const QFontMetricsF fm(body);
    const SessionPoint* first = nullptr;
    const SessionPoint* last = nullptr;
    for (const SessionPoint& point : s.sessions)
        if (point.startSecs) {
            if (!first) first = &point;
            last = &point;
        }
    std::string dates = "none";
    if (first) {
        const std::int64_t days = last->dayNumber() - first->dayNumber() + 1;
        dates = startDateText(*first->startSecs) + " to " + startDateText(*last->startSecs) + " (" +
                std::to_string(days) + (days == 1 ? " day)" : " days)");
    }
    std::string found = std::to_string(s.sessions.size()) +
                        (s.sessions.size() == 1 ? " recording: " : " recordings: ") +
                        std::to_string(s.drawable()) + " drawn, " + std::to_string(s.undrawable) +
                        " not drawn (see their status)";
    std::string notes = std::to_string(s.datedFromFile) + " dated from the file, " +
                        std::to_string(s.sameStart) + " starting at the same time as another";
    std::string skipped = "nothing";
    if (!m_in.skipped.empty())
        skipped = std::to_string(m_in.skipped.size()) + " (" + m_in.skipped.front() +
                  (m_in.skipped.size() > 1 ? ", ...)" : ")");
    const std::vector<std::pair<QString, QString>> lines = {
        {QStringLiteral("Folder"),
         fm.elidedText(q(m_in.title), Qt::ElideMiddle, kContentWidth - 80)},
        {QStringLiteral("Dates"), q(dates)},
        {QStringLiteral("Sessions"), q(found)},
        {QString(), q(notes)},
        {QStringLiteral("Passed over"),
         fm.elidedText(q(skipped), Qt::ElideRight, kContentWidth - 80)},
    };
    return drawKeyLines(p, top, body, lines);
}

void TrendReport::drawTable(QPainter& p, double top, std::size_t from, std::size_t to) const {
    p.setFont(font(11, true));
    p.setPen(kInk);
    p.drawText(QPointF(kLeft, top + 12),
               from == 0 ? QStringLiteral("Sessions") : QStringLiteral("Sessions (continued)"));
    top += kCaptionHeight;
    // Two lines of headings: the groups, then the columns.
    p.setFont(font(8, true));
    const QFontMetricsF bold(p.font());
    const auto group = [&](std::size_t first, std::size_t last, const QString& text) {
        const double left = kLeft + kColumns[first], right = kLeft + kColumns[last + 1] - 4;
        p.setPen(kInk);
        p.drawText(QPointF(right - bold.horizontalAdvance(text), top + 8), text);
        p.setPen(QPen(kRule, 0.6));
        p.drawLine(QPointF(left + 6, top + 10), QPointF(right, top + 10));
    };
    group(3, 4, QStringLiteral("Reactions"));
    group(5, 8, QStringLiteral("Base"));
    const std::array<QString, 10> heads{QStringLiteral("Date, time"), QStringLiteral("File"),
                                        QStringLiteral("Length"),     QStringLiteral("count"),
                                        QStringLiteral("per hour"),   QStringLiteral("first"),
                                        QStringLiteral("last"),       QStringLiteral("lowest"),
                                        QStringLiteral("highest"),    QStringLiteral("Status")};
    p.setPen(kInk);
    p.setFont(font(7, true));
    for (std::size_t c = 0; c < heads.size(); ++c)
        drawCell(p, top + kRowHeight + 8, c, heads[c]);
    top += 2 * kRowHeight;
    p.setPen(QPen(kRule, 0.6));
    p.drawLine(QPointF(kLeft, top), QPointF(kLeft + kContentWidth, top));
    const auto& sessions = m_in.series.sessions;
    if (sessions.empty()) {
        p.setFont(font(8));
        p.setPen(kGrey);
        p.drawText(QPointF(kLeft, top + 8), QStringLiteral("No recordings found."));
        return;
    }
    const QFont plain = font(8), italic = font(8, false, true);
    for (std::size_t i = from; i < to; ++i) {
        const SessionPoint& s = sessions[i];
        const RecordingSummary& r = s.summary;
        const double y = top + static_cast<double>(i - from) * kRowHeight;
        if ((i - from) % 2 == 1) p.fillRect(QRectF(kLeft, y, kContentWidth, kRowHeight), kStripe);
        const double base = y + 8;
        const auto cell = [&](std::size_t c, const QString& text) { drawCell(p, base, c, text); };
        p.setFont(s.dateFromFile ? italic : plain);
        p.setPen(s.dateFromFile ? kGrey : kInk);
        std::string when = "-";
        if (s.startSecs) {
            when = startDateText(*s.startSecs);
            if (s.hasClock) when += " " + startTimeText(*s.startSecs).substr(0, 5);
        }
        cell(0, q(when));
        p.setFont(plain);
        p.setPen(kInk);
        cell(1, q(r.file.substr(r.file.find_last_of('/') + 1)));
        cell(2, q(lengthText(r.durationMs)));
        cell(3, q(r.reactions ? std::to_string(*r.reactions) : std::string("-")));
        const std::string rate = reactionsPerHourText(s);
        cell(4, q(rate.empty() ? std::string("-") : rate));
        cell(5, q(baseCell(s.baseFirst)));
        cell(6, q(baseCell(s.baseLast)));
        cell(7, q(baseCell(s.baseMin)));
        cell(8, q(baseCell(s.baseMax)));
        if (!r.ok()) p.setPen(kRate);
        // The reason comes first: a long one may be cut at the column's end.
        cell(9, q(r.status + (s.dateFromFile ? "; date from the file" : "")));
    }
}

void TrendReport::drawFooter(QPainter& p, int page) const {
    p.setFont(font(8));
    p.setPen(kGrey);
    const QString text =
        QStringLiteral("Sessions over time    page %1 of %2").arg(page + 1).arg(pageCount());
    const QFontMetricsF fm(p.font());
    p.drawText(QPointF((kPageWidth - fm.horizontalAdvance(text)) / 2, kPageHeight - 24), text);
}

void TrendReport::drawPage(QPainter& p, int page) const {
    p.save();
    double top = kTop;
    if (page == 0) {
        drawHeader(p, top);
        p.setFont(font(11, true));
        p.setPen(kInk);
        p.drawText(QPointF(kLeft, kTop + kHeaderHeight + 12), QStringLiteral("Trend"));
        drawTrendPlots(p, plotArea(), m_in.series);
        top = plotArea().bottom() + 12;
    }
    const auto [from, to] = m_pageRows[static_cast<std::size_t>(page)];
    drawTable(p, top, from, to);
    drawFooter(p, page);
    p.restore();
}

QByteArray TrendReport::pdf() const {
    return a4Pdf(QStringLiteral("Sessions over time: ") + q(m_in.title), pageCount(),
                 [this](QPainter& p, int page) { drawPage(p, page); });
}

QImage TrendReport::image(int page, int dpi) const {
    return a4Image(page, dpi, [this](QPainter& p, int n) { drawPage(p, n); });
}

} // namespace kv
