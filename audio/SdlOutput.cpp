#include "SoundDevice.h"

#include "DeviceClock.h"
#include "SoundFile.h"
#include "SpscRing.h"
#include "TimeStretch.h"

#include <SDL.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

namespace kv {
namespace {

std::int64_t steadyNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

bool initSdlAudio() {
    static const bool ok = [] {
        // SDL would otherwise catch SIGINT and SIGTERM and turn them into quit
        // events nobody reads: the program could then not be ended by a signal.
        SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
        return SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
    }();
    return ok;
}

// Streams the file through an SDL audio device. A feeder thread decodes
// blocks, stretches them to the speed asked for (the pitch kept), scales them
// to the volume and puts them into the ring while playing; the device
// callback only copies from the ring and stamps how many frames it has handed
// over, and when.
//
// The ring is kept filled to one device buffer and 50 ms more, so that a new
// speed or volume is heard within about 100 ms. Frames handed over are
// output frames; a piecewise line from output frames to source frames,
// with a new piece at each speed change, gives the source frame heard.
class SdlOutput final : public AudioOutput {
public:
    explicit SdlOutput(std::unique_ptr<SoundFile> file)
        : m_file(std::move(file)), m_channels(m_file->channels()), m_rate(m_file->sampleRate()),
          m_ring(static_cast<std::size_t>(m_rate / 2 + 4096) *
                 static_cast<std::size_t>(m_channels)),
          m_clock(m_rate, 1024), m_stretch(m_rate, m_channels) {
        m_map.reserve(kMarkers + 1);
    }

    ~SdlOutput() override {
        halt();
        if (m_dev != 0) SDL_CloseAudioDevice(m_dev);
    }

    // Opens the device paused, so no callback arrives before start(). An
    // empty name is the system default.
    bool openDevice(const std::string& name, std::string* error) {
        if (m_channels > 8) {
            if (error) *error = "too many channels for the sound device";
            return false;
        }
        SDL_AudioSpec want{};
        want.freq = m_rate;
        want.format = AUDIO_F32SYS;
        want.channels = static_cast<Uint8>(m_channels);
        want.samples = 1024;
        want.callback = &SdlOutput::callback;
        want.userdata = this;
        SDL_AudioSpec have{};
        m_dev = SDL_OpenAudioDevice(name.empty() ? nullptr : name.c_str(), 0, &want, &have, 0);
        if (m_dev == 0) {
            if (error) *error = SDL_GetError();
            return false;
        }
        m_bufferFrames = have.samples;
        m_clock = DeviceClock(m_rate, m_bufferFrames);
        m_fillSamples = static_cast<std::size_t>(m_bufferFrames + m_rate / 20) *
                        static_cast<std::size_t>(m_channels);
        return true;
    }

    static void callback(void* self, Uint8* stream, int len) {
        auto* o = static_cast<SdlOutput*>(self);
        auto* out = reinterpret_cast<float*>(stream);
        const std::size_t want = static_cast<std::size_t>(len) / sizeof(float);
        const std::size_t got = o->m_ring.pop(out, want);
        if (got < want) std::memset(out + got, 0, (want - got) * sizeof(float));
        const std::int64_t total =
            o->m_consumed.fetch_add(static_cast<std::int64_t>(got / o->m_channels),
                                    std::memory_order_release) +
            static_cast<std::int64_t>(got / o->m_channels);
        // Every callback's time goes to the window thread's device clock,
        // through a ring written only here (no lock, no allocation).
        const std::uint64_t n = o->m_stampCount.load(std::memory_order_relaxed);
        Stamp& s = o->m_stamps[n % kStamps];
        s.ns.store(steadyNs(), std::memory_order_relaxed);
        s.frames.store(total, std::memory_order_relaxed);
        o->m_stampCount.store(n + 1, std::memory_order_release);
    }

