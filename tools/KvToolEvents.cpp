#include "KvToolEvents.h"

#include "DecimalNumber.h"
#include "EventTable.h"
#include "KvToolCommand.h"
#include "KvToolNotes.h"
#include "RecordingEvents.h"
#include "ReviewTable.h"
#include "SafeFile.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ostream>
#include <sstream>

namespace kv {
namespace {

// A number greater than zero, written in full.
std::optional<double> positive(ParsedArgs& args, const std::string& name, const char* what) {
    if (!args.has(name)) return std::nullopt;
    const std::string text = args.value(name);
    const std::optional<double> v = decimalNumber(text);
    if (!v || *v <= 0 || *v > 1e6) {
        args.fail(name + " must be " + what);
        return std::nullopt;
    }
    return v;
}

} // namespace

CommandOptions eventsOptions() {
    return CommandOptions{{"--kinds", "--min-fall", "--window", "-o"}, {}};
}

int eventsCommand(ParsedArgs& args, const std::vector<SampleRecord>& records, std::ostream& out,
                  std::ostream& err) {
    EventOptions options;
    std::uint32_t listed = kAllListedKinds;
    if (args.has("--kinds")) {
        std::string bad;
        const auto kinds = parseEventKinds(args.value("--kinds"), bad);
        if (kinds)
            listed = *kinds;
        else
            args.fail("unknown kind '" + bad +
                      "' in --kinds (use tag, set, motion, base, counter, reaction, note, "
                      "artifact)");
    }
    if (const auto v =
            positive(args, "--min-fall", "a number of dial divisions above 0, at most 1000000"))
        options.minFallDivisions = *v;
    if (const auto v = positive(args, "--window", "a number of seconds above 0, at most 1000000"))
        options.windowMs = static_cast<std::int32_t>(std::lround(*v * 1000));
    if (!args.ok()) {
        err << "kvtool events: " << args.error() << "\n"
            << "Try 'kvtool events --help'.\n";
        return kExitError;
    }

    options.kinds = listed & kAllEventKinds;
    const auto notes = notesForCommand("events", args.positional().front(),
                                       static_cast<std::int32_t>(records.size()), err);
    if (!notes) return kExitError;
    const std::vector<RecordingEvent> events = findEvents(records, options);
    if (!args.has("-o")) {
        writeReviewedEventsCsv(events, records, *notes, listed, out);
        return out ? kExitOk : kExitError;
    }
    // Written whole or not at all, never over a read-only or special file.
    const std::string path = args.value("-o");
    std::ostringstream csv;
    writeReviewedEventsCsv(events, records, *notes, listed, csv);
    if (const auto e = replaceFileContents(path, csv.str(), path)) {
        err << "kvtool: cannot write " << path << ": " << e->description << "\n";
        return kExitError;
    }
    return kExitOk;
}

} // namespace kv
