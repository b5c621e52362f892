#include "MainWindow.h"

#include "AudioChannel.h"
#include "FileFunctions.h"
#include "MeterPanelView.h"
#include "PlayTime.h"
#include "PositionBar.h"
#include "RecordingLoader.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include <cmath>
#include <new>

namespace kv {
namespace {

QString q(const std::string& s) { return QString::fromStdString(s); }

// The part after the last separator.
std::string baseName(const std::string& path) {
    const auto cut = path.find_last_of("/\\");
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

} // namespace

MainWindow::MainWindow(const WindowContext& context, std::unique_ptr<Dialogs> dialogs, QWidget* parent)
    : QMainWindow(parent), m_ctx(context), m_dialogs(std::move(dialogs)) {
    if (!m_dialogs) m_dialogs = std::make_unique<QtDialogs>(this);
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QString::fromUtf8(kAppTitle));
    setAcceptDrops(false);
    buildWidgets();
    applyColours();
    resetToEmpty();
}

MainWindow::~MainWindow() = default;

void MainWindow::buildWidgets() {
    auto* central = new QWidget(this);
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    m_panel = new MeterPanelView(central);
    column->addWidget(m_panel, 1);

    m_record = new QFrame(central);
    m_record->setObjectName(QStringLiteral("picRecord"));
    m_record->setFixedHeight(81);
    m_record->setFrameShape(QFrame::StyledPanel);
    m_record->setAutoFillBackground(true);
    auto* grid = new QGridLayout(m_record);
    grid->setContentsMargins(8, 6, 8, 6);

    m_cmdLoad = new QToolButton(m_record);
    m_cmdLoad->setObjectName(QStringLiteral("cmdLoad"));
    m_cmdLoad->setIcon(style()->standardIcon(QStyle::SP_DialogOpenButton));
    m_cmdLoad->setIconSize(QSize(32, 32));
    m_cmdLoad->setToolTip(QStringLiteral("Open"));
    m_cmdLoad->setShortcut(QKeySequence::Open);
    m_cmdLoad->installEventFilter(this);
    connect(m_cmdLoad, &QToolButton::clicked, this, &MainWindow::cmdLoad_Click);

    m_lblLoadedFile = new QLabel(m_record);
    m_lblLoadedFile->setObjectName(QStringLiteral("lblLoadedFile"));
    m_lblLoadedFile->setMinimumWidth(140);

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
    m_bar = new PositionBar(m_record);

    grid->addWidget(m_cmdLoad, 0, 0, 2, 1);
    grid->addWidget(m_lblLoadedFile, 0, 1);
    grid->addWidget(m_cboFile, 0, 1);
    grid->addWidget(m_lblPlayTime, 1, 1, Qt::AlignLeft);
    grid->addWidget(m_bar, 1, 2);
    grid->addWidget(m_lblTotalTime, 1, 3, Qt::AlignRight);
    grid->setColumnStretch(2, 1);

    column->addWidget(m_record);
    setCentralWidget(central);
}

void MainWindow::applyColours() {
    const Settings& s = m_ctx.settings->values;
    m_panel->setStyle(PanelStyle::from(s, s.DialType));
    // The window background shows around the panel only; the recording
    // strip keeps the desktop's own colours so its labels stay readable.
    QPalette pal = QApplication::palette();
    pal.setColor(QPalette::Window, qColor(s.Background_Color));
    centralWidget()->setPalette(pal);
    centralWidget()->setAutoFillBackground(true);
    QPalette stripPal = QApplication::palette();
    for (auto role : {QPalette::Window, QPalette::WindowText, QPalette::Button, QPalette::ButtonText})
        stripPal.setColor(role, stripPal.color(role)); // resolved, so not inherited from the window
    m_record->setPalette(stripPal);
}

void MainWindow::resetToEmpty() {
    m_recording.reset();
    m_lblLoadedFile->clear();
    m_lblLoadedFile->setToolTip(QString());
    m_lblPlayTime->setText(QStringLiteral("00:00"));
    m_lblTotalTime->setText(QStringLiteral("00:00"));
    m_bar->clear();
    m_bar->setEnabled(false);
    m_panel->Update_FileDisplay("No File Loaded");
    Update_Buttons();
}

bool MainWindow::Load_File(const std::string& filename) {
    // A load replaces everything; a failed one leaves nothing half-loaded.
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
        const auto x = roundHalfEven(static_cast<double>(m_bar->scaleWidth()) * step) / 50;
        m_bar->fillTo(static_cast<int>(x));
        m_bar->repaint();
    };
    const Settings& s = m_ctx.settings->values;
    LoadResult result =
        kv::Load_File(LoadRequest{filename, s.AudioEnable, m_ctx.dummyAudioPath}, *m_ctx.audio, observer);
    if (!result.recording) {
        resetToEmpty();
        m_dialogs->showMessage(result.error->message());
        return false;
    }
    m_recording = std::move(result.recording);
    const RecordingFile& r = *m_recording;
    m_panel->Update_FileDisplay(filename);
    m_lblLoadedFile->setText(q(baseName(filename)));
    m_lblLoadedFile->setToolTip(q(filename));
    m_lblPlayTime->setText(q(Format_PlayTime(0, r.TotalTimeMs)));
    m_lblTotalTime->setText(
        q(Format_PlayTime(static_cast<std::int32_t>(roundHalfEven(r.TotalTimeMs / 1000.0)), r.TotalTimeMs)));
    m_bar->fillRange(0, m_bar->scaleWidth());
    return true;
}

