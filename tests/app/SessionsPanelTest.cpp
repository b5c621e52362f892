// The sessions panel in the real window: File > Open Folder, the rows as they
// come, sorting by a header click, the filter box, loading by double-click
// and Enter, the folder kept for the next start, and the faults of a folder
// or recording gone while the panel shows them.
#include "PdfText.h"
#include "PlayerFixture.h"
#include "SessionsModel.h"
#include "SessionsPanel.h"
#include "SessionsTrendView.h"
#include "TrendReport.h"

#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QTest>

#include <ctime>
#include <filesystem>
#include <sys/time.h>

namespace kv::test {
namespace {

namespace fs = std::filesystem;

// A recording of `seconds` with a clock mark (seconds after midnight), a
// date mark (day 1 is 1 January 2000) and tags a second apart.
std::vector<SampleRecord> session(int seconds, int clockSecs, int day, int tags = 0) {
    auto rs = plainRecords(seconds * 50);
    for (int t = 0; t < tags; ++t) {
        SampleRecord& r = rs[static_cast<std::size_t>(100 + t * 50)];
        r.MarkType = 'T';
        r.MarkData = {static_cast<std::uint8_t>(t + 1), 0, 0, 0};
    }
    rs[0].MarkType = 'C';
    rs[0].MarkData = {0, 0, static_cast<std::uint8_t>(clockSecs >> 8),
                      static_cast<std::uint8_t>(clockSecs & 0xFF)};
    rs[1].MarkType = 'D';
    rs[1].MarkData = {0, 0, static_cast<std::uint8_t>(day >> 8),
                      static_cast<std::uint8_t>(day & 0xFF)};
    return rs;
}

class SessionsPanelTest : public PlayerWindowTest {
protected:
    // Three sessions in folder "client" (one in a subfolder), a file that
    // fails the format check, and one without date or clock.
    void makeClient() {
        folder = dir.file("client");
        fs::create_directories(folder + "/june");
        struct S {
            const char* name;
            int seconds, clock, day, tags;
        };
        // Names, dates, lengths and tag counts in different orders, so that
        // each sort differs; 2, 9 and 10 tags sort otherwise as text.
        for (const S& s : {S{"beta", 30, 9 * 3600, 9000, 10}, S{"june/alpha", 10, 14 * 3600, 9002, 2},
                           S{"gamma", 20, 11 * 3600, 9001, 9}})
            writeSession(s.name, session(s.seconds, s.clock, s.day, s.tags));
        writeSession("nodate", plainRecords(250));
        // Dated by its file: the day after the last dated session, at noon.
        std::tm noon{};
        noon.tm_year = 2024 - 1900;
        noon.tm_mon = 7;
        noon.tm_mday = 24;
        noon.tm_hour = 12;
        noon.tm_isdst = -1;
        const timeval times[2] = {{std::mktime(&noon), 0}, {std::mktime(&noon), 0}};
        ASSERT_EQ(::utimes((folder + "/nodate.kvd").c_str(), times), 0);
        writeText(folder + "/broken.kvd", "not a recording");
    }
    void writeSession(const std::string& name, const std::vector<SampleRecord>& recs) {
        ASSERT_FALSE(writeKvdFile(folder + "/" + name + ".kvd", recs));
        writeText(folder + "/" + name + ".mp3", "ID3");
    }
    SessionsPanel& panel() { return *window->findChild<SessionsPanel*>(QStringLiteral("dockSessions")); }
    QTableView* table() { return panel().table(); }
    QAbstractItemModel* shown() { return table()->model(); }
    void startActive() {
        start();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }
    void openThroughTheMenu(const std::string& path) {
        log.fileAnswers.push_back(path);
        choose("mnuFile", "mnuFileOpenFolder");
        // The offscreen platform leaves the closed menu active.
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }
    void waitFilled() { ASSERT_TRUE(QTest::qWaitFor([&] { return panel().filled(); }, 20000)); }
    // The shown rows' texts in one column, top to bottom.
    std::vector<std::string> column(int c) {
        std::vector<std::string> out;
        for (int r = 0; r < shown()->rowCount(); ++r)
            out.push_back(shown()->index(r, c).data().toString().toStdString());
        return out;
    }
    int shownRow(const std::string& name) {
        for (int r = 0; r < shown()->rowCount(); ++r)
            if (shown()->index(r, SessionsModel::Recording).data().toString().toStdString() == name)
                return r;
        return -1;
    }
    QPoint cell(int row, int col = 0) { return table()->visualRect(shown()->index(row, col)).center(); }
    void doubleClickRow(const std::string& name) {
        const int r = shownRow(name);
        ASSERT_GE(r, 0) << name;
        table()->scrollTo(shown()->index(r, 0));
        // As the window system delivers it: press, release, press, release.
        QTest::mouseDClick(window->windowHandle(), Qt::LeftButton, {},
                           table()->viewport()->mapTo(window.get(), cell(r)));
        QTest::qWait(QApplication::doubleClickInterval() + 50);
    }
    void clickHeader(int c) {
        QHeaderView* h = table()->horizontalHeader();
        QTest::mouseClick(h->viewport(), Qt::LeftButton, {},
                          QPoint(h->sectionViewportPosition(c) + h->sectionSize(c) / 2,
                                 h->height() / 2));
    }
    std::string loadedName() {
        return window->recording() ? window->recording()->LoadedFileBase : std::string();
    }
    std::string ini() { return readText(dir.file("kv_Player.ini")); }

