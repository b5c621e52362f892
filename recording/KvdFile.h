// Reading and writing .kvd data files: a plain sequence of 20-byte records.
// Readers never trust the file: a trailing partial record is ignored, a file
// too large to hold in memory is refused, and any I/O failure becomes a
// FileError rather than an exception.
#pragma once

#include "FileError.h"
#include "SampleRecord.h"

#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace kv {

// Number of whole records in a file of the given length: the length / 20,
// rounded down (a trailing partial record does not count); 0 for 0 or less.
std::int64_t recordCountForLength(std::int64_t fileLength);

// Checks the record-type letters of records 1 to 5, both included. Missing
// records (a file shorter than five records) read as zero bytes and so fail
// the check.
bool Verify_kvd_Format(const std::uint8_t* data, std::size_t length);

// Called with the progress step k (1, 2, ... 50, both ends included) each time
// another fiftieth of the records has been read (a fiftieth rounded down);
// never called for files of fewer than 50 records.
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

// Reads a data file's whole records in order, a block at a time, for work
// that needs each record once (a CSV of every record, a replay): it holds one
// small block, which stays in the cache, and never the whole file.
class KvdBlockReader {
public:
    explicit KvdBlockReader(const std::string& path);
    // Whole records in the file when it was opened.
    std::int64_t records() const { return m_records; }
    // Why the file could not be opened or read to its end.
    const std::optional<FileError>& error() const { return m_error; }
    // The next records, at most `most` of them; none at the end of the file
    // or after an error.
    std::span<const SampleRecord> next(std::size_t most = kBlockRecords);

    static constexpr std::size_t kBlockRecords = 2048;

private:
    struct Closer {
        void operator()(std::FILE* f) const;
    };
    std::unique_ptr<std::FILE, Closer> m_file;
    std::string m_path;
    std::int64_t m_records = 0;
    std::int64_t m_left = 0;
    std::optional<FileError> m_error;
    std::vector<SampleRecord> m_block;
    std::vector<std::uint8_t> m_bytes;
};

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
