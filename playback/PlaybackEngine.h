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
    // Playback stopped because the sound ended at atMs, before the range's end.
    virtual void soundEndedEarly(std::int32_t /*atMs*/) {}
};

class PlaybackEngine {
public:
    PlaybackEngine(AudioChannel& audio, MeterModel& meter, Scheduler& scheduler,
                   PlaybackView& view);
    ~PlaybackEngine();

    // The recording to play (or none). Resets the transport and the range.
    void setRecording(RecordingFile* recording);
    RecordingFile* recording() const { return m_rec; }

    static constexpr int kBarWidth = 1000; // the position bar's horizontal scale

    int PlayMode = 0;       // 0 stopped, 2 a recording plays (also paused), 4 test mode
    int TransportState = 0; // 0 idle, 1 playing, 2 paused
    std::int32_t RecordCursor = 1;
    bool NewRecordReady = false;
    bool BarResetPending = false;
    std::int64_t AudioPosition = 0;
    std::string SeekPosition = "0";
    std::int32_t ShownSecs = 0;
    int ShownClockMinute = -1;
    int LoopStartX = 0;
    int LoopEndX = kBarWidth;
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
    // True while a banner wait of Play, Stop or a loop restart runs.
    bool inBannerWait() const { return m_banner != 0; }

    // Position bar, x in the bar's scale (0..kBarWidth). Returns the tool tip.
    void barMouseDown(bool leftButton, double x);
    std::string barMouseMove(bool leftHeld, double x);
    void barMouseUp(bool leftButton, double x);

    // The same by record (1-based), for views finer than the bar such as the
    // session overview: a press while playing jumps inside the range; while
    // stopped press, drag and release choose the range. A release without a
    // record is a click: the range runs from the press to the end.
    void pressAtRecord(std::int32_t record);
    std::string dragToRecord(std::int32_t record);
    void releaseAtRecord(std::optional<std::int32_t> record);
    // A click at the record's place: while playing a jump (false outside the
    // range), while stopped the range from there to the end.
    bool goToRecord(std::int32_t record);
    // Where playback is: the record cursor while playing, else the range's start.
    std::int32_t positionRecord() const;

    // Ends playback at once without the END banner (exit, a new load).
    void abandon();

    // The bar maps x = record / RecordCount * kBarWidth, x in 0..kBarWidth and
    // records in 1..RecordCount (all ends included). recordAtX: the nearest
    // record (halves to the even one), clamped to 1..RecordCount. xOfRecord:
    // the nearest x (halves to even), clamped to 0..kBarWidth; 0 without a
    // recording. timeTextAtX: x / kBarWidth of the total time, in whole
    // seconds to nearest (halves to even). cursorX: the record cursor's x,
    // rounded down; 0 without a recording.
    std::int32_t recordAtX(int x) const;
    int xOfRecord(std::int32_t record) const;
    std::string timeTextAtX(int x) const;
    int cursorX() const;

private:
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
