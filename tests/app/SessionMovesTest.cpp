// Ctrl+G, Left/Right and Shift+Left/Right through keys to the focused widget:
// every move is the jump a click makes, and a step of one record shows the
// state a jump to that record shows.
#include "PlayerFixture.h"

#include "MeterPanelView.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace kv {
namespace {

using test::PlayerWindowTest;
using test::plainRecords;

class SessionMovesTest : public PlayerWindowTest {
protected:
    void startActive() {
        start();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }
    // 60 s whose every record differs: reading, needle, Base, counter.
    void loadVaried(int records = 3000) {
        auto recs = plainRecords(records);
        for (int i = 0; i < records; ++i) {
            SampleRecord& r = recs[static_cast<std::size_t>(i)];
            r.RawReading = static_cast<std::uint16_t>(4000 + (i * 37) % 3000);
            r.NeedlePos = static_cast<std::int16_t>(200 + (i * 53) % 1600);
            r.BaseCode = static_cast<std::uint8_t>(40 + i % 150);
            r.BdCount = static_cast<std::int16_t>(i / 7);
            r.SensIndex = 12;
            r.StatusFlags = (1 << 5) | 0x08;
        }
        writePair("varied", recs);
        window->openChosenFile(dir.file("varied.kvd"));
        ASSERT_TRUE(window->isLoaded());
    }
    // Types each text into the Go to Time dialog Ctrl+G opens and presses
    // OK; the reason shown after each (empty once the dialog closed).
    std::vector<QString> goTo(std::vector<const char*> texts) {
        std::vector<QString> reasons;
        bool opened = false;
        log.onModal = [&](QDialog& d) {
            opened = true;
            auto* edit = d.findChild<QLineEdit*>(QStringLiteral("txtTime"));
            auto* ok = d.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
            for (const char* text : texts) {
                edit->clear();
                QTest::keyClicks(edit, QString::fromUtf8(text));
                QTest::mouseClick(ok, Qt::LeftButton);
                const auto* reason = d.findChild<QLabel*>(QStringLiteral("lblReason"));
                reasons.push_back(d.result() == QDialog::Accepted ? QString()
                                  : reason->isHidden()            ? QStringLiteral("(none)")
                                                                  : reason->text());
                if (d.result() == QDialog::Accepted) break;
            }
        };
        QTest::keyClick(focused(), Qt::Key_G, Qt::ControlModifier);
        EXPECT_TRUE(opened);
        log.onModal = nullptr;
        return reasons;
    }
    QString elapsed() { return window->findChild<QLabel*>(QStringLiteral("lblPlayTime"))->text(); }
    void keyWith(int k, Qt::KeyboardModifiers mods) { QTest::keyClick(focused(), Qt::Key(k), mods); }
    void pause() {
        press(Qt::Key_P);
        run(1.1);
        ASSERT_EQ(window->engine().TransportState, Transport::Paused);
    }
    // What the window shows of the meter: the panel's picture and the
    // readouts; raw is the reading the graph is given. (The graph's strip
    // keeps the points of where playback was before, jump or step.)
    struct Shown {
        QImage panel;
        std::string base, counter, elapsed;
        int knob = 0;
        std::int32_t raw = 0;
        bool operator==(const Shown&) const = default;
    };
    Shown shown() {
        auto& m = window->meter();
        return {window->panelView().grab().toImage(),
                m.BaseText,
                m.BdText,
                elapsed().toStdString(),
                m.KnobIndex,
                m.RawValue};
    }
};

TEST_F(SessionMovesTest, GoToTimeWhileStoppedMovesTheRangeStartAsABarClickDoes) {
    startActive();
    loadVaried();
    EXPECT_EQ(goTo({"0:30"}), std::vector<QString>{QString()});
    const RecordingFile& r = *window->recording();
    EXPECT_EQ(r.LoopStartRecord, 1501); // the record at 30.000 s
    EXPECT_EQ(r.LoopEndRecord, r.RecordCount);
    EXPECT_EQ(elapsed(), QStringLiteral("00:30"));
    EXPECT_EQ(window->meter().BaseText.empty(), false);

    // Seconds with a fraction go to the first record at or after them.
    EXPECT_EQ(goTo({"12.51s"}), std::vector<QString>{QString()});
    EXPECT_EQ(window->recording()->LoopStartRecord, 627); // 12.520 s
}

TEST_F(SessionMovesTest, BadTimesAreRefusedInsideTheDialogWithTheReason) {
    startActive();
    loadVaried();
    const auto reasons = goTo({"", "-5", "99:99:99", "1e309", "ten", "10:41:30", "1:00:00", "0:45"});
    ASSERT_EQ(reasons.size(), 8u);
    EXPECT_TRUE(reasons[0].contains(QStringLiteral("No time was typed")));
    EXPECT_TRUE(reasons[1].contains(QStringLiteral("cannot be negative")));
    EXPECT_TRUE(reasons[2].contains(QStringLiteral("from 00 to 59")));
    EXPECT_TRUE(reasons[3].contains(QStringLiteral("is not a time")));
    EXPECT_TRUE(reasons[4].contains(QStringLiteral("is not a time")));
    EXPECT_TRUE(reasons[5].contains(QStringLiteral("no clock mark")));
    EXPECT_TRUE(reasons[6].contains(QStringLiteral("past the end of the recording (00:59)")));
    EXPECT_TRUE(reasons[7].isEmpty()); // the last is taken and the dialog closes
    EXPECT_EQ(window->recording()->LoopStartRecord, 2251);
    EXPECT_TRUE(log.messages.empty()); // no message boxes besides the dialog
}

TEST_F(SessionMovesTest, WhilePlayingAGoToStaysInsideTheRange) {
    startActive();
    loadVaried();
    dragOnBar(200, 500); // a range of about 12 s to 30 s
    press(Qt::Key_P);
    run(1.5);
    const auto reasons = goTo({"0:50", "0:20"});
    ASSERT_EQ(reasons.size(), 2u);
    EXPECT_TRUE(reasons[0].contains(QStringLiteral("outside the range being played")));
    EXPECT_TRUE(reasons[1].isEmpty());
    EXPECT_EQ(window->engine().RecordCursor, 1001);
    EXPECT_EQ(audio.commands.back(), "play WavFile from 20000");
}

TEST_F(SessionMovesTest, ArrowsGoASecondAndShiftArrowsOneRecord) {
    startActive();
    loadVaried();
    PlaybackEngine& e = window->engine();
    // Stopped: the range's start moves, as a click on the bar moves it.
    keyWith(Qt::Key_Right, Qt::NoModifier);
    keyWith(Qt::Key_Right, Qt::NoModifier);
    EXPECT_EQ(window->recording()->LoopStartRecord, 101);
    keyWith(Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(window->recording()->LoopStartRecord, 102);
    keyWith(Qt::Key_Left, Qt::NoModifier);
    EXPECT_EQ(window->recording()->LoopStartRecord, 52);
    keyWith(Qt::Key_Left, Qt::NoModifier);
    EXPECT_EQ(window->recording()->LoopStartRecord, 2);
    keyWith(Qt::Key_Left, Qt::NoModifier);
    EXPECT_EQ(window->recording()->LoopStartRecord, 1); // not before the first

    // Playing: a second of records from the cursor; Shift does nothing.
    press(Qt::Key_P);
    run(2.0);
    const std::int32_t at = e.RecordCursor;
    keyWith(Qt::Key_Right, Qt::NoModifier);
    EXPECT_EQ(e.RecordCursor, at + 50);
    keyWith(Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(e.RecordCursor, at + 50);
    keyWith(Qt::Key_Left, Qt::NoModifier);
    EXPECT_EQ(e.RecordCursor, at);
}

TEST_F(SessionMovesTest, AStepOfOneRecordShowsWhatAJumpToItShows) {
    startActive();
    loadVaried();
    window->findChild<QAction*>(QStringLiteral("mnuViewGraph"))->trigger();
    press(Qt::Key_P);
    run(3.0);
    pause();
    const std::int32_t from = window->engine().ShownRecord;
    ASSERT_GT(from, 50);
    keyWith(Qt::Key_Right, Qt::ShiftModifier);
    keyWith(Qt::Key_Right, Qt::ShiftModifier);
    keyWith(Qt::Key_Left, Qt::ShiftModifier);
    ASSERT_EQ(window->engine().ShownRecord, from + 1);
    EXPECT_EQ(window->meter().CurrentRecord.TimeMs, from * 20);
    const Shown stepped = shown();

    // Elsewhere, then a jump straight to the same record by its time.
    keyWith(Qt::Key_Right, Qt::NoModifier);
    keyWith(Qt::Key_Right, Qt::NoModifier);
    ASSERT_NE(shown().raw, stepped.raw);
    const std::string at = "0:0" + std::to_string(from * 20 / 1000) + "." +
                           std::to_string(from * 20 % 1000 / 100) +
                           std::to_string(from * 20 % 100 / 10);
    ASSERT_EQ(goTo({at.c_str()}), std::vector<QString>{QString()});
    ASSERT_EQ(window->engine().ShownRecord, from + 1);
    const Shown jumped = shown();
    EXPECT_EQ(jumped.base, stepped.base);
    EXPECT_EQ(jumped.counter, stepped.counter);
    EXPECT_EQ(jumped.knob, stepped.knob);
    EXPECT_EQ(jumped.raw, stepped.raw);
    EXPECT_EQ(jumped.elapsed, stepped.elapsed);
    EXPECT_TRUE(jumped.panel == stepped.panel);
}

TEST_F(SessionMovesTest, PausedTheElapsedTimeHasTenthsOfTheRecordShown) {
    startActive();
    loadVaried();
    press(Qt::Key_P);
    run(3.0);
    EXPECT_FALSE(elapsed().contains(QLatin1Char('.')));
    pause();
    ASSERT_EQ(goTo({"0:12.34"}), std::vector<QString>{QString()});
    EXPECT_EQ(elapsed(), QStringLiteral("00:12.3"));
    keyWith(Qt::Key_Right, Qt::ShiftModifier); // 12.36 s
    EXPECT_EQ(elapsed(), QStringLiteral("00:12.3"));
    for (int i = 0; i < 3; ++i) keyWith(Qt::Key_Right, Qt::ShiftModifier); // 12.42 s
    EXPECT_EQ(elapsed(), QStringLiteral("00:12.4"));
    press(Qt::Key_P); // on again: whole seconds
    EXPECT_EQ(elapsed(), QStringLiteral("00:12"));
}

} // namespace
} // namespace kv
