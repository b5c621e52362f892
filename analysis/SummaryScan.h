// SummaryScan: the recordings under a folder searched and summarised in the
// background, as kvtool summary does, for a window that shows the rows as
// they come. The search and the summaries run on threads of their own; the
// owner takes what is new whenever it is told there is some. Cancelling
// returns at once: no file is started after it and nothing more is told.
// Plain C++.
#pragma once

#include "RecordingFolder.h"

#include <atomic>
#include <cstddef>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace kv {

class SummaryScan {
public:
    // `wake` is called on a worker thread when something new can be taken
    // and the last news has been taken; it must only post a note to the owner.
    SummaryScan(std::vector<std::string> paths, unsigned jobs, std::function<void()> wake);
    // Cancels and waits for the threads (at most the file each is reading).
    ~SummaryScan();
    SummaryScan(const SummaryScan&) = delete;
    SummaryScan& operator=(const SummaryScan&) = delete;

    // No file is started after this, and wake is not called again.
    void cancel();
    bool cancelled() const { return m_cancel.load(); }
    // The threads have ended: destroying the scan now does not wait.
    bool ended() const { return m_ended.load(); }

    struct News {
        std::optional<FoundRecordings> found; // once, when the search has ended
        std::vector<RecordingSummary> rows;   // new rows, in the order they were made
        bool finished = false;                // every row has been given
    };
    // What is new since the last call.
    News take();

private:
    void run(std::vector<std::string> paths, unsigned jobs);
    void post(); // tells the owner, once per take

    std::atomic<bool> m_cancel{false};
    std::atomic<bool> m_ended{false};
    std::mutex m_lock;
    std::function<void()> m_wake;
    bool m_told = false; // the owner has been told and has not taken yet
    News m_news;
    std::thread m_thread;
};

} // namespace kv
