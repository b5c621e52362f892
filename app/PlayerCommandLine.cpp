#include "PlayerCommandLine.h"

#include <ostream>

namespace kv {
namespace {

const char* const kHelp =
    "usage: kv_player [FILE.kvd]\n"
    "       kv_player --snapshot PNG FILE.kvd\n"
    "       kv_player --help | --version\n"
    "\n"
    "Plays a recording of a skin-resistance biofeedback meter (FILE.kvd with its\n"
    "FILE.wav or FILE.mp3 beside it) and shows the meter's front panel as it was.\n"
    "Without a file the window opens empty: press Load (Ctrl+O) to choose one.\n"
    "\n"
    "Options:\n"
    "  -h, --help     show this help and exit\n"
    "  --version      show the version and exit\n"
    "  --snapshot PNG play FILE for a few seconds without showing a window, write\n"
    "                 a picture of the window to PNG and a line on what was played\n"
    "Qt's own options (such as -platform NAME or -style NAME) are accepted too.\n"
    "\n"
    "Environment:\n"
    "  KV_AUDIO=silent   play through a silent sink instead of the sound device\n"
    "\n"
    "Press F1 in the program for the user guide; kvtool(1) works on recordings\n"
    "from the command line.\n";

} // namespace

std::optional<int> answerHelpOrVersion(const std::vector<std::string>& args, std::ostream& out) {
    for (const std::string& a : args) {
        if (a == "--") break;
        if (a == "--help" || a == "-h") {
            out << kHelp;
            return 0;
        }
        if (a == "--version") {
            out << "kv_player " << KV_VERSION << "\n";
            return 0;
        }
    }
    return std::nullopt;
}

PlayerArgs parsePlayerArgs(const std::vector<std::string>& args, std::ostream& out,
                           std::ostream& err) {
    PlayerArgs result;
    if ((result.exitCode = answerHelpOrVersion(args, out))) return result;
    std::vector<std::string> files;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (!optionsEnded && a == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && (a == "--snapshot" || a.rfind("--snapshot=", 0) == 0)) {
            const bool joined = a != "--snapshot";
            if (!joined && i + 1 == args.size()) {
                err << "kv_player: --snapshot needs the name of a PNG file\nTry 'kv_player --help'.\n";
                result.exitCode = 1;
                return result;
            }
            result.snapshot = joined ? a.substr(11) : args[++i];
        } else if (!optionsEnded && a.size() > 1 && a[0] == '-') {
            err << "kv_player: unknown option " << a << "\nTry 'kv_player --help'.\n";
            result.exitCode = 1;
            return result;
        } else {
            files.push_back(a);
        }
    }
    if (files.size() > 1) {
        err << "kv_player: give at most one FILE.kvd\nTry 'kv_player --help'.\n";
        result.exitCode = 1;
        return result;
    }
    if (!files.empty()) result.file = files.front();
    if (!result.snapshot.empty() && result.file.empty()) {
        err << "kv_player: --snapshot needs a FILE.kvd to play\nTry 'kv_player --help'.\n";
        result.exitCode = 1;
    }
    return result;
}

bool wantsSnapshot(const std::vector<std::string>& args) {
    for (const std::string& a : args) {
        if (a == "--") return false;
        if (a == "--snapshot" || a.rfind("--snapshot=", 0) == 0) return true;
    }
    return false;
}

} // namespace kv
