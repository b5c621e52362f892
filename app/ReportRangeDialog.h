// ReportRangeDialog: asked before a report is written while the playback
// range is not the whole recording, so that a range moved by a click is not
// reported unasked. It offers the whole recording or the range; the range is
// the default only when the user set it (brackets or a drag).
#pragma once

#include <QDialog>

#include <string>

class QRadioButton;

namespace kv {

class ReportRangeDialog final : public QDialog {
public:
    // range: the range as the user reads it, "00:44 to 03:00 of 05:00".
    ReportRangeDialog(const std::string& range, bool rangeByDefault, QWidget* parent = nullptr);
    bool wholeRecording() const;

private:
    QRadioButton* m_whole;
    QRadioButton* m_range;
};

} // namespace kv
