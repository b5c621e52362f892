#include "MainWindow.h"
#include "SegmentEditor.h"
#include "TextHelpers.h"

#include "AccessibleParts.h"
#include "AudioChannel.h"
#include "ButtonImages.h"
#include "DialogFolder.h"
#include "DockedExtent.h"
#include "EventListPanel.h"
#include "FileFunctions.h"
#include "FramePacer.h"
#include "GraphWidget.h"
#include "KeyTable.h"
#include "ListeningMenu.h"
#include "MeterPanelView.h"
#include "OverviewWidget.h"
#include "PanelMouse.h"
#include "PlayTime.h"
#include "PositionBar.h"
#include "QtScheduler.h"
#include "RecordStrip.h"
#include "RecentRecordings.h"
#include "RecordingLoader.h"
#include "ReportExport.h"
#include "ReportPrint.h"
#include "ReviewEditing.h"
#include "SessionMoves.h"
#include "SessionsPanel.h"
#include "SessionNavigator.h"
#include "SiblingDropDown.h"
#include "SoundEnd.h"
#include "StatusLine.h"
#include "WindowKeys.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QScreen>
#include <QShortcut>
#include <QStatusBar>
#include <QToolButton>

#include <cmath>
#include <new>
#include <utility>

namespace kv {
namespace {

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
         [pacer = new FramePacer(this, *m_ctx.scheduler)](bool fast) { pacer->setActive(fast); }});
    buildWidgets();
    m_navigator->addMenuItems(*m_menus.menu(QStringLiteral("mnuView")));
    connectMenus();
    connectSettingsMenus();
    m_reportExport = new ReportExport(*this);
    new ReportPrint(*this, *m_reportExport);
    m_review = new ReviewEditing(*this); // notes and reviews of reactions; owned by the window
    m_sessions = new SessionsPanel(this, *m_dialogs);
    addDockWidget(Qt::RightDockWidgetArea, m_sessions);
    m_sessions->hide();
    m_sessions->addMenuItems(*m_menus.menu(QStringLiteral("mnuFile")),
                             *m_menus.menu(QStringLiteral("mnuView")));
    m_sessions->onOpen = [this](const std::string& path) {
        if (!m_record->loadAvailable()) return m_dialogs->beep(); // as the Load button is
        loadChosenFile(path);
    };
    m_sessions->preferenceNotSaved = [this](const FileError& e) { reportSettingsSave(e); };
    m_recent = new RecentRecordings(
        *m_menus.menu(QStringLiteral("mnuFile")),
        {[this] { return m_ctx.settings->SettingsFilePath; },
         [this](const std::string& kvd) { loadChosenFile(kvd); },
         [this](const FileError& e) { reportSettingsSave(e); }});
    m_status = new StatusLine(
        {this, m_engine.get(), m_listening, m_menus.menu(QStringLiteral("mnuView")),
         m_menus.menu(QStringLiteral("mnuRecAudioMode")), m_dialogs.get(),
         [this] { return m_ctx.settings->SettingsFilePath; }, [this] { Form_Resize(); },
         [this](const FileError& e) { reportSettingsSave(e); }});
    applyColours();
    dropRecording();
    buildKeyTable();
    new AccessibleParts(*this);
}

MainWindow::~MainWindow() {
    // The key router goes first: the window's own parts are destroyed before
    // its QWidget base, which may still see focus changes.
    delete m_keys;
    m_keys = nullptr;
    m_navigator->windowClosing();
    m_sessions->windowClosing();
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
    new PanelMouse(m_panel, {[this] { counterPressed(); }, [this] { counterReleased(); },
                             [this](int index) { knobMouse(index); }});
    m_graph = new GraphWidget(central);
    m_graph->hide();

    m_record = new RecordStrip(central);
    m_record->cmdLoad->installEventFilter(this);
    connect(m_record->cmdLoad, &QToolButton::clicked, this, &MainWindow::cmdLoad_Click);
    connect(m_record->cmdPlay, &QToolButton::clicked, this, [this] { m_engine->cmdPlay_Click(); });
    connect(m_record->cmdStop, &QToolButton::clicked, this, [this] { m_engine->cmdStop_Click(); });
    connect(m_record->cmdRev, &QToolButton::clicked, this, [this] { m_engine->cmdRev_Click(); });
    connect(m_record->cmdFwd, &QToolButton::clicked, this, [this] { m_engine->cmdFwd_Click(); });
    connect(m_record->cmdEditStart, &QToolButton::clicked, this, &MainWindow::cmdEditStart_Click);
    connect(m_record->cmdEditEnd, &QToolButton::clicked, this, &MainWindow::cmdEditEnd_Click);
    connect(m_record->cmdExpand, &QToolButton::clicked, this, &MainWindow::cmdExpand_Click);
    connect(m_record->cmdSave, &QToolButton::clicked, this, &MainWindow::cmdSave_Click);
    connect(m_record->cmdLoop, &QToolButton::clicked, this, [this] {
        m_engine->cmdLoop_Click();
        m_ctx.settings->values.PlayLoopEnable = m_engine->PlayLoopEnable;
        showLoopPicture();
    });

    m_siblingList = new SiblingDropDown(m_record, m_record->lblLoadedFile,
                                        {[this](const std::string& base) {
                                             if (Load_File(base)) m_record->bar->setEnabled(true);
                                             Update_Buttons();
                                         },
                                         [this] { m_dialogs->beep(); }});
    connect(m_record->chkOveride, &QCheckBox::clicked, this, &MainWindow::chkOveride_Click);

    m_record->bar->onPress = [this](Qt::MouseButton b, int x) {
        if (!isLoaded()) return;
        m_engine->barMouseDown(b == Qt::LeftButton, x);
    };
    m_record->bar->onMove = [this](Qt::MouseButtons buttons, int x) {
        if (!isLoaded()) return;
        m_record->bar->setToolTip(q(m_engine->barMouseMove(buttons & Qt::LeftButton, x)));
    };
    m_record->bar->onRelease = [this](Qt::MouseButton b, int x) {
        if (!isLoaded()) return;
        m_engine->barMouseUp(b == Qt::LeftButton, x);
    };

    m_navigator = new SessionNavigator(*this, *m_record, *m_engine, *m_dialogs);
    m_navigator->layoutChanged = [this] { Form_Resize(); };
    m_navigator->preferenceNotSaved = [this](const FileError& e) { reportSettingsSave(e); };
    m_navigator->fileWritten = [this](const std::string& p) {
        m_status->fileWritten("Events exported to", p);
    };
    m_moves = new SessionMoves(*this, *m_engine, *m_dialogs, *m_record->lblPlayTime);
}

