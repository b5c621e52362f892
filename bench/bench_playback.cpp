// Playback benchmark: the real window (offscreen), engine and audio channel
// (silent sink) play a recording for 3 x 8 s with the graph shown, at normal
// speed or at the speed in KV_BENCH_SPEED (chosen in the Audio menu). For each
// shown record it measures how far the audio position is from the record's
// time at the moment of drawing, and it measures the process's CPU time.
// Between the stretches of playing it measures the floors in the same run: a
// bare Qt window of the same size repainting a 300-px square 50 times a
// second, and the same window repainting all of itself; cpu_ratio_square and
// cpu_ratio_window are the medians of the rounds' ratios (range beside them).
// cpu_ratio_same_pixels compares with the bare window repainting as many
// pixels a frame as playing painted: the part of the cost that is the pixels.
// A second run plays 10 hours on virtual time to show that the offset does
// not drift.
#include "AudioChannel.h"
#include "DemoData.h"
#include "KvdFile.h"
#include "MainWindow.h"
#include "MeterPanelView.h"
#include "PlaybackEngine.h"
#include "Scheduler.h"
#include "SoundChannel.h"
#include "SoundDevice.h"

#include <QAction>
#include <QApplication>
#include <QEventLoop>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

namespace {

double cpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec + t.tv_nsec / 1e9;
}

double percentile(std::vector<double> v, double p) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[static_cast<std::size_t>(std::min<double>(v.size() - 1, p * (v.size() - 1) + 0.5))];
}

// A channel whose position is the virtual clock while it plays.
class ClockChannel final : public kv::AudioChannel {
public:
    explicit ClockChannel(kv::VirtualScheduler& s) : m_s(s) {}
    kv::AudioReply send(std::string_view command) override {
        const std::string c(command);
        if (c.rfind("play", 0) == 0) {
            m_playing = true;
            m_t0 = m_s.now() - m_at / 1000.0;
        } else if (c.rfind("seek", 0) == 0) {
            m_at = std::stoll(c.substr(c.rfind(' ') + 1));
        } else if (c == "status WavFile mode") {
            return {0, m_playing ? "playing" : "stopped"};
        } else if (c == "status WavFile position") {
            return {0, std::to_string(position())};
        } else if (c.rfind("pause", 0) == 0 || c.rfind("stop", 0) == 0) {
            m_at = position();
            m_playing = false;
        }
        return {};
    }
    long long position() const {
        return m_playing ? static_cast<long long>((m_s.now() - m_t0) * 1000.0) : m_at;
    }

private:
    kv::VirtualScheduler& m_s;
    bool m_playing = false;
    double m_t0 = 0;
    long long m_at = 0;
};

// Ten hours on virtual time: the offset at the end equals the offset at the start.
void virtualTenHours() {
    kv::VirtualScheduler sched;
    ClockChannel audio(sched);
    kv::MeterModel meter([&] { return sched.now(); });
    struct View : kv::PlaybackView {
        std::vector<float>* offsets = nullptr;
        kv::MeterModel* meter = nullptr;
        ClockChannel* audio = nullptr;
        void showRecord() override {
            offsets->push_back(static_cast<float>(audio->position() - meter->CurrentRecord.TimeMs));
        }
    } view;
    std::vector<float> offsets;
    view.offsets = &offsets;
    view.meter = &meter;
    view.audio = &audio;
    kv::RecordingFile rec;
    const int n = 10 * 3600 * 50;
    rec.Records.resize(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        rec.Records[static_cast<std::size_t>(i)].TimeMs = i * 20;
        rec.Records[static_cast<std::size_t>(i)].RecordType = 'O';
    }
    rec.RecordCount = n;
    rec.LoopStartRecord = 1;
    rec.LoopEndRecord = n;
    rec.TotalTimeMs = (n - 1) * 20;
    rec.AudioUnitsPerSec = 1000;
    kv::PlaybackEngine engine(audio, meter, sched, view);
    engine.setRecording(&rec);
    engine.cmdPlay_Click();
    sched.advance(1.0 + 10.0 * 3600 - 1.0);
    const std::size_t hour = 3600 * 50;
    auto p50 = [](std::vector<float>::const_iterator a, std::vector<float>::const_iterator b,
                  double p) { return percentile(std::vector<double>(a, b), p); };
    const std::size_t h = std::min(hour, offsets.size());
    std::printf(
        "virtual 10 h: shown=%zu first_hour_offset_p50_ms=%.1f last_hour_offset_p50_ms=%.1f "
        "last_hour_offset_max_ms=%.1f\n",
        offsets.size(), p50(offsets.begin(), offsets.begin() + static_cast<long>(h), 0.5),
        p50(offsets.end() - static_cast<long>(h), offsets.end(), 0.5),
        p50(offsets.end() - static_cast<long>(h), offsets.end(), 1.0));
}

