#include "AudioCommand.h"

#include "AudioChannel.h"

#include <algorithm>
#include <cctype>

namespace kv {
namespace {

std::string lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

// A position: digits, optionally with a fraction, which is dropped (a
// position inside a sample frame means that frame).
std::optional<std::int64_t> number(const std::string& word) {
    const std::string whole = word.substr(0, word.find('.'));
    if (whole.empty() || whole.size() > 15) return std::nullopt;
    std::int64_t v = 0;
    for (char c : whole) {
        if (!std::isdigit(static_cast<unsigned char>(c))) return std::nullopt;
        v = v * 10 + (c - '0');
    }
    if (whole.size() < word.size()) {
        for (char c : word.substr(whole.size() + 1))
            if (!std::isdigit(static_cast<unsigned char>(c))) return std::nullopt;
    }
    return v;
}

ParsedCommand failure(int code) {
    return ParsedCommand{std::nullopt, code};
}

} // namespace

std::vector<std::string> splitCommandWords(std::string_view line) {
    std::vector<std::string> words;
    std::size_t i = 0;
    while (i < line.size()) {
        if (std::isspace(static_cast<unsigned char>(line[i]))) {
            ++i;
            continue;
        }
        std::string word;
        if (line[i] == '"') {
            // Up to the closing quote; a doubled quote is a quote of the word.
            for (++i; i < line.size(); ++i) {
                if (line[i] != '"') {
                    word += line[i];
                } else if (i + 1 < line.size() && line[i + 1] == '"') {
                    word += '"';
                    ++i;
                } else {
                    ++i;
                    break;
                }
            }
        } else {
            while (i < line.size() && !std::isspace(static_cast<unsigned char>(line[i])))
                word += line[i++];
        }
        words.push_back(std::move(word));
    }
    return words;
}

ParsedCommand parseAudioCommand(std::string_view line) {
    const std::vector<std::string> w = splitCommandWords(line);
    if (w.empty()) return failure(kAudioErrUnrecognizedCommand);
    const std::string verb = lower(w[0]);
    AudioCommand c;
    using V = AudioCommand::Verb;

    static const char* const kVerbs[] = {"open",  "close",  "set",  "status", "seek", "play",
                                         "pause", "resume", "stop", "delete", "save"};
    if (std::find(std::begin(kVerbs), std::end(kVerbs), verb) == std::end(kVerbs))
        return failure(kAudioErrUnrecognizedCommand);
    if (verb == "open") {
        // open "P" type T alias A
        if (w.size() != 6 || lower(w[2]) != "type" || lower(w[4]) != "alias")
            return failure(kAudioErrMissingParameter);
        c.verb = V::Open;
        c.path = w[1];
        c.deviceType = lower(w[3]);
        c.alias = w[5];
        if (c.deviceType != "waveaudio" && c.deviceType != "mpegvideo")
            return failure(kAudioErrUnsupported);
        return {c, 0};
    }
    if (w.size() < 2) return failure(kAudioErrMissingParameter);
    c.alias = w[1];
    std::vector<std::string> rest(w.begin() + 2, w.end());
    for (auto& r : rest)
        r = lower(r);

    // Reads "from N" and "to N" pairs in any order.
    auto fromTo = [&](std::size_t first) -> bool {
        for (std::size_t i = first; i < rest.size(); i += 2) {
            if (i + 1 >= rest.size()) return false;
            const auto n = number(rest[i + 1]);
            if (!n) return false;
            if (rest[i] == "from")
                c.from = n;
            else if (rest[i] == "to")
                c.to = n;
            else
                return false;
        }
        return true;
    };

    if (verb == "close" || verb == "pause" || verb == "resume" || verb == "stop") {
        if (!rest.empty()) return failure(kAudioErrUnrecognizedCommand);
        c.verb = verb == "close"    ? V::Close
                 : verb == "pause"  ? V::Pause
                 : verb == "resume" ? V::Resume
                                    : V::Stop;
        return {c, 0};
    }
    if (verb == "set") {
        // set A time format bytes|milliseconds|ms
        if (rest.size() != 3 || rest[0] != "time" || rest[1] != "format")
            return failure(kAudioErrUnrecognizedCommand);
        c.verb = V::Set;
        c.item = rest[2] == "ms" ? "milliseconds" : rest[2];
        if (c.item != "bytes" && c.item != "milliseconds") return failure(kAudioErrUnsupported);
        return {c, 0};
    }
    if (verb == "status") {
        if (rest.empty()) return failure(kAudioErrMissingParameter);
        c.verb = V::Status;
        c.item = rest[0];
        for (std::size_t i = 1; i < rest.size(); ++i)
            c.item += " " + rest[i];
        return {c, 0};
    }
    if (verb == "seek") {
        if (rest.size() != 2 || rest[0] != "to") return failure(kAudioErrMissingParameter);
        c.verb = V::Seek;
        if (rest[1] == "start")
            c.seekToStart = true;
        else if (rest[1] == "end")
            c.seekToEnd = true;
        else if (const auto n = number(rest[1]))
            c.from = n;
        else
            return failure(kAudioErrOutOfRange);
        return {c, 0};
    }
    if (verb == "play") {
        c.verb = V::Play;
        if (!fromTo(0)) return failure(kAudioErrOutOfRange);
        return {c, 0};
    }
    if (verb == "delete") {
        c.verb = V::Delete;
        if (!fromTo(0) || (!c.from && !c.to)) return failure(kAudioErrMissingParameter);
        return {c, 0};
    }
    if (verb == "save") {
        // save A "P" [wait]; the path keeps its letter case.
        if (w.size() < 3 || w.size() > 4) return failure(kAudioErrMissingParameter);
        c.verb = V::Save;
        c.path = w[2];
        c.wait = w.size() == 4 && lower(w[3]) == "wait";
        if (w.size() == 4 && !c.wait) return failure(kAudioErrUnrecognizedCommand);
        return {c, 0};
    }
    return failure(kAudioErrUnrecognizedCommand);
}

std::string quoteCommandWord(std::string_view text) {
    std::string out = "\"";
    for (char c : text) {
        out += c;
        if (c == '"') out += '"';
    }
    return out + "\"";
}

std::string audioErrorText(int code) {
    switch (code) {
    case kAudioOk:
        return "";
    case kAudioErrUnrecognizedCommand:
        return "Unknown command.";
    case kAudioErrInvalidDevice:
        return "The specified device is not open or is not recognized.";
    case kAudioErrCannotLoadDriver:
        return "The sound device could not be started.";
    case kAudioErrOutOfRange:
        return "The specified parameter is out of range for the specified command.";
    case kAudioErrUnsupported:
        return "The action is not supported by this device.";
    case kAudioErrFileNotFound:
        return "Cannot find the specified file.";
    case kAudioErrCannotWrite:
        return "Cannot save the specified file.";
    case kAudioErrBadFile:
        return "The file is not a sound file this device can play.";
    case kAudioErrDuplicateAlias:
        return "The specified alias is already in use.";
    case kAudioErrMissingParameter:
        return "A parameter of the command is missing or malformed.";
    default:
        return "Audio device error " + std::to_string(code) + ".";
    }
}

} // namespace kv
