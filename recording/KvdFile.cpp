#include "KvdFile.h"

#include "SafeFile.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <new>
#include <unistd.h>

namespace kv {
namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

FileError outOfMemory() {
    return {kErrOutOfMemory, "Out of memory: the file is too large to load"};
}

} // namespace

std::int64_t recordCountForLength(std::int64_t fileLength) {
    return fileLength <= 0 ? 0 : fileLength / static_cast<std::int64_t>(kRecordSize);
}

bool Verify_kvd_Format(const std::uint8_t* data, std::size_t length) {
    bool result = true;
    for (std::size_t cursor = 1; cursor <= 5; ++cursor) {
        const std::size_t typeOffset = (cursor - 1) * kRecordSize + 19;
        const char type = typeOffset < length ? static_cast<char>(data[typeOffset]) : '\0';
        if (type != 'O' && type != 'P' && type != 'T') result = false;
    }
    return result;
}

namespace {

// On little-endian machines a SampleRecord is laid out exactly as in the file,
// so whole blocks of records are read and written without conversion.
constexpr bool kFileLayoutInMemory =
    std::endian::native == std::endian::little && sizeof(SampleRecord) == kRecordSize &&
    offsetof(SampleRecord, RawReading) == 4 && offsetof(SampleRecord, NeedlePos) == 6 &&
    offsetof(SampleRecord, BdCount) == 8 && offsetof(SampleRecord, BaseCode) == 10 &&
    offsetof(SampleRecord, MarkData) == 14 && offsetof(SampleRecord, MarkType) == 18 &&
    offsetof(SampleRecord, RecordType) == 19;

// Opens a data file for reading and returns its whole-record count.
FilePtr openForReading(const std::string& path, std::int64_t& records,
                       std::optional<FileError>& error) {
    std::error_code ec;
    if (std::filesystem::exists(path, ec) && !std::filesystem::is_regular_file(path, ec)) {
        error = FileError{kErrPathFileAccess, path + " is not a file"};
        return nullptr;
    }
    FilePtr f(std::fopen(path.c_str(), "rb"));
    if (!f || std::fseek(f.get(), 0, SEEK_END) != 0) {
        error = errnoError(errno, path);
        return nullptr;
    }
    const long long length = std::ftell(f.get());
    std::rewind(f.get());
    if (length < 0) {
        error = errnoError(errno, path);
        return nullptr;
    }
    records = recordCountForLength(length);
    if (records > kMaxRecords) {
        error = outOfMemory();
        return nullptr;
    }
    return f;
}

} // namespace

ByteReadResult readKvdHead(const std::string& path, std::size_t records) {
    ByteReadResult out;
    std::int64_t count = 0;
    FilePtr f = openForReading(path, count, out.error);
    if (!f) return out;
    out.bytes.resize(std::min<std::size_t>(records, static_cast<std::size_t>(count)) * kRecordSize);
    if (!out.bytes.empty() &&
        std::fread(out.bytes.data(), 1, out.bytes.size(), f.get()) != out.bytes.size()) {
        out.bytes.clear();
        out.error = pastEndError(path);
    }
    return out;
}

KvdEnds readKvdEnds(const std::string& path) {
    KvdEnds out;
    FilePtr f = openForReading(path, out.records, out.error);
    if (!f) return out;
    out.head.resize(static_cast<std::size_t>(std::min<std::int64_t>(5, out.records)) * kRecordSize);
    std::uint8_t last[kRecordSize];
    const bool ok =
        (out.head.empty() ||
         std::fread(out.head.data(), 1, out.head.size(), f.get()) == out.head.size()) &&
        (out.records == 0 ||
         (std::fseek(f.get(), static_cast<long>((out.records - 1) * std::int64_t{kRecordSize}),
                     SEEK_SET) == 0 &&
          std::fread(last, 1, kRecordSize, f.get()) == kRecordSize));
    if (!ok) {
        out.head.clear();
        out.error = pastEndError(path);
        return out;
    }
    if (out.records > 0) out.last = SampleRecord::decode(last);
    return out;
}

