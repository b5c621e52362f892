#include "KvToolDataCommands.h"

#include "CommandLine.h"
#include "KvToolCommand.h"
#include "KvToolCut.h"
#include "KvToolEvents.h"
#include "KvToolExport.h"
#include "KvToolHelp.h"
#include "KvToolInfo.h"
#include "KvToolRecompute.h"
#include "KvToolSummary.h"
#include "KvToolTrend.h"

#include <iostream>
#include <ostream>
#include <unistd.h>

namespace kv {

std::optional<int> runDataCommand(const std::vector<std::string>& args, std::ostream& out,
                                  std::ostream& err) {
    if (args.empty()) {
        err << usageText();
        return kExitError;
    }
    const std::string& cmd = args[0];
    if (cmd == "--help" || cmd == "-h") {
        out << overviewText();
        return kExitOk;
    }
    if (cmd == "--version") {
        out << "kvtool " << KV_VERSION << "\n";
        return kExitOk;
    }
    const CommandHelp* help = helpFor(cmd);
    if (!help) {
        err << "kvtool: unknown command '" << cmd << "'\n" << usageText();
        return kExitError;
    }
    const std::vector<std::string> rest(args.begin() + 1, args.end());
    if (asksForHelp(rest)) {
        out << help->text;
        return kExitOk;
    }
    if (help->full) return std::nullopt;
    if (cmd == "cut") return cutCommand(args, err);

    CommandOptions accepted;
    if (cmd == "export") accepted.valued = {"-o"};
    if (cmd == "recompute") accepted = recomputeOptions();
    if (cmd == "events") accepted = eventsOptions();
    if (cmd == "summary") accepted = summaryOptions();
    if (cmd == "trend") accepted = trendOptions();
    ParsedArgs parsed = ParsedArgs::parse(rest, accepted);
    if (!parsed.ok()) return usageError(cmd, parsed.error(), err);
    if (const auto refused = refuseOutputOverInput(cmd, parsed, err)) return *refused;
    // A progress line only for a person watching: standard error on a terminal.
    const bool watched = &err == &std::cerr && ::isatty(STDERR_FILENO) == 1;
    if (cmd == "summary") return summaryCommand(parsed, out, err, watched);
    // The trend's table is written here; its page is drawn by kvtool-full.
    if (cmd == "trend")
        return trendNeedsDrawing(parsed)
                   ? std::nullopt
                   : std::optional<int>(trendCommand(parsed, err, watched, {}));
    const std::vector<std::string>& files = parsed.positional();
    if (files.size() != 1)
        return usageError(cmd, files.empty() ? "give one FILE.kvd" : "give only one FILE.kvd", err);
    const std::string& file = files.front();
    if (cmd == "info") return infoCommand(file, out, err);
    if (cmd == "export") return exportCommand(file, parsed.value("-o"), out, err);
    if (cmd == "recompute") {
        int code = kExitOk;
        std::optional<KvdBlockReader> records = openRecords(file, err, code);
        return records ? recomputeCommand(parsed, *records, out, err) : code;
    }
    // events, the one left: it needs the whole recording.
    const LoadedRecords l = loadRecords(file, err);
    if (l.exitCode != kExitOk) return l.exitCode;
    return eventsCommand(parsed, l.records, out, err);
}

} // namespace kv
