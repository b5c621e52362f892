#include "KvTool.h"
#include "CsvWriter.h"
#include "DemoData.h"
#include "KvdFile.h"
#include "TempDir.h"
#include "ToolRun.h"

#include <gtest/gtest.h>

#include <sstream>

#include <csignal>
#include <cstdint>
#include <filesystem>
#include <limits>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace kv {
namespace {

using test::TempDir;

using test::kvtool;
using test::ToolRun;

// A demo recording of `records` records and `seconds` of mono sound: in.kvd
// and in.wav; a failure names the file that could not be written.
::testing::AssertionResult writeDemoPair(const TempDir& dir, std::int32_t records, double seconds) {
    DemoOptions o;
    o.records = records;
    if (writeKvdFile(dir.file("in.kvd"), makeDemoRecords(o)))
        return ::testing::AssertionFailure() << "in.kvd not written";
    const std::string e =
        writeDemoAudio(dir.file("in.wav"), seconds, DemoAudioFormat::Wav, 8000, 1);
    if (!e.empty()) return ::testing::AssertionFailure() << "in.wav: " << e;
    return ::testing::AssertionSuccess();
}

TEST(KvTool, InfoPrintsEveryKey) {
    TempDir dir;
    DemoOptions o;
    o.records = 500;
    o.clockStartSecs = 57616;
    o.dayNumber = 1;
    ASSERT_FALSE(writeKvdFile(dir.file("a.kvd"), makeDemoRecords(o)));
    ASSERT_EQ(writeDemoAudio(dir.file("a.wav"), 10.0, DemoAudioFormat::Wav, 22050, 2), "");
    const ToolRun r = kvtool({"info", dir.file("a.kvd")});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out,
              "records: 500\ntotal_time_ms: 9980\ntotal_time: 00:10\nskip_step: 10\n"
              "clock_start: 16:00:16\ndate: 2000-01-01\naudio: wav\naudio_units_per_sec: 88200\n");

    auto plain = test::plainRecords(60);
    ASSERT_FALSE(writeKvdFile(dir.file("b.kvd"), plain));
    const ToolRun b = kvtool({"info", dir.file("b.kvd")});
    EXPECT_NE(b.out.find("clock_start: none\ndate: none\naudio: missing\naudio_units_per_sec: 0\n"),
              std::string::npos);
}

TEST(KvTool, ExportWritesOneRowPerRecord) {
    TempDir dir;
    auto records = test::plainRecords(6);
    records[0].MarkType = 'C';
    records[0].MarkData = {0, 0x00, 0xE1, 0x10};
    records[2].MarkType = 'T';
    records[2].MarkData = {0x01, 0x80, 0, 0}; // tag 32769, read unsigned
    records[3].RawReading = 65535;
    records[3].BdCount = 12340;
    records[3].BaseCode = 255;
    records[3].SensIndex = 70; // clamped label
    records[3].StatusFlags = 0b011'0'1'1'11;
    ASSERT_FALSE(writeKvdFile(dir.file("e.kvd"), records));
    const ToolRun r = kvtool({"export", dir.file("e.kvd"), "-o", dir.file("e.csv")});
    ASSERT_EQ(r.code, 0) << r.err;
    const std::string csv = test::readText(dir.file("e.csv"));
    std::istringstream lines(csv);
    std::string header, row1, row2, row3, row4;
    std::getline(lines, header), std::getline(lines, row1), std::getline(lines, row2);
    std::getline(lines, row3), std::getline(lines, row4);
    EXPECT_EQ(
        header,
        "record,time_ms,raw,needle,bd_count,bd_text,base_code,base_text,sens_index,knob_label,lamp,"
        "frozen,bd_on,dial_type,mark,mark_value,record_type");
    EXPECT_EQ(row1, "1,0,1000,0,0,0.0,0,0.4,0,1.0,0,0,0,0,C,57616,O");
    EXPECT_EQ(row3, "3,40,1002,0,0,0.0,0,0.4,0,1.0,0,0,0,0,T,32769,O");
    EXPECT_EQ(row4, "4,60,65535,0,12340,1234,255,6.75,70,40,3,1,1,3,,,O");
}

