#include "PlaybackEngine.h"
#include "RecordingFakeChannel.h"
#include "TempDir.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace kv {
namespace {

using ::testing::ElementsAre;

struct SeenView : PlaybackView {
    explicit SeenView(MeterModel& m) : meter(m) {}
    void showRecord() override { shown.push_back(meter.CurrentRecord.TimeMs / 20 + 1); }
    void printBanner(const std::string& w) override { banners.push_back(w); }
    void setElapsedText(const std::string& t) override { elapsed = t; }
    void Update_Buttons() override { ++buttons; }
    void Update_RecordReadouts(std::int32_t i) override { readouts.push_back(i); }
    void paintBarRange(int x0, int x1) override { range = {x0, x1}; }
    MeterModel& meter;
    std::vector<std::int32_t> shown;
    std::vector<std::string> banners;
    std::vector<std::int32_t> readouts;
    std::pair<int, int> range{-1, -1};
    std::string elapsed;
    int buttons = 0;
};

// A recording at 1000 units per second (milliseconds), on virtual time, with
// a fake channel whose position follows the clock while it plays.
class EngineTest : public ::testing::Test {
protected:
    EngineTest()
        : meter([this] { return sched.now(); }), view(meter), engine(audio, meter, sched, view) {
        rec.Records = test::plainRecords(3000);
        rec.RecordCount = 3000;
        rec.LoopStartRecord = 1;
        rec.LoopEndRecord = 3000;
        rec.TotalTimeMs = rec.Records.back().TimeMs;
        rec.AudioUnitsPerSec = 1000;
        rec.SkipStepSecs = 10;
        audio.send("open \"x.mp3\" type mpegvideo alias WavFile");
        engine.setRecording(&rec);
    }
    // Moves virtual time; the sound advances with it while the fake plays.
    void run(double seconds, double step = 0.001) {
        const double start = sched.now();
        const long n = std::lround(seconds / step);
        for (long i = 1; i <= n; ++i) {
            if (audio.mode == "playing") {
                carry += step * units;
                const auto whole = static_cast<std::int64_t>(std::floor(carry + 1e-9));
                audio.position += whole;
                carry -= static_cast<double>(whole);
            }
            sched.runUntil(start + static_cast<double>(i) * step + 1e-9);
        }
    }
    std::vector<std::string> commandsSince(std::size_t from) const {
        return {audio.commands.begin() + static_cast<long>(from), audio.commands.end()};
    }
    void startPlaying() {
        engine.cmdPlay_Click();
        run(1.0); // the PLAY banner
    }

