#include "KvToolSummary.h"
#include "DemoData.h"
#include "KvdFile.h"
#include "TempDir.h"
#include "ToolRun.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

namespace kv {
namespace {

using test::kvtool;
using test::TempDir;
namespace fs = std::filesystem;

const std::string kHeader =
    "file,date,clock_start,duration_ms,records,audio,audio_ms,tags,sets,motions,reactions,"
    "base_first,base_last,base_min,base_max,counter_last,status,notes,reactions_confirmed,"
    "reactions_rejected,artifact_ms";

// Ten seconds with a clock (10:00:05) and a date (1 January 2000), two tags,
// one SET, one body motion, Base from 2.65 through 2.45 to 3.15, counter 12.3.
std::vector<SampleRecord> eventful() {
    auto rs = test::plainRecords(500);
    for (auto& r : rs) {
        r.RawReading = 30000;
        r.SensIndex = 8;
        r.BaseCode = 100;
        r.BdCount = 123;
    }
    rs[0].MarkType = 'C';
    rs[0].MarkData = {0, 0, 0x8C, 0xA5}; // 36005 s
    rs[1].MarkType = 'D';
    rs[1].MarkData = {0, 0, 0, 1};
    for (std::size_t i : {99u, 120u}) {
        rs[i].MarkType = 'T';
        rs[i].MarkData = {7, 0, 0, 0};
    }
    rs[150].StatusFlags = 1;
    for (std::size_t i = 300; i < 310; ++i)
        rs[i].StatusFlags = 2;
    for (std::size_t i = 200; i < 250; ++i)
        rs[i].BaseCode = 83; // 2.45
    for (std::size_t i = 400; i < 500; ++i)
        rs[i].BaseCode = 110; // 3.15
    rs[0].BaseCode = 91;      // 2.65 (the rest 2.9)
    return rs;
}

void writeSound(const std::string& path, double seconds,
                DemoAudioFormat format = DemoAudioFormat::Wav) {
    ASSERT_EQ(writeDemoAudio(path, seconds, format, 8000), "");
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);)
        out.push_back(l);
    return out;
}

TEST(KvToolSummary, OneRowPerRecordingWithEachStatus) {
    TempDir dir;
    const auto rs = eventful();
    const auto put = [&](const std::string& name, const std::vector<SampleRecord>& records) {
        ASSERT_FALSE(writeKvdFile(dir.file(name + ".kvd"), records));
    };
    put("a_ok", rs);
    writeSound(dir.file("a_ok.wav"), 10.5);
    put("b_nosound", rs);
    put("c_short", rs);
    writeSound(dir.file("c_short.wav"), 8.0);
    put("d_badsound", rs);
    test::writeText(dir.file("d_badsound.mp3"), "not a sound at all, only some text");
    auto bad = rs;
    bad[2].RecordType = 'X';
    put("e_format", bad);
    auto back = rs;
    back[300].TimeMs = 10;
    put("f_times", back);
    writeSound(dir.file("f_times.wav"), 10.0);
    put("g_mp3", rs);
    writeSound(dir.file("g_mp3.mp3"), 10.0, DemoAudioFormat::Mp3);
    fs::create_symlink("h_loop.kvd", dir.file("h_loop.kvd"));
    put("i_interrupted", rs); // a save of it was cut short: its journal waits
    writeSound(dir.file("i_interrupted.wav"), 10.5);
    test::writeText(dir.file("i_interrupted.kvjournal"), "kv-player replacement journal 2\n");

    const test::ToolRun r = kvtool({"summary", dir.path()});
    EXPECT_EQ(r.code, 1) << r.err;
    const auto rows = lines(r.out);
    ASSERT_EQ(rows.size(), 10u) << r.out;
    EXPECT_EQ(rows[0], kHeader);
    const std::string figures = ",2000-01-01,10:00:05,9980,500,";
    const std::string counts = ",2,1,1,0,2.65,3.15,2.45,3.15,12.3,";
    EXPECT_EQ(rows[1], dir.file("a_ok.kvd") + figures + "wav,10500" + counts + "ok,0,0,0,0");
    EXPECT_EQ(rows[2], dir.file("b_nosound.kvd") + figures + "," + counts +
                           "nosound: no .wav or .mp3 beside it,0,0,0,0");
    EXPECT_EQ(rows[3], dir.file("c_short.kvd") + figures + "wav,8000" + counts +
                           "shortsound: the sound ends 2.0 s before the data,0,0,0,0");
    EXPECT_EQ(
        rows[4].rfind(dir.file("d_badsound.kvd") + figures + "mp3," + counts + "badsound: ", 0), 0u)
        << rows[4];
    EXPECT_EQ(rows[5], dir.file("e_format.kvd") +
                           ",,,,500,,,,,,,,,,,,"
                           "format: the first records fail the format check,,,,");
    EXPECT_NE(rows[6].find(",times: the time goes back at record 301"), std::string::npos)
        << rows[6];
    EXPECT_NE(rows[7].find(",mp3,"), std::string::npos) << rows[7];
    EXPECT_EQ(rows[7].substr(rows[7].size() - 11), ",ok,0,0,0,0") << rows[7];
    EXPECT_EQ(rows[8], dir.file("h_loop.kvd") +
                           ",,,,,,,,,,,,,,,,unreadable: it is a loop of symbolic links,,,,");
    EXPECT_EQ(rows[9].rfind(dir.file("i_interrupted.kvd") + ",,,,,,,,,,,,,,,,interrupted: ", 0), 0u)
        << rows[9];
}