TEST(KvTool, ExitCodesTellFormatFailuresFromOtherErrors) {
    TempDir dir;
    test::writeText(dir.file("bad.kvd"), std::string(200, 'x'));
    const ToolRun bad = kvtool({"info", dir.file("bad.kvd")});
    EXPECT_EQ(bad.code, 2);
    EXPECT_EQ(bad.err, "This file is corrupt or needs to be converted to version 2 format.\n");
    EXPECT_EQ(kvtool({"export", dir.file("bad.kvd")}).code, 2);
    EXPECT_EQ(kvtool({"info", dir.file("none.kvd")}).code, 1);
    EXPECT_EQ(kvtool({"frobnicate"}).code, 1);
    EXPECT_EQ(kvtool({}).code, 1);
}

TEST(KvTool, ChannelConsoleAnswersEachCommand) {
    TempDir dir;
    ASSERT_EQ(writeDemoAudio(dir.file("c d.wav"), 1.0, DemoAudioFormat::Wav), "");
    const ToolRun r =
        kvtool({"channel"}, "open \"" + dir.file("c d.wav") +
                                "\" type waveaudio alias WavFile\nstatus WavFile channels\n"
                                "sleep 1\nstatus WavFile mode\nfoo\nclose WavFile\n");
    EXPECT_EQ(r.out, "0\t\n0\t1\n0\tstopped\n261\tUnknown command.\n0\t\n");
}

TEST(KvTool, ChannelSleepTakesWholeMillisecondsUpToADay) {
    for (const char* bad : {"99999999999999999999", "abc", "-5", "1.5", "10x", "", " 5",
                            "86400001"}) {
        SCOPED_TRACE(bad);
        const ToolRun r = kvtool({"channel"}, std::string("sleep ") + bad + "\nfoo\n");
        EXPECT_EQ(r.out, "273\tsleep takes whole milliseconds from 0 to 86400000, not '" +
                             std::string(bad) + "'.\n261\tUnknown command.\n");
    }
    EXPECT_EQ(kvtool({"channel"}, "sleep 0\nsleep 2\nfoo\n").out, "261\tUnknown command.\n");
}

TEST(KvToolCut, AnOutputThatNamesNoFileIsRefused) {
    TempDir dir;
    ASSERT_TRUE(writeDemoPair(dir, 500, 10.0));
    std::filesystem::create_directory(dir.file("sub"));
    const std::filesystem::path was = std::filesystem::current_path();
    std::filesystem::current_path(dir.path()); // where "" would put its pair
    for (const std::string& out : {std::string(), dir.file("sub/"), dir.file("sub/.kvd"), dir.path() + "/.", std::string("..")}) {
        SCOPED_TRACE("-o '" + out + "'");
        const ToolRun r =
            kvtool({"cut", dir.file("in.kvd"), "--from", "1", "--to", "5", "-o", out});
        EXPECT_EQ(r.code, 1);
        EXPECT_NE(r.err.find("names no file"), std::string::npos) << r.err;
    }
    std::filesystem::current_path(was);
    for (const char* hidden : {".kvd", ".wav", "sub/.kvd", "sub/.wav"})
        EXPECT_FALSE(std::filesystem::exists(dir.file(hidden))) << hidden;
}

} // namespace
} // namespace kv

#include <QImage>

