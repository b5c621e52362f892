// SoundFile: a sound file opened for streaming through libsndfile. Owns the
// handle; reads blocks of frames from any position. Never decodes the whole
// file.
#pragma once

#include <cstdint>
#include <ctime>
#include <memory>
#include <string>

struct sf_private_tag;

namespace kv {

class SoundFile {
public:
    static std::unique_ptr<SoundFile> open(const std::string& path, std::string* error = nullptr);
    ~SoundFile();
    SoundFile(const SoundFile&) = delete;
    SoundFile& operator=(const SoundFile&) = delete;

    std::int64_t frames() const { return m_frames; }
    int sampleRate() const { return m_rate; }
    int channels() const { return m_channels; }
    int format() const { return m_format; } // libsndfile major | subtype
    int bitsPerSample() const;              // of the PCM data (16 for compressed sources)
    bool isIntegerPcm() const;              // PCM samples that copy exactly as integers
    std::int64_t bytesPerFrame() const {
        return static_cast<std::int64_t>(channels()) * bitsPerSample() / 8;
    }

    // True when the opened file was written to since it was opened (its
    // size or modification time differ); a file replaced under its name
    // is not this one, which still reads as it was.
    bool changedSinceOpened() const;

    bool seek(std::int64_t frame);
    // Reads up to n frames of interleaved samples; returns the frames read.
    std::int64_t readFloat(float* out, std::int64_t n);
    std::int64_t readInt(int* out, std::int64_t n);

private:
    SoundFile() = default;
    sf_private_tag* m_file = nullptr;
    std::int64_t m_frames = 0;
    int m_rate = 0;
    int m_channels = 0;
    int m_format = 0;
    int m_fd = -1; // owned by m_file
    std::int64_t m_size = 0;
    struct timespec m_modified {};
};

// Writes frames [from, to) of the opened source to a new WAV file at dest;
// fails when the source was changed since it was opened.
// Integer PCM sources keep their sample format bit for bit; others (MP3)
// become 16-bit PCM. The file is written beside dest under a temporary name
// and renamed into place only when complete. Returns "" or the error text.
std::string saveWavWindow(SoundFile& source, std::int64_t from, std::int64_t to,
                          const std::string& dest);

} // namespace kv
