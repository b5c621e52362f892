// kvtool trend: a generated series with a known trend comes out in date
// order in the CSV and on the page's plots; folders with bad, missing,
// looping, undated and equally dated recordings, and thousands of them, are
// reported, never fatal; the command line is strict.
#include "DemoData.h"
#include "KvToolMeter.h"
#include "KvdFile.h"
#include "PdfText.h"
#include "SyntheticFalls.h"
#include "SyntheticSeries.h"
#include "TempDir.h"
#include "ToolRun.h"
#include "TrendReport.h"

#include <QImage>

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <sys/wait.h>

namespace kv {
namespace {

using test::kvtool;
using test::TempDir;
namespace fs = std::filesystem;

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);)
        out.push_back(l);
    return out;
}

// The fields of a CSV line without quoted commas.
std::vector<std::string> split(const std::string& line) {
    std::vector<std::string> out(1);
    for (char c : line)
        if (c == ',')
            out.emplace_back();
        else
            out.back() += c;
    return out;
}

// A CSV as named columns, one map a row.
std::vector<std::map<std::string, std::string>> table(const std::string& text) {
    const std::vector<std::string> ls = lines(text);
    std::vector<std::map<std::string, std::string>> rows;
    if (ls.empty()) return rows;
    const std::vector<std::string> names = split(ls[0]);
    for (std::size_t i = 1; i < ls.size(); ++i) {
        const std::vector<std::string> f = split(ls[i]);
        EXPECT_EQ(f.size(), names.size()) << ls[i];
        std::map<std::string, std::string>& row = rows.emplace_back();
        for (std::size_t c = 0; c < std::min(f.size(), names.size()); ++c)
            row[names[c]] = f[c];
    }
    return rows;
}

std::string fileName(const std::string& path) {
    return fs::path(path).filename().string();
}

