#include "OverviewStrip.h"

#include "OverviewReview.h"

#include <QFont>
#include <QFontMetrics>
#include <QHash>
#include <QImage>
#include <QPaintEngine>
#include <QPainter>
#include <QPolygonF>
#include <QStaticText>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace kv {
namespace {

const QColor kSheet(246, 246, 240);
const QColor kEnvelope(52, 101, 164);
const QColor kBase(206, 92, 0);
const QColor kTag(40, 120, 40);
const QColor kTagTick(130, 185, 130);
const QColor kReaction(204, 0, 0);
const QColor kMotion(170, 60, 170, 60);
// The motion band goes straight onto the sheet: drawn opaque in the colour
// the translucent band gives there, it costs a copy rather than a blend.
const QColor kMotionOnSheet((kSheet.red() * 195 + kMotion.red() * 60) / 255,
                            (kSheet.green() * 195 + kMotion.green() * 60) / 255,
                            (kSheet.blue() * 195 + kMotion.blue() * 60) / 255);
const QColor kAxis(80, 80, 80);

// Left edge of a text of width w centred on x, kept inside the area.
double labelLeft(double x, int w, const QRect& area) {
    return std::clamp(x - w / 2.0, double(area.left()), double(area.right() + 1 - w));
}

QString clockText(std::int64_t secs, bool withHours) {
    secs = ((secs % 86400) + 86400) % 86400;
    char buf[16];
    if (withHours)
        std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", int(secs / 3600), int(secs / 60 % 60),
                      int(secs % 60));
    else
        std::snprintf(buf, sizeof buf, "%d:%02d", int(secs / 60), int(secs % 60));
    return QString::fromLatin1(buf);
}

// Fills the marked columns (widened by `widen` on each side) from top to
// top + height. On an image the marks go into one row of pixels stretched
// over the height: a single draw, where a fill per run would each be handed
// to the raster engine's thread pool and cost far more than the drawing. On
// other devices (PDF) each run is a rectangle, so the page keeps vectors.
void fillColumns(QPainter& p, const std::vector<std::uint8_t>& cols, int left, int top, int height,
                 const QColor& colour, int widen) {
    const int width = static_cast<int>(cols.size());
    if (p.paintEngine() && p.paintEngine()->type() == QPaintEngine::Raster) {
        QImage row(width, 1, QImage::Format_ARGB32_Premultiplied);
        row.fill(Qt::transparent);
        auto* px = reinterpret_cast<QRgb*>(row.scanLine(0));
        const QRgb c = qPremultiply(colour.rgba());
        bool any = false;
        for (int x = 0; x < width; ++x) {
            if (!cols[static_cast<std::size_t>(x)]) continue;
            any = true;
            for (int i = std::max(0, x - widen); i <= std::min(width - 1, x + widen); ++i)
                px[i] = c;
        }
        if (any) p.drawImage(QRect(left, top, width, height), row);
        return;
    }
    for (int x = 0; x < width;) {
        if (!cols[static_cast<std::size_t>(x)]) {
            ++x;
            continue;
        }
        int end = x;
        while (end < width && cols[static_cast<std::size_t>(end)])
            ++end;
        p.fillRect(QRect(left + x - widen, top, end - x + 2 * widen, height), colour);
        x = end;
    }
}

// Draws a short label with its baseline at `baseline`. On images the laid-out
// text is kept between calls (labels repeat on every zoom and redraw, and
// laying text out costs more than drawing it); other devices get plain text.
void drawLabel(QPainter& p, const QPointF& baseline, const QString& text, const QFontMetrics& fm) {
    if (!p.paintEngine() || p.paintEngine()->type() != QPaintEngine::Raster) {
        p.drawText(baseline, text);
        return;
    }
    thread_local QHash<QString, QStaticText> cache;
    thread_local QFont cachedFont;
    if (!(cachedFont == p.font()) || cache.size() > 4096) {
        cache.clear();
        cachedFont = p.font();
    }
    auto it = cache.find(text);
    if (it == cache.end()) {
        QStaticText laid(text);
        laid.setTextFormat(Qt::PlainText);
        laid.setPerformanceHint(QStaticText::AggressiveCaching);
        laid.prepare(QTransform(), p.font());
        it = cache.insert(text, laid);
    }
    p.drawStaticText(QPointF(baseline.x(), baseline.y() - fm.ascent()), *it);
}

