// PlayerWindowTest: the window started as the program starts it, with
// helpers to load a recording, run virtual time and press keys.
#pragma once

#include "WindowFixture.h"

#include <QKeyEvent>

namespace kv::test {

class PlayerWindowTest : public WindowFixture {
protected:
    PlayerWindowTest() { createWindow(); }
    void start() {
        window->Form_Load(1920);
        window->show();
    }
    void loadRecording(int records = 3000, std::uint8_t knob = 8) {
        auto recs = plainRecords(records);
        for (auto& r : recs) {
            r.SensIndex = knob;
            r.StatusFlags = 1 << 5;
            r.NeedlePos = 1000;
        }
        writePair("rec001", recs);
        window->openChosenFile(dir.file("rec001.kvd"));
        ASSERT_TRUE(window->isLoaded());
    }
    // Virtual time; the fake sound advances with it while it plays.
    void run(double seconds) {
        const double t0 = sched.now();
        for (int i = 1; i <= static_cast<int>(seconds * 1000 + 0.5); ++i) {
            if (audio.mode == "playing") ++audio.position;
            sched.runUntil(t0 + i / 1000.0 + 1e-9);
        }
    }
    // The widget that gets the keys: the window's focus widget, else the window.
    QWidget* focused() {
        QWidget* f = window->focusWidget();
        return f ? f : window.get();
    }
    void key(int k, bool autoRepeat = false) {
        QKeyEvent press(QEvent::KeyPress, k, Qt::NoModifier, QString(), autoRepeat);
        QApplication::sendEvent(focused(), &press);
    }
    void keyUp(int k) {
        QKeyEvent release(QEvent::KeyRelease, k, Qt::NoModifier);
        QApplication::sendEvent(focused(), &release);
    }
    void press(int k) {
        key(k);
        keyUp(k);
    }
};

} // namespace kv::test
