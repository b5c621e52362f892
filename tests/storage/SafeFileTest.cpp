#include "SafeFile.h"
#include "FileReplacement.h"
#include "TempDir.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

namespace kv {
namespace {

namespace fs = std::filesystem;
using test::TempDir;
using ::testing::ElementsAre;
using ::testing::UnorderedElementsAre;

std::vector<std::string> filesIn(const std::string& dir) {
    std::vector<std::string> out;
    for (const auto& e : fs::directory_iterator(dir))
        out.push_back(e.path().filename().string());
    std::sort(out.begin(), out.end());
    return out;
}

mode_t modeOf(const std::string& p) {
    struct stat st {};
    ::stat(p.c_str(), &st);
    return st.st_mode & 07777;
}

TEST(ReplaceFileContents, ReplacesWholeKeepsPermissionsAndLeavesNoTemporary) {
    TempDir dir;
    const std::string f = dir.file("a.ini");
    test::writeText(f, "old");
    ::chmod(f.c_str(), 0640);
    ASSERT_FALSE(replaceFileContents(f, "new text", f));
    EXPECT_EQ(test::readText(f), "new text");
    EXPECT_EQ(modeOf(f), 0640u);
    EXPECT_THAT(filesIn(dir.path()), ElementsAre("a.ini"));
}

TEST(ReplaceFileContents, WritesThroughALinkAndKeepsTheLink) {
    TempDir dir;
    fs::create_directory(dir.file("real"));
    test::writeText(dir.file("real/kv.ini"), "old");
    fs::create_symlink("real/kv.ini", dir.file("link.ini"));
    ASSERT_FALSE(replaceFileContents(dir.file("link.ini"), "new", "link.ini"));
    EXPECT_TRUE(fs::is_symlink(dir.file("link.ini")));
    EXPECT_EQ(test::readText(dir.file("real/kv.ini")), "new");
    EXPECT_THAT(filesIn(dir.file("real")), ElementsAre("kv.ini"));
}

TEST(ReplaceFileContents, RefusesReadOnlyFilesFoldersAndSpecialFiles) {
    TempDir dir;
    const std::string ro = dir.file("ro.ini");
    test::writeText(ro, "keep");
    ::chmod(ro.c_str(), 0444);
    const auto readOnly = replaceFileContents(ro, "x", ro);
    ASSERT_TRUE(readOnly);
    EXPECT_EQ(readOnly->description, ro + " is read-only");
    EXPECT_EQ(test::readText(ro), "keep");
    EXPECT_EQ(modeOf(ro), 0444u);

    fs::create_directory(dir.file("folder.ini"));
    EXPECT_TRUE(replaceFileContents(dir.file("folder.ini"), "x", "folder.ini"));
    EXPECT_TRUE(fs::is_directory(dir.file("folder.ini")));

    ASSERT_EQ(::mkfifo(dir.file("pipe.ini").c_str(), 0644), 0);
    const auto fifo = replaceFileContents(dir.file("pipe.ini"), "x", "pipe.ini");
    ASSERT_TRUE(fifo);
    EXPECT_THAT(fifo->description, ::testing::HasSubstr("not a regular file"));
    EXPECT_TRUE(fs::is_fifo(dir.file("pipe.ini")));

    fs::create_symlink("loop2", dir.file("loop1"));
    fs::create_symlink("loop1", dir.file("loop2"));
    EXPECT_TRUE(replaceFileContents(dir.file("loop1"), "x", "loop1"));

    const auto missingFolder = replaceFileContents(dir.file("no/x.ini"), "x", "no/x.ini");
    ASSERT_TRUE(missingFolder);
    EXPECT_EQ(missingFolder->description, "no/x.ini: its folder does not exist");
    EXPECT_THAT(filesIn(dir.path()),
                ElementsAre("folder.ini", "loop1", "loop2", "pipe.ini", "ro.ini"));
}

TEST(StaleTemporaries, OnlyLeftoversOfEndedProcessesAreRemoved) {
    TempDir dir;
    // A process that has ended: a child that exits at once.
    const pid_t child = ::fork();
    if (child == 0) ::_exit(0);
    ASSERT_GT(child, 0);
    ::waitpid(child, nullptr, 0);
    const std::string dead = ".kvsave-" + std::to_string(child) + "-0000abcd-x.kvd.tmp";
    const fs::path live = temporaryBeside(dir.file("y.kvd"));
    const fs::path forgotten = temporaryBeside(dir.file("z.kvd")); // ours, no longer in use
    const fs::path kept = temporaryBeside(dir.file("w.kvd"));
    registerTemporary(live);
    for (const std::string& n :
         {dead, live.filename().string(), forgotten.filename().string(), kept.filename().string(),
          std::string(".kvsave-notes.txt"), std::string("walk001.kvd")})
        test::writeText(dir.file(n), "x");
    removeStaleTemporaries(dir.path(), {kept});
    EXPECT_THAT(filesIn(dir.path()),
                UnorderedElementsAre(live.filename().string(), kept.filename().string(),
                                     ".kvsave-notes.txt", "walk001.kvd"));
    releaseTemporary(live);
}

// Replaces a.kvd and a.wav, stopping at one step in one way.
struct PairFixture {
    TempDir dir;
    std::string kvd = dir.file("a.kvd"), wav = dir.file("a.wav");
    fs::path journal = FileReplacement::journalFor(dir.file("a"));

