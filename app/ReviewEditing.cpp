#include "ReviewEditing.h"

#include "KeyTable.h"

#include "EventListPanel.h"
#include "MainWindow.h"
#include "NoteEditor.h"
#include "PairFiles.h"
#include "PlayTime.h"
#include "ReviewRows.h"
#include "SessionNavigator.h"

#include <QAction>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QShortcut>
#include <QTableView>
#include <QUndoStack>

#include <algorithm>
#include <filesystem>

namespace kv {

namespace {

constexpr int kAddNoteCommand = 1; // an added note whose text may follow

std::string fileNameOf(const std::string& path) {
    return std::filesystem::path(path).filename().string();
}

} // namespace

// One change of the marks on the undo stack. A note added with N and the
// text then written for it undo as one.
class ReviewEditing::Command : public QUndoCommand {
public:
    Command(ReviewEditing& owner, MarkEdit edit, const QString& what, bool addsNote,
            bool textOfNewNote)
        : QUndoCommand(what), m_owner(owner), m_edit(std::move(edit)), m_addsNote(addsNote),
          m_textOfNewNote(textOfNewNote) {}

    void redo() override { m_owner.apply(m_edit); }
    void undo() override { m_owner.apply(m_edit.inverse()); }
    int id() const override { return m_addsNote || m_textOfNewNote ? kAddNoteCommand : -1; }
    bool mergeWith(const QUndoCommand* other) override {
        const auto* text = static_cast<const Command*>(other);
        if (!m_addsNote || !text->m_textOfNewNote || text->m_edit.remove != m_edit.add)
            return false;
        m_edit.add = text->m_edit.add;
        m_addsNote = false; // a later text is a change of its own
        return true;
    }

private:
    ReviewEditing& m_owner;
    MarkEdit m_edit;
    bool m_addsNote;
    bool m_textOfNewNote;
};

ReviewEditing::ReviewEditing(MainWindow& window)
    : QObject(&window), m_window(window), m_undo(new QUndoStack(this)),
      m_editor(new NoteEditor(&window)) {
    SessionNavigator& navigator = window.navigator();
    navigator.recordingChanged = [this](const RecordingFile* r) { recordingChanged(r); };

    m_undoItem = m_undo->createUndoAction(this, QStringLiteral("Undo"));
    m_undoItem->setObjectName(QStringLiteral("mnuReviewUndo"));
    m_redoItem = m_undo->createRedoAction(this, QStringLiteral("Redo"));
    m_redoItem->setObjectName(QStringLiteral("mnuReviewRedo"));
    for (QAction* item : {m_undoItem, m_redoItem}) {
        item->setShortcutContext(Qt::WindowShortcut);
        window.addAction(item);
    }

    QTableView* table = navigator.eventList().table();
    table->installEventFilter(this); // after the list's own: sees its keys first
    table->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(table, &QTableView::customContextMenuRequested, this,
            &ReviewEditing::openContextMenu);
    connect(table, &QTableView::doubleClicked, this, [this](const QModelIndex& index) {
        if (rowIsMark(index.row()))
            editText(*m_window.navigator().eventList().model().markAt(index.row()), false);
    });
    window.installEventFilter(this); // the close: a last try to write
}

ReviewEditing::~ReviewEditing() = default;

void ReviewEditing::addKeys(KeyTable& t) {
    // N is no key of the player's own: a shortcut of the window, so that it
    // also works while the event list or a button has the focus.
    t.addShortcut(QKeySequence(Qt::Key_N),
                  QStringLiteral("Adds a note at the position, or over the bracketed range"),
                  &m_window, [this] { addNote(); });
    t.addItem(QKeySequence(Qt::CTRL | Qt::Key_Z), m_undoItem);
    t.addItem(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), m_redoItem);
    t.addOwn(KeyTable::Place::EventList, Qt::Key_Delete,
             QStringLiteral("Removes the row's mark, or the review of its reaction"));
}

