#include "MainWindow.h"
#include "SegmentEditor.h"
#include "TextHelpers.h"

#include "AudioChannel.h"
#include "ButtonImages.h"
#include "ElidedLabel.h"
#include "EventListPanel.h"
#include "FileFunctions.h"
#include "FramePacer.h"
#include "GraphWidget.h"
#include "ListeningMenu.h"
#include "MeterPanelView.h"
#include "OverviewWidget.h"
#include "PlayTime.h"
#include "PositionBar.h"
#include "QtScheduler.h"
#include "RecordingLoader.h"
#include "ReportExport.h"
#include "SessionNavigator.h"
#include "SoundEnd.h"
#include "WindowKeys.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDockWidget>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QScreen>
#include <QShortcut>
#include <QStyle>
#include <QToolButton>
#include <QWindow>

#include <cmath>
#include <new>
#include <utility>

namespace kv {
namespace {

constexpr int kRecordStripHeight = 81;
constexpr int kMinClientWidth = 650;

} // namespace

MainWindow::MainWindow(const WindowContext& context, std::unique_ptr<Dialogs> dialogs,
                       QWidget* parent)
    : QMainWindow(parent), m_ctx(context), m_dialogs(std::move(dialogs)),
      m_recordingClock([this] { return m_ctx.scheduler->now(); }),
      m_meter([this] { return m_recordingClock.now(); }, static_cast<MeterEvents*>(this)) {
    if (!m_ctx.scheduler) {
        m_ownScheduler = std::make_unique<QtScheduler>();
        m_ctx.scheduler = m_ownScheduler.get();
    }
    if (!m_dialogs) m_dialogs = std::make_unique<QtDialogs>(this);
    PlaybackView& view = *this;
    m_engine = std::make_unique<PlaybackEngine>(*m_ctx.audio, m_meter, *m_ctx.scheduler, view);
    m_tmrBdMouseDown =
        std::make_unique<OneShot>(*m_ctx.scheduler, 1.5, [this] {
        m_meter.zeroCounter();
        noteUserCounter();
    });
    m_tmrMessage = std::make_unique<OneShot>(*m_ctx.scheduler, 1.0, [this] {
        MeterPanel& p = m_panel->panel();
        p.readouts.messageShowing = false;
        p.readouts.modeText = m_normalModeText;
        p.Update_ModeDisplay();
        m_panel->update();
    });
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QString::fromUtf8(kAppTitle));
    setAcceptDrops(true);
    m_menus.build(menuBar(), this);
    m_listening = new ListeningMenu(
        m_menus.menu(QStringLiteral("mnuRecAudioMode")),
        {m_ctx.listening, m_engine.get(), &m_recordingClock, m_dialogs.get(),
         [this] { return m_ctx.settings->SettingsFilePath; },
         [this](const std::string& text) { showModeMessage(text); },
         [pacer = new FramePacer(this, 20)](bool fast) { pacer->setActive(fast); }});
    buildWidgets();
    m_navigator->addMenuItems(*m_menus.menu(QStringLiteral("mnuView")));
    connectMenus();
    connectSettingsMenus();
    m_reportExport = new ReportExport(*this);
    applyColours();
    dropRecording();
    m_keys = new WindowKeys(this, {[this](QKeyEvent* e) { return Form_KeyDown(e); },
                                   [this](QKeyEvent* e) { return Form_KeyUp(e); },
                                   [this] { m_keyReleased = true; },
                                   [this](QWidget* w, const QKeyEvent* k) {
                                       // The file list takes its own keys, the event list those it
                                       // moves and chooses with.
                                       return (m_cboFile->isVisible() && w == m_cboFile) ||
                                              (m_navigator->eventList().isAncestorOf(w) &&
                                               EventListPanel::ownsKey(k->key()));
                                   }});
}

MainWindow::~MainWindow() {
    // The key router goes first: the window's own parts are destroyed before
    // its QWidget base, which may still see focus changes.
    delete m_keys;
    m_keys = nullptr;
    m_navigator->windowClosing();
    m_engine->abandon();
    if (m_testTimer) m_ctx.scheduler->cancel(m_testTimer);
    if (m_meterTimer) m_ctx.scheduler->cancel(m_meterTimer);
}

