// kv_player: starts the player window; `kv_player FILE.kvd` also loads FILE.
#include "AppPaths.h"
#include "FileFunctions.h"
#include "MainWindow.h"
#include "SoundChannel.h"

#include <QApplication>
#include <QFileInfo>
#include <QScreen>
#include <QTimer>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("kv-player"));
    QCoreApplication::setApplicationName(QStringLiteral("kv-player"));

    const std::string appDir = kv::appDirectory();
    const int screenWidth = QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->geometry().width() : 1280;

    kv::SessionConfig config;
    if (!config.Read_Config(appDir, screenWidth)) config.Write_Config(appDir, kv::WindowPlacement{
        double(config.MainLeft), double(config.MainTop), double(config.MainWidth), config.MainWindowState});
    kv::SettingsStore settings(appDir);
    settings.SettingsFilePath = config.SettingsFilePath;
    settings.Load_Settings();
    settings.values.ChosenDialType = static_cast<std::int16_t>(settings.values.DialType);

    kv::SoundChannel audio;
    kv::WindowContext context;
    context.settings = &settings;
    context.config = &config;
    context.audio = &audio;
    context.appDirectory = appDir;
    context.dummyAudioPath = kv::dummyAudioPath();
    const std::string demo = kv::findDataFile("demo001.kvd");
    if (!demo.empty()) context.demoFolder = QFileInfo(QString::fromStdString(demo)).absolutePath().toStdString();

    kv::MainWindow window(context);
    const int width = std::max<int>(config.MainWidth, 650);
    window.setGeometry(config.MainLeft, std::max<int>(config.MainTop, 0), width, static_cast<int>(width / 1.6) + 81);
    if (config.MainWindowState == 2) window.showMaximized();
    else window.show();

    const QStringList args = QCoreApplication::arguments();
    if (args.size() > 1) {
        const std::string file = QFileInfo(args.at(1)).absoluteFilePath().toStdString();
        QTimer::singleShot(0, &window, [&window, file] { window.openChosenFile(file); });
    }
    return app.exec();
}