    void start(std::int64_t fromFrame, std::int64_t endFrame) override {
        halt();
        m_ring.reset();
        m_file->seek(fromFrame);
        m_start = fromFrame;
        m_end = std::max(fromFrame, endFrame);
        m_pushed.store(0);
        m_consumed.store(0);
        m_stampCount.store(0);
        m_stampsRead = 0;
        m_markerCount.store(0);
        m_markersRead = 0;
        m_startSpeed = m_speed.load();
        m_map.assign(1, Piece{0, static_cast<double>(fromFrame), m_startSpeed});
        m_stretch.clear();
        m_stretch.setTempo(m_startSpeed);
        m_clock.reset();
        m_feederDone.store(false);
        m_lastHeard = fromFrame;
        m_lastOut = 0;
        m_drainedAt = 0;
        m_stopFeeder = false;
        m_feeder = std::thread([this] { feed(); });
        m_running = true;
        SDL_PauseAudioDevice(m_dev, 0);
    }

    void halt() override {
        if (!m_running) return;
        m_haltedAt = heardFrame();
        SDL_PauseAudioDevice(m_dev, 1);
        {
            std::lock_guard lock(m_mutex);
            m_stopFeeder = true;
        }
        m_wake.notify_all();
        m_feeder.join();
        m_running = false;
    }

    std::int64_t heardFrame() override {
        if (!m_running) return m_haltedAt;
        // Feed the callbacks since the last look to the device clock model;
        // ones the ring has already written over are skipped.
        const bool done = m_feederDone.load(std::memory_order_acquire);
        const std::int64_t pushed = m_pushed.load();
        const std::uint64_t written = m_stampCount.load(std::memory_order_acquire);
        if (written - m_stampsRead > kStamps / 2) m_stampsRead = written - kStamps / 2;
        for (; m_stampsRead < written; ++m_stampsRead) {
            const Stamp& s = m_stamps[m_stampsRead % kStamps];
            const std::int64_t frames = s.frames.load(std::memory_order_relaxed);
            m_clock.callback(s.ns.load(std::memory_order_relaxed), frames);
            if (done && frames >= pushed && !m_drainedAt) m_drainedAt = m_stampsRead + 1;
        }
        readMarkers();
        std::int64_t out = std::clamp<std::int64_t>(m_clock.heardAt(steadyNs()), 0, pushed);
        // Once the ring has run dry the device is handed silence, and the
        // clock model stays a buffer behind; the next callback after the last
        // frame was handed over means that frame has been played.
        if (m_drainedAt && written > m_drainedAt) out = pushed;
        m_lastOut = std::max(m_lastOut, out);
        std::int64_t heard = done && out >= pushed ? m_sourceEnd.load() : sourceFrameOf(out);
        heard = std::clamp<std::int64_t>(heard, m_start, m_end);
        m_lastHeard = std::max(m_lastHeard, heard);
        return m_lastHeard;
    }

    bool finished() override {
        if (!m_running) return m_haltedAt >= m_end;
        heardFrame();
        return m_feederDone.load() && m_lastOut >= m_pushed.load();
    }

    bool silent() const override { return false; }
    void setSpeed(double speed) override { m_speed.store(speed); }
    void setVolume(double gain) override { m_gain.store(static_cast<float>(gain)); }

private:
    // One piece of the line from output frames to source frames.
    struct Piece {
        std::int64_t out;
        double source;
        double speed;
    };
    struct Marker {
        std::atomic<std::int64_t> out{0};
        std::atomic<double> source{0};
        std::atomic<double> speed{1};
    };

    double sourceAt(const Piece& p, std::int64_t out) const {
        return p.source + static_cast<double>(out - p.out) * p.speed;
    }

    std::int64_t sourceFrameOf(std::int64_t out) const {
        auto it = std::find_if(m_map.rbegin(), m_map.rend(),
                               [out](const Piece& p) { return p.out <= out; });
        const Piece& p = it == m_map.rend() ? m_map.front() : *it;
        return static_cast<std::int64_t>(sourceAt(p, out));
    }

