#include "SegmentNotes.h"

#include <algorithm>

namespace kv {
namespace {

// The marks of a data file, or why they cannot be read.
ReviewNotes marksOf(const std::string& data, std::int32_t recordCount, std::string& problem) {
    const NotesRead read = readNotesFile(std::filesystem::u8path(data), recordCount);
    if (read.state == NotesRead::State::Unreadable)
        problem = notesPathFor(std::filesystem::u8path(data)).string() + " cannot be read (" +
                  read.problem + "), so the reviewer's marks cannot go with the segment";
    return read.notes;
}

} // namespace

void SegmentNotes::cut(const std::string& sourceData, std::int32_t recordCount, std::int32_t first,
                       std::int32_t last) {
    ReviewNotes source = m_notes;
    if (!sourceData.empty()) {
        m_problem.clear();
        source = marksOf(sourceData, recordCount, m_problem);
    }
    // As the cut takes them: a start below 1 reads as 1, the end is clamped.
    first = std::max(1, first);
    last = std::clamp(last, first, std::max(first, recordCount));
    m_notes = notesOfSegment(source, first, last);
}

std::optional<std::string> SegmentNotes::forSave(const std::string& loadedData,
                                                 std::int32_t recordCount,
                                                 const std::string& newData,
                                                 std::optional<FileError>& error) const {
    std::string problem = loadedData.empty() ? m_problem : std::string();
    const ReviewNotes notes =
        loadedData.empty() ? m_notes : marksOf(loadedData, recordCount, problem);
    if (!problem.empty()) {
        error = FileError{kErrPathFileAccess, problem};
        return std::nullopt;
    }
    return notesForNewPair(notes, std::filesystem::u8path(newData));
}

} // namespace kv
