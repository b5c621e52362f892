#include "SessionReport.h"

#include "A4Pages.h"
#include "PageStyle.h"

#include "SegmentEditor.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QPolygonF>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <tuple>

namespace kv {
namespace {

using namespace page;

// Page geometry, in points.
constexpr double kOverviewHeight = 150, kBasePlotHeight = 104, kBaseAxisWidth = 34;
constexpr double kRowHeight = 11.5, kCaptionHeight = 18;
// Columns of the event table: time, time of day, kind, text.
constexpr std::array<double, 4> kTableColumns{0, 66, 132, 196};


QString q(const std::string& s) {
    return QString::fromStdString(s);
}

// Session time: "m:ss.s", or "h:mm:ss" from an hour on, in whole seconds
// counted as the clock counts them (cut, not rounded).
std::string sessionTime(std::int64_t ms, bool hours) {
    char buf[32];
    if (hours) {
        const std::int64_t s = ms / 1000;
        std::snprintf(buf, sizeof buf, "%d:%02d:%02d", static_cast<int>(s / 3600),
                      static_cast<int>(s / 60 % 60), static_cast<int>(s % 60));
    } else {
        const std::int64_t tenths = (ms + 50) / 100;
        std::snprintf(buf, sizeof buf, "%d:%02d.%d", static_cast<int>(tenths / 600),
                      static_cast<int>(tenths / 10 % 60), static_cast<int>(tenths % 10));
    }
    return buf;
}

// Base in hundredths as the panel shows it: "0.0#".
QString baseText(int hundredths) {
    QString t = QString::number(hundredths / 100.0, 'f', 2);
    if (t.endsWith(QLatin1Char('0'))) t.chop(1);
    return t;
}

int baseHundredths(std::uint8_t code) {
    return (code / 2 + 8) * 5;
}

std::string orDash(const std::string& s) {
    return s.empty() ? "-" : s;
}
std::string number(const std::optional<std::int64_t>& v) {
    return v ? std::to_string(*v) : "-";
}

// A step for about `wanted` ticks over `span`, from a list of round values.
template <std::size_t N>
double niceStep(double span, double wanted, const std::array<double, N>& steps) {
    for (double s : steps)
        if (span / s <= wanted) return s;
    return steps.back();
}

constexpr std::array<double, 17> kTimeSteps{1,   2,   5,    10,   15,   30,    60,    120,  300,
                                            600, 900, 1800, 3600, 7200, 10800, 14400, 28800};

void caption(QPainter& p, double top, const QString& text) {
    p.setFont(font(11, true));
    p.setPen(kInk);
    p.drawText(QPointF(kLeft, top + 12), text);
}

} // namespace

void summariseReportInput(ReportInput& in) {
    in.summary = summariseRecords(in.records, in.clockStartSecs, in.dayNumber);
    in.summary.file = in.file;
    judgeSound(in.summary, findSound(pairBaseOf(in.file)));
    if (!in.notesBeside) return;
    addReviewFigures(in.summary, in.file, in.records, in.firstRecord);
    const NotesRead read = readNotesFile(in.file, 0);
    in.hasNotes = read.state == NotesRead::State::Read && !in.records.empty();
    if (in.hasNotes)
        in.notes =
            notesOfSegment(read.notes, in.firstRecord,
                           in.firstRecord + static_cast<std::int32_t>(in.records.size()) - 1);
}

void SessionReport::buildRows() {
    const auto count = static_cast<std::int32_t>(m_in.records.size());
    auto timeOf = [&](std::int32_t record) {
        return m_in.records[static_cast<std::size_t>(std::clamp(record, 1, count) - 1)].TimeMs;
    };
    const bool hours = count > 0 && m_in.records.back().TimeMs >= 3600000;
    const auto& marks = m_in.notes.marks;
    auto mark = marks.begin();
    // The marks of a record follow its events, as in kvtool events.
    auto marksUpTo = [&](std::int32_t record) {
        for (; mark != marks.end() && mark->record <= record; ++mark) {
            std::string text = mark->text;
            std::replace(text.begin(), text.end(), '\n', ' ');
            std::replace(text.begin(), text.end(), '\t', ' ');
            std::replace(text.begin(), text.end(), '\r', ' ');
            const std::int32_t t = timeOf(mark->record), end = timeOf(mark->endRecord);
            if (mark->kind == MarkKind::Note) {
                if (mark->endRecord != mark->record)
                    text = "(to " + sessionTime(end, hours) + ") " + text;
                m_rows.push_back({t, "note", text});
            } else if (mark->kind == MarkKind::Artifact) {
                m_rows.push_back({t, "artifact",
                                  "to " + sessionTime(end, hours) + ", " + std::to_string(end - t) +
                                      " ms excluded" + (text.empty() ? "" : ": " + text)});
            } else if (mark->kind == MarkKind::Added) {
                m_rows.push_back(
                    {t, "reaction", "added by hand" + (text.empty() ? "" : ": " + text)});
            }
        }
    };
    for (const RecordingEvent& e : m_events) {
        marksUpTo(e.record - 1);
        TableRow row{e.timeMs, eventKindName(e.kind), e.text};
        if (e.kind == EventKind::Reaction) {
            const auto review = reviewOf(m_in.notes, e.record);
            // The review leads the text; what is not counted is struck through.
            if (review == MarkKind::Confirmed) row.text = "confirmed: " + row.text;
            if (review == MarkKind::Rejected) {
                row.text = "rejected: " + row.text;
                row.struck = true;
            } else if (inArtifact(m_in.notes, e.record)) {
                row.text = "in an artifact range: " + row.text;
                row.struck = true;
            }
        }
        m_rows.push_back(std::move(row));
    }
    marksUpTo(count);
}

SessionReport::SessionReport(ReportInput input) : m_in(std::move(input)) {
    // Counter steps follow the Base down and would crowd the table: the
    // summary gives the last counter instead.
    EventOptions kinds;
    kinds.kinds &= ~(1U << static_cast<unsigned>(EventKind::Counter));
    m_events = findEvents(m_in.records, kinds);
    buildRows();
    if (!m_in.records.empty()) {
        m_overview.records = &m_in.records;
        m_overview.mapping = OverviewMapping{0, static_cast<std::int32_t>(m_in.records.size()) - 1,
                                             static_cast<int>(kContentWidth)};
        m_overview.columns = buildOverviewColumns(m_in.records, m_overview.mapping);
        for (const RecordingEvent& e : m_events)
            if (e.kind == EventKind::Tag || e.kind == EventKind::Motion ||
                e.kind == EventKind::Reaction)
                m_overview.events.push_back(e);
        m_overview.hasClock = m_in.clockStartSecs.has_value();
        m_overview.clockStartSecs = m_in.clockStartSecs.value_or(0);
        m_overview.legend = false; // drawn under the strip instead
    }
    // The first page holds what fits under the header (88 pt), the figures
    // (67 pt) and the plots; the others hold rows only.
    const double firstTop = kTop + 88 + 67 + (reviewed() ? 13 : 0) + kCaptionHeight +
                            kOverviewHeight + 20 + kCaptionHeight + kBasePlotHeight + 28 +
                            kCaptionHeight + kRowHeight;
    const double nextTop = kTop + kCaptionHeight + kRowHeight;
    const auto fits = [](double top) {
        return static_cast<std::size_t>(std::max(1.0, std::floor((kBottom - top) / kRowHeight)));
    };
    std::size_t from = 0, rows = fits(firstTop);
    do {
        const std::size_t to = std::min(m_rows.size(), from + rows);
        m_pageRows.emplace_back(from, to);
        from = to;
        rows = fits(nextTop);
    } while (from < m_rows.size());
}

double SessionReport::drawHeader(QPainter& p, double top) const {
    const std::string name = m_in.file.substr(m_in.file.find_last_of('/') + 1);
    top = drawTitleBand(p, top, q(name), QStringLiteral("kv Player session report"));

    const RecordingSummary& s = m_in.summary;
    const std::int64_t firstMs = m_in.records.empty() ? 0 : m_in.records.front().TimeMs;
    const std::int64_t lastMs = s.durationMs.value_or(0);
    const bool hours = std::max<std::int64_t>(lastMs, m_in.recordingMs) >= 3600000;
    std::vector<std::pair<QString, QString>> lines;
    const QFont body = font(10);
    const QFontMetricsF fm(body);
    lines.emplace_back(QStringLiteral("File"),
                       fm.elidedText(q(m_in.file), Qt::ElideMiddle, kContentWidth - 80));
    std::string when = s.date.empty() ? "no date mark" : s.date;
    if (m_in.clockStartSecs)
        when += ", " + timeOfDayText(*m_in.clockStartSecs + firstMs / 1000) + " to " +
                timeOfDayText(*m_in.clockStartSecs + lastMs / 1000);
    else
        when += ", no clock mark";
    lines.emplace_back(QStringLiteral("Date and time"), q(when));
    const std::string span = sessionTime(lastMs - firstMs, hours) + " (" +
                             std::to_string(lastMs - firstMs) + " ms, " + number(s.records) +
                             " records)";
    if (m_in.isRange)
        lines.emplace_back(QStringLiteral("Range"),
                           q(sessionTime(firstMs, hours) + " to " + sessionTime(lastMs, hours) +
                             " of " + sessionTime(m_in.recordingMs, hours) + ": " + span));
    else
        lines.emplace_back(QStringLiteral("Duration"), q(span));
    lines.emplace_back(
        QStringLiteral("Audio"),
        q(s.audio.empty()
              ? std::string("none")
              : s.audio + (s.audioMs ? ", " + sessionTime(*s.audioMs, hours) : std::string())));
    return drawKeyLines(p, top, body, lines);
}

double SessionReport::drawFigures(QPainter& p, double top) const {
    caption(p, top, QStringLiteral("Summary"));
    top += kCaptionHeight;
    const RecordingSummary& s = m_in.summary;
    std::vector<std::pair<const char*, std::string>> figures = {
        {"Tags", number(s.tags)},
        {"SET", number(s.sets)},
        {"Body motion", number(s.motions)},
        {"Reactions", number(s.reactions)},
        {"Base first", orDash(s.baseFirst)},
        {"Base last", orDash(s.baseLast)},
        {"Base lowest", orDash(s.baseMin)},
        {"Base highest", orDash(s.baseMax)},
        {"Counter last", orDash(s.counterLast)},
        {"Status", s.status},
    };
    if (reviewed()) {
        // Before the status, which may be long.
        const bool hours = m_in.records.back().TimeMs >= 3600000;
        figures.insert(figures.end() - 1,
                       {{"Notes", number(s.notes)},
                        {"Confirmed", number(s.reactionsConfirmed)},
                        {"Rejected", number(s.reactionsRejected)},
                        {"Excluded", sessionTime(s.artifactMs.value_or(0), hours)}});
    }
    p.setFont(font(10));
    const double cell = kContentWidth / 4;
    for (std::size_t i = 0; i < figures.size(); ++i) {
        const double x = kLeft + static_cast<double>(i % 4) * cell;
        const double y = top + 10 + static_cast<double>(i / 4) * 13;
        p.setPen(kGrey);
        p.drawText(QPointF(x, y), QString::fromLatin1(figures[i].first));
        p.setPen(kInk);
        p.drawText(QPointF(x + 70, y), q(figures[i].second));
    }
    return top + 10 + static_cast<double>((figures.size() + 3) / 4) * 13;
}

double SessionReport::drawOverviewSection(QPainter& p, double top) const {
    caption(p, top, QStringLiteral("Session overview"));
    top += kCaptionHeight;
    const QRect area(static_cast<int>(kLeft), static_cast<int>(top),
                     static_cast<int>(kContentWidth), static_cast<int>(kOverviewHeight));
    p.setFont(font(10));
    drawOverview(p, area, m_overview);
    p.setPen(QPen(kRule, 0.6));
    p.setBrush(Qt::NoBrush);
    p.drawRect(area);
    // The legend: a swatch in each drawing's colour, then its name.
    p.setFont(font(8));
    const QFontMetricsF fm(p.font());
    const double y = top + kOverviewHeight + 10;
    double x = kLeft;
    const std::array<std::tuple<QColor, bool, QString>, 5> keys{{
        {QColor(52, 101, 164), false, QStringLiteral("needle range (up: to the right)")},
        {kBaseLine, false, QStringLiteral("Base")},
        {QColor(40, 120, 40), false, QStringLiteral("tag number")},
        {QColor(204, 0, 0), false, QStringLiteral("reaction (onset, bar to peak)")},
        {QColor(170, 60, 170, 60), true, QStringLiteral("body motion")},
    }};
    for (const auto& [colour, band, text] : keys) {
        if (band)
            p.fillRect(QRectF(x, y - 7, 10, 8), colour);
        else
            p.fillRect(QRectF(x, y - 4, 12, 1.6), colour);
        x += band ? 13 : 15;
        p.setPen(kGrey);
        p.drawText(QPointF(x, y), text);
        x += fm.horizontalAdvance(text) + 12;
    }
    return top + kOverviewHeight + 20;
}

double SessionReport::drawBasePlot(QPainter& p, double top) const {
    caption(p, top, QStringLiteral("Base over time"));
    top += kCaptionHeight;
    const QRectF plot(kLeft + kBaseAxisWidth, top, kContentWidth - kBaseAxisWidth, kBasePlotHeight);
    p.setPen(QPen(kRule, 0.6));
    p.drawRect(plot);
    if (m_in.records.empty()) return top + kBasePlotHeight + 28;

    const int width = static_cast<int>(plot.width());
    const OverviewMapping m{0, static_cast<std::int32_t>(m_in.records.size()) - 1, width};
    const std::vector<OverviewColumn> cols = buildOverviewColumns(m_in.records, m);
    int lo = 1000, hi = 0;
    for (const OverviewColumn& c : cols)
        lo = std::min(lo, baseHundredths(c.baseMin)), hi = std::max(hi, baseHundredths(c.baseMax));
    // At least 0.2 of Base shown, on round values.
    if (hi - lo < 20) {
        const int mid = (hi + lo) / 2;
        lo = mid - 10, hi = mid + 10;
    }
    const double step = niceStep(hi - lo, 5, std::array<double, 6>{5, 10, 25, 50, 100, 200});
    const double yLo = std::floor(lo / step) * step, yHi = std::ceil(hi / step) * step;
    const auto y = [&](double v) {
        return plot.bottom() - (v - yLo) / (yHi - yLo) * plot.height();
    };

    // Value axis: grid lines and labels, and its title.
    p.setFont(font(8));
    const QFontMetricsF fm(p.font());
    for (double v = yLo; v <= yHi + 0.01; v += step) {
        p.setPen(QPen(kGrid, 0.5));
        if (v > yLo && v < yHi) p.drawLine(QPointF(plot.left(), y(v)), QPointF(plot.right(), y(v)));
        p.setPen(kInk);
        const QString t = baseText(static_cast<int>(std::lround(v)));
        p.drawText(QPointF(plot.left() - 4 - fm.horizontalAdvance(t), y(v) + fm.ascent() / 2 - 1),
                   t);
    }
    p.save();
    p.translate(kLeft + 7, plot.center().y());
    p.rotate(-90);
    p.setFont(font(9, true));
    const QString title = QStringLiteral("Base");
    p.drawText(QPointF(-QFontMetricsF(p.font()).horizontalAdvance(title) / 2, 0), title);
    p.restore();

    // The Base: its range in each column, joined through the columns' middles.
    std::vector<QLineF> spans;
    QPolygonF line;
    for (int x = 0; x < width; ++x) {
        const OverviewColumn& c = cols[static_cast<std::size_t>(x)];
        const double px = plot.left() + x + 0.5;
        const int b0 = baseHundredths(c.baseMin), b1 = baseHundredths(c.baseMax);
        if (b0 != b1) spans.emplace_back(QPointF(px, y(b0)), QPointF(px, y(b1)));
        line << QPointF(px, y((b0 + b1) / 2.0));
    }
    p.setPen(QPen(kBaseLine, 1.0));
    p.drawLines(spans.data(), static_cast<int>(spans.size()));
    p.drawPolyline(line);

    // Time axis: session time.
    const std::int64_t t0 = m_in.records.front().TimeMs, t1 = m_in.records.back().TimeMs;
    const double span = std::max<std::int64_t>(1, t1 - t0) / 1000.0;
    const double tStep = niceStep(span, 8, kTimeSteps);
    const bool hours = t1 >= 3600000;
    p.setFont(font(8));
    for (double t = std::ceil(t0 / 1000.0 / tStep) * tStep; t * 1000 <= t1; t += tStep) {
        const double x = plot.left() + (t * 1000 - t0) / (span * 1000) * plot.width();
        p.setPen(QPen(kInk, 0.6));
        p.drawLine(QPointF(x, plot.bottom()), QPointF(x, plot.bottom() + 3));
        const auto secs = static_cast<std::int64_t>(t);
        char buf[32];
        if (hours)
            std::snprintf(buf, sizeof buf, "%d:%02d:%02d", static_cast<int>(secs / 3600),
                          static_cast<int>(secs / 60 % 60), static_cast<int>(secs % 60));
        else
            std::snprintf(buf, sizeof buf, "%d:%02d", static_cast<int>(secs / 60),
                          static_cast<int>(secs % 60));
        const QString label = QString::fromLatin1(buf);
        const double w = fm.horizontalAdvance(label);
        p.drawText(QPointF(std::clamp(x - w / 2, plot.left(), plot.right() - w),
                           plot.bottom() + 4 + fm.ascent()),
                   label);
    }
    p.setPen(kGrey);
    const QString axis = QStringLiteral("session time");
    p.drawText(
        QPointF(plot.right() - fm.horizontalAdvance(axis), plot.bottom() + 6 + 2 * fm.height()),
        axis);
    return top + kBasePlotHeight + 28;
}

void SessionReport::drawTable(QPainter& p, double top, std::size_t from, std::size_t to) const {
    caption(p, top, from == 0 ? QStringLiteral("Events") : QStringLiteral("Events (continued)"));
    top += kCaptionHeight;
    const std::array<QString, 4> heads{QStringLiteral("Time"), QStringLiteral("Time of day"),
                                       QStringLiteral("Kind"), QStringLiteral("Text")};
    p.setFont(font(9, true));
    p.setPen(kInk);
    for (std::size_t c = 0; c < heads.size(); ++c)
        p.drawText(QPointF(kLeft + kTableColumns[c], top + 8.5), heads[c]);
    p.setPen(QPen(kRule, 0.6));
    p.drawLine(QPointF(kLeft, top + kRowHeight), QPointF(kLeft + kContentWidth, top + kRowHeight));
    top += kRowHeight;
    p.setFont(font(9));
    if (m_rows.empty()) {
        p.setPen(kGrey);
        p.drawText(QPointF(kLeft, top + 9), QStringLiteral("No events in this recording."));
        return;
    }
    const bool hours = m_in.records.back().TimeMs >= 3600000;
    for (std::size_t i = from; i < to; ++i) {
        const TableRow& e = m_rows[i];
        // A struck row says so in its text as well (above), so that a reader
        // of the PDF text finds it.
        const double y = top + static_cast<double>(i - from) * kRowHeight;
        if ((i - from) % 2 == 1) p.fillRect(QRectF(kLeft, y, kContentWidth, kRowHeight), kStripe);
        p.setPen(e.struck ? kGrey : kInk);
        QFont rowFont = font(9);
        rowFont.setStrikeOut(e.struck);
        p.setFont(rowFont);
        const double base = y + 8.5;
        p.drawText(QPointF(kLeft + kTableColumns[0], base), q(sessionTime(e.timeMs, hours)));
        if (m_in.clockStartSecs)
            p.drawText(QPointF(kLeft + kTableColumns[1], base),
                       q(timeOfDayText(*m_in.clockStartSecs + e.timeMs / 1000)));
        p.drawText(QPointF(kLeft + kTableColumns[2], base), q(e.kind));
        const QFontMetricsF fm(rowFont);
        p.drawText(QPointF(kLeft + kTableColumns[3], base),
                   fm.elidedText(q(e.text), Qt::ElideRight, kContentWidth - kTableColumns[3]));
    }
}

void SessionReport::drawFooter(QPainter& p, int page) const {
    p.setFont(font(8));
    p.setPen(kGrey);
    const std::string name = m_in.file.substr(m_in.file.find_last_of('/') + 1);
    const QString text =
        q(name) + QStringLiteral("    page %1 of %2").arg(page + 1).arg(pageCount());
    const QFontMetricsF fm(p.font());
    p.drawText(QPointF((kPageWidth - fm.horizontalAdvance(text)) / 2, kPageHeight - 24), text);
}

void SessionReport::drawPage(QPainter& p, int page) const {
    p.save();
    double top = kTop;
    if (page == 0) {
        top = drawHeader(p, top);
        top = drawFigures(p, top);
        top = drawOverviewSection(p, top);
        top = drawBasePlot(p, top);
    }
    const auto [from, to] = m_pageRows[static_cast<std::size_t>(page)];
    drawTable(p, top, from, to);
    drawFooter(p, page);
    p.restore();
}

QByteArray SessionReport::pdf(const std::function<void(int)>& progress) const {
    return a4Pdf(QStringLiteral("Session report: ") +
                     q(m_in.file.substr(m_in.file.find_last_of('/') + 1)),
                 pageCount(), [this](QPainter& p, int page) { drawPage(p, page); }, progress);
}

void SessionReport::paint(QPagedPaintDevice& device,
                          const std::function<void(int)>& progress) const {
    paintA4Pages(device, pageCount(), [this](QPainter& p, int page) { drawPage(p, page); },
                 progress);
}

QImage SessionReport::image(int page, int dpi) const {
    return a4Image(page, dpi, [this](QPainter& p, int n) { drawPage(p, n); });
}

} // namespace kv
