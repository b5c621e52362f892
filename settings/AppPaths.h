// Where the program keeps and finds its files.
//  - The application directory holds kv_Player.cfg and the default
//    kv_Player.ini: the executable's folder when it is writable and holds the
//    program's data (portable use, build tree), else the per-user
//    configuration folder.
//  - dummy.mp3, the demo recordings and the user guide are looked up beside
//    the executable, then in the installed data folder.
#pragma once

#include <string>
#include <vector>

namespace kv {

// The rule itself, for any pair of folders. earlierUserDir is the folder
// earlier versions used: when it holds the program's files and userConfigDir
// holds none, they move to userConfigDir (or, if they cannot be moved, the
// earlier folder stays in use), so no user loses their settings.
std::string chooseAppDirectory(const std::string& executableDir, const std::string& userConfigDir,
                               const std::string& earlierUserDir = "");

// ~/.config/kv-player (the configuration home may be moved by XDG_CONFIG_HOME),
// and ~/.config/kv-player/kv-player, where earlier versions kept the files.
std::string userConfigDirectory();
std::string earlierUserConfigDirectory();

// Needs a QCoreApplication.
std::string appDirectory();
std::vector<std::string> dataFileCandidates(const std::string& name); // where to look, in order
std::string findDataFile(const std::string& name);                    // "" when found nowhere
std::string dummyAudioPath(); // where dummy.mp3 is, or would be

} // namespace kv
