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
    TransportState = 0;
    RecordCursor = 1;
    LoopStartX = 0;
    LoopEndX = kBarWidth;
    BarResetPending = false;
    SegmentStartMarked = false;
    RangeChosen = false;
    AudioPosition = 0;
    SeekPosition = "0";
}

void PlaybackEngine::abandon() {
    const bool wasPlaying = PlayMode == 2;
    cancelPending();
    if (wasPlaying) {
        PlayMode = 0;
        TransportState = 0;
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

int PlaybackEngine::cursorX() const {
    if (!m_rec || m_rec->RecordCount == 0) return 0;
    return static_cast<int>(static_cast<double>(RecordCursor) / m_rec->RecordCount * kBarWidth);
}

std::int32_t PlaybackEngine::recordAtX(int x) const {
    const auto r = static_cast<std::int32_t>(
        std::nearbyint(static_cast<double>(x) / kBarWidth * m_rec->RecordCount));
    return std::clamp<std::int32_t>(r, 1, m_rec->RecordCount);
}

std::string PlaybackEngine::timeTextAtX(int x) const {
    return playTime(static_cast<std::int64_t>(
        std::nearbyint(static_cast<double>(x) / kBarWidth * m_rec->TotalTimeMs / 1000.0)));
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
    case 0: {
        m_soundEndedMs.reset();
        m_view.setRecordPanelEnabled(false);
        saved = {m_meter.KnobIndex, m_meter.FreezeEnable, m_meter.DialType, m_meter.BdTotal,
                 m_meter.BdEnabled};
        m_view.keepUserSettings(saved);
        m_view.clearTag();
        PlayMode = 2;
        m_view.playbackMenus(true);
        m_meter.CurrentRecord = m_rec->record(std::max(1, m_rec->LoopStartRecord));
        SeekPosition = std::to_string(unitsOf(m_meter.CurrentRecord.TimeMs));
        m_audio.send("seek WavFile to " + SeekPosition);
        m_view.setElapsedText(playTime(static_cast<std::int64_t>(std::nearbyint(
            static_cast<double>(std::stoll(SeekPosition)) / m_rec->AudioUnitsPerSec))));
        m_view.Remove_Needle();
        m_view.printBanner("PLAY");
        m_banner = m_sched.after(1.0, [this] {
            m_banner = 0;
            startAfterBanner();
        });
        return;
    }
    case 1:
        m_audio.send("pause WavFile");
        m_view.printBanner("PAUSE");
        m_banner = m_sched.after(1.0, [this] {
            m_banner = 0;
            NewRecordReady = false;
            TransportState = 2;
            m_view.setRecordPanelEnabled(true);
            m_view.Update_Buttons();
        });
        return;
    case 2:
        m_view.Remove_Needle();
        m_audio.send("play WavFile from " + std::to_string(AudioPosition));
        TransportState = 1;
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
    TransportState = 1;
    m_view.setRecordPanelEnabled(true);
    SegmentStartMarked = false;
    m_view.Update_Buttons();
    m_view.focusStop();
    scheduleSync(0);
}

void PlaybackEngine::setSpeed(double speed) {
    Speed = speed;
    if (PlayMode == 2 && m_poll) scheduleSync(0);
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
    if (PlayMode != 2 || !m_rec) return;
    if (!m_waiting) {
        NewRecordReady = false;
        m_fetched = 0;
    }
    for (;;) {
        if (!m_waiting) {
            if (BarResetPending) {
                BarResetPending = false;
                m_view.paintBarRange(LoopStartX, LoopEndX);
                m_view.setElapsedText(playTime(AudioPosition / m_rec->AudioUnitsPerSec));
                m_meter.ResetPending = true;
            }
            m_view.paintBarPlayed(LoopStartX, cursorX());
            if (RecordCursor > m_rec->RecordCount - 1 || RecordCursor > m_rec->LoopEndRecord) {
                if (PlayLoopEnable && PlayMode == 2)
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
    if (NewRecordReady) m_view.showRecord();
    if (PlayMode == 2) scheduleSync(0);
}

void PlaybackEngine::restartLoop() {
    m_soundEndedMs.reset();
    m_audio.send("seek WavFile to " + SeekPosition);
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
    m_view.paintBarRange(LoopStartX, LoopEndX);
    m_view.Draw_Panel();
    m_meter.ResetPending = true;
    scheduleSync(0);
}

void PlaybackEngine::cmdStop_Click() {
    if (PlayMode != 2) return;
    m_view.setRecordPanelEnabled(false);
    PlayMode = 0;
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
        std::nearbyint(static_cast<double>(std::stoll(SeekPosition)) / m_rec->AudioUnitsPerSec))));
    m_view.playbackMenus(false);
    TransportState = 0;
    RecordCursor = 1;
    m_view.paintBarRange(LoopStartX, LoopEndX);
    m_view.setModeText("");
    m_view.Update_Buttons();
    m_view.setRecordPanelEnabled(true);
    m_meter.ResetPending = true;
    if (const auto at = std::exchange(m_soundEndedMs, std::nullopt))
        m_view.soundEndedEarly(*at);
}

void PlaybackEngine::cmdFwd_Click() {
    if (PlayMode != 2 || inBannerWait()) return;
    if (!m_skip.running()) m_audio.send("pause WavFile");
    m_skip.start();
    RecordCursor += m_rec->SkipStepSecs * 50;
    if (RecordCursor > m_rec->LoopEndRecord) RecordCursor = m_rec->LoopEndRecord - 50;
    // A range of 50 records or fewer: stay inside it.
    RecordCursor = std::max(RecordCursor, std::max(1, m_rec->LoopStartRecord));
    jumpTo(RecordCursor);
}

void PlaybackEngine::cmdRev_Click() {
    if (PlayMode != 2 || inBannerWait()) return;
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
    if (PlayMode == 2 && (TransportState == 2 || m_skip.running())) {
        m_meter.ResetPending = true;
        m_view.showRecord();
    }
    if (PlayMode == 2 && (m_poll || m_idleWhilePaused))
        scheduleSync(0); // take the jump at once, not at the old record's time
}

void PlaybackEngine::skipTimerFired() {
    if (PlayMode != 2) return;
    m_meter.CurrentRecord = m_rec->record(RecordCursor);
    AudioPosition = unitsOf(m_meter.CurrentRecord.TimeMs);
    if (TransportState == 1) m_audio.send("play WavFile from " + std::to_string(AudioPosition));
    wakeAfterPause();
}

void PlaybackEngine::wakeAfterPause() {
    if (m_idleWhilePaused && PlayMode == 2) scheduleSync(0);
}

void PlaybackEngine::barMouseDown(bool left, double xIn) {
    if (!m_rec) return;
    const int x = std::clamp(static_cast<int>(xIn), 0, kBarWidth);
    if (PlayMode == 2) {
        if (!left || x < LoopStartX || x > LoopEndX) return;
        RecordCursor = recordAtX(x);
        jumpTo(RecordCursor);
        if (TransportState == 1) m_audio.send("play WavFile from " + std::to_string(AudioPosition));
        wakeAfterPause();
        return;
    }
    if (left) {
        const int start = x >= 10 ? x : 0;
        startRange(recordAtX(start), start, timeTextAtX(x));
    } else {
        LoopStartX = 0;
        m_rec->LoopStartRecord = 1;
        LoopEndX = kBarWidth;
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
    m_view.paintBarRange(0, 0);
    m_view.Update_RecordReadouts(m_rec->LoopStartRecord);
    m_meter.CurrentRecord = m_rec->record(m_rec->LoopStartRecord);
}

std::string PlaybackEngine::barMouseMove(bool leftHeld, double xIn) {
    if (!m_rec) return {};
    const int x = std::clamp(static_cast<int>(xIn), 0, kBarWidth);
    const std::string tip = timeTextAtX(x);
    if (PlayMode == 2 || !leftHeld) return tip;
    m_view.setElapsedText(tip);
    if (x > LoopStartX) m_view.paintBarRange(LoopStartX, x);
    m_view.Update_RecordReadouts(recordAtX(x));
    return tip;
}

void PlaybackEngine::barMouseUp(bool left, double xIn) {
    if (!m_rec || PlayMode == 2) return;
    const int x = std::clamp(static_cast<int>(xIn), 0, kBarWidth);
    if (!left) {
        endRange(std::nullopt, -1, timeTextAtX(LoopStartX));
        return;
    }
    if (x > LoopStartX + kBarWidth / 100)
        endRange(recordAtX(std::min(x, kBarWidth)), std::min(x, kBarWidth),
                 timeTextAtX(LoopStartX));
    else
        endRange(std::nullopt, kBarWidth, timeTextAtX(LoopStartX));
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
        LoopEndX = kBarWidth;
        m_rec->LoopEndRecord = m_rec->RecordCount;
        RangeChosen = false;
    }
    m_view.setElapsedText(elapsed);
    m_view.paintBarRange(LoopStartX, LoopEndX);
    m_view.Update_Buttons();
}

int PlaybackEngine::xOfRecord(std::int32_t record) const {
    if (!m_rec || m_rec->RecordCount == 0) return 0;
    return std::clamp(static_cast<int>(std::nearbyint(static_cast<double>(record) /
                                                      m_rec->RecordCount * kBarWidth)),
                      0, kBarWidth);
}

std::int32_t PlaybackEngine::positionRecord() const {
    if (!m_rec) return 0;
    return PlayMode == 2 ? RecordCursor : std::max(1, m_rec->LoopStartRecord);
}

void PlaybackEngine::pressAtRecord(std::int32_t record) {
    if (!m_rec || PlayMode == 4) return;
    record = std::clamp<std::int32_t>(record, 1, m_rec->RecordCount);
    if (PlayMode == 2) {
        goToRecord(record);
        return;
    }
    startRange(record, xOfRecord(record), playTime(m_rec->record(record).TimeMs / 1000));
}

std::string PlaybackEngine::dragToRecord(std::int32_t record) {
    if (!m_rec) return {};
    record = std::clamp<std::int32_t>(record, 1, m_rec->RecordCount);
    const std::string tip = playTime(m_rec->record(record).TimeMs / 1000);
    if (PlayMode != 0) return tip;
    m_view.setElapsedText(tip);
    if (record > m_rec->LoopStartRecord) m_view.paintBarRange(LoopStartX, xOfRecord(record));
    m_view.Update_RecordReadouts(record);
    return tip;
}

void PlaybackEngine::releaseAtRecord(std::optional<std::int32_t> record) {
    if (!m_rec || PlayMode != 0) return;
    const std::string elapsed =
        playTime(m_rec->record(std::max(1, m_rec->LoopStartRecord)).TimeMs / 1000);
    if (record && *record > m_rec->LoopStartRecord) {
        const std::int32_t last = std::min(*record, m_rec->RecordCount);
        endRange(last, xOfRecord(last), elapsed);
    } else {
        endRange(std::nullopt, kBarWidth, elapsed);
    }
}

bool PlaybackEngine::goToRecord(std::int32_t record) {
    if (!m_rec || PlayMode == 4 || inBannerWait()) return false;
    record = std::clamp<std::int32_t>(record, 1, m_rec->RecordCount);
    if (PlayMode == 2) {
        if (record < std::max(1, m_rec->LoopStartRecord) || record > m_rec->LoopEndRecord)
            return false;
        RecordCursor = record;
        jumpTo(RecordCursor);
        if (TransportState == 1) m_audio.send("play WavFile from " + std::to_string(AudioPosition));
        return true;
    }
    pressAtRecord(record);
    releaseAtRecord(std::nullopt);
    return true;
}

} // namespace kv
