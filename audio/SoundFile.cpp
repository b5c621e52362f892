#include "SoundFile.h"

#include "SafeFile.h"

#include <sndfile.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <mutex>
#include <optional>
#include <algorithm>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace kv {

namespace {

// The MP3 decoder under libsndfile prints its notes about damaged data on
// standard error, which is no place for them in a desktop program or in
// kvtool's output; they are silenced while a file is opened.
class QuietStandardError {
public:
    QuietStandardError() {
        std::fflush(stderr);
        m_saved = ::dup(STDERR_FILENO);
        const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (m_saved >= 0 && null >= 0) ::dup2(null, STDERR_FILENO);
        if (null >= 0) ::close(null);
    }
    ~QuietStandardError() {
        std::fflush(stderr);
        if (m_saved >= 0) {
            ::dup2(m_saved, STDERR_FILENO);
            ::close(m_saved);
        }
    }
    QuietStandardError(const QuietStandardError&) = delete;
    QuietStandardError& operator=(const QuietStandardError&) = delete;

private:
    int m_saved = -1;
};

// Why a file could not be opened as sound, in words that fit the file.
std::string openFailure(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return std::strerror(errno);
    if (!S_ISREG(st.st_mode)) return "It is not a regular file.";
    if (st.st_size == 0) return "The file is empty.";
    return "Its contents are not in a sound format that can be read.";
}

// One MPEG audio frame, from its 4-byte header: its length in bytes and in
// samples; nothing for bytes that are no frame header.
struct MpegFrame {
    std::int64_t bytes = 0;
    std::int64_t samples = 0;
    int version = 0; // 3 MPEG-1, 2 MPEG-2, 0 MPEG-2.5
    bool mono = false;
};

std::optional<MpegFrame> mpegFrameAt(const unsigned char* h) {
    if (h[0] != 0xFF || (h[1] & 0xE0) != 0xE0) return std::nullopt;
    const int version = (h[1] >> 3) & 3, layer = (h[1] >> 1) & 3;
    const int bitrateIndex = h[2] >> 4, rateIndex = (h[2] >> 2) & 3, padding = (h[2] >> 1) & 1;
    if (version == 1 || layer == 0 || bitrateIndex == 0 || bitrateIndex == 15 || rateIndex == 3)
        return std::nullopt;
    static const int kBitrates[5][14] = {
        {32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448}, // 1, layer I
        {32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},    // 1, layer II
        {32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320},     // 1, layer III
        {32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},    // 2, layer I
        {8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},         // 2, layers II, III
    };
    static const int kRates[3] = {44100, 48000, 32000};
    const bool one = version == 3;
    const int table = one ? 3 - layer : (layer == 3 ? 3 : 4);
    const std::int64_t bitrate = kBitrates[table][bitrateIndex - 1] * 1000LL;
    const int rate = kRates[rateIndex] >> (one ? 0 : version == 2 ? 1 : 2);
    MpegFrame f;
    f.version = version;
    f.mono = (h[3] >> 6) == 3;
    if (layer == 3) { // layer I
        f.samples = 384;
        f.bytes = (12 * bitrate / rate + padding) * 4;
    } else {
        f.samples = layer == 1 && !one ? 576 : 1152;
        f.bytes = f.samples / 8 * bitrate / rate + padding;
    }
    return f;
}

std::uint32_t bigEndian32(const unsigned char* p) {
    return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | p[3];
}

// The samples an MPEG stream really holds, from its frame headers alone:
// nothing when its own count can be trusted (a Xing or Info header whose byte
// count is the file's), else the samples of its whole frames up to the first
// place that is no frame (the end of a cut-off file). A Xing/Info frame holds
// no sound and is not counted.
std::optional<std::int64_t> measuredMpegSamples(int fd, std::int64_t fileSize) {
    constexpr std::int64_t kBlock = 1 << 20;
    std::vector<unsigned char> buf(kBlock);
    std::int64_t bufAt = 0, bufLen = 0;
    // The n bytes at pos, or nullptr past the end of the file.
    auto bytesAt = [&](std::int64_t pos, std::int64_t n) -> const unsigned char* {
        if (pos < 0 || pos + n > fileSize) return nullptr;
        if (pos < bufAt || pos + n > bufAt + bufLen) {
            const ssize_t got = ::pread(fd, buf.data(), buf.size(), pos);
            if (got < n) return nullptr;
            bufAt = pos, bufLen = got;
        }
        return buf.data() + (pos - bufAt);
    };
    std::int64_t pos = 0;
    if (const unsigned char* id3 = bytesAt(0, 10); id3 && std::memcmp(id3, "ID3", 3) == 0)
        pos = 10 + (std::int64_t(id3[6] & 0x7F) << 21 | (id3[7] & 0x7F) << 14 |
                    (id3[8] & 0x7F) << 7 | (id3[9] & 0x7F)) +
              ((id3[5] & 0x10) ? 10 : 0);
    const unsigned char* h = bytesAt(pos, 4);
    const auto first = h ? mpegFrameAt(h) : std::nullopt;
    if (!first) return std::nullopt; // not a stream this can measure: the decoder's count stands
    std::int64_t samples = 0;
    const int sideInfo = first->version == 3 ? (first->mono ? 17 : 32) : (first->mono ? 9 : 17);
    if (const unsigned char* x = bytesAt(pos + 4 + sideInfo, 16);
        x && (std::memcmp(x, "Xing", 4) == 0 || std::memcmp(x, "Info", 4) == 0)) {
        const std::uint32_t flags = bigEndian32(x + 4);
        if ((flags & 3) == 3) {
            const std::int64_t bytes = bigEndian32(x + 12);
            const std::int64_t rest = fileSize - pos;
            // An ID3v1 tag may follow the stream.
            if (bytes == rest || bytes + 128 == rest) return std::nullopt;
        }
        pos += first->bytes; // the header frame holds no sound
    }
    while (const unsigned char* p = bytesAt(pos, 4)) {
        const auto f = mpegFrameAt(p);
        if (!f || pos + f->bytes > fileSize) break;
        samples += f->samples;
        pos += f->bytes;
    }
    return samples;
}

} // namespace

