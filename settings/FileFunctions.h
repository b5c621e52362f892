// Small file-system helpers. They never fail: any operating-system error
// gives the negative answer.
#pragma once

#include <string>

namespace kv {

// True when a file or folder matches the path; the last part may hold the
// wildcards * and ?. False for an empty path.
bool File_Exists(const std::string& path);
// True when the path exists and is a folder.
bool Is_Folder(const std::string& path);
// The user's documents folder, or "" when the system knows none.
std::string Get_MyDocumentsFolder();
// The text cut before its first NUL character.
std::string Trim_AtNull(const std::string& text);

// folder + separator + name, without doubling a separator.
std::string joinPath(const std::string& folder, const std::string& name);

} // namespace kv