namespace kv {
namespace {

std::vector<SampleRecord> flatRecording(int n, std::uint16_t raw) {
    auto records = test::plainRecords(n);
    for (auto& r : records) {
        r.RawReading = raw;
        r.StatusFlags = 1 << 5; // dial type 1
        r.SensIndex = 8;
    }
    return records;
}

TEST(KvToolRecompute, RunsTheOverrideModelOnTheRecordsTime) {
    TempDir dir;
    auto records = flatRecording(100, 30000);
    records[49].RawReading = 31000; // a body motion
    ASSERT_FALSE(writeKvdFile(dir.file("f.kvd"), records));
    const ToolRun r = kvtool({"recompute", dir.file("f.kvd"), "-o", dir.file("f.csv")});
    ASSERT_EQ(r.code, 0) << r.err;
    std::istringstream csv(test::readText(dir.file("f.csv")));
    std::vector<std::string> rows;
    for (std::string line; std::getline(csv, line);)
        rows.push_back(line);
    ASSERT_EQ(rows.size(), 101u);
    EXPECT_EQ(rows[0], "record,time_ms,raw,filtered,deflection,base_code,base_text,bd_total,bd_"
                       "text,lamp,motion,frozen");
    EXPECT_EQ(rows[1], "1,0,30000,30000,-2503,114,3.25,0,0.0,0,0,0");  // reset: needle at rest
    EXPECT_EQ(rows[2], "2,20,30000,30000,-2503,114,3.25,0,0.0,1,0,0"); // the start-up SET
    EXPECT_EQ(rows[16], "16,300,30000,30000,-2503,114,3.25,0,0.0,1,0,0");
    EXPECT_EQ(rows[17],
              "17,320,30000,30000,-2503,114,3.25,0,0.0,0,0,0");        // SET lamp off after 300 ms
    EXPECT_NE(rows[50].find(",2,1,0"), std::string::npos) << rows[50]; // body motion lamp

    const ToolRun frozen =
        kvtool({"recompute", dir.file("f.kvd"), "--freeze", "on", "--dial", "0"});
    ASSERT_EQ(frozen.code, 0);
    EXPECT_NE(frozen.out.find("\n50,980,31000,"), std::string::npos);
    EXPECT_NE(frozen.out.find(",2,1,1\n"), std::string::npos);
    EXPECT_EQ(kvtool({"recompute", dir.file("f.kvd"), "--knob", "64"}).code, 1);
    EXPECT_EQ(kvtool({"recompute", dir.file("f.kvd"), "--freeze", "maybe"}).code, 1);
}

// FNV-1a over the bytes: a short fingerprint of a long output.
std::uint64_t fingerprint(const std::string& bytes) {
    std::uint64_t h = 0xcbf29ce484222325u;
    for (const unsigned char c : bytes)
        h = (h ^ c) * 0x100000001b3u;
    return h;
}

// The CSV of a 20-minute demo recording (several output blocks) stays byte
// for byte what the earlier, plainer formatting code wrote: the fingerprints
// and lengths were taken from that code's output for the same recording.
TEST(KvToolOutput, TheCsvOfALongRecordingKeepsEveryByte) {
    TempDir dir;
    DemoOptions o;
    o.records = 1200 * 50 + 1;
    ASSERT_FALSE(writeKvdFile(dir.file("g.kvd"), makeDemoRecords(o)));
    const std::string g = dir.file("g.kvd");
    struct Case {
        std::vector<std::string> args;
        std::size_t length;
        std::uint64_t fingerprint;
    };
    const Case cases[] = {
        {{"export", g}, 3545959, 0x8ad724f86586b4e3u},
        {{"recompute", g}, 3110468, 0x7b0e0df5d1b9507du},
        {{"recompute", g, "--dial", "2", "--knob", "30", "--freeze", "on", "--needle-bd", "on",
          "--bm", "1"},
         3173907,
         0x0fb35ef917b6c8d1u},
        {{"recompute", g, "--dial", "0", "--counter", "off"}, 3054888, 0x4762067af0b0d63fu},
    };
    for (const Case& c : cases) {
        const ToolRun r = kvtool(c.args);
        ASSERT_EQ(r.code, 0) << r.err;
        EXPECT_EQ(r.out.size(), c.length) << c.args[0];
        EXPECT_EQ(fingerprint(r.out), c.fingerprint) << c.args[0];
    }
    // Written to a file, the same bytes.
    ASSERT_EQ(kvtool({"export", g, "-o", dir.file("g.csv")}).code, 0);
    EXPECT_EQ(fingerprint(test::readText(dir.file("g.csv"))), cases[0].fingerprint);
}

// Rows go out in blocks, in order, whatever their length: numbers at the
// limits, texts longer than a block, and a sink that fails is reported.
TEST(CsvWriterBlocks, EveryByteArrivesInOrderAndAFailedBlockIsReported) {
    std::string sent, expected;
    int blocks = 0;
    CsvWriter csv([&](std::string_view b) {
        sent.append(b);
        ++blocks;
        return true;
    });
    const std::string huge(3 << 20, 'x');
    for (long long i = 0; i < 200000; ++i) {
        const long long n = i % 3 == 0 ? std::numeric_limits<long long>::min() + i : i * 7919;
        csv.number(n).comma().text("ab");
        expected += std::to_string(n) + ",ab";
        if (i == 1000) {
            csv.text(huge);
            expected += huge;
        }
        csv.endRow();
        expected += "\n";
    }
    EXPECT_TRUE(csv.finish());
    EXPECT_GT(blocks, 4);
    EXPECT_EQ(sent, expected);

    CsvWriter failing([](std::string_view) { return false; });
    failing.text("row").endRow();
    EXPECT_FALSE(failing.finish());
}

TEST(KvToolRender, DrawsThePanelAtARecord) {
    TempDir dir;
    auto records = flatRecording(200, 30000);
    records[149].NeedlePos = 0; // straight up
    for (int i = 0; i < 149; ++i)
        records[static_cast<std::size_t>(i)].NeedlePos = -2503;
    ASSERT_FALSE(writeKvdFile(dir.file("g.kvd"), records));
    ASSERT_EQ(
        kvtool({"render", dir.file("g.kvd"), "--record", "150", "-o", dir.file("a.png")}).code, 0);
    QImage a(QString::fromStdString(dir.file("a.png")));
    ASSERT_EQ(a.size(), QSize(1000, 625));
    EXPECT_EQ(a.pixel(500, 225), qRgb(255, 0, 0)); // panel point (0, 750)

    ASSERT_EQ(kvtool({"render", dir.file("g.kvd"), "--at", "1.0", "--graph", "--width", "800", "-o",
                      dir.file("b.png")})
                  .code,
              0);
    QImage b(QString::fromStdString(dir.file("b.png")));
    EXPECT_EQ(b.size(), QSize(800, 500 + 300));
    EXPECT_NE(b.pixel(400, 180), qRgb(255, 0, 0)); // record 51 is at rest, not straight up
    bool trace = false; // the flat reading runs at mid height of the strip, to the right edge
    for (int y = 500 + 140; y < 500 + 160; ++y)
        trace = trace || b.pixel(795, y) == qRgb(0, 0, 0);
    EXPECT_TRUE(trace);
    EXPECT_EQ(kvtool({"render", dir.file("g.kvd"), "-o", dir.file("c.png")}).code, 1);
    EXPECT_EQ(
        kvtool({"render", dir.file("g.kvd"), "--record", "999", "-o", dir.file("c.png")}).code, 1);
}

TEST(KvToolRender, APictureIsWrittenOnlyUnderANameThatSaysPng) {
    TempDir dir;
    ASSERT_FALSE(writeKvdFile(dir.file("g.kvd"), flatRecording(200, 30000)));
    for (const char* name : {"r.jpg", "r.JPEG", "r.png.bmp", "r.pdf"}) {
        for (const std::vector<std::string>& how :
             {std::vector<std::string>{"--record", "5"}, {"--overview"}}) {
            SCOPED_TRACE(std::string(name) + " " + how[0]);
            std::vector<std::string> args{"render", dir.file("g.kvd")};
            args.insert(args.end(), how.begin(), how.end());
            args.insert(args.end(), {"-o", dir.file(name)});
            const ToolRun r = kvtool(args);
            EXPECT_EQ(r.code, 1);
            EXPECT_NE(r.err.find("the picture is PNG"), std::string::npos) << r.err;
            EXPECT_FALSE(std::filesystem::exists(dir.file(name)));
        }
    }
    for (const char* name : {"r.PNG", "picture"}) {
        SCOPED_TRACE(name);
        ASSERT_EQ(
            kvtool({"render", dir.file("g.kvd"), "--overview", "-o", dir.file(name)}).code, 0);
        EXPECT_EQ(test::readText(dir.file(name)).substr(1, 3), "PNG");
    }
}

TEST(KvToolRender, AppliesTheFirstRecordsReadoutsAsTheWindowDoes) {
    TempDir dir;
    auto records = flatRecording(100, 30000);
    for (auto& r : records) {
        r.StatusFlags = 0; // dial type 0: "Circular 1"
        r.NeedlePos = 0;
    }
    ASSERT_FALSE(writeKvdFile(dir.file("c.kvd"), records));
    ASSERT_EQ(kvtool({"render", dir.file("c.kvd"), "--record", "50", "-o", dir.file("c.png")}).code,
              0);
    QImage c(QString::fromStdString(dir.file("c.png")));
    // Panel point (-300, 200): on the circular face, in the sector dial's hole.
    EXPECT_EQ(c.pixel(350, 500), qRgb(255, 255, 255));
}

} // namespace
} // namespace kv