    std::string folder;
};

TEST_F(SessionsPanelTest, OpenFolderComesAfterTheReportItemsAndListsEveryRecordingFound) {
    makeClient();
    startActive();
    // Export Report, Print Report, then the folder's items.
    const QList<QAction*> items = window->menus().menu(QStringLiteral("mnuFile"))->actions();
    const auto report = std::find(items.begin(), items.end(), item("mnuFileExportReport"));
    ASSERT_GT(items.end() - report, 2);
    EXPECT_EQ(*(report + 1), item("mnuFilePrintReport"));
    EXPECT_EQ(*(report + 2), item("mnuFileOpenFolder"));
    EXPECT_EQ(item("mnuFileOpenFolder")->text(), QStringLiteral("Open &Folder\u2026"));
    EXPECT_FALSE(panel().isVisible()); // the window without a folder is as before

    openThroughTheMenu(folder);
    ASSERT_EQ(log.fileRequests.back().title, "Open Folder");
    EXPECT_TRUE(panel().isVisible());
    waitFilled();
    ASSERT_EQ(shown()->rowCount(), 5);
    // Sorted by date from the start; the one without a date mark is dated by its file.
    const auto names = column(SessionsModel::Recording);
    EXPECT_EQ(std::vector<std::string>(names.begin(), names.begin() + 3),
              (std::vector<std::string>{"beta.kvd", "gamma.kvd", "june/alpha.kvd"}));
    const int nodate = shownRow("nodate.kvd");
    ASSERT_GE(nodate, 0);
    EXPECT_EQ(shown()->index(nodate, SessionsModel::Date).data().toString(),
              QStringLiteral("2024-08-24 (date from the file)"));
    EXPECT_EQ(shown()->index(nodate, SessionsModel::TimeOfDay).data().toString(),
              QStringLiteral("12:00:00"));
    EXPECT_EQ(shown()->index(4, SessionsModel::Recording).data().toString(),
              QStringLiteral("broken.kvd")); // dated now by its file
    const int alpha = shownRow("june/alpha.kvd");
    EXPECT_EQ(shown()->index(alpha, SessionsModel::Date).data().toString(),
              QStringLiteral("2024-08-23"));
    EXPECT_EQ(shown()->index(alpha, SessionsModel::TimeOfDay).data().toString(),
              QStringLiteral("14:00:00"));
    EXPECT_EQ(shown()->index(alpha, SessionsModel::Duration).data().toString(),
              QStringLiteral("0:00:10"));
    // A row that is not ok says why in its tool tip; an ok row has none.
    const int broken = shownRow("broken.kvd");
    ASSERT_GE(broken, 0);
    const QModelIndex status = shown()->index(broken, SessionsModel::Status);
    EXPECT_EQ(status.data().toString(), QStringLiteral("format"));
    EXPECT_TRUE(status.data(Qt::ToolTipRole).toString().startsWith(QStringLiteral("format: ")));
    EXPECT_GT(status.data(Qt::ToolTipRole).toString().size(), 10);
    const auto* label = panel().findChild<QLabel*>(QStringLiteral("lblSessionsStatus"));
    EXPECT_TRUE(label->text().startsWith(QStringLiteral("5 recordings, ")));
    // The folder is kept for the next start.
    EXPECT_NE(ini().find("SessionsFolder=" + folder), std::string::npos);
    EXPECT_NE(ini().find("ShowSessions=True"), std::string::npos);
}

TEST_F(SessionsPanelTest, AHeaderClickSortsByWhatTheColumnHolds) {
    makeClient();
    startActive();
    openThroughTheMenu(folder);
    waitFilled();
    fs::remove(folder + "/broken.kvd");
    fs::remove(folder + "/nodate.kvd");
    openThroughTheMenu(folder);
    waitFilled();
    ASSERT_EQ(shown()->rowCount(), 3);
    const struct {
        int column;
        std::vector<std::string> ascending; // by Recording
    } cases[] = {
        {SessionsModel::Duration, {"june/alpha.kvd", "gamma.kvd", "beta.kvd"}},
        {SessionsModel::Tags, {"june/alpha.kvd", "gamma.kvd", "beta.kvd"}},
        {SessionsModel::TimeOfDay, {"beta.kvd", "gamma.kvd", "june/alpha.kvd"}},
        {SessionsModel::Recording, {"beta.kvd", "gamma.kvd", "june/alpha.kvd"}},
        {SessionsModel::Date, {"beta.kvd", "gamma.kvd", "june/alpha.kvd"}},
    };
    for (const auto& c : cases) {
        clickHeader(c.column);
        if (table()->horizontalHeader()->sortIndicatorOrder() != Qt::AscendingOrder)
            clickHeader(c.column);
        EXPECT_EQ(column(SessionsModel::Recording), c.ascending) << c.column;
        clickHeader(c.column);
        auto descending = c.ascending;
        std::reverse(descending.begin(), descending.end());
        EXPECT_EQ(column(SessionsModel::Recording), descending) << c.column;
    }
}

TEST_F(SessionsPanelTest, TypedFilterTextMatchesFileNamesAndNeverReachesThePlayer) {
    makeClient();
    startActive();
    openThroughTheMenu(folder);
    waitFilled();
    auto* filter = panel().findChild<QLineEdit*>(QStringLiteral("txtSessionsFilter"));
    QTest::mouseClick(filter, Qt::LeftButton);
    ASSERT_EQ(QApplication::focusWidget(), filter);
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("AM"));
    EXPECT_EQ(column(SessionsModel::Recording), (std::vector<std::string>{"gamma.kvd"}));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backspace);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backspace);
    // The folder's name is no file name: "june" matches nothing.
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("june"));
    EXPECT_EQ(shown()->rowCount(), 0);
    for (int i = 0; i < 4; ++i)
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backspace);
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("p"));
    EXPECT_EQ(column(SessionsModel::Recording), (std::vector<std::string>{"june/alpha.kvd"}));
    EXPECT_EQ(filter->text(), QStringLiteral("p")); // P went to the box, not to Play
}

