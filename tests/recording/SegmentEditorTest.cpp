#include "SegmentEditor.h"
#include "DemoData.h"
#include "KvdFile.h"
#include "RecordingFakeChannel.h"
#include "RecordingLoader.h"
#include "SoundChannel.h"
#include "SoundFile.h"
#include "TempDir.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <climits>
#include <filesystem>

namespace kv {
namespace {

using test::TempDir;

RecordingFile recordingOf(int n) {
    RecordingFile r;
    r.Records = test::plainRecords(n);
    r.RecordCount = n;
    r.LoopStartRecord = 1;
    r.LoopEndRecord = n;
    r.TotalTimeMs = r.Records.back().TimeMs;
    r.AudioUnitsPerSec = 176400;
    r.LoadedFileBase = "/x/walk001";
    return r;
}

std::vector<std::string> filesIn(const std::string& dir) {
    std::vector<std::string> out;
    for (const auto& e : std::filesystem::directory_iterator(dir))
        out.push_back(e.path().filename().string());
    std::sort(out.begin(), out.end());
    return out;
}

TEST(Expand, CutsToTheBracketsAndStartsTimeAtZero) {
    RecordingFile r = recordingOf(2000);
    r.Records[1].MarkType = 'D';
    r.Records[1].MarkData = {0, 0, 0x26, 0x5D};
    r.LoopStartRecord = 501;
    r.LoopEndRecord = 1000;
    const ExpandCut cut = Expand_Recording(r);
    EXPECT_EQ(r.RecordCount, 500);
    EXPECT_EQ(r.record(1).TimeMs, 0);
    EXPECT_EQ(r.record(500).TimeMs, 9980);
    EXPECT_EQ(r.TotalTimeMs, 9980);
    EXPECT_EQ(r.record(1).MarkType, 'C');
    EXPECT_EQ(r.record(2).MarkType, 'D'); // the date survives
    EXPECT_EQ(r.record(2).dayMarkNumber(), 0x265D);
    EXPECT_EQ(r.LoopStartRecord, 1);
    EXPECT_EQ(r.LoopEndRecord, 500);
    EXPECT_EQ(r.LoadedFileBase, "Buffer");
    EXPECT_EQ(cut.startMs, 10000);
    EXPECT_EQ(cut.startUnits, "1764000");
    EXPECT_EQ(cut.endUnits, 3524472); // 176.4 units per ms at 19 980 ms

    RecordingFakeChannel audio;
    cutAudio(audio, cut);
    EXPECT_THAT(audio.commands, ::testing::ElementsAre("delete WavFile from 3524472",
                                                       "delete WavFile from 0 to 1764000"));
}

TEST(Expand, MovesTheClockByTheCut) {
    RecordingFile r = recordingOf(6000);
    r.ClockStartSecs = 36000;
    r.Records[0].MarkData = {0x77, 0, 0, 0};
    r.LoopStartRecord = 4501; // 90 000 ms
    r.LoopEndRecord = 5000;
    Expand_Recording(r);
    EXPECT_EQ(r.ClockStartSecs, 36090);
    const RecordBytes b = r.record(1).toBytes();
    EXPECT_EQ(b[14], 0x77); // kept from the old first record
    EXPECT_EQ(b[15], 0x00);
    EXPECT_EQ(b[16], 0x8C);
    EXPECT_EQ(b[17], 0xFA);
    EXPECT_EQ(b[18], 'C');
}

TEST(Expand, FractionsOfAUnitAreWrittenOut) {
    RecordingFile r = recordingOf(100);
    r.AudioUnitsPerSec = 11025;
    r.LoopStartRecord = 2; // 20 ms = 220.5 bytes
    EXPECT_EQ(Expand_Recording(r).startUnits, "220.5");
}

class SavePairTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(writeKvdFile(dir.file("old.kvd"), test::plainRecords(7)));
        test::writeText(dir.file("old.wav"), "old sound");
    }
    TempDir dir;
};

TEST_F(SavePairTest, WritesTheDataAndTheCutSoundAndLeavesNoTemporaries) {
    ASSERT_EQ(writeDemoAudio(dir.file("src.wav"), 4.0, DemoAudioFormat::Wav, 8000, 1), "");
    SoundChannel channel(SoundChannel::Options{true, {}});
    channel.send("open \"" + dir.file("src.wav") + "\" type waveaudio alias WavFile");
    channel.send("set WavFile time format bytes");
    RecordingFile r = recordingOf(200); // 4 s
    r.AudioUnitsPerSec = 16000;
    r.LoopStartRecord = 51;
    r.LoopEndRecord = 100;
    cutAudio(channel, Expand_Recording(r));
    std::vector<int> steps;
    ASSERT_FALSE(saveRecordingPair(r, &channel,
                                   {dir.file("old"), {}, [&](int k) { steps.push_back(k); }, {}})
                     .error);
    EXPECT_EQ(steps.size(), 50u);
    const KvdReadResult back = readKvdFile(dir.file("old.kvd"));
    EXPECT_EQ(back.records, r.Records);
    auto sound = SoundFile::open(dir.file("old.wav"));
    ASSERT_TRUE(sound);
    EXPECT_EQ(sound->frames(), (1980 - 1000) * 8);
    EXPECT_THAT(filesIn(dir.path()), ::testing::ElementsAre("old.kvd", "old.wav", "src.wav"));
}

