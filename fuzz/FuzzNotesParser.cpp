// Fuzz target: reading a notes file of arbitrary contents, and writing back
// what was read: the text written reads back to the same marks and the same
// lines kept unread, so a save never loses or changes what was read.
#include "ReviewNotes.h"

#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const kv::NotesRead first = kv::parseNotesText(text, 1000);
    if (first.state != kv::NotesRead::State::Read) {
        if (!first.notes.empty() || first.problem.empty()) __builtin_trap();
        return 0;
    }
    const kv::NotesRead again = kv::parseNotesText(kv::notesText(first.notes), 1000);
    if (again.state != kv::NotesRead::State::Read) __builtin_trap();
    if (!(again.notes.marks == first.notes.marks)) __builtin_trap();
    if (again.notes.keptLines != first.notes.keptLines) __builtin_trap();
    for (const auto& m : first.notes.marks)
        if (m.record < 1 || m.endRecord < m.record || m.endRecord > 1000) __builtin_trap();
    return 0;
}
