// WindowFixture: the real main window on virtual time, with the recording
// fake channel, scripted dialogs and a fresh application directory.
#pragma once

#include "KvdFile.h"
#include "MainWindow.h"
#include "PositionBar.h"
#include "RecordingFakeChannel.h"
#include "Scheduler.h"
#include "ScriptedDialogs.h"
#include "TempDir.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

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
    // A pair name.kvd / name.mp3 of these records.
    void writePair(const std::string& name, const std::vector<SampleRecord>& recs) {
        ASSERT_FALSE(writeKvdFile(dir.file(name + ".kvd"), recs));
        writeText(dir.file(name + ".mp3"), "ID3");
    }
    // A menu item by name, also one a part of the window added to a menu.
    QAction* item(const char* name) {
        const QString n = QString::fromLatin1(name);
        QAction* a = window->menus().item(n);
        return a ? a : window->findChild<QAction*>(n);
    }
    QToolButton* button(const char* name) {
        return window->findChild<QToolButton*>(QString::fromLatin1(name));
    }
    void click(const char* name) { QTest::mouseClick(button(name), Qt::LeftButton); }
    PositionBar* bar() {
        return window->findChild<PositionBar*>(QStringLiteral("picFilePosition"));
    }
    // A point on the bar at x of its 0..1000 scale.
    QPoint onBar(int x) { return QPoint(x * bar()->width() / 1000, bar()->height() / 2); }
    void dragOnBar(int from, int to) {
        QTest::mousePress(bar(), Qt::LeftButton, {}, onBar(from));
        QTest::mouseMove(bar(), onBar(to));
        QTest::mouseRelease(bar(), Qt::LeftButton, {}, onBar(to));
    }
    // Clicks the menu's title on the menu bar; the menu that opened.
    QMenu* openMenu(const char* menuName) {
        QMenuBar* menuBar = window->menuBar();
        QMenu* menu = window->menus().menu(QString::fromLatin1(menuName));
        QTest::mouseClick(menuBar, Qt::LeftButton, {},
                          menuBar->actionGeometry(menu->menuAction()).center());
        return qobject_cast<QMenu*>(QApplication::activePopupWidget());
    }
    // Opens the menu on the menu bar and clicks its item, as the user does.
    void choose(const char* menuName, const char* itemName) {
        QMenu* popup = openMenu(menuName);
        ASSERT_EQ(popup, window->menus().menu(QString::fromLatin1(menuName)));
        QTest::mouseClick(popup, Qt::LeftButton, {},
                          popup->actionGeometry(item(itemName)).center());
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
