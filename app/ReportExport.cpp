#include "ReportExport.h"

#include "DialogFolder.h"
#include "MainWindow.h"
#include "PairFiles.h"
#include "PlayTime.h"
#include "RecordingSummary.h"
#include "ReportRangeDialog.h"
#include "SafeFile.h"
#include "SegmentEditor.h"
#include "SessionReport.h"
#include "StatusLine.h"

#include <QAction>
#include <QMenu>
#include <QProgressDialog>

#include <algorithm>
#include <optional>

namespace kv {
namespace {

// Reports of this much recording or more show a progress dialog.
constexpr std::int32_t kLongRecordingMs = 30 * 60 * 1000;

} // namespace

ReportExport::ReportExport(MainWindow& window) : QObject(&window), m_window(window) {
    QMenu* file = window.menus().menu(QStringLiteral("mnuFile"));
    file->addSeparator();
    m_action = file->addAction(QStringLiteral("Export &Report\u2026"));
    m_action->setObjectName(QStringLiteral("mnuFileExportReport"));
    connect(m_action, &QAction::triggered, this, [this] { exportReport(); });
    // Only a loaded recording has a report.
    connect(file, &QMenu::aboutToShow, this, [this] { m_action->setEnabled(m_window.isLoaded()); });
}

std::optional<ReportInput> ReportExport::chooseRecords() {
    const RecordingFile* rec = m_window.recording();
    if (!rec || rec->Records.empty()) return std::nullopt;
    std::int32_t first = std::max(1, rec->LoopStartRecord);
    std::int32_t last = std::clamp(rec->LoopEndRecord, first, rec->RecordCount);
    // A range that is not the whole recording is reported only when the user says so.
    if (first != 1 || last != rec->RecordCount) {
        auto time = [&](std::int32_t ms) { return Format_PlayTime(ms / 1000, rec->TotalTimeMs); };
        ReportRangeDialog ask(time(rec->record(first).TimeMs) + " to " +
                                  time(rec->record(last).TimeMs) + " of " + time(rec->TotalTimeMs),
                              m_window.engine().RangeChosen, &m_window);
        m_window.dialogs().runModal(ask);
        if (ask.result() != QDialog::Accepted) return std::nullopt;
        if (ask.wholeRecording()) {
            first = 1;
            last = rec->RecordCount;
        }
    }
    ReportInput in;
    in.file = rec->LoadedFileBase + ".kvd";
    // A "Buffer" is in memory: a Buffer.kvnotes in the working folder is not its.
    in.notesBeside = rec->LoadedFileBase != "Buffer";
    in.records.assign(rec->Records.begin() + (first - 1), rec->Records.begin() + last);
    in.firstRecord = first;
    in.isRange = first != 1 || last != rec->RecordCount;
    in.recordingMs = rec->TotalTimeMs;
    in.clockStartSecs = clockMarkOf(rec->Records);
    in.dayNumber = dayMarkOf(rec->Records);
    return in;
}

void ReportExport::exportReport() {
    std::optional<ReportInput> input = chooseRecords();
    if (!input) return;
    ReportInput& in = *input;
    const RecordingFile* rec = m_window.recording();
    const std::string base = rec->LoadedFileBase;
    const auto slash = base.find_last_of('/');
    FileDialogRequest request("Export Report", "PDF document (*.pdf)|*.pdf", dialogFolder(base, ""),
                              base.substr(slash == std::string::npos ? 0 : slash + 1) + ".pdf");
    request.defaultSuffix = "pdf";
    const std::optional<std::string> chosen = m_window.dialogs().saveFile(request);
    if (!chosen) return;
    // The dialog asks before it replaces a file, but never the recording's own.
    if (const std::string why = exportOverRecordingProblem(*chosen, filesInUse(*rec));
        !why.empty()) {
        m_window.dialogs().showMessage(
            {"The report could not be written.\n\n" + why, kAppTitle, MessageIcon::Exclamation});
        return;
    }

    // A long report shows its progress: the summary, then each page.
    std::optional<QProgressDialog> progress;
    if (in.records.back().TimeMs - in.records.front().TimeMs >= kLongRecordingMs) {
        progress.emplace(QStringLiteral("Writing the report\u2026"), QString(), 0, 2, &m_window);
        progress->setWindowTitle(QString::fromUtf8(kAppTitle));
        progress->setWindowModality(Qt::WindowModal);
        progress->setMinimumDuration(0);
        progress->setValue(0);
    }
    summariseReportInput(in);
    const SessionReport report(std::move(in));
    if (progress) {
        progress->setMaximum(report.pageCount() + 1);
        progress->setValue(1);
    }
    const QByteArray pdf = report.pdf([&](int page) {
        if (progress) progress->setValue(1 + page);
    });
    progress.reset();

    // Written whole or not at all, never over a read-only or special file.
    if (const auto e = replaceFileContents(
            *chosen, std::string_view(pdf.constData(), static_cast<std::size_t>(pdf.size())),
            *chosen)) {
        m_window.dialogs().showMessage({"The report could not be written.\n\n" + e->description,
                                        kAppTitle, MessageIcon::Exclamation});
        return;
    }
    m_window.status().fileWritten("Report written to", *chosen);
    if (!m_window.dialogs().openDocument(*chosen))
        m_window.dialogs().showMessage({"No program to show PDF documents could be started.\n\n"
                                        "The report was written to " + *chosen + ".",
                                        kAppTitle, MessageIcon::Information});
}

} // namespace kv
