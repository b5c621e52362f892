// The silent sink honours the speed: positions stay in the file's units and
// advance `speed` times as fast, with no jump when the speed changes.
#include "SoundChannel.h"
#include "TempDir.h"

#include "DemoData.h"

#include <gtest/gtest.h>

#include <vector>

namespace kv {
namespace {

// The sound is written at 11025 Hz, 2 channels, 16 bits: 11025 * 2 * 2 = 44100
// bytes per second of sound, the unit of positions after "time format bytes".
constexpr double kBytesPerSec = 44100;

// One step of a script: a command to the channel, a new speed, or time passing;
// `at` is the position (seconds of sound) expected after it, or negative for none.
struct Step {
    enum Kind { Send, Speed, Wait, ResumeWhereItStands, Reopen } kind;
    double value = 0;
    const char* command = "";
    double at = -1;
};

Step send(const char* command) {
    return {Step::Send, 0, command};
}
Step speed(double s) {
    return {Step::Speed, s};
}
Step wait(double secs, double at) {
    return {Step::Wait, secs, "", at};
}

struct Script {
    const char* name;
    std::vector<Step> steps;
};

const Script kScripts[] = {
    {"each speed from the start",
     {speed(0.5), send("play WavFile from 0"), wait(4, 2.0), send("stop WavFile"), speed(0.75),
      send("play WavFile from 0"), wait(4, 3.0), send("stop WavFile"), speed(1.25),
      send("play WavFile from 0"), wait(4, 5.0), send("stop WavFile"), speed(2.0),
      send("play WavFile from 0"), wait(4, 8.0)}},
    // 3 s at 1x, 3 s at 2x (6 s of sound), 2 s at 0.5x (1 s of sound).
    {"changing speed while playing",
     {send("play WavFile from 0"), wait(3, 3.0), speed(2.0), wait(0, 3.0), wait(3, 9.0), speed(0.5),
      wait(2, 10.0)}},
    // Paused at 2 s; 2 s at 1.5x after the resume are 3 s of sound; a new open keeps 1.5x.
    {"changing speed while paused",
     {send("play WavFile from 0"),
      wait(2, 2.0),
      send("pause WavFile"),
      speed(1.5),
      wait(5, 2.0),
      {Step::ResumeWhereItStands},
      wait(2, 5.0),
      {Step::Reopen},
      send("play WavFile from 0"),
      wait(2, 3.0)}},
};

void PrintTo(const Script& s, std::ostream* os) {
    *os << s.name;
}

class SilentSpeedTest : public ::testing::TestWithParam<Script> {
protected:
    SilentSpeedTest() : channel(SoundChannel::Options{true, [this] { return now; }}) {
        writeDemoAudio(dir.file("s.wav"), 60.0, DemoAudioFormat::Wav, 11025, 2);
        open();
    }
    void open() {
        EXPECT_EQ(
            channel.send("open \"" + dir.file("s.wav") + "\" type waveaudio alias WavFile").code,
            0);
        channel.send("set WavFile time format bytes");
    }
    std::string position() { return channel.send("status WavFile position").text; }
    test::TempDir dir;
    std::chrono::steady_clock::time_point now{std::chrono::seconds(1000)};
    SoundChannel channel;
};

TEST_P(SilentSpeedTest, PositionsAdvanceAtTheSpeedInTheFilesUnits) {
    int n = 0;
    for (const Step& s : GetParam().steps) {
        ++n;
        switch (s.kind) {
        case Step::Send:
            channel.send(s.command);
            break;
        case Step::Speed:
            channel.setSpeed(s.value);
            break;
        case Step::Wait:
            now += std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                std::chrono::duration<double>(s.value));
            break;
        case Step::ResumeWhereItStands:
            channel.send("play WavFile from " + position());
            break;
        case Step::Reopen:
            channel.send("close WavFile");
            open();
            break;
        }
        if (s.at >= 0) {
            EXPECT_NEAR(std::stoll(position()) / kBytesPerSec, s.at, 1e-3) << "step " << n;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Scripts, SilentSpeedTest, ::testing::ValuesIn(kScripts),
                         [](const auto& script) {
                             std::string name = script.param.name;
                             for (char& c : name)
                                 if (c == ' ') c = '_';
                             return name;
                         });

} // namespace
} // namespace kv
