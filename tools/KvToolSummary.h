// kvtool summary: one CSV row per recording, for files and folders searched
// recursively (analysis/RecordingFolder), summarised in parallel.
#pragma once

#include "CommandLine.h"
#include "RecordingFolder.h" // findRecordings
#include "RecordingSummary.h"

#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

namespace kv {

CommandOptions summaryOptions();

// `progress`: show a progress line on err (for a person watching a terminal).
int summaryCommand(ParsedArgs& args, std::ostream& out, std::ostream& err, bool progress);

// Summarises the files on `jobs` threads, as kvtool summary does, in the
// order given; `tick` (when set) is told the number done about ten times a
// second while they run, and once at the end.
std::vector<RecordingSummary> summariseFiles(const std::vector<std::string>& files, unsigned jobs,
                                             const std::function<void(std::size_t)>& tick = {});

} // namespace kv