TEST_F(SavePairTest, AnyFailureLeavesTheExistingFilesAsTheyWere) {
    const std::string oldData = test::readText(dir.file("old.kvd"));
    RecordingFile r = recordingOf(30);

    RecordingFakeChannel refusing; // the device refuses to save the sound
    refusing.send("open \"x.wav\" type waveaudio alias WavFile");
    refusing.scripted["status WavFile length"] = {0, "100000"};
    const auto refused = saveRecordingPair(r, &refusing, {dir.file("old"), {}, {}, {}}).error;
    ASSERT_TRUE(refused); // the fake writes no file: the sound is missing
    EXPECT_EQ(test::readText(dir.file("old.kvd")), oldData);
    EXPECT_EQ(test::readText(dir.file("old.wav")), "old sound");
    EXPECT_THAT(filesIn(dir.path()), ::testing::ElementsAre("old.kvd", "old.wav"));

    // The message names the file the user chose, not a temporary.
    const auto noFolder =
        saveRecordingPair(r, nullptr, {dir.file("missing/new"), {}, {}, {}}).error;
    ASSERT_TRUE(noFolder);
    EXPECT_EQ(noFolder->number, 76);
    EXPECT_EQ(noFolder->description, dir.file("missing/new.kvd") + ": its folder does not exist");

    const auto full = writeKvdFile("/dev/full", r.Records);
    ASSERT_TRUE(full);
    EXPECT_EQ(full->number, 61); // disk full

    // Audio off: only the data file, all 30 records, without progress steps.
    int steps = 0;
    ASSERT_FALSE(
        saveRecordingPair(r, nullptr, {dir.file("thirty"), {}, [&](int) { ++steps; }, {}}).error);
    EXPECT_EQ(steps, 0);
    EXPECT_EQ(readKvdFile(dir.file("thirty.kvd")).records.size(), 30u);
    EXPECT_FALSE(std::filesystem::exists(dir.file("thirty.wav")));
    // The message gives the reason, not the number.
    EXPECT_EQ(couldNotSaveText({55, "x.kvd belongs to the recording in use"}),
              "The file could not be saved for the following reason(s): \nx.kvd belongs to the "
              "recording in use");
}

// A loaded recording with a real sound, as the window and kvtool have it.
class SourcePairTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(writeKvdFile(dir.file("walk001.kvd"), test::plainRecords(200)));
        ASSERT_EQ(writeDemoAudio(dir.file("walk001.wav"), 4.0, DemoAudioFormat::Wav, 8000, 1), "");
        sourceData = test::readText(dir.file("walk001.kvd"));
        sourceSound = test::readText(dir.file("walk001.wav"));
    }
    RecordingFile load(const std::string& base) {
        LoadResult r = Load_File(LoadRequest{base, true, ""}, channel);
        EXPECT_TRUE(r.recording) << (r.error ? r.error->message().text : "");
        return r.recording ? *r.recording : RecordingFile{};
    }
    void expectSourceUntouched() {
        EXPECT_EQ(test::readText(dir.file("walk001.kvd")), sourceData);
        EXPECT_EQ(test::readText(dir.file("walk001.wav")), sourceSound);
    }
    TempDir dir;
    SoundChannel channel{SoundChannel::Options{true, {}}};
    std::string sourceData, sourceSound;
};

TEST_F(SourcePairTest, TheRecordingInUseIsRecognisedWhateverItsSpelling) {
    RecordingFile r = load(dir.file("walk001"));
    r.LoopStartRecord = 51;
    r.LoopEndRecord = 100;
    const std::vector<std::string> inUse = filesInUse(r);
    cutAudio(channel, Expand_Recording(r));
    std::filesystem::create_directory_symlink(dir.path(), dir.file("alias"));
    for (const std::string& spelling :
         {dir.path() + "/./walk001", dir.file("alias/walk001"),
          dir.file("../") + std::filesystem::path(dir.path()).filename().string() + "/walk001"}) {
        SCOPED_TRACE(spelling);
        const auto e = saveRecordingPair(r, &channel, {spelling, inUse, {}, {}}).error;
        ASSERT_TRUE(e);
        EXPECT_EQ(e->number, kErrFileAlreadyOpen);
        expectSourceUntouched();
    }
    // The sound alone counts too: a data file of another name beside it is not enough.
    std::filesystem::create_symlink(dir.file("walk001.wav"), dir.file("other.wav"));
    EXPECT_TRUE(saveRecordingPair(r, &channel, {dir.file("other"), inUse, {}, {}}).error);
    expectSourceUntouched();
}

