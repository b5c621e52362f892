#include "KvdFile.h"
#include "RecordingFakeChannel.h"
#include "RecordingLoader.h"
#include "SegmentEditor.h"
#include "TempDir.h"

#include "AudioChannel.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <regex>
#include <sys/wait.h>
#include <unistd.h>

namespace kv {
namespace {

using test::TempDir;
using ::testing::ElementsAre;

class LoaderTest : public ::testing::Test {
protected:
    void writeRecording(const std::string& name, int records = 300) {
        auto r = test::plainRecords(records);
        ASSERT_FALSE(writeKvdFile(dir.file(name + ".kvd"), r));
    }
    LoadResult load(const std::string& name, bool audioEnable = true) {
        LoadRequest req{dir.file(name), audioEnable, dir.file("dummy.mp3")};
        return Load_File(req, audio, observer);
    }
    TempDir dir;
    RecordingFakeChannel audio;
    LoadObserver observer;
};

TEST_F(LoaderTest, WavLoadSendsTheOpenSequenceAndComputesUnits) {
    writeRecording("rec");
    test::writeText(dir.file("rec.wav"), "RIFF");
    const LoadResult r = load("rec");
    ASSERT_FALSE(r.error);
    ASSERT_TRUE(r.recording);
    const std::string open = "open \"" + dir.file("rec.wav") + "\" type waveaudio alias WavFile";
    EXPECT_THAT(audio.commands,
                ElementsAre("close WavFile", open, "set WavFile time format bytes",
                            "status WavFile samplespersec", "status WavFile bitspersample",
                            "status WavFile channels"));
    EXPECT_EQ(r.recording->AudioType, AudioKind::Wav);
    EXPECT_EQ(r.recording->AudioUnitsPerSec, 176400);

    audio = {};
    audio.samplesPerSec = "11025", audio.bitsPerSample = "8", audio.channels = "1";
    EXPECT_EQ(load("rec").recording->AudioUnitsPerSec, 11025);
}

TEST_F(LoaderTest, ChoosesTheAudioFile) {
    writeRecording("rec");
    test::writeText(dir.file("rec.mp3"), "ID3");
    {
        const LoadResult r = load("rec"); // only the mp3
        ASSERT_TRUE(r.recording);
        EXPECT_EQ(r.recording->AudioType, AudioKind::Mp3);
        EXPECT_EQ(r.recording->AudioUnitsPerSec, 1000);
        EXPECT_THAT(audio.commands,
                    ElementsAre("close WavFile", "open \"" + dir.file("rec.mp3") +
                                                     "\" type mpegvideo alias WavFile"));
    }
    test::writeText(dir.file("rec.wav"), ""); // empty wav: the mp3 is used
    EXPECT_EQ(load("rec").recording->AudioType, AudioKind::Mp3);

    test::writeText(dir.file("dummy.mp3"), "ID3");
    test::writeText(dir.file("rec.wav"), "RIFF");
    const LoadResult off = load("rec", false); // audio off: the dummy even though a wav exists
    ASSERT_TRUE(off.recording);
    EXPECT_EQ(off.recording->AudioPath, dir.file("dummy.mp3"));
    EXPECT_EQ(off.recording->AudioType, AudioKind::Mp3);
}

TEST_F(LoaderTest, APairNamedInCapitalsLoads) {
    // Copied from media that show short names in capitals: WALK001.KVD, WALK001.WAV.
    ASSERT_FALSE(writeKvdFile(dir.file("WALK001.KVD"), test::plainRecords(300)));
    test::writeText(dir.file("WALK001.WAV"), "RIFF");
    const std::string base = pairBaseOf(dir.file("WALK001.KVD"));
    EXPECT_EQ(base, dir.file("WALK001"));
    const LoadResult r = Load_File({base, true, dir.file("dummy.mp3")}, audio, observer);
    ASSERT_TRUE(r.recording) << r.error->message().text;
    EXPECT_EQ(r.recording->RecordCount, 300);
    EXPECT_EQ(r.recording->AudioPath, dir.file("WALK001.WAV"));
    r.recording->LoadedFileBase = base;
    EXPECT_THAT(filesInUse(*r.recording),
                ElementsAre(dir.file("WALK001.KVD"), dir.file("WALK001.WAV")));

    // The usual small letters come first; an MP3 in capitals is found too.
    test::writeText(dir.file("WALK001.WAV"), "");
    test::writeText(dir.file("WALK001.MP3"), "ID3");
    const LoadResult mp3 = Load_File({base, true, dir.file("dummy.mp3")}, audio, observer);
    ASSERT_TRUE(mp3.recording);
    EXPECT_EQ(mp3.recording->AudioPath, dir.file("WALK001.MP3"));
}

TEST_F(LoaderTest, MissingFilesGiveTheirMessages) {
    const LoadResult noData = load("rec");
    ASSERT_TRUE(noData.error);
    EXPECT_EQ(noData.error->message(),
              (UserMessage{dir.file("rec.kvd"), "File Not Found", MessageIcon::Exclamation}));
    EXPECT_FALSE(noData.recording);

    writeRecording("rec");
    const LoadResult noAudio = load("rec");
    ASSERT_TRUE(noAudio.error);
    EXPECT_EQ(
        noAudio.error->message(),
        (UserMessage{
            "The audio file is missing. The .kvd and .wav (or .mp3) files must reside in the same "
            "folder.  Please check and try again or disable audio.\n\nLooked for " +
                dir.file("rec.wav") + " and " + dir.file("rec.mp3") + ".",
            "File Not Found", MessageIcon::Exclamation}));

    const LoadResult noDummy = load("rec", false);
    ASSERT_TRUE(noDummy.error);
    EXPECT_EQ(
        noDummy.error->message(),
        (UserMessage{
            "The Dummy.mp3 file is missing. This should be located in the application "
            "directory.\n\nLooked for " +
                dir.file("dummy.mp3") + ".",
            "File Not Found", MessageIcon::Exclamation}));
}

TEST_F(LoaderTest, APairWithAJournalThatCannotBeSettledIsNotLoaded) {
    writeRecording("rec");
    test::writeText(dir.file("rec.wav"), "RIFF");
    struct Case {
        const char* what;
        std::function<void(const std::string&)> make;
        const char* said;
    };
    for (const Case& c : {
             Case{"unreadable journal",
                  [](const std::string& j) { test::writeText(j, "not a journal"); },
                  "could not be read"},
             Case{"folder", [](const std::string& j) { std::filesystem::create_directory(j); },
                  "could not be read"},
         }) {
        SCOPED_TRACE(c.what);
        const std::string journal = dir.file("rec.kvjournal");
        c.make(journal);
        // A temporary of a program that ended: the waiting journal may need it.
        const pid_t child = ::fork();
        if (child == 0) ::_exit(0);
        ASSERT_GT(child, 0);
        ::waitpid(child, nullptr, 0);
        const std::string left = dir.file(".kvsave-" + std::to_string(child) + "-0000abcd-rec.wav.tmp");
        test::writeText(left, "new sound");
        const LoadResult r = load("rec");
        EXPECT_TRUE(std::filesystem::exists(left));
        std::filesystem::remove(left);
        EXPECT_FALSE(r.recording);
        ASSERT_TRUE(r.error);
        EXPECT_NE(r.error->message().text.find(c.said), std::string::npos)
            << r.error->message().text;
        EXPECT_NE(r.error->message().text.find("was not loaded"), std::string::npos);
        EXPECT_TRUE(std::filesystem::exists(journal));
        std::filesystem::remove(journal);
    }
    EXPECT_TRUE(load("rec").recording);
}

TEST_F(LoaderTest, FormatFailureClosesTheAudioAndReportsOnce) {
    auto records = test::plainRecords(100);
    records[2].RecordType = 'X';
    ASSERT_FALSE(writeKvdFile(dir.file("bad.kvd"), records));
    test::writeText(dir.file("bad.mp3"), "ID3");
    int started = 0;
    observer.loadingStarted = [&] { ++started; };
    const LoadResult r = load("bad");
    ASSERT_TRUE(r.error);
    EXPECT_EQ(r.error->message(),
              (UserMessage{"This file is corrupt or needs to be converted to version 2 format.",
                           "Incompatible file format", MessageIcon::Exclamation}));
    EXPECT_EQ(audio.commands.back(), "close WavFile");
    EXPECT_EQ(audio.commands.size(), 3u);
    EXPECT_EQ(started, 0);
    EXPECT_FALSE(r.recording);

    test::writeText(dir.file("short.kvd"), std::string(4 * 20, 'O'));
    test::writeText(dir.file("short.mp3"), "ID3");
    EXPECT_EQ(load("short").error->type, LoadError::Type::BadFormat);
}

TEST_F(LoaderTest, DeviceFailuresUseTheGeneralMessage) {
    writeRecording("rec");
    test::writeText(dir.file("rec.wav"), "RIFF");
    audio.samplesPerSec = "n/a";
    const LoadResult r = load("rec");
    ASSERT_TRUE(r.error);
    EXPECT_EQ(
        r.error->message(),
        (UserMessage{
            "The wav file could not be loaded for the following reason(s): \n" +
                dir.file("rec.wav") + ": the sound device did not report the format of the sound",
            "kv Player", MessageIcon::None}));

    audio = {};
    const std::string open = "open \"" + dir.file("rec.wav") + "\" type waveaudio alias WavFile";
    audio.scripted[open] = AudioReply{277, "not a sound file"};
    const LoadResult refused = load("rec");
    ASSERT_TRUE(refused.error);
    EXPECT_EQ(
        refused.error->message().text,
        "The wav file could not be loaded for the following reason(s): \n" + dir.file("rec.wav") +
            ": not a sound file");
    EXPECT_EQ(audio.commands.back(), "close WavFile");
}

// Every load failure names the file and says why in plain words; none shows
// an error number. An empty data file is said to be empty.
TEST_F(LoaderTest, FailuresNameTheFileAndGiveAPlainReason) {
    writeRecording("good");
    test::writeText(dir.file("good.wav"), "RIFF");
    test::writeText(dir.file("empty.kvd"), "");
    test::writeText(dir.file("empty.wav"), "RIFF");
    std::filesystem::create_directory(dir.file("folder.kvd"));
    test::writeText(dir.file("folder.wav"), "RIFF");
    writeRecording("silent");
    const struct {
        const char* base;
        const char* named; // the file the message must name
        const char* reason;
    } cases[] = {
        {"empty", "empty.kvd", " is empty: it holds no records"},
        {"folder", "folder.kvd", ": it is a folder"},
        {"good", "good.wav", ": The file is not a sound file"},
        {"silent", "silent.mp3", "Looked for "},
    };
    const std::regex bareNumber("(^|\\n)[0-9]+: '");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.base);
        audio = {};
        audio.scripted["open \"" + dir.file("good.wav") + "\" type waveaudio alias WavFile"] =
            AudioReply{277, audioErrorText(277)};
        const LoadResult r = load(c.base);
        ASSERT_TRUE(r.error);
        const std::string text = r.error->message().text;
        EXPECT_NE(text.find(dir.file(c.named)), std::string::npos) << text;
        EXPECT_NE(text.find(c.reason), std::string::npos) << text;
        EXPECT_FALSE(std::regex_search(text, bareNumber)) << text;
        EXPECT_EQ(text.find("version 2"), std::string::npos) << text;
    }
}

