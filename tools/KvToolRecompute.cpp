#include "KvToolRecompute.h"

#include "CsvWriter.h"
#include "RecordingLoader.h"
#include "SafeFile.h"

#include <optional>
#include <ostream>

namespace kv {
namespace {

int lampCode(Lamp l) {
    return static_cast<int>(l);
}

} // namespace

const std::vector<std::string>& overrideKeys() {
    static const std::vector<std::string> keys = {"--dial",   "--knob",      "--bm",
                                                  "--freeze", "--needle-bd", "--counter"};
    return keys;
}

OverrideOptions overrideFrom(ParsedArgs& o) {
    OverrideOptions r;
    r.dial = static_cast<int>(o.number("--dial", 0, 3).value_or(r.dial));
    r.knob = static_cast<int>(o.number("--knob", 0, 63).value_or(r.knob));
    r.bm = static_cast<int>(o.number("--bm", 1, 3).value_or(r.bm));
    r.freeze = o.onOff("--freeze").value_or(r.freeze);
    r.needleBd = o.onOff("--needle-bd").value_or(r.needleBd);
    r.counter = o.onOff("--counter").value_or(r.counter);
    return r;
}

CommandOptions recomputeOptions() {
    CommandOptions o{overrideKeys(), {}};
    o.valued.push_back("-o");
    return o;
}

int recomputeCommand(ParsedArgs& o, KvdBlockReader& records, std::ostream& out, std::ostream& err) {
    const OverrideOptions opts = overrideFrom(o);
    if (!o.ok()) {
        err << "kvtool recompute: " << o.error() << "\n";
        return 1;
    }
    // A file is written whole or not at all, never over a read-only or special file.
    std::optional<ReplacingFile> file;
    if (o.has("-o")) file.emplace(o.value("-o"), o.value("-o"));
    CsvWriter csv([&](std::string_view block) {
        if (file) return file->write(block);
        out.write(block.data(), static_cast<std::streamsize>(block.size()));
        return static_cast<bool>(out);
    });
    MeterReplay replay(opts, opts.dial);
    MeterModel& m = replay.model();
    csv.text("record,time_ms,raw,filtered,deflection,base_code,base_text,bd_total,bd_text,lamp,"
             "motion,frozen")
        .endRow();
    long long n = 0;
    for (auto block = records.next(); !block.empty(); block = records.next()) {
        for (const SampleRecord& r : block) {
            const std::int32_t v = replay.step(r);
            csv.number(++n).comma().number(r.TimeMs).comma().number(r.RawReading).comma();
            csv.number(m.FilteredValue).comma().number(v).comma().number(m.LastBaseCode).comma();
            csv.text(m.BaseText).comma().number(m.BdTotal).comma().text(m.BdText).comma();
            csv.number(lampCode(m.LampColor)).comma().number(m.MotionActive).comma();
            csv.number(m.FreezeActive).endRow();
        }
    }
    const bool written = csv.finish();
    if (const auto& e = records.error()) {
        // The file ended early: no output file is made.
        err << "kvtool: " << couldNotLoadText("The kvd file", e->description) << "\n";
        return 1;
    }
    if (file) {
        if (const auto e = file->commit()) {
            err << "kvtool: cannot write " << o.value("-o") << ": " << e->description << "\n";
            return 1;
        }
    } else if (!written) {
        err << "kvtool: writing the CSV failed\n";
        return 1;
    }
    return 0;
}

} // namespace kv
