#include "AudioOutput.h"
#include "DeviceClock.h"
#include "SoundFile.h"
#include "SpscRing.h"

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
// blocks into the ring while playing; the device callback only copies from
// the ring and stamps how many frames it has handed over, and when.
class SdlOutput final : public AudioOutput {
public:
    explicit SdlOutput(std::unique_ptr<SoundFile> file)
        : m_file(std::move(file)), m_channels(m_file->channels()), m_rate(m_file->sampleRate()),
          m_ring(static_cast<std::size_t>(m_rate / 2 + 4096) *
                 static_cast<std::size_t>(m_channels)),
          m_clock(m_rate, 1024) {}

    ~SdlOutput() override {
        halt();
        if (m_dev != 0) SDL_CloseAudioDevice(m_dev);
    }

    // Opens the device paused, so no callback arrives before start().
    bool openDevice(std::string* error) {
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
        m_dev = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
        if (m_dev == 0) {
            if (error) *error = SDL_GetError();
            return false;
        }
        m_bufferFrames = have.samples;
        m_clock = DeviceClock(m_rate, m_bufferFrames);
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
        m_clock.reset();
        m_feederDone.store(false);
        m_lastHeard = fromFrame;
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
        const std::uint64_t written = m_stampCount.load(std::memory_order_acquire);
        if (written - m_stampsRead > kStamps / 2) m_stampsRead = written - kStamps / 2;
        for (; m_stampsRead < written; ++m_stampsRead) {
            const Stamp& s = m_stamps[m_stampsRead % kStamps];
            m_clock.callback(s.ns.load(std::memory_order_relaxed),
                             s.frames.load(std::memory_order_relaxed));
        }
        std::int64_t heard = m_start + m_clock.heardAt(steadyNs());
        heard = std::clamp<std::int64_t>(heard, m_start, m_start + m_pushed.load());
        heard = std::min(heard, m_end);
        m_lastHeard = std::max(m_lastHeard, heard);
        return m_lastHeard;
    }

    bool finished() override {
        if (!m_running) return m_haltedAt >= m_end;
        return m_feederDone.load() && heardFrame() >= m_start + m_pushed.load();
    }

    bool silent() const override { return false; }

private:
    void feed() {
        constexpr std::int64_t kBlock = 1024;
        std::vector<float> block(static_cast<std::size_t>(kBlock * m_channels));
        std::int64_t pos = m_start;
        std::size_t pending = 0, offset = 0;
        while (true) {
            if (pending == 0) {
                const std::int64_t want = std::min(kBlock, m_end - pos);
                const std::int64_t got = want > 0 ? m_file->readFloat(block.data(), want) : 0;
                if (got <= 0) break;
                pos += got;
                pending = static_cast<std::size_t>(got * m_channels);
                offset = 0;
            }
            const std::size_t put = m_ring.push(block.data() + offset, pending);
            offset += put;
            pending -= put;
            m_pushed.fetch_add(static_cast<std::int64_t>(put / m_channels));
            if (pending != 0) {
                std::unique_lock lock(m_mutex);
                m_wake.wait_for(lock, std::chrono::milliseconds(10),
                                [this] { return m_stopFeeder; });
            }
            std::lock_guard lock(m_mutex);
            if (m_stopFeeder) return;
        }
        m_feederDone.store(true);
    }

    std::unique_ptr<SoundFile> m_file;
    SDL_AudioDeviceID m_dev = 0;
    int m_channels;
    int m_rate;
    int m_bufferFrames = 1024;
    SpscRing m_ring;
    std::thread m_feeder;
    std::mutex m_mutex; // between the window thread and the feeder only
    std::condition_variable m_wake;
    bool m_stopFeeder = false;
    std::atomic<bool> m_feederDone{false};
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
    DeviceClock m_clock;
    std::int64_t m_start = 0;
    std::int64_t m_end = 0;
    std::int64_t m_lastHeard = 0;
    std::int64_t m_haltedAt = 0;
    bool m_running = false;
};

} // namespace

std::unique_ptr<AudioOutput> makeDeviceOutput(const std::string& path, std::string* error) {
    if (!initSdlAudio()) {
        if (error) *error = SDL_GetError();
        return nullptr;
    }
    auto file = SoundFile::open(path, error);
    if (!file) return nullptr;
    auto output = std::make_unique<SdlOutput>(std::move(file));
    if (!output->openDevice(error)) return nullptr;
    return output;
}

} // namespace kv
