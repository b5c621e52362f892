#include "PairFiles.h"

#include "SafeFile.h"
#include "SegmentEditor.h"

#include <cctype>
#include <filesystem>

namespace kv {

std::string pairFile(const std::string& base, const std::string& ext) {
    std::error_code ec;
    const std::string lower = base + ext;
    if (std::filesystem::exists(
            std::filesystem::symlink_status(std::filesystem::u8path(lower), ec)))
        return lower;
    std::string upper = ext;
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    upper = base + upper;
    return std::filesystem::exists(
               std::filesystem::symlink_status(std::filesystem::u8path(upper), ec))
               ? upper
               : lower;
}

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
    return fileNamedBy(path, {kvdPath, pairFile(base, ".wav"), pairFile(base, ".mp3")});
}

std::string exportOverRecordingProblem(const std::string& path,
                                       const std::vector<std::string>& inUse) {
    const auto own = fileNamedBy(path, inUse);
    return own ? *own + " belongs to the loaded recording" : std::string();
}

} // namespace kv
