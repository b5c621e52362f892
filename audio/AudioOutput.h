// AudioOutput: plays frames of one sound file and tells which frame is being
// heard now. Two kinds: a sound-device output (SDL2, in SoundDevice.h) and a
// silent sink paced by the steady clock, used when no device can be opened.
//
// Contract: start(f) begins playing at frame f and runs to the end frame;
// halt() stops and keeps nothing playing; heardFrame() is monotonic while
// playing, advances at the sample rate, and never passes the end frame;
// finished() is true once the end frame has been heard. Frames are always the
// source's: at speed 2 heardFrame() advances at twice the sample rate, and
// the pitch stays as recorded. setSpeed() and setVolume() act while playing
// (within a fraction of a second, without a click or a jump of heardFrame())
// and are kept for the next start().
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

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
    virtual void setSpeed(double speed) = 0; // 0.5 .. 2, source frames per output frame
    virtual void setVolume(double gain) = 0; // 0 .. 1
};

std::unique_ptr<AudioOutput> makeSilentOutput(int sampleRate, SteadyNow now = {});

// The sound device's outputs, handed to whoever plays through one (see
// SoundDevice.h for the real device). open(path, device, fellBack): an output
// for the file on the playback device named `device`, or the system default
// when the name is empty or cannot be opened (then *fellBack is set); nullptr
// when no device can be used. names(): the playback devices.
struct DeviceOutputs {
    std::function<std::unique_ptr<AudioOutput>(const std::string& path, const std::string& device,
                                               bool* fellBack)>
        open;
    std::function<std::vector<std::string>()> names;
};

} // namespace kv
