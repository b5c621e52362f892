// Where a file dialog opens: the loaded recording's folder, else the folder
// the user last chose in it, else the fallbacks in order (the demo folder for
// Load), else the home folder; never the program's working folder. Only
// folders that exist count; relative names never do.
#pragma once

#include <string>
#include <vector>

namespace kv {

// recordingBase: the loaded pair's path without extension ("" or "Buffer":
// none); lastFolder: the folder remembered for this dialog.
std::string dialogFolder(const std::string& recordingBase, const std::string& lastFolder,
                         const std::vector<std::string>& fallbacks = {});

} // namespace kv