    VirtualScheduler sched;
    RecordingFakeChannel audio;
    MeterModel meter;
    SeenView view;
    RecordingFile rec;
    PlaybackEngine engine;
    double units = 1000;
    double carry = 0;
};

TEST_F(EngineTest, PlayFromIdleSeeksShowsTheBannerThenPlaysAndPolls) {
    rec.LoopStartRecord = 51;
    const std::size_t mark = audio.commands.size();
    engine.cmdPlay_Click();
    EXPECT_THAT(commandsSince(mark), ElementsAre("seek WavFile to 1000"));
    EXPECT_THAT(view.banners, ElementsAre("PLAY"));
    sched.advance(0.999);
    EXPECT_EQ(audio.commands.size(), mark + 1); // nothing during the banner
    sched.advance(0.001);
    const auto after = commandsSince(mark);
    ASSERT_GE(after.size(), 5u);
    EXPECT_THAT(std::vector<std::string>(after.begin(), after.begin() + 5),
                ElementsAre("seek WavFile to 1000", "status WavFile position", "play WavFile",
                            "status WavFile mode", "status WavFile position"));
    EXPECT_EQ(engine.TransportState, Transport::Playing);
    EXPECT_EQ(engine.PlayMode, PlayState::Playing);
}

TEST_F(EngineTest, RecordsAreShownWhenTheSoundReachesThem) {
    rec.AudioUnitsPerSec = 176400;
    units = 176400;
    startPlaying();
    run(0.999);
    EXPECT_EQ(view.shown.back(), 50);
    run(0.002);
    EXPECT_EQ(view.shown.back(), 51); // record 51 at position 176400
    // Every record shown in order, none skipped.
    for (std::size_t i = 0; i < view.shown.size(); ++i)
        EXPECT_EQ(view.shown[i], static_cast<int>(i + 1));
}

TEST_F(EngineTest, FallingBehindFetchesSeveralAndShowsTheLast) {
    meter.LagThreshold = 1;
    startPlaying();
    run(0.101); // records 1..6 shown
    ASSERT_EQ(view.shown.back(), 6);
    view.shown.clear();
    audio.position += 45; // the sound runs 45 ms ahead of the next record (7, due at 120 ms)
    run(0.02);
    EXPECT_THAT(view.shown, ElementsAre(9)); // 7 and 8 fetched (gaps 45 and 25 ms) and skipped
    EXPECT_EQ(engine.RecordCursor, 10);
    EXPECT_EQ(meter.LampColor, Lamp::Lag);
    run(0.08);
    EXPECT_EQ(meter.LampColor, Lamp::Lag);
    run(0.05);
    EXPECT_EQ(meter.LampColor, Lamp::Dark); // back after 0.1 s without a lag
}

TEST_F(EngineTest, PauseDuringTheWaitShowsTheSameRecordFirstAfterResume) {
    startPlaying();
    run(0.205);
    const std::int32_t last = view.shown.back();
    const std::size_t mark = audio.commands.size();
    engine.cmdPlay_Click(); // pause
    EXPECT_EQ(commandsSince(mark).front(), "pause WavFile");
    EXPECT_THAT(view.banners, ElementsAre("PLAY", "PAUSE"));
    run(2.0);
    EXPECT_EQ(view.shown.back(), last);
    EXPECT_EQ(engine.TransportState, Transport::Paused);
    // Paused, the engine looks at the mode once and then waits quietly: no
    // timer runs and the channel is not asked again.
    EXPECT_THAT(commandsSince(mark), ElementsAre("pause WavFile", "status WavFile mode"));
    const std::size_t quiet = audio.commands.size();
    run(5.0);
    EXPECT_EQ(audio.commands.size(), quiet);
    const std::size_t resumeMark = audio.commands.size();
    view.shown.clear();
    engine.cmdPlay_Click(); // resume
    EXPECT_EQ(commandsSince(resumeMark).front(),
              "play WavFile from " + std::to_string(engine.AudioPosition));
    run(0.05);
    // 205 ms of sound: record 11 (200 ms) was shown and record 12 (220 ms)
    // awaited; after the resume record 12 comes first, none skipped or repeated.
    EXPECT_EQ(last, 11);
    ASSERT_FALSE(view.shown.empty());
    EXPECT_EQ(view.shown.front(), 12);
}

// ShownRecord names the record the meter shows last, however it came: in
// turn, after records skipped to catch up, after a jump while paused.
TEST_F(EngineTest, ShownRecordIsTheRecordTheMeterShowsLast) {
    meter.LagThreshold = 1;
    EXPECT_EQ(engine.ShownRecord, 0);
    startPlaying();
    run(0.101);
    EXPECT_EQ(engine.ShownRecord, view.shown.back());
    audio.position += 45; // behind: records fetched and skipped
    run(0.02);
    EXPECT_EQ(view.shown.back(), 9);
    EXPECT_EQ(engine.ShownRecord, 9);
    EXPECT_EQ(engine.RecordCursor, 10); // the next one awaited
    engine.cmdPlay_Click(); // pause
    run(1.5);
    ASSERT_EQ(engine.TransportState, Transport::Paused);
    EXPECT_EQ(engine.ShownRecord, view.shown.back());
    ASSERT_TRUE(engine.goToRecord(700));
    EXPECT_EQ(view.shown.back(), 700);
    EXPECT_EQ(engine.ShownRecord, 700);
    EXPECT_EQ(engine.RecordCursor, 700); // shown, and fetched again when the sound goes on
    engine.setRecording(&rec);
    EXPECT_EQ(engine.ShownRecord, 0);
}

TEST_F(EngineTest, EndOfRangeStopsOrLoops) {
    rec.LoopEndRecord = 100;
    startPlaying();
    run(3.1);
    EXPECT_EQ(engine.PlayMode,
              PlayState::Stopped); // range ends after record 100: Stop, END banner, idle
    EXPECT_THAT(view.banners, ElementsAre("PLAY", "END"));
    EXPECT_EQ(view.shown.back(), 100);
    EXPECT_EQ(engine.RecordCursor, 1);
    EXPECT_EQ(audio.mode, "stopped");

    view.banners.clear();
    view.shown.clear();
    engine.PlayLoopEnable = true;
    startPlaying();
    const std::size_t mark = audio.commands.size();
    run(2.1);
    EXPECT_EQ(engine.PlayMode, PlayState::Playing);
    EXPECT_THAT(view.banners, ElementsAre("PLAY", "PLAY"));
    const auto after = commandsSince(mark);
    EXPECT_NE(std::find(after.begin(), after.end(), "seek WavFile to 0"), after.end());
    run(2.0); // the 2-s banner, then the range plays again from its start
    EXPECT_EQ(view.elapsed, "00:00");
    EXPECT_EQ(view.shown.front(), 1);
    EXPECT_EQ(std::count(view.shown.begin(), view.shown.end(), 1), 2);
}

TEST_F(EngineTest, ThreeFwdPressesSendOnePauseAndOnePlayFrom) {
    startPlaying();
    run(10.0);
    const std::int32_t cursor = engine.RecordCursor;
    const std::size_t mark = audio.commands.size();
    for (int i = 0; i < 3; ++i) {
        engine.cmdFwd_Click();
        run(0.3);
    }
    run(0.49);
    std::vector<std::string> transport;
    for (const auto& c : commandsSince(mark))
        if (c.rfind("status", 0) != 0) transport.push_back(c);
    EXPECT_THAT(transport, ElementsAre("pause WavFile"));
    run(0.02);
    const std::string resume =
        "play WavFile from " + std::to_string(rec.record(cursor + 1500).TimeMs);
    EXPECT_EQ(std::count(audio.commands.begin(), audio.commands.end(), resume), 1);
    EXPECT_EQ(engine.RecordCursor >= cursor + 1500, true);
}

// The loop stops polling while the sound stands still; everything that moves
// or restarts the sound wakes it: a skip's resume, a jump on the bar while
// paused, and the resume itself.
TEST_F(EngineTest, SkipsJumpsAndResumeWakeTheLoopThatRestsWhilePaused) {
    startPlaying();
    run(5.0);
    engine.cmdFwd_Click(); // pauses the sound, resumes it half a second later
    const std::int32_t target = engine.RecordCursor;
    run(1.0);
    ASSERT_FALSE(view.shown.empty());
    EXPECT_GT(view.shown.back(), target); // playing on from the skip

    engine.cmdPlay_Click(); // pause
    run(2.0);
    const std::size_t shown = view.shown.size();
    engine.barMouseDown(true, 500); // a jump while paused is drawn at once
    EXPECT_TRUE(engine.BarResetPending);
    run(0.001);
    EXPECT_FALSE(engine.BarResetPending);
    // The record jumped to is shown once, at once, and nothing else while paused.
    EXPECT_THAT(std::vector<std::int32_t>(view.shown.begin() + static_cast<long>(shown),
                                          view.shown.end()),
                ElementsAre(1500));
    run(1.0);
    EXPECT_EQ(view.shown.size(), shown + 1);
    engine.cmdPlay_Click(); // resume
    run(0.5);
    ASSERT_GT(view.shown.size(), shown);
    EXPECT_GE(view.shown.back(), 1500);
}

TEST_F(EngineTest, SkipsStayInsideTheRange) {
    rec.LoopStartRecord = 200;
    rec.LoopEndRecord = 2000;
    startPlaying();
    engine.RecordCursor = 1000;
    engine.cmdFwd_Click();
    EXPECT_EQ(engine.RecordCursor, 1500);
    engine.RecordCursor = 1600;
    engine.cmdFwd_Click();
    EXPECT_EQ(engine.RecordCursor, 1950); // past the end: one second before it
    engine.RecordCursor = 300;
    engine.cmdRev_Click();
    EXPECT_EQ(engine.RecordCursor, 200);

    rec.LoopStartRecord = 10;
    rec.LoopEndRecord = 40; // a range of 50 records or fewer
    engine.RecordCursor = 20;
    engine.cmdFwd_Click();
    EXPECT_EQ(engine.RecordCursor, 10);
}

TEST_F(EngineTest, PositionBarChoosesTheRangeWhileStopped) {
    engine.barMouseDown(true, 5); // near the left end: from the first record
    EXPECT_EQ(engine.LoopStartX, 0);
    EXPECT_EQ(rec.LoopStartRecord, 1);
    engine.barMouseDown(true, 250);
    EXPECT_EQ(rec.LoopStartRecord, 750);
    EXPECT_EQ(view.elapsed, "00:15");
    engine.barMouseUp(true, 255); // under 1 %: to the end
    EXPECT_EQ(rec.LoopEndRecord, 3000);
    EXPECT_EQ(engine.LoopEndX, 1000);
    engine.barMouseDown(true, 250);
    EXPECT_EQ(engine.barMouseMove(true, 500), "00:30");
    engine.barMouseUp(true, 500);
    EXPECT_EQ(rec.LoopEndRecord, 1500);
    EXPECT_EQ(view.range, std::make_pair(250, 500));
    engine.barMouseDown(false, 700); // right click: the whole recording
    EXPECT_EQ(rec.LoopStartRecord, 1);
    EXPECT_EQ(rec.LoopEndRecord, 3000);
}

TEST_F(EngineTest, PositionBarJumpsInsideTheRangeWhilePlaying) {
    engine.barMouseDown(true, 100);
    engine.barMouseUp(true, 600);
    startPlaying();
    run(0.1);
    std::size_t mark = audio.commands.size();
    engine.barMouseDown(true, 800); // outside the range: nothing
    EXPECT_EQ(std::count_if(audio.commands.begin() + static_cast<long>(mark), audio.commands.end(),
                            [](const std::string& c) { return c.rfind("play", 0) == 0; }),
              0);
    engine.barMouseDown(true, 400);
    EXPECT_EQ(engine.RecordCursor, 1200);
    EXPECT_EQ(audio.commands.back(),
              "play WavFile from " + std::to_string(rec.record(1200).TimeMs));
    EXPECT_TRUE(engine.BarResetPending);
    run(0.01);
    EXPECT_FALSE(engine.BarResetPending);
    EXPECT_EQ(view.range,
              std::make_pair(100, 600)); // the played part is repainted from the range start
}

TEST_F(EngineTest, StopDuringTheStartBannerLeavesNothingPlaying) {
    engine.cmdPlay_Click();
    sched.advance(0.5);
    engine.cmdStop_Click();
    run(2.0);
    EXPECT_EQ(engine.PlayMode, PlayState::Stopped);
    EXPECT_NE(audio.mode, "playing");
    EXPECT_EQ(std::count(audio.commands.begin(), audio.commands.end(), "play WavFile"), 0);
}

} // namespace
} // namespace kv
