#include "KvToolOverview.h"

#include "KvToolMeter.h"
#include "OverviewStrip.h"
#include "RecordingEvents.h"
#include "SafeFile.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <ostream>

namespace kv {

void addOverviewOptions(CommandOptions& options) {
    options.flags.push_back("--overview");
    for (const char* k : {"--from", "--to"})
        if (std::find(options.valued.begin(), options.valued.end(), k) == options.valued.end())
            options.valued.push_back(k);
}

std::pair<std::int32_t, std::int32_t> recordsBetween(const std::vector<SampleRecord>& records,
                                                     std::optional<double> from,
                                                     std::optional<double> to) {
    const auto last = static_cast<std::int32_t>(records.size()) - 1;
    std::int32_t first = 0, end = last;
    if (from)
        while (first < last && records[static_cast<std::size_t>(first)].TimeMs < *from * 1000)
            ++first;
    if (to)
        while (end > first && records[static_cast<std::size_t>(end)].TimeMs > *to * 1000)
            --end;
    return {first, end};
}

int renderOverviewCommand(ParsedArgs& o, const std::vector<SampleRecord>& records,
                          std::ostream& err) {
    const auto width = o.number("--width", 200, 3840);
    const auto from = o.seconds("--from");
    const auto to = o.seconds("--to");
    for (const char* k : {"--record", "--at", "--graph", "--override"})
        if (o.has(k)) o.fail(std::string(k) + " does not go with --overview");
    if (!o.has("-o")) o.fail("give -o OUT.png");
    const std::int32_t endMs = records.back().TimeMs;
    if (o.ok() && from && *from * 1000 > endMs) o.fail("--from is after the end of the recording");
    if (o.ok() && from && to && *to <= *from) o.fail("--to must be later than --from");
    if (!o.ok()) {
        err << "kvtool render: " << o.error() << "\n"
            << "Try 'kvtool render --help'.\n";
        return 1;
    }

    OverviewPicture pic;
    pic.records = &records;
    const auto [first, end] = recordsBetween(records, from, to);
    const int w = static_cast<int>(width.value_or(1000));
    pic.mapping = OverviewMapping{first, end, w};
    pic.columns = buildOverviewColumns(records, pic.mapping);
    EventOptions marks;
    marks.kinds = (1U << static_cast<unsigned>(EventKind::Tag)) |
                  (1U << static_cast<unsigned>(EventKind::Motion)) |
                  (1U << static_cast<unsigned>(EventKind::Reaction));
    pic.events = findEvents(records, marks);
    pic.hasClock = records.front().MarkType == 'C';
    pic.clockStartSecs = pic.hasClock ? records.front().clockMarkSecs() : 0;

    ensureGuiApplication();
    const int h = std::clamp(w / 5, 120, 240);
    QImage image(w, h, QImage::Format_RGB32);
    {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        drawOverview(p, image.rect(), pic);
    }
    // Written whole or not at all, never over a read-only or special file.
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    const std::string path = o.value("-o");
    if (const auto e = replaceFileContents(path, png.toStdString(), path)) {
        err << "kvtool: cannot write " << path << ": " << e->description << "\n";
        return 1;
    }
    return 0;
}

} // namespace kv
