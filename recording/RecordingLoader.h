// Load_File: turns a base path (no extension) into a loaded recording. It
// closes the previous audio, finds and opens the companion .wav or .mp3 (or
// the placeholder when audio is off), checks the data file's format, reads
// every record, and takes the clock and date from the marks. It either
// returns a complete RecordingFile or a LoadError, never something between.
#pragma once

#include "KvdFile.h"
#include "RecordingFile.h"
#include "UserMessage.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace kv {

class AudioChannel;

struct LoadError {
    enum class Type { DataFileMissing, AudioMissing, DummyMissing, BadFormat, EmptyFile, Other };
    Type type = Type::Other;
    std::string kind; // "kvd", "wav" or "mp3": the file the failure concerns
    int number = 0;
    std::string description; // the plain reason, naming the file
    std::string path;
    std::string expected; // the other sound file looked for, when neither was there

    UserMessage message() const;
};

struct LoadRequest {
    std::string basePath;
    bool audioEnable = true;
    std::string dummyAudioPath;
};

struct LoadObserver {
    std::function<void()> loadingStarted; // the format check passed; records follow
    ProgressFn progress;                  // steps 1..50 while records are read
};

struct LoadResult {
    std::unique_ptr<RecordingFile> recording;
    std::optional<LoadError> error;
    std::string notice; // an interrupted save of this pair that was finished or undone
};

LoadResult Load_File(const LoadRequest& request, AudioChannel& audio,
                     const LoadObserver& observer = {});

// The audio-open part of a load, shared with anything else that opens a file
// on the channel: returns the units per second, or the error.
struct AudioOpenResult {
    std::int32_t unitsPerSec = 0;
    std::optional<LoadError> error;
};
AudioOpenResult openAudio(AudioChannel& audio, const std::string& path, AudioKind kind);

// The general "could not be loaded" message for any other failure: the lead
// ("The wav file") and the plain reason, which names the file.
std::string couldNotLoadText(const std::string& lead, const std::string& reason);

} // namespace kv
