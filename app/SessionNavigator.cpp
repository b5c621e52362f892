#include "SessionNavigator.h"

#include "DialogFolder.h"
#include "Dialogs.h"
#include "EventListPanel.h"
#include "EventTable.h"
#include "FileError.h"
#include "OverviewWidget.h"
#include "PairFiles.h"
#include "PlaybackEngine.h"
#include "RecordingFile.h"
#include "SafeFile.h"
#include "SegmentEditor.h"
#include "TextConversion.h"

#include <QAction>
#include <QMainWindow>
#include <QMenu>

#include <algorithm>
#include <filesystem>
#include <sstream>

namespace kv {

namespace {

// The events the strip marks: tags, reactions and body-motion bands.
std::vector<RecordingEvent> stripMarks(const std::vector<RecordingEvent>& events) {
    std::vector<RecordingEvent> marks;
    for (const RecordingEvent& e : events)
        if (e.kind == EventKind::Tag || e.kind == EventKind::Reaction ||
            e.kind == EventKind::Motion)
            marks.push_back(e);
    return marks;
}

} // namespace

SessionNavigator::SessionNavigator(QMainWindow& window, QWidget& stripParent,
                                   PlaybackEngine& engine, Dialogs& dialogs)
    : QObject(&window), m_window(window), m_engine(engine), m_dialogs(dialogs),
      m_overview(new OverviewWidget(&stripParent)), m_list(new EventListPanel(&window)) {
    m_overview->onPress = [this](std::int32_t record) { m_engine.pressAtRecord(record); };
    m_overview->onDrag = [this](std::int32_t record) { return m_engine.dragToRecord(record); };
    m_overview->onRelease = [this](std::optional<std::int32_t> record) {
        m_engine.releaseAtRecord(record);
    };
    m_overview->setEnabled(false);
    m_overview->hide();

    m_list->setAllowedAreas(Qt::LeftDockWidgetArea | Qt::RightDockWidgetArea);
    window.addDockWidget(Qt::RightDockWidgetArea, m_list);
    m_list->hide();
    m_list->onGoTo = [this](std::int32_t record) { m_engine.goToRecord(record); };
    m_list->onKindsChanged = [this](std::uint32_t k) {
        savePreference("EventKinds", eventKindsText(k));
    };
    m_list->onExport = [this] { exportEvents(); };
}

void SessionNavigator::addMenuItems(QMenu& view) {
    view.addSeparator()->setObjectName(QStringLiteral("mnuViewNavigatorSeparator"));
    m_overviewItem = view.addAction(QStringLiteral("Session Overview"));
    m_overviewItem->setObjectName(QStringLiteral("mnuViewOverview"));
    m_overviewItem->setCheckable(true);
    m_overviewItem->setChecked(m_showOverview);
    connect(m_overviewItem, &QAction::triggered, this,
            [this](bool checked) { setOverviewShown(checked, true); });

    m_listItem = m_list->toggleViewAction();
    m_listItem->setText(QStringLiteral("Event List"));
    m_listItem->setObjectName(QStringLiteral("mnuViewEventList"));
    view.addAction(m_listItem);
    // Also unticked when the list's own close button hides it; not when the
    // window itself closes.
    connect(m_listItem, &QAction::toggled, this, [this](bool shown) {
        if (m_window.isVisible()) savePreference("ShowEventList", boolToText(shown));
    });

    QAction* next = view.addAction(QStringLiteral("Next Event"));
    next->setObjectName(QStringLiteral("mnuViewNextEvent"));
    connect(next, &QAction::triggered, this, [this] { goToNextEvent(); });
    QAction* previous = view.addAction(QStringLiteral("Previous Event"));
    previous->setObjectName(QStringLiteral("mnuViewPreviousEvent"));
    connect(previous, &QAction::triggered, this, [this] { goToPreviousEvent(); });
}

void SessionNavigator::applyPreferences(const PlayerPreferences& prefs,
                                        std::function<std::string()> settingsPath) {
    m_applying = true;
    m_settingsPath = std::move(settingsPath);
    std::string bad;
    m_list->setKinds(parseEventKinds(prefs.EventKinds, bad).value_or(kAllEventKinds));
    m_list->setVisible(prefs.ShowEventList);
    setOverviewShown(prefs.ShowOverview, false);
    m_applying = false;
}

void SessionNavigator::setOverviewShown(bool shown, bool save) {
    m_showOverview = shown;
    if (m_overviewItem) m_overviewItem->setChecked(shown);
    m_overview->setVisible(shown);
    if (save) savePreference("ShowOverview", boolToText(shown));
    if (layoutChanged) layoutChanged();
}

void SessionNavigator::savePreference(const char* key, const std::string& value) {
    if (m_applying || !m_settingsPath) return;
    if (const auto error = savePlayerPreference(m_settingsPath(), key, value))
        if (preferenceNotSaved) preferenceNotSaved(*error);
}

std::uint32_t SessionNavigator::kinds() const {
    return m_list->model().kinds();
}

void SessionNavigator::recordingLoaded(const RecordingFile& recording) {
    m_recording = &recording;
    m_events = findEvents(recording.Records);
    const auto clock = recordingClockStart(recording.Records);
    m_overview->setRecording(&recording.Records, stripMarks(m_events), clock);
    m_overview->setEnabled(true);
    m_list->model().setEvents(&m_events, clock, recording.TotalTimeMs);
    showReview(nullptr);
    playbackMoved();
    if (recordingChanged) recordingChanged(&recording);
}

void SessionNavigator::showReview(const ReviewNotes* notes) {
    m_review = m_recording ? notes : nullptr;
    m_list->model().setReview(m_review, m_recording ? &m_recording->Records : nullptr);
    m_overview->setReview(m_review ? *m_review : ReviewNotes{});
    if (m_recording) m_list->showPassed(m_engine.positionRecord());
}

void SessionNavigator::recordingDropped() {
    m_recording = nullptr;
    m_review = nullptr;
    m_list->model().setReview(nullptr, nullptr);
    m_list->model().setEvents(nullptr, std::nullopt, 0);
    m_events.clear();
    m_overview->clearRecording();
    m_overview->setEnabled(false);
    if (recordingChanged) recordingChanged(nullptr);
}

void SessionNavigator::playbackMoved() {
    if (!m_recording || m_engine.recording() != m_recording) return;
    const std::int32_t at = m_engine.positionRecord();
    m_overview->setPlayCursor(m_engine.PlayMode == PlayState::Playing ? at : 0);
    m_overview->setRange(std::max(1, m_recording->LoopStartRecord), m_recording->LoopEndRecord);
    m_list->showPassed(at);
}

bool SessionNavigator::goToNextEvent() {
    if (!m_recording) return false;
    const std::int32_t at = m_engine.positionRecord();
    std::optional<std::int32_t> next = noteAfter(at);
    for (const RecordingEvent& e : m_events) {
        if (e.record <= at || !((kinds() >> static_cast<unsigned>(e.kind)) & 1U)) continue;
        if (!next || e.record < *next) next = e.record;
        break;
    }
    return next && m_engine.goToRecord(*next);
}

bool SessionNavigator::goToPreviousEvent() {
    if (!m_recording) return false;
    // Half a second of slack, so that a press while playing just after an
    // event goes to the one before it rather than back to the same one.
    const std::int32_t at =
        m_engine.positionRecord() - (m_engine.PlayMode == PlayState::Playing ? 25 : 0);
    std::optional<std::int32_t> previous = noteBefore(at);
    for (auto it = m_events.rbegin(); it != m_events.rend(); ++it) {
        if (it->record >= at || !((kinds() >> static_cast<unsigned>(it->kind)) & 1U)) continue;
        if (!previous || it->record > *previous) previous = it->record;
        break;
    }
    return previous && m_engine.goToRecord(*previous);
}

std::optional<std::int32_t> SessionNavigator::noteAfter(std::int32_t at) const {
    if (!m_review) return std::nullopt;
    for (const ReviewMark& m : m_review->marks) // in record order
        if (m.kind == MarkKind::Note && m.record > at) return m.record;
    return std::nullopt;
}

std::optional<std::int32_t> SessionNavigator::noteBefore(std::int32_t at) const {
    if (!m_review) return std::nullopt;
    for (auto it = m_review->marks.rbegin(); it != m_review->marks.rend(); ++it)
        if (it->kind == MarkKind::Note && it->record < at) return it->record;
    return std::nullopt;
}

void SessionNavigator::exportEvents() {
    if (!m_recording) return;
    const std::filesystem::path base(m_recording->LoadedFileBase);
    FileDialogRequest request("Export Events", "CSV file (*.csv)|*.csv",
                              dialogFolder(m_recording->LoadedFileBase, ""),
                              base.filename().string() + "_events.csv");
    request.defaultSuffix = "csv";
    const auto path = m_dialogs.saveFile(request);
    if (!path) return;
    // The dialog asks before it replaces a file, but never the recording's own.
    if (const std::string why = exportOverRecordingProblem(*path, filesInUse(*m_recording));
        !why.empty()) {
        m_dialogs.showMessage({"The events could not be written to " + *path + ": " + why,
                               "Export Events", MessageIcon::Exclamation});
        return;
    }
    std::ostringstream csv;
    writeEventsCsv(m_list->model().shownEvents(), m_recording->Records, csv);
    if (const auto error = replaceFileContents(*path, csv.str(), *path))
        m_dialogs.showMessage(
            {"The events could not be written to " + *path + ": " + error->description,
             "Export Events", MessageIcon::Exclamation});
    else if (fileWritten)
        fileWritten(*path);
}

} // namespace kv
