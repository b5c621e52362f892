// The kvtool commands that need neither Qt nor the sound device (info,
// export, cut, recompute, events, summary), help and version, and the texts
// of every command. The kvtool program runs only these, so it starts without
// loading Qt or SDL; kvtool-full runs the rest (KvTool.h).
#pragma once

#include "SampleRecord.h"

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace kv {

class ParsedArgs;

// Runs kvtool with the arguments after the program name and returns the
// exit code (0 success, 2 format check failed, 1 any other error); nothing,
// and nothing printed, for a command only kvtool-full runs.
std::optional<int> runLeanCommand(const std::vector<std::string>& args, std::ostream& out,
                                  std::ostream& err);

// For kvtool-full's own commands. Reports a bad command line: the problem,
// then where to read more; returns the exit code 1.
int usageError(const std::string& command, const std::string& problem, std::ostream& err);

// Refuses an output (-o) that names a file of a recording the command reads
// (its data file or its sound), however it is spelt, or any existing .kvd,
// .wav or .mp3 file: reports it and returns the exit code 1; nothing when the
// output is another file.
std::optional<int> refuseOutputOverInput(const std::string& command, const ParsedArgs& args,
                                         std::ostream& err);

// A recording's records, read whole after the format check; a failure is
// reported as the player reports it and exitCode says which.
struct LoadedRecords {
    std::vector<SampleRecord> records;
    int exitCode = 0;
};
LoadedRecords loadRecords(const std::string& file, std::ostream& err);

} // namespace kv
