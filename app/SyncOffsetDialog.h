// SyncOffsetDialog: asks for the sync offset, -500 to +500 ms: how much later
// than the sound device's position the sound reaches the ears (wireless
// headphones add 150-250 ms). A number outside the limits, or anything that
// is not a whole number, is refused with a line that gives the limits; the
// dialog stays open until it holds a value it can take or is cancelled.
#pragma once

#include <QDialog>

#include <optional>

class QLabel;
class QLineEdit;

namespace kv {

class SyncOffsetDialog final : public QDialog {
public:
    static constexpr int kMinMs = -500;
    static constexpr int kMaxMs = 500;

    SyncOffsetDialog(int offsetMs, QWidget* parent = nullptr);
    int offsetMs() const { return m_value; }

    // The offset a text gives: a whole number of milliseconds within the
    // limits, an optional "ms" after it; nothing otherwise.
    static std::optional<int> parseOffset(const QString& text);

private:
    void tryAccept();

    QLineEdit* m_edit;
    QLabel* m_problem;
    int m_value;
};

} // namespace kv
