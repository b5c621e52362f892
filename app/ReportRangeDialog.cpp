#include "ReportRangeDialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

namespace kv {

ReportRangeDialog::ReportRangeDialog(const std::string& range, bool rangeByDefault,
                                     QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("dlgReportRange"));
    setWindowTitle(QStringLiteral("Export Report"));
    auto* layout = new QVBoxLayout(this);
    auto* text = new QLabel(QStringLiteral("The playback range is not the whole recording: it "
                                           "runs from %1.\nReport on:")
                                .arg(QString::fromStdString(range)),
                            this);
    text->setObjectName(QStringLiteral("lblReportRange"));
    layout->addWidget(text);
    m_whole = new QRadioButton(QStringLiteral("&Whole recording"), this);
    m_whole->setObjectName(QStringLiteral("optWholeRecording"));
    m_range = new QRadioButton(QStringLiteral("&This range"), this);
    m_range->setObjectName(QStringLiteral("optThisRange"));
    layout->addWidget(m_whole);
    layout->addWidget(m_range);
    (rangeByDefault ? m_range : m_whole)->setChecked(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->setObjectName(QStringLiteral("buttons"));
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    (rangeByDefault ? m_range : m_whole)->setFocus();
}

bool ReportRangeDialog::wholeRecording() const {
    return m_whole->isChecked();
}

} // namespace kv
