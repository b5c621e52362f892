// File > "Export Report...": writes the printable report of the loaded
// recording, or of its bracketed range, as a PDF and opens it with the
// desktop's viewer. Added to the window's File menu after its own items.
#pragma once

#include "SessionReport.h"

#include <QObject>

#include <optional>
#include <string>

class QAction;

namespace kv {

class MainWindow;

class ReportExport : public QObject {
public:
    // Adds the menu item to the window's File menu, behind a separator.
    explicit ReportExport(MainWindow& window);

    // Asks for a file, writes the report and opens it. Does nothing when no
    // recording is loaded.
    void exportReport();
    // The records the report covers: the whole loaded recording, or its
    // range when the user says so. Nothing when no recording is loaded or
    // the user cancels. The summary is still to be made.
    std::optional<ReportInput> chooseRecords();

private:
    MainWindow& m_window;
    QAction* m_action = nullptr;
};

} // namespace kv
