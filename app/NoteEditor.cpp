#include "NoteEditor.h"

#include <QDialogButtonBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace kv {

NoteEditor::NoteEditor(QWidget* parent) : QDialog(parent, Qt::Tool) {
    setObjectName(QStringLiteral("frmNote"));
    setWindowTitle(QStringLiteral("Note"));
    setModal(false);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(6, 6, 6, 6);
    m_title = new QLabel(this);
    m_title->setObjectName(QStringLiteral("lblNoteTime"));
    column->addWidget(m_title);
    m_text = new QPlainTextEdit(this);
    m_text->setObjectName(QStringLiteral("txtNote"));
    m_text->setTabChangesFocus(true);
    m_text->setPlaceholderText(QStringLiteral("Enter keeps the note, Shift+Enter starts a new line"));
    const QFontMetrics fm(m_text->font());
    m_text->setMinimumSize(fm.horizontalAdvance(QLatin1Char('m')) * 34, fm.lineSpacing() * 4);
    m_text->installEventFilter(this);
    column->addWidget(m_text, 1);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("cmdNoteOk"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("cmdNoteCancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &NoteEditor::keepText);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    // Escape, Cancel or the window's close button: the note stays as it was.
    connect(this, &QDialog::rejected, this, [this] { m_kept = nullptr; });
    column->addWidget(buttons);
}

void NoteEditor::open(const QString& title, const std::string& text,
                      std::function<void(const std::string&)> kept) {
    keepText();
    m_kept = std::move(kept);
    m_title->setText(title);
    m_text->setPlainText(QString::fromStdString(text));
    m_text->selectAll();
    show();
    raise();
    activateWindow();
    m_text->setFocus();
}

void NoteEditor::keepText() {
    if (!isVisible() || !m_kept) return;
    auto kept = std::move(m_kept);
    m_kept = nullptr;
    hide();
    if (kept) kept(m_text->toPlainText().toStdString());
}

// The keys go back to the player once the note is written.
void NoteEditor::hideEvent(QHideEvent* event) {
    QDialog::hideEvent(event);
    if (parentWidget() && parentWidget()->isVisible()) parentWidget()->activateWindow();
}

bool NoteEditor::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_text && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            if (key->modifiers() & Qt::ShiftModifier)
                m_text->insertPlainText(QStringLiteral("\n"));
            else
                keepText();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace kv
