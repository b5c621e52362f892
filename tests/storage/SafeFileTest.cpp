#include "SafeFile.h"
#include "FileReplacement.h"
#include "FileCalls.h"
#include "FileCallLog.h"
#include "TempDir.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>

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
    // The folder spelt through a link and with "./": what is kept is still known.
    const std::string link = dir.path() + "-link";
    fs::create_directory_symlink(dir.path(), link);
    removeStaleTemporaries(link + "/.", {kept});
    removeStaleTemporaries(dir.path(), {fs::path(link) / kept.filename()});
    fs::remove(link);
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

// One entry of a journal as the program writes it.
struct JournalEntry {
    std::string target, temp, backup;
    struct stat newFile {}, oldFile {}, kept {};
};

std::string journalText(const std::vector<JournalEntry>& entries) {
    auto field = [](const std::string& key, const std::string& value) {
        return key + " " + std::to_string(value.size()) + ":" + value + "\n";
    };
    auto id = [](const std::string& key, const struct stat& st) {
        return key + " " + std::to_string(st.st_dev) + " " + std::to_string(st.st_ino) + " " +
               std::to_string(st.st_size) + "\n";
    };
    std::string out = "kv-player replacement journal 2\n" + field("name", "a.kvd") + "entries " +
                      std::to_string(entries.size()) + "\n";
    for (const auto& e : entries)
        out += field("target", e.target) + field("shown", "a.kvd") + field("temp", e.temp) +
               field("backup", e.backup) + id("new", e.newFile) + id("old", e.oldFile) +
               id("kept", e.kept);
    return out;
}

struct stat statOf(const std::string& p) {
    struct stat st {};
    EXPECT_EQ(::stat(p.c_str(), &st), 0) << p;
    return st;
}

TEST(FileReplacement, AJournalActsOnlyOnTheFilesOfItsOwnPair) {
    // A journal found beside a recording may come from anywhere: entries that
    // name another recording or any other file, temporaries or backups that
    // are not the program's own names for their target, are not acted on.
    PairFixture f;
    TempDir elsewhere;
    const std::string precious = elsewhere.file("thesis.txt");
    const std::string notes = f.dir.file("notes.txt"), other = f.dir.file("b.kvd");
    const std::string waiting = f.dir.file(".kvsave-1-00000000-a.kvd.tmp");
    const std::string otherWaiting = f.dir.file(".kvsave-1-00000000-b.kvd.tmp");
    const std::string notesTemp = f.dir.file(".kvsave-1-00000000-notes.txt.tmp");
    const std::string missing = f.dir.file(".kvsave-1-00000000-a.wav.tmp");
    struct Case {
        const char* what;
        std::vector<JournalEntry> entries;
    };
    auto reset = [&] {
        test::writeText(f.kvd, "old data");
        test::writeText(precious, "mine");
        test::writeText(notes, "notes");
        test::writeText(other, "other recording");
        test::writeText(waiting, "new data");
        test::writeText(otherWaiting, "a replacement");
        test::writeText(notesTemp, "x");
        test::writeText(elsewhere.file(".kvsave-1-00000000-x.tmp"), "x");
    };
    reset();
    const struct stat waitingId = statOf(waiting), notesId = statOf(notes),
                      otherWaitingId = statOf(otherWaiting), preciousId = statOf(precious);
    for (const Case& c : {
             Case{"backup elsewhere", {{f.kvd, waiting, precious, waitingId, preciousId, preciousId}}},
             Case{"temporary elsewhere",
                  {{f.kvd, elsewhere.file(".kvsave-1-00000000-x.tmp"), "", waitingId}}},
             Case{"temporary not ours", {{f.kvd, notes, "", notesId}}},
             Case{"temporary of another name", {{f.kvd, otherWaiting, "", otherWaitingId}}},
             Case{"new file elsewhere",
                  {{precious, elsewhere.file(".kvsave-1-00000000-thesis.txt.tmp"), "", preciousId}}},
             Case{"another recording in the folder",
                  {{other, otherWaiting, "", otherWaitingId}}},
             Case{"a notes file named as new",
                  {{f.kvd, waiting, "", waitingId}, {notes, notesTemp, "", notesId}}},
             Case{"the sound, but through a relative name",
                  {{"a.kvd", ".kvsave-1-00000000-a.kvd.tmp", "", waitingId}}},
             Case{"one file twice", {{f.kvd, waiting, "", waitingId}, {f.kvd, waiting, "", waitingId}}},
         }) {
        SCOPED_TRACE(c.what);
        reset();
        test::writeText(f.journal.string(), journalText(c.entries));
        const Recovery r = recoverReplacement(f.journal);
        EXPECT_EQ(r.outcome, Recovery::Outcome::Unreadable);
        EXPECT_FALSE(r.settled());
        EXPECT_EQ(test::readText(precious), "mine");
        EXPECT_EQ(test::readText(f.kvd), "old data");
        EXPECT_EQ(test::readText(notes), "notes");
        EXPECT_EQ(test::readText(other), "other recording");
        EXPECT_TRUE(fs::exists(f.journal));
        EXPECT_TRUE(fs::exists(waiting));
    }
    // The same journal, as its own pair's, is acted on.
    reset();
    ::unlink(missing.c_str());
    test::writeText(f.journal.string(), journalText({{f.kvd, waiting, "", waitingId}}));
    ::unlink(f.kvd.c_str());
    EXPECT_EQ(recoverReplacement(f.journal).outcome, Recovery::Outcome::Completed);
    EXPECT_EQ(test::readText(f.kvd), "new data");
}