    // Window thread: takes the feeder's new pieces; pieces wholly heard are dropped.
    void readMarkers() {
        const std::uint64_t written = m_markerCount.load(std::memory_order_acquire);
        for (; m_markersRead < written; ++m_markersRead) {
            const Marker& m = m_markers[m_markersRead % kMarkers];
            if (m_map.size() >= kMarkers) m_map.erase(m_map.begin());
            m_map.push_back({m.out.load(std::memory_order_relaxed),
                             m.source.load(std::memory_order_relaxed),
                             m.speed.load(std::memory_order_relaxed)});
        }
    }

    // Feeder thread: a new speed starts a piece at the next output frame.
    void publish(const Piece& p) {
        const std::uint64_t n = m_markerCount.load(std::memory_order_relaxed);
        Marker& m = m_markers[n % kMarkers];
        m.out.store(p.out, std::memory_order_relaxed);
        m.source.store(p.source, std::memory_order_relaxed);
        m.speed.store(p.speed, std::memory_order_relaxed);
        m_markerCount.store(n + 1, std::memory_order_release);
    }

    // Next block of output frames into out; 0 at the end of the sound.
    std::size_t produce(float* out, std::vector<float>& in, std::int64_t& pos, bool stretching,
                        bool& inputDone) {
        constexpr std::int64_t kBlock = 1024;
        if (!stretching) {
            const std::int64_t want = std::min(kBlock, m_end - pos);
            const std::int64_t got = want > 0 ? m_file->readFloat(out, want) : 0;
            if (got <= 0) return 0;
            pos += got;
            return static_cast<std::size_t>(got);
        }
        while (m_stretch.ready() < static_cast<std::size_t>(kBlock) && !inputDone) {
            const std::int64_t want = std::min(kBlock, m_end - pos);
            const std::int64_t got = want > 0 ? m_file->readFloat(in.data(), want) : 0;
            if (got <= 0) {
                m_stretch.finish();
                inputDone = true;
                break;
            }
            pos += got;
            m_stretch.put(in.data(), static_cast<std::size_t>(got));
        }
        return m_stretch.take(out, kBlock);
    }

    void feed() {
        constexpr std::size_t kBlock = 1024;
        const auto ch = static_cast<std::size_t>(m_channels);
        std::vector<float> in(kBlock * ch), block(kBlock * ch);
        std::int64_t pos = m_start;
        std::int64_t produced = 0;
        Piece piece{0, static_cast<double>(m_start), m_startSpeed};
        // At 1x from the start the samples go through untouched; once the
        // stretcher is used it stays in the path until the next start, so
        // that what it holds is never lost.
        bool stretching = m_startSpeed != 1.0;
        bool inputDone = false;
        float gain = m_gain.load();
        while (true) {
            const double speed = m_speed.load(std::memory_order_relaxed);
            if (speed != piece.speed) {
                piece = {produced, sourceAt(piece, produced), speed};
                stretching = true;
                m_stretch.setTempo(speed);
                publish(piece);
            }
            const std::size_t frames = produce(block.data(), in, pos, stretching, inputDone);
            if (frames == 0) break;
            produced += static_cast<std::int64_t>(frames);
            // The volume, ramped across the block so that a change makes no click.
            const float target = m_gain.load(std::memory_order_relaxed);
            if (target != 1.0f || gain != 1.0f) {
                for (std::size_t f = 0; f < frames; ++f) {
                    const float g = gain + (target - gain) * static_cast<float>(f + 1) /
                                               static_cast<float>(frames);
                    for (std::size_t c = 0; c < ch; ++c)
                        block[f * ch + c] *= g;
                }
                gain = target;
            }
            std::size_t pending = frames * ch, offset = 0;
            while (pending != 0) {
                const std::size_t filled = m_ring.size();
                const std::size_t room = filled < m_fillSamples ? m_fillSamples - filled : 0;
                const std::size_t put = m_ring.push(block.data() + offset, std::min(pending, room));
                offset += put;
                pending -= put;
                m_pushed.fetch_add(static_cast<std::int64_t>(put / ch));
                std::unique_lock lock(m_mutex);
                if (pending != 0)
                    m_wake.wait_for(lock, std::chrono::milliseconds(5),
                                    [this] { return m_stopFeeder; });
                if (m_stopFeeder) return;
            }
        }
        m_sourceEnd.store(pos);
        m_feederDone.store(true, std::memory_order_release);
    }

