#include "DemoData.h"
#include "KvdFile.h"
#include "PdfText.h"
#include "TempDir.h"
#include "ToolRun.h"

#include <QImage>

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

namespace kv {
namespace {

using test::kvtool;
using test::TempDir;

using test::pdfText;

int pages(const std::string& text) {
    return test::pdfPages(text);
}

// Three minutes of the demo's kind: clock 10:30:00, 20 November 2026, tags every 30 s.
void writeDemo(const std::string& base, DemoOptions o = {}) {
    ASSERT_FALSE(writeKvdFile(base + ".kvd", makeDemoRecords(o)));
    ASSERT_EQ(writeDemoAudio(base + ".wav", o.records / 50.0, DemoAudioFormat::Wav, 8000), "");
}

TEST(KvToolReport, PdfPageHasHeaderFiguresPlotsAndEvents) {
    TempDir dir;
    writeDemo(dir.file("walk001"));
    const test::ToolRun r = kvtool({"report", dir.file("walk001.kvd"), "-o", dir.file("r.pdf")});
    ASSERT_EQ(r.code, 0) << r.err;
    const std::string text = pdfText(dir.file("r.pdf"));
    EXPECT_EQ(pages(text), 2) << text;
    for (const char* expected : {"walk001.kvd",
                                 "kv Player session report",
                                 "2026-11-20, 10:30:00 to 10:32:59",
                                 "Duration",
                                 "3:00.0 (179980 ms, 9000 records)",
                                 "Base first",
                                 "Audio",
                                 "wav, 3:00.0",
                                 "Summary",
                                 "Tags",
                                 "Status",
                                 "ok",
                                 "Session overview",
                                 "Base over time",
                                 "session time",
                                 "Events",
                                 "Time of day",
                                 "10:30:30",
                                 "tag 1",
                                 "page 1 of 2",
                                 "page 2 of 2"})
        EXPECT_NE(text.find(expected), std::string::npos) << expected << "\n" << text;
    // All text stays inside the right margin (42 pt of the 595-pt page).
    EXPECT_LE(test::pdfTextRightEdge(dir.file("r.pdf")), 595.3 - 42 + 0.5);
    // Drawings stay vectors: the file holds no picture.
    const std::string bytes = test::readText(dir.file("r.pdf"));
    EXPECT_EQ(bytes.rfind("%PDF-", 0), 0u);
    EXPECT_EQ(bytes.find("/Subtype /Image"), std::string::npos);
}

TEST(KvToolReport, WithoutClockMarkOrEvents) {
    TempDir dir;
    auto rs = test::plainRecords(1500); // 30 s, a steady reading, no marks
    for (auto& r : rs) {
        r.RawReading = 30000;
        r.SensIndex = 8;
        r.BaseCode = 90;
    }
    ASSERT_FALSE(writeKvdFile(dir.file("quiet.kvd"), rs));
    const test::ToolRun r = kvtool({"report", dir.file("quiet.kvd"), "-o", dir.file("q.pdf")});
    ASSERT_EQ(r.code, 0) << r.err;
    const std::string text = pdfText(dir.file("q.pdf"));
    EXPECT_EQ(pages(text), 1);
    for (const char* expected : {"no date mark, no clock mark", "No events in this recording.",
                                 "nosound: no .wav or .mp3 beside it", "2.75", "Audio"})
        EXPECT_NE(text.find(expected), std::string::npos) << expected << "\n" << text;
}

TEST(KvToolReport, LongEventTableContinuesOnMorePages) {
    TempDir dir;
    DemoOptions o;
    o.records = 60000; // 20 minutes, a tag every 4 s
    o.tagEverySecs = 4;
    writeDemo(dir.file("long"), o);
    ASSERT_EQ(kvtool({"report", dir.file("long.kvd"), "-o", dir.file("l.pdf")}).code, 0);
    const std::string text = pdfText(dir.file("l.pdf"));
    const int n = pages(text);
    EXPECT_GE(n, 3) << text;
    EXPECT_NE(text.find("Events (continued)"), std::string::npos);
    EXPECT_NE(text.find("page " + std::to_string(n) + " of " + std::to_string(n)),
              std::string::npos);
    EXPECT_NE(text.find("tag 299"), std::string::npos); // the last tag, at 19:56
}

TEST(KvToolReport, HourLongRecordingShowsWholeSecondsAsTheClockDoes) {
    TempDir dir;
    DemoOptions o;
    o.records = 3600 * 50 + 1;
    ASSERT_FALSE(writeKvdFile(dir.file("hour.kvd"), makeDemoRecords(o)));
    ASSERT_EQ(kvtool({"report", dir.file("hour.kvd"), "-o", dir.file("h.pdf")}).code, 0);
    const std::string text = pdfText(dir.file("h.pdf"));
    EXPECT_NE(text.find("1:00:00 (3600000 ms, 180001 records)"), std::string::npos) << text;
    // The Base event 2.8 s in: session time and time of day both count whole seconds.
    EXPECT_TRUE(std::regex_search(text, std::regex("0:00:02 +10:30:02 +base")))
        << text.substr(0, 3000);
}

TEST(KvToolReport, RangeAndPng) {
    TempDir dir;
    writeDemo(dir.file("walk002"));
    ASSERT_EQ(kvtool({"report", dir.file("walk002.kvd"), "-o", dir.file("r.pdf"), "--from", "60",
                      "--to", "120"})
                  .code,
              0);
    const std::string text = pdfText(dir.file("r.pdf"));
    EXPECT_NE(text.find("1:00.0 to 2:00.0 of 3:00.0"), std::string::npos) << text;
    EXPECT_NE(text.find("10:31:00 to 10:32:00"), std::string::npos) << text;
    EXPECT_EQ(text.find("10:30:30"), std::string::npos) << text; // a tag before the range

    const test::ToolRun png = kvtool({"report", dir.file("walk002.kvd"), "-o", dir.file("r.PNG")});
    ASSERT_EQ(png.code, 0) << png.err;
    const QImage image(QString::fromStdString(dir.file("r.PNG")));
    EXPECT_EQ(image.size(), QSize(1240, 1754)); // A4 at 150 dpi
}

TEST(KvToolReport, RefusesBadArguments) {
    TempDir dir;
    writeDemo(dir.file("w"));
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"report", dir.file("w.kvd")},
          {"report", dir.file("w.kvd"), "-o", dir.file("r.txt")},
          {"report", dir.file("w.kvd"), "-o", dir.file("r.pdf"), "--from", "500"},
          {"report", dir.file("w.kvd"), "-o", dir.file("r.pdf"), "--from", "9", "--to", "3"},
          {"report", dir.file("w.kvd"), "-o", dir.file("r.pdf"), "--width", "3"}}) {
        const test::ToolRun r = kvtool(args);
        EXPECT_EQ(r.code, 1) << args.back();
        EXPECT_NE(r.err.find("kvtool report: "), std::string::npos) << r.err;
        EXPECT_FALSE(std::filesystem::exists(dir.file("r.pdf")));
    }
    test::writeText(dir.file("bad.kvd"), "no recording here, just text");
    EXPECT_EQ(kvtool({"report", dir.file("bad.kvd"), "-o", dir.file("r.pdf")}).code, 2);
}

} // namespace
} // namespace kv
