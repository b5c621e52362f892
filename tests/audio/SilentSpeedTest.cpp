// The silent sink honours the speed: positions stay in the file's units and
// advance `speed` times as fast, with no jump when the speed changes.
#include "SoundChannel.h"
#include "TempDir.h"

#include "DemoData.h"

#include <gtest/gtest.h>

namespace kv {
namespace {

using namespace std::chrono_literals;

class SilentSpeedTest : public ::testing::Test {
protected:
    SilentSpeedTest() : channel(SoundChannel::Options{true, [this] { return now; }}) {
        writeDemoAudio(dir.file("s.wav"), 60.0, DemoAudioFormat::Wav);
        EXPECT_EQ(
            channel.send("open \"" + dir.file("s.wav") + "\" type waveaudio alias WavFile").code,
            0);
        channel.send("set WavFile time format bytes");
        bytesPerSec = std::stoll(channel.send("status WavFile samplespersec").text) *
                      std::stoll(channel.send("status WavFile channels").text) *
                      std::stoll(channel.send("status WavFile bitspersample").text) / 8;
    }
    double seconds() {
        return static_cast<double>(std::stoll(channel.send("status WavFile position").text)) /
               static_cast<double>(bytesPerSec);
    }
    test::TempDir dir;
    std::chrono::steady_clock::time_point now{std::chrono::seconds(1000)};
    SoundChannel channel;
    long long bytesPerSec = 0;
};

TEST_F(SilentSpeedTest, PositionsAdvanceAtTheSpeedInTheFilesUnits) {
    for (const double speed : {0.5, 0.75, 1.0, 1.25, 1.5, 2.0}) {
        channel.setSpeed(speed);
        channel.send("play WavFile from 0");
        now += 4s;
        EXPECT_NEAR(seconds(), 4 * speed, 1e-3) << speed;
        channel.send("stop WavFile");
    }
}

TEST_F(SilentSpeedTest, ChangingSpeedWhilePlayingGoesOnFromThePositionReached) {
    channel.send("play WavFile from 0");
    now += 3s;
    channel.setSpeed(2.0);
    EXPECT_NEAR(seconds(), 3.0, 1e-3); // no jump
    now += 3s;
    EXPECT_NEAR(seconds(), 9.0, 1e-3);
    channel.setSpeed(0.5);
    now += 2s;
    EXPECT_NEAR(seconds(), 10.0, 1e-3);
}

TEST_F(SilentSpeedTest, ChangingSpeedWhilePausedActsOnResume) {
    channel.send("play WavFile from 0");
    now += 2s;
    channel.send("pause WavFile");
    channel.setSpeed(1.5);
    now += 5s;
    EXPECT_NEAR(seconds(), 2.0, 1e-3);
    const std::string at = channel.send("status WavFile position").text;
    channel.send("play WavFile from " + at);
    now += 2s;
    EXPECT_NEAR(seconds(), 5.0, 1e-3);
    // A new open keeps the speed chosen.
    channel.send("close WavFile");
    channel.send("open \"" + dir.file("s.wav") + "\" type waveaudio alias WavFile");
    channel.send("set WavFile time format bytes");
    channel.send("play WavFile from 0");
    now += 2s;
    EXPECT_NEAR(seconds(), 3.0, 1e-3);
}

} // namespace
} // namespace kv
