// kvtool notes: the reviewer's marks of a recording (NAME.kvnotes) as CSV, or
// one note added to them; and the reading of the marks for the other commands.
#pragma once

#include "CommandLine.h"
#include "ReviewNotes.h"

#include <iosfwd>
#include <optional>
#include <string>

namespace kv {

CommandOptions notesOptions();

int notesCommand(ParsedArgs& args, std::ostream& out, std::ostream& err);

// The marks of a recording for a command: none when there is no notes file.
// Lines skipped are named on err; a notes file that cannot be read is
// reported and gives nothing.
std::optional<ReviewNotes> notesForCommand(const std::string& command, const std::string& file,
                                           std::int32_t recordCount, std::ostream& err);

} // namespace kv