TEST_F(SessionsPanelTest, DoubleClickAndEnterLoadTheRowAndItIsHighlighted) {
    makeClient();
    startActive();
    openThroughTheMenu(folder);
    waitFilled();
    doubleClickRow("gamma.kvd");
    ASSERT_TRUE(window->isLoaded());
    EXPECT_EQ(loadedName(), folder + "/gamma");
    const SessionsModel& m = panel().model();
    ASSERT_TRUE(m.loadedRow());
    EXPECT_EQ(m.summaryAt(*m.loadedRow()).file, folder + "/gamma.kvd");
    const int gamma = shownRow("gamma.kvd");
    EXPECT_TRUE(shown()->index(gamma, 0).data(Qt::FontRole).value<QFont>().bold());
    EXPECT_FALSE(shown()->index(shownRow("beta.kvd"), 0).data(Qt::FontRole).value<QFont>().bold());

    // Enter on the row the user moved to.
    const int beta = shownRow("beta.kvd");
    QTest::mouseClick(table()->viewport(), Qt::LeftButton, {}, cell(beta));
    ASSERT_EQ(QApplication::focusWidget(), table());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Up);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_EQ(loadedName(), folder + "/beta");
    EXPECT_EQ(m.summaryAt(*m.loadedRow()).file, folder + "/beta.kvd");
    EXPECT_TRUE(log.messages.empty());
}

