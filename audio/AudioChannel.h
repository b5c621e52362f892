// AudioChannel: the one audio device, driven by command strings such as
// `open "P" type waveaudio alias WavFile` or `status WavFile position`.
// Callers keep sending those strings, so every command sequence can be
// asserted in tests with a recording fake. Each call answers with a result
// code (0 on success) and a reply text (filled by status commands, and with
// a description of the failure otherwise).
#pragma once

#include <string>
#include <string_view>

namespace kv {

// Result codes. The numbers follow the classic multimedia error codes so that
// logs and the kvtool console read familiarly.
enum AudioResult : int {
    kAudioOk = 0,
    kAudioErrUnrecognizedCommand = 261,
    kAudioErrInvalidDevice = 263,
    kAudioErrCannotLoadDriver = 266,
    kAudioErrOutOfRange = 273,
    kAudioErrUnsupported = 274,
    kAudioErrFileNotFound = 275,
    kAudioErrCannotWrite = 276,
    kAudioErrBadFile = 277,
    kAudioErrDuplicateAlias = 289,
    kAudioErrMissingParameter = 417,
};

struct AudioReply {
    int code = kAudioOk;
    std::string text;
    bool ok() const { return code == kAudioOk; }
};

class AudioChannel {
public:
    virtual ~AudioChannel() = default;
    // Carries out one command and returns its result. Never throws.
    virtual AudioReply send(std::string_view command) = 0;
};

// Text for a result code, as reported to the user and by kvtool.
std::string audioErrorText(int code);

} // namespace kv
