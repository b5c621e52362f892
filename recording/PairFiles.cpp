#include "PairFiles.h"

#include "SafeFile.h"
#include "SegmentEditor.h"

#include <filesystem>

namespace kv {

std::optional<std::string> pairFileNamedBy(const std::string& path, const std::string& kvdPath) {
    if (path.empty() || kvdPath.empty()) return std::nullopt;
    const std::string base = pairBaseOf(kvdPath);
    for (const std::string& own : {kvdPath, base + ".wav", base + ".mp3"})
        if (sameFile(std::filesystem::u8path(path), std::filesystem::u8path(own))) return own;
    return std::nullopt;
}

} // namespace kv
