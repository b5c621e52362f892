#include "ReportPrint.h"

#include "MainWindow.h"
#include "ReportExport.h"
#include "SessionReport.h"

#include <QAction>
#include <QMenu>
#include <QPageLayout>
#include <QPrintPreviewDialog>
#include <QPrinter>

#include <algorithm>
#include <filesystem>

namespace kv {

ReportPrint::ReportPrint(MainWindow& window, ReportExport& exporter)
    : QObject(&window), m_window(window), m_export(exporter) {
    QMenu* file = window.menus().menu(QStringLiteral("mnuFile"));
    m_action = new QAction(QStringLiteral("&Print Report\u2026"), this);
    m_action->setObjectName(QStringLiteral("mnuFilePrintReport"));
    // Right after Export Report, in the group behind its separator.
    const QList<QAction*> items = file->actions();
    const auto after = std::find_if(items.begin(), items.end(), [](QAction* a) {
        return a->objectName() == QStringLiteral("mnuFileExportReport");
    });
    file->insertAction(after == items.end() || after + 1 == items.end() ? nullptr : *(after + 1),
                       m_action);
    connect(m_action, &QAction::triggered, this, [this] { printReport(); });
    connect(file, &QMenu::aboutToShow, this, [this] { m_action->setEnabled(m_window.isLoaded()); });
}

void ReportPrint::print(const SessionReport& report, QPrinter& printer) {
    report.paint(printer);
}

void ReportPrint::printReport() {
    std::optional<ReportInput> input = m_export.chooseRecords();
    if (!input) return;
    const std::string name = std::filesystem::path(input->file).stem().string();
    summariseReportInput(*input);
    const SessionReport report(std::move(*input));

    QPrinter printer(QPrinter::HighResolution);
    printer.setPageLayout(
        QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF()));
    printer.setDocName(QStringLiteral("Session report: ") + QString::fromStdString(name));
    printer.setCreator(QStringLiteral("kv Player"));
    QPrintPreviewDialog preview(&printer, &m_window);
    preview.setObjectName(QStringLiteral("dlgPrintPreview"));
    preview.setWindowTitle(QStringLiteral("Print Report"));
    connect(&preview, &QPrintPreviewDialog::paintRequested, this,
            [&report](QPrinter* p) { print(report, *p); });
    m_window.dialogs().runModal(preview);
}

} // namespace kv
