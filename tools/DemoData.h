// Synthetic recordings for the demo, tests and benchmarks: a realistic raw
// reading (slow drift, falls and rises, a few body-motion spikes) with
// recorded needle, Base, counter, knob and lamp fields from the meter model,
// clock/date/tag marks, and audio with a tick at every whole 5 seconds.
#pragma once

#include "SampleRecord.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace kv {

struct DemoOptions {
    std::int32_t records = 9000;         // 3 minutes
    std::int32_t clockStartSecs = 37800; // 10:30:00
    std::int32_t dayNumber = 9821;       // 20 November 2026
    std::uint32_t seed = 1;
    int tagEverySecs = 30;
};

std::vector<SampleRecord> makeDemoRecords(const DemoOptions& options);

enum class DemoAudioFormat { Wav, Mp3 };

// Writes `seconds` of demo sound (quiet murmur, loud 30-ms tick at each whole
// 5 s). Returns "" or an error text.
std::string writeDemoAudio(const std::string& path, double seconds, DemoAudioFormat format,
                           int sampleRate = 22050, int channels = 1);

// Silence as MP3 at the lowest constant bit rate (16 kHz mono, 8 kbit/s).
std::string writeSilenceMp3(const std::string& path, double seconds);

// A file written under a temporary name beside target (through links) and
// renamed over it by commit(), after flushing; dropped without commit(), the
// temporary goes. Only a regular file (or a new one) is replaced.
class StagedFile {
public:
    explicit StagedFile(const std::string& target);
    ~StagedFile();
    StagedFile(const StagedFile&) = delete;
    StagedFile& operator=(const StagedFile&) = delete;
    // Why target cannot be written; empty when temp() may be written.
    const std::string& error() const { return m_error; }
    const std::string& temp() const { return m_temp; }
    // "" or why the file could not be put in place.
    std::string commit();

private:
    std::string m_target, m_temp, m_error;
    std::filesystem::path m_real;
    bool m_committed = false;
};

// A data file written whole under a temporary name, then renamed into place.
std::string writeKvdStaged(const std::string& path, const std::vector<SampleRecord>& records);

// BASE.kvd and, unless format is nothing, its demo sound of `seconds` (mono,
// 22050 Hz unless said): both written whole before either takes its name, so
// that a failure leaves neither. Returns "" or an error text.
std::string writeDemoRecording(const std::string& base, const std::vector<SampleRecord>& records,
                               double seconds, std::optional<DemoAudioFormat> format,
                               int sampleRate = 22050);

// demo001 (.kvd + .wav) and demo002 (.kvd + .mp3) in the folder.
std::string writeDemoSet(const std::string& folder);

} // namespace kv
