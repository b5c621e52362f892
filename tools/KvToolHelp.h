// The texts kvtool prints about itself: the usage lines of every command, the
// overview (`kvtool --help`) and each command's own help (`kvtool COMMAND --help`).
#pragma once

#include <string>

namespace kv {

// One command: its name, what `kvtool COMMAND --help` prints, and whether it
// needs Qt or the sound device, which only kvtool-full has.
struct CommandHelp {
    const char* name;
    const char* text;
    bool full = false;
};

// The help of the command named `command`; nothing (nullptr) for a name that
// is no command.
const CommandHelp* helpFor(const std::string& command);

// The usage lines of every command, printed after a missing or unknown command.
const char* usageText();

// What `kvtool --help` prints: the commands in a few words and the exit status.
const char* overviewText();

} // namespace kv