TEST(FileReplacement, AnotherSavesJournalRenamedBesideThisPairIsRefused) {
    // A real journal of the pair b, killed between its renames, then named
    // a.kvjournal: it describes b's files, which are not a's to change.
    TempDir dir;
    const std::string a = dir.file("a.kvd"), b = dir.file("b.kvd"), bwav = dir.file("b.wav");
    test::writeText(a, "a data");
    test::writeText(b, "old b");
    test::writeText(bwav, "old b sound");
    {
        FileReplacement change(FileReplacement::journalFor(dir.file("b")), b);
        change.setStepHook([](const std::string& step) {
            return step == "rename 1" ? FileReplacement::StepAction::Kill
                                      : FileReplacement::StepAction::Go;
        });
        fs::path t1, t2;
        ASSERT_FALSE(change.add(b, b, t1));
        ASSERT_FALSE(change.add(bwav, bwav, t2));
        test::writeText(t1.string(), "new b");
        test::writeText(t2.string(), "new b sound");
        ASSERT_TRUE(change.commit());
    }
    const fs::path journal = FileReplacement::journalFor(dir.file("a"));
    fs::rename(FileReplacement::journalFor(dir.file("b")), journal);
    const Recovery r = recoverReplacement(journal);
    EXPECT_EQ(r.outcome, Recovery::Outcome::Unreadable);
    EXPECT_EQ(test::readText(b), "new b");
    EXPECT_EQ(test::readText(bwav), "old b sound");
    EXPECT_EQ(test::readText(a), "a data");
    EXPECT_TRUE(fs::exists(journal));
}

// Changes the working folder for one scope.
struct InFolder {
    explicit InFolder(const std::string& dir) : old(fs::current_path()) { fs::current_path(dir); }
    ~InFolder() { fs::current_path(old); }
    fs::path old;
};

