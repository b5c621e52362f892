// The event list's search box, its count, several rows chosen at once and
// Ctrl+C, through keys to the focused widget and clicks on the rows.
#include "EventListSearch.h"
#include "EventListPanel.h"
#include "PlayerFixture.h"
#include "SessionNavigator.h"

#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>
#include <QTest>

namespace kv::test {
namespace {

constexpr std::int32_t kTagRecords[] = {501, 1476, 2501, 2801}; // 10 s, 29.5 s, 50 s, 56 s

class EventListSearchTest : public PlayerWindowTest {
protected:
    void SetUp() override {
        writeText(dir.file("kv_Player.ini"), "[Player]\nShowEventList=True\nEventKinds=tag\n");
        start();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        auto recs = plainRecords(3000);
        const int numbers[] = {1, 2, 12, 3};
        for (std::size_t i = 0; i < std::size(kTagRecords); ++i) {
            SampleRecord& t = recs[static_cast<std::size_t>(kTagRecords[i] - 1)];
            t.MarkType = 'T';
            t.MarkData = {static_cast<std::uint8_t>(numbers[i]), 0, 0, 0};
        }
        // The counter moves once: an event of a kind the list does not show.
        for (std::size_t i = 1000; i < recs.size(); ++i)
            recs[i].BdCount = 8;
        writePair("tags001", recs);
        window->openChosenFile(dir.file("tags001.kvd"));
        ASSERT_TRUE(window->isLoaded());
        ASSERT_TRUE(table()->isVisible());
    }
    EventListPanel& list() { return window->navigator().eventList(); }
    QTableView* table() { return list().table(); }
    QLineEdit* box() { return list().findChild<QLineEdit*>(QStringLiteral("txtEventSearch")); }
    QString count() { return list().findChild<QLabel*>(QStringLiteral("lblEventCount"))->text(); }
    QStringList shownTexts() {
        QStringList texts;
        for (int r = 0; r < table()->model()->rowCount(); ++r)
            texts << table()->model()->index(r, 3).data().toString();
        return texts;
    }
    void clickRow(int row, Qt::KeyboardModifiers mods = {}) {
        QTest::mouseClick(table()->viewport(), Qt::LeftButton, mods,
                          table()->visualRect(table()->model()->index(row, 2)).center());
    }
    std::int32_t rangeStart() { return window->recording()->LoopStartRecord; }
};

TEST_F(EventListSearchTest, CtrlFSearchesTheRowsAndTheCountSaysHowManyShow) {
    const int all = list().model().eventCount();
    ASSERT_EQ(all, 5); // four tags and the counter
    EXPECT_EQ(count(), QStringLiteral("4 of 5 events"));

    table()->setFocus(Qt::TabFocusReason);
    QTest::keyClick(table(), Qt::Key_F, Qt::ControlModifier);
    ASSERT_EQ(QApplication::focusWidget(), box());

    // Typed into the box, not taken by the player's keys (C switches the counter).
    const bool counter = window->meter().BdEnabled;
    QTest::keyClicks(box(), QStringLiteral("c"));
    EXPECT_EQ(window->meter().BdEnabled, counter);
    EXPECT_EQ(table()->model()->rowCount(), 0);
    QTest::keyClick(box(), Qt::Key_Backspace);
    QTest::keyClicks(box(), QStringLiteral("Tag 1"));
    EXPECT_EQ(box()->text(), QStringLiteral("Tag 1"));
    EXPECT_EQ(shownTexts(), (QStringList{QStringLiteral("tag 1"), QStringLiteral("tag 12")}));
    EXPECT_EQ(count(), QStringLiteral("2 of 5 events"));

    // Any column: the session time finds the row too.
    QTest::keyClick(box(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(box(), QStringLiteral("00:29"));
    EXPECT_EQ(shownTexts(), QStringList{QStringLiteral("tag 2")});

    // Enter moves on to the rows found, and Enter there goes to the event.
    QTest::keyClick(box(), Qt::Key_Return);
    ASSERT_EQ(QApplication::focusWidget(), table());
    QTest::keyClick(table(), Qt::Key_Return);
    EXPECT_EQ(rangeStart(), kTagRecords[1]);

    // Nothing found: no rows, and the count says so.
    QTest::keyClick(table(), Qt::Key_F, Qt::ControlModifier);
    QTest::keyClicks(box(), QStringLiteral("reaction"));
    EXPECT_EQ(table()->model()->rowCount(), 0);
    EXPECT_EQ(count(), QStringLiteral("0 of 5 events"));
    // An emptied box shows the kinds' rows again.
    QTest::keyClick(box(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(box(), Qt::Key_Backspace);
    EXPECT_EQ(table()->model()->rowCount(), 4);
    EXPECT_EQ(count(), QStringLiteral("4 of 5 events"));
}

TEST_F(EventListSearchTest, CtrlCCopiesTheChosenRowsAsTabSeparatedTextWithAHeader) {
    QGuiApplication::clipboard()->setText(QStringLiteral("before"));
    table()->setFocus(Qt::TabFocusReason);
    QTest::keyClick(table(), Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("before")); // nothing chosen

    clickRow(0); // a plain click still goes to the row
    EXPECT_EQ(rangeStart(), kTagRecords[0]);
    clickRow(2, Qt::ShiftModifier);   // rows 0 to 2, going nowhere
    clickRow(1, Qt::ControlModifier); // and row 1 left out again
    EXPECT_EQ(rangeStart(), kTagRecords[0]);
    QTest::keyClick(table(), Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(),
              QStringLiteral("Time\tTime of day\tKind\tEvent\n"
                             "00:10\t\tTag\ttag 1\n"
                             "00:50\t\tTag\ttag 12\n"));
    // The C of the key map did not act: the counter is as it was.
    EXPECT_FALSE(window->meter().BdEnabled);

    // Shift+Down from the current row widens the choice by keys alone.
    clickRow(2);
    QTest::keyClick(table(), Qt::Key_Down, Qt::ShiftModifier);
    QTest::keyClick(table(), Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(),
              QStringLiteral("Time\tTime of day\tKind\tEvent\n"
                             "00:50\t\tTag\ttag 12\n"
                             "00:56\t\tTag\ttag 3\n"));
}

} // namespace
} // namespace kv::test