// The image a painter draws on when its pixels can be written directly: one
// of the 32-bit RGB formats, one device pixel per unit, no transform or clip.
QImage* directTarget(QPainter& p) {
    if (!p.device() || p.device()->devType() != QInternal::Image) return nullptr;
    auto* image = static_cast<QImage*>(p.device());
    const QImage::Format f = image->format();
    if (f != QImage::Format_RGB32 && f != QImage::Format_ARGB32 &&
        f != QImage::Format_ARGB32_Premultiplied)
        return nullptr;
    if (image->devicePixelRatio() != 1.0 || !p.transform().isIdentity() || p.hasClipping())
        return nullptr;
    return image;
}

// Base in hundredths from its code.
int baseHundredths(std::uint8_t code) {
    return (code / 2 + 8) * 5;
}

} // namespace

std::int32_t OverviewMapping::firstRecordOf(int column) const {
    return first + static_cast<std::int32_t>(static_cast<std::int64_t>(column) * count() / width);
}

int OverviewMapping::columnOf(std::int32_t record) const {
    // The last column whose first record is at or before `record`.
    int x = static_cast<int>(std::clamp<std::int64_t>(
        static_cast<std::int64_t>(record - first) * width / count(), 0, width - 1));
    while (x + 1 < width && firstRecordOf(x + 1) <= record)
        ++x;
    while (x > 0 && firstRecordOf(x) > record)
        --x;
    return x;
}

std::vector<OverviewColumn> buildOverviewColumns(const std::vector<SampleRecord>& records,
                                                 const OverviewMapping& m) {
    std::vector<OverviewColumn> out(static_cast<std::size_t>(std::max(0, m.width)));
    if (records.empty() || m.count() <= 0) return out;
    for (int x = 0; x < m.width; ++x) {
        const std::int32_t from = m.firstRecordOf(x);
        const std::int32_t to = std::max(from, m.firstRecordOf(x + 1) - 1);
        OverviewColumn c;
        const SampleRecord& r0 = records[static_cast<std::size_t>(from)];
        c.needleMin = c.needleMax = r0.NeedlePos;
        c.baseMin = c.baseMax = r0.BaseCode;
        for (std::int32_t i = from + 1; i <= to; ++i) {
            const SampleRecord& r = records[static_cast<std::size_t>(i)];
            c.needleMin = std::min(c.needleMin, r.NeedlePos);
            c.needleMax = std::max(c.needleMax, r.NeedlePos);
            c.baseMin = std::min(c.baseMin, r.BaseCode);
            c.baseMax = std::max(c.baseMax, r.BaseCode);
        }
        out[static_cast<std::size_t>(x)] = c;
    }
    return out;
}

namespace {

// Where the strip's parts go: the tag numbers' band at the top, the plot,
// and the time axis under it.
struct StripFrame {
    QRect area;
    QRect plot;
    QFontMetrics fm;
    int line; // one line of text
    const OverviewMapping& m;
    const std::vector<SampleRecord>& records;