void MainWindow::showLoopPicture() {
    m_record->cmdLoop->setIcon(
        buttonImage(m_engine->PlayLoopEnable ? QStringLiteral("Loop") : QStringLiteral("Single"),
                    QApplication::palette().color(QPalette::ButtonText)));
}

// The recording strip's controls, in pixels inside the strip.
int MainWindow::recordStripHeight() const {
    return RecordStrip::kHeight + (m_navigator->overviewShown() ? OverviewWidget::kHeight + 4 : 0);
}

void MainWindow::placeRecordStrip(int left, int top, int width, int height) {
    m_record->setGeometry(left, top, width, std::max(height, recordStripHeight()));
    // The overview strip goes under the bar and moves the controls down.
    m_record->layOut(width, m_navigator->overviewShown() ? &m_navigator->overview() : nullptr,
                     OverviewWidget::kHeight);
    m_siblingList->setGeometry(m_record->lblLoadedFile->geometry());
}

void MainWindow::Form_Resize() {
    if (isMinimized() || !centralWidget()) return;
    const Settings& s = m_ctx.settings->values;
    const double k = s.GraphVisible ? std::clamp(std::atoi(s.GraphHeight_Index.c_str()), 1, 5) : 0;
    // The window's own size, not the central widget's: before the window is
    // first shown its layout has not run yet. Docked panels take their room
    // from it.
    const int chrome = menuHeight();
    const QSize docked = dockedExtent(*this);
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
    m_graph->plot(0, m_meter.KnobIndex, m_engine->PlayMode == PlayState::Testing);
}

int MainWindow::menuHeight() const {
    const QWidget* bar = menuWidget();
    if (!bar || !bar->isVisibleTo(this)) return 0;
    const int h = bar->heightForWidth(width());
    const QStatusBar* status = findChild<QStatusBar*>(); // below the strip, when shown
    return (h > 0 ? h : bar->sizeHint().height()) +
           (status && status->isVisibleTo(this) ? status->sizeHint().height() : 0);
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
    if (m_engine->PlayMode == PlayState::Playing)
        m_ctx.audio->send("stop WavFile"); // no sound without its recording
    m_engine->setRecording(nullptr);
    m_navigator->recordingDropped();
    m_sessions->recordingDropped();
    m_recording.reset();
    m_record->lblLoadedFile->setText(QStringLiteral("No File Loaded"));
    m_record->lblLoadedFile->setToolTip(QStringLiteral("No File Loaded"));
    m_record->lblPlayTime->setText(QStringLiteral("00:00"));
    m_record->lblTotalTime->setText(QString());
    m_record->bar->clear();
    m_record->bar->setEnabled(false);
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
        m_record->lblLoadedFile->setText(QStringLiteral("Loading......"));
        m_record->lblLoadedFile->setToolTip(q(filename));
        m_panel->Update_FileDisplay("Loading ......");
        m_record->bar->clear();
        m_panel->repaint();
    };
    observer.progress = [&](int step) {
        m_record->bar->fillTo(
            static_cast<int>(roundHalfEven(double(m_record->bar->scaleWidth()) * step) / 50));
        m_record->bar->repaint();
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
    m_record->lblLoadedFile->setText(q(baseName(filename)));
    m_record->lblLoadedFile->setToolTip(q(filename));
    m_record->lblPlayTime->setText(q(Format_PlayTime(0, r.TotalTimeMs)));
    m_record->lblTotalTime->setText(q(Format_PlayTime(
        static_cast<std::int32_t>(roundHalfEven(r.TotalTimeMs / 1000.0)), r.TotalTimeMs)));
    m_record->bar->paintRange(0, m_record->bar->scaleWidth());
    m_navigator->recordingLoaded(r);
    m_sessions->recordingLoaded(filename);
    showFreshPanel();
    m_recent->loaded(filename);
    if (const auto end = measureSoundEnd(*m_ctx.audio, r); end && end->shorter())
        m_dialogs->showMessage(
            {end->loadNotice(baseName(filename)), kAppTitle, MessageIcon::Information});
    return true;
}

