// kvtool summary: one CSV row per recording, for files and folders searched
// recursively (analysis/RecordingFolder), summarised in parallel.
#pragma once

#include "CommandLine.h"

#include <iosfwd>

namespace kv {

CommandOptions summaryOptions();

// `progress`: show a progress line on err (for a person watching a terminal).
int summaryCommand(ParsedArgs& args, std::ostream& out, std::ostream& err, bool progress);

} // namespace kv
