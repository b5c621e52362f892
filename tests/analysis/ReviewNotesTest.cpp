#include "ReviewNotes.h"

#include "FileCalls.h"
#include "SegmentNotes.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace kv {
namespace {

namespace fs = std::filesystem;
using test::readText;
using test::TempDir;
using test::writeText;

ReviewMark mark(std::int32_t record, std::int32_t end, MarkKind kind, std::string text = {}) {
    return ReviewMark{record, end, kind, std::move(text)};
}

std::vector<std::string> textsOf(const ReviewNotes& n) {
    std::vector<std::string> out;
    for (const auto& m : n.marks)
        out.push_back(m.text);
    return out;
}

TEST(ReviewNotes, KindNamesRoundTripAndUnknownNamesAreRefused) {
    for (auto k : {MarkKind::Note, MarkKind::Artifact, MarkKind::Confirmed, MarkKind::Rejected,
                   MarkKind::Added})
        EXPECT_EQ(markKindFromName(markKindName(k)), k);
    EXPECT_STREQ(markKindName(MarkKind::Artifact), "artifact");
    for (const char* bad : {"", "Note", "notes", "reaction", " note"})
        EXPECT_FALSE(markKindFromName(bad)) << bad;
    EXPECT_EQ(notesPathFor("/a/b/walk001.kvd"), fs::path("/a/b/walk001.kvnotes"));
    EXPECT_EQ(notesPathFor("x.KVD"), fs::path("x.kvnotes"));
}

TEST(ReviewNotes, AnyTextRoundTripsExactly) {
    const std::vector<std::string> texts = {
        "",
        "plain words",
        "two\nlines",
        "ends with a line break\n",
        "a\ttab and\r\na Windows break",
        "\"quoted\" at the start",
        "\"",
        "\"\"",
        "say \"hi\", then, go",
        "commas,,, and ; semicolons",
        "back\\slash and \\n that is no break",
        "\\",
        "Grüße, naïve café – 日本語 🙂",
        "# looks like a comment",
        "  spaces around  ",
        "kvnotes 1",
    };
    ReviewNotes notes;
    std::int32_t r = 1;
    for (const auto& t : texts) {
        notes.marks.push_back(mark(r, r + 3, MarkKind::Note, t));
        notes.marks.push_back(mark(r + 1, r + 1, MarkKind::Added, t));
        r += 10;
    }
    orderMarks(notes);
    const std::string file = notesText(notes);
    const NotesRead back = parseNotesText(file, 1000);
    EXPECT_EQ(back.state, NotesRead::State::Read);
    EXPECT_TRUE(back.skipped.empty()) << back.skipped.front();
    EXPECT_EQ(back.notes.marks, notes.marks);
    EXPECT_TRUE(back.notes.keptLines.empty());
    // One line per mark, whatever the texts hold.
    EXPECT_EQ(std::count(file.begin(), file.end(), '\n'), 2 + 2 * std::ssize(texts));
}

TEST(ReviewNotes, IllFormedTextIsWrittenAsReplacementCharacters) {
    ReviewNotes notes;
    notes.marks.push_back(mark(3, 3, MarkKind::Note,
                               "a\xFF"
                               "b\xC3"));
    const NotesRead back = parseNotesText(notesText(notes), 10);
    ASSERT_EQ(back.notes.marks.size(), 1u);
    EXPECT_EQ(back.notes.marks[0].text, "a\xEF\xBF\xBD"
                                        "b\xEF\xBF\xBD");
}

TEST(ReviewNotes, TheWrittenFileIsTheDocumentedFormat) {
    ReviewNotes notes;
    notes.marks = {mark(751, 751, MarkKind::Rejected), mark(10, 60, MarkKind::Note, "a\tb"),
                   mark(9, 9, MarkKind::Added, "by hand")};
    EXPECT_EQ(notesText(notes), "kvnotes 1\n"
                                "# record\tend\tkind\ttext\n"
                                "9\t9\tadded\tby hand\n"
                                "10\t60\tnote\ta\\tb\n"
                                "751\t751\trejected\t\n");
}

struct ParseCase {
    const char* name;
    std::string text;
    std::int32_t records;
    NotesRead::State state;
    std::vector<std::string> texts; // of the marks read, in order
    std::vector<std::string> kept;  // lines kept unread
    std::vector<std::string> said;  // a piece of each report line, in order
};

TEST(ReviewNotes, ReadsWhatItCanAndSaysWhatItSkipped) {
    using S = NotesRead::State;
    const std::vector<ParseCase> cases = {
        {"empty", "", 100, S::Read, {}, {}, {"empty"}},
        {"only the first line", "kvnotes 1\n", 100, S::Read, {}, {}, {}},
        {"no line break at the end", "kvnotes 1\n5\t5\tnote\tlast", 100, S::Read, {"last"}, {}, {}},
        {"truncated inside a line",
         "kvnotes 1\n5\t5\tnote\tok\n7\t",
         100,
         S::Read,
         {"ok"},
         {"7\t"},
         {"line 3: not understood: fewer than three columns"}},
        {"truncated in the first line", "kvno", 100, S::Unreadable, {}, {}, {}},
        {"CRLF",
         "kvnotes 1\r\n5\t5\tnote\ta\r\n6\t\tnote\tb\r\n",
         100,
         S::Read,
         {"a", "b"},
         {},
         {}},
        {"byte order mark", "\xEF\xBB\xBFkvnotes 1\n5\t5\tnote\tx\n", 100, S::Read, {"x"}, {}, {}},
        {"invalid UTF-8 line",
         "kvnotes 1\n5\t5\tnote\tbad\xC0\xAF\n6\t6\tnote\tgood\n",
         100,
         S::Read,
         {"good"},
         {"5\t5\tnote\tbad\xC0\xAF"},
         {"line 2: not understood: it is not UTF-8"}},
        {"invalid UTF-8 first line", "kvnotes\xFF 1\n", 100, S::Unreadable, {}, {}, {}},
        {"no notes file", "record,end,kind,text\n1,1,note,x\n", 100, S::Unreadable, {}, {}, {}},
        {"newer format", "kvnotes 2\n5\t5\tnote\tx\n", 100, S::Unreadable, {}, {}, {}},
        {"past the recording",
         "kvnotes 1\n5\t5\tnote\tin\n90\t101\tnote\tout\n101\t\tnote\to\n",
         100,
         S::Read,
         {"in"},
         {"90\t101\tnote\tout", "101\t\tnote\to"},
         {"line 3: not understood: record 101 lies outside", "line 4"}},
        {"record 0",
         "kvnotes 1\n0\t3\tnote\tz\n",
         100,
         S::Read,
         {},
         {"0\t3\tnote\tz"},
         {"record 0 lies outside"}},
        {"negative, signed, spaced, decimal, huge",
         "kvnotes 1\n-5\t5\tnote\ta\n+5\t5\tnote\tb\n 5\t5\tnote\tc\n5.0\t5\tnote\td\n"
         "2147483648\t\tnote\te\n",
         0,
         S::Read,
         {},
         {"-5\t5\tnote\ta", "+5\t5\tnote\tb", " 5\t5\tnote\tc", "5.0\t5\tnote\td",
          "2147483648\t\tnote\te"},
         {"\"-5\" is no record", "\"+5\"", "\" 5\"", "\"5.0\"", "\"2147483648\""}},
        {"end before start",
         "kvnotes 1\n9\t8\tnote\tz\n",
         100,
         S::Read,
         {},
         {"9\t8\tnote\tz"},
         {"ends before it starts"}},
        {"a review with an end",
         "kvnotes 1\n9\t12\tconfirmed\t\n",
         100,
         S::Read,
         {},
         {"9\t12\tconfirmed\t"},
         {"has no end"}},
        {"unknown kind and columns",
         "kvnotes 1\n9\t9\tbookmark\tz\n9\t9\n9\t9\tnote\tz\textra\n9\t9\tnote\tok\t\t\n",
         100,
         S::Read,
         {"ok"},
         {"9\t9\tbookmark\tz", "9\t9", "9\t9\tnote\tz\textra"},
         {"\"bookmark\" is no kind", "fewer than three", "more than four"}},
        {"bad escapes",
         "kvnotes 1\n1\t1\tnote\ta\\x\n2\t2\tnote\tb\\\n",
         100,
         S::Read,
         {},
         {"1\t1\tnote\ta\\x", "2\t2\tnote\tb\\"},
         {"unknown escape \\x", "backslash at the end"}},
        {"text column left out", "kvnotes 1\n4\t4\tnote\n", 100, S::Read, {""}, {}, {}},
        {"spreadsheet quoting",
         "kvnotes 1\n4\t4\tnote\t\"say \"\"hi\"\", go\"\n",
         100,
         S::Read,
         {"say \"hi\", go"},
         {},
         {}},
        {"comments and blank lines kept or dropped",
         "kvnotes 1\n# record\tend\tkind\ttext\n# mine\n\n4\t4\tnote\tx\n",
         100,
         S::Read,
         {"x"},
         {"# mine"},
         {}},
        {"duplicates",
         "kvnotes 1\n4\t8\tnote\tx\n4\t8\tnote\tx\n4\t8\tnote\ty\n4\t8\tnote\tx\n",
         100,
         S::Read,
         {"x", "y"},
         {},
         {"line 3: skipped: the same as line 2", "line 5: skipped: the same as line 2"}},
        {"two reviews of one reaction",
         "kvnotes 1\n7\t7\tconfirmed\t\n7\t7\trejected\tno\n7\t7\tconfirmed\t\n",
         100,
         S::Read,
         {""},
         {"7\t7\trejected\tno"},
         {"line 3: not understood: a second review of the reaction at record 7 (line 2)",
          "line 4: skipped: the same as line 2"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const NotesRead r = parseNotesText(c.text, c.records);
        EXPECT_EQ(r.state, c.state);
        if (c.state == NotesRead::State::Unreadable) {
            EXPECT_FALSE(r.problem.empty());
            EXPECT_TRUE(r.notes.empty());
            continue;
        }
        EXPECT_EQ(textsOf(r.notes), c.texts);
        EXPECT_EQ(r.notes.keptLines, c.kept);
        ASSERT_EQ(r.skipped.size(), c.said.size());
        for (std::size_t i = 0; i < c.said.size(); ++i)
            EXPECT_NE(r.skipped[i].find(c.said[i]), std::string::npos) << r.skipped[i];
    }
}

TEST(ReviewNotes, MarksAreReadInOrderWhateverTheFileOrder) {
    const NotesRead r = parseNotesText(
        "kvnotes 1\n50\t50\tnote\tb\n9\t9\trejected\t\n50\t50\tnote\ta\n9\t20\tartifact\t\n", 100);
    ASSERT_EQ(r.notes.marks.size(), 4u);
    EXPECT_EQ(r.notes.marks[0], mark(9, 20, MarkKind::Artifact));
    EXPECT_EQ(r.notes.marks[1], mark(9, 9, MarkKind::Rejected));
    EXPECT_EQ(r.notes.marks[2].text, "a");
    EXPECT_EQ(r.notes.marks[3].text, "b");
}

TEST(ReviewNotes, FiftyThousandNotesAndATenMegabyteTextRoundTripThroughTheFile) {
    TempDir dir;
    const std::string data = dir.file("big.kvd");
    const std::string huge(10u << 20, 'x');
    auto up = updateNotesFile(data, 200000, [&](ReviewNotes& n) {
        for (int i = 0; i < 50000; ++i)
            n.marks.push_back(mark(1 + i * 3, 1 + i * 3 + 2, MarkKind::Note, std::to_string(i)));
        n.marks.push_back(mark(7, 7, MarkKind::Note, huge + "\nend"));
    });
    ASSERT_FALSE(up.error) << up.error->description;
    const NotesRead r = readNotesFile(data, 200000);
    ASSERT_EQ(r.state, NotesRead::State::Read);
    ASSERT_EQ(r.notes.marks.size(), 50001u);
    EXPECT_TRUE(r.skipped.empty());
    EXPECT_EQ(r.notes.marks, up.current.notes.marks);
    const auto longest = std::max_element(
        r.notes.marks.begin(), r.notes.marks.end(),
        [](const ReviewMark& a, const ReviewMark& b) { return a.text.size() < b.text.size(); });
    EXPECT_EQ(longest->text, huge + "\nend");
    EXPECT_EQ(r.notes.marks.back().text, "49999");
}

TEST(ReviewNotes, TheFileIsMadeAtTheFirstMarkOnly) {
    TempDir dir;
    const std::string data = dir.file("walk.kvd");
    EXPECT_EQ(readNotesFile(data, 100).state, NotesRead::State::Missing);
    const auto none = updateNotesFile(data, 100, [](ReviewNotes&) {});
    EXPECT_FALSE(none.error);
    EXPECT_FALSE(fs::exists(dir.file("walk.kvnotes")));
    const auto first = updateNotesFile(
        data, 100, [](ReviewNotes& n) { n.marks.push_back(mark(5, 5, MarkKind::Note, "hi")); });
    ASSERT_FALSE(first.error);
    EXPECT_EQ(readText(dir.file("walk.kvnotes")),
              "kvnotes 1\n# record\tend\tkind\ttext\n5\t5\tnote\thi\n");
    EXPECT_EQ(first.current.state, NotesRead::State::Read);
    EXPECT_EQ(first.current.notes.marks.size(), 1u);
}

TEST(ReviewNotes, LinesNotUnderstoodAreWrittenBackByteForByte) {
    TempDir dir;
    const std::string data = dir.file("walk.kvd");
    const std::string odd1 = "12\t12\tbookmark\tfrom a newer program\r";
    const std::string odd2 = "# hand-written remark, \xE2\x80\x9Cquoted\xE2\x80\x9D";
    const std::string odd3 = "5\t5\tnote\tbroken \xFF byte";
    const std::string odd4 = "300\t300\tnote\tpast the end";
    writeText(dir.file("walk.kvnotes"),
              "kvnotes 1\r\n" + odd1 + "\n3\t3\tnote\told\r\n" + odd2 + "\n" + odd3 + "\n" + odd4);
    const auto up = updateNotesFile(
        data, 100, [](ReviewNotes& n) { n.marks.push_back(mark(4, 4, MarkKind::Note, "new")); });
    ASSERT_FALSE(up.error);
    const std::string now = readText(dir.file("walk.kvnotes"));
    for (const auto& odd : {odd1, odd2, odd3, odd4})
        EXPECT_NE(now.find(odd + "\n"), std::string::npos) << odd;
    EXPECT_EQ(textsOf(up.current.notes), (std::vector<std::string>{"old", "new"}));
    // Reported once for each read, never fixed up silently.
    EXPECT_EQ(up.current.skipped.size(), 3u);
}

// A line kept for clashing with a mark (a second review of one reaction)
// still clashes after a write: the mark read first stays the mark.
TEST(ReviewNotes, ALineThatClashesWithAMarkNeverTakesItsPlace) {
    const NotesRead first =
        parseNotesText("kvnotes 1\n31\t31\tadded\tby hand\n31\t31\tadded\tsecond\n", 100);
    ASSERT_EQ(first.state, NotesRead::State::Read);
    ASSERT_EQ(first.notes.keptLines, std::vector<std::string>{"31\t31\tadded\tsecond"});
    const NotesRead again = parseNotesText(notesText(first.notes), 100);
    EXPECT_EQ(textsOf(again.notes), std::vector<std::string>{"by hand"});
    EXPECT_EQ(again.notes.keptLines, first.notes.keptLines);
}

TEST(ReviewNotes, AFileThatCannotBeReadIsNeverWrittenOver) {
    struct Case {
        const char* name;
        std::string content;
    };
    const std::vector<Case> cases = {
        {"not a notes file", "hello\n1\t1\tnote\tx\n"},
        {"a newer format", "kvnotes 9\nwhatever\n"},
        {"damaged first line", "kv\xFFnotes 1\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        const std::string data = dir.file("walk.kvd");
        writeText(dir.file("walk.kvnotes"), c.content);
        bool changed = false;
        const auto up = updateNotesFile(data, 100, [&](ReviewNotes& n) {
            changed = true;
            n.marks.push_back(mark(1, 1, MarkKind::Note, "lost?"));
        });
        ASSERT_TRUE(up.error);
        EXPECT_NE(up.error->description.find("not written over"), std::string::npos);
        EXPECT_EQ(up.current.state, NotesRead::State::Unreadable);
        EXPECT_FALSE(changed);
        EXPECT_EQ(readText(dir.file("walk.kvnotes")), c.content);
    }
    TempDir dir;
    fs::create_directory(dir.file("walk.kvnotes"));
    EXPECT_EQ(readNotesFile(dir.file("walk.kvd"), 10).state, NotesRead::State::Unreadable);
    const auto up = updateNotesFile(dir.file("walk.kvd"), 10, [](ReviewNotes& n) {
        n.marks.push_back(mark(1, 1, MarkKind::Note));
    });
    EXPECT_TRUE(up.error);
    EXPECT_TRUE(fs::is_directory(dir.file("walk.kvnotes")));
}

TEST(ReviewNotes, AReadOnlyNotesFileIsAClearMessageAndStaysAsItWas) {
    TempDir dir;
    const std::string notes = dir.file("walk.kvnotes");
    writeText(notes, "kvnotes 1\n1\t1\tnote\tx\n");
    ::chmod(notes.c_str(), 0444);
    const auto up = updateNotesFile(dir.file("walk.kvd"), 10, [](ReviewNotes& n) {
        n.marks.push_back(mark(2, 2, MarkKind::Note));
    });
    ASSERT_TRUE(up.error);
    EXPECT_NE(up.error->description.find("read-only"), std::string::npos);
    EXPECT_EQ(readText(notes), "kvnotes 1\n1\t1\tnote\tx\n");
}

TEST(ReviewNotes, EachWriteStartsFromTheFileAsItIsNowSoNoOnesMarksAreDropped) {
    TempDir dir;
    const std::string data = dir.file("walk.kvd");
    // Two windows read the same file ...
    updateNotesFile(data, 1000,
                    [](ReviewNotes& n) { n.marks.push_back(mark(1, 1, MarkKind::Note, "first")); });
    const NotesRead windowA = readNotesFile(data, 1000);
    const NotesRead windowB = readNotesFile(data, 1000);
    ASSERT_EQ(windowA.notes.marks.size(), 1u);
    // ... and each adds a mark; neither loses the other's.
    updateNotesFile(data, 1000,
                    [](ReviewNotes& n) { n.marks.push_back(mark(2, 2, MarkKind::Note, "A")); });
    const auto b = updateNotesFile(
        data, 1000, [](ReviewNotes& n) { n.marks.push_back(mark(3, 3, MarkKind::Note, "B")); });
    EXPECT_EQ(textsOf(b.current.notes), (std::vector<std::string>{"first", "A", "B"}));
    EXPECT_EQ(textsOf(readNotesFile(data, 1000).notes), textsOf(b.current.notes));
}

TEST(ReviewNotes, TwoProgramsWritingAtOnceKeepEveryMark) {
    TempDir dir;
    const std::string data = dir.file("walk.kvd");
    constexpr int kEach = 40;
    pid_t children[2];
    for (int c = 0; c < 2; ++c) {
        children[c] = ::fork();
        if (children[c] == 0) {
            for (int i = 0; i < kEach; ++i) {
                const auto up = updateNotesFile(data, 100000, [&](ReviewNotes& n) {
                    n.marks.push_back(mark(1 + c * 1000 + i, 1 + c * 1000 + i, MarkKind::Note,
                                           "p" + std::to_string(c)));
                });
                if (up.error) ::_exit(1);
            }
            ::_exit(0);
        }
    }
    for (pid_t child : children) {
        int status = 0;
        ::waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    EXPECT_EQ(readNotesFile(data, 100000).notes.marks.size(), 2u * kEach);
}

// A program killed while it writes the notes leaves the old file or the new
// one, never a mix: here it dies at the flush of the new file's temporary.
TEST(ReviewNotes, AProgramKilledWhileWritingLeavesTheOldFile) {
    TempDir dir;
    const std::string data = dir.file("walk.kvd");
    const std::string old = "kvnotes 1\n1\t1\tnote\told\n";
    writeText(dir.file("walk.kvnotes"), old);
    const pid_t child = ::fork();
    if (child == 0) {
        fileCalls().fsync = [](int) -> int { ::_exit(9); };
        updateNotesFile(data, 100, [](ReviewNotes& n) {
            n.marks.assign(2000, mark(2, 2, MarkKind::Note, std::string(100, 'n')));
        });
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_EQ(WEXITSTATUS(status), 9);
    EXPECT_EQ(readText(dir.file("walk.kvnotes")), old);
    // The next write goes through and the old mark is still there.
    const auto up = updateNotesFile(
        data, 100, [](ReviewNotes& n) { n.marks.push_back(mark(3, 3, MarkKind::Note, "after")); });
    ASSERT_FALSE(up.error);
    EXPECT_EQ(textsOf(up.current.notes), (std::vector<std::string>{"old", "after"}));
}

TEST(ReviewNotes, AFailedWriteIsReportedAndLeavesTheOldFile) {
    TempDir dir;
    const std::string old = "kvnotes 1\n1\t1\tnote\told\n";
    writeText(dir.file("walk.kvnotes"), old);
    fileCalls().write = [](int, const void*, std::size_t) -> ssize_t {
        errno = ENOSPC;
        return -1;
    };
    const auto up = updateNotesFile(dir.file("walk.kvd"), 100, [](ReviewNotes& n) {
        n.marks.push_back(mark(3, 3, MarkKind::Note, "x"));
    });
    fileCalls() = systemFileCalls();
    ASSERT_TRUE(up.error);
    EXPECT_EQ(up.error->number, kErrDiskFull);
    EXPECT_EQ(readText(dir.file("walk.kvnotes")), old);
    std::size_t files = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir.path()))
        ++files;
    EXPECT_EQ(files, 1u); // no temporary left behind
}

TEST(ReviewNotes, ASegmentTakesTheMarksInsideItShifted) {
    ReviewNotes n;
    n.marks = {mark(5, 5, MarkKind::Note, "before"),     mark(8, 30, MarkKind::Artifact, "cross"),
               mark(10, 10, MarkKind::Note, "at first"), mark(12, 15, MarkKind::Note, "inside"),
               mark(9, 9, MarkKind::Confirmed),          mark(10, 10, MarkKind::Rejected),
               mark(20, 20, MarkKind::Added, "hand"),    mark(20, 40, MarkKind::Note, "over end"),
               mark(21, 21, MarkKind::Rejected),         mark(30, 30, MarkKind::Note, "at last"),
               mark(31, 31, MarkKind::Note, "after")};
    n.keptLines = {"99\t99\tbookmark\tx"};
    orderMarks(n);
    const ReviewNotes s = notesOfSegment(n, 10, 30);
    const std::vector<ReviewMark> want = {
        mark(1, 1, MarkKind::Note, "at first"),   mark(1, 21, MarkKind::Artifact, "cross"),
        mark(1, 1, MarkKind::Rejected),           mark(3, 6, MarkKind::Note, "inside"),
        mark(11, 21, MarkKind::Note, "over end"), mark(11, 11, MarkKind::Added, "hand"),
        mark(12, 12, MarkKind::Rejected),         mark(21, 21, MarkKind::Note, "at last")};
    EXPECT_EQ(s.marks, want);
    EXPECT_TRUE(s.keptLines.empty());
    EXPECT_TRUE(notesOfSegment(n, 41, 50).empty());
    EXPECT_TRUE(notesOfSegment(n, 30, 10).empty());
}

std::vector<SampleRecord> records(int n) {
    std::vector<SampleRecord> rs(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i)
        rs[static_cast<std::size_t>(i)].TimeMs = i * 20;
    return rs;
}

RecordingEvent reaction(std::int32_t record) {
    RecordingEvent e;
    e.kind = EventKind::Reaction;
    e.record = record;
    e.endRecord = record + 10;
    return e;
}

TEST(ReviewNotes, CountsWhatAReviewerCounts) {
    RecordingEvent tag;
    tag.kind = EventKind::Tag;
    tag.record = 50;
    const std::vector<RecordingEvent> events = {reaction(10),  reaction(100), reaction(200), tag,
                                                reaction(300), reaction(400), reaction(500)};
    struct Case {
        const char* name;
        std::vector<ReviewMark> marks;
        ReviewCounts want; // notes, reactions, confirmed, rejected, added, artifactMs
    };
    const std::vector<Case> cases = {
        {"no marks", {}, {0, 6, 0, 0, 0, 0}},
        {"notes only",
         {mark(100, 100, MarkKind::Note), mark(1, 999, MarkKind::Note, "all")},
         {2, 6, 0, 0, 0, 0}},
        {"rejected and confirmed",
         {mark(100, 100, MarkKind::Rejected), mark(200, 200, MarkKind::Confirmed),
          mark(201, 201, MarkKind::Rejected)}, // no reaction starts at 201
         {0, 5, 1, 1, 0, 0}},
        {"artifact ranges, ends included, overlaps once",
         {mark(100, 200, MarkKind::Artifact), mark(150, 250, MarkKind::Artifact),
          mark(300, 300, MarkKind::Artifact), mark(401, 450, MarkKind::Artifact)},
         {0, 3, 0, 0, 0, (250 - 100) * 20 + (450 - 401) * 20}},
        {"added, also in an artifact",
         {mark(600, 600, MarkKind::Added), mark(601, 700, MarkKind::Artifact),
          mark(650, 650, MarkKind::Added)},
         {0, 8, 0, 0, 2, 99 * 20}},
        {"a rejected reaction in an artifact counts once as rejected",
         {mark(5, 20, MarkKind::Artifact), mark(10, 10, MarkKind::Rejected)},
         {0, 5, 0, 1, 0, 15 * 20}},
        {"an artifact past the last record is clipped",
         {mark(990, 2000, MarkKind::Artifact)},
         {0, 6, 0, 0, 0, 10 * 20}},
    };
    const auto rs = records(1000);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ReviewNotes n;
        n.marks = c.marks;
        orderMarks(n);
        const ReviewCounts got = countReview(events, n, rs);
        EXPECT_EQ(got.notes, c.want.notes);
        EXPECT_EQ(got.reactions, c.want.reactions);
        EXPECT_EQ(got.confirmed, c.want.confirmed);
        EXPECT_EQ(got.rejected, c.want.rejected);
        EXPECT_EQ(got.added, c.want.added);
        EXPECT_EQ(got.artifactMs, c.want.artifactMs);
    }
}

TEST(ReviewNotes, ReviewAndArtifactLookUps) {
    ReviewNotes n;
    n.marks = {mark(10, 10, MarkKind::Note),     mark(10, 10, MarkKind::Rejected),
               mark(20, 20, MarkKind::Added),    mark(30, 30, MarkKind::Confirmed),
               mark(40, 60, MarkKind::Artifact), mark(45, 80, MarkKind::Note)};
    orderMarks(n);
    EXPECT_EQ(reviewOf(n, 10), MarkKind::Rejected);
    EXPECT_EQ(reviewOf(n, 30), MarkKind::Confirmed);
    EXPECT_FALSE(reviewOf(n, 20)); // added by hand: no review of a detected one
    EXPECT_FALSE(reviewOf(n, 11));
    for (auto [r, in] : std::vector<std::pair<int, bool>>{
             {39, false}, {40, true}, {50, true}, {60, true}, {61, false}, {70, false}})
        EXPECT_EQ(inArtifact(n, r), in) << r;
}

// The window's "Buffer": each cut takes the marks of the last, shifted again.
TEST(SegmentNotes, CutsOfCutsShiftTheMarksAndASaveTakesThem) {
    TempDir dir;
    const std::string source = dir.file("walk.kvd");
    writeText(dir.file("walk.kvnotes"), "kvnotes 1\n5\t5\tnote\tbefore\n20\t40\tartifact\tx\n"
                                        "30\t30\trejected\t\n90\t90\tnote\tafter\n");
    SegmentNotes buffer;
    buffer.cut(source, 100, 11, 60); // records 11..60 become 1..50
    buffer.cut("", 50, 6, 30);       // of those, 6..30 become 1..25
    std::optional<FileError> error;
    const auto text = buffer.forSave("", 25, dir.file("new.kvd"), error);
    ASSERT_FALSE(error);
    ASSERT_TRUE(text);
    EXPECT_EQ(parseNotesText(*text, 25).notes.marks,
              (std::vector<ReviewMark>{mark(5, 25, MarkKind::Artifact, "x"),
                                       mark(15, 15, MarkKind::Rejected)}));
    // The whole recording saved under a new name takes its own marks.
    const auto whole = buffer.forSave(source, 100, dir.file("copy.kvd"), error);
    ASSERT_TRUE(whole);
    EXPECT_EQ(parseNotesText(*whole, 100).notes.marks.size(), 4u);
    // No marks and no notes file where the pair goes: none is made.
    buffer.cut("", 25, 1, 3);
    EXPECT_FALSE(buffer.forSave("", 3, dir.file("new.kvd"), error));
    EXPECT_FALSE(error);
    // Notes that cannot be read are an error, at the cut or at the save.
    writeText(dir.file("walk.kvnotes"), "kvnotes 5\n");
    buffer.cut(source, 100, 11, 60);
    EXPECT_FALSE(buffer.forSave("", 50, dir.file("new.kvd"), error));
    ASSERT_TRUE(error);
    EXPECT_NE(error->description.find("walk.kvnotes cannot be read"), std::string::npos);
    error.reset();
    EXPECT_FALSE(SegmentNotes().forSave(source, 100, dir.file("copy.kvd"), error));
    EXPECT_TRUE(error);
}

} // namespace
} // namespace kv
