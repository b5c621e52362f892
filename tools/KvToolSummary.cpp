#include "KvToolSummary.h"

#include "KvToolCommand.h"
#include "RecordingFolder.h"
#include "RecordingSummary.h"
#include "SafeFile.h"

#include <algorithm>
#include <functional>
#include <ostream>
#include <thread>

namespace kv {

std::vector<RecordingSummary> summariseFiles(const std::vector<std::string>& files, unsigned jobs,
                                             const std::function<void(std::size_t)>& tick) {
    return summariseAll(files, jobs, {tick, {}, nullptr});
}

CommandOptions summaryOptions() {
    return CommandOptions{{"-o", "--jobs"}, {}};
}

int summaryCommand(ParsedArgs& args, std::ostream& out, std::ostream& err, bool progress) {
    const unsigned cores = std::max(1U, std::thread::hardware_concurrency());
    const auto jobs = args.number("--jobs", 1, 1024);
    if (args.ok() && args.positional().empty())
        args.fail("give one or more PATHs (.kvd files or folders)");
    if (!args.ok()) {
        err << "kvtool summary: " << args.error() << "\n"
            << "Try 'kvtool summary --help'.\n";
        return kExitError;
    }
    const FoundRecordings found = findRecordings(args.positional());
    for (const std::string& s : found.skipped)
        err << "kvtool summary: skipped " << s << "\n";
    if (found.files.empty()) {
        err << "kvtool summary: no .kvd file found\n";
        return kExitError;
    }

    std::function<void(std::size_t)> tick;
    if (progress)
        tick = [&](std::size_t done) {
            err << "\rkvtool summary: " << done << " of " << found.files.size() << " recordings"
                << std::flush;
        };
    const std::vector<RecordingSummary> rows =
        summariseAll(found.files, static_cast<unsigned>(jobs.value_or(cores)), {tick, {}, nullptr});
    if (progress) err << "\r\033[K" << std::flush;

    std::string csv = summaryCsvHeader();
    csv += '\n';
    std::size_t bad = 0, badFormat = 0;
    for (const RecordingSummary& r : rows) {
        csv += summaryCsvRow(r);
        bad += r.ok() ? 0 : 1;
        badFormat += r.formatFailed ? 1 : 0;
    }
    if (args.has("-o")) {
        // Written whole or not at all, never over a read-only or special file.
        const std::string path = args.value("-o");
        if (const auto e = replaceFileContents(path, csv, path)) {
            err << "kvtool: cannot write " << path << ": " << e->description << "\n";
            return kExitError;
        }
    } else {
        out << csv;
        if (!out) return kExitError;
    }
    if (badFormat == rows.size()) return kExitFormat;
    return bad > 0 || found.failed ? kExitError : kExitOk;
}

} // namespace kv
