// The real sound device: SDL2 output with SoundTouch speed, in its own
// library so that programs which never play sound do not load SDL.
#pragma once

#include "AudioOutput.h"

#include <memory>
#include <string>
#include <vector>

namespace kv {

// Opens a sound device for the file: the playback device named `device`, or
// the system default when the name is empty. A named device that cannot be
// opened gives the default and sets *fellBack. nullptr when no device can be
// used.
std::unique_ptr<AudioOutput> makeDeviceOutput(const std::string& path,
                                              std::string* error = nullptr,
                                              const std::string& device = {},
                                              bool* fellBack = nullptr);

// The names of the sound system's playback devices (empty without one).
std::vector<std::string> playbackDeviceNames();

// The two above, for SoundChannel::Options::devices.
DeviceOutputs sdlDeviceOutputs();

} // namespace kv
