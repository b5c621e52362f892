// The reviewer's marks in the real window: N, the note editor, the event
// list's keys and context menu, undo and redo, the strip, and the notes file
// beside the pair, driven with real key and mouse events.
#include "EventListPanel.h"
#include "FileCalls.h"
#include "NoteEditor.h"
#include "OverviewWidget.h"
#include "PlayerFixture.h"
#include "ReviewEditing.h"
#include "ReviewNotes.h"
#include "SessionNavigator.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTableView>
#include <QTest>
#include <QToolTip>

#include <cerrno>
#include <fcntl.h>
#include <filesystem>

namespace kv::test {
namespace {

constexpr int kRecords = 3000; // one minute
constexpr int kFallFrom = 1000;

// Steady records with one quick fall of three dial divisions at record 1001.
std::vector<SampleRecord> recordsWithAReaction() {
    auto recs = plainRecords(kRecords);
    for (int i = 0; i < kRecords; ++i) {
        SampleRecord& r = recs[static_cast<std::size_t>(i)];
        r.SensIndex = 8;
        r.BaseCode = 100;
        r.StatusFlags = 0x28;
        const double f = std::clamp((i - kFallFrom) / 50.0, 0.0, 1.0);
        r.RawReading = static_cast<std::uint16_t>(30000 - 750 * f);
    }
    return recs;
}

class ReviewTest : public PlayerWindowTest {
protected:
    void SetUp() override {
        writeText(dir.file("kv_Player.ini"),
                  "[Player]\nShowOverview=True\nShowEventList=True\n");
        start();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        writePair("rev001", recordsWithAReaction());
        load("rev001");
    }
    void load(const std::string& name) {
        window->openChosenFile(dir.file(name + ".kvd"));
        ASSERT_TRUE(window->isLoaded());
    }
    ReviewEditing& review() { return *window->findChild<ReviewEditing*>(); }
    EventListPanel& list() { return window->navigator().eventList(); }
    QTableView* table() { return list().table(); }
    OverviewWidget& strip() { return window->navigator().overview(); }
    const RecordingFile& rec() { return *window->recording(); }
    std::string notesFile(const std::string& name = "rev001") {
        return dir.file(name + ".kvnotes");
    }
    std::vector<ReviewMark> fileMarks(const std::string& name = "rev001") {
        const NotesRead read = readNotesFile(dir.file(name + ".kvd"), kRecords);
        EXPECT_EQ(read.state, NotesRead::State::Read);
        return read.notes.marks;
    }
    void playFromStart() {
        press(Qt::Key_P);
        run(1.2);
        ASSERT_EQ(window->engine().TransportState, Transport::Playing);
    }
    // A key to the window's focused widget, through the shortcuts as a real key.
    void keyToWindow(int k, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QTest::keyClick(focused(), static_cast<Qt::Key>(k), mods);
    }
    // Typing into the note editor: its focused widget gets the keys.
    QWidget* editorFocus() {
        NoteEditor& e = review().editor();
        return e.focusWidget() ? e.focusWidget() : &e;
    }
    void typeNote(const QString& text) {
        ASSERT_TRUE(review().editor().isVisible());
        ASSERT_EQ(editorFocus(), review().editor().textBox());
        const QStringList lines = text.split(QLatin1Char('\n'));
        for (int i = 0; i < lines.size(); ++i) {
            if (i > 0) QTest::keyClick(editorFocus(), Qt::Key_Return, Qt::ShiftModifier);
            for (const QChar c : lines[i]) {
                // Letters beyond ASCII come as the text of a key with no code of its own.
                const auto key = c.unicode() < 128 ? static_cast<Qt::Key>(c.toUpper().unicode())
                                                   : Qt::Key_unknown;
                QTest::sendKeyEvent(QTest::Press, editorFocus(), key, QString(c), Qt::NoModifier);
                QTest::sendKeyEvent(QTest::Release, editorFocus(), key, QString(c),
                                    Qt::NoModifier);
            }
        }
        QTest::keyClick(editorFocus(), Qt::Key_Return);
    }
    int rowOfKind(const QString& kind, int from = 0) {
        for (int r = from; r < table()->model()->rowCount(); ++r)
            if (table()->model()->index(r, 2).data().toString() == kind) return r;
        return -1;
    }
    QPoint rowCentre(int row) { return table()->visualRect(table()->model()->index(row, 3)).center(); }
    void clickRow(int row) {
        QTest::mouseClick(table()->viewport(), Qt::LeftButton, Qt::NoModifier, rowCentre(row));
    }
    // Right-click on a row as the window system delivers it, then a click on the item.
    void chooseFromRowMenu(int row, const char* itemName) {
        const QPoint at = row >= 0 ? rowCentre(row) : QPoint(4, table()->viewport()->height() - 4);
        QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, at,
                                    table()->viewport()->mapToGlobal(at));
        QApplication::sendEvent(table()->viewport(), &menuEvent);
        QMenu* menu = review().contextMenu();
        ASSERT_NE(menu, nullptr);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(menu));
        auto* action = menu->findChild<QAction*>(QString::fromLatin1(itemName));
        if (!action)
            for (QAction* a : menu->actions())
                if (a->objectName() == QLatin1String(itemName)) action = a;
        ASSERT_NE(action, nullptr) << itemName;
        ASSERT_TRUE(action->isEnabled()) << itemName;
        QTest::mouseClick(menu, Qt::LeftButton, Qt::NoModifier,
                          menu->actionGeometry(action).center());
    }
    std::int32_t reactionRecord() {
        for (const RecordingEvent& e : window->navigator().events())
            if (e.kind == EventKind::Reaction) return e.record;
        ADD_FAILURE() << "no reaction";
        return 0;
    }
};