void ReviewEditing::recordingChanged(const RecordingFile* recording) {
    // What the last recording could not write gets one more try.
    if (!m_unwritten.empty() && !writeUnwritten(false))
        m_window.dialogs().showMessage(
            {"These marks could not be written to " + fileNameOf(notesPathFor(m_dataPath)) +
                 " and are not kept: " + std::to_string(m_unwritten.size()) +
                 " changes. The folder or the file may be read-only.",
             kAppTitle, MessageIcon::Exclamation});
    m_editor->hide();
    m_undo->clear();
    m_unwritten.clear();
    m_failing = false;
    m_notes = {};
    m_recording = recording;
    m_recordCount = recording ? recording->RecordCount : 0;
    m_dataPath.clear();
    if (recording && recording->LoadedFileBase != "Buffer" && !recording->LoadedFileBase.empty())
        m_dataPath = pairFile(recording->LoadedFileBase, ".kvd");
    if (!m_dataPath.empty()) {
        NotesRead read = readNotesFile(m_dataPath, m_recordCount);
        const std::string name = fileNameOf(notesPathFor(m_dataPath));
        if (read.state == NotesRead::State::Unreadable) {
            m_window.dialogs().showMessage(
                {"The notes of this recording are not shown: " + name + " could not be read (" +
                     read.problem + "). It is left as it is.",
                 kAppTitle, MessageIcon::Exclamation});
        } else {
            m_notes = std::move(read.notes);
            sortMarks(m_notes);
            if (!read.skipped.empty()) {
                std::string lines;
                for (std::size_t i = 0; i < read.skipped.size() && i < 5; ++i)
                    lines += "\n" + read.skipped[i];
                if (read.skipped.size() > 5)
                    lines += "\n… and " + std::to_string(read.skipped.size() - 5) + " more";
                m_window.dialogs().showMessage(
                    {"Some lines of " + name +
                         " were not understood; they are kept in the file as they are:" + lines,
                     kAppTitle, MessageIcon::Information});
            }
        }
    }
    if (recording) show();
}

void ReviewEditing::show() {
    EventListPanel& list = m_window.navigator().eventList();
    QTableView* table = list.table();
    // The list is made again: the current row stays where it was.
    const int row = table->currentIndex().row();
    const int column = std::max(0, table->currentIndex().column());
    m_window.navigator().showReview(m_recording ? &m_notes : nullptr);
    const int rows = list.model().rowCount();
    if (row >= 0 && rows > 0)
        table->setCurrentIndex(list.model().index(std::min(row, rows - 1), column));
}

void ReviewEditing::apply(const MarkEdit& edit) {
    applyMarkEdit(m_notes, edit);
    m_unwritten.push_back(edit);
    writeUnwritten(true);
    show();
}

bool ReviewEditing::writeUnwritten(bool tellFailure) {
    if (m_unwritten.empty() || m_dataPath.empty()) return m_unwritten.empty();
    const NotesUpdate update =
        updateNotesFile(m_dataPath, m_recordCount, [this](ReviewNotes& notes) {
            for (const MarkEdit& edit : m_unwritten)
                applyMarkEdit(notes, edit);
        });
    if (update.error) {
        if (tellFailure && !m_failing)
            m_window.dialogs().showMessage(
                {"The marks could not be written to " + fileNameOf(notesPathFor(m_dataPath)) +
                     ": " + update.error->description +
                     "\n\nThey stay in the window and are written with the next change that "
                     "can be saved.",
                 kAppTitle, MessageIcon::Exclamation});
        m_failing = true;
        return false;
    }
    m_unwritten.clear();
    m_failing = false;
    // The file as it is now, with any marks another program wrote meanwhile.
    m_notes = update.current.notes;
    sortMarks(m_notes);
    return true;
}

void ReviewEditing::push(const MarkEdit& edit, const QString& what, bool textOfNewNote) {
    const bool addsNote = !textOfNewNote && edit.remove.empty() && edit.add.size() == 1 &&
                          edit.add.front().kind == MarkKind::Note;
    m_undo->push(new Command(*this, edit, what, addsNote, textOfNewNote));
}

bool ReviewEditing::canMark() {
    if (!m_recording || m_window.engine().PlayMode == PlayState::Testing) {
        m_window.dialogs().beep();
        return false;
    }
    if (m_dataPath.empty()) {
        m_window.dialogs().showMessage(
            {"Marks are kept beside a saved recording: save this segment first, then load it "
             "to mark it.",
             kAppTitle, MessageIcon::Information});
        return false;
    }
    return true;
}

