#include "KvToolEvents.h"

#include "RecordingEvents.h"
#include "SafeFile.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ostream>
#include <sstream>

namespace kv {
namespace {

constexpr int kExitOk = 0;
constexpr int kExitError = 1;

// "tag,set,..." to a set of kinds; the first unknown name is the error.
std::optional<std::uint32_t> parseKinds(const std::string& text, std::string& bad) {
    std::uint32_t kinds = 0;
    std::size_t from = 0;
    while (true) {
        const std::size_t comma = text.find(',', from);
        const std::string name =
            text.substr(from, comma == std::string::npos ? std::string::npos : comma - from);
        const auto kind = eventKindFromName(name);
        if (!kind) {
            bad = name;
            return std::nullopt;
        }
        kinds |= 1U << static_cast<unsigned>(*kind);
        if (comma == std::string::npos) return kinds;
        from = comma + 1;
    }
}

// A number greater than zero, written in full.
std::optional<double> positive(ParsedArgs& args, const std::string& name, const char* what) {
    if (!args.has(name)) return std::nullopt;
    const std::string text = args.value(name);
    char* end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || !std::isfinite(v) || v <= 0 || v > 1e6) {
        args.fail(name + " must be " + what);
        return std::nullopt;
    }
    return v;
}

// Time of day of a record, from the clock mark of record 1.
std::string clockText(std::int32_t clockStartSecs, std::int32_t timeMs) {
    const std::int64_t s = (clockStartSecs + timeMs / 1000) % 86400;
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", static_cast<int>(s / 3600),
                  static_cast<int>(s / 60 % 60), static_cast<int>(s % 60));
    return buf;
}

void writeCsv(const std::vector<RecordingEvent>& events, const std::vector<SampleRecord>& records,
              std::ostream& out) {
    const bool hasClock = records.front().MarkType == 'C';
    const std::int32_t clockStart = hasClock ? records.front().clockMarkSecs() : 0;
    out << "record,time_ms,clock,kind,value,text\n";
    for (const RecordingEvent& e : events) {
        out << e.record << ',' << e.timeMs << ','
            << (hasClock ? clockText(clockStart, e.timeMs) : std::string()) << ','
            << eventKindName(e.kind) << ',' << e.value << ',' << e.text << '\n';
    }
}

} // namespace

CommandOptions eventsOptions() { return CommandOptions{{"--kinds", "--min-fall", "--window", "-o"}, {}}; }

int eventsCommand(ParsedArgs& args, const std::vector<SampleRecord>& records, std::ostream& out,
                  std::ostream& err) {
    EventOptions options;
    if (args.has("--kinds")) {
        std::string bad;
        const auto kinds = parseKinds(args.value("--kinds"), bad);
        if (kinds)
            options.kinds = *kinds;
        else
            args.fail("unknown kind '" + bad +
                      "' in --kinds (use tag, set, motion, base, counter, reaction)");
    }
    if (const auto v = positive(args, "--min-fall", "a number of dial divisions above 0"))
        options.minFallDivisions = *v;
    if (const auto v = positive(args, "--window", "a number of seconds above 0"))
        options.windowMs = static_cast<std::int32_t>(std::lround(*v * 1000));
    if (!args.ok()) {
        err << "kvtool events: " << args.error() << "\n"
            << "Try 'kvtool events --help'.\n";
        return kExitError;
    }

    const std::vector<RecordingEvent> events = findEvents(records, options);
    if (!args.has("-o")) {
        writeCsv(events, records, out);
        return out ? kExitOk : kExitError;
    }
    // Written whole or not at all, never over a read-only or special file.
    const std::string path = args.value("-o");
    std::ostringstream csv;
    writeCsv(events, records, csv);
    if (const auto e = replaceFileContents(path, csv.str(), path)) {
        err << "kvtool: cannot write " << path << ": " << e->description << "\n";
        return kExitError;
    }
    return kExitOk;
}

} // namespace kv
