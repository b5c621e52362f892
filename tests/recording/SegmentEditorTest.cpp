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
    const auto noFolder = saveRecordingPair(r, nullptr, {dir.file("missing/new"), {}, {}, {}}).error;
    ASSERT_TRUE(noFolder);
    EXPECT_EQ(noFolder->number, 76);
    EXPECT_EQ(noFolder->description, "Path not found: " + dir.file("missing/new.kvd"));

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
    EXPECT_EQ(couldNotSaveText({55, "File already open"}),
              "The file could not be saved for the following reason(s): \n55: 'File already open'");
}

} // namespace
} // namespace kv