    std::unique_ptr<SoundFile> m_file;
    SDL_AudioDeviceID m_dev = 0;
    int m_channels;
    int m_rate;
    int m_bufferFrames = 1024;
    std::size_t m_fillSamples = 0;
    SpscRing m_ring;
    std::thread m_feeder;
    std::mutex m_mutex; // between the window thread and the feeder only
    std::condition_variable m_wake;
    bool m_stopFeeder = false;
    std::atomic<bool> m_feederDone{false};
    std::atomic<std::int64_t> m_sourceEnd{0};
    std::atomic<std::int64_t> m_pushed{0};
    std::atomic<std::int64_t> m_consumed{0};
    struct Stamp {
        std::atomic<std::int64_t> ns{0};
        std::atomic<std::int64_t> frames{0};
    };
    static constexpr std::uint64_t kStamps = 64;
    std::array<Stamp, kStamps> m_stamps;
    std::atomic<std::uint64_t> m_stampCount{0};
    std::uint64_t m_stampsRead = 0; // window thread only
    static constexpr std::uint64_t kMarkers = 32;
    std::array<Marker, kMarkers> m_markers; // written by the feeder only
    std::atomic<std::uint64_t> m_markerCount{0};
    std::uint64_t m_markersRead = 0; // window thread only
    std::vector<Piece> m_map;        // window thread only
    DeviceClock m_clock;
    TimeStretch m_stretch; // feeder thread only (cleared in start)
    std::atomic<double> m_speed{1.0};
    std::atomic<float> m_gain{1.0f};
    double m_startSpeed = 1.0;
    std::int64_t m_start = 0;
    std::int64_t m_end = 0;
    std::int64_t m_lastHeard = 0;
    std::int64_t m_lastOut = 0;
    std::uint64_t m_drainedAt = 0; // 1 + the callback that took the last frame; 0 before
    std::int64_t m_haltedAt = 0;
    bool m_running = false;
};

} // namespace

std::unique_ptr<AudioOutput> makeDeviceOutput(const std::string& path, std::string* error,
                                              const std::string& device, bool* fellBack) {
    if (fellBack) *fellBack = false;
    if (!initSdlAudio()) {
        if (error) *error = SDL_GetError();
        return nullptr;
    }
    auto file = SoundFile::open(path, error);
    if (!file) return nullptr;
    auto output = std::make_unique<SdlOutput>(std::move(file));
    if (!device.empty()) {
        // Only a device the sound system lists now is tried: some drivers
        // take any name (SDL's disk driver writes to a file of that name).
        const auto names = playbackDeviceNames();
        if (std::find(names.begin(), names.end(), device) != names.end() &&
            output->openDevice(device, error))
            return output;
        if (fellBack) *fellBack = true;
    }
    if (!output->openDevice({}, error)) return nullptr;
    return output;
}

std::vector<std::string> playbackDeviceNames() {
    std::vector<std::string> names;
    if (!initSdlAudio()) return names;
    const int n = SDL_GetNumAudioDevices(0);
    for (int i = 0; i < n; ++i)
        if (const char* name = SDL_GetAudioDeviceName(i, 0)) names.emplace_back(name);
    return names;
}

DeviceOutputs sdlDeviceOutputs() {
    return {[](const std::string& path, const std::string& device, bool* fellBack) {
                return makeDeviceOutput(path, nullptr, device, fellBack);
            },
            playbackDeviceNames};
}

} // namespace kv