    std::optional<FileError> replace(const std::string& stopAt, FileReplacement::StepAction how,
                                     std::vector<std::string>* steps = nullptr) {
        FileReplacement change(journal, kvd);
        change.setStepHook([&](const std::string& step) {
            if (steps) steps->push_back(step);
            return step == stopAt ? how : FileReplacement::StepAction::Go;
        });
        fs::path t1, t2;
        if (auto e = change.add(kvd, kvd, t1)) return e;
        if (auto e = change.add(wav, wav, t2)) return e;
        test::writeText(t1.string(), "new data");
        test::writeText(t2.string(), "new sound");
        return change.commit();
    }
    std::string state() const { return test::readText(kvd) + "|" + test::readText(wav); }
};

TEST(FileReplacement, AFailureOrAKillAtAnyStepLeavesAWholeOldOrNewPair) {
    std::vector<std::string> steps;
    {
        PairFixture f;
        test::writeText(f.kvd, "old data");
        test::writeText(f.wav, "old sound");
        ASSERT_FALSE(f.replace("", FileReplacement::StepAction::Go, &steps));
        EXPECT_EQ(f.state(), "new data|new sound");
        EXPECT_THAT(filesIn(f.dir.path()), ElementsAre("a.kvd", "a.wav"));
    }
    ASSERT_EQ(steps.size(), 10u);
    for (const auto how : {FileReplacement::StepAction::Fail, FileReplacement::StepAction::Kill}) {
        for (const std::string& step : steps) {
            SCOPED_TRACE(step + (how == FileReplacement::StepAction::Kill ? " kill" : " fail"));
            PairFixture f;
            test::writeText(f.kvd, "old data");
            test::writeText(f.wav, "old sound");
            const auto error = f.replace(step, how);
            // Each name holds a whole file at once...
            for (const auto& [name, oldText, newText] :
                 {std::tuple{f.kvd, "old data", "new data"},
                  std::tuple{f.wav, "old sound", "new sound"}}) {
                const std::string now = test::readText(name);
                EXPECT_TRUE(now == oldText || now == newText) << now;
            }
            // Once the new files are in place, only tidying up is left.
            const bool done =
                step == "sync folders" || step == "remove journal" || step == "remove backups";
            if (how == FileReplacement::StepAction::Fail && done) {
                EXPECT_FALSE(error);
                EXPECT_EQ(f.state(), "new data|new sound");
                EXPECT_THAT(filesIn(f.dir.path()), ElementsAre("a.kvd", "a.wav"));
                continue;
            }
            if (how == FileReplacement::StepAction::Fail) {
                // ...a failure puts everything back and leaves nothing behind...
                EXPECT_TRUE(error);
                EXPECT_EQ(f.state(), "old data|old sound");
                EXPECT_THAT(filesIn(f.dir.path()), ElementsAre("a.kvd", "a.wav"));
                continue;
            }
            // ...and after a kill the next load finds a consistent pair and no leftovers.
            const Recovery r = recoverReplacement(f.journal);
            removeStaleTemporaries(f.dir.path());
            const std::string pair = f.state();
            EXPECT_TRUE(pair == "old data|old sound" || pair == "new data|new sound") << pair;
            const bool journalWritten = step != "sync 0" && step != "sync 1" &&
                                        step != "backup 0" && step != "backup 1" &&
                                        step != "journal";
            const bool journalLeft = journalWritten && step != "remove backups";
            EXPECT_EQ(r.outcome,
                      journalLeft ? Recovery::Outcome::Completed : Recovery::Outcome::Nothing);
            if (r.outcome == Recovery::Outcome::Completed) {
                EXPECT_EQ(r.message, "An interrupted save of " + f.kvd +
                                         " was completed: the new files are in place.");
            }
            EXPECT_THAT(filesIn(f.dir.path()), ElementsAre("a.kvd", "a.wav"));
        }
    }
}

TEST(FileReplacement, AJournalWhoseNewFileIsGoneIsUndone) {
    PairFixture f;
    test::writeText(f.kvd, "old data"); // a.wav is new: it did not exist before
    ASSERT_TRUE(f.replace("rename 1", FileReplacement::StepAction::Kill));
    EXPECT_EQ(test::readText(f.kvd), "new data");
    // The waiting sound temporary was lost (say, removed by hand).
    for (const auto& e : fs::directory_iterator(f.dir.path()))
        if (e.path().filename().string().find("a.wav.tmp") != std::string::npos)
            fs::remove(e.path());
    const Recovery r = recoverReplacement(f.journal);
    EXPECT_EQ(r.outcome, Recovery::Outcome::Undone);
    removeStaleTemporaries(f.dir.path());
    EXPECT_EQ(test::readText(f.kvd), "old data");
    EXPECT_THAT(filesIn(f.dir.path()), ElementsAre("a.kvd"));
}

// A journal as the program writes it, with one entry.
std::string journalText(const std::string& target, const std::string& temp,
                        const std::string& backup, const struct stat& newFile) {
    auto field = [](const std::string& key, const std::string& value) {
        return key + " " + std::to_string(value.size()) + ":" + value + "\n";
    };
    return "kv-player replacement journal 1\n" + field("name", "a.kvd") + "entries 1\n" +
           field("target", target) + field("shown", "a.kvd") + field("temp", temp) +
           field("backup", backup) + "new " + std::to_string(newFile.st_dev) + " " +
           std::to_string(newFile.st_ino) + "\n";
}

TEST(FileReplacement, AJournalNamingFilesASaveNeverTouchesMovesNothing) {
    // A journal found beside a recording may come from anywhere: entries whose
    // temporaries or backups are not the program's own names beside their
    // target, or that would remove a new file outside the journal's folder,
    // are not acted on.
    PairFixture f;
    TempDir elsewhere;
    const std::string precious = elsewhere.file("thesis.txt");
    test::writeText(f.kvd, "old data");
    test::writeText(precious, "mine");
    struct stat st {};
    ASSERT_EQ(::stat(precious.c_str(), &st), 0);
    const std::string waiting = f.dir.file(".kvsave-1-00000000-a.kvd.tmp");
    const std::string gone = elsewhere.file(".kvsave-1-00000000-thesis.txt.tmp");
    struct Case {
        const char* what;
        std::string target, temp, backup;
    };
    for (const Case& c :
         {Case{"backup elsewhere", f.kvd, waiting, precious},
          Case{"temporary elsewhere", f.kvd, elsewhere.file(".kvsave-1-00000000-x.tmp"), ""},
          Case{"temporary not ours", f.kvd, f.dir.file("notes.txt"), ""},
          Case{"new file elsewhere", precious, gone, ""}}) {
        SCOPED_TRACE(c.what);
        test::writeText(waiting, "new data");
        test::writeText(f.dir.file("notes.txt"), "notes");
        test::writeText(elsewhere.file(".kvsave-1-00000000-x.tmp"), "x");
        test::writeText(f.journal.string(), journalText(c.target, c.temp, c.backup, st));
        const Recovery r = recoverReplacement(f.journal);
        EXPECT_EQ(r.outcome, Recovery::Outcome::Unreadable);
        EXPECT_EQ(test::readText(precious), "mine");
        EXPECT_EQ(test::readText(f.kvd), "old data");
        EXPECT_EQ(test::readText(f.dir.file("notes.txt")), "notes");
        EXPECT_TRUE(fs::exists(f.journal));
    }
}

TEST(FileReplacement, ReadOnlyTargetsAndFoldersAreRefusedBeforeAnythingIsWritten) {
    PairFixture f;
    test::writeText(f.kvd, "old data");
    ::chmod(f.kvd.c_str(), 0444);
    fs::create_directory(f.wav);
    test::writeText(f.wav + "/inside", "x");
    FileReplacement change(f.journal, f.kvd);
    fs::path temp;
    EXPECT_TRUE(change.add(f.kvd, f.kvd, temp));
    EXPECT_TRUE(change.add(f.wav, f.wav, temp));
    EXPECT_EQ(test::readText(f.kvd), "old data");
    EXPECT_TRUE(fs::is_directory(f.wav));
    EXPECT_THAT(filesIn(f.dir.path()), ElementsAre("a.kvd", "a.wav"));
}

} // namespace
} // namespace kv
