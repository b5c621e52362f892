// The session overview strip, the event list and the next/previous-event
// keys in the real window, driven with real mouse and key events.
#include "EventListPanel.h"
#include "OverviewWidget.h"
#include "PlayerFixture.h"
#include "SessionNavigator.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QWheelEvent>

namespace kv::test {
namespace {

constexpr int kRecords = 3000;                            // one minute
constexpr std::int32_t kTagRecords[] = {501, 1476, 2501}; // 10 s, 29.5 s, 50 s

class NavigatorTest : public PlayerWindowTest {
protected:
    void SetUp() override {
        writeText(dir.file("kv_Player.ini"), "[Player]\nShowOverview=True\nShowEventList="
                                             "True\nEventKinds=tag,set,motion,base,reaction\n");
        start();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        auto recs = plainRecords(kRecords);
        int number = 1;
        for (std::int32_t r : kTagRecords) {
            SampleRecord& t = recs[static_cast<std::size_t>(r - 1)];
            t.MarkType = 'T';
            t.MarkData = {static_cast<std::uint8_t>(number++), 0, 0, 0};
        }
        ASSERT_FALSE(writeKvdFile(dir.file("tags001.kvd"), recs));
        writeText(dir.file("tags001.mp3"), "ID3");
        window->openChosenFile(dir.file("tags001.kvd"));
        ASSERT_TRUE(window->isLoaded());
    }
    OverviewWidget& strip() { return window->navigator().overview(); }
    EventListPanel& list() { return window->navigator().eventList(); }
    const RecordingFile& rec() { return *window->recording(); }
    QPoint at(int x) { return QPoint(x, strip().height() / 2); }
    // A double-click as the window system delivers it: press, release, press, release.
    void doubleClickStrip(int x) {
        QTest::mouseDClick(window->windowHandle(), Qt::LeftButton, Qt::NoModifier,
                           strip().mapTo(window.get(), at(x)));
        QTest::qWait(QApplication::doubleClickInterval() + 100);
    }
    // A click on the strip acts once no second press has made it a double-click.
    void clickStrip(int x) {
        QTest::mouseClick(&strip(), Qt::LeftButton, Qt::NoModifier, at(x));
        QTest::qWait(QApplication::doubleClickInterval() + 100);
    }
    void wheel(int x, int notches, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        const QPointF pos(x, strip().height() / 2.0);
        QWheelEvent e(pos, strip().mapToGlobal(pos), QPoint(), QPoint(0, 120 * notches),
                      Qt::NoButton, mods, Qt::NoScrollPhase, false);
        QApplication::sendEvent(&strip(), &e);
    }
    void playFromStart() {
        press(Qt::Key_P);
        run(1.2); // the PLAY banner, then records
        ASSERT_EQ(window->engine().TransportState, 1);
    }
    std::string ini() { return readText(dir.file("kv_Player.ini")); }
};

TEST_F(NavigatorTest, TheStripSitsUnderTheBarAndItsMenuItemHidesItAndIsSaved) {
    QWidget* bar = window->findChild<QWidget*>(QStringLiteral("picFilePosition"));
    ASSERT_TRUE(strip().isVisible());
    EXPECT_GE(strip().y(), bar->geometry().bottom());
    EXPECT_GE(button("cmdPlay")->y(), strip().geometry().bottom());
    EXPECT_EQ(strip().width(), bar->width());

    auto* show = window->findChild<QAction*>(QStringLiteral("mnuViewOverview"));
    ASSERT_NE(show, nullptr);
    show->trigger();
    EXPECT_FALSE(strip().isVisible());
    EXPECT_EQ(button("cmdPlay")->y(), 28); // the described layout again
    EXPECT_NE(ini().find("ShowOverview=False"), std::string::npos);
    show->trigger();
    EXPECT_TRUE(strip().isVisible());
    EXPECT_NE(ini().find("ShowOverview=True"), std::string::npos);

    // The list's menu item hides it and is saved; the window going away is no choice.
    auto* listItem = window->findChild<QAction*>(QStringLiteral("mnuViewEventList"));
    ASSERT_NE(listItem, nullptr);
    QWidget* panel = window->findChild<QWidget*>(QStringLiteral("picMeterPanel"));
    const int besideList = panel->width();
    listItem->trigger();
    EXPECT_FALSE(list().isVisible());
    EXPECT_NE(ini().find("ShowEventList=False"), std::string::npos);
    QApplication::processEvents(); // the window's layout gives the list's room back
    EXPECT_GT(panel->width(), besideList + 100);
    EXPECT_EQ(strip().width(), panel->width() - 26);
    listItem->trigger();
    EXPECT_TRUE(list().isVisible());
    QApplication::processEvents();
    EXPECT_EQ(panel->width(), besideList);
    window->close();
    window.reset();
    EXPECT_NE(ini().find("ShowEventList=True"), std::string::npos);
    EXPECT_NE(ini().find("ShowOverview=True"), std::string::npos);
}

TEST_F(NavigatorTest, ClicksAndDragsOnTheStripChooseTheRangeAndJumpAsTheBarDoes) {
    // Stopped: a drag chooses the range from the press to the release.
    const int x0 = strip().width() / 4, x1 = strip().width() / 2;
    QTest::mousePress(&strip(), Qt::LeftButton, Qt::NoModifier, at(x0));
    QTest::mouseMove(&strip(), at(x1));
    QTest::mouseRelease(&strip(), Qt::LeftButton, Qt::NoModifier, at(x1));
    EXPECT_EQ(rec().LoopStartRecord, strip().recordAt(x0));
    EXPECT_EQ(rec().LoopEndRecord, strip().recordAt(x1));
    EXPECT_NEAR(rec().LoopStartRecord, kRecords / 4, kRecords / strip().width() + 1);
    EXPECT_EQ(window->engine().LoopStartX, window->engine().xOfRecord(rec().LoopStartRecord));

    // A click lets the range run from there to the end.
    const int x2 = strip().width() / 8;
    clickStrip(x2);
    EXPECT_EQ(rec().LoopStartRecord, strip().recordAt(x2));
    EXPECT_EQ(rec().LoopEndRecord, kRecords);

    // Playing: a click inside the range jumps there, sound included.
    playFromStart();
    const int x3 = strip().width() * 3 / 4;
    clickStrip(x3);
    const std::int32_t target = strip().recordAt(x3);
    EXPECT_EQ(window->engine().RecordCursor, target);
    EXPECT_EQ(audio.commands.back(),
              "play WavFile from " + std::to_string(rec().record(target).TimeMs));
    run(0.5);
    EXPECT_GE(window->engine().RecordCursor, target);
    // ... and one outside it does nothing, as on the bar.
    const std::int32_t before = window->engine().RecordCursor;
    clickStrip(2);
    EXPECT_GE(window->engine().RecordCursor, before);
}

TEST_F(NavigatorTest, TheWheelZoomsAboutThePointerShiftDragPansDoubleClickShowsAll) {
    const int x = strip().width() / 3;
    const std::int32_t under = strip().recordAt(x);
    wheel(x, 2);
    const OverviewMapping zoomed = strip().mapping();
    EXPECT_LT(zoomed.count(), kRecords * 0.7);
    // The record under the pointer stays under it, within one column.
    EXPECT_NEAR(strip().recordAt(x), under, zoomed.count() / zoomed.width + 1);
    for (int i = 0; i < 30; ++i)
        wheel(x, 1);
    EXPECT_EQ(strip().mapping().count(), OverviewWidget::kMinSpanRecords); // 10 s across at most
    EXPECT_NEAR(strip().recordAt(x), under, 2);

    // Shift+drag to the left moves later records into view.
    const std::int32_t first = strip().mapping().first;
    QTest::mousePress(&strip(), Qt::LeftButton, Qt::ShiftModifier, at(x + 100));
    QTest::mouseMove(&strip(), at(x));
    QTest::mouseRelease(&strip(), Qt::LeftButton, Qt::ShiftModifier, at(x));
    EXPECT_GT(strip().mapping().first, first);
    EXPECT_EQ(strip().mapping().count(), OverviewWidget::kMinSpanRecords);
    EXPECT_EQ(rec().LoopStartRecord, 1); // panning chose no range

    // The clicks go to the zoomed span's records.
    clickStrip(x);
    EXPECT_EQ(rec().LoopStartRecord, strip().mapping().firstRecordOf(x) + 1);

    QTest::mouseDClick(&strip(), Qt::LeftButton, Qt::NoModifier, at(x));
    EXPECT_EQ(strip().mapping().first, 0);
    EXPECT_EQ(strip().mapping().last, kRecords - 1);
    // Wheeling out never shows more than the recording.
    wheel(x, -5);
    EXPECT_EQ(strip().mapping().count(), kRecords);
}

TEST_F(NavigatorTest, ADoubleClickOnTheStripOnlyShowsTheWholeRecording) {
    const int x = strip().width() / 3;
    wheel(x, 3);
    ASSERT_LT(strip().mapping().count(), kRecords);
    // Stopped: the range keeps its start.
    doubleClickStrip(x);
    EXPECT_EQ(strip().mapping().count(), kRecords);
    EXPECT_EQ(rec().LoopStartRecord, 1);
    EXPECT_EQ(rec().LoopEndRecord, kRecords);

    // Playing: no jump.
    playFromStart();
    wheel(strip().width() / 2, 3);
    const std::int32_t before = window->engine().RecordCursor;
    const std::size_t sent = audio.commands.size();
    doubleClickStrip(strip().width() * 3 / 4);
    EXPECT_EQ(strip().mapping().count(), kRecords);
    EXPECT_LT(window->engine().RecordCursor - before, 50);
    for (std::size_t i = sent; i < audio.commands.size(); ++i)
        EXPECT_EQ(audio.commands[i].rfind("play WavFile from", 0), std::string::npos);
}

TEST_F(NavigatorTest, TheEventListJumpsFiltersAndFollowsPlayback) {
    QTableView* table = list().table();
    ASSERT_TRUE(list().isVisible());
    // Only tags: untick every other kind with the mouse.
    for (const char* kind : {"set", "motion", "base", "reaction"}) {
        auto* box =
            list().findChild<QCheckBox*>(QStringLiteral("chkEventKind_") + QLatin1String(kind));
        ASSERT_NE(box, nullptr);
        if (box->isChecked())
            QTest::mouseClick(box, Qt::LeftButton, Qt::NoModifier, QPoint(4, box->height() / 2));
        EXPECT_FALSE(box->isChecked());
    }
    ASSERT_EQ(table->model()->rowCount(), 3);
    EXPECT_NE(ini().find("EventKinds=tag"), std::string::npos);
    EXPECT_EQ(table->model()->index(1, 3).data().toString(), QStringLiteral("tag 2"));
    EXPECT_EQ(table->model()->index(1, 0).data().toString(), QStringLiteral("00:29"));

    // A click on a row goes there: stopped, the range starts at the event.
    const QRect row1 = table->visualRect(table->model()->index(1, 0));
    QTest::mouseClick(table->viewport(), Qt::LeftButton, Qt::NoModifier, row1.center());
    EXPECT_EQ(rec().LoopStartRecord, kTagRecords[1]);
    EXPECT_EQ(rec().LoopEndRecord, kRecords);

    // Down and Enter on the focused list go to the next row's event; the
    // player's own keys do not take them.
    table->setFocus();
    QTest::keyClick(table, Qt::Key_Down);
    QTest::keyClick(table, Qt::Key_Return);
    EXPECT_EQ(rec().LoopStartRecord, kTagRecords[2]);

    // While playing, the row of the event just passed is highlighted.
    QTest::mouseClick(table->viewport(), Qt::LeftButton, Qt::NoModifier,
                      table->visualRect(table->model()->index(0, 0)).center());
    EXPECT_EQ(rec().LoopStartRecord, kTagRecords[0]);
    // P still plays with the list focused: only the list's own keys stay in it.
    ASSERT_EQ(focused(), table);
    playFromStart();
    EXPECT_EQ(list().model().highlighted(), std::optional<int>(0));
    run(20.5);
    EXPECT_GT(window->engine().RecordCursor, kTagRecords[1]);
    EXPECT_EQ(list().model().highlighted(), std::optional<int>(1));
    EXPECT_TRUE(table->model()->index(1, 0).data(Qt::BackgroundRole).isValid());
    EXPECT_FALSE(table->model()->index(0, 0).data(Qt::BackgroundRole).isValid());
}

TEST_F(NavigatorTest, CtrlArrowsGoToTheNextAndPreviousEventOfTheShownKinds) {
    QWidget* target = focused();
    QTest::keyClick(target, Qt::Key_Right, Qt::ControlModifier);
    EXPECT_EQ(rec().LoopStartRecord, kTagRecords[0]);
    QTest::keyClick(focused(), Qt::Key_Right, Qt::ControlModifier);
    EXPECT_EQ(rec().LoopStartRecord, kTagRecords[1]);
    // The elapsed time is the event's, as the list gives it.
    EXPECT_EQ(window->findChild<QLabel*>(QStringLiteral("lblPlayTime"))->text(),
              QStringLiteral("00:29"));
    QTest::keyClick(focused(), Qt::Key_Left, Qt::ControlModifier);
    EXPECT_EQ(rec().LoopStartRecord, kTagRecords[0]);
    EXPECT_EQ(rec().LoopEndRecord, kRecords);

    // Playing from the first tag: the next one is a jump of the sound too.
    playFromStart();
    QTest::keyClick(focused(), Qt::Key_Right, Qt::ControlModifier);
    EXPECT_EQ(window->engine().RecordCursor, kTagRecords[1]);
    EXPECT_EQ(audio.commands.back(),
              "play WavFile from " + std::to_string(rec().record(kTagRecords[1]).TimeMs));

    // Tags hidden from the list: the keys skip them (no other events here).
    auto* tags = list().findChild<QCheckBox*>(QStringLiteral("chkEventKind_tag"));
    QTest::mouseClick(tags, Qt::LeftButton, Qt::NoModifier, QPoint(4, tags->height() / 2));
    const std::int32_t before = window->engine().RecordCursor;
    const std::size_t commands = audio.commands.size();
    QTest::keyClick(focused(), Qt::Key_Right, Qt::ControlModifier);
    // No event shown: no jump either way, the sound is not moved.
    EXPECT_GE(window->engine().RecordCursor, before);
    EXPECT_LT(window->engine().RecordCursor, before + 10);
    for (std::size_t i = commands; i < audio.commands.size(); ++i)
        EXPECT_EQ(audio.commands[i].rfind("play WavFile from", 0), std::string::npos);
}

// While playing, Ctrl+Left up to half a second (25 records) after an event goes
// to the event before it; later, to the event just passed.
TEST_F(NavigatorTest, CtrlLeftJustAfterAnEventWhilePlayingGoesToTheOneBefore) {
    playFromStart();
    struct Case {
        std::int32_t after; // records past the second tag
        std::int32_t expected;
    };
    for (const Case c :
         {Case{1, kTagRecords[0]}, Case{24, kTagRecords[0]}, Case{25, kTagRecords[0]},
          Case{26, kTagRecords[1]}, Case{200, kTagRecords[1]}}) {
        ASSERT_TRUE(window->engine().goToRecord(kTagRecords[1] + c.after));
        QTest::keyClick(focused(), Qt::Key_Left, Qt::ControlModifier);
        EXPECT_EQ(window->engine().RecordCursor, c.expected) << c.after;
    }
}

TEST_F(NavigatorTest, ExportEventsWritesTheToolsTableOfTheShownKinds) {
    log.fileAnswers.push_back(dir.file("out"));
    auto* exportButton = list().findChild<QPushButton*>(QStringLiteral("cmdExportEvents"));
    ASSERT_NE(exportButton, nullptr);
    QTest::mouseClick(exportButton, Qt::LeftButton);
    ASSERT_EQ(log.fileRequests.size(), 1u);
    EXPECT_EQ(log.fileRequests[0].fileName, "tags001_events.csv");
    // The dialog adds the suffix to a typed name; here the answer is the name itself.
    EXPECT_EQ(readText(dir.file("out")),
              "record,time_ms,clock,kind,value,text\n501,10000,,tag,1,tag 1\n"
              "1476,29500,,tag,2,tag 2\n2501,50000,,tag,3,tag 3\n");

    // A target that cannot be written is a message, not a silent failure.
    std::filesystem::create_directory(dir.file("folder.csv"));
    log.fileAnswers.push_back(dir.file("folder.csv"));
    QTest::mouseClick(exportButton, Qt::LeftButton);
    ASSERT_FALSE(log.messages.empty());
    EXPECT_NE(log.messages.back().text.find("could not be written"), std::string::npos);
}

TEST_F(NavigatorTest, ExportEventsNeverWritesOverTheLoadedRecording) {
    const std::string data = readText(dir.file("tags001.kvd"));
    auto* exportButton = list().findChild<QPushButton*>(QStringLiteral("cmdExportEvents"));
    ASSERT_NE(exportButton, nullptr);
    for (const std::string& target : {dir.file("tags001.kvd"), dir.path() + "/./tags001.mp3"}) {
        SCOPED_TRACE(target);
        log.messages.clear();
        log.fileAnswers.push_back(target);
        QTest::mouseClick(exportButton, Qt::LeftButton);
        ASSERT_EQ(log.messages.size(), 1u);
        EXPECT_NE(log.messages[0].text.find("belongs to the loaded recording"), std::string::npos)
            << log.messages[0].text;
    }
    EXPECT_EQ(readText(dir.file("tags001.kvd")), data);
    EXPECT_EQ(readText(dir.file("tags001.mp3")), "ID3");
}

TEST_F(NavigatorTest, PlayingRepaintsTheStripOnlyWhenTheCursorChangesColumn) {
    playFromStart();
    const int repaints = strip().repaintRequests();
    const int builds = strip().pictureBuilds();
    run(10);
    // 500 records passed over about width/6 columns: each column change
    // repaints two narrow strips, nothing else; the picture is not rebuilt.
    const int columnsPassed = strip().width() * 500 / kRecords + 2;
    EXPECT_LE(strip().repaintRequests() - repaints, 2 * columnsPassed);
    EXPECT_GT(strip().repaintRequests() - repaints, 0);
    EXPECT_EQ(strip().pictureBuilds(), builds);

    // Paused: nothing at all.
    press(Qt::Key_P);
    run(0.5);
    const int paused = strip().repaintRequests();
    run(3);
    EXPECT_EQ(strip().repaintRequests(), paused);
}

} // namespace
} // namespace kv::test
