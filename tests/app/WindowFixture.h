// WindowFixture: the real main window on virtual time, with the recording
// fake channel, scripted dialogs and a fresh application directory.
#pragma once

#include "MainWindow.h"
#include "RecordingFakeChannel.h"
#include "Scheduler.h"
#include "ScriptedDialogs.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <memory>

namespace kv::test {

class WindowFixture : public ::testing::Test {
protected:
    WindowFixture() : settings(dir.path()) {}
    void createWindow(AudioChannel* channel = nullptr) {
        WindowContext ctx{&settings, &config,    channel ? channel : &audio,
                          &sched,    dir.path(), dir.file("dummy.mp3"),
                          dir.path()};
        window = std::make_unique<MainWindow>(ctx, std::make_unique<ScriptedDialogs>(&log));
    }

    TempDir dir;
    SettingsStore settings;
    SessionConfig config;
    RecordingFakeChannel audio;
    VirtualScheduler sched;
    ScriptedDialogs::Log log;
    std::unique_ptr<MainWindow> window;
};

} // namespace kv::test
