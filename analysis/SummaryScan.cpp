#include "SummaryScan.h"

#include <utility>

namespace kv {

SummaryScan::SummaryScan(std::vector<std::string> paths, unsigned jobs,
                         std::function<void()> wake)
    : m_wake(std::move(wake)) {
    m_thread = std::thread([this, p = std::move(paths), jobs]() mutable { run(std::move(p), jobs); });
}

SummaryScan::~SummaryScan() {
    cancel();
    if (m_thread.joinable()) m_thread.join();
}

void SummaryScan::cancel() {
    m_cancel = true;
    const std::lock_guard g(m_lock);
    m_wake = nullptr;
}

void SummaryScan::run(std::vector<std::string> paths, unsigned jobs) {
    FoundRecordings found = findRecordings(paths);
    const std::vector<std::string> files = found.files;
    {
        const std::lock_guard g(m_lock);
        m_news.found = std::move(found);
    }
    post();
    SummariseHooks hooks;
    hooks.cancel = &m_cancel;
    hooks.onRow = [this](std::size_t, const RecordingSummary& row) {
        {
            const std::lock_guard g(m_lock);
            m_news.rows.push_back(row);
        }
        post();
    };
    if (!m_cancel) summariseAll(files, jobs, hooks);
    {
        const std::lock_guard g(m_lock);
        m_news.finished = true;
    }
    post();
    m_ended = true;
}

void SummaryScan::post() {
    const std::lock_guard g(m_lock);
    if (m_told || !m_wake || m_cancel) return;
    m_told = true;
    m_wake();
}

SummaryScan::News SummaryScan::take() {
    const std::lock_guard g(m_lock);
    News news = std::move(m_news);
    m_news = News{};
    // A finished scan stays finished for later takes.
    m_news.finished = news.finished;
    m_told = false;
    return news;
}

} // namespace kv
