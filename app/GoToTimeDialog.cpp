#include "GoToTimeDialog.h"

#include "TextHelpers.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace kv {

GoToTimeDialog::GoToTimeDialog(const SessionTimeContext& context,
                               std::function<std::string(std::int32_t)> go, QWidget* parent)
    : QDialog(parent), m_context(context), m_go(std::move(go)) {
    setObjectName(QStringLiteral("dlgGoToTime"));
    setWindowTitle(QStringLiteral("Go to Time"));
    auto* layout = new QVBoxLayout(this);
    auto* prompt = new QLabel(
        context.clockStartSecs != 0
            ? QStringLiteral("Session time (1:23:45, 83:45, 5025 or 12.5s)\nor time of day "
                             "(10:41:30):")
            : QStringLiteral("Session time (1:23:45, 83:45, 5025 or 12.5s):"),
        this);
    m_edit = new QLineEdit(this);
    m_edit->setObjectName(QStringLiteral("txtTime"));
    m_edit->setMaxLength(40);
    prompt->setBuddy(m_edit);
    m_reason = new QLabel(this);
    m_reason->setObjectName(QStringLiteral("lblReason"));
    m_reason->setWordWrap(true);
    QPalette pal = m_reason->palette();
    pal.setColor(QPalette::WindowText, QColor(0xB0, 0, 0));
    m_reason->setPalette(pal);
    m_reason->hide();
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &GoToTimeDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &GoToTimeDialog::reject);
    // A new text hides the reason given for the last one.
    connect(m_edit, &QLineEdit::textEdited, m_reason, &QLabel::hide);
    layout->addWidget(prompt);
    layout->addWidget(m_edit);
    layout->addWidget(m_reason);
    layout->addWidget(buttons);
    m_edit->setFocus();
}

void GoToTimeDialog::accept() {
    const SessionTimeResult r = parseSessionTime(m_edit->text().toStdString(), m_context);
    const std::string why = r.ok ? m_go(r.ms) : r.reason;
    if (why.empty()) {
        QDialog::accept();
        return;
    }
    m_reason->setText(q(why));
    m_reason->show();
    m_edit->selectAll();
    m_edit->setFocus();
}

QString GoToTimeDialog::reason() const {
    return m_reason->isHidden() ? QString() : m_reason->text();
}

} // namespace kv
