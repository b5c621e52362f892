// Benchmark of the reviewer's notes: 10,000 marks on a generated 10-hour
// recording (1.8 million records). Reading the notes file and everything the
// list and the counts need from it (the counts, the review of every detected
// reaction, the event table with the marks); and adding one note and saving
// it (the notes file only: read again under the lock, written, flushed,
// renamed). Targets: 50 ms and 20 ms.
#include "DemoData.h"
#include "RecordingEvents.h"
#include "ReviewNotes.h"
#include "ReviewTable.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

double msSince(Clock::time_point t0) {
    return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
}

// 10,000 marks: a review of every detected reaction (every third rejected),
// artifact ranges every ten minutes, hand-added reactions, and notes for the rest.
kv::ReviewNotes tenThousandMarks(const std::vector<kv::RecordingEvent>& events,
                                 std::int32_t records) {
    kv::ReviewNotes n;
    int i = 0;
    for (const auto& e : events) {
        if (e.kind != kv::EventKind::Reaction || n.marks.size() >= 2000) continue;
        n.marks.push_back({e.record, e.record,
                           ++i % 3 == 0 ? kv::MarkKind::Rejected : kv::MarkKind::Confirmed,
                           i % 5 == 0 ? "checked, \"clear\"" : ""});
    }
    for (std::int32_t r = 1000; r + 1500 < records && n.marks.size() < 2060; r += 30000)
        n.marks.push_back({r, r + 1500, kv::MarkKind::Artifact, "client moved"});
    for (std::int32_t r = 777; n.marks.size() < 2500; r += 3571)
        n.marks.push_back({r, r, kv::MarkKind::Added, "missed by the finder"});
    for (std::int32_t k = 0; n.marks.size() < 10000; ++k) {
        const std::int32_t r = 1 + static_cast<std::int32_t>((std::int64_t{k} * 2399) % records);
        n.marks.push_back({r, k % 4 == 0 ? std::min(records, r + 250) : r, kv::MarkKind::Note,
                           "note " + std::to_string(k) + ": reaction on the question,\nsee tape"});
    }
    kv::orderMarks(n);
    return n;
}

// CPU time of this thread, ms: what the work costs, whatever else runs on the machine.
double cpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

template <typename F> void time(const char* what, double targetMs, int runs, F&& run) {
    std::vector<double> times, cpu;
    for (int i = 0; i < runs; ++i) {
        const auto t0 = Clock::now();
        const double c0 = cpuMs();
        run();
        times.push_back(msSince(t0));
        cpu.push_back(cpuMs() - c0);
    }
    std::sort(times.begin(), times.end());
    std::sort(cpu.begin(), cpu.end());
    std::printf("%-58s best %6.2f ms (CPU %6.2f ms)  median %6.2f ms  (target %.0f ms)\n", what,
                times.front(), cpu.front(), times[times.size() / 2], targetMs);
}

} // namespace

int main() {
    constexpr std::int32_t kTenHours = 10 * 3600 * 50;
    kv::DemoOptions o;
    o.records = kTenHours;
    const auto records = kv::makeDemoRecords(o);
    const auto events = kv::findEvents(records);

    const fs::path dir = fs::temp_directory_path() / ("kvbench-notes-" + std::to_string(getpid()));
    fs::create_directories(dir);
    const fs::path data = dir / "long.kvd";
    const kv::ReviewNotes marks = tenThousandMarks(events, kTenHours);
    auto first = kv::updateNotesFile(data, kTenHours, [&](kv::ReviewNotes& n) { n = marks; });
    if (first.error) {
        std::fprintf(stderr, "cannot write the notes: %s\n", first.error->description.c_str());
        return 1;
    }
    std::printf("%zu marks, %zu bytes, on %d records with %zu events\n", marks.marks.size(),
                static_cast<std::size_t>(fs::file_size(kv::notesPathFor(data))), kTenHours,
                events.size());

    std::size_t counted = 0;
    time("read + count + review of each reaction + event table", 50, 15, [&] {
        const kv::NotesRead read = kv::readNotesFile(data, kTenHours);
        const kv::ReviewCounts c = kv::countReview(events, read.notes, records);
        for (const auto& e : events)
            if (e.kind == kv::EventKind::Reaction && kv::reviewOf(read.notes, e.record)) ++counted;
        std::ostringstream table;
        kv::writeReviewedEventsCsv(events, records, read.notes, 0xFF, table);
        counted += static_cast<std::size_t>(c.reactions) + table.str().size() % 2;
    });
    if (std::getenv("KV_BENCH_PARTS")) {
        const kv::NotesRead read = kv::readNotesFile(data, kTenHours);
        const std::string text = kv::notesText(read.notes);
        time("  parse alone", 50, 15,
             [&] { counted += kv::parseNotesText(text, kTenHours).notes.marks.size(); });
        time("  write the text alone", 50, 15,
             [&] { counted += kv::notesText(read.notes).size(); });
        time("  count alone", 50, 15, [&] {
            counted +=
                static_cast<std::size_t>(kv::countReview(events, read.notes, records).reactions);
        });
        time("  table alone", 50, 15, [&] {
            std::ostringstream table;
            kv::writeReviewedEventsCsv(events, records, read.notes, 0xFF, table);
            counted += table.str().size();
        });
    }
    int k = 0;
    time("add one note and save (read again, write, fsync, rename)", 20, 15, [&] {
        const auto up = kv::updateNotesFile(data, kTenHours, [&](kv::ReviewNotes& n) {
            n.marks.push_back({1 + 97 * ++k, 1 + 97 * k, kv::MarkKind::Note, "one more"});
        });
        if (up.error) std::fprintf(stderr, "save failed: %s\n", up.error->description.c_str());
    });
    fs::remove_all(dir);
    return counted == 0 ? 1 : 0;
}