namespace kv {
namespace {

TEST(KvToolCut, SavesASegmentOfWholeRecords) {
    TempDir dir;
    ASSERT_TRUE(writeDemoPair(dir, 1000, 20.5));
    const ToolRun r = kvtool(
        {"cut", dir.file("in.kvd"), "--from", "2.01", "--to", "4.5", "-o", dir.file("out.kvd")});
    ASSERT_EQ(r.code, 0) << r.err;
    const KvdReadResult out = readKvdFile(dir.file("out.kvd"));
    ASSERT_EQ(out.records.size(), 125u); // records at 2.02 s .. 4.50 s
    EXPECT_EQ(out.records.front().TimeMs, 0);
    EXPECT_EQ(out.records.back().TimeMs, 2480);
    const ToolRun info = kvtool({"info", dir.file("out.kvd")});
    EXPECT_NE(info.out.find("audio: wav\naudio_units_per_sec: 16000\n"), std::string::npos)
        << info.out;

    EXPECT_EQ(
        kvtool({"cut", dir.file("in.kvd"), "--from", "1", "--to", "2", "-o", dir.file("in.kvd")})
            .code,
        1);
    EXPECT_EQ(
        kvtool({"cut", dir.file("in.kvd"), "--from", "3", "--to", "2", "-o", dir.file("x.kvd")})
            .code,
        1);
}

// A 20-s recording with its sound, for the cut's refusals.
class KvToolCutInput : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(writeDemoPair(dir, 1000, 20.0)); }
    ToolRun cut(const std::string& from, const std::string& to, const std::string& out,
                const std::string& in = "in.kvd") {
        return kvtool({"cut", dir.file(in), "--from", from, "--to", to, "-o", out});
    }
    TempDir dir;
};

