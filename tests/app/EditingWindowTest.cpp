#include "DemoData.h"
#include "MeterPanelView.h"
#include "SoundChannel.h"
#include "SoundFile.h"
#include "WindowFixture.h"

#include <QLabel>

#include <filesystem>

namespace kv {
namespace {

// The real sound channel (silent) and real files: what Save writes is read back.
class EditingWindowTest : public test::WindowFixture {
protected:
    EditingWindowTest() {
        createWindow(&silent);
        window->Form_Load(1920);
        DemoOptions o;
        o.records = 2000;
        o.clockStartSecs = 36000;
        EXPECT_FALSE(writeKvdFile(dir.file("walk001.kvd"), makeDemoRecords(o)));
        EXPECT_EQ(writeDemoAudio(dir.file("walk001.wav"), 40.5, DemoAudioFormat::Wav, 8000, 1), "");
        window->openChosenFile(dir.file("walk001.kvd"));
    }
    std::string label() {
        return window->findChild<QLabel*>(QStringLiteral("lblLoadedFile"))->text().toStdString();
    }
    std::string bytesOf(const std::string& name) { return test::readText(dir.file(name)); }
    // A button as the user presses it: it must be there to press.
    void pressButton(const char* name) {
        ASSERT_TRUE(button(name) && button(name)->isEnabled()) << name;
        click(name);
    }

    ~EditingWindowTest() override { window.reset(); } // before the channel it plays on

