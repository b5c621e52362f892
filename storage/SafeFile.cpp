#include "SafeFile.h"

#include "FileCalls.h"

#include <cctype>
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

// A file's name however its folder is spelt (./, .., a linked folder).
fs::path sameNameAnywhere(const fs::path& p) {
    std::error_code ec;
    const fs::path folder = fs::absolute(p, ec).parent_path();
    const fs::path real = fs::weakly_canonical(folder, ec);
    return (ec ? folder.lexically_normal() : real) / p.filename();
}

bool registered(const fs::path& p) {
    const std::string name = sameNameAnywhere(p).string();
    const std::lock_guard lock(registryMutex());
    return registry().count(name) != 0;
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
        const ssize_t n = fileCalls().write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

bool syncPath(const fs::path& p, int flags) {
    const int fd = fileCalls().open(p.c_str(), O_RDONLY | O_CLOEXEC | flags, 0);
    if (fd < 0) return false;
    const bool ok = fileCalls().fsync(fd) == 0;
    return ::close(fd) == 0 && ok;
}

} // namespace

FileError errnoError(int err, const std::string& shownName) {
    switch (err) {
    case ENOENT:
        return {kErrFileNotFound, shownName + ": no such file"};
    case ENOTDIR:
        return {kErrPathNotFound, shownName + ": its folder does not exist"};
    case EACCES:
    case EPERM:
        return {kErrPathFileAccess, shownName + ": no permission to use it"};
    case EROFS:
        return {kErrPathFileAccess, shownName + " is on a read-only file system"};
    case EISDIR:
        return {kErrPathFileAccess, shownName + " is a folder"};
    case ELOOP:
        return {kErrPathFileAccess, shownName + " is a loop of links"};
    case ENOSPC:
    case EDQUOT:
        return {kErrDiskFull, shownName + ": the disk is full"};
    default:
        return {kErrDeviceIO, shownName + ": " + std::strerror(err)};
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
        return FileError{kErrPathFileAccess, shownName + " is not a regular file"};
    // The mode bits count even for the superuser, whom access() lets write anything.
    if ((st.st_mode & 0222) == 0 || ::access(target.c_str(), W_OK) != 0)
        return FileError{kErrPathFileAccess, shownName + " is read-only"};
    return std::nullopt;
}

std::string unreadableReason(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        if (errno == ELOOP) return "it is a loop of symbolic links";
        if (errno == ENOENT) return "no such file";
        return std::strerror(errno);
    }
    if (S_ISDIR(st.st_mode)) return "it is a folder";
    if (!S_ISREG(st.st_mode)) return "it is not a regular file";
    return "";
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

bool isTemporaryFor(const fs::path& path, const fs::path& target, std::string_view ext) {
    if (path.parent_path() != target.parent_path()) return false;
    const std::string name = path.filename().string();
    if (ownerOf(name) == 0) return false;
    // ".kvsave-<process>-<8 hex digits>-<target name><ext>"
    const std::size_t random = name.find('-', kTempPrefix.size()) + 1;
    const std::string tail = target.filename().string().substr(0, 180) + std::string(ext);
    if (name.size() != random + 9 + tail.size() || name[random + 8] != '-') return false;
    for (std::size_t i = random; i < random + 8; ++i)
        if (!std::isxdigit(static_cast<unsigned char>(name[i]))) return false;
    return name.compare(random + 9, std::string::npos, tail) == 0;
}

void registerTemporary(const fs::path& temp) {
    const std::string name = sameNameAnywhere(temp).string();
    const std::lock_guard lock(registryMutex());
    registry().insert(name);
}

void releaseTemporary(const fs::path& temp) {
    const std::string name = sameNameAnywhere(temp).string();
    const std::lock_guard lock(registryMutex());
    registry().erase(name);
}

void removeStaleTemporaries(const fs::path& folder, const std::set<fs::path>& keep) {
    std::error_code ec;
    const fs::path dir = folder.empty() ? fs::path(".") : folder;
    std::set<fs::path> spared;
    for (const auto& k : keep)
        spared.insert(sameNameAnywhere(k));
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        const fs::path p = it->path();
        const pid_t owner = ownerOf(p.filename().string());
        if (owner == 0 || spared.count(sameNameAnywhere(p)) != 0) continue;
        const bool stale =
            owner == ::getpid() ? !registered(p) : ::kill(owner, 0) != 0 && errno == ESRCH;
        std::error_code ignored;
        if (stale && !fs::is_directory(fs::symlink_status(p, ignored))) fs::remove(p, ignored);
    }
}