TEST_F(KvToolCutInput, RangesAndNumbersThatWouldWriteAnUnplayablePairAreRefused) {
    for (const auto& [from, to] :
         {std::pair{"abc", "2"},
          {"1", "2x"},
          {"nan", "2"},
          {"1", "inf"},
          {"-1", "2"},
          {"", "2"},
          {"1000", "2000"},
          {"2", "2.05"},
          {"0x1", "2"}, // hexadecimal, blanks and a plus sign: typing slips
          {" 1", "2"},
          {"+1", "2"},
          {"1", "1e400"}}) {
        SCOPED_TRACE(std::string(from) + " " + to);
        const ToolRun r = cut(from, to, dir.file("out.kvd"));
        EXPECT_EQ(r.code, 1);
        EXPECT_FALSE(r.err.empty());
        EXPECT_FALSE(std::filesystem::exists(dir.file("out.kvd")));
    }
    EXPECT_NE(cut("abc", "2", dir.file("out.kvd")).err.find("'abc'"), std::string::npos);
    EXPECT_NE(cut("2", "2.05", dir.file("out.kvd")).err.find("at least 5"), std::string::npos);
    EXPECT_NE(kvtool({"cut", dir.file("in.kvd"), "--bogus", "1"}).err.find("--bogus"),
              std::string::npos);
}

TEST_F(KvToolCutInput, TimesBeyondAnyRecordingMeanItsEnd) {
    // Seconds too large for whole milliseconds: the range runs to the end.
    const ToolRun all = cut("0", "1e20", dir.file("all.kvd"));
    ASSERT_EQ(all.code, 0) << all.err;
    EXPECT_EQ(std::filesystem::file_size(dir.file("all.kvd")), 1000u * 20);
    const ToolRun late = cut("1e20", "1e21", dir.file("late.kvd"));
    EXPECT_EQ(late.code, 1);
    EXPECT_NE(late.err.find("after the end of the recording"), std::string::npos) << late.err;
    EXPECT_FALSE(std::filesystem::exists(dir.file("late.kvd")));
}

