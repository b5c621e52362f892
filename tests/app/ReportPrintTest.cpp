// File > "Print Report…" prints the pages Export Report writes: printed to a
// PDF file through the preview's printer, they read as the exported ones.
#include "PdfText.h"
#include "PlayerFixture.h"

#include "ReportPrint.h"
#include "SessionReport.h"

#include <QMenu>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>

#include <gtest/gtest.h>

#include <sstream>

namespace kv {
namespace {

using test::PlayerWindowTest;

class ReportPrintTest : public PlayerWindowTest {
protected:
    // A minute with a tag every 0.4 s: a report of several pages.
    void loadLongReport() {
        auto recs = test::plainRecords(3000);
        for (std::size_t i = 0; i < recs.size(); i += 20) {
            recs[i].MarkType = 'T';
            recs[i].MarkData[0] = static_cast<std::uint8_t>(i / 20);
        }
        writePair("rec001", recs);
        window->openChosenFile(dir.file("rec001.kvd"));
        ASSERT_TRUE(window->isLoaded());
    }
    // Answers the preview: notes its pages and prints them to `pdf`.
    void printTo(const std::string& pdf) {
        log.onModal = [this, pdf](QDialog& d) {
            auto* preview = qobject_cast<QPrintPreviewDialog*>(&d);
            ASSERT_NE(preview, nullptr);
            ++previews;
            d.show();
            ASSERT_TRUE(QTest::qWaitForWindowExposed(&d));
            auto* pages = d.findChild<QPrintPreviewWidget*>();
            ASSERT_NE(pages, nullptr);
            previewPages = pages->pageCount();
            preview->printer()->setOutputFormat(QPrinter::PdfFormat);
            preview->printer()->setOutputFileName(QString::fromStdString(pdf));
            pages->print();
            d.reject();
        };
    }
    int previews = 0;
    int previewPages = 0;
};

TEST_F(ReportPrintTest, ComesRightAfterExportReportAndOnlyWithARecording) {
    start();
    const QList<QAction*> items = window->menus().menu(QStringLiteral("mnuFile"))->actions();
    const auto exportItem = std::find(items.begin(), items.end(), item("mnuFileExportReport"));
    ASSERT_NE(exportItem, items.end());
    ASSERT_NE(exportItem + 1, items.end());
    EXPECT_EQ((*(exportItem + 1))->objectName(), QStringLiteral("mnuFilePrintReport"));
    EXPECT_EQ((*(exportItem + 1))->text(), QStringLiteral("&Print Report\u2026"));

    QMenu* file = openMenu("mnuFile");
    ASSERT_NE(file, nullptr);
    EXPECT_FALSE(item("mnuFilePrintReport")->isEnabled());
    file->close();
    loadLongReport();
    file = openMenu("mnuFile");
    EXPECT_TRUE(item("mnuFilePrintReport")->isEnabled());
    file->close();
}

TEST_F(ReportPrintTest, PrintsTheSamePagesAsTheExportedReport) {
    start();
    loadLongReport();
    log.fileAnswers.push_back(dir.file("exported.pdf"));
    choose("mnuFile", "mnuFileExportReport");
    const std::string exported = test::pdfText(dir.file("exported.pdf"));
    ASSERT_GE(test::pdfPages(exported), 2) << exported;

    printTo(dir.file("printed.pdf"));
    choose("mnuFile", "mnuFilePrintReport");
    ASSERT_EQ(previews, 1);
    EXPECT_EQ(previewPages, test::pdfPages(exported));
    // The same lines on the same pages (a reader may space them apart differently).
    auto lines = [](const std::string& text) {
        std::string out;
        std::istringstream in(text);
        for (std::string line; std::getline(in, line);)
            if (!line.empty()) out += line + '\n';
        return out;
    };
    EXPECT_EQ(lines(test::pdfText(dir.file("printed.pdf"))), lines(exported));
}

// On paper other than A4 the page shrinks to fit, whole and centred, never cut.
TEST_F(ReportPrintTest, PagesFitSmallerPaper) {
    start();
    loadLongReport();
    ReportInput in;
    in.file = dir.file("rec001.kvd");
    in.records = window->recording()->Records;
    in.recordingMs = window->recording()->TotalTimeMs;
    summariseReportInput(in);
    const SessionReport report(std::move(in));
    for (const auto size : {QPageSize::A4, QPageSize::A5, QPageSize::Letter}) {
        SCOPED_TRACE(QPageSize::name(size).toStdString());
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        const std::string pdf = dir.file("paper.pdf");
        printer.setOutputFileName(QString::fromStdString(pdf));
        printer.setPageLayout(QPageLayout(QPageSize(size), QPageLayout::Portrait,
                                          QMarginsF(10, 10, 10, 10), QPageLayout::Millimeter));
        ReportPrint::print(report, printer);
        const std::string text = test::pdfText(pdf);
        EXPECT_EQ(test::pdfPages(text), report.pageCount());
        EXPECT_NE(text.find("rec001.kvd"), std::string::npos);
        // The text's right edge stays inside the paper less its right margin.
        const double paperWidth = QPageSize(size).sizePoints().width();
        EXPECT_LT(test::pdfTextRightEdge(pdf), paperWidth - 10 / 25.4 * 72);
    }
}

} // namespace
} // namespace kv
