// Benchmark of the window's side of the reviewer's marks: 10,000 notes on a
// 10-hour recording (1.8 million records).
//  - load: read NAME.kvnotes, put the marks in order, make the event list's
//    rows (events and marks merged) and draw the overview strip at 1920 px
//    (target 50 ms together);
//  - one more note: the change applied to the window's marks and written to
//    the notes file (re-read, change, safe write), the list's rows and the
//    strip made again (target 20 ms).
#include "DemoData.h"
#include "EventListPanel.h"
#include "MarkEdit.h"
#include "OverviewStrip.h"
#include "RecordingEvents.h"
#include "ReviewNotes.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point t0) {
    return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
}

void print(const char* what, std::vector<double> times, double target) {
    std::sort(times.begin(), times.end());
    std::printf("%-58s best %6.2f ms  median %6.2f ms", what, times.front(),
                times[times.size() / 2]);
    if (target > 0) std::printf("  (target %.0f ms)", target);
    std::printf("\n");
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    constexpr std::int32_t kTenHours = 10 * 3600 * 50;
    constexpr int kNotes = 10000;
    kv::DemoOptions o;
    o.records = kTenHours;
    const auto records = kv::makeDemoRecords(o);
    const auto events = kv::findEvents(records);

    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("kv-bench-review-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::filesystem::path data = dir / "long.kvd";
    std::ofstream(data) << "";
    {
        kv::ReviewNotes notes;
        for (int i = 0; i < kNotes; ++i) {
            const std::int32_t at = 1 + static_cast<std::int32_t>(std::int64_t(i) * kTenHours / kNotes);
            notes.marks.push_back({at, at + (i % 10 == 0 ? 500 : 0),
                                   i % 10 == 0 ? kv::MarkKind::Artifact : kv::MarkKind::Note,
                                   "note number " + std::to_string(i) + ", with some words"});
        }
        kv::orderMarks(notes);
        std::ofstream(kv::notesPathFor(data), std::ios::binary) << kv::notesText(notes);
    }

    // The strip's columns are made at every load, notes or not: made once here.
    kv::OverviewPicture pic;
    pic.records = &records;
    pic.mapping = kv::OverviewMapping{0, kTenHours - 1, 1920};
    pic.columns = kv::buildOverviewColumns(records, pic.mapping);
    for (const kv::RecordingEvent& e : events)
        if (e.kind == kv::EventKind::Tag || e.kind == kv::EventKind::Reaction ||
            e.kind == kv::EventKind::Motion)
            pic.events.push_back(e);
    QImage image(1920, 112, QImage::Format_RGB32);
    kv::EventTableModel model;
    model.setEvents(&events, std::nullopt, records.back().TimeMs);

    {
        // The strip as a recording without notes draws it, for comparison.
        std::vector<double> plain;
        for (int run = 0; run < 10; ++run) {
            const auto t0 = Clock::now();
            QPainter p(&image);
            kv::drawOverview(p, image.rect(), pic);
            p.end();
            plain.push_back(msSince(t0));
        }
        print("strip at 1920 px without notes", plain, 0);
    }
    kv::ReviewNotes shown;
    std::vector<double> listMs, stripMs;
    const auto showAll = [&] {
        const auto t0 = Clock::now();
        model.setReview(&shown, &records);
        for (int row = 0; row < 40 && row < model.rowCount(); ++row)
            for (int column = 0; column < 4; ++column)
                (void)model.data(model.index(row, column), Qt::DisplayRole);
        listMs.push_back(msSince(t0));
        const auto t1 = Clock::now();
        pic.review = shown;
        QPainter p(&image);
        kv::drawOverview(p, image.rect(), pic);
        p.end();
        stripMs.push_back(msSince(t1));
    };

    std::vector<double> load, add, write, redraw;
    for (int run = 0; run < 10; ++run) {
        const auto t0 = Clock::now();
        kv::NotesRead read = kv::readNotesFile(data, kTenHours);
        shown = std::move(read.notes);
        kv::sortMarks(shown);
        showAll();
        load.push_back(msSince(t0));
    }
    std::printf("%d marks, %d list rows\n", static_cast<int>(shown.marks.size()), model.rowCount());
    for (int run = 0; run < 10; ++run) {
        const auto t0 = Clock::now();
        const std::int32_t at = 12345 + run * 1000;
        const kv::MarkEdit edit{{}, {{at, at, kv::MarkKind::Note, "one more"}}};
        kv::applyMarkEdit(shown, edit);
        const auto w0 = Clock::now();
        const kv::NotesUpdate update = kv::updateNotesFile(
            data, kTenHours, [&](kv::ReviewNotes& n) { kv::applyMarkEdit(n, edit); });
        if (update.error) {
            std::printf("write failed: %s\n", update.error->description.c_str());
            return 1;
        }
        write.push_back(msSince(w0));
        shown = update.current.notes;
        kv::sortMarks(shown);
        const auto s0 = Clock::now();
        showAll();
        redraw.push_back(msSince(s0));
        add.push_back(msSince(t0));
    }
    print("  list rows (all runs)", listMs, 0);
    print("  strip (all runs)", stripMs, 0);
    print("load 10,000 marks: read, order, list rows, strip", load, 50);
    print("one more note: written, list rows and strip again", add, 20);
    print("  of which the write (re-read, change, safe write)", write, 0);
    print("  of which the list rows and the strip", redraw, 0);
    std::filesystem::remove_all(dir);
    return 0;
}
