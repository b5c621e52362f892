// What the kvtool commands share: their exit codes, the report of a bad
// command line, the guard on an output (-o), and reading a recording after
// the checks that loading makes, with failures reported as the player reports them.
#pragma once

#include "FileError.h"
#include "KvdFile.h"
#include "SampleRecord.h"

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace kv {

class ParsedArgs;

// kvtool's exit codes.
inline constexpr int kExitOk = 0;
inline constexpr int kExitError = 1;  // any failure but the one below
inline constexpr int kExitFormat = 2; // a file failed the format check

// Reports a bad command line: the problem, then where to read more; returns
// the exit code 1.
int usageError(const std::string& command, const std::string& problem, std::ostream& err);

// Refuses an output (-o) that names a file of a recording the command reads
// (its data file or its sound), however it is spelt, or any existing .kvd,
// .wav or .mp3 file: reports it and returns the exit code 1; nothing when the
// output is another file.
std::optional<int> refuseOutputOverInput(const std::string& command, const ParsedArgs& args,
                                         std::ostream& err);

// True (and said) when a save of the file's pair was cut short and its
// journal waits: what the pair holds now may be half old, half new, and a
// reader does not change files to settle it.
bool refuseInterrupted(const std::string& file, std::ostream& err);

// Reports a data file that could not be read, as the player does.
void reportReadError(const FileError& e, std::ostream& err);

// The exit code for a data file's first records as read: 0 when they pass the
// format check, else the failure, reported as the player reports it.
int checkHead(const std::vector<std::uint8_t>& head, const std::optional<FileError>& error,
              std::ostream& err);

// Opens a data file for one pass over its records, after the checks that
// loading makes; nothing when they fail (exitCode says how).
std::optional<KvdBlockReader> openRecords(const std::string& file, std::ostream& err,
                                          int& exitCode);

// A recording's records, read whole after the format check; a failure is
// reported as the player reports it and exitCode says which.
struct LoadedRecords {
    std::vector<SampleRecord> records;
    int exitCode = kExitOk;
};
LoadedRecords loadRecords(const std::string& file, std::ostream& err);

} // namespace kv
