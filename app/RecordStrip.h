// RecordStrip: the strip under the meter (picRecord) with the position bar,
// the transport and edit buttons, the times, the loaded file's name, the tag
// and the Overide box. It makes and places its widgets; the window wires them.
#pragma once

#include <QFrame>

class QCheckBox;
class QLabel;
class QToolButton;

namespace kv {

class PositionBar;

class RecordStrip : public QFrame {
    Q_OBJECT
public:
    static constexpr int kHeight = 81; // without the overview strip
    explicit RecordStrip(QWidget* parent);

    // Places the widgets for a strip `width` pixels wide; `overview`, when
    // given, goes under the bar (overviewHeight high) and moves the rest down.
    void layOut(int width, QWidget* overview, int overviewHeight);
    // Load is shown (not Loop in its place) and enabled.
    bool loadAvailable() const;

    QToolButton* cmdLoad;
    QToolButton* cmdLoop; // in Load's place while playing
    QToolButton* cmdPlay;
    QToolButton* cmdStop;
    QToolButton* cmdRev;
    QToolButton* cmdFwd;
    QToolButton* cmdEditStart;
    QToolButton* cmdEditEnd;
    QToolButton* cmdExpand;
    QToolButton* cmdSave;
    QCheckBox* chkOveride;
    QLabel* lblLoadedFile;
    QLabel* lblPlayTime;
    QLabel* lblTotalTime;
    QLabel* lblTag;
    PositionBar* bar;
};

} // namespace kv