void MainWindow::buildWidgets() {
    auto* central = new QWidget(this);
    setCentralWidget(central);
    central->installEventFilter(this);
    central->setMinimumWidth(kMinClientWidth);
    m_panel = new MeterPanelView(central);
    m_panel->installEventFilter(this);
    m_graph = new GraphWidget(central);
    m_graph->hide();

    m_record = new QFrame(central);
    m_record->setObjectName(QStringLiteral("picRecord"));
    m_record->setFrameShape(QFrame::NoFrame);
    m_record->setAutoFillBackground(true);

    const QColor ink = QApplication::palette().color(QPalette::ButtonText);
    auto button = [&](const char* name, const char* image, const QString& tip) {
        auto* b = new QToolButton(m_record);
        b->setObjectName(QString::fromLatin1(name));
        b->setIcon(buttonImage(QString::fromLatin1(image), ink));
        b->setIconSize(QSize(24, 24));
        b->setToolTip(tip);
        b->setFocusPolicy(Qt::TabFocus);
        return b;
    };
    m_cmdLoad = button("cmdLoad", "Load", QStringLiteral("Open"));
    m_cmdLoop = button("cmdLoop", "Single", QStringLiteral("Loop playback"));
    m_cmdPlay = button("cmdPlay", "Play", QStringLiteral("Play (P)"));
    m_cmdStop = button("cmdStop", "Stop", QStringLiteral("Stop (S)"));
    m_cmdRev = button("cmdRev", "Rev", QStringLiteral("Back (<)"));
    m_cmdFwd = button("cmdFwd", "Fwd", QStringLiteral("Forward (>)"));
    m_cmdEditStart = button("cmdEditStart", "LeftBracket", QStringLiteral("Segment start"));
    m_cmdEditEnd = button("cmdEditEnd", "RightBracket", QStringLiteral("Segment end"));
    m_cmdExpand = button("cmdExpand", "Expand", QStringLiteral("Expand"));
    m_cmdSave = button("cmdSave", "Save", QStringLiteral("Save"));
    m_cmdLoop->hide();
    m_cmdLoad->installEventFilter(this);
    connect(m_cmdLoad, &QToolButton::clicked, this, &MainWindow::cmdLoad_Click);
    // Ctrl+O anywhere in the window presses Load, as O does.
    connect(new QShortcut(QKeySequence::Open, this), &QShortcut::activated, this, [this] {
        if (m_cmdLoad->isEnabled() && m_cmdLoad->isVisible()) m_cmdLoad->click();
    });
    connect(m_cmdPlay, &QToolButton::clicked, this, [this] { m_engine->cmdPlay_Click(); });
    connect(m_cmdStop, &QToolButton::clicked, this, [this] { m_engine->cmdStop_Click(); });
    connect(m_cmdRev, &QToolButton::clicked, this, [this] { m_engine->cmdRev_Click(); });
    connect(m_cmdFwd, &QToolButton::clicked, this, [this] { m_engine->cmdFwd_Click(); });
    connect(m_cmdEditStart, &QToolButton::clicked, this, &MainWindow::cmdEditStart_Click);
    connect(m_cmdEditEnd, &QToolButton::clicked, this, &MainWindow::cmdEditEnd_Click);
    connect(m_cmdExpand, &QToolButton::clicked, this, &MainWindow::cmdExpand_Click);
    connect(m_cmdSave, &QToolButton::clicked, this, &MainWindow::cmdSave_Click);
    connect(m_cmdLoop, &QToolButton::clicked, this, [this] {
        m_engine->cmdLoop_Click();
        m_ctx.settings->values.PlayLoopEnable = m_engine->PlayLoopEnable;
        showLoopPicture();
    });

    m_lblLoadedFile = new ElidedLabel(m_record);
    m_lblLoadedFile->setObjectName(QStringLiteral("lblLoadedFile"));
    m_cboFile = new QComboBox(m_record);
    m_cboFile->setObjectName(QStringLiteral("cboFile"));
    QFont bold = m_cboFile->font();
    bold.setBold(true);
    m_cboFile->setFont(bold);
    m_cboFile->hide();
    m_cboFile->setEnabled(false);
    m_cboFile->installEventFilter(this);
    connect(m_cboFile, &QComboBox::activated, this, [this](int) {
        if (!m_arrowHeld) cboFile_Click();
    });
    m_lblPlayTime = new QLabel(m_record);
    m_lblPlayTime->setObjectName(QStringLiteral("lblPlayTime"));
    m_lblTotalTime = new QLabel(m_record);
    m_lblTotalTime->setObjectName(QStringLiteral("lblTotalTime"));
    m_lblTotalTime->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_lblTag = new QLabel(m_record);
    m_lblTag->setObjectName(QStringLiteral("lblTag"));
    m_lblTag->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_lblTag->hide();
    m_chkOveride = new QCheckBox(QStringLiteral("Overide"), m_record);
    m_chkOveride->setObjectName(QStringLiteral("chkOveride"));
    m_chkOveride->setFocusPolicy(Qt::NoFocus);
    connect(m_chkOveride, &QCheckBox::clicked, this, &MainWindow::chkOveride_Click);

    m_bar = new PositionBar(m_record);
    m_bar->onPress = [this](Qt::MouseButton b, int x) {
        if (!isLoaded()) return;
        m_engine->barMouseDown(b == Qt::LeftButton, x);
    };
    m_bar->onMove = [this](Qt::MouseButtons buttons, int x) {
        if (!isLoaded()) return;
        m_bar->setToolTip(q(m_engine->barMouseMove(buttons & Qt::LeftButton, x)));
    };
    m_bar->onRelease = [this](Qt::MouseButton b, int x) {
        if (!isLoaded()) return;
        m_engine->barMouseUp(b == Qt::LeftButton, x);
    };

    m_navigator = new SessionNavigator(*this, *m_record, *m_engine, *m_dialogs);
    m_navigator->layoutChanged = [this] { Form_Resize(); };
    m_navigator->preferenceNotSaved = [this](const FileError& e) { reportSettingsSave(e); };
}

