// The printable report of one recording (or a range of it): A4 pages with a
// header, the summary figures, the session overview strip, the Base over
// time and the table of events, continued on further pages when it is long.
// Drawn with QPainter in points (1/72 inch), so the same pages go to a PDF
// (real text, vector drawings) or to an image.
#pragma once

#include "A4Pages.h"
#include "OverviewStrip.h"
#include "RecordingEvents.h"
#include "RecordingSummary.h"
#include "ReviewNotes.h"

#include <QByteArray>
#include <QImage>

#include <functional>
#include <optional>
#include <string>
#include <vector>

class QPagedPaintDevice;
class QPainter;

namespace kv {

struct ReportInput {
    std::string file;                           // the data file, as shown in the header
    std::vector<SampleRecord> records;          // the records reported: all, or a range
    std::optional<std::int32_t> clockStartSecs; // the recording's clock mark
    std::optional<std::int32_t> dayNumber;      // and its date mark
    std::int32_t recordingMs = 0;               // the whole recording's length, for a range
    bool isRange = false;                       // the records are a part of the recording
    RecordingSummary summary;                   // figures of the records, with the sound and status
    std::int32_t firstRecord = 1;               // the recording's number of records.front()
    ReviewNotes notes;     // the reviewer's marks of the records, records.front() as 1
    bool hasNotes = false; // a notes file was read
    // False for records that live in memory only (a "Buffer"): no notes file
    // is looked for beside `file`, which names no file on disk.
    bool notesBeside = true;
};

// Summarises input.records into input.summary, with the sound beside `file`,
// and takes the reviewer's marks of the records from the notes file beside it.
void summariseReportInput(ReportInput& input);

class SessionReport {
public:
    // Finds the events and lays the table out over pages.
    explicit SessionReport(ReportInput input);

    int pageCount() const { return static_cast<int>(m_pageRows.size()); }
    // Draws page `page` (0-based) onto a painter whose units are points on
    // an A4 sheet (595 x 842).
    void drawPage(QPainter& p, int page) const;

    // All pages as a PDF document. `progress` is told each page as it is
    // drawn (1..pageCount()).
    QByteArray pdf(const std::function<void(int page)>& progress = {}) const;
    // All pages onto a paged device (a PDF writer, a printer), each scaled to
    // fit the device's printable area and centred in it, never enlarged.
    void paint(QPagedPaintDevice& device, const std::function<void(int page)>& progress = {}) const;
    // One page as an image at `dpi` dots per inch.
    QImage image(int page, int dpi = 150) const;

    static constexpr double kPageWidth = kA4Width, kPageHeight = kA4Height; // A4 in points

    const std::vector<RecordingEvent>& events() const { return m_events; }

private:
    double drawHeader(QPainter& p, double top) const;
    double drawFigures(QPainter& p, double top) const;
    double drawOverviewSection(QPainter& p, double top) const;
    double drawBasePlot(QPainter& p, double top) const;
    void drawTable(QPainter& p, double top, std::size_t from, std::size_t to) const;
    void drawFooter(QPainter& p, int page) const;

    // One line of the event table: an event, a note or an artifact range.
    struct TableRow {
        std::int32_t timeMs = 0;
        std::string kind;
        std::string text;
        bool struck = false; // a rejected reaction: listed, not counted
    };
    void buildRows();
    // Whether the recording has notes: the figures then show the review.
    bool reviewed() const { return m_in.hasNotes; }

    ReportInput m_in;
    std::vector<RecordingEvent> m_events;
    std::vector<TableRow> m_rows;
    OverviewPicture m_overview;
    std::vector<std::pair<std::size_t, std::size_t>> m_pageRows; // table rows of each page
};

} // namespace kv