std::unique_ptr<SoundFile> SoundFile::open(const std::string& path, std::string* error) {
    SF_INFO info{};
    SNDFILE* f = nullptr;
    // Opened by descriptor, so that what was opened can be told from what
    // the name holds later.
    struct stat st {};
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd >= 0 && ::fstat(fd, &st) == 0) {
        static std::mutex quietLock;
        const std::lock_guard lock(quietLock);
        const QuietStandardError quiet;
        f = sf_open_fd(fd, SFM_READ, &info, SF_TRUE);
    } else if (fd >= 0) {
        ::close(fd);
    }
    if (!f) {
        if (error) *error = openFailure(path);
        return nullptr;
    }
    if (info.samplerate <= 0 || info.channels <= 0 || info.frames < 0) {
        sf_close(f);
        if (error) *error = "unusable sound format";
        return nullptr;
    }
    // A cut-off MP3 may still carry the frame count of the whole: what its
    // frames hold counts.
    if ((info.format & SF_FORMAT_TYPEMASK) == SF_FORMAT_MPEG)
        if (const auto measured = measuredMpegSamples(fd, st.st_size))
            info.frames = std::min<sf_count_t>(info.frames, *measured);
    std::unique_ptr<SoundFile> s(new SoundFile);
    s->m_file = f;
    s->m_frames = info.frames;
    s->m_rate = info.samplerate;
    s->m_channels = info.channels;
    s->m_format = info.format;
    s->m_fd = fd;
    s->m_size = st.st_size;
    s->m_modified = st.st_mtim;
    return s;
}

SoundFile::~SoundFile() {
    if (m_file) sf_close(m_file);
}

int SoundFile::bitsPerSample() const {
    switch (m_format & SF_FORMAT_SUBMASK) {
    case SF_FORMAT_PCM_S8:
    case SF_FORMAT_PCM_U8:
        return 8;
    case SF_FORMAT_PCM_24:
        return 24;
    case SF_FORMAT_PCM_32:
    case SF_FORMAT_FLOAT:
        return 32;
    case SF_FORMAT_DOUBLE:
        return 64;
    default:
        return 16;
    }
}