void MainWindow::showLoopPicture() {
    m_cmdLoop->setIcon(
        buttonImage(m_engine->PlayLoopEnable ? QStringLiteral("Loop") : QStringLiteral("Single"),
                    QApplication::palette().color(QPalette::ButtonText)));
}

// The recording strip's controls, in pixels inside the strip.
int MainWindow::recordStripHeight() const {
    return kRecordStripHeight + (m_navigator->overviewShown() ? OverviewWidget::kHeight + 4 : 0);
}

// The room docked panels take beside (width) and above or below (height) the
// central area.
QSize MainWindow::dockedExtent() const {
    QSize extent(0, 0);
    const int gap = style()->pixelMetric(QStyle::PM_DockWidgetSeparatorExtent, nullptr, this);
    for (const QDockWidget* d : findChildren<QDockWidget*>(Qt::FindDirectChildrenOnly)) {
        if (d->isHidden() || d->isFloating()) continue;
        const Qt::DockWidgetArea area = dockWidgetArea(const_cast<QDockWidget*>(d));
        const QSize size = d->isVisible() ? d->size() : d->sizeHint();
        if (area == Qt::LeftDockWidgetArea || area == Qt::RightDockWidgetArea)
            extent.rwidth() += size.width() + gap;
        else if (area != Qt::NoDockWidgetArea)
            extent.rheight() += size.height() + gap;
    }
    return extent;
}

void MainWindow::placeRecordStrip(int left, int top, int width, int height) {
    m_record->setGeometry(left, top, width, std::max(height, recordStripHeight()));
    m_bar->setGeometry(13, 1, std::max(10, width - 26), 19);
    // The overview strip goes under the bar and moves the controls down.
    int below = 0;
    if (m_navigator->overviewShown()) {
        m_navigator->overview().setGeometry(13, 22, std::max(10, width - 26),
                                            OverviewWidget::kHeight);
        below = OverviewWidget::kHeight + 4;
    }
    const int y = 28 + below, size = 40;
    int x = 13;
    for (QToolButton* b : {m_cmdLoad, m_cmdPlay, m_cmdStop, m_cmdRev, m_cmdFwd, m_cmdEditStart,
                           m_cmdEditEnd, m_cmdExpand, m_cmdSave}) {
        b->setGeometry(x, y, size, size);
        x += size + 4;
    }
    m_cmdLoop->setGeometry(m_cmdLoad->geometry());
    // Times on one line, the name under them; the tag and the Overide box
    // in a column of their own at the right.
    m_lblTag->setGeometry(width - (80 + 16), 28 + below, 80, 20);
    m_chkOveride->adjustSize();
    m_chkOveride->move(width - m_chkOveride->width() - 13, 55 + below);
    const int right = std::min(m_lblTag->x(), m_chkOveride->x()) - 8;
    m_lblPlayTime->setGeometry(x + 8, y, 70, 20);
    m_lblTotalTime->setGeometry(std::max(x + 8 + 70, right - 60), y, 60, 20);
    m_lblLoadedFile->setGeometry(x + 8, y + 20, std::max(40, right - x - 8), 20);
    m_cboFile->setGeometry(m_lblLoadedFile->geometry().adjusted(0, -4, 0, 4));
}