ReviewMark note(std::int32_t record, std::string text, std::int32_t end = 0) {
    return ReviewMark{record, end ? end : record, MarkKind::Note, std::move(text)};
}

TEST_F(ReviewTest, NWhilePlayingAddsAndSavesANoteAndItsTextWithoutStopping) {
    EXPECT_FALSE(std::filesystem::exists(notesFile()));
    playFromStart();
    run(3);
    const std::int32_t at = window->engine().RecordCursor;
    keyToWindow(Qt::Key_N);
    // Written at once, at the position, and the sound plays on.
    ASSERT_EQ(fileMarks(), std::vector<ReviewMark>{note(at, "")});
    EXPECT_EQ(window->engine().TransportState, Transport::Playing);
    EXPECT_EQ(audio.mode, "playing");
    ASSERT_TRUE(review().editor().isVisible());

    const QString text = QStringLiteral("second question, \"yes\"; so ünïcode\nnext line");
    typeNote(text);
    run(1);
    EXPECT_FALSE(review().editor().isVisible());
    EXPECT_EQ(window->engine().TransportState, Transport::Playing);
    EXPECT_GT(window->engine().RecordCursor, at + 40);
    ASSERT_EQ(fileMarks(), std::vector<ReviewMark>{note(at, text.toStdString())});
    const int row = rowOfKind(QStringLiteral("Note"));
    ASSERT_GE(row, 0);
    EXPECT_EQ(table()->model()->index(row, 3).data().toString(),
              QStringLiteral("second question, \"yes\"; so ünïcode \u23CE next line"));

    // The note and its text undo as one change, and redo.
    keyToWindow(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_TRUE(fileMarks().empty());
    EXPECT_EQ(rowOfKind(QStringLiteral("Note")), -1);
    keyToWindow(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(fileMarks(), std::vector<ReviewMark>{note(at, text.toStdString())});
    EXPECT_EQ(window->engine().TransportState, Transport::Playing);
}

TEST_F(ReviewTest, ARecordingWithoutMarksMakesNoFileAndShowsOnlyItsEvents) {
    const int rows = table()->model()->rowCount();
    EXPECT_EQ(rows, static_cast<int>(window->navigator().events().size()));
    playFromStart();
    run(2);
    press(Qt::Key_S);
    // Undo with nothing done, Escape, the list's own keys: no file.
    keyToWindow(Qt::Key_Z, Qt::ControlModifier);
    table()->setFocus();
    QTest::keyClick(table(), Qt::Key_Down);
    QTest::keyClick(table(), Qt::Key_Delete);
    QTest::keyClick(table(), Qt::Key_Return);
    window->close();
    EXPECT_FALSE(std::filesystem::exists(notesFile()));
    EXPECT_TRUE(log.messages.empty());
}

TEST_F(ReviewTest, WithABracketedRangeTheNoteAndTheArtifactCoverIt) {
    dragOnBar(200, 400);
    ASSERT_TRUE(window->engine().RangeChosen);
    const std::int32_t first = rec().LoopStartRecord, last = rec().LoopEndRecord;
    ASSERT_LT(first, last);
    keyToWindow(Qt::Key_N);
    typeNote(QStringLiteral("client moved"));
    const QImage before = strip().grab().toImage();
    chooseFromRowMenu(rowOfKind(QStringLiteral("Note")), "mnuReviewArtifact");
    EXPECT_EQ(fileMarks(), (std::vector<ReviewMark>{note(first, "client moved", last),
                                                    {first, last, MarkKind::Artifact, ""}}));
    ASSERT_GE(rowOfKind(QStringLiteral("Artifact")), 0);
    EXPECT_EQ(table()->model()->index(rowOfKind(QStringLiteral("Note")), 3).data().toString()
                  .endsWith(QStringLiteral(": client moved")),
              true);

    // The strip hatches the range and nothing outside it.
    const QImage after = strip().grab().toImage();
    const int x0 = *strip().columnOfRecord(first), x1 = *strip().columnOfRecord(last);
    int changedInside = 0, changedOutside = 0;
    for (int x = 0; x < after.width(); ++x)
        for (int y = 30; y < 70; ++y)
            if (before.pixel(x, y) != after.pixel(x, y))
                ++(x >= x0 && x <= x1 ? changedInside : changedOutside);
    EXPECT_GT(changedInside, (x1 - x0) * 5);
    EXPECT_EQ(changedOutside, 0);

    // Without a range the item cannot be chosen.
    press(Qt::Key_S);
    clickRow(0);
    EXPECT_FALSE(window->engine().RangeChosen);
    const QPoint at = rowCentre(0);
    QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, at, table()->viewport()->mapToGlobal(at));
    QApplication::sendEvent(table()->viewport(), &menuEvent);
    ASSERT_NE(review().contextMenu(), nullptr);
    for (QAction* a : review().contextMenu()->actions())
        if (a->objectName() == QLatin1String("mnuReviewArtifact")) EXPECT_FALSE(a->isEnabled());
    review().contextMenu()->close();
}

TEST_F(ReviewTest, TheContextMenuConfirmsRejectsAndClearsAReviewOfAReaction) {
    const std::int32_t reaction = reactionRecord();
    const int row = rowOfKind(QStringLiteral("Reaction"));
    ASSERT_GE(row, 0);
    const QString detected = table()->model()->index(row, 3).data().toString();
    const QPoint onset(*strip().columnOfRecord(reaction), 0);
    struct Step {
        const char* item;
        std::vector<MarkKind> inFile;
        const char* suffix;
        bool struck;
        bool filledOnStrip;
    };
    const Step steps[] = {
        {"mnuReviewReject", {MarkKind::Rejected}, " (rejected)", true, false},
        {"mnuReviewConfirm", {MarkKind::Confirmed}, " (confirmed)", false, true},
        {"mnuReviewReject", {MarkKind::Rejected}, " (rejected)", true, false},
        {"mnuReviewClear", {}, "", false, true},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.item);
        chooseFromRowMenu(row, s.item);
        std::vector<MarkKind> kinds;
        for (const ReviewMark& m : fileMarks()) {
            EXPECT_EQ(m.record, reaction);
            kinds.push_back(m.kind);
        }
        EXPECT_EQ(kinds, s.inFile);
        const QModelIndex text = table()->model()->index(row, 3);
        EXPECT_EQ(text.data().toString(), detected + QString::fromLatin1(s.suffix));
        EXPECT_EQ(text.data(Qt::FontRole).value<QFont>().strikeOut(), s.struck);
        // The onset mark at the bottom of the plot: filled red, or only its outline.
        const QImage strip = this->strip().grab().toImage();
        const int y = strip.height() - 1;
        int redCentre = 0;
        for (int dy = 0; dy < strip.height(); ++dy)
            if (QColor(strip.pixel(onset.x(), y - dy)) == QColor(204, 0, 0)) ++redCentre;
        EXPECT_EQ(redCentre > 4, s.filledOnStrip) << redCentre;
    }
    // Each review was one change: four undos take the list back to the start.
    for (int i = 0; i < 4; ++i)
        keyToWindow(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_TRUE(fileMarks().empty());
    EXPECT_EQ(table()->model()->index(row, 3).data().toString(), detected);
}

TEST_F(ReviewTest, EnterAndDoubleClickEditANoteDeleteRemovesItUndoBringsItBack) {
    keyToWindow(Qt::Key_N);
    typeNote(QStringLiteral("first"));
    const std::int32_t at = fileMarks().at(0).record;
    const int row = rowOfKind(QStringLiteral("Note"));
    clickRow(row);
    table()->setFocus();
    // Enter on the note's row edits its text.
    QTest::keyClick(table(), Qt::Key_Return);
    ASSERT_TRUE(review().editor().isVisible());
    EXPECT_EQ(review().editor().textBox()->toPlainText(), QStringLiteral("first"));
    typeNote(QStringLiteral("second"));
    EXPECT_EQ(fileMarks(), std::vector<ReviewMark>{note(at, "second")});
    // A double-click edits too; Escape leaves the text as it was.
    // (through the window, which sends the presses and releases a double-click is made of).
    QTest::mouseDClick(window->windowHandle(), Qt::LeftButton, Qt::NoModifier,
                       table()->viewport()->mapTo(window.get(), rowCentre(row)));
    ASSERT_TRUE(review().editor().isVisible());
    QTest::keyClicks(editorFocus(), QStringLiteral("xyz"));
    QTest::keyClick(editorFocus(), Qt::Key_Escape);
    EXPECT_FALSE(review().editor().isVisible());
    EXPECT_EQ(fileMarks(), std::vector<ReviewMark>{note(at, "second")});
    // The window has the keys again.
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    // Delete on the row removes the note; the rows of events stay.
    table()->setFocus();
    table()->setCurrentIndex(table()->model()->index(row, 0));
    QTest::keyClick(table(), Qt::Key_Delete);
    EXPECT_TRUE(fileMarks().empty());
    EXPECT_EQ(table()->model()->rowCount(),
              static_cast<int>(window->navigator().events().size()));
    // Undo and redo, also from the list's context menu.
    chooseFromRowMenu(0, "mnuReviewUndo");
    EXPECT_EQ(fileMarks(), std::vector<ReviewMark>{note(at, "second")});
    chooseFromRowMenu(0, "mnuReviewRedo");
    EXPECT_TRUE(fileMarks().empty());
    keyToWindow(Qt::Key_Z, Qt::ControlModifier);
    keyToWindow(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(fileMarks(), std::vector<ReviewMark>{note(at, "first")});
}

TEST_F(ReviewTest, AReactionAddedByHandIsListedAndDeleted) {
    ASSERT_TRUE(window->engine().goToRecord(2200));
    chooseFromRowMenu(0, "mnuReviewAddReaction");
    EXPECT_EQ(fileMarks(), (std::vector<ReviewMark>{{2200, 2200, MarkKind::Added, ""}}));
    const int row = rowOfKind(QStringLiteral("Reaction"), rowOfKind(QStringLiteral("Reaction")) + 1);
    ASSERT_GE(row, 0);
    EXPECT_EQ(table()->model()->index(row, 3).data().toString(), QStringLiteral("added by hand"));
    chooseFromRowMenu(row, "mnuReviewDelete");
    EXPECT_TRUE(fileMarks().empty());
}

TEST_F(ReviewTest, CtrlArrowsStopAtNotesAsAtEvents) {
    window->close();
    window.reset();
    ReviewNotes notes;
    notes.marks = {note(300, "a"), note(2500, "b"), {1500, 1500, MarkKind::Confirmed, ""}};
    writeText(notesFile(), notesText(notes));
    createWindow();
    start();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    load("rev001");
    const std::int32_t reaction = reactionRecord();
    ASSERT_GT(reaction, 300);
    ASSERT_LT(reaction, 2500);
    std::vector<std::int32_t> stops;
    for (int i = 0; i < 4; ++i) {
        keyToWindow(Qt::Key_Right, Qt::ControlModifier);
        stops.push_back(rec().LoopStartRecord);
    }
    EXPECT_EQ(stops, (std::vector<std::int32_t>{300, reaction, 2500, 2500}));
    keyToWindow(Qt::Key_Left, Qt::ControlModifier);
    EXPECT_EQ(rec().LoopStartRecord, reaction);
}

TEST_F(ReviewTest, TheStripShowsANotesTextOverItsFlag) {
    ASSERT_TRUE(window->engine().goToRecord(1500));
    keyToWindow(Qt::Key_N);
    typeNote(QStringLiteral("look here"));
    const int x = *strip().columnOfRecord(1500);
    QTest::mouseMove(&strip(), QPoint(x + 2, 25));
    QTRY_VERIFY_WITH_TIMEOUT(QToolTip::isVisible(), 3000);
    EXPECT_TRUE(QToolTip::text().contains(QStringLiteral("look here"))) << QToolTip::text().toStdString();
    // Away from the flag the strip's own tip.
    QToolTip::hideText();
    QTRY_VERIFY_WITH_TIMEOUT(!QToolTip::isVisible(), 3000);
    QTest::mouseMove(&strip(), QPoint(x + 200, 25));
    QTRY_VERIFY_WITH_TIMEOUT(QToolTip::isVisible(), 3000);
    EXPECT_TRUE(QToolTip::text().startsWith(QStringLiteral("Session overview")))
        << QToolTip::text().toStdString();
}

// A folder that refuses new files (as a read-only one does), and a
// read-only notes file: the user is told once, the marks stay in the window,
// and the next change that can be written writes them all.
TEST_F(ReviewTest, MarksThatCannotBeWrittenStayAndAreWrittenWithTheNextChange) {
    struct Case {
        const char* name;
        bool readOnlyFile;
    };
    for (const Case c : {Case{"folder refuses new files", false}, Case{"read-only file", true}}) {
        SCOPED_TRACE(c.name);
        log.messages.clear();
        std::filesystem::remove(notesFile());
        ReviewNotes existing;
        if (c.readOnlyFile) {
            existing.marks = {note(100, "old")};
            writeText(notesFile(), notesText(existing));
            std::filesystem::permissions(notesFile(), std::filesystem::perms::owner_read);
        }
        load("rev001");
        const FileCalls saved = fileCalls();
        if (!c.readOnlyFile)
            fileCalls().open = [](const char* path, int flags, mode_t mode) {
                if (flags & O_CREAT) {
                    errno = EACCES;
                    return -1;
                }
                return systemFileCalls().open(path, flags, mode);
            };
        ASSERT_TRUE(window->engine().goToRecord(500));
        keyToWindow(Qt::Key_N);
        typeNote(QStringLiteral("kept"));
        ASSERT_TRUE(window->engine().goToRecord(600));
        keyToWindow(Qt::Key_N);
        typeNote(QStringLiteral("kept too"));
        fileCalls() = saved;
        ASSERT_EQ(log.messages.size(), 1u);
        EXPECT_NE(log.messages[0].text.find("could not be written to rev001.kvnotes"),
                  std::string::npos)
            << log.messages[0].text;
        EXPECT_NE(log.messages[0].text.find("They stay in the window"), std::string::npos);
        EXPECT_EQ(review().unwrittenChanges(), 4u);
        EXPECT_EQ(review().notes().marks.size(), existing.marks.size() + 2);
        EXPECT_EQ(c.readOnlyFile ? fileMarks() : std::vector<ReviewMark>{},
                  c.readOnlyFile ? existing.marks : std::vector<ReviewMark>{});
        if (!c.readOnlyFile) EXPECT_FALSE(std::filesystem::exists(notesFile()));

        if (c.readOnlyFile)
            std::filesystem::permissions(notesFile(), std::filesystem::perms::owner_read |
                                                          std::filesystem::perms::owner_write);
        ASSERT_TRUE(window->engine().goToRecord(700));
        keyToWindow(Qt::Key_N);
        typeNote(QStringLiteral("written"));
        std::vector<ReviewMark> expected = existing.marks;
        for (auto m : {note(500, "kept"), note(600, "kept too"), note(700, "written")})
            expected.push_back(m);
        EXPECT_EQ(fileMarks(), expected);
        EXPECT_EQ(review().notes().marks, expected);
        EXPECT_EQ(review().unwrittenChanges(), 0u);
        EXPECT_EQ(log.messages.size(), 1u);
    }
}

// A notes file the program cannot read is named at the load and never
// written over; lines it does not understand are named once and kept.
TEST_F(ReviewTest, ANotesFileItCannotReadIsNeverWrittenLinesNotUnderstoodAreKept) {
    struct Case {
        const char* name;
        std::string file;
        const char* atLoad;  // in the message shown at the load
        bool writtenOver;    // the next mark is written
    };
    const Case cases[] = {
        {"a newer version", "kvnotes 9\n10\t10\tnote\tfrom the future\n", "could not be read",
         false},
        {"a line not understood", "kvnotes 1\n10\t10\twhatever\tx\n20\t20\tnote\tknown\n",
         "were not understood", true},
    };
    std::int32_t at = 500;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        log.messages.clear();
        writeText(notesFile(), c.file);
        load("rev001");
        ASSERT_FALSE(log.messages.empty());
        EXPECT_NE(log.messages[0].text.find(c.atLoad), std::string::npos) << log.messages[0].text;
        const std::size_t shown = review().notes().marks.size();
        ASSERT_TRUE(window->engine().goToRecord(at += 100));
        keyToWindow(Qt::Key_N);
        typeNote(QStringLiteral("mine"));
        EXPECT_EQ(review().notes().marks.size(), shown + 1);
        const std::string after = readText(notesFile());
        if (c.writtenOver) {
            EXPECT_NE(after.find("10\t10\twhatever\tx\n"), std::string::npos) << after;
            EXPECT_NE(after.find("mine"), std::string::npos) << after;
            EXPECT_EQ(log.messages.size(), 1u);
        } else {
            EXPECT_EQ(after, c.file);
            EXPECT_EQ(review().unwrittenChanges(), 2u);
        }
    }
}

TEST_F(ReviewTest, TheFileHoldsWhatTheWindowShowedAfterItCloses) {
    ASSERT_TRUE(window->engine().goToRecord(400));
    keyToWindow(Qt::Key_N);
    typeNote(QStringLiteral("one"));
    ASSERT_TRUE(window->engine().goToRecord(800));
    keyToWindow(Qt::Key_N);
    typeNote(QStringLiteral("two"));
    chooseFromRowMenu(rowOfKind(QStringLiteral("Reaction")), "mnuReviewReject");
    keyToWindow(Qt::Key_Z, Qt::ControlModifier);
    chooseFromRowMenu(rowOfKind(QStringLiteral("Reaction")), "mnuReviewConfirm");
    const std::vector<ReviewMark> shown = review().notes().marks;
    ASSERT_EQ(shown.size(), 3u);
    window->close();
    window.reset();
    EXPECT_TRUE(log.yesNoAnswers.empty());
    EXPECT_EQ(fileMarks(), shown);
}

TEST_F(ReviewTest, ALoadAFailedLoadOrAnotherRecordingShowsOnlyItsOwnMarks) {
    keyToWindow(Qt::Key_N);
    typeNote(QStringLiteral("of rev001"));
    ASSERT_TRUE(window->engine().goToRecord(900));
    keyToWindow(Qt::Key_N);
    typeNote(QStringLiteral("undone"));
    keyToWindow(Qt::Key_Z, Qt::ControlModifier); // leaves a change to redo
    ASSERT_EQ(fileMarks().size(), 1u);
    writePair("other001", recordsWithAReaction());
    for (const char* name : {"missing001", "other001", "rev001"}) {
        SCOPED_TRACE(name);
        window->openChosenFile(dir.file(std::string(name) + ".kvd"));
        const bool own = std::string(name) == "rev001";
        EXPECT_EQ(rowOfKind(QStringLiteral("Note")) >= 0, own);
        EXPECT_EQ(review().notes().marks.size(), own ? 1u : 0u);
        // Undo and redo belong to the recording their changes were made on.
        keyToWindow(Qt::Key_Z, Qt::ControlModifier);
        keyToWindow(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        EXPECT_EQ(fileMarks("rev001").size(), 1u);
        EXPECT_FALSE(std::filesystem::exists(notesFile("other001")));
    }
}

} // namespace
} // namespace kv::test