// A data file is found in a folder by its extension in any mix of letter
// cases, and its sound beside it in lower case or capitals.
TEST(KvToolSummary, DataFilesInAnyCaseAreFoundWithTheirSound) {
    const struct {
        const char* data;
        const char* sound;
    } cases[] = {
        {"WALK001.KVD", "WALK001.WAV"},
        {"walk.Kvd", "walk.wav"},
        {"run.kVD", "run.WAV"},
        {"sit.kvd", "sit.wav"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.data);
        TempDir dir;
        ASSERT_FALSE(writeKvdFile(dir.file(c.data), eventful()));
        writeSound(dir.file(c.sound), 10);
        const auto r = kvtool({"summary", dir.path()});
        EXPECT_EQ(r.code, 0) << r.out << r.err;
        const auto rows = lines(r.out);
        ASSERT_EQ(rows.size(), 2u) << r.out << r.err;
        EXPECT_EQ(rows[1].rfind(dir.file(c.data) + ",", 0), 0u) << rows[1];
        EXPECT_NE(rows[1].find(",wav,10000,"), std::string::npos) << rows[1];
        EXPECT_EQ(rows[1].substr(rows[1].size() - 11), ",ok,0,0,0,0");
    }
}

TEST(KvToolSummary, ExitTwoOnlyWhenEveryFileFailsTheFormatCheck) {
    TempDir dir;
    auto bad = eventful();
    bad[0].RecordType = 0;
    ASSERT_FALSE(writeKvdFile(dir.file("x.kvd"), bad));
    ASSERT_FALSE(writeKvdFile(dir.file("y.kvd"), test::plainRecords(3))); // too short to pass
    test::ToolRun r = kvtool({"summary", dir.file("x.kvd"), dir.file("y.kvd")});
    EXPECT_EQ(r.code, 2) << r.err;
    EXPECT_NE(r.out.find("y.kvd,,,,3,,,,,,,,,,,,format: fewer than 5 records"), std::string::npos)
        << r.out;
    ASSERT_FALSE(writeKvdFile(dir.file("z.kvd"), eventful()));
    writeSound(dir.file("z.wav"), 10);
    r = kvtool({"summary", dir.path()});
    EXPECT_EQ(r.code, 1) << r.out;
    EXPECT_EQ(kvtool({"summary", dir.file("z.kvd")}).code, 0);
}

TEST(KvToolSummary, FolderTreeWithABadFileAndLinkLoops) {
    TempDir dir;
    const std::string root = dir.file("sessions");
    fs::create_directories(root + "/2026/march");
    fs::create_directories(root + "/2026/april");
    ASSERT_FALSE(writeKvdFile(root + "/2026/march/walk001.kvd", eventful()));
    writeSound(root + "/2026/march/walk001.wav", 10);
    ASSERT_FALSE(writeKvdFile(root + "/2026/april/walk002.kvd", eventful()));
    writeSound(root + "/2026/april/walk002.wav", 10);
    test::writeText(root + "/2026/april/broken.kvd", "this is no recording");
    test::writeText(root + "/notes.txt", "not a recording, passed over");
    fs::create_directory_symlink("../..", root + "/2026/april/up");   // back to the top
    fs::create_symlink("self", root + "/2026/self");                  // a link to itself
    fs::create_directory_symlink("march", root + "/2026/also-march"); // the same folder again

    const test::ToolRun r = kvtool({"summary", root + "/", "--jobs", "3"});
    EXPECT_EQ(r.code, 1);
    const auto rows = lines(r.out);
    ASSERT_EQ(rows.size(), 4u) << r.out;
    // The folder reached by a link as well is listed under its own name, once.
    EXPECT_EQ(rows[3].rfind(root + "/2026/march/walk001.kvd,2000-01-01,", 0), 0u) << r.out;
    EXPECT_NE(r.err.find("skipped " + root + "/2026/also-march: already searched"),
              std::string::npos)
        << r.err;
    EXPECT_NE(
        r.out.find(root + "/2026/april/broken.kvd,,,,1,,,,,,,,,,,,format: fewer than 5 records"),
        std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find(root + "/2026/april/walk002.kvd,2000-01-01,"), std::string::npos);
    EXPECT_NE(r.err.find("skipped " + root + "/2026/april/up: already searched"), std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("skipped " + root + "/2026/self: a loop of symbolic links"),
              std::string::npos)
        << r.err;
    // Rows are sorted by path.
    for (std::size_t i = 2; i < rows.size(); ++i)
        EXPECT_LT(rows[i - 1], rows[i]);
}

