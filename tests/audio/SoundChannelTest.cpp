#include "SoundChannel.h"
#include "SoundDevice.h"
#include "AudioCommand.h"
#include "SoundFile.h"
#include "TempDir.h"

#include "DemoData.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <sndfile.h>

#include <cstring>
#include <filesystem>
#include <thread>
#include <vector>

namespace kv {
namespace {

using namespace std::chrono_literals;
using test::TempDir;

// A ramp so that every frame is recognisable: sample k of channel c = (k * 7 + c) mod 30000.
void writeRamp(const std::string& path, int rate, int channels, int subtype, int frames) {
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = SF_FORMAT_WAV | subtype;
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(f, nullptr) << sf_strerror(nullptr);
    std::vector<short> data(static_cast<std::size_t>(frames * channels));
    for (int k = 0; k < frames; ++k)
        for (int c = 0; c < channels; ++c)
            data[static_cast<std::size_t>(k * channels + c)] =
                static_cast<short>((k * 7 + c) % 30000);
    sf_writef_short(f, data.data(), frames);
    sf_close(f);
}

std::vector<int> readInts(const std::string& path, SF_INFO* info) {
    SNDFILE* f = sf_open(path.c_str(), SFM_READ, info);
    if (!f) return {};
    std::vector<int> out(static_cast<std::size_t>(info->frames * info->channels));
    sf_readf_int(f, out.data(), info->frames);
    sf_close(f);
    return out;
}

class SoundChannelTest : public ::testing::Test {
protected:
    SoundChannelTest() : channel(SoundChannel::Options{true, [this] { return now; }}) {}
    std::string q(const std::string& p) { return "\"" + p + "\""; }
    std::string ask(const std::string& c) {
        const AudioReply r = channel.send(c);
        EXPECT_EQ(r.code, 0) << c << ": " << r.text;
        return r.text;
    }
    TempDir dir;
    std::chrono::steady_clock::time_point now{std::chrono::seconds(1000)};
    SoundChannel channel;
};

// Positions of one script in each kind of sound: bytes for WAV (rate x
// channels x bytes per sample, worked out by hand per row), milliseconds for MP3.
struct PositionCase {
    const char* file;
    const char* type;
    const char* format; // samplespersec, bitspersample, channels ("" for MP3)
    // seek to, after 1 s of play, resume from, after 1 s more, at the end (-1: not checked)
    long long seek, afterOne, resume, afterResume, atEnd;
};

TEST_F(SoundChannelTest, PositionsFollowTheClockInTheUnitsOfEachKindOfSound) {
    const PositionCase cases[] = {
        // 44100 Hz x 2 channels x 2 bytes = 176400 bytes/s; 3 s = 529200.
        {"Grüße aus/stereo take.wav", "waveaudio", "44100 16 2", 176400, 352800, 88200, 264600,
         529200},
        // 11025 Hz x 1 channel x 1 byte = 11025 bytes/s; 3 s = 33075.
        {"m8.wav", "waveaudio", "11025 8 1", 11025, 22050, 5000, 16025, 33075},
        {"speech.mp3", "mpegvideo", "", 1500, 2500, 100, 1100, -1},
    };
    std::filesystem::create_directories(dir.file("Grüße aus"));
    writeRamp(dir.file(cases[0].file), 44100, 2, SF_FORMAT_PCM_16, 44100 * 3);
    writeRamp(dir.file(cases[1].file), 11025, 1, SF_FORMAT_PCM_U8, 11025 * 3);
    ASSERT_EQ(writeDemoAudio(dir.file(cases[2].file), 4.0, DemoAudioFormat::Mp3), "");
    for (const PositionCase& c : cases) {
        SCOPED_TRACE(c.file);
        ask("open " + q(dir.file(c.file)) + " type " + c.type + " alias WavFile");
        if (*c.format) {
            ask("set WavFile time format bytes");
            EXPECT_EQ(ask("status WavFile samplespersec") + " " +
                          ask("status WavFile bitspersample") + " " +
                          ask("status WavFile channels"),
                      c.format);
        }
        EXPECT_EQ(ask("status WavFile mode"), "stopped");
        ask("seek WavFile to " + std::to_string(c.seek));
        ask("play WavFile");
        EXPECT_EQ(ask("status WavFile mode"), "playing");
        now += 1s;
        EXPECT_EQ(ask("status WavFile position"), std::to_string(c.afterOne));
        ask("pause WavFile");
        now += 2s;
        EXPECT_EQ(ask("status WavFile mode"), "paused");
        EXPECT_EQ(ask("status WavFile position"), std::to_string(c.afterOne));
        ask("play WavFile from " + std::to_string(c.resume));
        EXPECT_EQ(ask("status WavFile position"), std::to_string(c.resume));
        now += 1s;
        EXPECT_EQ(ask("status WavFile position"), std::to_string(c.afterResume));
        if (c.atEnd >= 0) {
            now += 5s; // past the end of the sound
            EXPECT_EQ(ask("status WavFile mode"), "stopped");
            EXPECT_EQ(ask("status WavFile position"), std::to_string(c.atEnd));
        }
        ask("close WavFile");
        EXPECT_EQ(channel.send("status WavFile mode").code, kAudioErrInvalidDevice);
    }
}

// Playback's two questions, in the plain form it asks them, are answered on
// a quick path; every other spelling goes through the parser. Both give the
// same answers, and a near miss is never taken for the open sound.
TEST_F(SoundChannelTest, TheQuickStatusAnswersAreThoseOfTheParser) {
    writeRamp(dir.file("a.wav"), 11025, 1, SF_FORMAT_PCM_U8, 11025 * 3);
    ask("open " + q(dir.file("a.wav")) + " type waveaudio alias Wav");
    ask("play Wav");
    now += 1s;
    const std::pair<const char*, const char*> same[] = {
        {"status Wav position", "STATUS Wav  POSITION"},
        {"status Wav mode", "Status Wav Mode"},
    };
    for (const auto& [quick, parsed] : same) {
        const AudioReply a = channel.send(quick), b = channel.send(parsed);
        EXPECT_EQ(a.code, 0) << quick;
        EXPECT_EQ(a.code, b.code) << quick;
        EXPECT_EQ(a.text, b.text) << quick;
    }
    EXPECT_EQ(channel.send("status Wav position").text, "1000"); // milliseconds
    const std::pair<const char*, int> misses[] = {
        {"status WavFile position", kAudioErrInvalidDevice}, // an alias that starts alike
        {"status Wa position", kAudioErrInvalidDevice},
        {"status wav position", kAudioErrInvalidDevice}, // aliases keep their case
        {"status Wav positions", kAudioErrUnsupported},
        {"status Wav", kAudioErrMissingParameter},
    };
    for (const auto& [command, code] : misses)
        EXPECT_EQ(channel.send(command).code, code) << command;
}

TEST_F(SoundChannelTest, Mp3LengthMatchesTheDecodedFramesEvenWhenTheFileIsCutOff) {
    const std::string path = dir.file("len.mp3");
    ASSERT_EQ(writeDemoAudio(path, 6.0, DemoAudioFormat::Mp3), "");
    const auto whole = std::filesystem::file_size(path);
    // The whole file, then cut off (its header still counts the whole), in
    // the middle of a frame and at two thirds.
    for (const auto size : {whole, whole / 2, whole / 2 + 7, whole / 3}) {
        SCOPED_TRACE(size);
        std::filesystem::resize_file(path, size);
        auto file = SoundFile::open(path);
        ASSERT_TRUE(file);
        std::vector<float> block(4096);
        std::int64_t decoded = 0;
        for (std::int64_t got; (got = file->readFloat(block.data(), 4096)) > 0;)
            decoded += got;
        if (size == whole)
            EXPECT_EQ(decoded, file->frames());
        else // within the decoder's delay of two frames
            EXPECT_NEAR(static_cast<double>(file->frames()), static_cast<double>(decoded), 2304);
        EXPECT_NEAR(static_cast<double>(file->frames()),
                    6.0 * file->sampleRate() * static_cast<double>(size) / whole,
                    0.05 * file->sampleRate());
    }
}

TEST_F(SoundChannelTest, DeleteNarrowsTheSoundAndSaveWritesIt) {
    const std::string path = dir.file("cut.wav");
    writeRamp(path, 8000, 2, SF_FORMAT_PCM_16, 8000 * 4);
    ask("open " + q(path) + " type waveaudio alias WavFile");
    ask("set WavFile time format bytes");
    // Keep frames 2000 .. 30000: cut the tail first, then the head, as Expand does.
    ask("delete WavFile from " + std::to_string(30000 * 4));
    ask("delete WavFile from 0 to " + std::to_string(2000 * 4));
    EXPECT_EQ(ask("status WavFile length"), std::to_string(28000 * 4));
    ask("play WavFile from 0");
    now += 1s;
    EXPECT_EQ(ask("status WavFile position"), "32000");

    const std::string out = dir.file("saved copy.wav");
    ask("save WavFile " + q(out) + " wait");
    SF_INFO info{};
    const std::vector<int> saved = readInts(out, &info);
    ASSERT_EQ(info.frames, 28000);
    EXPECT_EQ(info.format, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    EXPECT_EQ(info.channels, 2);
    for (int k : {0, 1, 14000, 27999})
        for (int c = 0; c < 2; ++c)
            EXPECT_EQ(saved[static_cast<std::size_t>(k * 2 + c)] >> 16,
                      ((k + 2000) * 7 + c) % 30000)
                << k;
    EXPECT_FALSE(std::filesystem::exists(out + ".part"));
}

TEST_F(SoundChannelTest, SavingAnMp3WindowWritesSixteenBitWav) {
    const std::string path = dir.file("talk.mp3");
    ASSERT_EQ(writeDemoAudio(path, 5.0, DemoAudioFormat::Mp3, 22050, 1), "");
    ask("open " + q(path) + " type mpegvideo alias WavFile");
    ask("delete WavFile from 3000");
    ask("delete WavFile from 0 to 1000");
    EXPECT_EQ(ask("status WavFile length"), "2000");
    ask("save WavFile " + q(dir.file("seg.wav")) + " wait");
    SF_INFO info{};
    readInts(dir.file("seg.wav"), &info);
    EXPECT_EQ(info.format, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    EXPECT_EQ(info.frames, 44100);
}

TEST_F(SoundChannelTest, FailuresAnswerWithCodes) {
    EXPECT_EQ(channel.send("play WavFile").code, kAudioErrInvalidDevice);
    EXPECT_EQ(
        channel.send("open \"" + dir.file("none.wav") + "\" type waveaudio alias WavFile").code,
        kAudioErrFileNotFound);
    test::writeText(dir.file("junk.wav"), "this is not sound");
    EXPECT_EQ(
        channel.send("open \"" + dir.file("junk.wav") + "\" type waveaudio alias WavFile").code,
        kAudioErrBadFile);
    EXPECT_EQ(channel.send("dance WavFile").code, kAudioErrUnrecognizedCommand);

    writeRamp(dir.file("ok.wav"), 8000, 1, SF_FORMAT_PCM_16, 800);
    ask("open \"" + dir.file("ok.wav") + "\" type waveaudio alias WavFile");
    EXPECT_EQ(channel.send("open \"" + dir.file("ok.wav") + "\" type waveaudio alias WavFile").code,
              kAudioErrDuplicateAlias);
    EXPECT_EQ(channel.send("status Other mode").code, kAudioErrInvalidDevice);
    EXPECT_EQ(channel.send("save WavFile \"" + dir.file("no/such/dir/x.wav") + "\" wait").code,
              kAudioErrCannotWrite);
}

TEST_F(SoundChannelTest, TheOpenFileIsNeverSavedOverNorAnEmptySoundSaved) {
    writeRamp(dir.file("src.wav"), 8000, 1, SF_FORMAT_PCM_16, 8000);
    std::filesystem::create_symlink("src.wav", dir.file("link.wav"));
    const auto before = std::filesystem::file_size(dir.file("src.wav"));
    ask("open " + quoteCommandWord(dir.file("src.wav")) + " type waveaudio alias WavFile");
    ask("set WavFile time format bytes");
    ask("delete WavFile from 0 to 16000"); // everything
    for (const std::string& target :
         {dir.file("src.wav"), dir.path() + "/./src.wav", dir.file("link.wav")}) {
        const AudioReply r = channel.send("save WavFile " + quoteCommandWord(target) + " wait");
        EXPECT_EQ(r.code, kAudioErrCannotWrite) << target;
    }
    // Nothing is left to save: no empty sound is written anywhere.
    const AudioReply empty =
        channel.send("save WavFile " + quoteCommandWord(dir.file("empty.wav")) + " wait");
    EXPECT_EQ(empty.code, kAudioErrCannotWrite);
    EXPECT_NE(empty.text.find("holds nothing"), std::string::npos) << empty.text;
    EXPECT_FALSE(std::filesystem::exists(dir.file("empty.wav")));
    EXPECT_EQ(std::filesystem::file_size(dir.file("src.wav")), before);
    // Nor is a read-only file or a folder replaced.
    test::writeText(dir.file("ro.wav"), "keep");
    ::chmod(dir.file("ro.wav").c_str(), 0444);
    std::filesystem::create_directory(dir.file("dir.wav"));
    EXPECT_EQ(channel.send("save WavFile " + quoteCommandWord(dir.file("ro.wav")) + " wait").code,
              kAudioErrCannotWrite);
    EXPECT_EQ(channel.send("save WavFile " + quoteCommandWord(dir.file("dir.wav")) + " wait").code,
              kAudioErrCannotWrite);
    EXPECT_EQ(test::readText(dir.file("ro.wav")), "keep");
    EXPECT_TRUE(std::filesystem::is_directory(dir.file("dir.wav")));
}

TEST_F(SoundChannelTest, SaveWritesTheSoundThatWasOpenedNotWhatTheNameHoldsNow) {
    const std::string path = dir.file("a.wav");
    writeRamp(path, 8000, 1, SF_FORMAT_PCM_16, 16000);
    ask("open " + q(path) + " type waveaudio alias WavFile");
    // Another program puts a shorter sound in its place, as a save does.
    writeRamp(dir.file("new.wav"), 8000, 1, SF_FORMAT_PCM_16, 4000);
    std::filesystem::rename(dir.file("new.wav"), path);
    ask("save WavFile " + q(dir.file("saved.wav")) + " wait");
    SF_INFO info{};
    const std::vector<int> saved = readInts(dir.file("saved.wav"), &info);
    ASSERT_EQ(info.frames, 16000);
    EXPECT_EQ(saved[15999] >> 16, (15999 * 7) % 30000);

    // Written over in place, the opened file holds another sound: not saved.
    SoundChannel other(SoundChannel::Options{true, {}});
    ASSERT_EQ(other.send("open " + q(path) + " type waveaudio alias WavFile").code, 0);
    writeRamp(path, 8000, 1, SF_FORMAT_PCM_16, 2000);
    const AudioReply r = other.send("save WavFile " + q(dir.file("again.wav")) + " wait");
    EXPECT_EQ(r.code, kAudioErrCannotWrite);
    EXPECT_NE(r.text.find("changed by another program"), std::string::npos) << r.text;
    EXPECT_FALSE(std::filesystem::exists(dir.file("again.wav")));
}

TEST_F(SoundChannelTest, ADamagedMp3SaysWhatIsWrongAndPrintsNothing) {
    std::string junk = "ID3xxxxxxxxxxxxxxxx";
    for (int i = 0; i < 4000; ++i)
        junk += static_cast<char>((i * 7919) % 251);
    test::writeText(dir.file("junk.mp3"), junk);
    ::testing::internal::CaptureStderr();
    const AudioReply r = channel.send("open " + quoteCommandWord(dir.file("junk.mp3")) +
                                      " type mpegvideo alias WavFile");
    const std::string printed = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(r.code, kAudioErrBadFile);
    EXPECT_EQ(r.text, "The file is not a sound file this device can play. Its contents are not in "
                      "a sound format that can be read.");
    EXPECT_EQ(printed, "");
}

} // namespace
} // namespace kv

namespace kv {
namespace {

// The sound-device path end to end: SDL's "disk" driver writes what the
// device callback hands over to a file, which must be the source's samples
// in order, starting at the requested frame.
TEST(SoundDeviceOutput, StreamsTheSourceSamplesInOrder) {
    TempDir dir;
    const std::string wav = dir.file("ramp.wav");
    writeRamp(wav, 8000, 1, SF_FORMAT_PCM_16, 8000 * 3);
    const std::string sink = dir.file("device.raw");
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", sink.c_str(), 1);
    // The driver takes 1024 frames every 128 ms, the real rate at 8 kHz:
    // the feeder keeps only about 50 ms of sound ahead of the device.
    setenv("SDL_DISKAUDIODELAY", "128", 1);
    const std::string saved = std::getenv("KV_AUDIO") ? std::getenv("KV_AUDIO") : "";
    unsetenv("KV_AUDIO");
    {
        SoundChannel channel(SoundChannel::Options{false, {}, sdlDeviceOutputs()});
        setenv("KV_AUDIO", saved.c_str(), 1);
        ASSERT_EQ(channel.send("open \"" + wav + "\" type waveaudio alias WavFile").code, 0);
        if (channel.isSilent()) GTEST_SKIP() << "SDL's disk driver is not available";
        channel.send("set WavFile time format bytes");
        channel.send("play WavFile from 2000"); // frame 1000
        std::this_thread::sleep_for(600ms);
        EXPECT_EQ(channel.send("status WavFile mode").text, "playing");
    }
    const std::string raw = test::readText(sink);
    std::vector<float> out(raw.size() / sizeof(float));
    std::memcpy(out.data(), raw.data(), out.size() * sizeof(float));
    std::size_t first = 0;
    while (first < out.size() && out[first] == 0.0f)
        ++first;
    ASSERT_GT(out.size() - first, 1000u) << "too little sound reached the device";
    std::size_t checked = 0;
    for (std::size_t i = first; i < out.size() && checked < 2000; ++i, ++checked) {
        const int k = 1000 + static_cast<int>(checked);
        ASSERT_NEAR(out[i], ((k * 7) % 30000) / 32768.0f, 1e-6) << "sample " << checked;
    }
}

// Without the device's outputs a channel never touches the sound system: it
// plays through the silent sink and lists no device, even when silence is
// not asked for (so that programs which never play sound need no SDL).
TEST(SoundDeviceOutput, WithoutTheDeviceOutputsTheChannelIsSilent) {
    TempDir dir;
    const std::string wav = dir.file("ramp.wav");
    writeRamp(wav, 8000, 1, SF_FORMAT_PCM_16, 8000);
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", dir.file("device.raw").c_str(), 1);
    const std::string saved = std::getenv("KV_AUDIO") ? std::getenv("KV_AUDIO") : "";
    unsetenv("KV_AUDIO");
    SoundChannel plain;
    SoundChannel device(SoundChannel::Options{false, {}, sdlDeviceOutputs()});
    setenv("KV_AUDIO", saved.c_str(), 1);
    const std::string open = "open \"" + wav + "\" type waveaudio alias WavFile";
    ASSERT_EQ(plain.send(open).code, 0);
    EXPECT_TRUE(plain.isSilent());
    EXPECT_TRUE(plain.outputDevices().empty());
    plain.send("close WavFile");
    ASSERT_EQ(device.send(open).code, 0);
    if (device.isSilent()) GTEST_SKIP() << "SDL's disk driver is not available";
    EXPECT_FALSE(device.outputDevices().empty());
    device.send("close WavFile");
}

} // namespace
} // namespace kv