    std::int32_t timeOf(std::int32_t record) const {
        return records[static_cast<std::size_t>(record)].TimeMs;
    }
    double xOf(std::int32_t record) const { return area.left() + m.columnOf(record) + 0.5; }
};

// Columns that carry a body-motion band, a reaction bar, a reaction onset, a
// rejected reaction's onset.
struct EventColumns {
    std::vector<std::uint8_t> motion, bar, onset, rejected;
};

// Marks are gathered per column first and drawn as runs of columns: each
// fill has a fixed cost, and a long recording has thousands of marks.
EventColumns markEventColumns(const OverviewPicture& pic) {
    const OverviewMapping& m = pic.mapping;
    const auto width = static_cast<std::size_t>(m.width);
    EventColumns out{std::vector<std::uint8_t>(width), std::vector<std::uint8_t>(width),
                     std::vector<std::uint8_t>(width), std::vector<std::uint8_t>(width)};
    const auto markColumns = [&](std::vector<std::uint8_t>& cols, std::int32_t from,
                                 std::int32_t to) {
        if (to < m.first || from > m.last) return;
        const int x0 = m.columnOf(std::max(m.first, from)), x1 = m.columnOf(std::min(m.last, to));
        std::fill(cols.begin() + x0, cols.begin() + x1 + 1, std::uint8_t{1});
    };
    for (const RecordingEvent& e : pic.events) {
        if (e.kind == EventKind::Motion) markColumns(out.motion, e.record - 1, e.endRecord - 1);
        if (e.kind == EventKind::Reaction && e.record - 1 >= m.first && e.record - 1 <= m.last) {
            const bool rejected = !pic.review.marks.empty() &&
                                  reviewOf(pic.review, e.record) == MarkKind::Rejected;
            if (!rejected) markColumns(out.bar, e.record - 1, e.endRecord - 1);
            markColumns(rejected ? out.rejected : out.onset, e.record - 1, e.record - 1);
        }
    }
    for (const ReviewMark& mark : pic.review.marks)
        if (mark.kind == MarkKind::Added) markColumns(out.onset, mark.record - 1, mark.record - 1);
    return out;
}

// Tags: a thin tick through the plot behind the traces (one per column,
// drawn in one call), only a notch at its top where ticks would crowd out
// the traces, and the number above it, where it fits.
struct TagMarks {
    std::vector<std::uint8_t> tickColumns;
    std::vector<std::pair<double, std::int64_t>> labels; // left edge, number
    bool crowded = false;
};

TagMarks markTags(const OverviewPicture& pic, const StripFrame& f) {
    const OverviewMapping& m = f.m;
    TagMarks out;
    out.tickColumns.resize(static_cast<std::size_t>(m.width));
    std::size_t ticks = 0;
    double lastLabelEnd = -1e9, lastTick = -1;
    for (const RecordingEvent& e : pic.events) {
        if (e.kind != EventKind::Tag || e.record - 1 < m.first || e.record - 1 > m.last) continue;
        const double x = f.xOf(e.record - 1);
        if (x == lastTick) continue;
        lastTick = x;
        ++ticks;
        out.tickColumns[static_cast<std::size_t>(
            std::clamp(static_cast<int>(x) - f.area.left(), 0, m.width - 1))] = 1;
        // Measured only where a label could fit: it never starts right of x.
        if (x <= lastLabelEnd + 3) continue;
        const int w = f.fm.horizontalAdvance(QString::number(e.value));
        const double left = labelLeft(x, w, f.area);
        if (left > lastLabelEnd + 3) {
            out.labels.emplace_back(left, e.value);
            lastLabelEnd = left + w;
        }
    }
    out.crowded = ticks * 4 > static_cast<std::size_t>(m.width);
    return out;
}

// All runs of one kind are filled as one path: the raster engine hands every
// tall fill to its thread pool, and one hand-over per mark would cost more
// than the drawing. Body-motion bands and ticks go behind everything. On an
// image both go into one opaque row of pixels over the sheet, stretched over
// the plot: one copy instead of two blends.
void drawBands(QPainter& p, const StripFrame& f, const EventColumns& events, const TagMarks& tags) {
    const auto width = static_cast<std::size_t>(f.m.width);
    const QRect& plot = f.plot;
    if (p.paintEngine() && p.paintEngine()->type() == QPaintEngine::Raster) {
        QImage row(static_cast<int>(width), 1, QImage::Format_RGB32);
        auto* px = reinterpret_cast<QRgb*>(row.scanLine(0));
        for (std::size_t x = 0; x < width; ++x)
            px[x] = (tags.tickColumns[x] && !tags.crowded ? kTagTick
                     : events.motion[x]                   ? kMotionOnSheet
                                                          : kSheet)
                        .rgb();
        const QRect band(f.area.left(), plot.top(), static_cast<int>(width), plot.height());
        QImage* image = directTarget(p);
        if (image && image->rect().contains(band)) {
            for (int y = band.top(); y <= band.bottom(); ++y)
                std::memcpy(image->scanLine(y) + band.left() * 4, px, width * 4);
        } else {
            p.drawImage(band, row);
        }
    } else {
        fillColumns(p, events.motion, f.area.left(), plot.top(), plot.height(), kMotionOnSheet, 0);
        if (!tags.crowded)
            fillColumns(p, tags.tickColumns, f.area.left(), plot.top(), plot.height(), kTagTick, 0);
    }
    if (tags.crowded) fillColumns(p, tags.tickColumns, f.area.left(), plot.top(), 6, kTagTick, 0);
    p.setPen(kTag);
    for (const auto& [left, number] : tags.labels)
        drawLabel(p, QPointF(left, f.area.top() + f.fm.ascent() + 1), QString::number(number),
                  f.fm);
}

// The vertical scales: the needle envelope over its own range, the Base over
// its own, each spanning the middle 90 % of the plot.
struct TraceScales {
    QRect plot;
    int nMin = 32767, nMax = -32768, bMin = 1000, bMax = 0;

