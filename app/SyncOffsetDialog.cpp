#include "SyncOffsetDialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QVBoxLayout>

namespace kv {

SyncOffsetDialog::SyncOffsetDialog(int offsetMs, QWidget* parent)
    : QDialog(parent), m_value(offsetMs) {
    setObjectName(QStringLiteral("dlgSyncOffset"));
    setWindowTitle(QStringLiteral("Sync Offset"));
    auto* layout = new QVBoxLayout(this);
    auto* text = new QLabel(
        QStringLiteral("How much later the sound is heard than the meter shows it, in ms\n"
                       "(positive for wireless headphones; -500 to 500):"),
        this);
    m_edit = new QLineEdit(QString::number(offsetMs), this);
    m_edit->setObjectName(QStringLiteral("txtSyncOffset"));
    text->setBuddy(m_edit);
    m_problem = new QLabel(this);
    m_problem->setObjectName(QStringLiteral("lblSyncOffsetProblem"));
    m_problem->setStyleSheet(QStringLiteral("color: #b00000"));
    m_problem->hide();
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    // Return in the field and OK both check the value; neither accepts a
    // value the dialog cannot take.
    for (QPushButton* b : buttons->findChildren<QPushButton*>())
        b->setAutoDefault(false);
    connect(buttons, &QDialogButtonBox::accepted, this, &SyncOffsetDialog::tryAccept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_edit, &QLineEdit::returnPressed, this, &SyncOffsetDialog::tryAccept);
    layout->addWidget(text);
    layout->addWidget(m_edit);
    layout->addWidget(m_problem);
    layout->addWidget(buttons);
    m_edit->setFocus();
    m_edit->selectAll();
}

std::optional<int> SyncOffsetDialog::parseOffset(const QString& text) {
    static const QRegularExpression whole(QStringLiteral("^\\s*([+-]?\\d{1,9})\\s*(ms)?\\s*$"));
    const QRegularExpressionMatch m = whole.match(text);
    if (!m.hasMatch()) return std::nullopt;
    const int value = m.captured(1).toInt();
    if (value < kMinMs || value > kMaxMs) return std::nullopt;
    return value;
}

void SyncOffsetDialog::tryAccept() {
    if (const auto v = parseOffset(m_edit->text())) {
        m_value = *v;
        accept();
        return;
    }
    m_problem->setText(QStringLiteral("\"%1\" cannot be used: the sync offset is a whole number "
                                      "of milliseconds from %2 to %3.")
                           .arg(m_edit->text().trimmed())
                           .arg(kMinMs)
                           .arg(kMaxMs));
    m_problem->show();
    m_edit->setFocus();
    m_edit->selectAll();
}

} // namespace kv
