// The background search and summaries of a folder: the rows it gives are the
// summaries kvtool gives, each once; cancelling stops the work and the news.
#include "RecordingFolder.h"
#include "SummaryScan.h"

#include "KvdFile.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

namespace kv {
namespace {

using test::TempDir;
namespace fs = std::filesystem;

void writeRecordings(const std::string& folder, int count, int records) {
    fs::create_directories(folder);
    const auto recs = test::plainRecords(records);
    for (int i = 0; i < count; ++i) {
        const std::string base = folder + "/r" + std::to_string(1000 + i);
        ASSERT_FALSE(writeKvdFile(base + ".kvd", recs));
    }
}

// Takes news until the scan has finished; all of it, in one.
SummaryScan::News drain(SummaryScan& scan, const std::atomic<int>& wakes) {
    SummaryScan::News all;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    for (int seen = 0;;) {
        while (wakes.load() == seen) {
            if (std::chrono::steady_clock::now() > deadline) {
                ADD_FAILURE() << "no news came";
                return all;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        seen = wakes.load();
        SummaryScan::News n = scan.take();
        if (n.found) all.found = std::move(n.found);
        for (auto& r : n.rows)
            all.rows.push_back(std::move(r));
        if (n.finished) {
            all.finished = true;
            return all;
        }
    }
}

TEST(SummaryScanTest, GivesTheSearchOnceAndEveryRowOnceAsKvtoolSummaryMakesThem) {
    TempDir dir;
    writeRecordings(dir.file("a"), 7, 100);
    writeRecordings(dir.file("a/sub"), 3, 50);
    test::writeText(dir.file("a/bad.kvd"), "not a recording");
    for (unsigned jobs : {1U, 3U}) {
        std::atomic<int> wakes{0};
        SummaryScan scan({dir.file("a")}, jobs, [&] { ++wakes; });
        const SummaryScan::News news = drain(scan, wakes);
        ASSERT_TRUE(news.found);
        EXPECT_EQ(news.found->files, findRecordings({dir.file("a")}).files);
        ASSERT_EQ(news.rows.size(), 11U) << jobs;
        const std::vector<RecordingSummary> expected =
            summariseAll(news.found->files, 1);
        std::vector<std::string> got, want;
        for (const auto& r : news.rows)
            got.push_back(summaryCsvRow(r));
        for (const auto& r : expected)
            want.push_back(summaryCsvRow(r));
        std::sort(got.begin(), got.end());
        std::sort(want.begin(), want.end());
        EXPECT_EQ(got, want) << jobs;
        // Nothing more comes; a later take still says finished.
        const SummaryScan::News after = scan.take();
        EXPECT_FALSE(after.found);
        EXPECT_TRUE(after.rows.empty());
        EXPECT_TRUE(after.finished);
    }
}

TEST(SummaryScanTest, CancellingStopsTheWorkAndTheNewsAtOnce) {
    TempDir dir;
    writeRecordings(dir.file("many"), 200, 3000);
    std::atomic<int> wakes{0};
    std::atomic<bool> cancelled{false};
    std::atomic<int> wakesAfterCancel{0};
    auto scan = std::make_unique<SummaryScan>(
        std::vector<std::string>{dir.file("many")}, 2U, [&] {
            ++wakes;
            if (cancelled) ++wakesAfterCancel;
        });
    // Wait for the first rows, then cancel.
    std::size_t rows = 0;
    while (rows == 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        rows += scan->take().rows.size();
    }
    scan->cancel();
    cancelled = true;
    const auto start = std::chrono::steady_clock::now();
    while (!scan->ended())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    // The files being read when it was cancelled are all that is still read.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    rows += scan->take().rows.size();
    EXPECT_LT(rows, 100U);
    EXPECT_EQ(wakesAfterCancel.load(), 0);
    scan.reset();
}

TEST(SummaryScanTest, SummariseAllLeavesTheFilesNotStartedOnceCancelled) {
    TempDir dir;
    writeRecordings(dir.file("f"), 40, 100);
    const auto files = findRecordings({dir.file("f")}).files;
    ASSERT_EQ(files.size(), 40U);
    std::atomic<bool> cancel{false};
    std::atomic<std::size_t> made{0};
    SummariseHooks hooks;
    hooks.cancel = &cancel;
    hooks.onRow = [&](std::size_t index, const RecordingSummary& row) {
        EXPECT_EQ(row.file, files[index]);
        if (++made == 5) cancel = true;
    };
    std::size_t lastTick = 0;
    hooks.tick = [&](std::size_t done) { lastTick = done; };
    const auto rows = summariseAll(files, 1, hooks);
    EXPECT_EQ(made.load(), 5U);
    EXPECT_EQ(std::count_if(rows.begin(), rows.end(),
                            [](const RecordingSummary& r) { return !r.file.empty(); }),
              5);
    EXPECT_EQ(lastTick, files.size()); // the waiting ended
}

} // namespace
} // namespace kv
