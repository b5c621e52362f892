// SpscRing: a lock-free single-producer/single-consumer ring of samples. The
// feeder thread pushes decoded samples; the device callback pops them. Neither
// side locks or allocates. reset() is only called while both sides are idle.
#pragma once

#include <atomic>
#include <cstddef>
#include <vector>

namespace kv {

class SpscRing {
public:
    explicit SpscRing(std::size_t capacity) : m_buf(capacity + 1) {}

    std::size_t size() const {
        const std::size_t h = m_head.load(std::memory_order_acquire);
        const std::size_t t = m_tail.load(std::memory_order_acquire);
        return h >= t ? h - t : h + m_buf.size() - t;
    }
    std::size_t space() const { return m_buf.size() - 1 - size(); }

    std::size_t push(const float* in, std::size_t n) {
        std::size_t h = m_head.load(std::memory_order_relaxed);
        const std::size_t t = m_tail.load(std::memory_order_acquire);
        const std::size_t free = (t > h ? t - h : t + m_buf.size() - h) - 1;
        n = n < free ? n : free;
        for (std::size_t i = 0; i < n; ++i) {
            m_buf[h] = in[i];
            h = h + 1 == m_buf.size() ? 0 : h + 1;
        }
        m_head.store(h, std::memory_order_release);
        return n;
    }

    std::size_t pop(float* out, std::size_t n) {
        std::size_t t = m_tail.load(std::memory_order_relaxed);
        const std::size_t h = m_head.load(std::memory_order_acquire);
        const std::size_t avail = h >= t ? h - t : h + m_buf.size() - t;
        n = n < avail ? n : avail;
        for (std::size_t i = 0; i < n; ++i) {
            out[i] = m_buf[t];
            t = t + 1 == m_buf.size() ? 0 : t + 1;
        }
        m_tail.store(t, std::memory_order_release);
        return n;
    }

    void reset() {
        m_head.store(0);
        m_tail.store(0);
    }

private:
    std::vector<float> m_buf;
    std::atomic<std::size_t> m_head{0};
    std::atomic<std::size_t> m_tail{0};
};

} // namespace kv
