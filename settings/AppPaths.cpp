#include "AppPaths.h"

#include "FileFunctions.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <filesystem>

namespace kv {
namespace {

bool writableFolder(const std::string& dir) {
    const QFileInfo info(QString::fromStdString(dir));
    return info.isDir() && info.isWritable();
}

std::string exeDir() {
    return QCoreApplication::applicationDirPath().toStdString();
}

// Moves kv_Player.cfg and kv_Player.ini from the earlier folder into the new
// one when the new one has neither. False when they could not be moved (the
// ones moved already go back).
bool moveEarlierFiles(const std::string& earlierDir, const std::string& userConfigDir) {
    namespace fs = std::filesystem;
    static const char* const names[] = {"kv_Player.cfg", "kv_Player.ini"};
    bool earlierHas = false;
    for (const char* n : names) {
        std::error_code ec;
        if (fs::exists(fs::symlink_status(fs::u8path(joinPath(userConfigDir, n)), ec)))
            return true; // the folder is in use already
        earlierHas = earlierHas || fs::is_regular_file(fs::u8path(joinPath(earlierDir, n)), ec);
    }
    if (!earlierHas) return true;
    std::vector<const char*> moved;
    for (const char* n : names) {
        const fs::path from = fs::u8path(joinPath(earlierDir, n));
        std::error_code ec;
        if (!fs::exists(fs::symlink_status(from, ec))) continue;
        fs::rename(from, fs::u8path(joinPath(userConfigDir, n)), ec);
        if (ec) {
            for (const char* m : moved)
                fs::rename(fs::u8path(joinPath(userConfigDir, m)),
                           fs::u8path(joinPath(earlierDir, m)), ec);
            return false;
        }
        moved.push_back(n);
    }
    return true;
}

} // namespace

std::string chooseAppDirectory(const std::string& executableDir, const std::string& userConfigDir,
                               const std::string& earlierUserDir) {
    // Portable use (and the build tree): the program's data sits beside it.
    // An installed program never writes into its own folder.
    if (writableFolder(executableDir) && File_Exists(joinPath(executableDir, "dummy.mp3")))
        return executableDir;
    QDir().mkpath(QString::fromStdString(userConfigDir));
    if (!earlierUserDir.empty() && !moveEarlierFiles(earlierUserDir, userConfigDir))
        return earlierUserDir;
    return userConfigDir;
}

std::string userConfigDirectory() {
    return joinPath(
        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation).toStdString(),
        "kv-player");
}

std::string earlierUserConfigDirectory() {
    return joinPath(userConfigDirectory(), "kv-player");
}

std::string appDirectory() {
    return chooseAppDirectory(exeDir(), userConfigDirectory(), earlierUserConfigDirectory());
}

std::vector<std::string> dataFileCandidates(const std::string& name) {
    return {
        joinPath(exeDir(), name),
        joinPath(exeDir(), "data/" + name),
        joinPath(QDir(QString::fromStdString(exeDir()) + QStringLiteral("/../share/kv-player"))
                     .absolutePath()
                     .toStdString(),
                 name),
    };
}

std::string findDataFile(const std::string& name) {
    for (const std::string& c : dataFileCandidates(name))
        if (File_Exists(c)) return c;
    return "";
}

std::string dummyAudioPath() {
    const std::string found = findDataFile("dummy.mp3");
    return found.empty() ? joinPath(exeDir(), "dummy.mp3") : found;
}

} // namespace kv