TEST_F(KvToolCutInput, TheSourceIsFoundThroughAnySpellingAndTargetsAreChecked) {
    const std::string source = test::readText(dir.file("in.kvd"));
    std::filesystem::create_directory_symlink(dir.path(), dir.file("alias"));
    for (const std::string& out :
         {dir.file("alias/in.kvd"), dir.path() + "/./in.kvd", dir.file("alias/in")}) {
        const ToolRun r = cut("1", "5", out);
        EXPECT_EQ(r.code, 1) << out;
        EXPECT_NE(r.err.find("belongs to the recording in use"), std::string::npos) << r.err;
    }
    EXPECT_EQ(test::readText(dir.file("in.kvd")), source);
    EXPECT_EQ(std::filesystem::file_size(dir.file("in.wav")), 44u + 20 * 8000 * 2);

    test::writeText(dir.file("old.kvd"), "old");
    ::chmod(dir.file("old.kvd").c_str(), 0444);
    EXPECT_EQ(cut("1", "5", dir.file("old.kvd")).code, 1);
    EXPECT_EQ(test::readText(dir.file("old.kvd")), "old");
    struct stat st {};
    ::stat(dir.file("old.kvd").c_str(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0444u);

    std::filesystem::create_directories(dir.file("folder.kvd/inside"));
    const ToolRun folder = cut("1", "5", dir.file("folder.kvd"));
    EXPECT_EQ(folder.code, 1);
    EXPECT_NE(folder.err.find("is a folder"), std::string::npos) << folder.err;
    EXPECT_TRUE(std::filesystem::is_directory(dir.file("folder.kvd/inside")));

    // A name without ".kvd" gets it.
    ASSERT_EQ(cut("1", "5", dir.file("walk12")).code, 0);
    EXPECT_TRUE(std::filesystem::exists(dir.file("walk12.kvd")));
    EXPECT_TRUE(std::filesystem::exists(dir.file("walk12.wav")));
}

TEST_F(KvToolCutInput, ASoundShorterThanTheRangeIsRefusedOrWarnedAbout) {
    DemoOptions o;
    o.records = 1500; // 30 s of records
    ASSERT_FALSE(writeKvdFile(dir.file("short.kvd"), makeDemoRecords(o)));
    ASSERT_EQ(writeDemoAudio(dir.file("short.wav"), 10.0, DemoAudioFormat::Wav, 8000, 1), "");
    const ToolRun none = cut("15", "25", dir.file("a.kvd"), "short.kvd");
    EXPECT_EQ(none.code, 1);
    EXPECT_NE(none.err.find("no sound"), std::string::npos) << none.err;
    EXPECT_FALSE(std::filesystem::exists(dir.file("a.kvd")));
    const ToolRun part = cut("5", "25", dir.file("b.kvd"), "short.kvd");
    EXPECT_EQ(part.code, 0) << part.err;
    EXPECT_NE(part.err.find("warning: The sound of"), std::string::npos) << part.err;
}

TEST_F(KvToolCutInput, DataFilesThatCannotBeReadAreNamedWithTheReason) {
    std::filesystem::create_directory(dir.file("dir.kvd"));
    ::mkfifo(dir.file("pipe.kvd").c_str(), 0644);
    std::filesystem::create_symlink("loop.kvd", dir.file("loop.kvd"));
    for (const auto& [name, why] : {std::pair{"none.kvd", "no such file"},
                                    {"dir.kvd", "is a folder"},
                                    {"pipe.kvd", "not a regular file"},
                                    {"loop.kvd", "loop of symbolic links"}}) {
        const ToolRun r = cut("1", "5", dir.file("o.kvd"), name);
        EXPECT_EQ(r.code, 1);
        EXPECT_NE(r.err.find(dir.file(name) + ": "), std::string::npos) << r.err;
        EXPECT_NE(r.err.find(why), std::string::npos) << r.err;
    }
}

TEST_F(KvToolCutInput, AnInterruptedCutRemovesWhatItWroteAndFails) {
    // SIGTERM arrives before the cut looks: it is held back, seen, and reported.
    sigset_t term, old;
    sigemptyset(&term);
    sigaddset(&term, SIGTERM);
    ::sigprocmask(SIG_BLOCK, &term, &old);
    ::kill(::getpid(), SIGTERM);
    const ToolRun r = cut("1", "5", dir.file("out.kvd"));
    int sig = 0;
    ::sigwait(&term, &sig);
    ::sigprocmask(SIG_SETMASK, &old, nullptr);
    EXPECT_EQ(r.code, 130);
    EXPECT_NE(r.err.find("interrupted"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir.file("out.kvd")));
    std::vector<std::string> left;
    for (const auto& e : std::filesystem::directory_iterator(dir.path()))
        left.push_back(e.path().filename().string());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"in.kvd", "in.wav"}));
}

TEST(KvToolReaders, APairWhoseSaveWasCutShortIsNotReadAsWhole) {
    // Whatever stands in the journal's place, a reader neither trusts the
    // pair nor changes it.
    TempDir dir;
    ASSERT_FALSE(writeKvdFile(dir.file("a.kvd"), test::plainRecords(60)));
    for (const char* journal : {"text", "folder"}) {
        if (std::string(journal) == "text")
            test::writeText(dir.file("a.kvjournal"), "kv-player replacement journal 2\n");
        else
            std::filesystem::create_directory(dir.file("a.kvjournal"));
        for (const char* cmd : {"info", "export", "events", "recompute"}) {
            SCOPED_TRACE(std::string(cmd) + " with a " + journal);
            const ToolRun r = kvtool({cmd, dir.file("a.kvd")});
            EXPECT_EQ(r.code, 1);
            EXPECT_EQ(r.out, "");
            EXPECT_NE(r.err.find("was interrupted"), std::string::npos) << r.err;
        }
        EXPECT_TRUE(std::filesystem::exists(dir.file("a.kvjournal")));
        std::filesystem::remove(dir.file("a.kvjournal"));
    }
    EXPECT_EQ(kvtool({"info", dir.file("a.kvd")}).code, 0);
}

