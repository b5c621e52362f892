// The reviewer's notes through kvtool: events, summary, notes, cut, report.
#include "DemoData.h"
#include "KvdFile.h"
#include "PdfText.h"
#include "TempDir.h"
#include "ToolRun.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

namespace kv {
namespace {

namespace fs = std::filesystem;
using test::kvtool;
using test::readText;
using test::TempDir;
using test::ToolRun;
using test::writeText;

const std::string kNotesHead = "kvnotes 1\n";

// Ten seconds, 500 records, clock at 23:59:58: a tag at record 100 and a
// reaction with its onset at record 201.
std::vector<SampleRecord> eventful() {
    auto rs = test::plainRecords(500);
    for (auto& r : rs) {
        r.RawReading = 30000;
        r.SensIndex = 8;
        r.BaseCode = 100;
    }
    rs[0].MarkType = 'C';
    rs[0].MarkData = {0, 0x01, 0x51, 0x7E}; // 86398 s
    rs[99].MarkType = 'T';
    rs[99].MarkData = {7, 0, 0, 0};
    for (std::size_t i = 201; i < 280; ++i)
        rs[i].RawReading =
            static_cast<std::uint16_t>(30000 - 25 * std::min<std::size_t>(i - 200, 30));
    return rs;
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::size_t from = 0;
    while (from < text.size()) {
        const std::size_t nl = text.find('\n', from);
        out.push_back(text.substr(from, nl - from));
        if (nl == std::string::npos) break;
        from = nl + 1;
    }
    return out;
}

class KvToolNotes : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(writeKvdFile(dir.file("e.kvd"), eventful())); }
    std::string data() const { return dir.file("e.kvd"); }
    std::string notes() const { return dir.file("e.kvnotes"); }
    TempDir dir;
};

