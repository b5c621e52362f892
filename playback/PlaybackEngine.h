// PlaybackEngine: plays a loaded recording in step with its sound. The audio
// channel is the master clock: the engine polls its mode and position and
// hands the meter the record whose time the sound has reached, skipping
// records when the display is 10 ms or more behind. It is driven by the
// scheduler (one poll per record, timed to the record's due time), never by
// spinning, so the window stays live and the CPU idle between records.
//
// It owns the transport state (PlayMode, TransportState, RecordCursor,
// BarResetPending, NewRecordReady), the playback range on the position bar
// and the skip timer; ResetPending lives in the meter model it drives.
#pragma once

#include "BarScale.h"
#include "MeterModel.h"
#include "RecordingFile.h"
#include "Scheduler.h"

#include <cstdint>
#include <optional>
#include <string>

namespace kv {

class AudioChannel;

// The user's own values, saved when playback starts and restored by Stop and
// by ticking Override.
struct SavedUserSettings {
    int KnobIndex = 8;
    bool FreezeEnable = false;
    int DialType = 1;
    std::int16_t BdTotal = 0;
    bool BdEnabled = false;
};

// What the engine asks the window to show or do.
class PlaybackView {
public:
    virtual ~PlaybackView() = default;
    virtual void setRecordPanelEnabled(bool /*enabled*/) {}
    virtual void Remove_Needle() {}
    virtual void printBanner(const std::string& /*word*/) {}
    virtual void Draw_Panel() {}
    virtual void setElapsedText(const std::string& /*text*/) {}
    virtual void Update_Clock(int /*hr*/, int /*min*/, std::int32_t /*day*/) {}
    virtual void showRecord() {} // Process_Sample, Update_Needle and the graph
    virtual void paintBarRange(int /*x0*/, int /*x1*/) {}  // clear, then the range as unplayed
    virtual void paintBarPlayed(int /*x0*/, int /*x1*/) {} // the played part
    virtual void Update_Buttons() {}
    virtual void setModeText(const std::string& /*text*/) {}
    virtual void playbackMenus(bool /*playing*/) {}
    virtual void restoreUserSettings(const SavedUserSettings& /*saved*/) {}
    // The values just saved at the start of playback are those shown; where
    // the panel shows a recording's rather than the user's own, the view puts
    // the user's back.
    virtual void keepUserSettings(SavedUserSettings& /*saved*/) {}
    virtual void Update_RecordReadouts(std::int32_t /*index*/) {}
    virtual void clearTag() {}
    virtual void focusStop() {}
    // Where playback is or its range changed: after a record is shown, the
    // range is painted, or a jump.
    virtual void playbackMoved() {}
    // Playback stopped because the sound ended at atMs, before the range's end.
    virtual void soundEndedEarly(std::int32_t /*atMs*/) {}
};

// PlayMode: what the player is doing. Playing lasts while paused.
enum class PlayState { Stopped = 0, Playing = 2, Testing = 4 };
// TransportState: the sound's state while a recording plays.
enum class Transport { Idle = 0, Playing = 1, Paused = 2 };

class PlaybackEngine {
public:
    PlaybackEngine(AudioChannel& audio, MeterModel& meter, Scheduler& scheduler,
                   PlaybackView& view);
    ~PlaybackEngine();

    // The recording to play (or none). Resets the transport and the range.
    void setRecording(RecordingFile* recording);
    RecordingFile* recording() const { return m_rec; }

    PlayState PlayMode = PlayState::Stopped;
    Transport TransportState = Transport::Idle;
    std::int32_t RecordCursor = 1;
    // The record the meter shows last while playing (0: none yet): the one
    // before the cursor after a record's time came, the cursor's after a jump.
    std::int32_t ShownRecord = 0;
    bool NewRecordReady = false;
    bool BarResetPending = false;
    std::int64_t AudioPosition = 0;
    std::int64_t SeekPosition = 0; // audio units the sound was last sent to
    std::int32_t ShownSecs = 0;
    int ShownClockMinute = -1;
    int LoopStartX = 0;
    int LoopEndX = BarScale::kWidth;
    bool PlayLoopEnable = false;
    bool SegmentStartMarked = false;
    // The range was set by the user (the bracket buttons, or a drag on the bar
    // or the strip), not only moved to where a click or a jump went.
    bool RangeChosen = false;
    SavedUserSettings saved;

