// NoteEditor (frmNote): the small window in which the text of a note is
// written. It does not hold up the player: playback goes on while it is
// open. Enter keeps the text, Shift+Enter starts a new line, Escape leaves
// the note as it was.
#pragma once

#include <QDialog>

#include <functional>
#include <string>

class QLabel;
class QPlainTextEdit;

namespace kv {

class NoteEditor : public QDialog {
    Q_OBJECT
public:
    explicit NoteEditor(QWidget* parent);

    // Opens the editor on a text; `kept` is called with the new text once
    // the user keeps it. An editor still open keeps its text first.
    void open(const QString& title, const std::string& text,
              std::function<void(const std::string&)> kept);
    QPlainTextEdit* textBox() const { return m_text; }
    // Keeps the text of the note being written, if the editor is open.
    void keepText();

protected:
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLabel* m_title;
    QPlainTextEdit* m_text;
    std::function<void(const std::string&)> m_kept;
};

} // namespace kv
