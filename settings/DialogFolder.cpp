#include "DialogFolder.h"

#include <QDir>

#include <filesystem>

namespace kv {
namespace {

bool usable(const std::string& folder) {
    std::error_code ec;
    return !folder.empty() && std::filesystem::path(folder).is_absolute() &&
           std::filesystem::is_directory(folder, ec);
}

} // namespace

std::string dialogFolder(const std::string& recordingBase, const std::string& lastFolder,
                         const std::vector<std::string>& fallbacks) {
    std::vector<std::string> candidates;
    if (!recordingBase.empty())
        candidates.push_back(std::filesystem::path(recordingBase).parent_path().string());
    candidates.push_back(lastFolder);
    candidates.insert(candidates.end(), fallbacks.begin(), fallbacks.end());
    for (const std::string& c : candidates)
        if (usable(c)) return c;
    return QDir::homePath().toStdString();
}

} // namespace kv
