// RecordingFakeChannel: an AudioChannel for tests. It records every command
// string in order and answers like the real device on positions and modes,
// while the test moves the position by hand (virtual time).
#pragma once

#include "AudioChannel.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace kv {

class RecordingFakeChannel : public AudioChannel {
public:
    AudioReply send(std::string_view command) override;

    std::vector<std::string> commands;          // every command received, in order
    std::map<std::string, AudioReply> scripted; // exact command -> forced answer
    std::string mode = "stopped";
    std::int64_t position = 0;
    bool open = false;
    std::string samplesPerSec = "44100";
    std::string bitsPerSample = "16";
    std::string channels = "2";
    std::string length; // answered to "status WavFile length" when not empty
};

} // namespace kv
