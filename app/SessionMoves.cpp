#include "SessionMoves.h"

#include "Dialogs.h"
#include "GoToTimeDialog.h"
#include "KeyTable.h"
#include "PlayTime.h"
#include "PlaybackEngine.h"
#include "TextHelpers.h"

#include <QLabel>

#include <algorithm>

namespace kv {

SessionMoves::SessionMoves(QWidget& window, PlaybackEngine& engine, Dialogs& dialogs,
                           QLabel& elapsed)
    : QObject(&window), m_window(window), m_engine(engine), m_dialogs(dialogs),
      m_elapsed(elapsed) {
}

bool SessionMoves::paused() const {
    return m_engine.PlayMode == PlayState::Playing && m_engine.TransportState == Transport::Paused;
}

void SessionMoves::addKeys(KeyTable& t) {
    // The arrows repeat while held, as the knob's do.
    t.addKey(
        Qt::Key_Left, QStringLiteral("One second back"), [this] { step(-kRecordsPerSecond); },
        true);
    t.addKey(
        Qt::Key_Right, QStringLiteral("One second forward"), [this] { step(kRecordsPerSecond); },
        true);
    // One record only where the meter stands still.
    auto fine = [this](std::int32_t sign) {
        if (m_engine.PlayMode == PlayState::Stopped || paused()) step(sign);
    };
    t.addShiftedKey(
        Qt::Key_Left, QStringLiteral("One record back, while paused or stopped"),
        [fine] { fine(-1); }, true);
    t.addShiftedKey(
        Qt::Key_Right, QStringLiteral("One record forward, while paused or stopped"),
        [fine] { fine(1); }, true);
    t.addShortcut(QKeySequence(Qt::CTRL | Qt::Key_G), QStringLiteral("Go to a time\u2026"),
                  &m_window, [this] { askTime(); });
}

// From the record shown (paused), the cursor (playing) or the range's start
// (stopped); while playing the move stays inside the range.
void SessionMoves::step(std::int32_t records) {
    const RecordingFile* rec = m_engine.recording();
    if (!rec || rec->RecordCount < 1 || m_engine.PlayMode == PlayState::Testing) return;
    std::int32_t from = m_engine.positionRecord();
    if (paused() && m_engine.ShownRecord > 0) from = m_engine.ShownRecord;
    std::int32_t to = std::clamp<std::int32_t>(from + records, 1, rec->RecordCount);
    if (m_engine.PlayMode == PlayState::Playing)
        to = std::clamp(to, std::max(1, rec->LoopStartRecord),
                        std::max(std::max(1, rec->LoopStartRecord), rec->LoopEndRecord));
    if (to == from) return;
    m_engine.goToRecord(to);
    transportChanged();
}

std::string SessionMoves::goToTime(std::int32_t ms) {
    const RecordingFile* rec = m_engine.recording();
    if (!rec || rec->RecordCount < 1) return "No recording is loaded.";
    if (m_engine.PlayMode == PlayState::Testing) return "The meter test is running.";
    // The first record at or after the time, as a click on the bar finds it.
    const auto it = std::lower_bound(
        rec->Records.begin(), rec->Records.end(), ms,
        [](const SampleRecord& r, std::int32_t t) { return r.TimeMs < t; });
    const std::int32_t record = std::clamp<std::int32_t>(
        static_cast<std::int32_t>(it - rec->Records.begin()) + 1, 1, rec->RecordCount);
    if (m_engine.PlayMode == PlayState::Playing) {
        const std::int32_t first = std::max(1, rec->LoopStartRecord);
        const std::int32_t last = std::max(first, rec->LoopEndRecord);
        if (record < first || record > last) {
            auto time = [&](std::int32_t r) {
                return Format_PlayTime(rec->record(r).TimeMs / 1000, rec->TotalTimeMs);
            };
            return "That is outside the range being played (" + time(first) + " to " +
                   time(last) + "). Stop to go anywhere in the recording.";
        }
    }
    if (!m_engine.goToRecord(record))
        return "Playback is starting or stopping; try again in a moment.";
    transportChanged();
    return {};
}

void SessionMoves::askTime() {
    const RecordingFile* rec = m_engine.recording();
    if (!rec || rec->RecordCount < 1 || m_engine.PlayMode == PlayState::Testing) {
        m_dialogs.beep();
        return;
    }
    GoToTimeDialog dialog({rec->TotalTimeMs, rec->ClockStartSecs},
                          [this](std::int32_t ms) { return goToTime(ms); }, &m_window);
    m_dialogs.runModal(dialog);
}

std::string SessionMoves::elapsedText(const std::string& wholeSeconds) const {
    const RecordingFile* rec = m_engine.recording();
    if (!paused() || !rec || m_engine.ShownRecord < 1 || m_engine.ShownRecord > rec->RecordCount)
        return wholeSeconds;
    const std::int32_t ms = rec->record(m_engine.ShownRecord).TimeMs;
    return Format_PlayTime(ms / 1000, rec->TotalTimeMs) + "." + std::to_string(ms / 100 % 10);
}

void SessionMoves::transportChanged() {
    const RecordingFile* rec = m_engine.recording();
    if (!rec || m_engine.PlayMode != PlayState::Playing) return;
    m_elapsed.setText(q(elapsedText(Format_PlayTime(m_engine.ShownSecs, rec->TotalTimeMs))));
}

} // namespace kv