TEST(FileReplacement, AJournalWrittenWithRelativeNamesIsRecoveredFromAnyFolder) {
    TempDir dir, other;
    test::writeText(dir.file("a.kvd"), "old data");
    test::writeText(dir.file("a.wav"), "old sound");
    // Files of the same names in the folder the recovery runs from.
    test::writeText(other.file("a.kvd"), "unrelated data");
    test::writeText(other.file("a.wav"), "unrelated sound");
    // Every step a save can be killed at.
    for (const char* stopAt : {"sync 0", "sync 1", "backup 0", "backup 1", "journal", "rename 0",
                               "rename 1", "sync folders", "remove journal", "remove backups"}) {
        SCOPED_TRACE(stopAt);
        test::writeText(dir.file("a.kvd"), "old data");
        test::writeText(dir.file("a.wav"), "old sound");
        {
            InFolder in(dir.path());
            FileReplacement change(FileReplacement::journalFor("a"), "a.kvd");
            change.setStepHook([&](const std::string& step) {
                return step == stopAt ? FileReplacement::StepAction::Kill
                                      : FileReplacement::StepAction::Go;
            });
            fs::path t1, t2;
            ASSERT_FALSE(change.add("a.kvd", "a.kvd", t1));
            ASSERT_FALSE(change.add("a.wav", "a.wav", t2));
            test::writeText(t1.string(), std::string("new data ") + stopAt);
            test::writeText(t2.string(), std::string("new sound ") + stopAt);
            change.commit();
            ASSERT_TRUE(change.killed());
        }
        InFolder in(other.path());
        const fs::path journal =
            fs::relative(FileReplacement::journalFor(dir.file("a")), other.path());
        const bool journalLeft = fs::exists(FileReplacement::journalFor(dir.file("a")));
        const bool renamed = std::string(stopAt).rfind("rename", 0) == 0 ||
                             std::string(stopAt).rfind("remove", 0) == 0 ||
                             std::string(stopAt) == "sync folders";
        const Recovery r = recoverReplacement(journal);
        EXPECT_EQ(r.outcome, journalLeft ? Recovery::Outcome::Completed : Recovery::Outcome::Nothing)
            << r.message;
        EXPECT_EQ(test::readText(dir.file("a.kvd")),
                  journalLeft || renamed ? std::string("new data ") + stopAt : "old data");
        EXPECT_EQ(test::readText(dir.file("a.wav")),
                  journalLeft || renamed ? std::string("new sound ") + stopAt : "old sound");
        EXPECT_EQ(test::readText(other.file("a.kvd")), "unrelated data");
        EXPECT_EQ(test::readText(other.file("a.wav")), "unrelated sound");
        removeStaleTemporaries(dir.path());
        EXPECT_THAT(filesIn(dir.path()), ElementsAre("a.kvd", "a.wav"));
    }
}

TEST(FileReplacement, FilesThatChangedSinceTheJournalAreLeftAloneAndSaidSo) {
    // Killed between the renames: a.kvd is new, a.wav old. Then something
    // changes a file the journal names; recovery must not guess.
    struct Case {
        const char* what;
        std::function<void(PairFixture&)> change;
    };
    auto find = [](PairFixture& f, const std::string& tail) {
        for (const auto& e : fs::directory_iterator(f.dir.path()))
            if (e.path().filename().string().find(tail) != std::string::npos)
                return e.path().string();
        return std::string();
    };
    for (const Case& c : {
             Case{"the sound was replaced by another file",
                  [](PairFixture& f) {
                      ::unlink(f.wav.c_str());
                      test::writeText(f.wav, "a sound copied in");
                  }},
             Case{"the data file was replaced by another file",
                  [](PairFixture& f) {
                      ::unlink(f.kvd.c_str());
                      test::writeText(f.kvd, "data copied in");
                  }},
             Case{"the waiting sound and the old data's second name were rewritten",
                  [&](PairFixture& f) {
                      for (const char* tail : {"a.wav.tmp", "a.kvd.bak"}) {
                          const std::string t = find(f, tail);
                          ::unlink(t.c_str());
                          test::writeText(t, "something else");
                      }
                  }},
         }) {
        SCOPED_TRACE(c.what);
        PairFixture f;
        test::writeText(f.kvd, "old data");
        test::writeText(f.wav, "old sound");
        ASSERT_TRUE(f.replace("rename 1", FileReplacement::StepAction::Kill));
        c.change(f);
        const std::string before = f.state();
        const auto files = filesIn(f.dir.path());
        const Recovery r = recoverReplacement(f.journal);
        EXPECT_EQ(r.outcome, Recovery::Outcome::Mismatch);
        EXPECT_EQ(r.message.find("was completed"), std::string::npos) << r.message;
        EXPECT_EQ(r.message.find("was undone"), std::string::npos) << r.message;
        EXPECT_EQ(f.state(), before);
        EXPECT_EQ(filesIn(f.dir.path()), files);
    }
}

