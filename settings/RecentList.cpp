#include "RecentList.h"

#include "FileNames.h"
#include "PlayerPreferences.h"
#include "ProfileFile.h"
#include "TextConversion.h"

#include <algorithm>
#include <filesystem>

namespace kv {
namespace {

namespace fs = std::filesystem;

std::string recentKey(std::size_t i) {
    return "Recent" + std::to_string(i + 1);
}

// An absolute path of a .kvd file without control characters; anything else
// in the file is garbage.
bool plausible(const std::string& path) {
    if (path.size() < 5 || path.front() != '/' || !hasExtension(path, ".kvd")) return false;
    return std::none_of(path.begin(), path.end(),
                        [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; });
}

bool sameFile(const std::string& a, const std::string& b) {
    if (a == b) return true;
    std::error_code ec;
    const bool same = fs::equivalent(a, b, ec);
    if (!ec) return same;
    // One of them is gone: compare the spelt names, links resolved where they exist.
    return fs::weakly_canonical(a, ec).string() == fs::weakly_canonical(b, ec).string() && !ec;
}

} // namespace

RecentList loadRecentList(const std::string& settingsPath) {
    RecentList list;
    const ProfileFile file(settingsPath);
    if (!file.loaded()) return list;
    for (std::size_t i = 0; i < kRecentMax; ++i) {
        const std::string path = file.read(kPlayerSection, recentKey(i), "");
        if (!plausible(path)) continue;
        const bool seen = std::any_of(list.paths.begin(), list.paths.end(),
                                      [&](const std::string& p) { return sameFile(p, path); });
        if (!seen) list.paths.push_back(path);
    }
    list.openLastAtStart =
        textToBool(file.read(kPlayerSection, "OpenLastAtStart", "")).value_or(false);
    return list;
}

std::vector<std::string> withRecent(const std::vector<std::string>& paths,
                                    const std::string& kvdPath) {
    std::vector<std::string> out;
    std::error_code ec;
    const fs::path absolute = fs::absolute(kvdPath, ec);
    const std::string newest = ec ? kvdPath : absolute.lexically_normal().string();
    if (plausible(newest) && newest.size() <= ProfileFile::kMaxValueLength) out.push_back(newest);
    for (const std::string& p : paths) {
        if (out.size() == kRecentMax) break;
        if (!out.empty() && sameFile(p, out.front())) continue;
        out.push_back(p);
    }
    return out;
}

std::optional<FileError> saveRecentList(const std::string& settingsPath,
                                        const std::vector<std::string>& paths) {
    ProfileFile file(settingsPath);
    for (std::size_t i = 0; i < kRecentMax; ++i)
        file.write(kPlayerSection, recentKey(i), i < paths.size() ? paths[i] : std::string());
    return file.save();
}

std::optional<FileError> saveOpenLastAtStart(const std::string& settingsPath, bool on) {
    ProfileFile file(settingsPath);
    file.write(kPlayerSection, "OpenLastAtStart", on ? "True" : "False");
    return file.save();
}

} // namespace kv
