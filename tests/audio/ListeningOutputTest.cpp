// Speed, volume and output device through the sound-device path: SDL's
// "disk" driver writes what the device callback hands over to a file.
#include "SoundChannel.h"
#include "SoundDevice.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <sndfile.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <numbers>
#include <thread>
#include <vector>

namespace kv {
namespace {

using namespace std::chrono_literals;
using test::TempDir;

constexpr int kRate = 16000;

// A 1-kHz tone; the phase keeps every 16-bit sample away from zero.
void writeTone(const std::string& path, double seconds) {
    SF_INFO info{};
    info.samplerate = kRate;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(f, nullptr) << sf_strerror(nullptr);
    const auto n = static_cast<std::size_t>(seconds * kRate);
    std::vector<float> data(n);
    for (std::size_t k = 0; k < n; ++k)
        data[k] = static_cast<float>(
            0.5 * std::sin(2 * std::numbers::pi * 1000.0 * static_cast<double>(k) / kRate + 0.3));
    sf_writef_float(f, data.data(), static_cast<sf_count_t>(n));
    sf_close(f);
}

// The device under SDL's disk driver, writing to `sink` at the real rate
// (1024 frames every 64 ms), as a sound card would take them.
class DiskDevice {
public:
    explicit DiskDevice(const std::string& sink) {
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", sink.c_str(), 1);
        setenv("SDL_DISKAUDIODELAY", "64", 1);
        if (const char* v = std::getenv("KV_AUDIO")) m_saved = v;
        unsetenv("KV_AUDIO");
    }
    ~DiskDevice() { setenv("KV_AUDIO", m_saved.c_str(), 1); }

private:
    std::string m_saved;
};

std::vector<float> readSink(const std::string& path) {
    const std::string raw = test::readText(path);
    std::vector<float> out(raw.size() / sizeof(float));
    std::memcpy(out.data(), raw.data(), out.size() * sizeof(float));
    return out;
}

// Plays the whole file and waits (at most 20 s) until the channel stops.
void playToTheEnd(SoundChannel& channel) {
    ASSERT_EQ(channel.send("play WavFile from 0").code, 0);
    const auto limit = std::chrono::steady_clock::now() + 20s;
    while (channel.send("status WavFile mode").text == "playing" &&
           std::chrono::steady_clock::now() < limit)
        std::this_thread::sleep_for(20ms);
    EXPECT_EQ(channel.send("status WavFile mode").text, "stopped");
}

// The sound part of what the device wrote: from the first to the last
// audible sample, less any run of silence (a late feeder) inside.
struct Written {
    std::size_t first = 0, last = 0, frames = 0;
};
Written soundOf(const std::vector<float>& out) {
    Written w;
    std::size_t i = 0;
    while (i < out.size() && std::abs(out[i]) < 1e-3f)
        ++i;
    std::size_t j = out.size();
    while (j > i && std::abs(out[j - 1]) < 1e-3f)
        --j;
    w.first = i;
    w.last = j;
    std::size_t silentRun = 0, gaps = 0;
    for (std::size_t k = i; k < j; ++k) {
        if (out[k] == 0.0f) {
            ++silentRun;
        } else {
            if (silentRun >= 32) gaps += silentRun;
            silentRun = 0;
        }
    }
    w.frames = j - i - gaps;
    return w;
}

TEST(ListeningOutput, TwiceTheSpeedWritesHalfTheSamplesAtThePitchRecorded) {
    TempDir dir;
    const std::string wav = dir.file("tone.wav");
    writeTone(wav, 10.0);
    const std::string sink = dir.file("device.raw");
    {
        DiskDevice disk(sink);
        SoundChannel channel(SoundChannel::Options{false, {}, sdlDeviceOutputs()});
        channel.setSpeed(2.0);
        ASSERT_EQ(channel.send("open \"" + wav + "\" type waveaudio alias WavFile").code, 0);
        if (channel.isSilent()) GTEST_SKIP() << "SDL's disk driver is not available";
        channel.send("set WavFile time format bytes");
        playToTheEnd(channel);
        // The position is the file's own: the end of the sound, in bytes.
        EXPECT_EQ(channel.send("status WavFile position").text, std::to_string(10 * kRate * 2));
        channel.send("close WavFile");
    }
    const std::vector<float> out = readSink(sink);
    const Written w = soundOf(out);
    EXPECT_NEAR(static_cast<double>(w.frames), 5.0 * kRate, 0.02 * 5 * kRate);
    // Rising zero crossings over the middle 4 s.
    const std::size_t from = w.first + kRate / 2, to = from + 4 * kRate;
    ASSERT_LT(to, out.size());
    int crossings = 0;
    for (std::size_t k = from + 1; k < to; ++k)
        if (out[k - 1] < 0.0f && out[k] >= 0.0f) ++crossings;
    EXPECT_NEAR(crossings / 4.0, 1000.0, 20.0);
}

// Speed changes while playing: the tone goes on without a step between two
// samples larger than the tone's own, and the position does not jump.
TEST(ListeningOutput, ASpeedChangeWhilePlayingMakesNoClickAndNoJump) {
    TempDir dir;
    const std::string wav = dir.file("tone.wav");
    writeTone(wav, 4.0);
    const std::string sink = dir.file("device.raw");
    {
        DiskDevice disk(sink);
        SoundChannel channel(SoundChannel::Options{false, {}, sdlDeviceOutputs()});
        ASSERT_EQ(channel.send("open \"" + wav + "\" type waveaudio alias WavFile").code, 0);
        if (channel.isSilent()) GTEST_SKIP() << "SDL's disk driver is not available";
        channel.send("set WavFile time format milliseconds");
        channel.send("play WavFile from 0");
        for (const double speed : {2.0, 0.5, 1.0}) {
            std::this_thread::sleep_for(700ms);
            const long before = std::stol(channel.send("status WavFile position").text);
            channel.setSpeed(speed);
            const long after = std::stol(channel.send("status WavFile position").text);
            EXPECT_GE(after, before);
            EXPECT_LT(after - before, 20) << "ms at the change to " << speed;
        }
        channel.send("close WavFile");
    }
    const std::vector<float> out = readSink(sink);
    const Written w = soundOf(out);
    ASSERT_GT(w.last - w.first, static_cast<std::size_t>(kRate));
    // The tone's largest step is 0.5 * 2 pi * 1000 / 16000 = 0.196.
    float largest = 0;
    for (std::size_t k = w.first + 1; k < w.last; ++k)
        largest = std::max(largest, std::abs(out[k] - out[k - 1]));
    EXPECT_LT(largest, 0.25f);
}

TEST(ListeningOutput, VolumeZeroWritesSilenceAndFullVolumeTheSamples) {
    TempDir dir;
    const std::string wav = dir.file("tone.wav");
    writeTone(wav, 1.0);
    for (const double gain : {0.0, 1.0}) {
        const std::string sink = dir.file(gain == 0 ? "quiet.raw" : "loud.raw");
        {
            DiskDevice disk(sink);
            SoundChannel channel(SoundChannel::Options{false, {}, sdlDeviceOutputs()});
            channel.setVolume(gain);
            ASSERT_EQ(channel.send("open \"" + wav + "\" type waveaudio alias WavFile").code, 0);
            if (channel.isSilent()) GTEST_SKIP() << "SDL's disk driver is not available";
            playToTheEnd(channel);
            channel.send("close WavFile");
        }
        const std::vector<float> out = readSink(sink);
        ASSERT_GE(out.size(), static_cast<std::size_t>(kRate)) << "the device wrote too little";
        float loudest = 0;
        for (float s : out)
            loudest = std::max(loudest, std::abs(s));
        if (gain == 0)
            EXPECT_EQ(loudest, 0.0f);
        else
            EXPECT_NEAR(loudest, 0.5f, 0.01f);
    }
}

TEST(ListeningOutput, AVanishedDeviceFallsBackToTheDefaultAndSaysSo) {
    TempDir dir;
    const std::string wav = dir.file("tone.wav");
    writeTone(wav, 0.5);
    const std::string sink = dir.file("device.raw");
    std::vector<std::string> notices;
    {
        DiskDevice disk(sink);
        SoundChannel channel(SoundChannel::Options{false, {}, sdlDeviceOutputs()});
        channel.onNotice = [&](const std::string& text) { notices.push_back(text); };
        channel.setOutputDevice("USB headset that was unplugged");
        ASSERT_EQ(channel.send("open \"" + wav + "\" type waveaudio alias WavFile").code, 0);
        if (channel.isSilent()) GTEST_SKIP() << "SDL's disk driver is not available";
        playToTheEnd(channel);
        channel.send("close WavFile");
    }
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(notices[0], "Output device \"USB headset that was unplugged\" not found: playing "
                          "through the system default");
    EXPECT_GE(soundOf(readSink(sink)).frames, static_cast<std::size_t>(kRate / 2 - 200));
}

} // namespace
} // namespace kv
