// File > "Export Report...": writes the printable report of the loaded
// recording, or of its bracketed range, as a PDF and opens it with the
// desktop's viewer. Added to the window's File menu after its own items.
#pragma once

#include <QObject>

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

private:
    MainWindow& m_window;
    QAction* m_action = nullptr;
};

} // namespace kv