TEST(KvToolOutput, ExportNeverWritesOverAReadOnlyOrSpecialFile) {
    TempDir dir;
    ASSERT_FALSE(writeKvdFile(dir.file("a.kvd"), test::plainRecords(60)));
    test::writeText(dir.file("ro.csv"), "mine");
    ::chmod(dir.file("ro.csv").c_str(), 0444);
    const ToolRun ro = kvtool({"export", dir.file("a.kvd"), "-o", dir.file("ro.csv")});
    EXPECT_EQ(ro.code, 1);
    EXPECT_NE(ro.err.find("read-only"), std::string::npos) << ro.err;
    EXPECT_EQ(test::readText(dir.file("ro.csv")), "mine");
    ::mkfifo(dir.file("p.csv").c_str(), 0644);
    EXPECT_EQ(kvtool({"export", dir.file("a.kvd"), "-o", dir.file("p.csv")}).code, 1);
    EXPECT_TRUE(std::filesystem::is_fifo(dir.file("p.csv")));
}

TEST(KvToolOutput, NoCommandWritesOverTheRecordingItReads) {
    TempDir dir;
    ASSERT_TRUE(writeDemoPair(dir, 500, 10.0));
    std::filesystem::create_directory_symlink(dir.path(), dir.file("alias"));
    const std::string data = test::readText(dir.file("in.kvd"));
    const std::string sound = test::readText(dir.file("in.wav"));
    const std::string in = dir.file("in.kvd");
    for (const std::string& out :
         {in, dir.file("alias/in.kvd"), dir.path() + "/./in.wav", dir.file("alias/in.wav")}) {
        for (const std::vector<std::string>& args :
             {std::vector<std::string>{"export", in, "-o", out},
              {"recompute", in, "-o", out},
              {"events", in, "-o", out},
              {"summary", in, "-o", out},
              {"render", in, "--record", "5", "-o", out},
              {"render", in, "--overview", "-o", out}}) {
            SCOPED_TRACE(args[0] + " -o " + out);
            const ToolRun r = kvtool(args);
            EXPECT_EQ(r.code, 1);
            EXPECT_NE(r.err.find("is part of the recording being read"), std::string::npos)
                << r.err;
        }
    }
    // A summary of a folder reads every recording in it; any existing
    // recording's file is refused as its output.
    std::filesystem::create_directory(dir.file("sub"));
    std::filesystem::copy_file(dir.file("in.kvd"), dir.file("sub/other.kvd"));
    const std::string other = test::readText(dir.file("sub/other.kvd"));
    const ToolRun folder = kvtool({"summary", dir.path(), "-o", dir.file("sub/other.kvd")});
    EXPECT_EQ(folder.code, 1);
    EXPECT_NE(folder.err.find("is a recording's file"), std::string::npos) << folder.err;
    EXPECT_EQ(test::readText(dir.file("sub/other.kvd")), other);
    EXPECT_EQ(test::readText(dir.file("in.kvd")), data);
    EXPECT_EQ(test::readText(dir.file("in.wav")), sound);
    // Another name in the same folder is written as before.
    EXPECT_EQ(kvtool({"export", in, "-o", dir.file("in.csv")}).code, 0);
}

TEST(KvToolOutput, AnOutputLinkedToARecordingsFileIsRefused) {
    TempDir dir;
    ASSERT_TRUE(writeDemoPair(dir, 500, 10.0));
    std::filesystem::create_directory(dir.file("other"));
    for (const char* name : {"other/b.kvd", "other/b.wav", "other/b.mp3"})
        std::filesystem::copy_file(dir.file("in.wav"), dir.file(name));
    const std::string in = dir.file("in.kvd");
    struct Case {
        std::vector<std::string> args;
        const char* link;
        const char* target;
    };
    for (const Case& c : {Case{{"export", in}, "table.csv", "other/b.kvd"},
                          Case{{"events", in}, "events.csv", "other/b.mp3"},
                          Case{{"report", in}, "report.png", "other/b.wav"},
                          // a link to a link, relative to its own folder
                          Case{{"recompute", in}, "r.csv", "table.csv"}}) {
        std::filesystem::create_symlink(c.target, dir.file(c.link));
        std::vector<std::string> args = c.args;
        args.insert(args.end(), {"-o", dir.file(c.link)});
        SCOPED_TRACE(args[0] + " -o " + c.link);
        const ToolRun r = kvtool(args);
        EXPECT_EQ(r.code, 1);
        EXPECT_NE(r.err.find("is a recording's file"), std::string::npos) << r.err;
    }
    for (const char* name : {"other/b.kvd", "other/b.wav", "other/b.mp3"})
        EXPECT_EQ(test::readText(dir.file(name)), test::readText(dir.file("in.wav"))) << name;
}

