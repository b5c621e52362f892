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
    std::int64_t heardFrame() override {
        if (!m_running) return std::min(m_from, m_end);
        const auto ns =
            std::chrono::duration_cast<std::chrono::nanoseconds>(m_now() - m_started).count();
        const std::int64_t advanced =
            static_cast<std::int64_t>(static_cast<long double>(ns) * m_rate / 1e9L);
        return std::min(m_from + advanced, m_end);
    }
    bool finished() override { return heardFrame() >= m_end; }
    bool silent() const override { return true; }

private:
    int m_rate;
    SteadyNow m_now;
    std::chrono::steady_clock::time_point m_started{};
    std::int64_t m_from = 0;
    std::int64_t m_end = 0;
    bool m_running = false;
};

} // namespace

std::unique_ptr<AudioOutput> makeSilentOutput(int sampleRate, SteadyNow now) {
    return std::make_unique<SilentOutput>(sampleRate, std::move(now));
}

} // namespace kv