    // Listening. Speed: the rate the channel's position advances at, so that
    // the waits for a record's time are as long as the sound takes to reach
    // it. SyncOffsetMs: how much later (positive) than the channel's position
    // the sound is heard, as wireless headphones delay it; records are
    // compared against the position less the sound played in that time.
    double Speed = 1.0;
    std::int32_t SyncOffsetMs = 0;
    // A new speed; a wait for a record already timed is timed again.
    void setSpeed(double speed);

    void cmdPlay_Click();
    void cmdStop_Click();
    void cmdFwd_Click();
    void cmdRev_Click();
    void cmdLoop_Click() { PlayLoopEnable = !PlayLoopEnable; }

    // The bracket buttons while playing. The range starts (ends) at the
    // record cursor, kept within 1..RecordCount, and the bar is redrawn at
    // the next record. A start is where a loop restart sends the sound.
    void markSegmentStart();
    void markSegmentEnd();
    // The recording was replaced in place by its cut (Expand): idle, the
    // range the whole bar, the sound from its start.
    void rangeIsWholeAgain();
    // The window's test drives the meter; the transport waits until it ends.
    void enterTestMode() { PlayMode = PlayState::Testing; }
    void leaveTestMode() { PlayMode = PlayState::Stopped; }
    // True while a banner wait of Play, Stop or a loop restart runs.
    bool inBannerWait() const { return m_banner != 0; }

    // Position bar, x in the bar's scale, cut to 0..BarScale::kWidth as
    // BarScale::clampX does. Returns the tool tip.
    void barMouseDown(bool leftButton, double x);
    std::string barMouseMove(bool leftHeld, double x);
    void barMouseUp(bool leftButton, double x);

    // The same by record (1-based, kept within 1..RecordCount), for views
    // finer than the bar such as the session overview: a press while playing
    // jumps inside the range; while stopped press, drag and release choose
    // the range. A release without a record, or at or before the range's
    // start, is a click: the range runs from the press to the end.
    void pressAtRecord(std::int32_t record);
    std::string dragToRecord(std::int32_t record);
    void releaseAtRecord(std::optional<std::int32_t> record);
    // A click at the record's place (kept within 1..RecordCount): while
    // playing a jump (false outside the range, both its ends included), while
    // stopped the range from there to the end.
    bool goToRecord(std::int32_t record);
    // Where playback is: the record cursor while playing, else the range's start.
    std::int32_t positionRecord() const;

    // Ends playback at once without the END banner (exit, a new load).
    void abandon();

    // The loaded recording's bar mapping (BarScale: rounding and bounds).
    BarScale scale() const;
    std::int32_t recordAtX(int x) const;      // scale().recordAt(x); needs a recording
    int xOfRecord(std::int32_t record) const; // scale().xOf(record)
    int cursorX() const;                      // the x of RecordCursor
    // The play time at x: x / kWidth of the whole time, in seconds rounded
    // to the nearest (halves to even), as the elapsed text shows it.
    std::string timeTextAtX(int x) const;

private:
    // The view's calls that move the position or the range, each followed
    // by playbackMoved().
    void paintRange(int x0, int x1);
    void showRecord();
    void startAfterBanner();
    void syncRecord();
    void scheduleSync(double seconds);
    void wakeAfterPause();
    void restartLoop();
    void restartAfterBanner();
    void stopAfterBanner();
    void skipTimerFired();
    void jumpTo(std::int32_t record);
    void startRange(std::int32_t record, int x, const std::string& elapsed);
    void endRange(std::optional<std::int32_t> record, int x, const std::string& elapsed);
    void pollPosition();
    void cancelPending();
    std::string playTime(std::int64_t secs) const;
    std::int64_t unitsOf(std::int32_t timeMs) const;

    AudioChannel& m_audio;
    MeterModel& m_meter;
    Scheduler& m_sched;
    PlaybackView& m_view;
    RecordingFile* m_rec = nullptr;
    OneShot m_skip;
    Scheduler::Id m_poll = 0;
    // The sync loop found the sound paused and stopped polling; the calls
    // that move or restart the sound wake it (wakeAfterPause).
    bool m_idleWhilePaused = false;
    Scheduler::Id m_banner = 0;
    bool m_waiting = false; // inside the wait for CurrentRecord's time
    int m_fetched = 0;
    int m_pressX = 0; // where the left button went down on the bar
    std::optional<std::int32_t> m_soundEndedMs; // the sound stopped before the range's end
};

} // namespace kv