TEST(FileReplacement, SomethingThatIsNoJournalIsNeitherWaitedOnNorReadWhole) {
    // Each is refused at once: a pipe would block an open, a folder a read,
    // a huge file memory.
    struct Case {
        const char* what;
        std::function<void(const std::string&)> make;
    };
    for (const Case& c : {
             Case{"pipe", [](const std::string& p) { ASSERT_EQ(::mkfifo(p.c_str(), 0644), 0); }},
             Case{"folder", [](const std::string& p) { fs::create_directory(p); }},
             Case{"huge file",
                  [](const std::string& p) {
                      test::writeText(p, "kv-player replacement journal 2\n");
                      fs::resize_file(p, 2ull << 30);
                  }},
             Case{"just too large",
                  [](const std::string& p) {
                      test::writeText(p, "kv-player replacement journal 2\n");
                      fs::resize_file(p, 64 * 1024 + 1);
                  }},
             Case{"link to a journal", [](const std::string& p) { fs::create_symlink("x", p); }},
         }) {
        SCOPED_TRACE(c.what);
        PairFixture f;
        test::writeText(f.kvd, "old data");
        c.make(f.journal.string());
        Recovery r;
        EXPECT_NO_THROW(r = recoverReplacement(f.journal));
        EXPECT_EQ(r.outcome, Recovery::Outcome::Unreadable);
        EXPECT_NO_THROW(filesKeptByJournals(f.dir.path()));
        EXPECT_TRUE(journalPending(f.journal));
        EXPECT_EQ(test::readText(f.kvd), "old data");
    }
}

// Puts failing calls in place of the system's for one scope.
struct FailingCalls {
    explicit FailingCalls(FileCalls calls) { fileCalls() = calls; }
    ~FailingCalls() { fileCalls() = systemFileCalls(); }
};

int readOnlyFolder(const char*, const char*) {
    errno = EROFS;
    return -1;
}

TEST(FileReplacement, ARecoveryThatCannotActSaysSoAndKeepsTheJournal) {
    // A read-only folder: every rename and removal fails, or already the
    // lock beside the pair cannot be made.
    struct Case {
        const char* what;
        FileCalls calls;
    };
    FileCalls renames = systemFileCalls(), removals = systemFileCalls(),
              lockFile = systemFileCalls();
    renames.rename = readOnlyFolder;
    removals.unlink = [](const char*) {
        errno = EROFS;
        return -1;
    };
    lockFile.open = [](const char* path, int flags, mode_t mode) {
        if (std::string(path).ends_with(".kvlock")) {
            errno = EROFS;
            return -1;
        }
        return ::open(path, flags, mode);
    };
    for (const Case& c : {Case{"renames fail", renames}, Case{"removals fail", removals},
                          Case{"the lock cannot be made", lockFile}}) {
        SCOPED_TRACE(c.what);
        PairFixture f;
        test::writeText(f.kvd, "old data");
        test::writeText(f.wav, "old sound");
        ASSERT_TRUE(f.replace("rename 1", FileReplacement::StepAction::Kill));
        Recovery r;
        {
            FailingCalls failing(c.calls);
            r = recoverReplacement(f.journal);
        }
        EXPECT_EQ(r.outcome, Recovery::Outcome::Failed);
        EXPECT_FALSE(r.settled());
        EXPECT_EQ(r.message.find("was completed"), std::string::npos) << r.message;
        EXPECT_NE(r.message.find("read-only"), std::string::npos) << r.message;
        EXPECT_TRUE(fs::exists(f.journal));
        // Once the folder can be written again, the same journal finishes the save.
        EXPECT_EQ(recoverReplacement(f.journal).outcome, Recovery::Outcome::Completed);
        EXPECT_EQ(f.state(), "new data|new sound");
        EXPECT_FALSE(fs::exists(f.journal));
    }
}