TEST_F(SourcePairTest, ASegmentTooShortToLoadIsRefusedBeforeAnythingIsWritten) {
    RecordingFile r = load(dir.file("walk001"));
    r.LoopStartRecord = 10;
    r.LoopEndRecord = 13;
    cutAudio(channel, Expand_Recording(r));
    const auto e = saveRecordingPair(r, &channel, {dir.file("short"), filesInUse(r), {}, {}}).error;
    ASSERT_TRUE(e);
    EXPECT_EQ(e->number, kErrTooFewRecords);
    EXPECT_THAT(e->description, ::testing::HasSubstr("4 records"));
    EXPECT_FALSE(std::filesystem::exists(dir.file("short.kvd")));
    EXPECT_THAT(filesIn(dir.path()), ::testing::ElementsAre("walk001.kvd", "walk001.wav"));
}

TEST_F(SourcePairTest, AKillOrFailureAtEveryStepKeepsTheSourceAndAWholeTargetPair) {
    // An existing target pair that the save replaces.
    auto writeOldPair = [&] {
        ASSERT_FALSE(writeKvdFile(dir.file("seg.kvd"), test::plainRecords(9)));
        ASSERT_EQ(writeDemoAudio(dir.file("seg.wav"), 1.0, DemoAudioFormat::Wav, 8000, 1), "");
    };
    writeOldPair();
    const std::string oldPair =
        test::readText(dir.file("seg.kvd")) + "|" + test::readText(dir.file("seg.wav"));
    std::vector<std::string> steps;
    auto save = [&](const std::string& stopAt, FileReplacement::StepAction how) {
        RecordingFile r = load(dir.file("walk001"));
        r.LoopStartRecord = 51;
        r.LoopEndRecord = 100;
        cutAudio(channel, Expand_Recording(r));
        PairSaveRequest request{dir.file("seg"), filesInUse(r), {}, [&](const std::string& step) {
                                    if (stopAt.empty()) steps.push_back(step);
                                    return step == stopAt ? how : FileReplacement::StepAction::Go;
                                }};
        return saveRecordingPair(r, &channel, request);
    };
    ASSERT_FALSE(save("", FileReplacement::StepAction::Go).error);
    const std::string newPair =
        test::readText(dir.file("seg.kvd")) + "|" + test::readText(dir.file("seg.wav"));
    ASSERT_NE(newPair, oldPair);
    ASSERT_GE(steps.size(), 8u);
    for (const auto how : {FileReplacement::StepAction::Kill, FileReplacement::StepAction::Fail})
        for (const std::string& step : steps) {
            SCOPED_TRACE(step);
            writeOldPair();
            save(step, how);
            expectSourceUntouched();
            // The next load of the target finishes or undoes what was cut short.
            load(dir.file("seg"));
            const std::string pair =
                test::readText(dir.file("seg.kvd")) + "|" + test::readText(dir.file("seg.wav"));
            EXPECT_TRUE(pair == oldPair || pair == newPair);
            EXPECT_THAT(filesIn(dir.path()),
                        ::testing::ElementsAre("seg.kvd", "seg.wav", "walk001.kvd", "walk001.wav"));
        }
}

TEST_F(SourcePairTest, NamesWithQuotesBlanksDashesNewlinesAndLettersLoadCutAndSave) {
    for (const std::string name : {"say \"hi\"", "-dash", "two\nlines", "Ærø ünï", "a \"\" b"}) {
        SCOPED_TRACE(name);
        std::filesystem::copy_file(dir.file("walk001.kvd"), dir.file(name + ".kvd"));
        std::filesystem::copy_file(dir.file("walk001.wav"), dir.file(name + ".wav"));
        RecordingFile r = load(dir.file(name));
        ASSERT_EQ(r.RecordCount, 200);
        r.LoopStartRecord = 11;
        r.LoopEndRecord = 60;
        cutAudio(channel, Expand_Recording(r));
        ASSERT_FALSE(
            saveRecordingPair(r, &channel, {dir.file(name + " cut"), filesInUse(r), {}, {}}).error);
        EXPECT_EQ(load(dir.file(name + " cut")).RecordCount, 50);
    }
}

TEST(Expand, ExtremeTimesStayInRangeAndNeverGoBelowZero) {
    RecordingFile r = recordingOf(20);
    r.Records[9].TimeMs = INT32_MIN; // a recording whose times jump backwards
    r.Records[10].TimeMs = INT32_MAX;
    r.ClockStartSecs = 36000;
    r.LoopStartRecord = 9;
    r.LoopEndRecord = 15;
    Expand_Recording(r);
    ASSERT_EQ(r.RecordCount, 7);
    for (const SampleRecord& rec : r.Records)
        EXPECT_GE(rec.TimeMs, 0);
    EXPECT_EQ(r.record(3).TimeMs, INT32_MAX - 160);

    RecordingFile back = recordingOf(20);
    back.Records[4].TimeMs = INT32_MIN;
    back.LoopStartRecord = 5;
    back.LoopEndRecord = 10;
    const ExpandCut cut = Expand_Recording(back);
    for (const SampleRecord& rec : back.Records)
        EXPECT_GE(rec.TimeMs, 0);
    EXPECT_EQ(back.RecordCount, 6);
    EXPECT_EQ(cut.startUnits.find('-'), std::string::npos); // no negative position for the device
}

} // namespace
} // namespace kv
