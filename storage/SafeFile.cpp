#include "SafeFile.h"

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <random>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kv {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kTempPrefix = ".kvsave-";

std::mutex& registryMutex() {
    static std::mutex m;
    return m;
}

std::set<std::string>& registry() {
    static std::set<std::string> live;
    return live;
}

bool registered(const fs::path& p) {
    const std::lock_guard lock(registryMutex());
    return registry().count(p.lexically_normal().string()) != 0;
}

// The process that made a temporary, from its name; 0 when it is none of ours.
pid_t ownerOf(const std::string& name) {
    if (name.compare(0, kTempPrefix.size(), kTempPrefix) != 0) return 0;
    const char* first = name.data() + kTempPrefix.size();
    const char* last = name.data() + name.size();
    long pid = 0;
    const auto [end, ec] = std::from_chars(first, last, pid);
    if (ec != std::errc() || end == last || *end != '-' || pid <= 0) return 0;
    return static_cast<pid_t>(pid);
}

bool writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

bool syncPath(const fs::path& p, int flags) {
    const int fd = ::open(p.c_str(), O_RDONLY | O_CLOEXEC | flags);
    if (fd < 0) return false;
    const bool ok = ::fsync(fd) == 0;
    return ::close(fd) == 0 && ok;
}

} // namespace

FileError errnoError(int err, const std::string& shownName) {
    switch (err) {
    case ENOENT:
        return {53, "File not found: " + shownName};
    case ENOTDIR:
        return {76, "Path not found: " + shownName};
    case EACCES:
    case EPERM:
        return {75, "Path/File access error: " + shownName};
    case EROFS:
        return {75, "Path/File access error: " + shownName + " is on a read-only file system"};
    case EISDIR:
        return {75, "Path/File access error: " + shownName + " is a folder"};
    case ELOOP:
        return {75, "Path/File access error: " + shownName + " is a loop of links"};
    case ENOSPC:
    case EDQUOT:
        return {61, "Disk full: " + shownName};
    default:
        return {57, "Device I/O error: " + shownName + ": " + std::strerror(err)};
    }
}

fs::path resolveLinks(const fs::path& path) {
    fs::path p = path;
    for (int hops = 0; hops < 40; ++hops) {
        std::error_code ec;
        if (!fs::is_symlink(p, ec)) return p;
        const fs::path target = fs::read_symlink(p, ec);
        if (ec) return p;
        p = target.is_absolute() ? target : p.parent_path() / target;
    }
    return p;
}

std::optional<FileError> checkReplaceable(const fs::path& target, const std::string& shownName) {
    struct stat st {};
    if (::stat(target.c_str(), &st) != 0) {
        if (errno == ENOENT) return std::nullopt;
        return errnoError(errno, shownName);
    }
    if (S_ISDIR(st.st_mode)) return errnoError(EISDIR, shownName);
    if (!S_ISREG(st.st_mode))
        return FileError{75, "Path/File access error: " + shownName + " is not a regular file"};
    // The mode bits count even for the superuser, whom access() lets write anything.
    if ((st.st_mode & 0222) == 0 || ::access(target.c_str(), W_OK) != 0)
        return FileError{75, "Path/File access error: " + shownName + " is read-only"};
    return std::nullopt;
}

bool sameFile(const fs::path& a, const fs::path& b) {
    std::error_code ec;
    const bool same = fs::equivalent(a, b, ec);
    return !ec && same;
}

bool syncFile(const fs::path& file) {
    return syncPath(file, 0);
}

bool syncFolder(const fs::path& folder) {
    return syncPath(folder.empty() ? fs::path(".") : folder, O_DIRECTORY);
}

fs::path temporaryBeside(const fs::path& target, const std::string& ext) {
    static std::mt19937_64 rng{std::random_device{}()};
    static std::mutex m;
    unsigned long long r;
    {
        const std::lock_guard lock(m);
        r = rng() & 0xFFFFFFFFull;
    }
    char head[64];
    std::snprintf(head, sizeof head, "%.*s%ld-%08llx-", static_cast<int>(kTempPrefix.size()),
                  kTempPrefix.data(), static_cast<long>(::getpid()), r);
    // Keep the whole name within the usual 255-byte limit.
    std::string name = target.filename().string().substr(0, 180);
    return target.parent_path() / (head + name + ext);
}

void registerTemporary(const fs::path& temp) {
    const std::lock_guard lock(registryMutex());
    registry().insert(temp.lexically_normal().string());
}

void releaseTemporary(const fs::path& temp) {
    const std::lock_guard lock(registryMutex());
    registry().erase(temp.lexically_normal().string());
}

void removeStaleTemporaries(const fs::path& folder, const std::set<fs::path>& keep) {
    std::error_code ec;
    const fs::path dir = folder.empty() ? fs::path(".") : folder;
    std::error_code aec;
    std::set<fs::path> spared;
    for (const auto& k : keep)
        spared.insert(fs::absolute(k, aec).lexically_normal());
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        const fs::path p = it->path();
        const pid_t owner = ownerOf(p.filename().string());
        if (owner == 0 || spared.count(fs::absolute(p, aec).lexically_normal()) != 0) continue;
        const bool stale = owner == ::getpid() ? !registered(p)
                                               : ::kill(owner, 0) != 0 && errno == ESRCH;
        std::error_code ignored;
        if (stale && !fs::is_directory(fs::symlink_status(p, ignored))) fs::remove(p, ignored);
    }
}

std::optional<FileError> replaceFileContents(const fs::path& target, std::string_view bytes,
                                             const std::string& shownName) {
    const fs::path real = resolveLinks(target);
    if (auto e = checkReplaceable(real, shownName)) return e;
    struct stat old {};
    const bool existed = ::stat(real.c_str(), &old) == 0;
    const fs::path temp = temporaryBeside(real);
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        const int err = errno;
        return err == ENOENT ? FileError{76, "Path not found: " + shownName}
                             : errnoError(err, shownName);
    }
    registerTemporary(temp);
    bool ok = writeAll(fd, bytes);
    int err = ok ? 0 : errno;
    if (ok && existed) {
        // Keep the old file's permissions and, where allowed, its owner.
        ::fchmod(fd, old.st_mode & 07777);
        if (old.st_uid != ::geteuid()) [[maybe_unused]] int ignored = ::fchown(fd, old.st_uid, old.st_gid);
    }
    if (ok && ::fsync(fd) != 0) ok = false, err = errno;
    if (::close(fd) != 0 && ok) ok = false, err = errno;
    if (ok && ::rename(temp.c_str(), real.c_str()) != 0) ok = false, err = errno;
    if (!ok) ::unlink(temp.c_str());
    releaseTemporary(temp);
    if (!ok) return errnoError(err, shownName);
    syncFolder(real.parent_path());
    return std::nullopt;
}

} // namespace kv
