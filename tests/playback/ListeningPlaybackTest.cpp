// The engine at other speeds and with a sync offset, against the real audio
// channel's silent sink on virtual time: the records shown follow the
// channel's position, which stays in the sound file's units.
#include "PlaybackEngine.h"
#include "RecordingClock.h"
#include "SoundChannel.h"
#include "TempDir.h"

#include "DemoData.h"

#include <gtest/gtest.h>

#include <cmath>

namespace kv {
namespace {

struct Shown {
    std::int32_t record;
    double positionMs; // the channel's position when the record was shown
};

class ListeningEngineTest : public ::testing::Test, private PlaybackView {
protected:
    ListeningEngineTest()
        : audio(SoundChannel::Options{true,
                                      [this] {
                                          return std::chrono::steady_clock::time_point(
                                              std::chrono::nanoseconds(
                                                  std::llround(sched.now() * 1e9)));
                                      }}),
          meter([this] { return sched.now(); }), engine(audio, meter, sched, *this) {
        writeDemoAudio(dir.file("s.wav"), 130.0, DemoAudioFormat::Wav);
        audio.send("open \"" + dir.file("s.wav") + "\" type waveaudio alias WavFile");
        audio.send("set WavFile time format bytes");
        rec.Records = test::plainRecords(6000);
        rec.RecordCount = 6000;
        rec.LoopStartRecord = 1;
        rec.LoopEndRecord = 6000;
        rec.TotalTimeMs = rec.Records.back().TimeMs;
        rec.AudioUnitsPerSec = std::stoi(audio.send("status WavFile samplespersec").text) *
                               std::stoi(audio.send("status WavFile channels").text) *
                               std::stoi(audio.send("status WavFile bitspersample").text) / 8;
        rec.SkipStepSecs = 10;
        engine.setRecording(&rec);
    }
    double positionMs() {
        return std::stod(audio.send("status WavFile position").text) * 1000.0 /
               rec.AudioUnitsPerSec;
    }
    void setSpeed(double speed) {
        audio.setSpeed(speed);
        engine.setSpeed(speed);
    }
    void showRecord() override {
        shown.push_back({meter.CurrentRecord.TimeMs / 20 + 1, positionMs()});
    }
    void startPlaying() {
        engine.cmdPlay_Click();
        sched.advance(1.0); // the PLAY banner
        shown.clear();
    }
    // Every record shown was due: the sound (less the offset) had reached
    // its time, by less than the 10 ms that would have skipped it.
    void expectShownOnTime(int offsetMs = 0) {
        for (const Shown& s : shown) {
            const double t = s.positionMs - offsetMs * engine.Speed;
            const double due = (s.record - 1) * 20.0;
            ASSERT_GE(t, due - 1e-6) << "record " << s.record;
            ASSERT_LT(t - due, 10.0) << "record " << s.record;
        }
    }
    void expectNoneSkipped() {
        for (std::size_t i = 1; i < shown.size(); ++i)
            ASSERT_EQ(shown[i].record, shown[i - 1].record + 1) << "after " << shown[i - 1].record;
    }

    test::TempDir dir;
    VirtualScheduler sched;
    SoundChannel audio;
    MeterModel meter;
    RecordingFile rec;
    PlaybackEngine engine;
    std::vector<Shown> shown;
};

TEST_F(ListeningEngineTest, AtEverySpeedTheRecordsShownFollowThePosition) {
    for (const double speed : {0.5, 0.75, 1.0, 1.25, 1.5, 2.0}) {
        SCOPED_TRACE(speed);
        setSpeed(speed);
        startPlaying();
        sched.advance(10.0);
        // Records are due `speed` times as fast; none is skipped.
        EXPECT_NEAR(static_cast<double>(shown.size()), 10 * 50 * speed, 2);
        expectShownOnTime();
        expectNoneSkipped();
        EXPECT_NEAR(positionMs(), 10000 * speed, 1);
        engine.cmdStop_Click();
        sched.advance(1.0);
    }
}

TEST_F(ListeningEngineTest, ASpeedChangeWhilePlayingGoesOnWithoutAJump) {
    startPlaying();
    sched.advance(5.0);
    setSpeed(2.0);
    sched.advance(5.0);
    setSpeed(0.75);
    sched.advance(4.0);
    EXPECT_NEAR(positionMs(), 5000 + 10000 + 3000, 1);
    expectShownOnTime();
    expectNoneSkipped();
    for (std::size_t i = 1; i < shown.size(); ++i)
        ASSERT_LT(shown[i].positionMs - shown[i - 1].positionMs, 30.0);
}

TEST_F(ListeningEngineTest, ASpeedChangeWhilePausedActsFromTheResume) {
    startPlaying();
    sched.advance(4.0);
    engine.cmdPlay_Click(); // pause
    sched.advance(2.0);
    setSpeed(1.5);
    const double pausedAt = positionMs();
    const std::int32_t nextRecord = shown.back().record + 1;
    shown.clear();
    engine.cmdPlay_Click(); // resume
    sched.advance(4.0);
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(shown.front().record, nextRecord);
    EXPECT_NEAR(positionMs(), pausedAt + 6000, 1);
    expectShownOnTime();
    expectNoneSkipped();
}

TEST_F(ListeningEngineTest, AnOffsetOf200MsShiftsTheShownRecordByTen) {
    auto lastShownAfter10s = [this](int offsetMs) {
        engine.SyncOffsetMs = offsetMs;
        startPlaying();
        sched.advance(10.0);
        expectShownOnTime(offsetMs);
        const std::int32_t last = shown.back().record;
        engine.cmdStop_Click();
        sched.advance(1.0);
        return last;
    };
    const std::int32_t none = lastShownAfter10s(0);
    EXPECT_EQ(engine.ShownSecs, 10);
    EXPECT_EQ(lastShownAfter10s(200), none - 10);
    EXPECT_EQ(engine.ShownSecs, 9); // the elapsed time is that of the sound heard
    EXPECT_EQ(lastShownAfter10s(-200), none + 10);
    EXPECT_EQ(engine.ShownSecs, 10);
    // The offset is heard time: at 2x, 200 ms of delay hold 20 records.
    setSpeed(2.0);
    const std::int32_t fast = lastShownAfter10s(0);
    EXPECT_EQ(lastShownAfter10s(200), fast - 20);
}

TEST(RecordingClockTest, RunsAtTheSpeedFromWhereItStood) {
    double wall = 100;
    RecordingClock clock([&] { return wall; });
    EXPECT_EQ(clock.now(), 100); // at 1x it is the wall clock
    wall = 110;
    clock.setSpeed(2.0);
    EXPECT_EQ(clock.now(), 110);
    wall = 113;
    EXPECT_EQ(clock.now(), 116);
    EXPECT_EQ(clock.wallSecondsUntil(120), 2);
    clock.setSpeed(0.5);
    wall = 117;
    EXPECT_EQ(clock.now(), 118);
    clock.setSpeed(1.0);
    wall = 118;
    EXPECT_EQ(clock.now(), 119);
}

} // namespace
} // namespace kv
