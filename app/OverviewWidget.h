// OverviewWidget (picOverview): the session overview strip under the position
// bar. It shows the whole recording, or a zoomed span of it, drawn once per
// load, zoom and size into an image; the playback range and the play cursor
// go over that image, so playing repaints only the columns the cursor leaves
// and enters.
//
// Mouse: a left click or drag goes to onPress/onDrag/onRelease as records,
// as the position bar's would; the wheel zooms about the pointer down to 10 s
// across; a middle-button or Shift drag pans; a double-click shows the whole
// recording again. A click acts once the double-click interval has passed
// without a second press, so that a double-click only resets the zoom; a
// drag acts as soon as it begins.
#pragma once

#include "OverviewStrip.h"

#include <QImage>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <optional>
#include <string>

namespace kv {

class OverviewWidget : public QWidget {
    Q_OBJECT
public:
    static constexpr int kHeight = 112;
    static constexpr std::int32_t kMinSpanRecords = 500; // 10 s of 20-ms records

    explicit OverviewWidget(QWidget* parent = nullptr);

    // The recording to show (records outlive the widget's use of them), with
    // the events to mark and the clock at its start, if it has one.
    void setRecording(const std::vector<SampleRecord>* records, std::vector<RecordingEvent> marks,
                      std::optional<std::int32_t> clockStartSecs);
    void clearRecording();
    // The reviewer's marks to draw (notes, artifact ranges, reviews); a note's
    // flag shows its text as a tool tip.
    void setReview(ReviewNotes review);

    // The shown span, records 0-based inclusive.
    const OverviewMapping& mapping() const { return m_picture.mapping; }
    void showWhole();
    void showSpan(std::int32_t first, std::int32_t last);
    // Zooms by factor (below 1: in) keeping the record under column x in place;
    // x is kept within the widget, the new span (count * factor rounded to the
    // nearest, halves to even) within the minimum span and the whole.
    void zoomAbout(int x, double factor);
    void panByColumns(int columns);

    // 1-based record under a widget column (the column's first record; x kept
    // within 0..width - 1; 0 without records), and the column of a 1-based
    // record (nothing when it is outside the shown span, both ends included).
    std::int32_t recordAt(int x) const;
    std::optional<int> columnOfRecord(std::int32_t record) const;

    // Playback marks, 1-based records, the range from first to last with both
    // included; a repaint only when a drawn pixel changes.
    void setPlayCursor(std::int32_t record);
    void setRange(std::int32_t first, std::int32_t last);

    int repaintRequests() const { return m_repaintRequests; }
    int pictureBuilds() const { return m_pictureBuilds; }

    std::function<void(std::int32_t)> onPress;
    std::function<std::string(std::int32_t)> onDrag;
    std::function<void(std::optional<std::int32_t>)> onRelease;

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    std::int32_t recordCount() const;
    void rebuild();
    void redraw(); // the image from the columns as they are
    void requestRepaint(const QRect& area);
    std::optional<int> cursorColumn() const;
    QRect columnRect(int x) const { return QRect(x - 1, 0, 3, height()); }

    OverviewPicture m_picture;
    QImage m_image;
    std::int32_t m_cursor = 0; // 1-based, 0 none
    std::int32_t m_rangeFirst = 0, m_rangeLast = 0;
    int m_repaintRequests = 0;
    int m_pictureBuilds = 0;
    enum class Drag { None, Choose, Pan } m_drag = Drag::None;
    int m_pressX = 0;
    int m_lastPanX = 0;
    bool m_moved = false;
    std::int32_t m_pressRecord = 0; // the record under the press
    std::int32_t m_clickRecord = 0; // the record of the click waiting
    QTimer* m_pendingClick = nullptr; // a click waiting for the double-click interval
    void actOnClick();
    void actOnPendingClick();
};

} // namespace kv
