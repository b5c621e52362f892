#include "SoundFile.h"

#include "SafeFile.h"

#include <sndfile.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <mutex>
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

} // namespace

std::unique_ptr<SoundFile> SoundFile::open(const std::string& path, std::string* error) {
    SF_INFO info{};
    SNDFILE* f = nullptr;
    {
        static std::mutex quietLock;
        const std::lock_guard lock(quietLock);
        const QuietStandardError quiet;
        f = sf_open(path.c_str(), SFM_READ, &info);
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
    std::unique_ptr<SoundFile> s(new SoundFile);
    s->m_file = f;
    s->m_frames = info.frames;
    s->m_rate = info.samplerate;
    s->m_channels = info.channels;
    s->m_format = info.format;
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

bool SoundFile::seek(std::int64_t frame) {
    return sf_seek(m_file, frame, SEEK_SET) >= 0;
}

std::int64_t SoundFile::readFloat(float* out, std::int64_t n) {
    return sf_readf_float(m_file, out, n);
}

std::int64_t SoundFile::readInt(int* out, std::int64_t n) {
    return sf_readf_int(m_file, out, n);
}

std::string saveWavWindow(const std::string& sourcePath, std::int64_t from, std::int64_t to,
                          const std::string& dest) {
    std::string error;
    auto src = SoundFile::open(sourcePath, &error);
    if (!src) return error;
    const bool exact = src->isIntegerPcm() && (src->format() & SF_FORMAT_TYPEMASK) == SF_FORMAT_WAV;
    SF_INFO out{};
    out.samplerate = src->sampleRate();
    out.channels = src->channels();
    out.format = SF_FORMAT_WAV | (exact ? (src->format() & SF_FORMAT_SUBMASK) : SF_FORMAT_PCM_16);
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
    bool ok = src->seek(from);
    for (std::int64_t pos = from; ok && pos < to;) {
        const std::int64_t want = std::min(kBlock, to - pos);
        const std::int64_t got =
            exact ? src->readInt(ints.data(), want) : src->readFloat(floats.data(), want);
        if (got <= 0) break; // the source ended early: keep what there is
        const std::int64_t put =
            exact ? sf_writef_int(w, ints.data(), got) : sf_writef_float(w, floats.data(), got);
        ok = put == got;
        pos += got;
    }
    if (!ok) error = std::string("write failed: ") + sf_strerror(w);
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
