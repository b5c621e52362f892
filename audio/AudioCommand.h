// Parsing of audio-channel command strings into a structured command.
// The grammar is the small one the program uses, e.g.
//   open "C:/a b/x.wav" type waveaudio alias WavFile
//   status WavFile position        play WavFile from 1200
//   delete WavFile from 0 to 500   save WavFile "out.wav" wait
// Words are separated by blanks; a double-quoted word may hold blanks, and a
// doubled quote inside it stands for one quote ("a ""b"".wav" is a "b".wav).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kv {

struct AudioCommand {
    enum class Verb { Open, Close, Set, Status, Seek, Play, Pause, Resume, Stop, Delete, Save };
    Verb verb = Verb::Close;
    std::string alias;
    std::string path;                 // open, save
    std::string deviceType;           // open: "waveaudio" or "mpegvideo"
    std::string item;                 // status item, or the time format of "set"
    std::optional<std::int64_t> from; // play, delete; seek target
    std::optional<std::int64_t> to;   // play, delete
    bool seekToStart = false;
    bool seekToEnd = false;
    bool wait = false;
};

struct ParsedCommand {
    std::optional<AudioCommand> command;
    int error = 0; // result code when command is empty
};

// Splits a command line into words, honouring double quotes.
std::vector<std::string> splitCommandWords(std::string_view line);

ParsedCommand parseAudioCommand(std::string_view line);

// A file name as one quoted word of a command, whatever characters it holds.
std::string quoteCommandWord(std::string_view text);

} // namespace kv
