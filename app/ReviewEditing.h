// ReviewEditing: the reviewer's marks in the window. N adds a note at the
// position (over the bracketed range when there is one) and opens the note
// editor; the event list edits marks in place (Enter or a double-click edits
// a note's text, Delete removes a mark, its context menu reviews reactions,
// marks the range as artifact and adds a reaction by hand); Ctrl+Z and
// Ctrl+Shift+Z undo and redo every change.
//
// Each change is written to NAME.kvnotes at once, applied to the file as it
// is on disk then (another program's marks are kept). When it cannot be
// written (a read-only folder, a file that cannot be read) the user is told
// once, the marks stay in the window and are written with the next change
// that can be. A recording without marks has no notes file until the first.
#pragma once

#include "MarkEdit.h"
#include "ReviewNotes.h"

#include <QObject>
#include <QString>

#include <optional>
#include <string>
#include <utility>
#include <vector>

class QAction;
class QMenu;
class QModelIndex;
class QPoint;
class QUndoStack;

namespace kv {

class KeyTable;

class MainWindow;
class NoteEditor;
struct RecordingFile;

class ReviewEditing : public QObject {
    Q_OBJECT
public:
    explicit ReviewEditing(MainWindow& window);
    ~ReviewEditing() override;

    // N, the undo keys and the keys the event list takes for the marks, in
    // the window's key table (which sets the shortcuts).
    void addKeys(KeyTable& table);

    // The marks the window shows.
    const ReviewNotes& notes() const { return m_notes; }
    // Changes made in the window that are not in the file yet.
    std::size_t unwrittenChanges() const { return m_unwritten.size(); }
    QUndoStack& undoStack() const { return *m_undo; }
    NoteEditor& editor() const { return *m_editor; }
    // The event list's context menu while it is open (tests), else null.
    QMenu* contextMenu() const { return m_menu; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    class Command;
    void recordingChanged(const RecordingFile* recording);
    // Applies a change to the window's marks and writes it (undo and redo).
    void apply(const MarkEdit& edit);
    // Writes the changes not yet in the file; false when they could not be.
    bool writeUnwritten(bool tellFailure);
    void show();
    void push(const MarkEdit& edit, const QString& what, bool textOfNewNote = false);

    void addNote();
    void addMark(MarkKind kind, const QString& what);
    void editText(const ReviewMark& mark, bool newNote);
    void review(std::int32_t reactionRecord, std::optional<MarkKind> state);
    void removeRow(int row);
    void openContextMenu(const QPoint& at);
    bool rowIsMark(int row) const;
    std::optional<std::int32_t> reactionOfRow(int row) const;
    std::vector<ReviewMark> reviewsOf(std::int32_t reactionRecord) const;

    // The bracketed range, when the user chose one that is not the whole.
    std::optional<std::pair<std::int32_t, std::int32_t>> bracketedRange() const;
    QString spanText(const ReviewMark& mark) const;
    // Whether marks can be made now; tells the user why not.
    bool canMark();

    MainWindow& m_window;
    QUndoStack* m_undo;
    QAction* m_undoItem;
    QAction* m_redoItem;
    NoteEditor* m_editor;
    QMenu* m_menu = nullptr;
    const RecordingFile* m_recording = nullptr;
    std::string m_dataPath; // empty: no file of its own (a Buffer)
    std::int32_t m_recordCount = 0;
    ReviewNotes m_notes;
    std::vector<MarkEdit> m_unwritten;
    bool m_failing = false; // the last write failed, and the user was told
};

} // namespace kv