TEST_F(SessionsPanelTest, ARecordingLoadedBeforeTheFolderOpensIsHighlightedWhenItsRowComes) {
    makeClient();
    startActive();
    log.fileAnswers.push_back(folder + "/june/alpha.kvd");
    click("cmdLoad");
    ASSERT_TRUE(window->isLoaded());
    openThroughTheMenu(folder);
    waitFilled();
    const SessionsModel& m = panel().model();
    ASSERT_TRUE(m.loadedRow());
    EXPECT_EQ(m.summaryAt(*m.loadedRow()).file, folder + "/june/alpha.kvd");
    // A failed load leaves no row highlighted.
    writeText(folder + "/june/alpha.kvd", "no longer a recording");
    log.fileAnswers.push_back(folder + "/june/alpha.kvd");
    click("cmdLoad");
    EXPECT_FALSE(window->isLoaded());
    EXPECT_FALSE(m.loadedRow());
}

TEST_F(SessionsPanelTest, ARecordingOrFolderGoneBeforeTheDoubleClickIsSaidAndNothingLoads) {
    makeClient();
    startActive();
    openThroughTheMenu(folder);
    waitFilled();
    fs::remove(folder + "/gamma.kvd");
    doubleClickRow("gamma.kvd");
    EXPECT_FALSE(window->isLoaded());
    ASSERT_EQ(log.messages.size(), 1U);
    EXPECT_EQ(log.messages[0].text, "The recording " + folder +
                                        "/gamma.kvd no longer exists: it was removed or renamed "
                                        "after the folder was read.");

    // The folder renamed while open; another folder now has the old name.
    fs::rename(folder, folder + "-old");
    doubleClickRow("beta.kvd");
    EXPECT_FALSE(window->isLoaded());
    ASSERT_EQ(log.messages.size(), 2U);
    EXPECT_EQ(log.messages[1].text, "The folder " + folder +
                                        " no longer exists: it was removed or renamed. Open it "
                                        "again with File > Open Folder\u2026");
}

TEST_F(SessionsPanelTest, TheFolderIsReopenedAtTheNextStart) {
    makeClient();
    writeText(dir.file("kv_Player.ini"),
              "[Player]\nShowSessions=True\nSessionsFolder=" + folder + "\n");
    start();
    EXPECT_TRUE(panel().isVisible());
    EXPECT_EQ(panel().folder(), folder);
    waitFilled();
    EXPECT_EQ(shown()->rowCount(), 5);
    EXPECT_TRUE(item("mnuViewSessions")->isChecked());
    item("mnuViewSessions")->trigger();
    EXPECT_FALSE(panel().isVisible());
    EXPECT_NE(ini().find("ShowSessions=False"), std::string::npos);
}

TEST_F(SessionsPanelTest, AnotherFolderStopsTheWorkOnTheOneStillBeingReadAndReplacesItsRows) {
    makeClient();
    // 2,000 ten-minute recordings (one file under many names): seconds of work.
    const std::string other = folder;
    folder = dir.file("many");
    fs::create_directories(folder);
    writeSession("s0000", session(600, 10 * 3600, 9000));
    for (int i = 1; i < 2000; ++i) {
        const std::string base = folder + "/s" + std::to_string(10000 + i).substr(1);
        fs::create_hard_link(folder + "/s0000.kvd", base + ".kvd");
        fs::create_hard_link(folder + "/s0000.mp3", base + ".mp3");
    }
    startActive();
    openThroughTheMenu(folder);
    ASSERT_TRUE(QTest::qWaitFor([&] { return shown()->rowCount() > 0; }, 5000));
    EXPECT_FALSE(panel().filled());
    openThroughTheMenu(other);
    waitFilled();
    // The old folder's threads end with the file each was reading.
    EXPECT_TRUE(QTest::qWaitFor([&] { return !panel().working(); }, 1000));
    QTest::qWait(100); // news of the old folder, had any been sent, would have come
    EXPECT_EQ(shown()->rowCount(), 5);
    for (const std::string& name : column(SessionsModel::Recording))
        EXPECT_EQ(name.find("s0"), std::string::npos) << name;
    EXPECT_TRUE(panel().findChild<QLabel*>(QStringLiteral("lblSessionsStatus"))
                    ->text()
                    .startsWith(QStringLiteral("5 recordings")));
}