std::optional<std::pair<std::int32_t, std::int32_t>> ReviewEditing::bracketedRange() const {
    if (!m_recording || !m_window.engine().RangeChosen) return std::nullopt;
    const std::int32_t first = std::max(1, m_recording->LoopStartRecord);
    const std::int32_t last = std::min(m_recording->LoopEndRecord, m_recording->RecordCount);
    if (last <= first || (first == 1 && last == m_recording->RecordCount)) return std::nullopt;
    return std::pair{first, last};
}

QString ReviewEditing::spanText(const ReviewMark& mark) const {
    const auto time = [&](std::int32_t record) {
        return QString::fromStdString(
            Format_PlayTime(m_recording->record(record).TimeMs / 1000, m_recording->TotalTimeMs));
    };
    const QString kind = markCaption(mark);
    if (mark.endRecord > mark.record)
        return kind + QStringLiteral(" from ") + time(mark.record) + QStringLiteral(" to ") +
               time(mark.endRecord);
    return kind + QStringLiteral(" at ") + time(mark.record);
}

void ReviewEditing::addNote() {
    if (!canMark()) return;
    m_editor->keepText(); // a note still being written is kept first
    ReviewMark note;
    note.kind = MarkKind::Note;
    if (const auto range = bracketedRange()) {
        note.record = range->first;
        note.endRecord = range->second;
    } else {
        note.record = note.endRecord =
            std::clamp(m_window.engine().positionRecord(), 1, m_recordCount);
    }
    // The same note again (N twice at one place while stopped): that one is edited.
    if (std::find(m_notes.marks.begin(), m_notes.marks.end(), note) != m_notes.marks.end())
        return editText(note, false);
    push({{}, {note}}, QStringLiteral("Add Note"));
    editText(note, true);
}

void ReviewEditing::addMark(MarkKind kind, const QString& what) {
    if (!canMark()) return;
    ReviewMark mark;
    mark.kind = kind;
    if (kind == MarkKind::Artifact) {
        const auto range = bracketedRange();
        if (!range) return;
        mark.record = range->first;
        mark.endRecord = range->second;
    } else {
        mark.record = mark.endRecord =
            std::clamp(m_window.engine().positionRecord(), 1, m_recordCount);
    }
    push({{}, {mark}}, what);
}

void ReviewEditing::editText(const ReviewMark& mark, bool newNote) {
    m_editor->open(spanText(mark), mark.text, [this, mark, newNote](const std::string& text) {
        if (text == mark.text || !m_recording) return;
        ReviewMark changed = mark;
        changed.text = text;
        push({{mark}, {changed}}, QStringLiteral("Edit ") + markCaption(mark), newNote);
    });
}

std::vector<ReviewMark> ReviewEditing::reviewsOf(std::int32_t reactionRecord) const {
    std::vector<ReviewMark> out;
    for (const ReviewMark& m : m_notes.marks)
        if (m.record == reactionRecord &&
            (m.kind == MarkKind::Confirmed || m.kind == MarkKind::Rejected))
            out.push_back(m);
    return out;
}

void ReviewEditing::review(std::int32_t reactionRecord, std::optional<MarkKind> state) {
    if (!canMark()) return;
    MarkEdit edit{reviewsOf(reactionRecord), {}};
    if (state) {
        ReviewMark mark;
        mark.record = mark.endRecord = reactionRecord;
        mark.kind = *state;
        edit.add.push_back(mark);
    }
    if (edit.remove.empty() && edit.add.empty()) return;
    push(edit, !state                            ? QStringLiteral("Clear Review")
               : *state == MarkKind::Confirmed ? QStringLiteral("Confirm Reaction")
                                               : QStringLiteral("Reject Reaction"));
}

bool ReviewEditing::rowIsMark(int row) const {
    const EventTableModel& model = m_window.navigator().eventList().model();
    return row >= 0 && row < model.rowCount() && model.markAt(row);
}

std::optional<std::int32_t> ReviewEditing::reactionOfRow(int row) const {
    const EventTableModel& model = m_window.navigator().eventList().model();
    if (row < 0 || row >= model.rowCount() || model.markAt(row)) return std::nullopt;
    const RecordingEvent& e = model.eventAt(row);
    if (e.kind != EventKind::Reaction) return std::nullopt;
    return e.record;
}

