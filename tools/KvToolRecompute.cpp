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

// The columns after the deflection: the model's Base, counter and lamps,
// which change far less often than once a record.
struct TailKey {
    std::uint8_t baseCode = 0;
    std::int16_t bdTotal = 0;
    Lamp lamp = Lamp::Dark;
    bool motion = false, frozen = false;
    std::string baseText, bdText;
    bool operator==(const TailKey&) const = default;
};

// Short texts compared in place: a library call per record would cost more.
bool sameText(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a[i] != b[i]) return false;
    return true;
}

bool sameTail(const TailKey& k, const MeterModel& m) {
    return k.baseCode == m.LastBaseCode && k.bdTotal == m.BdTotal && k.lamp == m.LampColor &&
           k.motion == m.MotionActive && k.frozen == m.FreezeActive &&
           sameText(k.baseText, m.BaseText) && sameText(k.bdText, m.BdText);
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
    RowNumber n;
    TailKey key;
    RowText tail;
    bool haveTail = false;
    for (auto block = records.next(); !block.empty(); block = records.next()) {
        for (const SampleRecord& r : block) {
            const std::int32_t v = replay.step(r);
            csv.text(n.next()).comma().number(r.TimeMs).comma().number(r.RawReading).comma();
            csv.number(m.FilteredValue).comma().number(v).comma();
            if (!haveTail || !sameTail(key, m)) {
                key = {m.LastBaseCode, m.BdTotal,  m.LampColor, m.MotionActive,
                       m.FreezeActive, m.BaseText, m.BdText};
                tail.clear();
                tail.number(m.LastBaseCode).comma().text(m.BaseText).comma();
                tail.number(m.BdTotal).comma().text(m.BdText).comma();
                tail.number(lampCode(m.LampColor)).comma().number(m.MotionActive).comma();
                tail.number(m.FreezeActive);
                tail.seal();
                haveTail = true;
            }
            csv.text(tail).endRow();
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
