// The CSV of export and recompute over records whose every field varies:
// the fast row formatting keeps every byte of the plain one.
#include "DemoData.h"
#include "KvdFile.h"
#include "RecordingSummary.h"
#include "SyntheticFalls.h"
#include "TempDir.h"
#include "ToolRun.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace kv {
namespace {

using test::kvtool;
using test::TempDir;
using test::ToolRun;

// FNV-1a over the bytes: a short fingerprint of a long output.
std::uint64_t fingerprint(const std::string& bytes) {
    std::uint64_t h = 0xcbf29ce484222325u;
    for (const unsigned char c : bytes)
        h = (h ^ c) * 0x100000001b3u;
    return h;
}

// Records whose fields change in runs of random length, as a recording's
// readouts do, with marks, odd record types and values at their limits.
// The engine's raw output only (no distributions), so the records are the
// same on every platform.
std::vector<SampleRecord> variedRecords(int n) {
    std::mt19937 rng(20261207);
    std::vector<SampleRecord> records(static_cast<std::size_t>(n));
    SampleRecord run;
    const char types[] = {'O', 'O', 'O', 'P', ',', '"', ' ', '\x7f', '\x01', '~', '\xc8', 'S'};
    const char marks[] = {0, 0, 'C', 'D', 'T', 'X'};
    std::int32_t t = 0;
    for (int i = 0; i < n; ++i) {
        SampleRecord& r = records[static_cast<std::size_t>(i)];
        const std::uint32_t a = rng(), b = rng();
        if (a % 37 == 0) run.BdCount = static_cast<std::int16_t>(b);
        if (a % 41 == 1) run.BaseCode = static_cast<std::uint8_t>(b >> 16);
        if (a % 43 == 2) run.SensIndex = static_cast<std::uint8_t>((b >> 8) % 72);
        if (a % 29 == 3) run.StatusFlags = static_cast<std::uint8_t>(b >> 24);
        if (a % 97 == 4) run.RecordType = types[(b >> 4) % sizeof types];
        r = run;
        t += (a >> 8) % 50 == 0 ? 0 : 20; // now and then two records at one time
        r.TimeMs = t;
        r.RawReading = static_cast<std::uint16_t>(b);
        r.NeedlePos = static_cast<std::int16_t>(a >> 16);
        r.Spare = static_cast<std::uint8_t>(a);
        if (a % 53 == 5) {
            r.MarkType = marks[(b >> 12) % sizeof marks];
            r.MarkData = {static_cast<std::uint8_t>(b), static_cast<std::uint8_t>(b >> 8),
                          static_cast<std::uint8_t>(b >> 16), static_cast<std::uint8_t>(b >> 24)};
        }
        if (i < 5) { // a valid start: the format check reads the first records
            r.RecordType = 'O';
            r.MarkType = 0;
            r.MarkData = {};
        }
    }
    return records;
}

// Fingerprints and lengths taken from the plain formatting code's output.
TEST(KvToolOutput, RecordsWhoseEveryFieldVariesKeepEveryByte) {
    TempDir dir;
    ASSERT_FALSE(writeKvdFile(dir.file("v.kvd"), variedRecords(40000)));
    const std::string v = dir.file("v.kvd");
    struct Case {
        std::vector<std::string> args;
        std::size_t length;
        std::uint64_t fingerprint;
    };
    const Case cases[] = {
        {{"export", v}, 2518174, 0x964c6c6e4fe47ef4u},
        {{"recompute", v}, 2017551, 0x36837d2105894fdeu},
        {{"recompute", v, "--dial", "3", "--knob", "63", "--freeze", "on", "--needle-bd", "on",
          "--bm", "3", "--counter", "off"},
         1839434,
         0xe992cc5e8c360049u},
    };
    for (const Case& c : cases) {
        const ToolRun r = kvtool(c.args);
        ASSERT_EQ(r.code, 0) << r.err;
        EXPECT_EQ(r.out.size(), c.length) << c.args[0];
        EXPECT_EQ(fingerprint(r.out), c.fingerprint) << c.args[0];
    }
}

// The figures of a summary this work computes from the records (not the
// file's name, nor columns added after them), as one text.
std::string figuresOf(const RecordingSummary& s) {
    std::ostringstream o;
    const auto n = [&](const std::optional<std::int64_t>& v) {
        if (v) o << *v;
        o << ',';
    };
    o << s.date << ',' << s.clockStart << ',';
    n(s.durationMs), n(s.records), n(s.tags), n(s.sets), n(s.motions), n(s.reactions);
    o << s.baseFirst << ',' << s.baseLast << ',' << s.baseMin << ',' << s.baseMax << ','
      << s.counterLast << ',' << s.status;
    return o.str();
}

// The summary's figures of recordings with many reactions, lamps and
// changes stay what the plain event search found: fingerprints taken from it.
TEST(SummaryFigures, RecordingsWithManyEventsKeepTheirFigures) {
    TempDir dir;
    FallOptions falls;
    falls.records = 60000;
    falls.noiseDivisions = 0.3;
    falls.minGapSecs = 4;
    falls.maxGapSecs = 9;
    DemoOptions demo;
    demo.records = 60000;
    struct Case {
        const char* name;
        std::vector<SampleRecord> records;
        std::uint64_t fingerprint;
    };
    Case cases[] = {
        {"falls", makeFallRecording(falls).records, 0x78812095158db6adu},
        {"demo", makeDemoRecords(demo), 0x03ffe2b1c5afa1ccu},
        {"varied", variedRecords(40000), 0xd32d76e6453c08e7u},
    };
    for (Case& c : cases) {
        const std::string file = dir.file(std::string(c.name) + ".kvd");
        ASSERT_FALSE(writeKvdFile(file, c.records));
        const std::string figures = figuresOf(summariseFile(file));
        EXPECT_EQ(fingerprint(figures), c.fingerprint) << c.name << ": " << figures;
    }
}

} // namespace
} // namespace kv
