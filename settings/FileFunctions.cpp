#include "FileFunctions.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QString>

#include <filesystem>

namespace kv {

bool File_Exists(const std::string& path) {
    if (path.empty()) return false;
    if (path.find_first_of("*?") != std::string::npos) {
        const QFileInfo info(QString::fromStdString(path));
        const QDir dir = info.dir();
        return !dir.entryList({info.fileName()},
                              QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)
                    .isEmpty();
    }
    std::error_code ec;
    return std::filesystem::exists(std::filesystem::u8path(path), ec);
}

bool Is_Folder(const std::string& path) {
    if (path.empty()) return false;
    std::error_code ec;
    return std::filesystem::is_directory(std::filesystem::u8path(path), ec);
}

std::string Get_MyDocumentsFolder() {
    const QString dir = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return dir.toStdString();
}

std::string Trim_AtNull(const std::string& text) {
    return text.substr(0, text.find('\0'));
}

std::string joinPath(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
    if (folder.back() == '/' || folder.back() == std::filesystem::path::preferred_separator)
        return folder + name;
    return folder + "/" + name;
}

} // namespace kv