    SoundChannel silent{SoundChannel::Options{true, {}}};
};

TEST_F(EditingWindowTest, SavingTheWholeRecordingReloadsTheNewFile) {
    ASSERT_TRUE(window->isLoaded());
    log.fileAnswers.push_back(dir.file("copy001.kvd"));
    window->cmdSave_Click();
    EXPECT_TRUE(log.messages.empty()) << log.messages.front().text;
    EXPECT_EQ(log.fileRequests.back().title, "Save Recording As");
    EXPECT_EQ(log.fileRequests.back().filter, "KVD file (*.kvd*)|*.kvd");
    EXPECT_EQ(bytesOf("copy001.kvd"), bytesOf("walk001.kvd"));
    EXPECT_EQ(SoundFile::open(dir.file("copy001.wav"))->frames(),
              SoundFile::open(dir.file("walk001.wav"))->frames());
    ASSERT_TRUE(window->isLoaded());
    EXPECT_EQ(window->recording()->LoadedFileBase, dir.file("copy001"));
    EXPECT_EQ(label(), "copy001");
    EXPECT_EQ(settings.values.SavePath, dir.path() + "/");
}

TEST_F(EditingWindowTest, SavingASegmentWritesItAndReloadsTheSource) {
    RecordingFile& r = const_cast<RecordingFile&>(*window->recording());
    r.LoopStartRecord = 501;
    r.LoopEndRecord = 1000;
    log.fileAnswers.push_back(dir.file("part.kvd"));
    window->cmdSave_Click();
    ASSERT_TRUE(log.messages.empty()) << log.messages.front().text;
    const KvdReadResult part = readKvdFile(dir.file("part.kvd"));
    ASSERT_EQ(part.records.size(), 500u);
    EXPECT_EQ(part.records.back().TimeMs, 9980);
    EXPECT_EQ(part.records.front().MarkType, 'C');
    EXPECT_EQ(SoundFile::open(dir.file("part.wav"))->frames(), 9980 * 8);
    EXPECT_EQ(window->recording()->LoadedFileBase, dir.file("walk001")); // the source, whole again
    EXPECT_EQ(window->recording()->RecordCount, 2000);
    EXPECT_EQ(window->recording()->LoopEndRecord, 2000);
}

TEST_F(EditingWindowTest, TheReviewersMarksGoWithTheSavedPair) {
    const std::string head = "kvnotes 1\n# record\tend\tkind\ttext\n";
    test::writeText(dir.file("walk001.kvnotes"), "kvnotes 1\n400\t600\tartifact\tmoved\n"
                                                 "700\t700\tnote\tin the middle\n"
                                                 "1500\t1500\tnote\tlater\n");
    // The whole recording under a new name: every mark.
    log.fileAnswers.push_back(dir.file("copy.kvd"));
    pressButton("cmdSave");
    ASSERT_TRUE(log.messages.empty()) << log.messages.front().text;
    EXPECT_EQ(bytesOf("copy.kvnotes"), head + "400\t600\tartifact\tmoved\n"
                                              "700\t700\tnote\tin the middle\n"
                                              "1500\t1500\tnote\tlater\n");
    // A bracketed segment: the marks inside it, shifted; the source's stay.
    window->openChosenFile(dir.file("walk001.kvd"));
    RecordingFile& r = const_cast<RecordingFile&>(*window->recording());
    r.LoopStartRecord = 501;
    r.LoopEndRecord = 1000;
    log.fileAnswers.push_back(dir.file("part.kvd"));
    pressButton("cmdSave");
    ASSERT_TRUE(log.messages.empty()) << log.messages.front().text;
    EXPECT_EQ(bytesOf("part.kvnotes"),
              head + "1\t100\tartifact\tmoved\n200\t200\tnote\tin the middle\n");
    EXPECT_NE(bytesOf("walk001.kvnotes").find("1500\t1500\tnote\tlater"), std::string::npos);
    // Notes that cannot be read stop the save before anything is written.
    test::writeText(dir.file("walk001.kvnotes"), "not a notes file\n");
    log.fileAnswers.push_back(dir.file("other.kvd"));
    pressButton("cmdSave");
    ASSERT_EQ(log.messages.size(), 1u);
    EXPECT_NE(log.messages[0].text.find("walk001.kvnotes cannot be read"), std::string::npos)
        << log.messages[0].text;
    EXPECT_FALSE(std::filesystem::exists(dir.file("other.kvd")));
    EXPECT_FALSE(std::filesystem::exists(dir.file("other.kvnotes")));
}

TEST_F(EditingWindowTest, ProtectedNamesAndCancellingLeaveEverythingAsItWas) {
    const std::string data = bytesOf("walk001.kvd"), sound = bytesOf("walk001.wav");
    log.fileAnswers.push_back(dir.file("walk001.kvd"));
    window->cmdSave_Click();
    ASSERT_EQ(log.messages.size(), 1u);
    EXPECT_EQ(log.messages[0],
              (UserMessage{"The file could not be saved for the following reason(s): \n" +
                               dir.file("walk001.kvd") +
                               " belongs to the recording in use, so it cannot be saved over",
                           "kv Player", MessageIcon::None}));

    dragOnBar(50, 300); // about records 100 to 600
    const std::int32_t kept =
        window->recording()->LoopEndRecord - window->recording()->LoopStartRecord + 1;
    pressButton("cmdExpand");
    EXPECT_EQ(label(), "Buffer");
    EXPECT_EQ(window->recording()->RecordCount, kept);
    log.fileAnswers.push_back(dir.file("walk001.kvd")); // the recording the buffer came from
    window->cmdSave_Click();
    ASSERT_EQ(log.messages.size(), 2u);
    EXPECT_NE(log.messages[1].text.find("belongs to the recording in use"), std::string::npos);

    log.fileAnswers.push_back(std::nullopt); // cancelled
    window->cmdSave_Click();
    ASSERT_EQ(log.messages.size(), 3u);
    EXPECT_NE(log.messages[2].text.find("\nCancel was selected, so nothing was saved."),
              std::string::npos);
    EXPECT_EQ(bytesOf("walk001.kvd"), data);
    EXPECT_EQ(bytesOf("walk001.wav"), sound);
    EXPECT_EQ(window->recording()->RecordCount, kept); // the buffer is still there to save
}

TEST_F(EditingWindowTest, ANameWithoutItsExtensionGetsItAndTheQuestionNamesTheRealFiles) {
    test::writeText(dir.file("wa.kvd"), "someone else's");
    test::writeText(dir.file("walk12.wav"), "an older sound");
    log.fileAnswers.push_back(dir.file("walk12"));
    pressButton("cmdSave");
    EXPECT_EQ(log.fileRequests.back().defaultSuffix, "kvd");
    ASSERT_EQ(log.messages.size(), 2u); // the question, then "cancelled"
    EXPECT_EQ(log.messages[0].text, "This file already exists:\n" + dir.file("walk12.wav") +
                                        "\n\nDo you want to replace it?");
    EXPECT_EQ(bytesOf("walk12.wav"), "an older sound");
    EXPECT_FALSE(std::filesystem::exists(dir.file("walk12.kvd")));

    log.fileAnswers.push_back(dir.file("walk12"));
    log.yesNoAnswers.push_back(true);
    pressButton("cmdSave");
    EXPECT_EQ(bytesOf("walk12.kvd"), bytesOf("walk001.kvd"));
    EXPECT_NE(bytesOf("walk12.wav"), "an older sound");
    EXPECT_EQ(bytesOf("wa.kvd"), "someone else's");
    EXPECT_EQ(window->recording()->LoadedFileBase, dir.file("walk12"));
}

TEST_F(EditingWindowTest, ANameGivenWithoutItsExtensionLoadsThatRecording) {
    window->openChosenFile(dir.file("walk001")); // as from the command line
    ASSERT_TRUE(window->isLoaded()) << (log.messages.empty() ? "" : log.messages.back().text);
    EXPECT_EQ(window->recording()->LoadedFileBase, dir.file("walk001"));
}

TEST_F(EditingWindowTest, TheLoadedRecordingIsProtectedWhateverTheSpelling) {
    const std::string data = bytesOf("walk001.kvd");
    RecordingFile& r = const_cast<RecordingFile&>(*window->recording());
    r.LoopStartRecord = 501;
    r.LoopEndRecord = 1000;
    std::filesystem::create_directory_symlink(dir.path(), dir.file("alias"));
    for (const std::string& name : {dir.path() + "/./walk001.kvd", dir.file("alias/walk001.kvd")}) {
        log.messages.clear();
        log.fileAnswers.push_back(name);
        pressButton("cmdSave");
        ASSERT_EQ(log.messages.size(), 1u) << name;
        EXPECT_NE(log.messages[0].text.find("belongs to the recording in use"), std::string::npos);
    }
    EXPECT_EQ(window->recording()->RecordCount, 2000); // nothing was cut
    // The recording a "Buffer" was cut from is protected the same way.
    pressButton("cmdExpand");
    ASSERT_EQ(label(), "Buffer");
    log.messages.clear();
    log.fileAnswers.push_back(dir.file("alias/walk001"));
    pressButton("cmdSave");
    ASSERT_EQ(log.messages.size(), 1u);
    EXPECT_NE(log.messages[0].text.find("belongs to the recording in use"), std::string::npos);
    EXPECT_EQ(bytesOf("walk001.kvd"), data);
}

TEST_F(EditingWindowTest, ASegmentTooShortToLoadIsRefusedAndNothingIsCut) {
    RecordingFile& r = const_cast<RecordingFile&>(*window->recording());
    r.LoopStartRecord = 10;
    r.LoopEndRecord = 12;
    log.fileAnswers.push_back(dir.file("tiny.kvd"));
    pressButton("cmdSave");
    ASSERT_EQ(log.messages.size(), 1u);
    EXPECT_NE(log.messages[0].text.find("reason(s): \nthe segment holds 3 records"),
              std::string::npos)
        << log.messages[0].text;
    EXPECT_FALSE(std::filesystem::exists(dir.file("tiny.kvd")));
    EXPECT_EQ(window->recording()->RecordCount, 2000);
}

TEST_F(EditingWindowTest, AFailedSaveShowsTheRecordingAgain) {
    DemoOptions o;
    o.records = 2000;
    ASSERT_FALSE(writeKvdFile(dir.file("walk002.kvd"), makeDemoRecords(o)));
    ASSERT_EQ(writeDemoAudio(dir.file("walk002.wav"), 5.0, DemoAudioFormat::Wav, 8000, 1), "");
    window->openChosenFile(dir.file("walk002.kvd"));
    ASSERT_EQ(log.messages.size(), 1u); // the sound is 35 s shorter than the records
    EXPECT_NE(log.messages[0].text.find("ends at 00:05"), std::string::npos);
    log.messages.clear();
    RecordingFile& r = const_cast<RecordingFile&>(*window->recording());
    r.LoopStartRecord = 1001; // 20 s in: past the end of the 5-s sound
    r.LoopEndRecord = 1500;
    log.fileAnswers.push_back(dir.file("late.kvd"));
    pressButton("cmdSave");
    ASSERT_EQ(log.messages.size(), 1u);
    EXPECT_NE(log.messages[0].text.find("the sound ends before the segment starts"),
              std::string::npos);
    auto* panel = window->findChild<MeterPanelView*>(QStringLiteral("picMeterPanel"));
    EXPECT_EQ(panel->panel().readouts.fileText, "Buffer");
    EXPECT_EQ(label(), "Buffer");
    EXPECT_EQ(window->findChild<PositionBar*>()->filledTo(), PositionBar::kScaleWidth);
    EXPECT_TRUE(window->findChild<QWidget*>(QStringLiteral("picRecord"))->isEnabled());
    EXPECT_FALSE(std::filesystem::exists(dir.file("late.kvd")));
}

} // namespace
} // namespace kv