void MainWindow::Form_Resize() {
    if (isMinimized() || !centralWidget()) return;
    const Settings& s = m_ctx.settings->values;
    const double k = s.GraphVisible ? std::clamp(std::atoi(s.GraphHeight_Index.c_str()), 1, 5) : 0;
    // The window's own size, not the central widget's: before the window is
    // first shown its layout has not run yet. Docked panels take their room
    // from it.
    const int chrome = menuHeight();
    const QSize docked = dockedExtent();
    const int strip = recordStripHeight();
    int clientW = std::max(width() - docked.width(), kMinClientWidth);
    // A docked panel widens the window: the meter narrows so that the whole
    // stays within the screen's width.
    if (const QScreen* scr = screen();
        scr && docked.width() > 0 && !isMaximized() && !isFullScreen()) {
        const int frame = frameGeometry().width() - width();
        clientW = std::max(kMinClientWidth,
                           std::min(clientW, scr->availableGeometry().width() - frame -
                                                 docked.width()));
    }
    m_laidOutWidth = clientW;
    int panelLeft = 0, panelW = clientW;
    if (isMaximized()) {
        const int availH = height() - chrome - docked.height() - strip;
        panelW = std::clamp(static_cast<int>(availH * 1.6 / (1 + k / 5)), 16, clientW);
        panelLeft = (clientW - panelW) / 2;
    }
    const int panelH = static_cast<int>(std::nearbyint(panelW / 1.6));
    const int graphH = static_cast<int>(std::nearbyint(panelH * k / 5));
    m_panel->setGeometry(panelLeft, 0, panelW, panelH);
    m_graph->setGeometry(panelLeft, panelH, panelW, graphH);
    m_graph->setVisible(s.GraphVisible);
    // Maximised on a screen narrower than the meter, the strip reaches down
    // to the window's lower edge: no empty band under the buttons.
    const int below = isMaximized() || isFullScreen()
                          ? height() - chrome - docked.height() - panelH - graphH
                          : 0;
    placeRecordStrip(panelLeft, panelH + graphH, panelW, below);
    if (!isMaximized() && !isFullScreen()) {
        // The window's height follows its width; a window too tall for the
        // screen is made narrower instead.
        int wantW = clientW + docked.width();
        int wantH = panelH + graphH + strip + chrome + docked.height();
        if (const QScreen* scr = screen()) {
            const QRect avail = scr->availableGeometry();
            if (wantH > avail.height()) {
                const int narrower =
                    std::max(kMinClientWidth,
                             static_cast<int>((avail.height() - strip - chrome - docked.height()) *
                                              1.6 / (1 + k / 5)));
                wantW = narrower + docked.width();
                wantH = static_cast<int>(std::nearbyint(narrower / 1.6)) * (1 + k / 5) + strip +
                        chrome + docked.height();
            }
        }
        if (wantW != width() || wantH != height()) resize(wantW, wantH);
    }
    m_graph->graph().GraphResetPending = true;
    m_graph->plot(0, m_meter.KnobIndex, m_engine->PlayMode == 4);
}

int MainWindow::menuHeight() const {
    const QWidget* bar = menuWidget();
    if (!bar || !bar->isVisibleTo(this)) return 0;
    const int h = bar->heightForWidth(width());
    return h > 0 ? h : bar->sizeHint().height();
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    Form_Resize();
}

