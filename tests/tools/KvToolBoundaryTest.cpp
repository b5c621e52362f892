// kvtool at its edges, one focused case each: status bits that differ within
// a row, a cut that starts between whole seconds, outputs named like a
// recording's files in capitals.
#include "DemoData.h"
#include "KvdFile.h"
#include "TempDir.h"
#include "ToolRun.h"

#include <gtest/gtest.h>

#include <sstream>

namespace kv {
namespace {

using test::kvtool;
using test::TempDir;
using test::ToolRun;

// Lamp (bits 0-1), frozen (bit 2), counter on (bit 3) and dial type (bits 5-7)
// each land in their own column, also when they differ within a record.
TEST(KvToolExport, EachStatusBitHasItsOwnColumn) {
    TempDir dir;
    auto records = test::plainRecords(5);    // the format check reads five
    records[1].StatusFlags = 0b010'0'0'1'01; // dial 2, counter off, frozen, lamp 1
    records[2].StatusFlags = 0b001'0'1'0'10; // dial 1, counter on, not frozen, lamp 2
    ASSERT_FALSE(writeKvdFile(dir.file("s.kvd"), records));
    const ToolRun r = kvtool({"export", dir.file("s.kvd")});
    ASSERT_EQ(r.code, 0) << r.err;
    std::istringstream lines(r.out);
    std::string header, row1, row2, row3;
    std::getline(lines, header), std::getline(lines, row1), std::getline(lines, row2);
    std::getline(lines, row3);
    //                          ... lamp,frozen,bd_on,dial_type,mark,mark_value,record_type
    EXPECT_EQ(row2, "2,20,1001,0,0,0.0,0,0.4,0,1.0,1,1,0,2,,,O");
    EXPECT_EQ(row3, "3,40,1002,0,0,0.0,0,0.4,0,1.0,2,0,1,1,,,O");
}

// The new clock start is the old one plus the whole seconds before the cut,
// truncated: 10:00:00 cut at 90.7 s starts at 10:01:30 (36090 s = 0x00 8C FA).
TEST(KvToolCut, AStartBetweenWholeSecondsMovesTheClockByTheWholeSecondsOnly) {
    TempDir dir;
    DemoOptions o;
    o.records = 5000; // 100 s
    o.clockStartSecs = 36000;
    ASSERT_FALSE(writeKvdFile(dir.file("in.kvd"), makeDemoRecords(o)));
    ASSERT_EQ(writeDemoAudio(dir.file("in.wav"), 100.0, DemoAudioFormat::Wav, 8000, 1), "");
    const ToolRun r = kvtool(
        {"cut", dir.file("in.kvd"), "--from", "90.7", "--to", "95", "-o", dir.file("out.kvd")});
    ASSERT_EQ(r.code, 0) << r.err;
    const KvdReadResult out = readKvdFile(dir.file("out.kvd"));
    ASSERT_FALSE(out.records.empty());
    const SampleRecord& first = out.records.front();
    EXPECT_EQ(first.MarkType, 'C');
    EXPECT_EQ(first.MarkData[1], 0x00);
    EXPECT_EQ(first.MarkData[2], 0x8C);
    EXPECT_EQ(first.MarkData[3], 0xFA);
    const ToolRun info = kvtool({"info", dir.file("out.kvd")});
    EXPECT_NE(info.out.find("clock_start: 10:01:30\n"), std::string::npos) << info.out;
}

// An existing recording's file is never an output, whatever the case of its
// extension; another name beside it is written.
TEST(KvToolOutput, AnExistingRecordingFileInCapitalsIsNeverAnOutput) {
    TempDir dir;
    ASSERT_FALSE(writeKvdFile(dir.file("in.kvd"), test::plainRecords(60)));
    for (const char* name : {"OTHER.KVD", "OTHER.WAV", "other.Mp3", "other.kvd"}) {
        SCOPED_TRACE(name);
        test::writeText(dir.file(name), "keep me");
        const ToolRun r = kvtool({"export", dir.file("in.kvd"), "-o", dir.file(name)});
        EXPECT_EQ(r.code, 1);
        EXPECT_NE(r.err.find("is a recording's file"), std::string::npos) << r.err;
        EXPECT_EQ(test::readText(dir.file(name)), "keep me");
    }
    EXPECT_EQ(kvtool({"export", dir.file("in.kvd"), "-o", dir.file("OTHER.CSV")}).code, 0);
}

} // namespace
} // namespace kv