// Messages go to the console: a benchmark never waits for a click.
class ConsoleDialogs final : public kv::Dialogs {
public:
    void showMessage(const kv::UserMessage& m) override {
        std::fprintf(stderr, "message: %s\n", m.text.c_str());
    }
    bool askYesNo(const kv::UserMessage&) override { return false; }
    std::optional<std::string> openFile(const kv::FileDialogRequest&) override {
        return std::nullopt;
    }
    std::optional<std::string> saveFile(const kv::FileDialogRequest&) override {
        return std::nullopt;
    }
    std::optional<std::string> chooseFolder(const kv::FileDialogRequest&) override {
        return std::nullopt;
    }
    std::optional<std::int32_t> chooseColour(std::int32_t) override { return std::nullopt; }
    void beep() override {}
    void runModal(QDialog&) override {}
    bool openDocument(const std::string&) override { return true; }
    void showFolder(const std::string&) override {}
};

// Counts the paints of the panel, the graph and the position bar, and the
// frames they fall in: the paints of one pass of the event loop are one
// picture on the screen.
class PaintCounter final : public QObject {
public:
    int paints = 0, frames = 0;
    double pixels = 0; // the area of the painted regions
    bool eventFilter(QObject* o, QEvent* e) override {
        if (e->type() == QEvent::Paint) {
            const QString n = o->objectName();
            if (n == QLatin1String("picMeterPanel") || n == QLatin1String("picGraph") ||
                n == QLatin1String("picFilePosition")) {
                ++paints;
                for (const QRect& r : static_cast<QPaintEvent*>(e)->region())
                    pixels += static_cast<double>(r.width()) * r.height();
                if (!m_inFrame) {
                    ++frames;
                    m_inFrame = true;
                    QMetaObject::invokeMethod(
                        this, [this] { m_inFrame = false; }, Qt::QueuedConnection);
                }
            }
        }
        return false;
    }

private:
    bool m_inFrame = false;
};

// The anchor: a bare Qt window of the same size repainted 50 times a second.
class BareWindow final : public QWidget {
public:
    int frames() const { return m_frame; }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.fillRect(rect(), (++m_frame % 2) ? Qt::white : Qt::lightGray);
    }

private:
    int m_frame = 0;
};

double wallSeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// CPU percent of this process over `seconds` of the event loop.
// Runs the event loop for `seconds`. A local loop, not the application's:
// quitting the application would close every window, and the measurements
// after it would be of closed windows.
void runFor(double seconds) {
    QEventLoop loop;
    QTimer::singleShot(static_cast<int>(seconds * 1000), &loop, &QEventLoop::quit);
    loop.exec();
}

// CPU percent of this process over `seconds` of the event loop.
double cpuPercentOver(double seconds) {
    const double cpu0 = cpuSeconds(), wall0 = wallSeconds();
    runFor(seconds);
    return 100.0 * (cpuSeconds() - cpu0) / (wallSeconds() - wall0);
}

struct AnchorFigures {
    double cpuPercent = 0;
    double paintsPerSecond = 0;
};

// The bare window repainting all of itself 50 times a second, or only
// `area` (the least any window that moves a needle 50 times a second does).
AnchorFigures anchorFigures(QSize size, QRect area, double seconds) {
    BareWindow bare;
    bare.resize(size);
    bare.show();
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    QObject::connect(&tick, &QTimer::timeout, &bare, [&bare, area] {
        if (area.isNull())
            bare.update();
        else
            bare.update(area);
    });
    tick.start(20);
    cpuPercentOver(1.0); // settle
    const int frames0 = bare.frames();
    const double wall0 = wallSeconds();
    AnchorFigures f;
    f.cpuPercent = cpuPercentOver(seconds);
    f.paintsPerSecond = (bare.frames() - frames0) / (wallSeconds() - wall0);
    return f;
}

// The largest distance of the offsets from a straight line fitted through
// them over time (a device that runs a little fast drifts; that is no jitter).
double jitterP99(const std::vector<std::pair<double, double>>& timedOffsets) {
    const double n = static_cast<double>(timedOffsets.size());
    if (n < 2) return 0;
    double st = 0, so = 0;
    for (const auto& [t, o] : timedOffsets)
        st += t, so += o;
    const double mt = st / n, mo = so / n;
    double num = 0, den = 0;
    for (const auto& [t, o] : timedOffsets)
        num += (t - mt) * (o - mo), den += (t - mt) * (t - mt);
    const double slope = den > 0 ? num / den : 0;
    std::vector<double> residuals;
    for (const auto& [t, o] : timedOffsets)
        residuals.push_back(std::abs(o - (mo + slope * (t - mt))));
    return percentile(residuals, 0.99);
}

} // namespace

