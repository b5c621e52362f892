// File > "Print Report…": the same pages as Export Report sends to a
// printer, through Qt's print preview (and from it the print dialog). The
// item comes right after Export Report.
#pragma once

#include <QObject>

class QAction;
class QPrinter;

namespace kv {

class MainWindow;
class ReportExport;
class SessionReport;

class ReportPrint : public QObject {
public:
    ReportPrint(MainWindow& window, ReportExport& exporter);

    // Asks for the range as Export Report does, then shows the preview.
    void printReport();
    // Prints every page of the report on the printer, A4 pages fitted to its paper.
    static void print(const SessionReport& report, QPrinter& printer);

private:
    MainWindow& m_window;
    ReportExport& m_export;
    QAction* m_action = nullptr;
};

} // namespace kv