void MainWindow::applyColours() {
    const Settings& s = m_ctx.settings->values;
    m_panel->setStyle(PanelStyle::from(s, m_meter.DialType));
    QPalette pal = QApplication::palette();
    pal.setColor(QPalette::Window, qColor(s.Background_Color));
    centralWidget()->setPalette(pal);
    centralWidget()->setAutoFillBackground(true);
    QPalette stripPal = QApplication::palette();
    for (auto role :
         {QPalette::Window, QPalette::WindowText, QPalette::Button, QPalette::ButtonText})
        stripPal.setColor(role, stripPal.color(role)); // resolved, so not inherited from the window
    m_record->setPalette(stripPal);
    GraphOptions& g = m_graph->graph().options;
    g.GraphInvert = s.GraphInvert;
    g.GridX = s.GridX;
    g.GridY = s.GridY;
    g.GraphPenWidth_Index = std::clamp(std::atoi(s.GraphPenWidth_Index.c_str()), 1, 3);
    g.GraphSheet_Color = s.GraphSheet_Color;
    g.GraphPen_Color = s.GraphPen_Color;
    g.GraphGrid_Color = s.GraphGrid_Color;
}

void MainWindow::dropRecording() {
    if (m_engine->PlayMode == 2)
        m_ctx.audio->send("stop WavFile"); // no sound without its recording
    m_engine->setRecording(nullptr);
    m_navigator->recordingDropped();
    m_recording.reset();
    m_lblLoadedFile->setText(QStringLiteral("No File Loaded"));
    m_lblLoadedFile->setToolTip(QStringLiteral("No File Loaded"));
    m_lblPlayTime->setText(QStringLiteral("00:00"));
    m_lblTotalTime->setText(QString());
    m_bar->clear();
    m_bar->setEnabled(false);
    m_panel->Update_FileDisplay("No File Loaded");
    dropStaleClock();
    showFreshPanel();
    Update_Buttons();
}

// A clock left from an earlier recording goes with a full redraw.
void MainWindow::dropStaleClock() {
    if (!m_panel->panel().readouts.clock || (m_recording && m_recording->ClockStartSecs != 0))
        return;
    Draw_Panel();
    m_panel->showNeedleAgain();
}

bool MainWindow::Load_File(const std::string& filename) {
    // A load replaces everything; a failed one leaves nothing half-loaded.
    m_engine->abandon();
    m_engine->setRecording(nullptr);
    m_navigator->recordingDropped();
    m_recording.reset();
    LoadObserver observer;
    observer.loadingStarted = [&] {
        m_lblLoadedFile->setText(QStringLiteral("Loading......"));
        m_lblLoadedFile->setToolTip(q(filename));
        m_panel->Update_FileDisplay("Loading ......");
        m_bar->clear();
        m_panel->repaint();
    };
    observer.progress = [&](int step) {
        m_bar->fillTo(
            static_cast<int>(roundHalfEven(static_cast<double>(m_bar->scaleWidth()) * step) / 50));
        m_bar->repaint();
    };
    const Settings& s = m_ctx.settings->values;
    LoadResult result = kv::Load_File(LoadRequest{filename, s.AudioEnable, m_ctx.dummyAudioPath},
                                      *m_ctx.audio, observer);
    if (!result.notice.empty())
        m_dialogs->showMessage({result.notice, kAppTitle, MessageIcon::Information});
    if (!result.recording) {
        dropRecording();
        m_dialogs->showMessage(result.error->message());
        return false;
    }
    m_recording = std::move(result.recording);
    const RecordingFile& r = *m_recording;
    m_engine->setRecording(m_recording.get());
    m_engine->PlayLoopEnable = s.PlayLoopEnable;
    m_panel->Update_FileDisplay(filename);
    if (r.ClockStartSecs != 0)
        Update_Clock(r.ClockStartSecs / 3600, (r.ClockStartSecs / 60) % 60, r.RecordingDay);
    dropStaleClock();
    m_lblLoadedFile->setText(q(baseName(filename)));
    m_lblLoadedFile->setToolTip(q(filename));
    m_lblPlayTime->setText(q(Format_PlayTime(0, r.TotalTimeMs)));
    m_lblTotalTime->setText(q(Format_PlayTime(
        static_cast<std::int32_t>(roundHalfEven(r.TotalTimeMs / 1000.0)), r.TotalTimeMs)));
    m_bar->paintRange(0, m_bar->scaleWidth());
    m_navigator->recordingLoaded(r);
    showFreshPanel();
    if (const auto end = measureSoundEnd(*m_ctx.audio, r); end && end->shorter())
        m_dialogs->showMessage(
            {end->loadNotice(baseName(filename)), kAppTitle, MessageIcon::Information});
    return true;
}

