// kvtool summary: one CSV row per recording, for files and folders searched
// recursively, summarised in parallel.
#pragma once

#include "CommandLine.h"

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

} // namespace kv