TEST(KvToolTrend, KnownTrendInTheCsvAndOnThePlots) {
    TempDir dir;
    SeriesOptions o;
    o.sessions = 8;
    o.seconds = 300;
    o.soundRate = 4000;
    std::string made;
    ASSERT_EQ(writeSeries(dir.file("anna"), o, true, made), "");
    const auto expected = table(made);
    ASSERT_EQ(expected.size(), 8u);

    const test::ToolRun r = kvtool({"trend", dir.file("anna"), "-o", dir.file("t.csv")});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("8 recordings found, 8 drawn, 0 not drawn"), std::string::npos) << r.err;
    const auto rows = table(test::readText(dir.file("t.csv")));
    ASSERT_EQ(rows.size(), 8u);
    // In date order, which is the reverse of the names' order.
    double lastRate = -1;
    for (std::size_t k = 0; k < rows.size(); ++k) {
        const auto& row = rows[k];
        EXPECT_EQ(fileName(row.at("file")), expected[k].at("file"));
        EXPECT_EQ(row.at("date"), expected[k].at("date"));
        EXPECT_EQ(row.at("clock_start"), expected[k].at("clock_start"));
        EXPECT_EQ(row.at("status"), "ok");
        EXPECT_EQ(row.at("date_source"), "recording");
        EXPECT_EQ(row.at("session_start"), row.at("date") + " " + row.at("clock_start"));
        // Base falls 0.10 a session from 5.00; every fall put in is a reaction.
        EXPECT_EQ(baseHundredthsOf(row.at("base_first")), 500 - 10 * static_cast<int>(k));
        EXPECT_EQ(row.at("reactions"), expected[k].at("falls"));
        const double rate = std::stod(row.at("reactions_per_hour"));
        EXPECT_NEAR(rate, std::stod(row.at("reactions")) * 12, 0.05); // 300-s sessions
        EXPECT_GE(rate, lastRate) << k;
        lastRate = rate;
    }
    // 15 more falls an hour each session: 105 more from the first to the last.
    EXPECT_NEAR(std::stod(rows.back().at("reactions_per_hour")) -
                    std::stod(rows.front().at("reactions_per_hour")),
                105, 15);

    // The page: each session's Base marker lower, each bar no shorter.
    const test::ToolRun png = kvtool({"trend", dir.file("anna"), "-o", dir.file("t.png")});
    ASSERT_EQ(png.code, 0) << png.err;
    const QImage img(QString::fromStdString(dir.file("t.png")));
    ASSERT_FALSE(img.isNull());
    std::vector<RecordingSummary> summaries;
    for (const auto& row : rows)
        summaries.push_back(summariseFile(row.at("file")));
    const SessionSeries series = buildSessionSeries(summaries);
    const TrendLayout l = layoutTrend(TrendReport::plotArea(), series);
    const double scale = img.width() / TrendReport::kPageWidth;
    std::optional<double> lastY;
    int lastHeight = -1, firstHeight = -1;
    for (std::size_t k = 0; k < series.sessions.size(); ++k) {
        ASSERT_TRUE(l.x[k]);
        const int markX = static_cast<int>(std::lround((*l.x[k] - l.halfWidth) * scale));
        double sum = 0;
        int n = 0;
        for (int y = static_cast<int>(l.basePlot.top() * scale);
             y < static_cast<int>(l.basePlot.bottom() * scale); ++y)
            if (img.pixelColor(markX, y) == QColor(206, 92, 0)) sum += y, ++n;
        ASSERT_GT(n, 0) << k;
        // 0.10 lower each session: at least half of that on the page.
        if (lastY) {
            EXPECT_GT(sum / n, *lastY + 5.0 / (l.baseHi - l.baseLo) * l.basePlot.height() * scale)
                << k;
        }
        lastY = sum / n;
        const int barX = static_cast<int>(std::lround(*l.x[k] * scale));
        int top = static_cast<int>(l.ratePlot.bottom() * scale) - 2;
        while (img.pixelColor(barX, top - 1) == QColor(204, 0, 0))
            --top;
        const int height = static_cast<int>(l.ratePlot.bottom() * scale) - top;
        EXPECT_GE(height, lastHeight) << k;
        lastHeight = height;
        if (k == 0) firstHeight = height;
    }
    // From about 30 to about 135 an hour: the last bar over three times the first.
    EXPECT_GT(lastHeight, 3 * firstHeight);
}

