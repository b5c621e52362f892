#include "PlaybackEngine.h"

#include "AudioChannel.h"
#include "PlayTime.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <utility>

namespace kv {
namespace {

constexpr double kSkipResumeSecs = 0.8;

bool startsWith(const std::string& text, const char* word) {
    return text.rfind(word, 0) == 0;
}

} // namespace

PlaybackEngine::PlaybackEngine(AudioChannel& audio, MeterModel& meter, Scheduler& scheduler,
                               PlaybackView& view)
    : m_audio(audio), m_meter(meter), m_sched(scheduler), m_view(view),
      m_skip(scheduler, kSkipResumeSecs, [this] { skipTimerFired(); }) {}

PlaybackEngine::~PlaybackEngine() {
    cancelPending();
}

void PlaybackEngine::cancelPending() {
    if (m_poll) m_sched.cancel(m_poll);
    if (m_banner) m_sched.cancel(m_banner);
    m_poll = m_banner = 0;
    m_idleWhilePaused = false;
    m_skip.stop();
    m_waiting = false;
}

void PlaybackEngine::setRecording(RecordingFile* recording) {
    abandon();
    m_rec = recording;
    TransportState = Transport::Idle;
    RecordCursor = 1;
    ShownRecord = 0;
    LoopStartX = 0;
    LoopEndX = BarScale::kWidth;
    BarResetPending = false;
    SegmentStartMarked = false;
    RangeChosen = false;
    AudioPosition = 0;
    SeekPosition = 0;
}

void PlaybackEngine::abandon() {
    const bool wasPlaying = PlayMode == PlayState::Playing;
    cancelPending();
    if (wasPlaying) {
        PlayMode = PlayState::Stopped;
        TransportState = Transport::Idle;
        NewRecordReady = false;
        RecordCursor = 1;
        m_view.playbackMenus(false);
    }
}

std::int64_t PlaybackEngine::unitsOf(std::int32_t timeMs) const {
    return static_cast<std::int64_t>(std::nearbyint(timeMs * (m_rec->AudioUnitsPerSec / 1000.0)));
}

std::string PlaybackEngine::playTime(std::int64_t secs) const {
    return Format_PlayTime(static_cast<std::int32_t>(secs), m_rec ? m_rec->TotalTimeMs : 0);
}

void PlaybackEngine::paintRange(int x0, int x1) {
    m_view.paintBarRange(x0, x1);
    m_view.playbackMoved();
}

void PlaybackEngine::showRecord() {
    m_view.showRecord();
    m_view.playbackMoved();
}

BarScale PlaybackEngine::scale() const {
    return BarScale{m_rec ? m_rec->RecordCount : 0};
}

int PlaybackEngine::cursorX() const {
    return scale().xOf(RecordCursor);
}

std::int32_t PlaybackEngine::recordAtX(int x) const {
    return scale().recordAt(x);
}

std::string PlaybackEngine::timeTextAtX(int x) const {
    return playTime(static_cast<std::int64_t>(
        std::nearbyint(static_cast<double>(x) / BarScale::kWidth * m_rec->TotalTimeMs / 1000.0)));
}

void PlaybackEngine::pollPosition() {
    const AudioReply r = m_audio.send("status WavFile position");
    if (!r.ok()) return;
    char* end = nullptr;
    const long long v = std::strtoll(r.text.c_str(), &end, 10);
    if (end != r.text.c_str()) AudioPosition = v;
}

void PlaybackEngine::cmdPlay_Click() {
    if (!m_rec || inBannerWait()) return;
    switch (TransportState) {
    case Transport::Idle: {
        m_soundEndedMs.reset();
        ShownRecord = 0;
        m_view.setRecordPanelEnabled(false);
        saved = {m_meter.KnobIndex, m_meter.FreezeEnable, m_meter.DialType, m_meter.BdTotal,
                 m_meter.BdEnabled};
        m_view.keepUserSettings(saved);
        m_view.clearTag();
        PlayMode = PlayState::Playing;
        m_view.playbackMenus(true);
        m_meter.CurrentRecord = m_rec->record(std::max(1, m_rec->LoopStartRecord));
        SeekPosition = unitsOf(m_meter.CurrentRecord.TimeMs);
        m_audio.send("seek WavFile to " + std::to_string(SeekPosition));
        m_view.setElapsedText(playTime(static_cast<std::int64_t>(
            std::nearbyint(static_cast<double>(SeekPosition) / m_rec->AudioUnitsPerSec))));
        m_view.Remove_Needle();
        m_view.printBanner("PLAY");
        m_banner = m_sched.after(1.0, [this] {
            m_banner = 0;
            startAfterBanner();
        });
        return;
    }
    case Transport::Playing:
        m_audio.send("pause WavFile");
        m_view.printBanner("PAUSE");
        m_banner = m_sched.after(1.0, [this] {
            m_banner = 0;
            NewRecordReady = false;
            TransportState = Transport::Paused;
            m_view.setRecordPanelEnabled(true);
            m_view.Update_Buttons();
        });
        return;
    case Transport::Paused:
        m_view.Remove_Needle();
        m_audio.send("play WavFile from " + std::to_string(AudioPosition));
        TransportState = Transport::Playing;
        m_view.setRecordPanelEnabled(true);
        m_view.Update_Buttons();
        wakeAfterPause();
        return;
    default:
        return;
    }
}

void PlaybackEngine::startAfterBanner() {
    m_view.Draw_Panel();
    pollPosition();
    m_audio.send("play WavFile");
    m_view.setModeText("Playback");
    m_meter.lampOff();
    RecordCursor = std::max(1, m_rec->LoopStartRecord);
    m_meter.ResetPending = true;
    TransportState = Transport::Playing;
    m_view.setRecordPanelEnabled(true);
    SegmentStartMarked = false;
    m_view.Update_Buttons();
    m_view.focusStop();
    scheduleSync(0);
}

void PlaybackEngine::setSpeed(double speed) {
    Speed = speed;
    if (PlayMode == PlayState::Playing && m_poll) scheduleSync(0);
}

void PlaybackEngine::scheduleSync(double seconds) {
    m_idleWhilePaused = false;
    if (m_poll) m_sched.cancel(m_poll);
    m_poll = m_sched.after(seconds, [this] {
        m_poll = 0;
        syncRecord();
    });
}

// One Sync_Record call, resumed by the scheduler while it waits for the sound
// to reach the record; then the record is shown and the next call is queued.
void PlaybackEngine::syncRecord() {
    if (PlayMode != PlayState::Playing || !m_rec) return;
    if (!m_waiting) {
        NewRecordReady = false;
        m_fetched = 0;
    }
    for (;;) {
        if (!m_waiting) {
            if (BarResetPending) {
                BarResetPending = false;
                paintRange(LoopStartX, LoopEndX);
                m_view.setElapsedText(playTime(AudioPosition / m_rec->AudioUnitsPerSec));
                m_meter.ResetPending = true;
            }
            m_view.paintBarPlayed(LoopStartX, cursorX());
            if (RecordCursor > m_rec->RecordCount - 1 || RecordCursor > m_rec->LoopEndRecord) {
                if (PlayLoopEnable && PlayMode == PlayState::Playing)
                    restartLoop();
                else
                    cmdStop_Click();
                return;
            }
            m_meter.CurrentRecord = m_rec->record(RecordCursor);
            NewRecordReady = true;
            m_waiting = true;
        }
        // One poll of the wait for the sound to reach the record.
        const std::string mode = m_audio.send("status WavFile mode").text;
        if (startsWith(mode, "stopped")) {
            if (RecordCursor < std::min(m_rec->RecordCount - 1, m_rec->LoopEndRecord))
                m_soundEndedMs = m_meter.CurrentRecord.TimeMs;
            RecordCursor = m_rec->RecordCount;
        }
        if (startsWith(mode, "paused")) {
            NewRecordReady = false;
            m_waiting = false;
            // Nothing to poll for while the sound stands still: the calls
            // that move or restart it wake the loop, and the same record is
            // fetched again then.
            m_idleWhilePaused = true;
            return;
        }
        pollPosition();
        // The offset is heard time: at 2x, 200 ms of delay hold 400 ms of sound.
        const double t = static_cast<double>(AudioPosition) * 1000.0 / m_rec->AudioUnitsPerSec -
                         SyncOffsetMs * Speed;
        const std::int32_t due = m_meter.CurrentRecord.TimeMs;
        if (startsWith(mode, "playing") && t < due) {
            scheduleSync((due - t) / 1000.0 / Speed);
            return;
        }
        m_waiting = false;
        ++RecordCursor;
        ++m_fetched;
        m_meter.lagFetched(m_fetched);
        if (t - due >= 10) continue; // behind the sound: fetch the next at once
        break;
    }
    m_meter.lagEndOfCall();
    // The elapsed time, like the records, is that of the sound being heard.
    const std::int64_t heard = std::max<std::int64_t>(
        0, AudioPosition - unitsOf(static_cast<std::int32_t>(std::lround(SyncOffsetMs * Speed))));
    const std::int32_t secs = static_cast<std::int32_t>(heard / m_rec->AudioUnitsPerSec);
    if (secs != ShownSecs) {
        ShownSecs = secs;
        m_view.setElapsedText(playTime(secs));
        if (m_rec->ClockStartSecs != 0) {
            const std::int32_t c = m_rec->ClockStartSecs + secs;
            const int minute = (c / 60) % 60;
            if (minute != ShownClockMinute) {
                ShownClockMinute = minute;
                m_view.Update_Clock(c / 3600, minute, m_rec->RecordingDay);
            }
        }
    }
    if (NewRecordReady) {
        ShownRecord = RecordCursor - 1;
        showRecord();
    }
    if (PlayMode == PlayState::Playing) scheduleSync(0);
}

void PlaybackEngine::restartLoop() {
    m_soundEndedMs.reset();
    m_audio.send("seek WavFile to " + std::to_string(SeekPosition));
    m_view.Remove_Needle();
    m_view.printBanner("PLAY");
    m_banner = m_sched.after(2.0, [this] {
        m_banner = 0;
        restartAfterBanner();
    });
}

void PlaybackEngine::restartAfterBanner() {
    m_view.Remove_Needle();
    ShownSecs = static_cast<std::int32_t>(AudioPosition / m_rec->AudioUnitsPerSec);
    NewRecordReady = false;
    if (m_rec->ClockStartSecs != 0) {
        const std::int32_t c = m_rec->ClockStartSecs + ShownSecs;
        m_view.Update_Clock(c / 3600, (c / 60) % 60, m_rec->RecordingDay);
    }
    m_view.setElapsedText(playTime(0));
    pollPosition();
    m_audio.send("play WavFile");
    RecordCursor = std::max(1, m_rec->LoopStartRecord);
    paintRange(LoopStartX, LoopEndX);
    m_view.Draw_Panel();
    m_meter.ResetPending = true;
    scheduleSync(0);
}

void PlaybackEngine::markSegmentStart() {
    if (!m_rec) return;
    const std::int32_t cursor = std::clamp(RecordCursor, 1, m_rec->RecordCount);
    SegmentStartMarked = true;
    RangeChosen = true;
    m_rec->LoopStartRecord = cursor;
    m_meter.CurrentRecord = m_rec->record(cursor);
    SeekPosition = roundHalfEven(m_rec->AudioUnitsPerSec / 1000.0 * m_meter.CurrentRecord.TimeMs);
    LoopStartX = xOfRecord(cursor);
    BarResetPending = true;
}

void PlaybackEngine::markSegmentEnd() {
    if (!m_rec) return;
    const std::int32_t cursor = std::clamp(RecordCursor, 1, m_rec->RecordCount);
    m_rec->LoopEndRecord = cursor;
    RangeChosen = true;
    LoopEndX = xOfRecord(cursor);
    BarResetPending = true;
    SegmentStartMarked = false;
}

void PlaybackEngine::rangeIsWholeAgain() {
    TransportState = Transport::Idle;
    RangeChosen = false;
    LoopStartX = 0;
    LoopEndX = BarScale::kWidth;
    SeekPosition = 0;
}

void PlaybackEngine::cmdStop_Click() {
    if (PlayMode != PlayState::Playing) return;
    m_view.setRecordPanelEnabled(false);
    PlayMode = PlayState::Stopped;
    cancelPending(); // a pending start or restart is dropped with the loop
    m_audio.send("stop WavFile");
    m_view.Remove_Needle();
    m_view.printBanner("END");
    m_banner = m_sched.after(1.0, [this] {
        m_banner = 0;
        stopAfterBanner();
    });
}

void PlaybackEngine::stopAfterBanner() {
    m_view.Draw_Panel();
    m_meter.ResetPending = true;
    NewRecordReady = false;
    if (m_meter.Override)
        m_view.restoreUserSettings(saved);
    else
        m_view.Update_RecordReadouts(std::max(1, m_rec->LoopStartRecord));
    m_view.setElapsedText(playTime(static_cast<std::int64_t>(
        std::nearbyint(static_cast<double>(SeekPosition) / m_rec->AudioUnitsPerSec))));
    m_view.playbackMenus(false);
    TransportState = Transport::Idle;
    RecordCursor = 1;
    paintRange(LoopStartX, LoopEndX);
    m_view.setModeText("");
    m_view.Update_Buttons();
    m_view.setRecordPanelEnabled(true);
    m_meter.ResetPending = true;
    if (const auto at = std::exchange(m_soundEndedMs, std::nullopt))
        m_view.soundEndedEarly(*at);
}

void PlaybackEngine::cmdFwd_Click() {
    if (PlayMode != PlayState::Playing || inBannerWait()) return;
    if (!m_skip.running()) m_audio.send("pause WavFile");
    m_skip.start();
    RecordCursor += m_rec->SkipStepSecs * 50;
    if (RecordCursor > m_rec->LoopEndRecord) RecordCursor = m_rec->LoopEndRecord - 50;
    // A range of 50 records or fewer: stay inside it.
    RecordCursor = std::max(RecordCursor, std::max(1, m_rec->LoopStartRecord));
    jumpTo(RecordCursor);
}

void PlaybackEngine::cmdRev_Click() {
    if (PlayMode != PlayState::Playing || inBannerWait()) return;
    if (!m_skip.running()) m_audio.send("pause WavFile");
    m_skip.start();
    RecordCursor -= m_rec->SkipStepSecs * 50;
    if (RecordCursor < m_rec->LoopStartRecord) RecordCursor = m_rec->LoopStartRecord;
    RecordCursor = std::max(1, RecordCursor);
    jumpTo(RecordCursor);
}

void PlaybackEngine::jumpTo(std::int32_t record) {
    m_meter.CurrentRecord = m_rec->record(record);
    AudioPosition = unitsOf(m_meter.CurrentRecord.TimeMs);
    m_view.setElapsedText(playTime(AudioPosition / m_rec->AudioUnitsPerSec));
    BarResetPending = true;
    // With the sound standing still (paused, or held by a skip series) the
    // meter shows the record jumped to at once, as playback shows the first
    // record after a jump; the same record comes again when the sound goes on.
    if (PlayMode == PlayState::Playing &&
        (TransportState == Transport::Paused || m_skip.running())) {
        m_meter.ResetPending = true;
        ShownRecord = record;
        showRecord();
    }
    if (PlayMode == PlayState::Playing && (m_poll || m_idleWhilePaused))
        scheduleSync(0); // take the jump at once, not at the old record's time
    m_view.playbackMoved();
}

void PlaybackEngine::skipTimerFired() {
    if (PlayMode != PlayState::Playing) return;
    m_meter.CurrentRecord = m_rec->record(RecordCursor);
    AudioPosition = unitsOf(m_meter.CurrentRecord.TimeMs);
    if (TransportState == Transport::Playing)
        m_audio.send("play WavFile from " + std::to_string(AudioPosition));
    wakeAfterPause();
}

void PlaybackEngine::wakeAfterPause() {
    if (m_idleWhilePaused && PlayMode == PlayState::Playing) scheduleSync(0);
}

void PlaybackEngine::barMouseDown(bool left, double xIn) {
    if (!m_rec) return;
    const int x = BarScale::clampX(xIn);
    if (PlayMode == PlayState::Playing) {
        if (!left || x < LoopStartX || x > LoopEndX) return;
        RecordCursor = recordAtX(x);
        jumpTo(RecordCursor);
        if (TransportState == Transport::Playing)
            m_audio.send("play WavFile from " + std::to_string(AudioPosition));
        wakeAfterPause();
        return;
    }
    if (left) {
        const int start = x >= 10 ? x : 0;
        startRange(recordAtX(start), start, timeTextAtX(x));
    } else {
        LoopStartX = 0;
        m_rec->LoopStartRecord = 1;
        LoopEndX = BarScale::kWidth;
        m_rec->LoopEndRecord = m_rec->RecordCount;
        RangeChosen = false;
        m_view.Update_Buttons();
    }
}

void PlaybackEngine::startRange(std::int32_t record, int x, const std::string& elapsed) {
    m_view.setElapsedText(elapsed);
    LoopStartX = x;
    m_rec->LoopStartRecord = record;
    m_pressX = LoopStartX;
    paintRange(0, 0);
    m_view.Update_RecordReadouts(m_rec->LoopStartRecord);
    m_meter.CurrentRecord = m_rec->record(m_rec->LoopStartRecord);
}

std::string PlaybackEngine::barMouseMove(bool leftHeld, double xIn) {
    if (!m_rec) return {};
    const int x = BarScale::clampX(xIn);
    const std::string tip = timeTextAtX(x);
    if (PlayMode == PlayState::Playing || !leftHeld) return tip;
    m_view.setElapsedText(tip);
    if (x > LoopStartX) paintRange(LoopStartX, x);
    m_view.Update_RecordReadouts(recordAtX(x));
    return tip;
}

void PlaybackEngine::barMouseUp(bool left, double xIn) {
    if (!m_rec || PlayMode == PlayState::Playing) return;
    const int x = BarScale::clampX(xIn);
    if (!left) {
        endRange(std::nullopt, -1, timeTextAtX(LoopStartX));
        return;
    }
    if (x > LoopStartX + BarScale::kWidth / 100)
        endRange(recordAtX(std::min(x, BarScale::kWidth)), std::min(x, BarScale::kWidth),
                 timeTextAtX(LoopStartX));
    else
        endRange(std::nullopt, BarScale::kWidth, timeTextAtX(LoopStartX));
}

// record: the range's last record at bar position x; none with x < 0 keeps
// the range's end, none with x >= 0 lets the range run to the end.
void PlaybackEngine::endRange(std::optional<std::int32_t> record, int x,
                              const std::string& elapsed) {
    if (record) {
        LoopEndX = x;
        m_rec->LoopEndRecord = *record;
        RangeChosen = true;
        m_view.Update_RecordReadouts(m_rec->LoopStartRecord);
    } else if (x >= 0) {
        LoopEndX = BarScale::kWidth;
        m_rec->LoopEndRecord = m_rec->RecordCount;
        RangeChosen = false;
    }
    m_view.setElapsedText(elapsed);
    paintRange(LoopStartX, LoopEndX);
    m_view.Update_Buttons();
}

int PlaybackEngine::xOfRecord(std::int32_t record) const {
    return scale().xOf(record);
}

std::int32_t PlaybackEngine::positionRecord() const {
    if (!m_rec) return 0;
    return PlayMode == PlayState::Playing ? RecordCursor : std::max(1, m_rec->LoopStartRecord);
}

void PlaybackEngine::pressAtRecord(std::int32_t record) {
    if (!m_rec || PlayMode == PlayState::Testing) return;
    record = std::clamp<std::int32_t>(record, 1, m_rec->RecordCount);
    if (PlayMode == PlayState::Playing) {
        goToRecord(record);
        return;
    }
    startRange(record, xOfRecord(record), playTime(m_rec->record(record).TimeMs / 1000));
}

std::string PlaybackEngine::dragToRecord(std::int32_t record) {
    if (!m_rec) return {};
    record = std::clamp<std::int32_t>(record, 1, m_rec->RecordCount);
    const std::string tip = playTime(m_rec->record(record).TimeMs / 1000);
    if (PlayMode != PlayState::Stopped) return tip;
    m_view.setElapsedText(tip);
    if (record > m_rec->LoopStartRecord) paintRange(LoopStartX, xOfRecord(record));
    m_view.Update_RecordReadouts(record);
    return tip;
}

void PlaybackEngine::releaseAtRecord(std::optional<std::int32_t> record) {
    if (!m_rec || PlayMode != PlayState::Stopped) return;
    const std::string elapsed =
        playTime(m_rec->record(std::max(1, m_rec->LoopStartRecord)).TimeMs / 1000);
    if (record && *record > m_rec->LoopStartRecord) {
        const std::int32_t last = std::min(*record, m_rec->RecordCount);
        endRange(last, xOfRecord(last), elapsed);
    } else {
        endRange(std::nullopt, BarScale::kWidth, elapsed);
    }
}

bool PlaybackEngine::goToRecord(std::int32_t record) {
    if (!m_rec || PlayMode == PlayState::Testing || inBannerWait()) return false;
    record = std::clamp<std::int32_t>(record, 1, m_rec->RecordCount);
    if (PlayMode == PlayState::Playing) {
        if (record < std::max(1, m_rec->LoopStartRecord) || record > m_rec->LoopEndRecord)
            return false;
        RecordCursor = record;
        jumpTo(RecordCursor);
        if (TransportState == Transport::Playing)
            m_audio.send("play WavFile from " + std::to_string(AudioPosition));
        return true;
    }
    pressAtRecord(record);
    releaseAtRecord(std::nullopt);
    return true;
}

} // namespace kv
