#include "RecordingFakeChannel.h"

#include "AudioCommand.h"

namespace kv {

AudioReply RecordingFakeChannel::send(std::string_view command) {
    commands.emplace_back(command);
    if (auto it = scripted.find(commands.back()); it != scripted.end()) return it->second;
    const ParsedCommand parsed = parseAudioCommand(command);
    if (!parsed.command) return {parsed.error, audioErrorText(parsed.error)};
    const AudioCommand& c = *parsed.command;
    using V = AudioCommand::Verb;
    if (c.verb != V::Open && !open && c.verb != V::Close)
        return {kAudioErrInvalidDevice, audioErrorText(kAudioErrInvalidDevice)};
    switch (c.verb) {
    case V::Open:
        open = true;
        mode = "stopped";
        position = 0;
        break;
    case V::Close:
        open = false;
        break;
    case V::Seek:
        mode = "stopped";
        position = c.from.value_or(0);
        break;
    case V::Play:
        if (c.from) position = *c.from;
        mode = "playing";
        break;
    case V::Pause:
        mode = "paused";
        break;
    case V::Resume:
        mode = "playing";
        break;
    case V::Stop:
        mode = "stopped";
        break;
    case V::Status:
        if (c.item == "position") return {kAudioOk, std::to_string(position)};
        if (c.item == "mode") return {kAudioOk, mode};
        if (c.item == "samplespersec") return {kAudioOk, samplesPerSec};
        if (c.item == "bitspersample") return {kAudioOk, bitsPerSample};
        if (c.item == "channels") return {kAudioOk, channels};
        if (c.item == "length" && !length.empty()) return {kAudioOk, length};
        return {kAudioErrUnsupported, audioErrorText(kAudioErrUnsupported)};
    case V::Set:
    case V::Delete:
    case V::Save:
        break;
    }
    return {};
}

} // namespace kv