bool SoundFile::isIntegerPcm() const {
    switch (m_format & SF_FORMAT_SUBMASK) {
    case SF_FORMAT_PCM_S8:
    case SF_FORMAT_PCM_U8:
    case SF_FORMAT_PCM_16:
    case SF_FORMAT_PCM_24:
    case SF_FORMAT_PCM_32:
        return true;
    default:
        return false;
    }
}

bool SoundFile::changedSinceOpened() const {
    struct stat st {};
    if (::fstat(m_fd, &st) != 0) return true;
    return st.st_size != m_size || st.st_mtim.tv_sec != m_modified.tv_sec ||
           st.st_mtim.tv_nsec != m_modified.tv_nsec;
}

bool SoundFile::seek(std::int64_t frame) {
    return sf_seek(m_file, frame, SEEK_SET) >= 0;
}

std::int64_t SoundFile::readFloat(float* out, std::int64_t n) {
    return sf_readf_float(m_file, out, n);
}

std::int64_t SoundFile::readInt(int* out, std::int64_t n) {
    return sf_readf_int(m_file, out, n);
}

std::string saveWavWindow(SoundFile& src, std::int64_t from, std::int64_t to,
                          const std::string& dest) {
    // The sound written is the one opened; rewritten in place since, it is
    // another sound, which is not saved under the recording's name.
    if (src.changedSinceOpened())
        return "The sound file was changed by another program after it was opened; load the "
               "recording again.";
    if (to <= from) return "The sound holds nothing in the part to be saved.";
    std::string error;
    const bool exact = src.isIntegerPcm() && (src.format() & SF_FORMAT_TYPEMASK) == SF_FORMAT_WAV;
    SF_INFO out{};
    out.samplerate = src.sampleRate();
    out.channels = src.channels();
    out.format = SF_FORMAT_WAV | (exact ? (src.format() & SF_FORMAT_SUBMASK) : SF_FORMAT_PCM_16);
    // Written beside the file it replaces (through links), flushed, then renamed.
    const std::filesystem::path real = resolveLinks(std::filesystem::u8path(dest));
    const std::string temp = temporaryBeside(real, ".part").string();
    registerTemporary(temp);
    SNDFILE* w = sf_open(temp.c_str(), SFM_WRITE, &out);
    if (!w) return sf_strerror(nullptr);
    sf_command(w, SFC_SET_CLIPPING, nullptr, SF_TRUE);

    constexpr std::int64_t kBlock = 8192;
    std::vector<int> ints;
    std::vector<float> floats;
    if (exact)
        ints.resize(kBlock * out.channels);
    else
        floats.resize(kBlock * out.channels);
    bool ok = src.seek(from);
    std::int64_t pos = from;
    while (ok && pos < to) {
        const std::int64_t want = std::min(kBlock, to - pos);
        const std::int64_t got =
            exact ? src.readInt(ints.data(), want) : src.readFloat(floats.data(), want);
        if (got <= 0) break; // the source ended early: keep what there is
        const std::int64_t put =
            exact ? sf_writef_int(w, ints.data(), got) : sf_writef_float(w, floats.data(), got);
        ok = put == got;
        pos += got;
    }
    if (!ok) error = std::string("write failed: ") + sf_strerror(w);
    if (ok && pos == from) error = "The sound holds nothing in the part to be saved.";
    if (sf_close(w) != 0 && ok) error = "write failed while closing the file";
    if (error.empty() && !syncFile(temp)) error = "the sound could not be flushed to the disk";
    std::error_code ec;
    if (error.empty()) {
        std::filesystem::rename(temp, real, ec);
        if (ec)
            error = ec.message();
        else
            syncFolder(real.parent_path());
    }
    if (!error.empty()) std::filesystem::remove(temp, ec);
    releaseTemporary(temp);
    return error;
}

} // namespace kv