TEST(KvToolTrend, BadRecordingsAreSaidAndLeftOutNeverFatal) {
    TempDir dir;
    const std::string root = dir.file("client");
    SeriesOptions o;
    o.sessions = 3;
    o.seconds = 60;
    o.firstDay = 8000; // in 2021, long before any file's time
    o.soundRate = 4000;
    std::string made;
    ASSERT_EQ(writeSeries(root, o, true, made), "");
    // Two at the same date and time, one without a date mark.
    FallOptions f;
    f.records = 3001;
    f.clockStartSecs = 36000;
    f.dayNumber = 8000; // as session003, the first of the series
    ASSERT_FALSE(
        writeDemoRecording(root + "/same", makeFallRecording(f).records, 60.5, DemoAudioFormat::Wav)
            .size());
    f.dayNumber = 0;
    ASSERT_FALSE(writeDemoRecording(root + "/undated", makeFallRecording(f).records, 60.5,
                                    DemoAudioFormat::Wav)
                     .size());
    fs::last_write_time(root + "/undated.kvd",
                        fs::last_write_time(root + "/undated.kvd") - std::chrono::hours(24));
    // A file that fails the format check, a name that leads nowhere, a loop of
    // links to a file, and a folder link back up.
    test::writeText(root + "/bad.kvd", std::string(400, 'x'));
    fs::create_symlink("nothing-here.kvd", root + "/gone.kvd");
    fs::create_symlink("loop.kvd", root + "/loop.kvd");
    fs::create_directory_symlink("..", root + "/up");

    for (const char* out : {"t.csv", "t.pdf"}) {
        const test::ToolRun r = kvtool({"trend", root, "-o", dir.file(out)});
        EXPECT_EQ(r.code, 1) << r.err;
        EXPECT_NE(r.err.find("8 recordings found, 5 drawn, 3 not drawn, 2 dated from the file, "
                             "2 starting at the same time as another"),
                  std::string::npos)
            << r.err;
        for (const std::string& said :
             {"not drawn: " + root + "/bad.kvd: format:",
              "not drawn: " + root + "/gone.kvd: unreadable",
              "not drawn: " + root + "/loop.kvd: unreadable", "skipped " + root + "/up"})
            EXPECT_NE(r.err.find(said), std::string::npos) << said << "\n" << r.err;
        ASSERT_TRUE(fs::exists(dir.file(out))) << out;
    }
    const auto rows = table(test::readText(dir.file("t.csv")));
    ASSERT_EQ(rows.size(), 8u);
    std::vector<std::string> order, sources;
    for (const auto& row : rows) {
        order.push_back(fileName(row.at("file")));
        sources.push_back(row.at("date_source"));
    }
    // Equal times in path order; those without a date mark by their file's
    // time (yesterday, now); those without any time last.
    EXPECT_EQ(order, (std::vector<std::string>{"same.kvd", "session003.kvd", "session002.kvd",
                                               "session001.kvd", "undated.kvd", "bad.kvd",
                                               "gone.kvd", "loop.kvd"}));
    EXPECT_EQ(sources, (std::vector<std::string>{"recording", "recording", "recording", "recording",
                                                 "file", "file", "", ""}));
    EXPECT_EQ(rows[4].at("date"), "");
    const std::string text = test::pdfText(dir.file("t.pdf"));
    for (const char* expected :
         {"ok; date from the file", "format: ", "unreadable: ", "undated.kvd", "same.kvd",
          "2 starting at the same time as another"})
        EXPECT_NE(text.find(expected), std::string::npos) << expected << "\n" << text;

    // Every file failing the format check: exit 2, and still a page that says so.
    const std::string bad = dir.file("bad");
    fs::create_directory(bad);
    test::writeText(bad + "/a.kvd", std::string(400, 'x'));
    test::writeText(bad + "/b.kvd", std::string(40, 'y'));
    const test::ToolRun allBad = kvtool({"trend", bad, "-o", dir.file("bad.pdf")});
    EXPECT_EQ(allBad.code, 2) << allBad.err;
    EXPECT_NE(test::pdfText(dir.file("bad.pdf")).find("No session to draw"), std::string::npos);

    // An empty folder: nothing to write.
    fs::create_directory(dir.file("empty"));
    const test::ToolRun none = kvtool({"trend", dir.file("empty"), "-o", dir.file("e.pdf")});
    EXPECT_EQ(none.code, 1);
    EXPECT_NE(none.err.find("kvtool trend: no .kvd file found"), std::string::npos);
    EXPECT_FALSE(fs::exists(dir.file("e.pdf")));
}

TEST(KvToolTrend, TwoThousandRecordings) {
    TempDir dir;
    const std::string root = dir.file("many");
    fs::create_directory(root);
    // Two thousand short sessions without sound: every row says so, and every
    // one is still drawn; about three days in two hold one, the others two.
    // One recording written, then copied with another date mark (bytes 16
    // and 17 of the second record).
    auto rs = test::plainRecords(300);
    for (auto& r : rs) {
        r.RawReading = 30000;
        r.BaseCode = 80;
    }
    rs[0].MarkType = 'C';
    rs[0].MarkData = {0, 0, 0x8C, 0xA0}; // 10:00:00
    rs[1].MarkType = 'D';
    ASSERT_FALSE(writeKvdFile(dir.file("first.kvd"), rs));
    std::string bytes = test::readText(dir.file("first.kvd"));
    for (int i = 0; i < 2000; ++i) {
        const int day = 9000 + i * 2 / 3;
        bytes[20 + 16] = static_cast<char>(day >> 8);
        bytes[20 + 17] = static_cast<char>(day & 0xFF);
        std::ofstream(root + "/r" + std::to_string(i) + ".kvd", std::ios::binary) << bytes;
    }
    const test::ToolRun csv = kvtool({"trend", root, "-o", dir.file("t.csv"), "--jobs", "2"});
    EXPECT_EQ(csv.code, 1);
    EXPECT_NE(csv.err.find("2000 recordings found, 2000 drawn"), std::string::npos) << csv.err;
    EXPECT_EQ(lines(test::readText(dir.file("t.csv"))).size(), 2001u);
    const test::ToolRun pdf = kvtool({"trend", root, "-o", dir.file("t.pdf"), "--jobs", "2"});
    EXPECT_EQ(pdf.code, 1);
    // 23 rows on the first page, 64 on each other.
    EXPECT_EQ(test::pdfPages(test::pdfText(dir.file("t.pdf"))), 1 + (2000 - 23 + 63) / 64);
}

