// Whether a path names one of a recording's own files, however it is spelt.
#pragma once

#include <optional>
#include <string>

namespace kv {

// The file of the recording whose data file is kvdPath (the data file, or its
// .wav or .mp3 sound beside it) that path names, compared by identity
// (through links, "./" and other folders' names); nothing when path names
// none of them or does not exist yet.
std::optional<std::string> pairFileNamedBy(const std::string& path, const std::string& kvdPath);

} // namespace kv