void KvdBlockReader::Closer::operator()(std::FILE* f) const {
    std::fclose(f);
}

KvdBlockReader::KvdBlockReader(const std::string& path) : m_path(path) {
    m_file.reset(openForReading(path, m_records, m_error).release());
    m_left = m_file ? m_records : 0;
}

std::span<const SampleRecord> KvdBlockReader::next(std::size_t most) {
    const auto k = static_cast<std::size_t>(
        std::min<std::int64_t>(m_left, static_cast<std::int64_t>(std::min(most, kBlockRecords))));
    if (k == 0 || m_error) return {};
    bool read = false;
    if constexpr (kFileLayoutInMemory) {
        m_block.resize(kBlockRecords); // once: the block is reused
        read = std::fread(m_block.data(), kRecordSize, k, m_file.get()) == k;
    } else {
        m_bytes.resize(kBlockRecords * kRecordSize);
        m_block.resize(kBlockRecords);
        read = std::fread(m_bytes.data(), kRecordSize, k, m_file.get()) == k;
        for (std::size_t i = 0; read && i < k; ++i)
            m_block[i] = SampleRecord::decode(m_bytes.data() + i * kRecordSize);
    }
    if (!read) {
        m_error = pastEndError(m_path);
        m_left = 0;
        return {};
    }
    m_left -= static_cast<std::int64_t>(k);
    return {m_block.data(), k};
}

KvdReadResult readKvdFile(const std::string& path, const ProgressFn& progress) {
    KvdReadResult out;
    KvdBlockReader reader(path);
    if (reader.error()) {
        out.error = reader.error();
        return out;
    }
    try {
        // Reserved, not resized: each record's memory is written once, by the copy.
        const auto n = static_cast<std::size_t>(reader.records());
        out.records.reserve(n);
        // Read in fiftieths so progress can be shown between them.
        const std::size_t step = n / 50;
        std::size_t done = 0;
        while (done < n) {
            const std::size_t block = step == 0 ? n : std::min(step, n - done);
            for (std::size_t got = 0; got < block;) {
                const std::span<const SampleRecord> some = reader.next(block - got);
                if (some.empty()) {
                    out.records.clear();
                    out.error = reader.error();
                    return out;
                }
                out.records.insert(out.records.end(), some.begin(), some.end());
                got += some.size();
            }
            done += block;
            if (step != 0 && done % step == 0 && progress) progress(static_cast<int>(done / step));
        }
    } catch (const std::bad_alloc&) {
        out.records.clear();
        out.error = outOfMemory();
    }
    return out;
}

std::optional<FileError> writeKvdFile(const std::string& path,
                                      const std::vector<SampleRecord>& records,
                                      const ProgressFn& progress, const std::string& shownName) {
    const std::string& name = shownName.empty() ? path : shownName;
    FilePtr f(std::fopen(path.c_str(), "wb"));
    if (!f) return errnoError(errno, name);
    const std::size_t step = records.size() / 50;
    const std::size_t blockRecords = step == 0 ? std::max<std::size_t>(records.size(), 1) : step;
    std::vector<std::uint8_t> block(kFileLayoutInMemory ? 0 : blockRecords * kRecordSize);
    for (std::size_t first = 0; first < records.size(); first += blockRecords) {
        const std::size_t n = std::min(blockRecords, records.size() - first);
        const void* data = records.data() + first;
        if constexpr (!kFileLayoutInMemory) {
            for (std::size_t i = 0; i < n; ++i)
                records[first + i].encode(block.data() + i * kRecordSize);
            data = block.data();
        }
        if (std::fwrite(data, 1, n * kRecordSize, f.get()) != n * kRecordSize)
            return errnoError(errno, name);
        if (step != 0 && (first + n) % step == 0 && progress)
            progress(static_cast<int>((first + n) / step));
    }
    if (std::fflush(f.get()) != 0 || ::fsync(::fileno(f.get())) != 0)
        return errnoError(errno, name);
    if (std::fclose(f.release()) != 0) return errnoError(errno, name);
    return std::nullopt;
}

} // namespace kv
