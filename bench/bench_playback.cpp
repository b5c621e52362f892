// Playback benchmark: the real window (offscreen), engine and audio channel
// (silent sink) play a 60-s recording for 30 s with the graph shown. For each
// shown record it measures how far the audio position is from the record's
// time at the moment of drawing, and it measures the process's CPU time.
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

#include <QApplication>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <filesystem>
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
    std::optional<std::int32_t> chooseColour(std::int32_t) override { return std::nullopt; }
    void beep() override {}
    void runModal(QDialog&) override {}
};

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    virtualTenHours();
    std::fflush(stdout);

    const std::string dir = std::filesystem::temp_directory_path() / "kv_bench_playback";
    std::filesystem::create_directories(dir);
    kv::DemoOptions o;
    o.records = 60 * 50 + 1;
    kv::writeKvdFile(dir + "/play001.kvd", kv::makeDemoRecords(o));
    kv::writeDemoAudio(dir + "/play001.wav", 60.5, kv::DemoAudioFormat::Wav);

    kv::SessionConfig config;
    kv::SettingsStore settings(dir);
    kv::SoundChannel audio(kv::SoundChannel::Options{true, {}});
    kv::WindowContext ctx{&settings, &config, &audio, nullptr, dir, dir + "/dummy.mp3", dir};
    kv::MainWindow window(ctx, std::make_unique<ConsoleDialogs>());
    window.Form_Load(1920);
    settings.values.GraphVisible = false;
    window.menus().item(QStringLiteral("mnuViewGraph"))->trigger(); // the graph shown
    window.resize(1000, 800);
    window.show();
    window.openChosenFile(dir + "/play001.kvd");

    std::vector<double> offsets;
    std::int32_t firstCursor = -1;
    window.onRecordShown = [&](const kv::SampleRecord& r) {
        const kv::AudioReply pos = audio.send("status WavFile position");
        const double ms = std::stod(pos.text) * 1000.0 / window.recording()->AudioUnitsPerSec;
        offsets.push_back(std::abs(ms - r.TimeMs));
        if (firstCursor < 0) firstCursor = window.engine().RecordCursor - 1;
    };
    window.engine().cmdPlay_Click();
    double cpu0 = 0, wall0 = 0;
    QTimer::singleShot(1000, [&] { // after the PLAY banner
        cpu0 = cpuSeconds();
        wall0 = std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
                    .count();
    });
    QTimer::singleShot(31000, [&] { app.quit(); });
    app.exec();
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count() -
        wall0;
    const double cpu = cpuSeconds() - cpu0;
    const std::int32_t fetched = window.engine().RecordCursor - 1 - firstCursor;
    const long skipped = std::max<long>(0, fetched - static_cast<long>(offsets.size()));
    window.engine().abandon();
    std::filesystem::remove_all(dir);
    std::printf(
        "playback: shown=%zu skipped=%ld offset_p50_ms=%.1f offset_p99_ms=%.1f offset_max_ms=%.1f "
        "cpu_percent=%.1f\n",
        offsets.size(), skipped, percentile(offsets, 0.5), percentile(offsets, 0.99),
        percentile(offsets, 1.0), 100.0 * cpu / wall);
    return 0;
}