TEST_F(KvToolNotes, EventsListNotesArtifactsAndTheReviewOfEachReaction) {
    struct Case {
        const char* name;
        std::string notesFile; // "" : none
        std::string kinds;     // "" : all
        std::vector<std::string> rows;
    };
    const std::string head = "record,time_ms,clock,kind,value,text,review";
    const std::string tag = "100,1980,23:59:59,tag,7,tag 7,";
    const std::string fall = "201,4000,00:00:02,reaction,750,fall 3.0 div in 0.6";
    const std::vector<Case> cases = {
        {"no notes file", "", "", {head, tag, fall}},
        {"a note, a range and an added reaction",
         kNotesHead + "50\t50\tnote\tsay \"hi\", then\n100\t151\tartifact\tmoved\n"
                      "300\t300\tadded\tby eye\n",
         "",
         {head, "50,980,23:59:58,note,0,\"say \"\"hi\"\", then\",", tag,
          "100,1980,23:59:59,artifact,1020,moved,", fall,
          "300,5980,00:00:03,reaction,0,by eye,added"}},
        {"confirmed", kNotesHead + "201\t201\tconfirmed\t\n", "", {head, tag, fall + "confirmed"}},
        {"rejected, notes not asked for",
         kNotesHead + "201\t201\trejected\t\n5\t5\tnote\tx\n",
         "reaction",
         {head, fall + "rejected"}},
        {"only notes and artifacts",
         kNotesHead + "5\t9\tnote\tx\n300\t300\tadded\t\n450\t500\tartifact\t\n",
         "note,artifact",
         {head, "5,80,23:59:58,note,80,x,", "450,8980,00:00:06,artifact,1000,,"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove(notes());
        if (!c.notesFile.empty()) writeText(notes(), c.notesFile);
        std::vector<std::string> args{"events", data()};
        if (!c.kinds.empty()) args.insert(args.end(), {"--kinds", c.kinds});
        const ToolRun r = kvtool(args);
        ASSERT_EQ(r.code, 0) << r.err;
        auto rows = lines(r.out);
        // The reaction's text goes on with its time to the peak.
        for (auto& row : rows)
            if (row.rfind(fall, 0) == 0) row = fall + row.substr(row.rfind(',') + 1);
        EXPECT_EQ(rows, c.rows) << r.out;
        EXPECT_EQ(r.err, "");
    }
}

TEST_F(KvToolNotes, EventsNameSkippedLinesAndRefuseNotesThatCannotBeRead) {
    writeText(notes(), kNotesHead + "5\t5\tnote\tok\n9\t9\tbookmark\tx\n9999\t9999\tnote\tfar\n");
    const ToolRun r = kvtool({"events", data(), "--kinds", "note"});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(lines(r.out).size(), 2u) << r.out;
    EXPECT_NE(r.err.find("e.kvnotes line 3: not understood: \"bookmark\" is no kind"),
              std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("line 4: not understood: record 9999 lies outside"), std::string::npos);

    writeText(notes(), "kvnotes 7\n5\t5\tnote\tok\n");
    const ToolRun bad = kvtool({"events", data()});
    EXPECT_EQ(bad.code, 1);
    EXPECT_EQ(bad.out, "");
    EXPECT_NE(bad.err.find("cannot read " + notes()), std::string::npos) << bad.err;
    EXPECT_EQ(readText(notes()), "kvnotes 7\n5\t5\tnote\tok\n");
}

TEST_F(KvToolNotes, SummaryCountsAsTheReviewerCounts) {
    struct Case {
        const char* name;
        std::string notesFile;
        std::string tail; // reactions ... status,notes,confirmed,rejected,artifact_ms
    };
    ASSERT_EQ(writeDemoAudio(dir.file("e.wav"), 10.0, DemoAudioFormat::Wav, 8000, 1), "");
    const std::vector<Case> cases = {
        {"none", "", "1/0,0,0,0"},
        {"a note and a confirmed reaction", kNotesHead + "5\t5\tnote\ta\n201\t201\tconfirmed\t\n",
         "1/1,1,0,0"},
        {"rejected, and one added", kNotesHead + "201\t201\trejected\t\n300\t300\tadded\t\n",
         "1/0,0,1,0"},
        {"inside an artifact range", kNotesHead + "190\t260\tartifact\t\n100\t150\tartifact\t\n",
         "0/0,0,0,2400"},
        {"a range past the end is not understood, as in kvtool events",
         kNotesHead + "450\t501\tartifact\t\n", "1/0,0,0,0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove(notes());
        if (!c.notesFile.empty()) writeText(notes(), c.notesFile);
        const ToolRun r = kvtool({"summary", data()});
        const auto rows = lines(r.out);
        ASSERT_EQ(rows.size(), 2u) << r.out << r.err;
        // reactions is the 11th column; the review columns end the row.
        std::vector<std::string> cols;
        for (std::size_t from = 0;;) {
            const std::size_t comma = rows[1].find(',', from);
            cols.push_back(rows[1].substr(from, comma - from));
            if (comma == std::string::npos) break;
            from = comma + 1;
        }
        ASSERT_GE(cols.size(), 21u);
        const std::size_t n = cols.size();
        EXPECT_EQ(cols[10] + "/" + cols[n - 4] + "," + cols[n - 3] + "," + cols[n - 2] + "," +
                      cols[n - 1],
                  c.tail)
            << rows[1];
    }
    writeText(notes(), "not notes\n");
    const ToolRun r = kvtool({"summary", data()});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.out.find(",\"badnotes: " + notes() + ": its first line"), std::string::npos)
        << r.out;
    EXPECT_EQ(r.out.substr(r.out.size() - 5), ",,,,\n");
}

TEST_F(KvToolNotes, ListingTheNotesAsCsv) {
    const std::string header = "record,end_record,time_ms,end_time_ms,clock,kind,text\n";
    EXPECT_EQ(kvtool({"notes", data()}).out, header); // no notes file: the header alone
    EXPECT_FALSE(fs::exists(notes()));
    writeText(notes(), kNotesHead + "300\t300\tadded\t\n5\t9\tnote\ta, \"b\"\\nc\n");
    const ToolRun r = kvtool({"notes", data()});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, header + "5,9,80,160,23:59:58,note,\"a, \"\"b\"\"\nc\"\n"
                              "300,300,5980,5980,00:00:03,added,\n");
    ASSERT_EQ(kvtool({"notes", data(), "-o", dir.file("n.csv")}).code, 0);
    EXPECT_EQ(readText(dir.file("n.csv")), r.out);
    // Never over the notes file itself, nor the recording.
    for (const std::string& out : {notes(), data()}) {
        const ToolRun refused = kvtool({"notes", data(), "-o", out});
        EXPECT_EQ(refused.code, 1) << out;
        EXPECT_NE(refused.err.find("choose another name"), std::string::npos) << refused.err;
    }
    EXPECT_EQ(readText(notes()), kNotesHead + "300\t300\tadded\t\n5\t9\tnote\ta, \"b\"\\nc\n");
}

TEST_F(KvToolNotes, AddingANoteMakesTheFileAndKeepsWhatIsThere) {
    ToolRun r = kvtool({"notes", data(), "--add", "2.01", "first\tline\nsecond, \"quoted\""});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(readText(notes()), "kvnotes 1\n# record\tend\tkind\ttext\n"
                                 "101\t101\tnote\tfirst\\tline\\nsecond, \"quoted\"\n");
    // A line of another program's making stays; a text that starts with '-' follows "--".
    writeText(notes(), readText(notes()) + "7\t7\tbookmark\tkept\n");
    r = kvtool({"notes", data(), "--add", "0", "--", "-minus"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.err.find("not understood"), std::string::npos);
    EXPECT_EQ(readText(notes()), "kvnotes 1\n# record\tend\tkind\ttext\n1\t1\tnote\t-minus\n"
                                 "101\t101\tnote\tfirst\\tline\\nsecond, \"quoted\"\n"
                                 "7\t7\tbookmark\tkept\n");
    r = kvtool({"notes", data(), "--add", "9.98", "end"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_NE(readText(notes()).find("500\t500\tnote\tend\n"), std::string::npos);
}

TEST_F(KvToolNotes, AddingRefusesBadArgumentsAndNeverWritesOverNotesItCannotRead) {
    struct Case {
        std::vector<std::string> args;
        const char* said;
    };
    const std::vector<Case> cases = {
        {{"--add", "1"}, "give FILE.kvd --add SECONDS TEXT"},
        {{"--add", "1", "a", "b"}, "give FILE.kvd --add SECONDS TEXT"},
        {{"--add", "1.5x", "a"}, "'1.5x'"},
        {{"--add", "-1", "a"}, "--add"},
        {{"--add", "10.5", "a"}, "after the end of the recording"},
        {{"--add", "1", "bad \xFF text"}, "not UTF-8"},
        {{"--add", "1", "a", "-o", "x.csv"}, "leave out -o"},
        {{"--add", "1", "a", "--to", "2"}, "--to"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args{"notes", data()};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const ToolRun r = kvtool(args);
        EXPECT_EQ(r.code, 1) << c.said;
        EXPECT_NE(r.err.find(c.said), std::string::npos) << r.err;
        EXPECT_FALSE(fs::exists(notes())) << c.said;
    }
    for (const std::string content : {"a spreadsheet's notes\n", "kvnotes 2\n1\t1\tnote\tx\n"}) {
        writeText(notes(), content);
        const ToolRun r = kvtool({"notes", data(), "--add", "1", "lost?"});
        EXPECT_EQ(r.code, 1);
        EXPECT_NE(r.err.find("the note was not added"), std::string::npos) << r.err;
        EXPECT_EQ(readText(notes()), content);
        EXPECT_EQ(kvtool({"notes", data()}).code, 1);
    }
    writeText(notes(), kNotesHead);
    ::chmod(notes().c_str(), 0444);
    const ToolRun r = kvtool({"notes", data(), "--add", "1", "x"});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("read-only"), std::string::npos) << r.err;
    EXPECT_EQ(readText(notes()), kNotesHead);
}

// A 20-s pair (1000 records, 20 ms apart) with its sound.
void writePair(const TempDir& dir, const std::string& name) {
    DemoOptions o;
    o.records = 1000;
    ASSERT_FALSE(writeKvdFile(dir.file(name + ".kvd"), makeDemoRecords(o)));
    ASSERT_EQ(writeDemoAudio(dir.file(name + ".wav"), 20.0, DemoAudioFormat::Wav, 8000, 1), "");
}

TEST(KvToolNotesCut, TheMarksInsideTheSegmentGoWithItShifted) {
    TempDir dir;
    writePair(dir, "in");
    writeText(dir.file("in.kvnotes"),
              kNotesHead + "50\t50\tnote\tbefore\n90\t120\tartifact\tacross the start\n"
                           "101\t101\tnote\tat the start\n150\t150\trejected\t\n"
                           "240\t300\tnote\tacross the end\n251\t251\tadded\tat the end\n"
                           "252\t252\tnote\tafter\n");
    const ToolRun r =
        kvtool({"cut", dir.file("in.kvd"), "--from", "2", "--to", "5", "-o", dir.file("out.kvd")});
    ASSERT_EQ(r.code, 0) << r.err;
    // Records 101 (2.00 s) to 251 (5.00 s) become 1 to 151.
    EXPECT_EQ(readText(dir.file("out.kvnotes")), "kvnotes 1\n# record\tend\tkind\ttext\n"
                                                 "1\t1\tnote\tat the start\n"
                                                 "1\t20\tartifact\tacross the start\n"
                                                 "50\t50\trejected\t\n"
                                                 "140\t151\tnote\tacross the end\n"
                                                 "151\t151\tadded\tat the end\n");
    // No journal, backup or temporary left beside the new pair.
    for (const auto& e : fs::directory_iterator(dir.path()))
        EXPECT_EQ(e.path().filename().string().rfind(".kv", 0), std::string::npos) << e.path();
}

TEST(KvToolNotesCut, ACutWithoutMarksMakesNoNotesFileAndClearsAnOldOne) {
    TempDir dir;
    writePair(dir, "in");
    ASSERT_EQ(
        kvtool({"cut", dir.file("in.kvd"), "--from", "2", "--to", "5", "-o", dir.file("a.kvd")})
            .code,
        0);
    EXPECT_FALSE(fs::exists(dir.file("a.kvnotes")));
    // Marks outside the segment only: none go with it.
    writeText(dir.file("in.kvnotes"), kNotesHead + "900\t900\tnote\tlate\n");
    ASSERT_EQ(
        kvtool({"cut", dir.file("in.kvd"), "--from", "2", "--to", "5", "-o", dir.file("a.kvd")})
            .code,
        0);
    EXPECT_FALSE(fs::exists(dir.file("a.kvnotes")));
    // A pair saved over one that had notes does not inherit them.
    writeText(dir.file("b.kvnotes"), kNotesHead + "3\t3\tnote\tof the old b\n");
    ASSERT_EQ(
        kvtool({"cut", dir.file("in.kvd"), "--from", "2", "--to", "5", "-o", dir.file("b.kvd")})
            .code,
        0);
    EXPECT_EQ(readText(dir.file("b.kvnotes")), "kvnotes 1\n# record\tend\tkind\ttext\n");
}

TEST(KvToolNotesCut, NotesThatCannotBeReadStopTheCut) {
    TempDir dir;
    writePair(dir, "in");
    writeText(dir.file("in.kvnotes"), "garbage\n");
    const ToolRun r =
        kvtool({"cut", dir.file("in.kvd"), "--from", "2", "--to", "5", "-o", dir.file("out.kvd")});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("cannot read " + dir.file("in.kvnotes")), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(dir.file("out.kvd")));
    EXPECT_FALSE(fs::exists(dir.file("out.kvnotes")));
}

TEST(KvToolNotesReport, TheReportShowsNotesArtifactsAndReviews) {
    TempDir dir;
    const std::string base = dir.file("walk");
    ASSERT_FALSE(writeKvdFile(base + ".kvd", eventful()));
    writeText(base + ".kvnotes", kNotesHead + "50\t50\tnote\tclient laughed\n"
                                              "201\t201\trejected\tcough\n"
                                              "300\t400\tartifact\tmoved\n");
    ASSERT_EQ(kvtool({"report", base + ".kvd", "-o", dir.file("r.pdf")}).code, 0);
    const std::string text = test::pdfText(dir.file("r.pdf"));
    for (const char* expected :
         {"client laughed", "rejected: fall 3.0 div", "artifact", "2000 ms excluded: moved",
          "Notes", "Rejected", "Excluded", "0:02.0"})
        EXPECT_NE(text.find(expected), std::string::npos) << expected << "\n" << text;
    // Without notes the report is as it was: no review figures.
    ASSERT_FALSE(writeKvdFile(dir.file("plain.kvd"), eventful()));
    ASSERT_EQ(kvtool({"report", dir.file("plain.kvd"), "-o", dir.file("p.pdf")}).code, 0);
    const std::string plain = test::pdfText(dir.file("p.pdf"));
    EXPECT_EQ(plain.find("Excluded"), std::string::npos);
    EXPECT_NE(plain.find("fall 3.0 div"), std::string::npos);
}

} // namespace
} // namespace kv