void ReviewEditing::removeRow(int row) {
    if (!canMark()) return;
    if (rowIsMark(row)) {
        const ReviewMark mark = *m_window.navigator().eventList().model().markAt(row);
        push({{mark}, {}}, QStringLiteral("Delete ") + markCaption(mark));
    } else if (const auto reaction = reactionOfRow(row)) {
        review(*reaction, std::nullopt);
    }
}

void ReviewEditing::openContextMenu(const QPoint& at) {
    QTableView* table = m_window.navigator().eventList().table();
    if (!m_recording) return;
    const int row = table->indexAt(at).row();
    if (row >= 0) table->setCurrentIndex(table->model()->index(row, 0));
    delete m_menu;
    m_menu = new QMenu(table);
    m_menu->setObjectName(QStringLiteral("mnuReview"));
    m_menu->setAttribute(Qt::WA_DeleteOnClose, false);
    const auto item = [this](const char* name, const QString& text, auto&& act) {
        QAction* a = m_menu->addAction(text);
        a->setObjectName(QString::fromLatin1(name));
        connect(a, &QAction::triggered, this, act);
        return a;
    };
    if (rowIsMark(row)) {
        const ReviewMark mark = *m_window.navigator().eventList().model().markAt(row);
        // The keys are named, not bound: the list takes them itself.
        item("mnuReviewEdit", QStringLiteral("Edit Text…\tEnter"),
             [this, mark] { editText(mark, false); });
        item("mnuReviewDelete", QStringLiteral("Delete ") + markCaption(mark) + QStringLiteral("\tDel"),
             [this, mark] { push({{mark}, {}}, QStringLiteral("Delete ") + markCaption(mark)); });
        m_menu->addSeparator();
    } else if (const auto reaction = reactionOfRow(row)) {
        const auto state = reviewOf(m_notes, *reaction);
        QAction* confirm = item("mnuReviewConfirm", QStringLiteral("Confirm Reaction"),
                                [this, r = *reaction] { review(r, MarkKind::Confirmed); });
        QAction* reject = item("mnuReviewReject", QStringLiteral("Reject Reaction"),
                               [this, r = *reaction] { review(r, MarkKind::Rejected); });
        QAction* clear = item("mnuReviewClear", QStringLiteral("Clear Review"),
                              [this, r = *reaction] { review(r, std::nullopt); });
        confirm->setCheckable(true);
        confirm->setChecked(state == MarkKind::Confirmed);
        reject->setCheckable(true);
        reject->setChecked(state == MarkKind::Rejected);
        clear->setEnabled(state.has_value());
        m_menu->addSeparator();
    }
    item("mnuReviewAddNote", QStringLiteral("Add Note\tN"), [this] { addNote(); });
    item("mnuReviewArtifact", QStringLiteral("Mark Range as Artifact"),
         [this] { addMark(MarkKind::Artifact, QStringLiteral("Mark Artifact")); })
        ->setEnabled(bracketedRange().has_value());
    item("mnuReviewAddReaction", QStringLiteral("Add Reaction Here"),
         [this] { addMark(MarkKind::Added, QStringLiteral("Add Reaction")); });
    m_menu->addSeparator();
    m_menu->addAction(m_undoItem);
    m_menu->addAction(m_redoItem);
    m_menu->popup(table->viewport()->mapToGlobal(at));
}

bool ReviewEditing::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &m_window && event->type() == QEvent::Close) {
        if (!m_unwritten.empty() && !writeUnwritten(false))
            m_window.dialogs().showMessage(
                {"The last changes of the marks could not be written to " +
                     fileNameOf(notesPathFor(m_dataPath)) +
                     " and are not kept. The folder or the file may be read-only.",
                 kAppTitle, MessageIcon::Exclamation});
        m_unwritten.clear();
        return false;
    }
    if (event->type() != QEvent::KeyPress || !m_recording) return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    const int row = m_window.navigator().eventList().table()->currentIndex().row();
    if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && rowIsMark(row)) {
        editText(*m_window.navigator().eventList().model().markAt(row), false);
        return true;
    }
    if (key->key() == Qt::Key_Delete && (rowIsMark(row) || reactionOfRow(row))) {
        removeRow(row);
        return true;
    }
    return false;
}

} // namespace kv
