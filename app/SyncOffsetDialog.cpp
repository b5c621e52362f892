#include "SyncOffsetDialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QSpinBox>
#include <QVBoxLayout>

namespace kv {

SyncOffsetDialog::SyncOffsetDialog(int offsetMs, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("dlgSyncOffset"));
    setWindowTitle(QStringLiteral("Sync Offset"));
    auto* layout = new QVBoxLayout(this);
    auto* text = new QLabel(
        QStringLiteral("How much later the sound is heard than the meter shows it, in ms\n"
                       "(positive for wireless headphones; -500 to 500):"),
        this);
    m_spin = new QSpinBox(this);
    m_spin->setObjectName(QStringLiteral("spnSyncOffset"));
    m_spin->setRange(-500, 500);
    m_spin->setSingleStep(10);
    m_spin->setSuffix(QStringLiteral(" ms"));
    m_spin->setValue(offsetMs);
    text->setBuddy(m_spin);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(text);
    layout->addWidget(m_spin);
    layout->addWidget(buttons);
    m_spin->setFocus();
    m_spin->selectAll();
}

int SyncOffsetDialog::offsetMs() const {
    return m_spin->value();
}

} // namespace kv