TEST(KvToolSummary, ParallelRunsWriteTheSameBytes) {
    TempDir dir;
    for (int i = 0; i < 12; ++i) {
        auto rs = eventful();
        rs.resize(static_cast<std::size_t>(200 + 25 * i));
        const std::string base = dir.file("s" + std::to_string(i % 5) + "/r" + std::to_string(i));
        fs::create_directories(fs::path(base).parent_path());
        ASSERT_FALSE(writeKvdFile(base + ".kvd", rs));
        if (i % 3 != 0) writeSound(base + ".wav", 3 + i);
    }
    const test::ToolRun one =
        kvtool({"summary", dir.path(), "--jobs", "1", "-o", dir.file("one.csv")});
    const test::ToolRun four =
        kvtool({"summary", dir.path(), "--jobs", "4", "-o", dir.file("four.csv")});
    EXPECT_EQ(one.code, 1);
    EXPECT_EQ(four.code, 1);
    EXPECT_EQ(one.out, "");
    const std::string a = test::readText(dir.file("one.csv")),
                      b = test::readText(dir.file("four.csv"));
    EXPECT_EQ(lines(a).size(), 13u);
    EXPECT_EQ(a, b);
    EXPECT_EQ(kvtool({"summary", dir.path()}).out, a); // the default: all cores
}

TEST(KvToolSummary, ProgressLineOnlyWhenAskedAndNeverInTheRows) {
    TempDir dir;
    for (int i = 0; i < 3; ++i) {
        ASSERT_FALSE(writeKvdFile(dir.file("r" + std::to_string(i) + ".kvd"), eventful()));
        writeSound(dir.file("r" + std::to_string(i) + ".wav"), 10);
    }
    for (const bool progress : {false, true}) {
        ParsedArgs args = ParsedArgs::parse({dir.path(), "--jobs", "2"}, summaryOptions());
        std::ostringstream out, err;
        EXPECT_EQ(summaryCommand(args, out, err, progress), 0);
        EXPECT_EQ(lines(out.str()).size(), 4u);
        if (progress) {
            EXPECT_NE(err.str().find("\rkvtool summary: 3 of 3 recordings"), std::string::npos)
                << err.str();
            EXPECT_EQ(err.str().substr(err.str().size() - 4), "\r\033[K"); // the line is cleared
        } else {
            EXPECT_EQ(err.str(), "");
        }
    }
    // kvtool's own error stream here is no terminal.
    EXPECT_EQ(kvtool({"summary", dir.path()}).err, "");
}

TEST(KvToolSummary, StrictOptionsAndSafeOutput) {
    TempDir dir;
    ASSERT_FALSE(writeKvdFile(dir.file("a.kvd"), eventful()));
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"summary", dir.path(), "--jobs", "abc"},
          {"summary", dir.path(), "--jobs", "0"},
          {"summary", dir.path(), "--jobs", "2x"},
          {"summary", dir.path(), "--jobs", " 2"},
          {"summary", dir.path(), "--jobs"},
          {"summary", dir.path(), "--bogus"},
          {"summary"}}) {
        const test::ToolRun r = kvtool(args);
        EXPECT_EQ(r.code, 1) << args.back();
        EXPECT_EQ(r.out, "");
        EXPECT_NE(r.err.find("kvtool summary: "), std::string::npos) << r.err;
    }
    EXPECT_NE(
        kvtool({"summary", dir.path(), "--jobs", "0"}).err.find("--jobs must be a whole number"),
        std::string::npos);
    // An empty folder has nothing to summarise.
    fs::create_directory(dir.file("empty"));
    const test::ToolRun none = kvtool({"summary", dir.file("empty")});
    EXPECT_EQ(none.code, 1);
    EXPECT_NE(none.err.find("no .kvd file found"), std::string::npos);
    // A read-only target is refused and left alone; a folder is no target.
    test::writeText(dir.file("ro.csv"), "keep");
    fs::permissions(dir.file("ro.csv"), fs::perms::owner_read);
    const test::ToolRun ro = kvtool({"summary", dir.file("a.kvd"), "-o", dir.file("ro.csv")});
    EXPECT_EQ(ro.code, 1);
    EXPECT_EQ(test::readText(dir.file("ro.csv")), "keep");
    EXPECT_EQ(kvtool({"summary", dir.file("a.kvd"), "-o", dir.file("empty")}).code, 1);
    // A path that names nothing is a row that says so.
    const test::ToolRun missing = kvtool({"summary", dir.file("gone.kvd")});
    EXPECT_EQ(missing.code, 1);
    EXPECT_NE(missing.out.find(dir.file("gone.kvd") + ",,,,,,,,,,,,,,,,unreadable: no such file"),
              std::string::npos)
        << missing.out;
}

} // namespace
} // namespace kv
