#include "KvdFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <new>

namespace kv {
namespace {

FileError errnoError(int err, const std::string& path) {
    if (err == ENOENT) return {53, "File not found: " + path};
    if (err == EACCES || err == EPERM) return {75, "Path/File access error: " + path};
    if (err == ENOSPC) return {61, "Disk full"};
    return {57, std::string("Device I/O error: ") + std::strerror(err)};
}

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

FileError outOfMemory() { return {7, "Out of memory: the file is too large to load"}; }

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

std::vector<SampleRecord> decodeRecords(const std::uint8_t* data, std::size_t length,
                                        const ProgressFn& progress) {
    const auto count = static_cast<std::size_t>(recordCountForLength(static_cast<std::int64_t>(length)));
    std::vector<SampleRecord> records;
    records.reserve(count);
    const std::size_t step = count / 50;
    for (std::size_t i = 1; i <= count; ++i) {
        records.push_back(SampleRecord::decode(data + (i - 1) * kRecordSize));
        if (step != 0 && i % step == 0 && progress) progress(static_cast<int>(i / step));
    }
    return records;
}

ByteReadResult readKvdBytes(const std::string& path) {
    ByteReadResult out;
    std::error_code ec;
    if (std::filesystem::exists(path, ec) && !std::filesystem::is_regular_file(path, ec)) {
        out.error = FileError{75, "Path/File access error: " + path + " is not a file"};
        return out;
    }
    FilePtr f(std::fopen(path.c_str(), "rb"));
    if (!f || std::fseek(f.get(), 0, SEEK_END) != 0) {
        out.error = errnoError(errno, path);
        return out;
    }
    const long long length = std::ftell(f.get());
    std::rewind(f.get());
    if (length < 0) {
        out.error = errnoError(errno, path);
        return out;
    }
    if (recordCountForLength(length) > kMaxRecords) {
        out.error = outOfMemory();
        return out;
    }
    const auto usable = static_cast<std::size_t>(recordCountForLength(length)) * kRecordSize;
    try {
        out.bytes.resize(usable);
    } catch (const std::bad_alloc&) {
        out.error = outOfMemory();
        return out;
    }
    if (usable != 0 && std::fread(out.bytes.data(), 1, usable, f.get()) != usable) {
        out.bytes.clear();
        out.error = FileError{62, "Input past end of file: " + path};
    }
    return out;
}

KvdReadResult readKvdFile(const std::string& path, const ProgressFn& progress) {
    KvdReadResult out;
    ByteReadResult raw = readKvdBytes(path);
    if (raw.error) {
        out.error = raw.error;
        return out;
    }
    try {
        out.records = decodeRecords(raw.bytes.data(), raw.bytes.size(), progress);
    } catch (const std::bad_alloc&) {
        out.error = outOfMemory();
    }
    return out;
}

std::optional<FileError> writeKvdFile(const std::string& path, const std::vector<SampleRecord>& records) {
    FilePtr f(std::fopen(path.c_str(), "wb"));
    if (!f) return errnoError(errno, path);
    std::vector<std::uint8_t> block;
    constexpr std::size_t kBlockRecords = 4096;
    block.resize(kBlockRecords * kRecordSize);
    for (std::size_t first = 0; first < records.size(); first += kBlockRecords) {
        const std::size_t n = std::min(kBlockRecords, records.size() - first);
        for (std::size_t i = 0; i < n; ++i) records[first + i].encode(block.data() + i * kRecordSize);
        if (std::fwrite(block.data(), 1, n * kRecordSize, f.get()) != n * kRecordSize)
            return errnoError(errno, path);
    }
    if (std::fflush(f.get()) != 0) return errnoError(errno, path);
    if (std::fclose(f.release()) != 0) return errnoError(errno, path);
    return std::nullopt;
}

} // namespace kv