std::string MainWindow::loadDialogFolder() const {
    return dialogFolder(m_recording ? m_recording->LoadedFileBase : std::string(),
                        m_ctx.settings->values.LoadPath, {m_ctx.demoFolder});
}

void MainWindow::cmdLoad_Click() {
    if (!m_record->loadAvailable()) return;
    m_record->setEnabled(false);
    const auto chosen = m_dialogs->openFile(FileDialogRequest{
        "Load File for Playback", "kvd file (*.kvd*)|*.kvd", loadDialogFolder(), ""});
    if (chosen) loadChosenFile(*chosen);
    m_record->setEnabled(true);
    Update_Buttons();
}

void MainWindow::loadChosenFile(const std::string& chosen) {
    try {
        openChosenFile(chosen);
    } catch (const std::exception& e) {
        const bool memory = dynamic_cast<const std::bad_alloc*>(&e) != nullptr;
        m_dialogs->showMessage(
            {couldNotLoadText("The file", memory ? chosen + " is too large for the memory free now"
                                                 : chosen + ": " + e.what()),
             kAppTitle, MessageIcon::None});
    }
}

void MainWindow::openChosenFile(const std::string& path) {
    if (m_engine->PlayMode != PlayState::Stopped) return; // loading waits for a stop
    const std::string base = pairBaseOf(path);
    const auto sep = base.find_last_of("/\\");
    m_ctx.settings->values.LoadPath =
        sep == std::string::npos ? std::string() : base.substr(0, sep + 1);
    if (Load_File(base)) {
        m_record->bar->setEnabled(true);
        m_recording->LoadedFileBase = base;
    }
    Update_Buttons();
}

void MainWindow::cmdLoad_MouseDown(Qt::MouseButton button) {
    if (button != Qt::RightButton || !m_record->loadAvailable()) return;
    if (m_siblingList->open(QApplication::mouseButtons() & Qt::RightButton)) Update_Buttons();
}

void MainWindow::cboFile_Click() {
    m_siblingList->choose();
}

void MainWindow::closeList() {
    m_siblingList->close();
}

void MainWindow::Update_Buttons() {
    const PlaybackEngine& e = *m_engine;
    const QColor ink = QApplication::palette().color(QPalette::ButtonText);
    m_status->refresh();
    if (e.PlayMode == PlayState::Testing) return;
    if (e.PlayMode == PlayState::Stopped) {
        const bool loaded = isLoaded();
        m_record->cmdStop->setEnabled(false);
        m_record->cmdLoop->hide();
        m_record->cmdLoad->show();
        m_record->cmdLoad->setEnabled(true);
        for (QToolButton* b :
             {m_record->cmdRev, m_record->cmdFwd, m_record->cmdEditStart, m_record->cmdEditEnd})
            b->setEnabled(false);
        m_record->cmdPlay->setIcon(buttonImage(QStringLiteral("Play"), ink));
        m_record->cmdPlay->setEnabled(loaded);
        m_record->cmdSave->setEnabled(loaded);
        m_record->cmdExpand->setEnabled(loaded &&
                                        (m_recording->LoopStartRecord != 1 ||
                                         m_recording->LoopEndRecord != m_recording->RecordCount));
        m_menus.menu(QStringLiteral("mnuTest"))->setEnabled(true);
        return;
    }
    m_record->cmdSave->setEnabled(false);
    m_record->cmdLoad->hide();
    m_record->cmdLoop->show();
    const bool running = e.TransportState == Transport::Playing;
    m_record->cmdPlay->setIcon(buttonImage(QString::fromLatin1(running ? "Pause" : "Play"), ink));
    m_record->cmdPlay->setEnabled(true);
    for (QToolButton* b : {m_record->cmdStop, m_record->cmdRev, m_record->cmdFwd})
        b->setEnabled(true);
    m_record->cmdEditStart->setEnabled(!e.SegmentStartMarked);
    m_record->cmdEditEnd->setEnabled(e.SegmentStartMarked);
    m_record->cmdExpand->setEnabled(false);
    m_menus.menu(QStringLiteral("mnuTest"))->setEnabled(false);
    m_moves->transportChanged();
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
    if (m_record && watched == m_record->cmdLoad) {
        if (event->type() == QEvent::MouseButtonPress)
            cmdLoad_MouseDown(static_cast<QMouseEvent*>(event)->button());
        else if (event->type() == QEvent::MouseButtonRelease)
            m_siblingList->buttonReleased();
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
    if (urls.size() != 1 || m_engine->PlayMode != PlayState::Stopped) return;
    event->acceptProposedAction();
    openChosenFile(urls.front().toLocalFile().toStdString());
}

} // namespace kv