TEST_F(LoaderTest, FillsTheRecordingFromItsRecordsAndMarks) {
    auto records = test::plainRecords(3000);
    records[0].MarkType = 'C';
    records[0].MarkData = {0x99, 0x00, 0xE1, 0x10};
    records[1].MarkType = 'D';
    records[1].MarkData = {0, 0, 0x00, 0x01};
    records[4].MarkType = 'C'; // only record 1 counts
    records[4].MarkData = {0, 0, 0, 5};
    records.back().TimeMs = 3600000;
    ASSERT_FALSE(writeKvdFile(dir.file("m.kvd"), records));
    test::writeText(dir.file("m.mp3"), "ID3");
    std::vector<int> steps;
    bool startedBeforeProgress = false;
    observer.loadingStarted = [&] { startedBeforeProgress = steps.empty(); };
    observer.progress = [&](int k) { steps.push_back(k); };

    const LoadResult r = load("m");
    ASSERT_TRUE(r.recording);
    const RecordingFile& f = *r.recording;
    EXPECT_TRUE(startedBeforeProgress);
    EXPECT_EQ(steps.size(), 50u);
    EXPECT_EQ(f.RecordCount, 3000);
    EXPECT_EQ(f.LoopStartRecord, 1);
    EXPECT_EQ(f.LoopEndRecord, 3000);
    EXPECT_EQ(f.TotalTimeMs, 3600000);
    EXPECT_EQ(f.SkipStepSecs, 60);
    EXPECT_EQ(f.ClockStartSecs, 57616);
    EXPECT_EQ(f.RecordingDate(), std::chrono::year{2000} / std::chrono::January / 1);
    EXPECT_EQ(f.CurrentRecord, records.back());
    EXPECT_EQ(f.LoadedFileBase, dir.file("m"));
    EXPECT_EQ(f.record(5), records[4]);
}

TEST_F(LoaderTest, WithoutMarksThereIsNoClockAndTheDateIsTheEpoch) {
    writeRecording("plain", 20); // fewer than 50 records loads too
    test::writeText(dir.file("plain.mp3"), "ID3");
    const LoadResult r = load("plain");
    ASSERT_TRUE(r.recording);
    EXPECT_EQ(r.recording->RecordCount, 20);
    EXPECT_EQ(r.recording->ClockStartSecs, 0);
    EXPECT_EQ(r.recording->RecordingDate(), std::chrono::year{1999} / std::chrono::December / 31);
}

} // namespace
} // namespace kv
