// File names compared as the program compares them everywhere: an extension
// counts in any mix of letter case ("walk.Kvd", "WALK.KVD" and "walk.kvd" are
// all data files), as recordings come from media that change the case.
#pragma once

#include <string_view>

namespace kv {

// True when path ends in ext (".kvd", ".png" ...), ASCII letters compared
// without regard to case. The name before the extension may be empty.
bool hasExtension(std::string_view path, std::string_view ext);

} // namespace kv