std::string MainWindow::loadDialogFolder() const {
    const std::string& loadPath = m_ctx.settings->values.LoadPath;
    return Is_Folder(loadPath) || m_ctx.demoFolder.empty() ? loadPath : m_ctx.demoFolder;
}

void MainWindow::cmdLoad_Click() {
    if (!m_cmdLoad->isEnabled() || !m_cmdLoad->isVisible()) return;
    m_record->setEnabled(false);
    const auto chosen = m_dialogs->openFile(FileDialogRequest{
        "Load File for Playback", "kvd file (*.kvd*)|*.kvd", loadDialogFolder(), ""});
    try {
        if (chosen) openChosenFile(*chosen);
    } catch (const std::exception& e) {
        const bool memory = dynamic_cast<const std::bad_alloc*>(&e) != nullptr;
        m_dialogs->showMessage(
            {couldNotLoadText("The file", memory ? *chosen + " is too large for the memory free now"
                                                 : *chosen + ": " + e.what()),
             kAppTitle, MessageIcon::None});
    }
    m_record->setEnabled(true);
    Update_Buttons();
}

void MainWindow::openChosenFile(const std::string& path) {
    if (m_engine->PlayMode != 0) return; // loading waits until playback has stopped
    const std::string base = pairBaseOf(path);
    const auto sep = base.find_last_of("/\\");
    m_ctx.settings->values.LoadPath =
        sep == std::string::npos ? std::string() : base.substr(0, sep + 1);
    if (Load_File(base)) {
        m_bar->setEnabled(true);
        m_recording->LoadedFileBase = base;
    }
    Update_Buttons();
}

void MainWindow::cmdLoad_MouseDown(Qt::MouseButton button) {
    if (button != Qt::RightButton || !m_cmdLoad->isEnabled() || !m_cmdLoad->isVisible()) return;
    m_siblings = findSiblings(m_lblLoadedFile->toolTip().toStdString());
    if (!m_siblings) return;
    m_cboFile->clear();
    for (const std::string& n : m_siblings->numbers)
        m_cboFile->addItem(q(n));
    if (m_siblings->selected >= 0) m_cboFile->setCurrentIndex(m_siblings->selected);
    m_cboFile->setEnabled(true);
    m_cboFile->show();
    m_lblLoadedFile->hide();
    m_cboFile->setFocus();
    // Pressed with the mouse, the drop-down opens when the button is let go:
    // opened under the held button, the window system hands it the release
    // and it closes at once.
    if (QApplication::mouseButtons() & Qt::RightButton)
        m_dropDownOnRelease = true;
    else
        m_cboFile->showPopup();
    Update_Buttons();
}

void MainWindow::cboFile_Click() {
    if (!m_siblings || m_cboFile->currentIndex() < 0) return;
    const std::string base = m_siblings->prefix + m_cboFile->currentText().toStdString();
    closeList();
    if (Load_File(base)) m_bar->setEnabled(true);
    Update_Buttons();
}

void MainWindow::closeList() {
    m_cboFile->setEnabled(false);
    m_cboFile->hide();
    m_lblLoadedFile->show();
}