TEST(KvToolCut, ACutOffMp3IsMeasuredByWhatItHoldsAndACutAfterItsEndIsRefused) {
    TempDir dir;
    DemoOptions o;
    o.records = 501; // 10 s
    ASSERT_FALSE(writeKvdFile(dir.file("in.kvd"), makeDemoRecords(o)));
    ASSERT_EQ(writeDemoAudio(dir.file("in.mp3"), 10.5, DemoAudioFormat::Mp3, 22050, 1), "");
    std::filesystem::resize_file(dir.file("in.mp3"), std::filesystem::file_size(dir.file("in.mp3")) / 2);
    const ToolRun summary = kvtool({"summary", dir.file("in.kvd")});
    EXPECT_EQ(summary.code, 1) << summary.err; // a row that is not ok
    EXPECT_NE(summary.out.find(",shortsound: the sound ends "), std::string::npos) << summary.out;
    // The sound ends near 5.25 s: a cut after it would have no sound.
    const ToolRun late =
        kvtool({"cut", dir.file("in.kvd"), "--from", "7", "--to", "9", "-o", dir.file("late.kvd")});
    EXPECT_EQ(late.code, 1);
    EXPECT_NE(late.err.find("would have no sound"), std::string::npos) << late.err;
    EXPECT_FALSE(std::filesystem::exists(dir.file("late.kvd")));
    EXPECT_FALSE(std::filesystem::exists(dir.file("late.wav")));
    // A cut that ends after the sound keeps the sound there is.
    const ToolRun part =
        kvtool({"cut", dir.file("in.kvd"), "--from", "3", "--to", "9", "-o", dir.file("part.kvd")});
    EXPECT_EQ(part.code, 0) << part.err;
    EXPECT_GT(std::filesystem::file_size(dir.file("part.wav")), 22050 * 2u);
}

TEST(KvTool, APairNamedInCapitalsIsReadWithItsSound) {
    TempDir dir;
    DemoOptions o;
    o.records = 500;
    ASSERT_FALSE(writeKvdFile(dir.file("WALK001.KVD"), makeDemoRecords(o)));
    ASSERT_EQ(writeDemoAudio(dir.file("WALK001.WAV"), 10.0, DemoAudioFormat::Wav, 8000, 1), "");
    const ToolRun info = kvtool({"info", dir.file("WALK001.KVD")});
    EXPECT_EQ(info.code, 0) << info.err;
    EXPECT_NE(info.out.find("audio: wav\n"), std::string::npos) << info.out;
    const ToolRun cut =
        kvtool({"cut", dir.file("WALK001.KVD"), "--from", "1", "--to", "5", "-o", dir.file("seg")});
    EXPECT_EQ(cut.code, 0) << cut.err;
    EXPECT_TRUE(std::filesystem::exists(dir.file("seg.kvd")));
    // Its sound is one of its files: never an output.
    const std::string sound = test::readText(dir.file("WALK001.WAV"));
    EXPECT_EQ(kvtool({"export", dir.file("WALK001.KVD"), "-o", dir.file("WALK001.WAV")}).code, 1);
    EXPECT_EQ(test::readText(dir.file("WALK001.WAV")), sound);
}

TEST(KvToolOutput, AnOutputThatCannotBeWrittenIsAFailure) {
    TempDir dir;
    ASSERT_FALSE(writeKvdFile(dir.file("a.kvd"), test::plainRecords(60)));
    const std::string tool =
        (std::filesystem::read_symlink("/proc/self/exe").parent_path() / "kvtool").string();
    const std::string cmd = "'" + tool + "' info '" + dir.file("a.kvd") + "' > ";
    EXPECT_EQ(std::system((cmd + "/dev/null").c_str()), 0);
    const int full = std::system((cmd + "/dev/full 2>/dev/null").c_str());
    ASSERT_TRUE(WIFEXITED(full));
    EXPECT_EQ(WEXITSTATUS(full), 1);
}

} // namespace
} // namespace kv
