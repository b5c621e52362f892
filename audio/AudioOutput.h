// AudioOutput: plays frames of one sound file and tells which frame is being
// heard now. Two kinds: a sound-device output (SDL2) and a silent sink paced
// by the steady clock, used when no device can be opened.
//
// Contract: start(f) begins playing at frame f and runs to the end frame;
// halt() stops and keeps nothing playing; heardFrame() is monotonic while
// playing, advances at the sample rate, and never passes the end frame;
// finished() is true once the end frame has been heard.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace kv {

using SteadyNow = std::function<std::chrono::steady_clock::time_point()>;

class AudioOutput {
public:
    virtual ~AudioOutput() = default;
    virtual void start(std::int64_t fromFrame, std::int64_t endFrame) = 0;
    virtual void halt() = 0;
    virtual std::int64_t heardFrame() = 0;
    virtual bool finished() = 0;
    virtual bool silent() const = 0;
};

std::unique_ptr<AudioOutput> makeSilentOutput(int sampleRate, SteadyNow now = {});

// Opens the sound device for the file; nullptr when no device can be used.
std::unique_ptr<AudioOutput> makeDeviceOutput(const std::string& path,
                                              std::string* error = nullptr);

} // namespace kv
