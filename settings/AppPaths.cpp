#include "AppPaths.h"

#include "FileFunctions.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace kv {
namespace {

bool writableFolder(const std::string& dir) {
    const QFileInfo info(QString::fromStdString(dir));
    return info.isDir() && info.isWritable();
}

std::string exeDir() {
    return QCoreApplication::applicationDirPath().toStdString();
}

} // namespace

std::string chooseAppDirectory(const std::string& executableDir, const std::string& userConfigDir) {
    // Portable use (and the build tree): the program's data sits beside it.
    // An installed program never writes into its own folder.
    if (writableFolder(executableDir) && File_Exists(joinPath(executableDir, "dummy.mp3")))
        return executableDir;
    QDir().mkpath(QString::fromStdString(userConfigDir));
    return userConfigDir;
}

std::string appDirectory() {
    return chooseAppDirectory(
        exeDir(),
        QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation).toStdString());
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
