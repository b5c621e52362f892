#include "AudioCommand.h"
#include "AudioChannel.h"
#include "RecordingFakeChannel.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace kv {
namespace {

using V = AudioCommand::Verb;

TEST(AudioCommand, EveryCommandTheProgramSendsParses) {
    struct Case {
        const char* text;
        V verb;
    };
    const Case cases[] = {
        {"close WavFile", V::Close},
        {"open \"C:\\a b\\x.mp3\" type mpegvideo alias WavFile", V::Open},
        {"open \"/tmp/x.wav\" type waveaudio alias WavFile", V::Open},
        {"set WavFile time format bytes", V::Set},
        {"status WavFile samplespersec", V::Status},
        {"status WavFile bitspersample", V::Status},
        {"status WavFile channels", V::Status},
        {"seek WavFile to 176400", V::Seek},
        {"status WavFile position", V::Status},
        {"play WavFile", V::Play},
        {"play WavFile from 1200", V::Play},
        {"pause WavFile", V::Pause},
        {"stop WavFile", V::Stop},
        {"status WavFile mode", V::Status},
        {"delete WavFile from 5000", V::Delete},
        {"delete WavFile from 0 to 400", V::Delete},
        {"save WavFile \"/tmp/out dir/new.wav\" wait", V::Save},
    };
    for (const Case& c : cases) {
        const ParsedCommand p = parseAudioCommand(c.text);
        ASSERT_TRUE(p.command) << c.text;
        EXPECT_EQ(p.command->verb, c.verb) << c.text;
        EXPECT_EQ(p.command->alias, "WavFile") << c.text;
    }
}

TEST(AudioCommand, ArgumentsAreTakenApart) {
    const auto open =
        parseAudioCommand("OPEN \"/m/Grüße und Ä/x y.wav\" TYPE waveaudio ALIAS WavFile").command;
    ASSERT_TRUE(open);
    EXPECT_EQ(open->path, "/m/Grüße und Ä/x y.wav");
    EXPECT_EQ(open->deviceType, "waveaudio");

    const auto del = parseAudioCommand("delete WavFile from 0 to 400").command;
    EXPECT_EQ(del->from, 0);
    EXPECT_EQ(del->to, 400);

    const auto save = parseAudioCommand("save WavFile \"/a b/C.wav\" wait").command;
    EXPECT_EQ(save->path, "/a b/C.wav");
    EXPECT_TRUE(save->wait);
}

TEST(AudioCommand, AnyFileNameSurvivesQuoting) {
    for (const std::string name : {"plain.wav", "a \"quoted\" name.wav", "\"", "\"\"", "", "-dash",
                                   "two\nlines.wav", "C:\\dir\\", "Ærø.wav"}) {
        const auto open =
            parseAudioCommand("open " + quoteCommandWord(name) + " type waveaudio alias WavFile");
        ASSERT_TRUE(open.command) << name;
        EXPECT_EQ(open.command->path, name);
        const auto save = parseAudioCommand("save WavFile " + quoteCommandWord(name) + " wait");
        ASSERT_TRUE(save.command) << name;
        EXPECT_EQ(save.command->path, name);
        EXPECT_TRUE(save.command->wait);
    }
}

TEST(AudioCommand, MalformedCommandsAreRefused) {
    for (const char* bad :
         {"", "jump WavFile", "play", "play WavFile from x", "seek WavFile 12",
          "open x.wav type cdaudio alias WavFile", "open \"x\" alias WavFile",
          "set WavFile time format frames", "delete WavFile", "save WavFile \"x\" later"}) {
        const ParsedCommand p = parseAudioCommand(bad);
        EXPECT_FALSE(p.command) << bad;
        EXPECT_NE(p.error, 0) << bad;
    }
}

TEST(RecordingFake, RecordsCommandsAndFollowsModes) {
    RecordingFakeChannel fake;
    EXPECT_EQ(fake.send("status WavFile mode").code, kAudioErrInvalidDevice);
    fake.send("open \"a.mp3\" type mpegvideo alias WavFile");
    fake.send("seek WavFile to 300");
    EXPECT_EQ(fake.send("status WavFile position").text, "300");
    fake.send("play WavFile");
    EXPECT_EQ(fake.send("status WavFile mode").text, "playing");
    fake.position = 900;
    fake.send("pause WavFile");
    EXPECT_EQ(fake.send("status WavFile mode").text, "paused");
    fake.send("play WavFile from 450");
    EXPECT_EQ(fake.send("status WavFile position").text, "450");
    EXPECT_EQ(fake.commands.size(), 10u);
    EXPECT_EQ(fake.commands[2], "seek WavFile to 300");
}

} // namespace
} // namespace kv
