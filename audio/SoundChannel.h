// SoundChannel: the real audio device behind the command strings. One file
// is open at a time under its alias. The sound is streamed from the file;
// "delete" narrows a window [start, end) over the source rather than copying
// samples, and every position refers to that window. Positions are bytes of
// the source PCM format after "set ... time format bytes", else milliseconds.
// Sound goes to the sound device given in the options (sdlDeviceOutputs()),
// or to a silent sink paced by the steady clock when there is none, it cannot
// be opened, or silence is asked for.
#pragma once

#include "AudioChannel.h"
#include "AudioListening.h"
#include "AudioOutput.h"

#include <cstdint>
#include <memory>
#include <string>

namespace kv {

class SoundFile;
struct AudioCommand;

class SoundChannel final : public AudioChannel, public AudioListening {
public:
    struct Options {
        bool forceSilent = false; // also set by the environment variable KV_AUDIO=silent
        SteadyNow now;            // clock of the silent sink; the steady clock if empty
        DeviceOutputs devices{};  // the sound device; without it the sound is always silent
    };
    SoundChannel();
    explicit SoundChannel(Options options);
    ~SoundChannel() override;

    AudioReply send(std::string_view command) override;

    // True when the open file plays through the silent sink.
    bool isSilent() const;

    // AudioListening
    void setSpeed(double speed) override;
    void setVolume(double gain) override;
    void setOutputDevice(const std::string& name) override;
    std::vector<std::string> outputDevices() override;

private:
    enum class Mode { Stopped, Playing, Paused };
    struct Device;

    AudioReply open(const AudioCommand& c);
    AudioReply status(const std::string& item);
    std::int64_t heardFrame(); // absolute source frame; refreshes the mode
    std::int64_t toFrames(std::int64_t units) const;
    std::int64_t toUnits(std::int64_t frames) const;
    std::int64_t clampToWindow(std::int64_t frame) const;
    void halt();
    std::unique_ptr<AudioOutput> makeOutput(const std::string& path, int sampleRate);

    Options m_options;
    std::unique_ptr<Device> m_dev;
    double m_speed = 1.0;
    double m_gain = 1.0;
    std::string m_device; // empty: the system default
};

} // namespace kv