TEST(KvToolTrend, StrictArgumentsAndHelp) {
    TempDir dir;
    SeriesOptions o;
    o.sessions = 1;
    o.seconds = 20;
    std::string made;
    ASSERT_EQ(writeSeries(dir.path(), o, false, made), "");
    struct Case {
        std::vector<std::string> args;
        std::string says;
    };
    const std::vector<Case> cases = {
        {{"trend", "-o", dir.file("t.csv")}, "give one or more PATHs"},
        {{"trend", dir.path()}, "give -o OUT.pdf, -o OUT.png or -o OUT.csv"},
        {{"trend", dir.path(), "-o", dir.file("t.txt")}, "-o must name a .pdf, .png or .csv file"},
        {{"trend", dir.path(), "-o", dir.file(".pdf")}, "-o must name a .pdf, .png or .csv file"},
        {{"trend", dir.path(), "-o", dir.file("t.csv"), "--jobs", "0"},
         "--jobs must be a whole number"},
        {{"trend", dir.path(), "-o", dir.file("t.csv"), "--jobs", "2x"},
         "--jobs must be a whole number"},
        {{"trend", dir.path(), "-o", dir.file("t.csv"), "--jobs"}, "missing value for --jobs"},
        {{"trend", dir.path(), "-o", dir.file("t.pdf"), "--bogus"}, "unknown option '--bogus'"},
        {{"trend", dir.path(), "-o", dir.file("session001.kvd")}, "is a recording's file"},
    };
    for (const Case& c : cases) {
        const test::ToolRun r = kvtool(c.args);
        EXPECT_EQ(r.code, 1) << c.says;
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err.rfind("kvtool trend: ", 0), 0u) << r.err;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << c.says << "\n" << r.err;
    }
    EXPECT_FALSE(fs::exists(dir.file("t.csv")));
    EXPECT_FALSE(fs::exists(dir.file("t.pdf")));
    const test::ToolRun help = kvtool({"trend", "--help"});
    EXPECT_EQ(help.code, 0);
    EXPECT_EQ(
        help.out.rfind("usage: kvtool trend PATH... -o OUT.pdf|OUT.png|OUT.csv [--jobs N]", 0), 0u);
    EXPECT_NE(kvtool({"--help"}).out.find("  trend "), std::string::npos);

    // The kvtool program writes the table itself and has kvtool-full draw
    // the page; both names in any letter case.
    const fs::path bin = fs::read_symlink("/proc/self/exe").parent_path();
    for (const char* out : {"T.CSV", "t.Png"}) {
        const std::string cmd = "'" + (bin / "kvtool").string() + "' trend '" + dir.path() +
                                "' -o '" + dir.file(out) + "' 2>/dev/null";
        const int status = std::system(cmd.c_str());
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << out; // no sound: not ok
        EXPECT_TRUE(fs::exists(dir.file(out))) << out;
    }
    EXPECT_EQ(lines(test::readText(dir.file("T.CSV"))).size(), 2u);
    EXPECT_FALSE(QImage(QString::fromStdString(dir.file("t.Png"))).isNull());
}

} // namespace
} // namespace kv
