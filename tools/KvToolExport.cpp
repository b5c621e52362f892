#include "KvToolExport.h"

#include "CsvWriter.h"
#include "GainTable.h"
#include "KvToolCommand.h"
#include "PlayTime.h"
#include "SafeFile.h"

#include <ostream>
#include <string_view>

namespace kv {
namespace {

// The columns after the needle: they change only when the counter, Base,
// knob, status, mark or record type of a record does.
struct TailKey {
    std::uint64_t fields = 0;
    std::uint32_t mark = 0;
    bool operator==(const TailKey&) const = default;
};

TailKey tailKeyOf(const SampleRecord& r) {
    TailKey k;
    k.fields = static_cast<std::uint16_t>(r.BdCount) | std::uint64_t{r.BaseCode} << 16 |
               std::uint64_t{r.SensIndex} << 24 | std::uint64_t{r.StatusFlags} << 32 |
               std::uint64_t{static_cast<std::uint8_t>(r.MarkType)} << 40 |
               std::uint64_t{static_cast<std::uint8_t>(r.RecordType)} << 48;
    for (const std::uint8_t b : r.MarkData)
        k.mark = k.mark << 8 | b;
    return k;
}

void formatTail(RowText& csv, const SampleRecord& r) {
    csv.number(r.BdCount).comma().text(Format_BdText(r.BdCount));
    csv.comma().number(r.BaseCode).comma().text(baseTextOf(r.BaseCode)).comma();
    csv.number(r.SensIndex).comma().text(gainLabel(r.SensIndex)).comma();
    csv.number(static_cast<int>(r.lamp())).comma().number(r.frozen()).comma();
    csv.number(r.bdOn()).comma().number(r.dialType()).comma();
    if (r.MarkType == 'C')
        csv.text("C,").number(r.clockMarkSecs());
    else if (r.MarkType == 'D')
        csv.text("D,").number(r.dayMarkNumber());
    else if (r.MarkType == 'T')
        csv.text("T,").number(r.tagMarkNumber());
    else
        csv.comma();
    csv.comma();
    const bool printable =
        r.RecordType > 32 && r.RecordType < 127 && r.RecordType != ',' && r.RecordType != '"';
    if (printable) csv.text(std::string_view(&r.RecordType, 1));
}

// False when a block could not be written or the file ended early.
bool exportCsv(KvdBlockReader& records, const CsvWriter::Sink& sink) {
    CsvWriter csv(sink);
    csv.text("record,time_ms,raw,needle,bd_count,bd_text,base_code,base_text,sens_index,"
             "knob_label,lamp,frozen,bd_on,dial_type,mark,mark_value,record_type")
        .endRow();
    RowNumber n;
    RowTail<TailKey> tail;
    for (auto block = records.next(); !block.empty(); block = records.next()) {
        for (const SampleRecord& r : block) {
            csv.text(n.next()).comma().number(r.TimeMs).comma().number(r.RawReading).comma();
            csv.number(r.NeedlePos).comma();
            csv.text(tail.of(tailKeyOf(r), [&r](RowText& t) { formatTail(t, r); })).endRow();
        }
    }
    return csv.finish() && !records.error();
}

// Sends CSV blocks to a stream.
CsvWriter::Sink streamSink(std::ostream& out) {
    return [&out](std::string_view block) {
        out.write(block.data(), static_cast<std::streamsize>(block.size()));
        return static_cast<bool>(out);
    };
}


} // namespace

int exportCommand(const std::string& file, const std::string& outPath, std::ostream& out,
                  std::ostream& err) {
    int code = kExitOk;
    std::optional<KvdBlockReader> records = openRecords(file, err, code);
    if (!records) return code;
    if (outPath.empty()) {
        if (exportCsv(*records, streamSink(out))) return kExitOk;
        if (records->error()) reportReadError(*records->error(), err);
        return kExitError;
    }
    // Written whole or not at all, never over a read-only or special file.
    ReplacingFile target(outPath, outPath);
    exportCsv(*records, [&](std::string_view block) { return target.write(block); });
    if (records->error()) { // the file ended early: the output is not made
        reportReadError(*records->error(), err);
        return kExitError;
    }
    if (const auto e = target.commit()) {
        err << "kvtool: cannot write " << outPath << ": " << e->description << "\n";
        return kExitError;
    }
    return kExitOk;
}

} // namespace kv
