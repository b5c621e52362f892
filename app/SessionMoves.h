// SessionMoves: the finer ways about a recording. Ctrl+G asks for a time and
// goes there; Left/Right go 1 s back or forward, Shift+Left/Right one record
// while paused or stopped. Every move is the engine's jump, with the rules of
// a click on the position bar: while playing it stays within the range, while
// stopped it moves the range's start. While paused the elapsed label shows
// tenths of a second, of the record the meter shows.
#pragma once

#include <QObject>

#include <cstdint>
#include <string>

class QLabel;
class QWidget;

namespace kv {

class Dialogs;
class KeyTable;
class PlaybackEngine;

class SessionMoves final : public QObject {
public:
    SessionMoves(QWidget& window, PlaybackEngine& engine, Dialogs& dialogs, QLabel& elapsed);

    // Left, Right, Shift+Left, Shift+Right and Ctrl+G in the window's key table.
    void addKeys(KeyTable& table);
    // Asks for a time and goes there (Ctrl+G).
    void askTime();
    // Goes to the session time ms; empty, or why it could not.
    std::string goToTime(std::int32_t ms);
    // The elapsed text to show for the engine's whole-second text.
    std::string elapsedText(const std::string& wholeSeconds) const;
    // The transport changed: the label follows (tenths while paused).
    void transportChanged();

    static constexpr std::int32_t kRecordsPerSecond = 50;

private:
    bool paused() const;
    void step(std::int32_t records);

    QWidget& m_window;
    PlaybackEngine& m_engine;
    Dialogs& m_dialogs;
    QLabel& m_elapsed;
};

} // namespace kv
