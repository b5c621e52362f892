#include "PdfText.h"
#include "PlayerFixture.h"

#include <QDir>
#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QMenu>
#include <QMenuBar>
#include <QProgressDialog>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>

namespace kv {
namespace {

using test::PlayerWindowTest;

class ReportExportTest : public PlayerWindowTest {
protected:
    void exportThroughTheMenu() { choose("mnuFile", "mnuFileExportReport"); }
    // The range dialog as the user answers it: the option clicked (none: the
    // default), then OK or Cancel. Notes the text and the default it showed.
    struct RangeAnswer {
        const char* option = nullptr;
        QDialogButtonBox::StandardButton button = QDialogButtonBox::Ok;
        int shown = 0;
        QString text;
        bool wholeByDefault = false;
    };
    void answerRange(RangeAnswer& a) {
        log.onModal = [&a](QDialog& d) {
            ++a.shown;
            d.show();
            ASSERT_TRUE(QTest::qWaitForWindowExposed(&d));
            a.text = d.findChild<QLabel*>(QStringLiteral("lblReportRange"))->text();
            auto* whole = d.findChild<QRadioButton*>(QStringLiteral("optWholeRecording"));
            ASSERT_NE(whole, nullptr);
            a.wholeByDefault = whole->isChecked();
            if (a.option) {
                auto* option = d.findChild<QRadioButton*>(QString::fromLatin1(a.option));
                QTest::mouseClick(option, Qt::LeftButton, {}, QPoint(6, option->height() / 2));
            }
            QPushButton* b = d.findChild<QDialogButtonBox*>()->button(a.button);
            QTest::mouseClick(b, Qt::LeftButton, {}, b->rect().center());
        };
    }
};

TEST_F(ReportExportTest, ComesAfterTheFileItemsBehindASeparator) {
    start();
    const QList<QAction*> items = window->menus().menu(QStringLiteral("mnuFile"))->actions();
    ASSERT_GE(items.size(), 6);
    const auto exit = std::find(items.begin(), items.end(), item("mnuExit"));
    ASSERT_NE(exit, items.end());
    const auto report = std::find_if(items.begin(), items.end(), [](QAction* a) {
        return a->objectName() == QStringLiteral("mnuFileExportReport");
    });
    ASSERT_NE(report, items.end());
    EXPECT_EQ((*report)->text(), QStringLiteral("Export &Report\u2026"));
    EXPECT_LT(exit, report);
    EXPECT_TRUE((*(report - 1))->isSeparator());
}

TEST_F(ReportExportTest, WritesTheLoadedRecordingsReportAndOpensIt) {
    start();
    loadRecording(3000);
    log.fileAnswers.push_back(dir.file("out/rec001 report.pdf"));
    std::filesystem::create_directories(dir.file("out"));
    exportThroughTheMenu();
    ASSERT_EQ(log.fileRequests.size(), 1u);
    EXPECT_EQ(log.fileRequests[0].title, "Export Report");
    EXPECT_EQ(log.fileRequests[0].fileName, "rec001.pdf");
    EXPECT_EQ(log.fileRequests[0].initialDir, dir.path());
    EXPECT_TRUE(log.messages.empty());
    ASSERT_EQ(log.openedDocuments, std::vector<std::string>{dir.file("out/rec001 report.pdf")});
    const std::string text = test::pdfText(dir.file("out/rec001 report.pdf"));
    EXPECT_NE(text.find(dir.file("rec001.kvd")), std::string::npos) << text;
    EXPECT_NE(text.find("1:00.0 (59980 ms, 3000 records)"), std::string::npos) << text; // all of it
    EXPECT_NE(text.find("Audio"), std::string::npos);
}

TEST_F(ReportExportTest, ReportsTheBracketedRange) {
    start();
    loadRecording(3000);
    RecordingFile& r = const_cast<RecordingFile&>(*window->recording());
    r.LoopStartRecord = 501; // 10 s
    r.LoopEndRecord = 1500;  // 29.98 s
    RangeAnswer answer{"optThisRange"};
    answerRange(answer);
    log.fileAnswers.push_back(dir.file("range.pdf"));
    exportThroughTheMenu();
    EXPECT_EQ(answer.shown, 1);
    ASSERT_EQ(log.openedDocuments.size(), 1u);
    const std::string text = test::pdfText(dir.file("range.pdf"));
    EXPECT_NE(text.find("0:10.0 to 0:30.0 of 1:00.0: 0:20.0 (19980 ms, 1000 records)"),
              std::string::npos)
        << text;
}

// The reviewer's marks of the range, at their times in the recording.
TEST_F(ReportExportTest, TheReportOfARangeHoldsTheMarksInsideIt) {
    start();
    loadRecording(3000);
    test::writeText(dir.file("rec001.kvnotes"), "kvnotes 1\n100\t100\tnote\tbefore the range\n"
                                                "751\t751\tnote\tquarter past\n"
                                                "1400\t1600\tartifact\tmoved\n");
    RecordingFile& r = const_cast<RecordingFile&>(*window->recording());
    r.LoopStartRecord = 501; // 10 s
    r.LoopEndRecord = 1500;  // 29.98 s
    RangeAnswer answer{"optThisRange"};
    answerRange(answer);
    log.fileAnswers.push_back(dir.file("range.pdf"));
    exportThroughTheMenu();
    ASSERT_EQ(log.openedDocuments.size(), 1u);
    const std::string text = test::pdfText(dir.file("range.pdf"));
    EXPECT_NE(text.find("0:15.0"), std::string::npos) << text; // record 751
    EXPECT_NE(text.find("quarter past"), std::string::npos) << text;
    EXPECT_NE(text.find("2000 ms excluded: moved"), std::string::npos) << text; // clipped at 1500
    EXPECT_EQ(text.find("before the range"), std::string::npos) << text;
}

// A "Buffer" lives in memory: a Buffer.kvnotes that happens to lie in the
// working folder is not its notes.
TEST_F(ReportExportTest, TheReportOfABufferTakesNoNotesFromTheWorkingFolder) {
    start();
    loadRecording(3000);
    const QString before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(QString::fromStdString(dir.path())));
    test::writeText(dir.file("Buffer.kvnotes"), "kvnotes 1\n10\t10\tnote\tnot the buffer's\n");
    dragOnBar(50, 300);
    click("cmdExpand");
    ASSERT_EQ(window->recording()->LoadedFileBase, "Buffer");
    RangeAnswer whole;
    answerRange(whole);
    log.fileAnswers.push_back(dir.file("buffer.pdf"));
    exportThroughTheMenu();
    QDir::setCurrent(before);
    ASSERT_EQ(log.openedDocuments.size(), 1u);
    const std::string text = test::pdfText(dir.file("buffer.pdf"));
    EXPECT_NE(text.find("Buffer.kvd"), std::string::npos) << text;
    EXPECT_EQ(text.find("not the buffer"), std::string::npos) << text;
}

TEST_F(ReportExportTest, ARangeMovedByAClickIsReportedOnlyWhenTheUserSaysSo) {
    start();
    loadRecording(3000);
    // Stopped, a click on the bar moves the range start: the bar's rule.
    QTest::mouseClick(bar(), Qt::LeftButton, {}, onBar(750));
    const std::int32_t startRecord = window->recording()->LoopStartRecord;
    ASSERT_GT(startRecord, 2000);

    RangeAnswer whole; // the default
    answerRange(whole);
    log.fileAnswers.push_back(dir.file("whole.pdf"));
    exportThroughTheMenu();
    ASSERT_EQ(whole.shown, 1);
    EXPECT_TRUE(whole.wholeByDefault);
    EXPECT_TRUE(whole.text.contains(QStringLiteral("not the whole recording")));
    EXPECT_TRUE(whole.text.contains(QStringLiteral("to 00:59 of 00:59"))) << whole.text.toStdString();
    std::string text = test::pdfText(dir.file("whole.pdf"));
    EXPECT_NE(text.find("1:00.0 (59980 ms, 3000 records)"), std::string::npos) << text;
    EXPECT_EQ(text.find("Range"), std::string::npos);

    RangeAnswer range{"optThisRange"};
    answerRange(range);
    log.fileAnswers.push_back(dir.file("range.pdf"));
    exportThroughTheMenu();
    ASSERT_EQ(range.shown, 1);
    text = test::pdfText(dir.file("range.pdf"));
    EXPECT_NE(text.find("to 1:00.0 of 1:00.0"), std::string::npos) << text;

    // Cancel: no file asked for, nothing written.
    RangeAnswer cancel{nullptr, QDialogButtonBox::Cancel};
    answerRange(cancel);
    const std::size_t asked = log.fileRequests.size();
    exportThroughTheMenu();
    EXPECT_EQ(cancel.shown, 1);
    EXPECT_EQ(log.fileRequests.size(), asked);

    // The whole recording again (right click): no question.
    QTest::mouseClick(bar(), Qt::RightButton, {}, onBar(500));
    RangeAnswer none;
    answerRange(none);
    log.fileAnswers.push_back(dir.file("again.pdf"));
    exportThroughTheMenu();
    EXPECT_EQ(none.shown, 0);
    EXPECT_EQ(log.openedDocuments.back(), dir.file("again.pdf"));
}

TEST_F(ReportExportTest, ARangeTheUserDraggedIsTheDefault) {
    start();
    loadRecording(3000);
    dragOnBar(250, 500);
    ASSERT_LT(window->recording()->LoopEndRecord, 2000);
    RangeAnswer answer;
    answerRange(answer);
    log.fileAnswers.push_back(dir.file("dragged.pdf"));
    exportThroughTheMenu();
    ASSERT_EQ(answer.shown, 1);
    EXPECT_FALSE(answer.wholeByDefault);
    const std::string text = test::pdfText(dir.file("dragged.pdf"));
    EXPECT_NE(text.find("of 1:00.0"), std::string::npos) << text;
}

// Notes the progress dialogs that are shown.
class ProgressWatch : public QObject {
public:
    std::vector<QString> shown;
    bool eventFilter(QObject* o, QEvent* e) override {
        if (e->type() == QEvent::Show)
            if (auto* d = qobject_cast<QProgressDialog*>(o)) shown.push_back(d->labelText());
        return false;
    }
};

TEST_F(ReportExportTest, LongRecordingShowsProgressShortOneDoesNot) {
    start();
    ProgressWatch watch;
    qApp->installEventFilter(&watch);
    loadRecording(3000); // a minute
    log.fileAnswers.push_back(dir.file("short.pdf"));
    exportThroughTheMenu();
    EXPECT_TRUE(watch.shown.empty());
    loadRecording(30 * 60 * 50 + 1); // half an hour
    log.fileAnswers.push_back(dir.file("long.pdf"));
    exportThroughTheMenu();
    qApp->removeEventFilter(&watch);
    EXPECT_EQ(watch.shown, std::vector<QString>{QStringLiteral("Writing the report\u2026")});
    EXPECT_EQ(log.openedDocuments.size(), 2u);
}

TEST_F(ReportExportTest, CancelledOrRefusedTargetWritesNothing) {
    start();
    loadRecording(3000);
    log.fileAnswers.push_back(std::nullopt);
    exportThroughTheMenu();
    EXPECT_TRUE(log.openedDocuments.empty());
    // A read-only file is not replaced: the user is told, nothing is opened.
    test::writeText(dir.file("ro.pdf"), "keep");
    std::filesystem::permissions(dir.file("ro.pdf"), std::filesystem::perms::owner_read);
    log.fileAnswers.push_back(dir.file("ro.pdf"));
    exportThroughTheMenu();
    EXPECT_EQ(test::readText(dir.file("ro.pdf")), "keep");
    ASSERT_EQ(log.messages.size(), 1u);
    EXPECT_EQ(log.messages[0].text.rfind("The report could not be written.", 0), 0u);
    EXPECT_TRUE(log.openedDocuments.empty());
}

TEST_F(ReportExportTest, NeverWritesOverTheLoadedRecording) {
    start();
    loadRecording(300);
    const std::string data = test::readText(dir.file("rec001.kvd"));
    std::filesystem::create_directory_symlink(dir.path(), dir.file("alias"));
    for (const std::string& target : {dir.file("alias/rec001.kvd"), dir.file("rec001.mp3")}) {
        SCOPED_TRACE(target);
        log.messages.clear();
        log.fileAnswers.push_back(target);
        exportThroughTheMenu();
        ASSERT_EQ(log.messages.size(), 1u);
        EXPECT_NE(log.messages[0].text.find("belongs to the loaded recording"), std::string::npos)
            << log.messages[0].text;
    }
    EXPECT_EQ(test::readText(dir.file("rec001.kvd")), data);
    EXPECT_EQ(test::readText(dir.file("rec001.mp3")), "ID3");
    EXPECT_TRUE(log.openedDocuments.empty());
}

TEST_F(ReportExportTest, DisabledWithoutARecording) {
    start();
    QMenu* popup = openMenu("mnuFile");
    ASSERT_NE(popup, nullptr);
    EXPECT_FALSE(item("mnuFileExportReport")->isEnabled());
    QTest::mouseClick(popup, Qt::LeftButton, {},
                      popup->actionGeometry(item("mnuFileExportReport")).center());
    EXPECT_TRUE(log.fileRequests.empty());
    if (QWidget* still = QApplication::activePopupWidget()) QTest::keyClick(still, Qt::Key_Escape);
}

} // namespace
} // namespace kv