std::string MainWindow::loadDialogFolder() const {
    const std::string& loadPath = m_ctx.settings->values.LoadPath;
    return Is_Folder(loadPath) || m_ctx.demoFolder.empty() ? loadPath : m_ctx.demoFolder;
}

void MainWindow::cmdLoad_Click() {
    m_record->setEnabled(false);
    const auto chosen = m_dialogs->openFile(
        FileDialogRequest{"Load File for Playback", "kvd file (*.kvd*)|*.kvd", loadDialogFolder(), ""});
    try {
        if (chosen) openChosenFile(*chosen);
    } catch (const std::exception& e) {
        const bool memory = dynamic_cast<const std::bad_alloc*>(&e) != nullptr;
        m_dialogs->showMessage({couldNotLoadText("The file", memory ? 7 : 5, e.what()), kAppTitle, MessageIcon::None});
    }
    m_record->setEnabled(true);
    Update_Buttons();
}

void MainWindow::openChosenFile(const std::string& path) {
    // The path less its ".kvd" is the base path.
    const std::string base = path.size() > 4 ? path.substr(0, path.size() - 4) : path;
    const auto sep = base.find_last_of("/\\");
    m_ctx.settings->values.LoadPath = sep == std::string::npos ? std::string() : base.substr(0, sep + 1);
    if (Load_File(base)) {
        m_bar->setEnabled(true);
        m_recording->LoadedFileBase = base;
    }
    Update_Buttons();
}

void MainWindow::cmdLoad_MouseDown(Qt::MouseButton button) {
    if (button != Qt::RightButton) return;
    m_siblings = findSiblings(m_lblLoadedFile->toolTip().toStdString());
    if (!m_siblings) return;
    m_cboFile->clear();
    for (const std::string& n : m_siblings->numbers) m_cboFile->addItem(q(n));
    if (m_siblings->selected >= 0) m_cboFile->setCurrentIndex(m_siblings->selected);
    m_cboFile->setEnabled(true);
    m_cboFile->show();
    m_lblLoadedFile->hide();
    m_cboFile->setFocus();
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
    m_cmdLoad->setVisible(true);
    m_cmdLoad->setEnabled(true);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_cmdLoad && event->type() == QEvent::MouseButtonPress) {
        cmdLoad_MouseDown(static_cast<QMouseEvent*>(event)->button());
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
            break;
        }
        case QEvent::KeyRelease: {
            const auto* key = static_cast<QKeyEvent*>(event);
            if (!key->isAutoRepeat() && (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down))
                m_arrowHeld = false;
            break;
        }
        case QEvent::FocusOut:
            if (static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason && m_cboFile->isVisible())
                closeList();
            break;
        case QEvent::MouseButtonDblClick: m_dialogs->beep(); break;
        default: break;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    m_ctx.audio->send("close WavFile");
    const QRect g = geometry();
    const std::int16_t state = isMaximized() ? 2 : isMinimized() ? 1 : 0;
    if (!m_ctx.config->Write_Config(m_ctx.appDirectory, WindowPlacement{double(g.x()), double(g.y()), double(g.width()), state}))
        m_dialogs->showMessage({"Error Saving Session Config File", "Save Config File", MessageIcon::Critical});
    m_ctx.settings->Save_RecordingSettings();
    event->accept();
}

} // namespace kv
