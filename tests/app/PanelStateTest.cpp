// What the meter panel shows after a load, a failed load and a jump while
// paused, the knob and dial under Override, and a sound shorter than its
// records: the real window driven with keys, clicks and the real Load button.
#include "EventListPanel.h"
#include "KvdFile.h"
#include "MeterPanelView.h"
#include "OverviewWidget.h"
#include "PlayerFixture.h"
#include "SessionNavigator.h"

#include <QCheckBox>
#include <QLabel>
#include <QTableView>
#include <QTest>

namespace kv::test {
namespace {

// A recording whose readouts differ from record to record and from those of
// any other recording made with another seed.
std::vector<SampleRecord> varied(int count, int seed, int dialType) {
    auto recs = plainRecords(count);
    for (int i = 0; i < count; ++i) {
        SampleRecord& r = recs[static_cast<std::size_t>(i)];
        r.BaseCode = static_cast<std::uint8_t>(40 + seed * 30 + i / 100);
        r.BdCount = static_cast<std::int16_t>(seed * 40 + i / 50);
        r.SensIndex = static_cast<std::uint8_t>(seed * 12 + (i / 500) % 10);
        r.NeedlePos = static_cast<std::int16_t>(-6000 + seed * 3000 + i * 2);
        r.StatusFlags = static_cast<std::uint8_t>((dialType << 5) | 0x08 | (seed == 1 ? 0x02 : 0));
    }
    return recs;
}

class PanelStateTest : public PlayerWindowTest {
protected:
    void SetUp() override {
        start();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }
    void write(const std::string& name, const std::vector<SampleRecord>& recs) {
        ASSERT_FALSE(writeKvdFile(dir.file(name + ".kvd"), recs));
        writeText(dir.file(name + ".mp3"), "ID3");
    }
    // O, as the user presses it, answered with the file.
    void loadWithTheKey(const std::string& name) {
        log.fileAnswers.push_back(dir.file(name + ".kvd"));
        press(Qt::Key_O);
    }
    PanelReadouts& shown() { return window->panelView().panel().readouts; }
    // The needle as the panel draws it for a deflection, on a panel alike.
    NeedleTrace needleAt(std::int32_t deflection) {
        MeterPanel ref;
        ref.style = window->panelView().panel().style;
        ref.relayout(window->panelView().width(), window->panelView().devicePixelRatioF());
        ref.Draw_Panel();
        ref.Update_Needle(deflection, false);
        return ref.trace();
    }
    const NeedleTrace& needle() { return window->panelView().panel().trace(); }
    QCheckBox* overide() { return window->findChild<QCheckBox*>(QStringLiteral("chkOveride")); }
    void clickOveride() {
        QTest::mouseClick(overide(), Qt::LeftButton, Qt::NoModifier,
                          QPoint(6, overide()->height() / 2));
    }
};

TEST_F(PanelStateTest, ALoadOrAFailedLoadLeavesNothingOfTheRecordingBefore) {
    const auto a = varied(3000, 1, 1), b = varied(3000, 2, 1);
    write("walkA001", a);
    write("walkB001", b);
    const int userKnob = window->meter().KnobIndex;
    const bool userCounterOn = window->meter().BdEnabled;
    ASSERT_FALSE(userCounterOn);
    const NeedleTrace rest = needleAt(restDeflection(window->meter().DialType));

    loadWithTheKey("walkA001");
    ASSERT_TRUE(window->isLoaded());
    press(Qt::Key_P);
    run(4);
    ASSERT_FALSE(shown().BaseText.empty());
    ASSERT_NE(shown().BaseText, Format_BaseText(b[0].BaseCode));
    ASSERT_NE(needle(), rest);
    ASSERT_EQ(window->meter().LampColor, Lamp::BodyMotion);
    press(Qt::Key_P); // paused: the needle stands where A had it
    run(1.2);

    // A garbage data file unloads A: the panel is as with no recording.
    writeText(dir.file("junk001.kvd"), std::string(400, 'x'));
    writeText(dir.file("junk001.mp3"), "ID3");
    press(Qt::Key_S);
    run(1.2);
    loadWithTheKey("junk001");
    ASSERT_FALSE(window->isLoaded());
    EXPECT_EQ(window->panelView().fileDisplayText(), "No File Loaded");
    EXPECT_EQ(shown().BaseText, "");
    EXPECT_EQ(shown().BdText, "0.0");
    EXPECT_EQ(shown().BdEnabled, userCounterOn); // A's counter was on
    EXPECT_EQ(shown().knobIndex, userKnob);
    EXPECT_EQ(needle(), rest);
    EXPECT_EQ(window->meter().LampColor, Lamp::Dark);
    EXPECT_TRUE(window->findChild<QLabel*>(QStringLiteral("lblTag"))->text().isEmpty());

    // B then shows its own first record, stopped at its start, needle at rest.
    loadWithTheKey("walkB001");
    ASSERT_TRUE(window->isLoaded());
    EXPECT_EQ(shown().BaseText, Format_BaseText(b[0].BaseCode));
    EXPECT_EQ(shown().BdText, Format_BdText(b[0].BdCount));
    EXPECT_EQ(shown().knobIndex, b[0].SensIndex);
    EXPECT_EQ(needle(), rest);
    EXPECT_EQ(window->meter().LampColor, Lamp::Dark);

    // A after B, without a stop between that would show A's start anyway.
    loadWithTheKey("walkA001");
    EXPECT_EQ(shown().BaseText, Format_BaseText(a[0].BaseCode));
    EXPECT_EQ(shown().BdText, Format_BdText(a[0].BdCount));
    EXPECT_EQ(shown().knobIndex, a[0].SensIndex);
}

TEST_F(PanelStateTest, JumpsWhilePausedShowTheRecordJumpedTo) {
    writeText(dir.file("kv_Player.ini"),
              "[Player]\nShowOverview=True\nShowEventList=True\nEventKinds=tag\n");
    window.reset();
    createWindow();
    start();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    auto recs = varied(3000, 1, 1);
    for (auto& r : recs)
        r.StatusFlags &= ~0x02; // no lamp
    const std::int32_t tags[] = {701, 1501, 2201}; // 14 s, 30 s, 44 s
    for (std::int32_t t : tags) {
        recs[static_cast<std::size_t>(t - 1)].MarkType = 'T';
        recs[static_cast<std::size_t>(t - 1)].MarkData = {1, 0, 0, 0};
    }
    write("tags001", recs);
    window->openChosenFile(dir.file("tags001.kvd"));
    ASSERT_TRUE(window->isLoaded());
    auto expectShows = [&](std::int32_t record, const char* how) {
        SCOPED_TRACE(how);
        const SampleRecord& r = recs[static_cast<std::size_t>(record - 1)];
        EXPECT_EQ(shown().BaseText, Format_BaseText(r.BaseCode));
        EXPECT_EQ(shown().BdText, Format_BdText(r.BdCount));
        EXPECT_EQ(shown().knobIndex, r.SensIndex);
        EXPECT_EQ(needle(), needleAt(r.NeedlePos));
    };

    press(Qt::Key_P);
    run(9);
    press(Qt::Key_P); // paused at about 00:08
    run(1.2);
    ASSERT_EQ(window->engine().TransportState, 2);
    QTest::keyClick(focused(), Qt::Key_Right, Qt::ControlModifier);
    EXPECT_EQ(window->engine().RecordCursor, tags[0]);
    expectShows(tags[0], "Ctrl+Right");
    QTest::keyClick(focused(), Qt::Key_Right, Qt::ControlModifier);
    expectShows(tags[1], "Ctrl+Right again");

    // A click on the strip, once the double-click interval has passed.
    OverviewWidget& strip = window->navigator().overview();
    const int x = strip.width() * 3 / 4;
    QTest::mouseClick(&strip, Qt::LeftButton, Qt::NoModifier, QPoint(x, strip.height() / 2));
    QTest::qWait(QApplication::doubleClickInterval() + 100);
    EXPECT_EQ(window->engine().RecordCursor, strip.recordAt(x));
    expectShows(strip.recordAt(x), "strip");

    // A click on the event list's first row.
    QTableView* table = window->navigator().eventList().table();
    QTest::mouseClick(table->viewport(), Qt::LeftButton, Qt::NoModifier,
                      table->visualRect(table->model()->index(0, 0)).center());
    EXPECT_EQ(window->engine().RecordCursor, tags[0]);
    expectShows(tags[0], "list");

    // Fwd while paused: 10 s on.
    press(Qt::Key_Greater);
    expectShows(tags[0] + 500, "Fwd");
    // Play goes on from there.
    press(Qt::Key_P);
    run(1.5);
    EXPECT_GT(window->engine().RecordCursor, tags[0] + 500);
}

TEST_F(PanelStateTest, AKnobTurnedUnderOverrideStaysAtStopAndIsWhatTheSessionKeeps) {
    write("rec001", varied(3000, 1, 1));
    window->openChosenFile(dir.file("rec001.kvd"));
    clickOveride();
    ASSERT_TRUE(window->meter().Override);
    const int start = window->meter().KnobIndex;
    press(Qt::Key_P);
    run(1.5);
    for (int i = 0; i < 8; ++i)
        press(Qt::Key_Up);
    EXPECT_EQ(window->meter().KnobIndex, start + 8);
    press(Qt::Key_S);
    run(1.5);
    EXPECT_EQ(window->meter().KnobIndex, start + 8);
    EXPECT_EQ(shown().knobIndex, start + 8);

    // A drag on the knob while playing is a change of the user's too.
    press(Qt::Key_P);
    run(1.5);
    MeterPanelView& view = window->panelView();
    const QRectF k = view.panel().knobRect();
    const QPoint top =
        k.center().toPoint() + QPoint(0, std::max(0, (view.height() - view.panel().heightPx()) / 2));
    const QPoint left = top + QPoint(-static_cast<int>(k.width() / 3), 0);
    QTest::mousePress(&view, Qt::LeftButton, Qt::NoModifier, top - QPoint(0, int(k.height() / 3)));
    QTest::mouseMove(&view, left);
    QTest::mouseRelease(&view, Qt::LeftButton, Qt::NoModifier, left);
    const int dragged = window->meter().KnobIndex;
    ASSERT_LT(dragged, 32);
    press(Qt::Key_S);
    run(1.5);
    EXPECT_EQ(window->meter().KnobIndex, dragged);

    window->close();
    const std::string cfg = readText(dir.file("kv_Player.cfg"));
    std::size_t at = 0;
    for (int line = 0; line < 3; ++line)
        at = cfg.find("\r\n", at) + 2;
    EXPECT_EQ(cfg.substr(at, cfg.find("\r\n", at) - at), std::to_string(dragged)) << cfg;
}

TEST_F(PanelStateTest, TickingOverrideBringsBackTheChosenDialStoppedOrPlaying) {
    const int chosen = window->meter().DialType;
    const int recorded = chosen == 2 ? 1 : 2;
    write("rec001", varied(3000, 1, recorded));
    window->openChosenFile(dir.file("rec001.kvd"));
    press(Qt::Key_P);
    run(2);
    press(Qt::Key_S);
    run(1.5);
    ASSERT_EQ(window->meter().DialType, recorded); // stopped, showing the recording's start

    clickOveride(); // stopped
    EXPECT_EQ(window->meter().DialType, chosen);
    EXPECT_EQ(window->panelView().panel().style.DialType, chosen);
    clickOveride();
    ASSERT_FALSE(window->meter().Override);

    press(Qt::Key_P);
    run(2);
    ASSERT_EQ(window->meter().DialType, recorded);
    clickOveride(); // playing
    EXPECT_EQ(window->meter().DialType, chosen);
    run(0.5);
    EXPECT_EQ(window->panelView().panel().style.DialType, chosen);
}

TEST_F(PanelStateTest, ASoundShorterThanTheRecordsIsSaidAtLoadAndStopsPlaybackWithAMessage) {
    write("rec001", plainRecords(3000)); // 59.98 s
    audio.length = "40000";              // 40 s of sound (milliseconds)
    loadWithTheKey("rec001");
    ASSERT_TRUE(window->isLoaded());
    ASSERT_EQ(log.messages.size(), 1u);
    EXPECT_EQ(log.messages[0].text, "The sound of rec001 ends at 00:40, 20.0 s before its records "
                                    "(00:59). Playback stops where the sound ends.");
    EXPECT_EQ(log.messages[0].icon, MessageIcon::Information);

    press(Qt::Key_P);
    const double t0 = sched.now();
    for (int i = 1; i <= 45000 && window->engine().PlayMode == 2; ++i) {
        if (audio.mode == "playing" && ++audio.position >= 40000) audio.mode = "stopped";
        sched.runUntil(t0 + i / 1000.0 + 1e-9);
    }
    run(1.5); // the END banner
    EXPECT_EQ(window->engine().PlayMode, 0);
    ASSERT_EQ(log.messages.size(), 2u);
    EXPECT_EQ(log.messages[1].text,
              "The sound ended at 00:40, before the records (00:59): playback stopped there.");

    // A sound as long as the records says nothing.
    log.messages.clear();
    audio.length = "59980";
    loadWithTheKey("rec001");
    EXPECT_TRUE(log.messages.empty());
}

} // namespace
} // namespace kv::test
