// The reviewer's marks of a recording cut down in memory (the window's
// "Buffer"): taken from the notes file of the recording it was cut from and
// shifted at each cut, so that a save of the segment as a new pair writes
// them into the new pair's notes file in the same change as the pair.
#pragma once

#include "FileError.h"
#include "ReviewNotes.h"

#include <optional>
#include <string>

namespace kv {

class SegmentNotes {
public:
    // Before the recording in memory is cut to records [first, last]:
    // sourceData is its data file, or "" when it is a cut already.
    void cut(const std::string& sourceData, std::int32_t recordCount, std::int32_t first,
             std::int32_t last);

    // The notes file text for a save, as PairSaveRequest::notes wants it:
    // loadedData is the data file of the recording in memory, or "" for a
    // cut (whose marks are those kept here). An error when the marks cannot
    // be read, so that the save stops rather than drop them.
    std::optional<std::string> forSave(const std::string& loadedData, std::int32_t recordCount,
                                       const std::string& newData,
                                       std::optional<FileError>& error) const;

private:
    ReviewNotes m_notes;
    std::string m_problem; // why the source's notes could not be read
};

} // namespace kv