// Modes (KV_BENCH_MODE): "offscreen" (default: no display, silent sink),
// "xcb" (a real X window, run under xvfb-run) and
// "sdl" (SDL's sound output, e.g. its dummy driver; KV_AUDIO unset).
int main(int argc, char** argv) {
    const QByteArray mode = qEnvironmentVariableIsEmpty("KV_BENCH_MODE") ? QByteArray("offscreen")
                                                                         : qgetenv("KV_BENCH_MODE");
    if (mode != "xcb" && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const double speed =
        qEnvironmentVariableIsEmpty("KV_BENCH_SPEED") ? 1.0 : qgetenv("KV_BENCH_SPEED").toDouble();
    if (mode == "offscreen" && speed == 1.0) virtualTenHours();
    std::fflush(stdout);
    const std::string dir = std::filesystem::temp_directory_path() / "kv_bench_playback";
    std::filesystem::create_directories(dir);
    kv::DemoOptions o;
    o.records = static_cast<std::int32_t>(60 * 50 * speed) + 1;
    kv::writeKvdFile(dir + "/play001.kvd", kv::makeDemoRecords(o));
    kv::writeDemoAudio(dir + "/play001.wav", 60 * speed + 0.5, kv::DemoAudioFormat::Wav);
    kv::SessionConfig config;
    kv::SettingsStore settings(dir);
    kv::SoundChannel audio(kv::SoundChannel::Options{mode != "sdl", {}, kv::sdlDeviceOutputs()});
    kv::WindowContext ctx{&settings, &config, &audio, nullptr, dir, dir + "/dummy.mp3", dir};
    ctx.listening = &audio;
    kv::MainWindow window(ctx, std::make_unique<ConsoleDialogs>());
    window.Form_Load(1920);
    std::string speedField;
    if (speed != 1.0) {
        const QString item = QStringLiteral("mnuListenSpeed%1").arg(std::lround(speed * 100));
        QAction* choice = window.findChild<QAction*>(item);
        if (!choice) {
            std::fprintf(stderr, "no speed item %s\n", item.toUtf8().constData());
            return 1;
        }
        choice->trigger();
        speedField = " speed=" + QString::number(speed).toStdString();
    }
    settings.values.GraphVisible = false;
    window.menus().item(QStringLiteral("mnuViewGraph"))->trigger(); // the graph shown
    // KV_BENCH_NAVIGATOR=1: the session overview and the event list shown too.
    const bool navigator = qEnvironmentVariableIntValue("KV_BENCH_NAVIGATOR") == 1;
    if (navigator)
        for (const char* name : {"mnuViewOverview", "mnuViewEventList"})
            window.findChild<QAction*>(QString::fromLatin1(name))->trigger();
    // KV_BENCH_WIDTH: the window's width (default 1000); its height follows.
    const int width = qEnvironmentVariableIsEmpty("KV_BENCH_WIDTH")
                          ? 1000
                          : qEnvironmentVariableIntValue("KV_BENCH_WIDTH");
    window.resize(width, 800);
    window.show();
    if (navigator) {
        // The docked list takes its room from the window: widen the window by
        // it, so that the meter is as large as without it.
        QCoreApplication::processEvents();
        window.resize(window.width() + width - window.centralWidget()->width(), 800);
        QCoreApplication::processEvents();
    }
    window.openChosenFile(dir + "/play001.kvd");
    PaintCounter counter;
    app.installEventFilter(&counter);

    std::vector<double> offsets;
    std::vector<std::pair<double, double>> timedOffsets;
    bool measuring = false;
    window.onRecordShown = [&](const kv::SampleRecord& r) {
        if (!measuring) return;
        const kv::AudioReply pos = audio.send("status WavFile position");
        if (!pos.ok() || pos.text.empty() || !window.recording()) return;
        const double ms = std::stod(pos.text) * 1000.0 / window.recording()->AudioUnitsPerSec;
        offsets.push_back(std::abs(ms - r.TimeMs));
        timedOffsets.emplace_back(wallSeconds(), ms - r.TimeMs);
    };
    const QSize size = window.size();
    // Playing, then the two floors, in turn: each ratio compares a stretch
    // of playing with the floors measured right after it.
    constexpr int kRounds = 3;
    constexpr double kStretch = 8.0;
    double cpu = 0, wall = 0;
    long fetched = 0;
    int paints = 0, frames = 0;
    double pixels = 0;
    std::vector<double> squareRatios, windowRatios, matchedRatios;
    AnchorFigures whole, square;
    for (int round = 0; round < kRounds; ++round) {
        window.engine().cmdPlay_Click(); // play (or go on)
        runFor(1.0);                     // the PLAY banner
        const double cpu0 = cpuSeconds(), wall0 = wallSeconds();
        const int paints0 = counter.paints, frames0 = counter.frames;
        const double pixels0 = counter.pixels;
        const std::int32_t cursor0 = window.engine().RecordCursor;
        measuring = true;
        runFor(kStretch);
        measuring = false;
        const double c = cpuSeconds() - cpu0, w = wallSeconds() - wall0;
        cpu += c;
        wall += w;
        paints += counter.paints - paints0;
        frames += counter.frames - frames0;
        pixels += counter.pixels - pixels0;
        fetched += window.engine().RecordCursor - cursor0;
        window.engine().cmdPlay_Click(); // pause
        runFor(1.5);                     // the PAUSE banner
        window.hide();
        square = anchorFigures(size, QRect(100, 100, 300, 300), kStretch);
        whole = anchorFigures(size, {}, kStretch);
        // The bare window repainting as many pixels a frame as playing did:
        // what the pixels alone cost, without the meter, engine and drawing code.
        const int roundFrames = counter.frames - frames0;
        const double perFrame = roundFrames > 0 ? (counter.pixels - pixels0) / roundFrames : 0;
        const int matchedWidth = std::max(1, size.width() - 20);
        const int matchedHeight = std::clamp(static_cast<int>(perFrame / matchedWidth + 0.5), 1,
                                             std::max(1, size.height() - 20));
        const AnchorFigures matched =
            anchorFigures(size, QRect(10, 10, matchedWidth, matchedHeight), kStretch);
        window.show();
        const double playing = 100.0 * c / w;
        squareRatios.push_back(playing / std::max(square.cpuPercent, 0.01));
        windowRatios.push_back(playing / std::max(whole.cpuPercent, 0.01));
        matchedRatios.push_back(playing / std::max(matched.cpuPercent, 0.01));
    }
    const long skipped = std::max<long>(0, fetched - static_cast<long>(offsets.size()));
    window.onRecordShown = {};

    runFor(1.5); // the window shown again
    const double pausedCpu = cpuPercentOver(5.0);
    window.engine().abandon();
    window.hide();
    const double refresh = window.screen() ? window.screen()->refreshRate() : 0;
    std::sort(squareRatios.begin(), squareRatios.end());
    std::sort(windowRatios.begin(), windowRatios.end());
    std::sort(matchedRatios.begin(), matchedRatios.end());
    char anchor[600];
    std::snprintf(anchor, sizeof anchor,
                  " anchor_cpu_percent=%.1f anchor_repaints_per_s=%.1f"
                  " anchor_300px_square_cpu_percent=%.1f cpu_ratio_square=%.2f"
                  " cpu_ratio_square_min=%.2f cpu_ratio_square_max=%.2f cpu_ratio_window=%.2f"
                  " cpu_ratio_window_min=%.2f cpu_ratio_window_max=%.2f"
                  " cpu_ratio_same_pixels=%.2f cpu_ratio_same_pixels_min=%.2f"
                  " cpu_ratio_same_pixels_max=%.2f rounds=%d",
                  whole.cpuPercent, whole.paintsPerSecond, square.cpuPercent,
                  squareRatios[kRounds / 2], squareRatios.front(), squareRatios.back(),
                  windowRatios[kRounds / 2], windowRatios.front(), windowRatios.back(),
                  matchedRatios[kRounds / 2], matchedRatios.front(), matchedRatios.back(), kRounds);
    std::filesystem::remove_all(dir);
    std::printf("playback: mode=%s%s shown=%zu skipped=%ld offset_p50_ms=%.1f offset_p99_ms=%.1f "
                "offset_max_ms=%.1f jitter_p99_ms=%.1f cpu_percent=%.1f paused_cpu_percent=%.2f "
                "repaints_per_s=%.1f frames_per_s=%.1f painted_px_per_frame=%.0f refresh_hz=%.0f "
                "size=%dx%d%s\n",
                mode.constData(), (speedField + (navigator ? " navigator=1" : "")).c_str(),
                offsets.size(), skipped, percentile(offsets, 0.5), percentile(offsets, 0.99),
                percentile(offsets, 1.0), jitterP99(timedOffsets), 100.0 * cpu / wall, pausedCpu,
                paints / wall, frames / wall, frames > 0 ? pixels / frames : 0.0, refresh,
                size.width(), size.height(), anchor);
    return 0;
}
