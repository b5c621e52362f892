// Recordings under folders and their summaries, computed on several threads:
// the search and the batch kvtool summary and the window's sessions panel
// share. Plain C++.
#pragma once

#include "RecordingSummary.h"

#include <atomic>
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace kv {

// The .kvd files a list of paths names: files as given, folders searched
// recursively (links followed, each folder once). What was passed over, and
// why, goes into `skipped` as "PATH: reason"; `failed` is set when a folder
// could not be read.
struct FoundRecordings {
    std::vector<std::string> files; // sorted, each once
    std::vector<std::string> skipped;
    bool failed = false;
};
FoundRecordings findRecordings(const std::vector<std::string>& paths);

// Summarises the files on `jobs` threads, in the files' order as far as the
// threads allow. `tick`, when given, is called with the number done about ten
// times a second on the calling thread while the others work, and once more
// at the end. `onRow`, when given, receives each summary as it is made, on the
// thread that made it (index into files). Once `cancel` is set no further file
// is started; the rows not made are left empty.
struct SummariseHooks {
    std::function<void(std::size_t done)> tick;
    std::function<void(std::size_t index, const RecordingSummary& row)> onRow;
    const std::atomic<bool>* cancel = nullptr;
};
std::vector<RecordingSummary> summariseAll(const std::vector<std::string>& files, unsigned jobs,
                                           const SummariseHooks& hooks = {});

} // namespace kv
