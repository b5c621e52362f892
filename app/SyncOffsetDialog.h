// SyncOffsetDialog: asks for the sync offset, -500 to +500 ms: how much later
// than the sound device's position the sound reaches the ears (wireless
// headphones add 150-250 ms).
#pragma once

#include <QDialog>

class QSpinBox;

namespace kv {

class SyncOffsetDialog final : public QDialog {
public:
    SyncOffsetDialog(int offsetMs, QWidget* parent = nullptr);
    int offsetMs() const;

private:
    QSpinBox* m_spin;
};

} // namespace kv
