#include "KvToolReport.h"

#include "FileNames.h"
#include "KvToolMeter.h"
#include "KvToolOverview.h"
#include "RecordingSummary.h"
#include "SafeFile.h"
#include "SessionReport.h"

#include <QBuffer>

#include <filesystem>

#include <ostream>

namespace kv {
namespace {

// A name with something before the extension, which counts in any case.
bool endsWith(const std::string& s, const std::string& ext) {
    return s.size() > ext.size() && hasExtension(s, ext);
}

} // namespace

CommandOptions reportOptions() {
    return CommandOptions{{"-o", "--from", "--to"}, {}};
}

int reportCommand(ParsedArgs& o, const std::vector<SampleRecord>& records, const std::string& file,
                  std::ostream& err) {
    const auto from = o.seconds("--from");
    const auto to = o.seconds("--to");
    const std::string path = o.value("-o");
    if (!o.has("-o")) o.fail("give -o OUT.pdf or -o OUT.png");
    const bool png = endsWith(path, ".png");
    if (o.ok() && !png && !endsWith(path, ".pdf")) o.fail("-o must name a .pdf or a .png file");
    const std::int32_t endMs = records.back().TimeMs;
    if (o.ok() && from && *from * 1000 > endMs) o.fail("--from is after the end of the recording");
    if (o.ok() && from && to && *to <= *from) o.fail("--to must be later than --from");
    if (!o.ok()) {
        err << "kvtool report: " << o.error() << "\n"
            << "Try 'kvtool report --help'.\n";
        return 1;
    }

    ReportInput in;
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(file, ec);
    in.file = ec ? file : absolute.lexically_normal().string();
    const auto [first, last] = recordsBetween(records, from, to);
    in.records.assign(records.begin() + first, records.begin() + last + 1);
    in.firstRecord = static_cast<std::int32_t>(first) + 1;
    in.isRange = from || to;
    in.recordingMs = endMs;
    in.clockStartSecs = clockMarkOf(records);
    in.dayNumber = dayMarkOf(records);
    summariseReportInput(in);

    ensureGuiApplication();
    const SessionReport report(std::move(in));
    QByteArray bytes;
    if (png) {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        report.image(0).save(&buffer, "PNG");
    } else {
        bytes = report.pdf();
    }
    // Written whole or not at all, never over a read-only or special file.
    if (const auto e = replaceFileContents(
            path, std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())),
            path)) {
        err << "kvtool: cannot write " << path << ": " << e->description << "\n";
        return 1;
    }
    return 0;
}

} // namespace kv
