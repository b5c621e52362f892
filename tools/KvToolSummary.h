// kvtool summary: one CSV row per recording, for files and folders searched
// recursively, summarised in parallel.
#pragma once

#include "CommandLine.h"
#include "RecordingSummary.h"

#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

namespace kv {

CommandOptions summaryOptions();

// `progress`: show a progress line on err (for a person watching a terminal).
int summaryCommand(ParsedArgs& args, std::ostream& out, std::ostream& err, bool progress);

// The .kvd files a list of paths names: files as given, folders searched
// recursively (links followed, each folder once). What was passed over, and
// why, goes into `skipped` as "PATH: reason"; `failed` is set when a folder
// could not be read.
struct FoundRecordings {
    std::vector<std::string> files; // sorted, each once
    std::vector<std::string> skipped;
    bool failed = false;
};
FoundRecordings findRecordings(const std::vector<std::string>& paths);

// Summarises the files on `jobs` threads, as kvtool summary does, in the
// order given; `tick` (when set) is told the number done about ten times a
// second while they run, and once at the end.
std::vector<RecordingSummary> summariseFiles(const std::vector<std::string>& files, unsigned jobs,
                                             const std::function<void(std::size_t)>& tick = {});

} // namespace kv