void MainWindow::Update_Buttons() {
    const PlaybackEngine& e = *m_engine;
    const QColor ink = QApplication::palette().color(QPalette::ButtonText);
    if (e.PlayMode == 4) return;
    if (e.PlayMode == 0) {
        const bool loaded = isLoaded();
        m_cmdStop->setEnabled(false);
        m_cmdLoop->hide();
        m_cmdLoad->show();
        m_cmdLoad->setEnabled(true);
        for (QToolButton* b : {m_cmdRev, m_cmdFwd, m_cmdEditStart, m_cmdEditEnd})
            b->setEnabled(false);
        m_cmdPlay->setIcon(buttonImage(QStringLiteral("Play"), ink));
        m_cmdPlay->setEnabled(loaded);
        m_cmdSave->setEnabled(loaded);
        m_cmdExpand->setEnabled(loaded && (m_recording->LoopStartRecord != 1 ||
                                           m_recording->LoopEndRecord != m_recording->RecordCount));
        m_menus.menu(QStringLiteral("mnuTest"))->setEnabled(true);
        return;
    }
    m_cmdSave->setEnabled(false);
    m_cmdLoad->hide();
    m_cmdLoop->show();
    m_cmdPlay->setIcon(
        buttonImage(e.TransportState == 1 ? QStringLiteral("Pause") : QStringLiteral("Play"), ink));
    m_cmdPlay->setEnabled(true);
    for (QToolButton* b : {m_cmdStop, m_cmdRev, m_cmdFwd})
        b->setEnabled(true);
    m_cmdEditStart->setEnabled(!e.SegmentStartMarked);
    m_cmdEditEnd->setEnabled(e.SegmentStartMarked);
    m_cmdExpand->setEnabled(false);
    m_menus.menu(QStringLiteral("mnuTest"))->setEnabled(false);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    // A docked panel shown, hidden, floated or resized by its separator
    // changes the central area alone.
    if (watched == centralWidget() && event->type() == QEvent::Resize && !m_inResize &&
        centralWidget()->width() != m_laidOutWidth) {
        m_inResize = true;
        Form_Resize();
        m_inResize = false;
        return false;
    }
    if (watched == m_cmdLoad && event->type() == QEvent::MouseButtonPress) {
        cmdLoad_MouseDown(static_cast<QMouseEvent*>(event)->button());
    } else if (watched == m_cmdLoad && event->type() == QEvent::MouseButtonRelease) {
        if (std::exchange(m_dropDownOnRelease, false) && m_cboFile->isVisible())
            m_cboFile->showPopup();
    } else if (watched == m_panel) {
        if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseMove ||
            event->type() == QEvent::MouseButtonRelease) {
            const auto* m = static_cast<QMouseEvent*>(event);
            const QPointF p =
                m->position() -
                QPointF(0, std::max(0, (m_panel->height() - m_panel->panel().heightPx()) / 2));
            const MeterPanel& panel = m_panel->panel();
            if (panel.counterRect().contains(p) && m->button() == Qt::LeftButton) {
                if (event->type() == QEvent::MouseButtonPress) counterPressed();
                if (event->type() == QEvent::MouseButtonRelease) counterReleased();
            } else if (event->type() == QEvent::MouseButtonRelease &&
                       m->button() == Qt::LeftButton) {
                counterReleased();
            }
            // A drag that began on the knob turns it wherever the pointer goes
            // while the button is held.
            if (event->type() == QEvent::MouseButtonPress && m->button() == Qt::LeftButton)
                m_knobDrag = panel.knobRect().contains(p);
            if (!(m->buttons() & Qt::LeftButton)) m_knobDrag = false;
            if (m_knobDrag && event->type() != QEvent::MouseButtonRelease)
                knobMouse(p);
        }
    } else if (watched == m_cboFile) {
        switch (event->type()) {
        case QEvent::KeyPress: {
            const auto* key = static_cast<QKeyEvent*>(event);
            if (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down) m_arrowHeld = true;
            if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
                m_arrowHeld = false;
                cboFile_Click();
                return true;
            }
            if (key->key() == Qt::Key_Escape) {
                closeList();
                return true;
            }
            return false; // the list takes its keys while it is open
        }
        case QEvent::KeyRelease: {
            const auto* key = static_cast<QKeyEvent*>(event);
            if (!key->isAutoRepeat() && (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down))
                m_arrowHeld = false;
            return false;
        }
        case QEvent::FocusOut:
            // While the drop-down is open the focus moves to it and back, for
            // reasons that differ with the window system: only a focus loss
            // with the drop-down closed closes the list.
            if (!m_cboFile->view()->isVisible() &&
                static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason &&
                m_cboFile->isVisible())
                closeList();
            break;
        case QEvent::MouseButtonDblClick:
            m_dialogs->beep();
            break;
        default:
            break;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (!m_closing) Form_QueryUnload();
    event->accept();
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
    const auto urls = event->mimeData()->urls();
    if (urls.size() == 1 && urls.front().isLocalFile() &&
        urls.front().toLocalFile().endsWith(QStringLiteral(".kvd"), Qt::CaseInsensitive))
        event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
    const auto urls = event->mimeData()->urls();
    if (urls.size() != 1 || m_engine->PlayMode != 0) return;
    event->acceptProposedAction();
    openChosenFile(urls.front().toLocalFile().toStdString());
}

} // namespace kv
