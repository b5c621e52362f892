// kv_player's command line: --help and --version, one optional FILE.kvd, and
// an error that names any option the program does not know.
#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace kv {

// Answers --help (-h) and --version. Needs no display, so main() calls it
// before the application object exists. Returns the exit code when the
// program should stop, nothing otherwise.
std::optional<int> answerHelpOrVersion(const std::vector<std::string>& args, std::ostream& out);

struct PlayerArgs {
    std::optional<int> exitCode; // set: stop at once with this code
    std::string file;            // the recording to load, or ""
    std::string snapshot;        // --snapshot PNG: play a few seconds offscreen, write PNG, end
};

// True when args ask for --snapshot: the program then runs offscreen and
// silent, so main() looks before the application object exists.
bool wantsSnapshot(const std::vector<std::string>& args);

// The arguments left after Qt took its own (-platform, -style, ...).
PlayerArgs parsePlayerArgs(const std::vector<std::string>& args, std::ostream& out,
                           std::ostream& err);

} // namespace kv
