// Reading and writing .kvd data files: a plain sequence of 20-byte records.
// Readers never trust the file: a trailing partial record is ignored, a file
// too large to hold in memory is refused, and any I/O failure becomes a
// FileError rather than an exception.
#pragma once

#include "FileError.h"
#include "SampleRecord.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace kv {

// Number of whole records in a file of the given length.
std::int64_t recordCountForLength(std::int64_t fileLength);

// Checks the record-type letters of records 1 to 5. Missing records (a file
// shorter than five records) read as zero bytes and so fail the check.
bool Verify_kvd_Format(const std::uint8_t* data, std::size_t length);

// Called with the progress step k (1, 2, ...) each time another fiftieth of the
// records has been read; never called for files of fewer than 50 records.
using ProgressFn = std::function<void(int step)>;

struct ByteReadResult {
    std::vector<std::uint8_t> bytes; // whole records only
    std::optional<FileError> error;
};

// Reads the bytes of the first `records` records (fewer if the file is shorter).
ByteReadResult readKvdHead(const std::string& path, std::size_t records = 5);

struct KvdReadResult {
    std::vector<SampleRecord> records;
    std::optional<FileError> error;
};

// What a data file says about itself without reading it all: its whole-record
// count, its first five records (as bytes, for the format check) and its
// last whole record.
struct KvdEnds {
    std::int64_t records = 0;
    std::vector<std::uint8_t> head;
    SampleRecord last;
    std::optional<FileError> error;
};
KvdEnds readKvdEnds(const std::string& path);

// Reads every whole record of the file, reporting progress in fiftieths.
KvdReadResult readKvdFile(const std::string& path, const ProgressFn& progress = {});

// Writes the records in file layout to path and flushes them to the disk.
// Returns the error, if any, naming shownName (path when empty). Progress as
// for reading: one step per fiftieth written.
std::optional<FileError> writeKvdFile(const std::string& path,
                                      const std::vector<SampleRecord>& records,
                                      const ProgressFn& progress = {},
                                      const std::string& shownName = {});

// Largest record count accepted (the count is a signed 32-bit number).
inline constexpr std::int64_t kMaxRecords = 0x7FFFFFFF;

} // namespace kv
