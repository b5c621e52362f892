#include "KvToolTrend.h"

#include "FileNames.h"
#include "KvToolCommand.h"
#include "KvToolSummary.h"
#include "SafeFile.h"

#include <algorithm>
#include <filesystem>
#include <ostream>
#include <thread>

namespace kv {
namespace {

// Details of what is left out are given for this many; the count for all.
constexpr std::size_t kListed = 20;

// A name with something before the extension, which counts in any case.
bool named(const std::string& path, const char* ext) {
    const std::string name = std::filesystem::path(path).filename().string();
    return name.size() > std::char_traits<char>::length(ext) && hasExtension(name, ext);
}

// The folder (or the paths) the sessions came from, as the page shows it.
std::string titleOf(const std::vector<std::string>& paths) {
    std::string title;
    for (const std::string& p : paths) {
        std::error_code ec;
        const std::filesystem::path absolute = std::filesystem::absolute(p, ec);
        if (!title.empty()) title += ", ";
        title += ec ? p : absolute.lexically_normal().string();
    }
    while (title.size() > 1 && title.back() == '/')
        title.pop_back();
    return title;
}

std::string plural(std::size_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

} // namespace

CommandOptions trendOptions() {
    return CommandOptions{{"-o", "--jobs"}, {}};
}

bool trendNeedsDrawing(const ParsedArgs& args) {
    const std::string out = args.value("-o");
    return args.ok() && (named(out, ".pdf") || named(out, ".png"));
}

int trendCommand(ParsedArgs& args, std::ostream& err, bool progress, const TrendDrawer& draw) {
    const unsigned cores = std::max(1U, std::thread::hardware_concurrency());
    const auto jobs = args.number("--jobs", 1, 1024);
    const std::string path = args.value("-o");
    if (args.ok() && args.positional().empty())
        args.fail("give one or more PATHs (.kvd files or folders)");
    if (args.ok() && !args.has("-o")) args.fail("give -o OUT.pdf, -o OUT.png or -o OUT.csv");
    const bool csv = named(path, ".csv");
    if (args.ok() && !csv && !trendNeedsDrawing(args))
        args.fail("-o must name a .pdf, .png or .csv file");
    if (!args.ok()) return usageError("trend", args.error(), err);
    if (!csv && !draw) {
        err << "kvtool trend: a PDF or PNG is drawn by kvtool-full\n";
        return kExitError;
    }

    const FoundRecordings found = findRecordings(args.positional());
    for (const std::string& s : found.skipped)
        err << "kvtool trend: skipped " << s << "\n";
    if (found.files.empty()) {
        err << "kvtool trend: no .kvd file found\n";
        return kExitError;
    }
    std::function<void(std::size_t)> tick;
    if (progress)
        tick = [&](std::size_t done) {
            err << "\rkvtool trend: " << done << " of " << found.files.size() << " recordings"
                << std::flush;
        };
    std::vector<RecordingSummary> rows =
        summariseFiles(found.files, static_cast<unsigned>(jobs.value_or(cores)), tick);
    if (progress) err << "\r\033[K" << std::flush;
    std::size_t bad = 0, badFormat = 0;
    for (const RecordingSummary& r : rows) {
        bad += r.ok() ? 0 : 1;
        badFormat += r.formatFailed ? 1 : 0;
    }
    const std::size_t total = rows.size();
    const SessionSeries series = buildSessionSeries(std::move(rows));

    // What was left out of the trend, and why.
    std::size_t listed = 0;
    for (const SessionPoint& p : series.sessions) {
        if (p.drawable()) continue;
        if (listed++ < kListed)
            err << "kvtool trend: not drawn: " << p.summary.file << ": "
                << (p.summary.ok() ? std::string("no date and no file time") : p.summary.status)
                << "\n";
    }
    if (listed > kListed)
        err << "kvtool trend: ... and " << listed - kListed << " more not drawn\n";
    err << "kvtool trend: " << plural(total, "recording", "recordings") << " found, "
        << series.drawable() << " drawn, " << series.undrawable << " not drawn, "
        << series.datedFromFile << " dated from the file, " << series.sameStart
        << " starting at the same time as another";
    if (!found.skipped.empty())
        err << ", " << plural(found.skipped.size(), "path", "paths") << " skipped";
    err << "\n";

    std::string problem;
    if (csv) {
        std::string text = trendCsvHeader();
        text += '\n';
        for (const SessionPoint& p : series.sessions)
            text += trendCsvRow(p);
        // Written whole or not at all, never over a read-only or special file.
        if (const auto e = replaceFileContents(path, text, path)) problem = e->description;
    } else {
        problem = draw(series, titleOf(args.positional()), found.skipped, path);
    }
    if (!problem.empty()) {
        err << "kvtool: cannot write " << path << ": " << problem << "\n";
        return kExitError;
    }
    if (badFormat == total) return kExitFormat;
    return bad > 0 || found.failed ? kExitError : kExitOk;
}

} // namespace kv