TEST_F(SessionsPanelTest, AFolderWithNoRecordingsOrNoneAtAllIsSaid) {
    startActive();
    const auto* label = [&] { return panel().findChild<QLabel*>(QStringLiteral("lblSessionsStatus")); }();
    fs::create_directories(dir.file("empty"));
    openThroughTheMenu(dir.file("empty"));
    waitFilled();
    EXPECT_EQ(shown()->rowCount(), 0);
    EXPECT_EQ(label->text(), QStringLiteral("No recordings found in this folder."));
    openThroughTheMenu(dir.file("nowhere"));
    EXPECT_EQ(label->text().toStdString(),
              "The folder " + dir.file("nowhere") + " does not exist or is no folder.");
    EXPECT_EQ(ini().find("SessionsFolder=" + dir.file("nowhere")), std::string::npos);
}

TEST_F(SessionsPanelTest, AClickOnASessionOfTheTrendSelectsItsRowAndTheRowItsSession) {
    makeClient();
    startActive();
    openThroughTheMenu(folder);
    waitFilled();
    SessionsTrendView& trend = panel().trend();
    ASSERT_TRUE(trend.isVisible());
    const SessionSeries& series = trend.series();
    ASSERT_EQ(series.sessions.size(), 5U);
    const TrendLayout layout =
        layoutTrend(trend.plotArea(), series, SessionsTrendView::kTextSize);
    // Each drawn session, clicked in the Base plot and in the reactions plot.
    int clicked = 0;
    for (std::size_t i = 0; i < series.sessions.size(); ++i) {
        if (!layout.x[i]) continue;
        for (const QRectF& plot : {layout.basePlot, layout.ratePlot}) {
            QTest::mouseClick(&trend, Qt::LeftButton, {},
                              QPointF(*layout.x[i], plot.center().y()).toPoint());
            const QModelIndex current = table()->currentIndex();
            ASSERT_TRUE(current.isValid());
            EXPECT_EQ(current.data(SessionsModel::PathRole).toString().toStdString(),
                      series.sessions[i].summary.file);
            EXPECT_EQ(trend.selected(), i);
            ++clicked;
        }
    }
    EXPECT_EQ(clicked, 8); // all but the one that fails the format check, in both plots
    // A row moved to with the keys is the session shown chosen.
    QTest::mouseClick(table()->viewport(), Qt::LeftButton, {}, cell(0));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
    const std::string second = shown()->index(1, 0).data(SessionsModel::PathRole).toString().toStdString();
    ASSERT_TRUE(trend.selected());
    EXPECT_EQ(series.sessions[*trend.selected()].summary.file, second);
}

TEST_F(SessionsPanelTest, ExportTrendReportWritesTheFoldersTrendPageAndOpensIt) {
    makeClient();
    startActive();
    EXPECT_FALSE(openMenu("mnuFile") == nullptr);
    EXPECT_FALSE(item("mnuFileExportTrendReport")->isEnabled()); // no folder yet
    QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Escape);
    openThroughTheMenu(folder);
    waitFilled();
    const std::string pdf = dir.file("trend.pdf");
    log.fileAnswers.push_back(pdf);
    choose("mnuFile", "mnuFileExportTrendReport");
    ASSERT_EQ(log.fileRequests.back().title, "Export Trend Report");
    EXPECT_EQ(log.fileRequests.back().fileName, "client-trend.pdf");
    ASSERT_EQ(log.openedDocuments, std::vector<std::string>{pdf});
    const std::string text = pdfText(pdf);
    EXPECT_NE(text.find(folder), std::string::npos);
    for (const char* name : {"beta", "gamma", "alpha", "2024-08-21", "date from the file"})
        EXPECT_NE(text.find(name), std::string::npos) << name;

    // Never over a file of a recording.
    const std::string before = readText(folder + "/beta.kvd");
    log.fileAnswers.push_back(folder + "/beta.kvd");
    choose("mnuFile", "mnuFileExportTrendReport");
    EXPECT_EQ(readText(folder + "/beta.kvd"), before);
    ASSERT_EQ(log.messages.size(), 1U);
    EXPECT_EQ(log.messages[0].text, "The trend report could not be written.\n\n" + folder +
                                        "/beta.kvd is a file of a recording.");
    EXPECT_EQ(log.openedDocuments.size(), 1U);
}

} // namespace
} // namespace kv::test
