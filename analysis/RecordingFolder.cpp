#include "RecordingFolder.h"

#include "FileNames.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <dirent.h>
#include <mutex>
#include <new>
#include <set>
#include <sys/stat.h>
#include <thread>
#include <utility>

namespace kv {
namespace {

// Data files by their extension in any case ("WALK001.KVD", "walk.Kvd"), with
// a name before it.
bool namesDataFile(const std::string& name) {
    return name.size() > 4 && hasExtension(name, ".kvd");
}

// Searches folders for recordings. Real subfolders are searched first and
// folders reached through links afterwards, so a recording is listed under
// its own folder's name when a link also leads there; each folder is
// searched once, which also ends any loop of links.
class FolderWalk {
public:
    explicit FolderWalk(FoundRecordings& found) : m_found(found) {}

    void folder(const std::string& path, const struct stat& st) {
        if (!m_seen.insert({st.st_dev, st.st_ino}).second) {
            m_found.skipped.push_back(path + ": already searched (a loop of links)");
            return;
        }
        DIR* dir = ::opendir(path.c_str());
        if (!dir) {
            m_found.skipped.push_back(path + ": " + std::strerror(errno));
            m_found.failed = true;
            return;
        }
        std::vector<std::string> names;
        while (const dirent* e = ::readdir(dir)) {
            const std::string name = e->d_name;
            if (name != "." && name != "..") names.push_back(name);
        }
        ::closedir(dir);
        std::sort(names.begin(), names.end());
        const std::string prefix = path == "/" ? path : path + "/";
        for (const std::string& name : names)
            entry(prefix + name, namesDataFile(name));
    }

    // Searches the folders that links led to, and those they lead to.
    void followLinks() {
        for (std::size_t i = 0; i < m_linked.size(); ++i) {
            struct stat st {};
            if (::stat(m_linked[i].c_str(), &st) == 0) folder(m_linked[i], st);
        }
    }

private:
    void entry(const std::string& path, bool kvd) {
        struct stat st {};
        if (::stat(path.c_str(), &st) != 0) {
            // A recording's name that cannot be followed is a row that says why.
            if (kvd)
                m_found.files.push_back(path);
            else if (errno == ELOOP)
                m_found.skipped.push_back(path + ": a loop of symbolic links");
            return;
        }
        if (S_ISDIR(st.st_mode)) {
            struct stat own {};
            if (::lstat(path.c_str(), &own) == 0 && S_ISLNK(own.st_mode))
                m_linked.push_back(path);
            else
                folder(path, st);
        } else if (kvd) {
            m_found.files.push_back(path);
        }
    }

    FoundRecordings& m_found;
    std::set<std::pair<dev_t, ino_t>> m_seen;
    std::vector<std::string> m_linked;
};

std::string withoutTrailingSlashes(std::string path) {
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

} // namespace

std::vector<RecordingSummary> summariseAll(const std::vector<std::string>& files, unsigned jobs,
                                           const SummariseHooks& hooks) {
    const auto& tick = hooks.tick;
    std::vector<RecordingSummary> rows(files.size());
    std::atomic<std::size_t> next{0};
    std::size_t done = 0;
    std::mutex lock;
    std::condition_variable finished;
    const auto work = [&] {
        for (std::size_t i; (i = next.fetch_add(1)) < files.size();) {
            if (hooks.cancel && hooks.cancel->load()) {
                // The files not started count as done, so that the waiting ends.
                const std::lock_guard g(lock);
                done = files.size();
                finished.notify_one();
                return;
            }
            try {
                rows[i] = summariseFile(files[i]);
            } catch (const std::bad_alloc&) {
                rows[i] = RecordingSummary{};
                rows[i].file = files[i];
                rows[i].status = "unreadable: out of memory";
            }
            if (hooks.onRow) hooks.onRow(i, rows[i]);
            const std::lock_guard g(lock);
            ++done;
            finished.notify_one();
        }
    };
    std::vector<std::thread> threads;
    const unsigned n = static_cast<unsigned>(std::min<std::size_t>(jobs, files.size()));
    // With progress to report, this thread reports while the others work.
    for (unsigned t = tick ? 0 : 1; t < n; ++t)
        threads.emplace_back(work);
    if (tick) {
        // The last line always gives the final count, however fast the
        // others were.
        std::unique_lock g(lock);
        for (;;) {
            const bool all = done >= files.size();
            tick(done);
            if (all) break;
            finished.wait_for(g, std::chrono::milliseconds(100));
        }
    } else {
        work();
    }
    for (std::thread& t : threads)
        t.join();
    return rows;
}

FoundRecordings findRecordings(const std::vector<std::string>& paths) {
    FoundRecordings found;
    FolderWalk walk(found);
    for (const std::string& given : paths) {
        const std::string path = withoutTrailingSlashes(given);
        struct stat st {};
        if (::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
            walk.folder(path, st);
        else
            found.files.push_back(path); // a file, or a row saying why it is none
    }
    walk.followLinks();
    std::sort(found.files.begin(), found.files.end());
    found.files.erase(std::unique(found.files.begin(), found.files.end()), found.files.end());
    return found;
}

} // namespace kv