    double y(double v, double lo, double hi) const {
        const double span = std::max(1.0, hi - lo);
        const double inner = plot.height() * 0.9;
        return plot.bottom() - plot.height() * 0.05 - (v - lo) / span * inner;
    }
    // Needle to the right (positive) is drawn upwards: the reading fell.
    double needleY(double v) const { return y(v, nMin, nMax); }
    double baseY(const OverviewColumn& c) const {
        return y((baseHundredths(c.baseMin) + baseHundredths(c.baseMax)) / 2.0, bMin, bMax);
    }
};

TraceScales traceScales(const OverviewPicture& pic, const QRect& plot) {
    TraceScales t{plot};
    for (const OverviewColumn& c : pic.columns) {
        t.nMin = std::min<int>(t.nMin, c.needleMin), t.nMax = std::max<int>(t.nMax, c.needleMax);
        t.bMin = std::min(t.bMin, baseHundredths(c.baseMin)),
        t.bMax = std::max(t.bMax, baseHundredths(c.baseMax));
    }
    return t;
}

// Straight into the image's pixels: each column's span, and the Base as a
// run from the last column's height to this one's.
void drawTracesInto(QImage& image, const OverviewPicture& pic, const StripFrame& f,
                    const TraceScales& t, int columns) {
    uchar* const bits = image.bits(); // detaches once, not per pixel
    const qsizetype stride = image.bytesPerLine();
    const auto put = [&](int x, double from, double to, QRgb colour) {
        const int px = f.area.left() + x;
        int y0 = static_cast<int>(std::lround(std::min(from, to)));
        int y1 = static_cast<int>(std::lround(std::max(from, to)));
        y0 = std::max({y0, f.plot.top(), 0});
        y1 = std::min({y1, f.plot.bottom(), image.height() - 1});
        if (px < 0 || px >= image.width()) return;
        for (int y = y0; y <= y1; ++y)
            reinterpret_cast<QRgb*>(bits + y * stride)[px] = colour;
    };
    for (int x = 0; x < columns; ++x) {
        const OverviewColumn& c = pic.columns[static_cast<std::size_t>(x)];
        const double y0 = t.needleY(c.needleMin);
        put(x, y0, std::min(t.needleY(c.needleMax), y0 - 1), kEnvelope.rgb());
    }
    double last = columns > 0 ? t.baseY(pic.columns.front()) : 0;
    for (int x = 0; x < columns; ++x) {
        const double y = t.baseY(pic.columns[static_cast<std::size_t>(x)]);
        // Half way to each neighbour, so a step is shared by two columns.
        put(x, (last + y) / 2, y, kBase.rgb());
        if (x + 1 < columns)
            put(x, y, (y + t.baseY(pic.columns[static_cast<std::size_t>(x + 1)])) / 2, kBase.rgb());
        last = y;
    }
}

// With the painter (PDF, widgets): one call for all columns, as a line per
// column each costs a state check.
void paintTraces(QPainter& p, const OverviewPicture& pic, const StripFrame& f, const TraceScales& t,
                 int columns) {
    std::vector<QLineF> envelope;
    envelope.reserve(static_cast<std::size_t>(columns));
    for (int x = 0; x < columns; ++x) {
        const OverviewColumn& c = pic.columns[static_cast<std::size_t>(x)];
        const double px = f.area.left() + x + 0.5;
        const double y0 = t.needleY(c.needleMin), y1 = t.needleY(c.needleMax);
        envelope.emplace_back(QPointF(px, y0), QPointF(px, std::min(y1, y0 - 1)));
    }
    p.setPen(QPen(kEnvelope, 1));
    p.drawLines(envelope.data(), static_cast<int>(envelope.size()));
    QPolygonF base;
    base.reserve(columns);
    for (int x = 0; x < columns; ++x)
        base << QPointF(f.area.left() + x + 0.5, t.baseY(pic.columns[static_cast<std::size_t>(x)]));
    p.setPen(QPen(kBase, 1)); // a one-pixel pen takes the fast path; wider ones are stroked
    p.drawPolyline(base);
}

// A legend at the top right, over the tag numbers' band.
void drawLegend(QPainter& p, const StripFrame& f) {
    const QRect& area = f.area;
    const QString needle = QStringLiteral("needle"), baseText = QStringLiteral("Base"),
                  reaction = QStringLiteral("reaction");
    double x = area.right() - 24 - f.fm.horizontalAdvance(needle) -
               f.fm.horizontalAdvance(baseText) - f.fm.horizontalAdvance(reaction) - 3 * 22;
    const double y = area.top() + f.fm.ascent() + 1, mid = area.top() + f.line / 2.0 + 1;
    p.fillRect(QRectF(x - 4, area.top(), area.right() - x + 5, f.line + 2), kSheet);
    for (const auto& [colour, text] : {std::pair{kEnvelope, needle}, std::pair{kBase, baseText},
                                       std::pair{kReaction, reaction}}) {
        p.setPen(QPen(colour, 2));
        p.drawLine(QPointF(x, mid), QPointF(x + 14, mid));
        p.setPen(kAxis);
        p.drawText(QPointF(x + 18, y), text);
        x += 18 + f.fm.horizontalAdvance(text) + 12;
    }
}

// The first record at or after `ms`, searched from `from` (times only go
// forward in a sound recording; a step back only moves a tick).
std::int32_t firstRecordAtOrAfter(const StripFrame& f, std::int32_t from, std::int64_t ms) {
    std::int32_t lo = from, hi = f.m.last; // the answer is in [lo, hi]
    while (lo < hi) {
        const std::int32_t mid = lo + (hi - lo) / 2;
        if (f.timeOf(mid) < ms)
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo;
}

// Time axis: session time, and the time of day under it.
void drawTimeAxis(QPainter& p, const StripFrame& f, const OverviewPicture& pic) {
    const OverviewMapping& m = f.m;
    const QRect& plot = f.plot;
    p.setPen(QPen(kAxis, 1));
    p.drawLine(QPointF(f.area.left(), plot.bottom() + 0.5),
               QPointF(f.area.right(), plot.bottom() + 0.5));
    const double spanSecs = std::max(1, f.timeOf(m.last) - f.timeOf(m.first)) / 1000.0;
    const std::array<int, 16> steps{1,   2,   5,   10,   15,   30,   60,    120,
                                    300, 600, 900, 1800, 3600, 7200, 14400, 28800};
    int step = steps.back();
    for (int s : steps)
        if (s * m.width / spanSecs >= f.fm.horizontalAdvance(QStringLiteral("00:00:00")) * 1.6) {
            step = s;
            break;
        }
    const bool hours = f.timeOf(m.last) >= 3600 * 1000;
    std::int32_t r = m.first;
    for (std::int64_t t = (f.timeOf(m.first) / 1000 + step - 1) / step * step;
         t * 1000 <= f.timeOf(m.last); t += step) {
        r = firstRecordAtOrAfter(f, r, t * 1000);
        const double x = f.xOf(r);
        p.drawLine(QPointF(x, plot.bottom()), QPointF(x, plot.bottom() + 4));
        const QString session = clockText(t, hours);
        drawLabel(p,
                  QPointF(labelLeft(x, f.fm.horizontalAdvance(session), f.area),
                          plot.bottom() + 4 + f.fm.ascent()),
                  session, f.fm);
        if (pic.hasClock) {
            const QString day = clockText(pic.clockStartSecs + t, true);
            drawLabel(p,
                      QPointF(labelLeft(x, f.fm.horizontalAdvance(day), f.area),
                              plot.bottom() + 4 + f.line + f.fm.ascent()),
                      day, f.fm);
        }
    }
}

} // namespace

void drawOverview(QPainter& p, const QRect& area, const OverviewPicture& pic) {
    p.save();
    p.fillRect(area, kSheet);
    if (pic.columns.empty() || !pic.records || pic.records->empty()) {
        p.restore();
        return;
    }
    QFont font = p.font();
    font.setPixelSize(std::clamp(area.height() / 14, 9, 14));
    p.setFont(font);
    const QFontMetrics fm(font);
    const int line = fm.height();
    const int axisH = line * (pic.hasClock ? 2 : 1) + 6;
    const StripFrame f{
        area,
        QRect(area.left(), area.top() + line + 4, area.width(), area.height() - axisH - line - 4),
        fm,
        line,
        pic.mapping,
        *pic.records};

    const EventColumns events = markEventColumns(pic);
    drawBands(p, f, events, markTags(pic, f));
    drawArtifactBands(p, f.plot, pic.mapping, pic.review);

    const TraceScales scales = traceScales(pic, f.plot);
    const int columns = std::min(pic.mapping.width, static_cast<int>(pic.columns.size()));
    if (QImage* image = directTarget(p))
        drawTracesInto(*image, pic, f, scales, columns);
    else
        paintTraces(p, pic, f, scales, columns);

    // Reactions: a bar from onset to peak along the bottom, a mark at the onset.
    fillColumns(p, events.bar, area.left(), f.plot.bottom() - 3, 2, kReaction, 0);
    fillColumns(p, events.onset, area.left(), f.plot.bottom() - 11, 8, kReaction, 1);
    drawHollowMarks(p, events.rejected, QRect(area.left(), f.plot.bottom() - 11, 3, 8), kReaction);
    drawNoteFlags(p, f.plot, pic.mapping, pic.review);

    if (pic.legend) drawLegend(p, f);
    drawTimeAxis(p, f, pic);
    p.restore();
}

} // namespace kv
