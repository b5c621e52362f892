#include "AudioOutput.h"

#include <algorithm>

namespace kv {
namespace {

class SilentOutput final : public AudioOutput {
public:
    SilentOutput(int rate, SteadyNow now) : m_rate(rate), m_now(std::move(now)) {
        if (!m_now) m_now = [] { return std::chrono::steady_clock::now(); };
    }

    void start(std::int64_t fromFrame, std::int64_t endFrame) override {
        m_from = fromFrame;
        m_end = endFrame;
        m_started = m_now();
        m_running = true;
    }
    void halt() override {
        if (m_running) m_from = heardFrame();
        m_running = false;
    }
    std::int64_t heardFrame() override { return heardAt(m_now()); }
    std::int64_t heardAt(std::chrono::steady_clock::time_point now) const {
        if (!m_running) return std::min(m_from, m_end);
        const auto ns =
            std::chrono::duration_cast<std::chrono::nanoseconds>(now - m_started).count();
        const std::int64_t advanced =
            static_cast<std::int64_t>(static_cast<long double>(ns) * m_rate * m_speed / 1e9L);
        return std::min(m_from + advanced, m_end);
    }
    bool finished() override { return heardFrame() >= m_end; }
    bool silent() const override { return true; }
    // The silent sink honours the speed: from the frame heard now, time runs
    // at the new rate.
    void setSpeed(double speed) override {
        if (m_running) {
            const auto now = m_now();
            m_from = heardAt(now);
            m_started = now;
        }
        m_speed = speed;
    }
    void setVolume(double) override {}

private:
    int m_rate;
    SteadyNow m_now;
    std::chrono::steady_clock::time_point m_started{};
    std::int64_t m_from = 0;
    std::int64_t m_end = 0;
    double m_speed = 1.0;
    bool m_running = false;
};

} // namespace

std::unique_ptr<AudioOutput> makeSilentOutput(int sampleRate, SteadyNow now) {
    return std::make_unique<SilentOutput>(sampleRate, std::move(now));
}

} // namespace kv
