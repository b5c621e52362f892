#include "KvToolNotes.h"

#include "KvToolCommand.h"
#include "ReviewTable.h"
#include "SafeFile.h"

#include <cmath>
#include <filesystem>
#include <ostream>
#include <sstream>

namespace kv {
namespace {

void reportSkipped(const std::string& command, const std::string& notesFile, const NotesRead& read,
                   std::ostream& err) {
    for (const std::string& line : read.skipped)
        err << "kvtool " << command << ": " << notesFile << " " << line << "\n";
}

int addNote(ParsedArgs& args, std::ostream& err) {
    const auto at = args.seconds("--add");
    if (args.ok() && args.has("-o")) args.fail("--add writes the notes file; leave out -o");
    if (args.ok() && args.positional().size() != 2) args.fail("give FILE.kvd --add SECONDS TEXT");
    if (args.ok() && !isUtf8(args.positional()[1])) args.fail("the TEXT is not UTF-8");
    if (!args.ok()) return usageError("notes", args.error(), err);
    const std::string file = args.positional()[0];
    const LoadedRecords l = loadRecords(file, err);
    if (l.exitCode != kExitOk) return l.exitCode;
    const std::int64_t ms = std::llround(std::min(*at * 1000, 4e9));
    if (ms > l.records.back().TimeMs) {
        err << "kvtool notes: " << *at << " s is after the end of the recording ("
            << l.records.back().TimeMs / 1000.0 << " s)\n";
        return kExitError;
    }
    const std::int32_t record = recordAtTime(l.records, ms);
    const auto count = static_cast<std::int32_t>(l.records.size());
    const std::string text = args.positional()[1];
    const NotesUpdate up = updateNotesFile(file, count, [&](ReviewNotes& n) {
        n.marks.push_back(ReviewMark{record, record, MarkKind::Note, text});
    });
    const std::string notesFile = notesPathFor(file).string();
    reportSkipped("notes", notesFile, up.current, err);
    if (up.error) {
        err << "kvtool notes: the note was not added: " << up.error->description << "\n";
        return kExitError;
    }
    return kExitOk;
}

} // namespace

CommandOptions notesOptions() {
    return CommandOptions{{"-o", "--add"}, {}};
}

std::optional<ReviewNotes> notesForCommand(const std::string& command, const std::string& file,
                                           std::int32_t recordCount, std::ostream& err) {
    const std::string notesFile = notesPathFor(file).string();
    const NotesRead read = readNotesFile(file, recordCount);
    if (read.state == NotesRead::State::Unreadable) {
        err << "kvtool " << command << ": cannot read " << notesFile << ": " << read.problem
            << "\n";
        return std::nullopt;
    }
    reportSkipped(command, notesFile, read, err);
    return read.notes;
}

int notesCommand(ParsedArgs& args, std::ostream& out, std::ostream& err) {
    if (args.has("--add")) return addNote(args, err);
    const auto& files = args.positional();
    if (files.size() != 1)
        return usageError("notes", files.empty() ? "give one FILE.kvd" : "give only one FILE.kvd",
                          err);
    const std::string& file = files.front();
    const LoadedRecords l = loadRecords(file, err);
    if (l.exitCode != kExitOk) return l.exitCode;
    const auto notes =
        notesForCommand("notes", file, static_cast<std::int32_t>(l.records.size()), err);
    if (!notes) return kExitError;
    if (!args.has("-o")) {
        writeNotesCsv(*notes, l.records, out);
        return out ? kExitOk : kExitError;
    }
    const std::string path = args.value("-o");
    std::ostringstream csv;
    writeNotesCsv(*notes, l.records, csv);
    if (const auto e = replaceFileContents(path, csv.str(), path)) {
        err << "kvtool: cannot write " << path << ": " << e->description << "\n";
        return kExitError;
    }
    return kExitOk;
}

} // namespace kv
