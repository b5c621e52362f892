#include "PairFiles.h"

#include "SafeFile.h"
#include "SegmentEditor.h"

#include <filesystem>

namespace kv {

std::optional<std::string> fileNamedBy(const std::string& path,
                                       const std::vector<std::string>& files) {
    if (path.empty()) return std::nullopt;
    for (const std::string& file : files)
        if (!file.empty() && sameFile(std::filesystem::u8path(path), std::filesystem::u8path(file)))
            return file;
    return std::nullopt;
}

std::optional<std::string> pairFileNamedBy(const std::string& path, const std::string& kvdPath) {
    if (kvdPath.empty()) return std::nullopt;
    const std::string base = pairBaseOf(kvdPath);
    return fileNamedBy(path, {kvdPath, base + ".wav", base + ".mp3"});
}

std::string exportOverRecordingProblem(const std::string& path,
                                       const std::vector<std::string>& inUse) {
    const auto own = fileNamedBy(path, inUse);
    return own ? *own + " belongs to the loaded recording" : std::string();
}

} // namespace kv