void removeStaleTemporariesOf(const fs::path& target) {
    const fs::path real = resolveLinks(target);
    // The name temporaryBeside gives: prefix, process, '-', 8 hex digits, '-',
    // the target's name (cut as it cuts it), ".tmp".
    const std::string tail = "-" + real.filename().string().substr(0, 180) + ".tmp";
    std::error_code ec;
    const fs::path dir = real.parent_path().empty() ? fs::path(".") : real.parent_path();
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        const pid_t owner = ownerOf(name);
        if (owner == 0 || owner == ::getpid()) continue;
        const std::size_t dash = name.find('-', kTempPrefix.size());
        if (dash == std::string::npos || name.size() != dash + 9 + tail.size() ||
            name.compare(dash + 9, std::string::npos, tail) != 0)
            continue;
        std::error_code ignored;
        if (::kill(owner, 0) != 0 && errno == ESRCH &&
            fs::is_regular_file(fs::symlink_status(it->path(), ignored)))
            fs::remove(it->path(), ignored);
    }
}

ReplacingFile::ReplacingFile(const fs::path& target, std::string shownName)
    : m_real(resolveLinks(target)), m_shown(std::move(shownName)) {
    if ((m_error = checkReplaceable(m_real, m_shown))) return;
    struct stat old {};
    m_existed = ::stat(m_real.c_str(), &old) == 0;
    m_mode = old.st_mode & 07777, m_uid = old.st_uid, m_gid = old.st_gid;
    m_temp = temporaryBeside(m_real);
    m_fd = fileCalls().open(m_temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (m_fd < 0) {
        const int err = errno;
        m_error = err == ENOENT
                      ? FileError{kErrPathNotFound, m_shown + ": its folder does not exist"}
                      : errnoError(err, m_shown);
        return;
    }
    registerTemporary(m_temp);
}

ReplacingFile::~ReplacingFile() {
    if (m_fd >= 0) {
        ::close(m_fd);
        fileCalls().unlink(m_temp.c_str());
        releaseTemporary(m_temp);
    }
}

void ReplacingFile::fail(int err) {
    if (!m_error) m_error = errnoError(err, m_shown);
}

bool ReplacingFile::write(std::string_view bytes) {
    if (m_error) return false;
    if (!writeAll(m_fd, bytes)) fail(errno);
    return !m_error;
}

std::optional<FileError> ReplacingFile::commit() {
    if (m_error) return m_error;
    if (m_existed) {
        // Keep the old file's permissions and, where allowed, its owner.
        ::fchmod(m_fd, static_cast<mode_t>(m_mode));
        if (m_uid != ::geteuid()) [[maybe_unused]]
            const int ignored =
                ::fchown(m_fd, static_cast<uid_t>(m_uid), static_cast<gid_t>(m_gid));
    }
    if (fileCalls().fsync(m_fd) != 0) fail(errno);
    if (::close(m_fd) != 0) fail(errno);
    m_fd = -1;
    if (!m_error && fileCalls().rename(m_temp.c_str(), m_real.c_str()) != 0) fail(errno);
    if (m_error) fileCalls().unlink(m_temp.c_str());
    releaseTemporary(m_temp);
    if (!m_error) syncFolder(m_real.parent_path());
    return m_error;
}

std::optional<FileError> replaceFileContents(const fs::path& target, std::string_view bytes,
                                             const std::string& shownName) {
    ReplacingFile file(target, shownName);
    file.write(bytes);
    return file.commit();
}

} // namespace kv
