// The recordings loaded last, newest first, kept in the settings file's
// [Player] section as Recent1 .. Recent8 (absolute paths of .kvd files) with
// OpenLastAtStart. Entries that are not such paths are dropped when read;
// keys beyond Recent8 are neither read nor written, and every other key of
// the file stays as it was.
#pragma once

#include "FileError.h"

#include <optional>
#include <string>
#include <vector>

namespace kv {

inline constexpr std::size_t kRecentMax = 8;

struct RecentList {
    std::vector<std::string> paths; // newest first, at most kRecentMax
    bool openLastAtStart = false;
};

RecentList loadRecentList(const std::string& settingsPath);

// The list with kvdPath first: an earlier entry naming the same file (by
// identity, through links) goes, and the list keeps the newest kRecentMax.
std::vector<std::string> withRecent(const std::vector<std::string>& paths,
                                    const std::string& kvdPath);

// Writes Recent1 .. Recent8 (empty past the list's end) in one save.
std::optional<FileError> saveRecentList(const std::string& settingsPath,
                                        const std::vector<std::string>& paths);
std::optional<FileError> saveOpenLastAtStart(const std::string& settingsPath, bool on);

} // namespace kv
