// AudioListening: how the sound is heard, beside the command strings: the
// playback speed (the pitch kept), the volume and the output device. The
// choices last across "close" and "open", so they are set once and hold for
// every recording.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace kv {

class AudioListening {
public:
    virtual ~AudioListening() = default;
    // Source seconds per second heard: 0.5 .. 2. Positions stay in the
    // sound file's units and advance `speed` times as fast.
    virtual void setSpeed(double speed) = 0;
    // Gain 0 .. 1 applied to every sample.
    virtual void setVolume(double gain) = 0;
    // The playback device by name; empty for the system default. Acts at
    // once on an open file and at every later open.
    virtual void setOutputDevice(const std::string& name) = 0;
    // The playback devices the sound system offers now.
    virtual std::vector<std::string> outputDevices() = 0;

    // Told when the chosen device cannot be used and the system default
    // plays instead; the text is for the user.
    std::function<void(const std::string&)> onNotice;
};

} // namespace kv