TEST(FileReplacement, AJournalIsLeftAloneWhileAnotherProgramHoldsThePair) {
    PairFixture f;
    test::writeText(f.kvd, "old data");
    test::writeText(f.wav, "old sound");
    ASSERT_TRUE(f.replace("rename 1", FileReplacement::StepAction::Kill));
    const std::string midway = f.state();
    // Another process takes the pair for its save and keeps it.
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        FileReplacement other(f.journal, f.kvd);
        const bool locked = !other.lock(0);
        [[maybe_unused]] const auto n = ::write(ready[1], locked ? "y" : "n", 1);
        ::pause();
        ::_exit(0);
    }
    char answer = 0;
    ASSERT_EQ(::read(ready[0], &answer, 1), 1);
    EXPECT_EQ(answer, 'y');
    const Recovery r = recoverReplacement(f.journal, 100);
    FileReplacement second(FileReplacement::journalFor(f.dir.file("a")), f.kvd);
    const auto refused = second.lock(100);
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    ::close(ready[0]);
    ::close(ready[1]);
    EXPECT_EQ(r.outcome, Recovery::Outcome::Busy);
    EXPECT_NE(r.message.find("is being saved by another program"), std::string::npos) << r.message;
    ASSERT_TRUE(refused);
    EXPECT_NE(refused->description.find("is being saved by another program"), std::string::npos);
    EXPECT_EQ(f.state(), midway);
    EXPECT_TRUE(fs::exists(f.journal));
    // The other program is gone, and its lock with it.
    EXPECT_EQ(recoverReplacement(f.journal, 100).outcome, Recovery::Outcome::Completed);
    EXPECT_EQ(f.state(), "new data|new sound");
}

TEST(DurableOrder, ASingleFileIsWrittenFlushedRenamedAndItsFolderFlushed) {
    TempDir dir;
    test::writeText(dir.file("a.ini"), "old");
    test::FileCallLog log;
    ASSERT_FALSE(replaceFileContents(dir.file("a.ini"), "new", "a.ini"));
    EXPECT_THAT(log.calls(), ElementsAre("write ~tmp:a.ini", "fsync ~tmp:a.ini",
                                         "rename ~tmp:a.ini a.ini", "fsync dir/"));
}

TEST(DurableOrder, APairIsFlushedBackedUpJournalledRenamedThenTidied) {
    PairFixture f;
    test::writeText(f.kvd, "old data");
    test::writeText(f.wav, "old sound");
    test::FileCallLog log;
    ASSERT_FALSE(f.replace("", FileReplacement::StepAction::Go));
    EXPECT_THAT(log.calls(),
                ElementsAre("fsync ~tmp:a.kvd", "fsync ~tmp:a.wav",     // new contents on disk
                            "link a.kvd ~bak:a.kvd", "link a.wav ~bak:a.wav", // second names
                            "fsync dir/",                                   // ...on disk
                            "write ~tmp:a.kvjournal", "fsync ~tmp:a.kvjournal",
                            "rename ~tmp:a.kvjournal a.kvjournal", "fsync dir/", // the journal
                            "rename ~tmp:a.kvd a.kvd", "rename ~tmp:a.wav a.wav",
                            "fsync dir/",                                   // the new names
                            "unlink a.kvjournal", "fsync dir/",             // then tidying
                            "unlink ~bak:a.kvd", "unlink ~bak:a.wav"));
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
