// kv_player: shows the splash for at least 3 s, then the player window.
// `kv_player FILE.kvd` also loads FILE once the window is up.
#include "AppPaths.h"
#include "DemoSnapshot.h"
#include "MainWindow.h"
#include "PlayerCommandLine.h"
#include "QtScheduler.h"
#include "RecentRecordings.h"
#include "SignalWatcher.h"
#include "SoundChannel.h"
#include "SoundDevice.h"
#include "Splash.h"
#include "SplashGate.h"

#include <QApplication>
#include <QFileInfo>
#include <QScreen>
#include <QTimer>

#include <iostream>

int main(int argc, char** argv) {
    // Help and version work without a display.
    if (const auto code = kv::answerHelpOrVersion({argv + 1, argv + argc}, std::cout)) return *code;
    // A snapshot is made offscreen and silent, wherever the program runs.
    if (kv::wantsSnapshot({argv + 1, argv + argc})) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        qputenv("KV_AUDIO", "silent");
    }
    QApplication app(argc, argv); // takes Qt's own options out of argv
    const kv::PlayerArgs args = kv::parsePlayerArgs({argv + 1, argv + argc}, std::cout, std::cerr);
    if (args.exitCode) return *args.exitCode;
    QCoreApplication::setOrganizationName(QStringLiteral("kv-player"));
    QCoreApplication::setApplicationName(QStringLiteral("kv-player"));

    kv::Splash splash;
    splash.show();

    const std::string appDir = kv::appDirectory();
    kv::SessionConfig config;
    kv::SettingsStore settings(appDir);
    kv::SoundChannel audio(kv::SoundChannel::Options{false, {}, kv::sdlDeviceOutputs()});
    kv::WindowContext context;
    context.settings = &settings;
    context.config = &config;
    context.audio = &audio;
    context.listening = &audio;
    context.appDirectory = appDir;
    context.dummyAudioPath = kv::dummyAudioPath();
    const std::string demo = kv::findDataFile("demo001.kvd");
    if (!demo.empty())
        context.demoFolder = QFileInfo(QString::fromStdString(demo)).absolutePath().toStdString();

    std::unique_ptr<kv::MainWindow> window;
    // SIGTERM, SIGINT and SIGHUP end the program as a close without questions.
    kv::SignalWatcher watcher;
    QObject::connect(&watcher, &kv::SignalWatcher::received, &app, [&] {
        if (window) window->endBySignal();
        QCoreApplication::exit(0);
    });
    // The window follows once the splash has been on screen for 3 s.
    kv::QtScheduler scheduler;
    kv::SplashGate gate(scheduler, [&] {
        window = std::make_unique<kv::MainWindow>(context);
        const QScreen* screen = QGuiApplication::primaryScreen();
        window->Form_Load(screen ? screen->geometry().width() : 1280);
        window->show();
        splash.close();
        if (!args.file.empty()) {
            const std::string file = QFileInfo(QString::fromLocal8Bit(args.file.c_str()))
                                         .absoluteFilePath()
                                         .toStdString();
            QTimer::singleShot(0, window.get(), [&window, file] { window->openChosenFile(file); });
            if (!args.snapshot.empty())
                QTimer::singleShot(0, window.get(), [&window, &args] {
                    (new kv::DemoSnapshot(*window, args.snapshot, std::cout, std::cerr))->start();
                });
        } else {
            QTimer::singleShot(0, window.get(), [&window] { window->recent().openLastIfAsked(); });
        }
    });
    QObject::connect(&splash, &kv::Splash::painted, &app, [&gate] { gate.shown(); });
    // A splash that never gets painted (a display that shows nothing) must
    // not keep the program from starting.
    QTimer::singleShot(10000, &app, [&gate] { gate.shown(); });
    return app.exec();
}
