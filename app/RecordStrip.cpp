#include "RecordStrip.h"

#include "ButtonImages.h"
#include "ElidedLabel.h"
#include "PositionBar.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QToolButton>

#include <algorithm>

namespace kv {
namespace {

QToolButton* makeButton(QWidget* parent, const char* name, const char* image, const QString& tip) {
    auto* b = new QToolButton(parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setIcon(buttonImage(QString::fromLatin1(image),
                           QApplication::palette().color(QPalette::ButtonText)));
    b->setIconSize(QSize(24, 24));
    b->setToolTip(tip);
    b->setFocusPolicy(Qt::TabFocus);
    return b;
}

QLabel* named(QLabel* label, const char* name) {
    label->setObjectName(QString::fromLatin1(name));
    return label;
}

} // namespace

RecordStrip::RecordStrip(QWidget* parent)
    : QFrame(parent), cmdLoad(makeButton(this, "cmdLoad", "Load", QStringLiteral("Open"))),
      cmdLoop(makeButton(this, "cmdLoop", "Single", QStringLiteral("Loop playback"))),
      cmdPlay(makeButton(this, "cmdPlay", "Play", QStringLiteral("Play (P)"))),
      cmdStop(makeButton(this, "cmdStop", "Stop", QStringLiteral("Stop (S)"))),
      cmdRev(makeButton(this, "cmdRev", "Rev", QStringLiteral("Back (<)"))),
      cmdFwd(makeButton(this, "cmdFwd", "Fwd", QStringLiteral("Forward (>)"))),
      cmdEditStart(
          makeButton(this, "cmdEditStart", "LeftBracket", QStringLiteral("Segment start"))),
      cmdEditEnd(makeButton(this, "cmdEditEnd", "RightBracket", QStringLiteral("Segment end"))),
      cmdExpand(makeButton(this, "cmdExpand", "Expand", QStringLiteral("Expand"))),
      cmdSave(makeButton(this, "cmdSave", "Save", QStringLiteral("Save"))),
      chkOveride(new QCheckBox(QStringLiteral("Overide"), this)),
      lblLoadedFile(named(new ElidedLabel(this), "lblLoadedFile")),
      lblPlayTime(named(new QLabel(this), "lblPlayTime")),
      lblTotalTime(named(new QLabel(this), "lblTotalTime")),
      lblTag(named(new QLabel(this), "lblTag")), bar(new PositionBar(this)) {
    setObjectName(QStringLiteral("picRecord"));
    setFrameShape(QFrame::NoFrame);
    setAutoFillBackground(true);
    cmdLoop->hide();
    lblTotalTime->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    lblTag->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    lblTag->hide();
    chkOveride->setObjectName(QStringLiteral("chkOveride"));
    chkOveride->setFocusPolicy(Qt::NoFocus);
}

bool RecordStrip::loadAvailable() const {
    return cmdLoad->isEnabled() && cmdLoad->isVisible();
}

void RecordStrip::layOut(int width, QWidget* overview, int overviewHeight) {
    bar->setGeometry(13, 1, std::max(10, width - 26), 19);
    int below = 0;
    if (overview) {
        overview->setGeometry(13, 22, std::max(10, width - 26), overviewHeight);
        below = overviewHeight + 4;
    }
    const int y = 28 + below, size = 40;
    int x = 13;
    for (QToolButton* b : {cmdLoad, cmdPlay, cmdStop, cmdRev, cmdFwd, cmdEditStart, cmdEditEnd,
                           cmdExpand, cmdSave}) {
        b->setGeometry(x, y, size, size);
        x += size + 4;
    }
    cmdLoop->setGeometry(cmdLoad->geometry());
    // Times on one line, the name under them; the tag and the Overide box
    // in a column of their own at the right.
    lblTag->setGeometry(width - (80 + 16), 28 + below, 80, 20);
    chkOveride->adjustSize();
    chkOveride->move(width - chkOveride->width() - 13, 55 + below);
    const int right = std::min(lblTag->x(), chkOveride->x()) - 8;
    lblPlayTime->setGeometry(x + 8, y, 70, 20);
    lblTotalTime->setGeometry(std::max(x + 8 + 70, right - 60), y, 60, 20);
    lblLoadedFile->setGeometry(x + 8, y + 20, std::max(40, right - x - 8), 20);
}

} // namespace kv
