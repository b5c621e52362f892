// Whether a path names one of a recording's own files, however it is spelt.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace kv {

// The name of a pair's file with extension ext (".kvd", ".wav", ".mp3"):
// base + ext, or base + the extension in capitals when only that exists (as
// on media that show short names in capitals).
std::string pairFile(const std::string& base, const std::string& ext);

// The file of the recording whose data file is kvdPath (the data file, or its
// .wav or .mp3 sound beside it) that path names, compared by identity
// (through links, "./" and other folders' names); nothing when path names
// none of them or does not exist yet.
std::optional<std::string> pairFileNamedBy(const std::string& path, const std::string& kvdPath);

// The one of files that path names, compared by identity; nothing when none.
std::optional<std::string> fileNamedBy(const std::string& path,
                                       const std::vector<std::string>& files);

// Why an export to path may not be written: it would replace one of the
// files of the loaded recording (inUse); empty when it names none of them.
std::string exportOverRecordingProblem(const std::string& path,
                                       const std::vector<std::string>& inUse);

} // namespace kv
