#include "FileReplacement.h"

#include "FileCalls.h"
#include "SafeFile.h"

#include <cerrno>
#include <charconv>
#include <chrono>
#include <fcntl.h>
#include <set>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace kv {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kMagic = "kv-player replacement journal 2\n";
constexpr std::string_view kJournalExt = ".kvjournal";
constexpr std::string_view kLockExt = ".kvlock";
// A journal of two entries takes well under a kilobyte; anything much larger
// is not one, and is not read whole.
constexpr off_t kMaxJournalBytes = 64 * 1024;

void putField(std::string& out, std::string_view key, std::string_view value) {
    out.append(key).append(" ").append(std::to_string(value.size())).append(":");
    out.append(value).append("\n");
}

void putIdentity(std::string& out, std::string_view key, const FileReplacement::Identity& id) {
    out.append(key).append(" ").append(std::to_string(id.device)).append(" ");
    out.append(std::to_string(id.inode)).append(" ").append(std::to_string(id.size)).append("\n");
}

// Reads the journal format back; every field is length-prefixed, so names
// may hold any byte, newlines included.
class JournalReader {
public:
    explicit JournalReader(std::string text) : m_text(std::move(text)) {}

    bool magic() {
        if (m_text.compare(0, kMagic.size(), kMagic) != 0) return false;
        m_pos = kMagic.size();
        return true;
    }
    std::optional<std::string> field(std::string_view key) {
        if (!word(key)) return std::nullopt;
        const auto len = number<std::size_t>(':');
        if (!len || m_pos + *len + 1 > m_text.size() || m_text[m_pos + *len] != '\n')
            return std::nullopt;
        std::string value = m_text.substr(m_pos, *len);
        m_pos += *len + 1;
        return value;
    }
    template <typename T> std::optional<T> number(char end) {
        T v{};
        const char* first = m_text.data() + m_pos;
        const char* last = m_text.data() + m_text.size();
        const auto [p, ec] = std::from_chars(first, last, v);
        if (ec != std::errc() || p == last || *p != end) return std::nullopt;
        m_pos += static_cast<std::size_t>(p - first) + 1;
        return v;
    }
    bool identity(std::string_view key, FileReplacement::Identity& id) {
        if (!word(key)) return false;
        const auto dev = number<unsigned long long>(' ');
        const auto ino = dev ? number<unsigned long long>(' ') : std::nullopt;
        const auto size = ino ? number<long long>('\n') : std::nullopt;
        if (!size || *size < 0) return false;
        id = {static_cast<dev_t>(*dev), static_cast<ino_t>(*ino), static_cast<off_t>(*size)};
        return true;
    }
    bool word(std::string_view key) {
        if (m_text.compare(m_pos, key.size(), key) != 0 || m_pos + key.size() >= m_text.size() ||
            m_text[m_pos + key.size()] != ' ')
            return false;
        m_pos += key.size() + 1;
        return true;
    }

private:
    std::string m_text;
    std::size_t m_pos = 0;
};

struct Journal {
    std::string shownName;
    std::vector<FileReplacement::Entry> entries;
};

std::string encodeJournal(const std::string& shownName,
                          const std::vector<FileReplacement::Entry>& entries) {
    std::string out(kMagic);
    putField(out, "name", shownName);
    out += "entries " + std::to_string(entries.size()) + "\n";
    for (const auto& e : entries) {
        putField(out, "target", e.target.string());
        putField(out, "shown", e.shownName);
        putField(out, "temp", e.temp.string());
        putField(out, "backup", e.backup.string());
        putIdentity(out, "new", e.newFile);
        putIdentity(out, "old", e.oldFile);
        putIdentity(out, "kept", e.backupFile);
    }
    return out;
}

std::optional<Journal> decodeJournal(std::string text) {
    JournalReader r(std::move(text));
    Journal j;
    if (!r.magic()) return std::nullopt;
    auto name = r.field("name");
    if (!name || !r.word("entries")) return std::nullopt;
    j.shownName = *name;
    const auto count = r.number<std::size_t>('\n');
    if (!count || *count > 16) return std::nullopt;
    for (std::size_t i = 0; i < *count; ++i) {
        FileReplacement::Entry e;
        auto target = r.field("target"), shown = r.field("shown"), temp = r.field("temp"),
             backup = r.field("backup");
        if (!target || !shown || !temp || !backup || !r.identity("new", e.newFile) ||
            !r.identity("old", e.oldFile) || !r.identity("kept", e.backupFile))
            return std::nullopt;
        e.target = *target, e.shownName = *shown, e.temp = *temp, e.backup = *backup;
        j.entries.push_back(std::move(e));
    }
    return j;
}

// What stands at a path now (links not followed): nothing unless a regular file.
std::optional<FileReplacement::Identity> identityOf(const fs::path& p) {
    struct stat st {};
    if (::lstat(p.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    return FileReplacement::Identity{st.st_dev, st.st_ino, st.st_size};
}

bool holds(const fs::path& p, const FileReplacement::Identity& id) {
    const auto now = identityOf(p);
    return now && *now == id;
}

// Reads a journal, at most kMaxJournalBytes of it, without waiting on
// anything that is not a regular file (a pipe, a device) or reading a folder.
std::optional<std::string> readJournalText(const fs::path& journal) {
    struct stat st {};
    if (::lstat(journal.c_str(), &st) != 0 || !S_ISREG(st.st_mode) ||
        st.st_size > kMaxJournalBytes)
        return std::nullopt;
    const int fd = ::open(journal.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    std::optional<std::string> text;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        text.emplace();
        char buf[4096];
        for (;;) {
            const ssize_t n = ::read(fd, buf, sizeof buf);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0 || text->size() + static_cast<std::size_t>(n) >
                             static_cast<std::size_t>(kMaxJournalBytes)) {
                text.reset();
                break;
            }
            if (n == 0) break;
            text->append(buf, static_cast<std::size_t>(n));
        }
    }
    ::close(fd);
    return text;
}

fs::path lockFor(const fs::path& journal) {
    fs::path lock = journal;
    return lock.replace_extension(std::string(kLockExt));
}

// Takes the advisory lock beside a pair: a lock file that lives while a save
// holds it. Waits up to waitMs while another program holds it. Returns the
// descriptor, or -1 with errno (EWOULDBLOCK: still held by another).
int takeLock(const fs::path& lock, int waitMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    for (;;) {
        const int fd = fileCalls().open(
            lock.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0644);
        if (fd < 0) return -1;
        struct stat held {}, named {};
        if (::fstat(fd, &held) != 0 || !S_ISREG(held.st_mode)) {
            ::close(fd);
            errno = EINVAL;
            return -1;
        }
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            // The holder before may have removed the file while we waited
            // for it: only the file still under the name counts.
            if (::lstat(lock.c_str(), &named) == 0 && named.st_dev == held.st_dev &&
                named.st_ino == held.st_ino)
                return fd;
            ::close(fd);
            continue;
        }
        const int err = errno;
        ::close(fd);
        if (err != EWOULDBLOCK || std::chrono::steady_clock::now() >= deadline) {
            errno = err;
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

// Removes the lock file while still holding it, then lets it go.
void releaseLock(const fs::path& lock, int& fd) {
    if (fd < 0) return;
    fileCalls().unlink(lock.c_str());
    ::close(fd);
    fd = -1;
}

std::string busyText(const fs::path& journal) {
    fs::path data = journal;
    return "The recording " + data.replace_extension(".kvd").string() +
           " is being saved by another program; its journal was left alone. Try again when "
           "that save is done.";
}

void syncFoldersOf(const std::vector<FileReplacement::Entry>& entries, const fs::path& journal) {
    std::set<fs::path> folders{journal.parent_path()};
    for (const auto& e : entries)
        folders.insert(e.target.parent_path());
    for (const auto& f : folders)
        syncFolder(f);
}

// A second name for the old file: a hard link, or a flushed copy where the
// file system has no links.
bool makeBackup(const fs::path& target, const fs::path& backup) {
    if (fileCalls().link(target.c_str(), backup.c_str()) == 0) return true;
    if (errno != EXDEV && errno != EPERM && errno != EMLINK && errno != ENOTSUP &&
        errno != EOPNOTSUPP)
        return false;
    std::error_code ec;
    return fs::copy_file(target, backup, ec) && syncFile(backup);
}

// Not normalised: "link/.." is the folder above the link's target, which
// only the system can say.
fs::path absolutePath(const fs::path& p) {
    std::error_code ec;
    const fs::path abs = fs::absolute(p, ec);
    return ec ? p : abs;
}

} // namespace

FileReplacement::FileReplacement(fs::path journal, std::string shownName)
    : m_journal(absolutePath(journal)), m_shownName(std::move(shownName)) {}

FileReplacement::~FileReplacement() {
    if (!m_committed && !m_killed) abandon();
    // A kill leaves the lock as a dead process would: the system lets it go.
    if (m_killed && m_lock >= 0) {
        ::close(m_lock);
        m_lock = -1;
    }
    releaseLock(lockFor(m_journal), m_lock);
}

fs::path FileReplacement::journalFor(const std::string& basePath) {
    return fs::path(basePath + std::string(kJournalExt));
}

std::optional<FileError> FileReplacement::lock(int waitMs) {
    if (m_lock >= 0) return std::nullopt;
    m_lock = takeLock(lockFor(m_journal), waitMs);
    if (m_lock >= 0) return std::nullopt;
    if (errno == EWOULDBLOCK)
        return FileError{kErrPermissionDenied, "Permission denied: " + busyText(m_journal)};
    if (errno == ENOENT)
        return FileError{kErrPathNotFound, m_shownName + ": its folder does not exist"};
    return errnoError(errno, m_shownName);
}

std::optional<FileError> FileReplacement::add(const fs::path& target, const std::string& shownName,
                                              fs::path& temp) {
    Entry e;
    // Absolute, so that the journal means the same files to a recovery
    // started from any folder.
    e.target = absolutePath(resolveLinks(target));
    e.shownName = shownName;
    if (auto err = checkReplaceable(e.target, shownName)) return err;
    std::error_code ec;
    if (!fs::is_directory(e.target.parent_path(), ec))
        return FileError{kErrPathNotFound, shownName + ": its folder does not exist"};
    e.temp = temporaryBeside(e.target);
    registerTemporary(e.temp);
    temp = e.temp;
    m_entries.push_back(std::move(e));
    return std::nullopt;
}

bool FileReplacement::step(const std::string& name) {
    if (!m_hook) return true;
    switch (m_hook(name)) {
    case StepAction::Go:
        return true;
    case StepAction::Fail:
        // Once every new file is in place, what is left is tidying up.
        if (m_committed) return true;
        m_failedByHook = true;
        return false;
    case StepAction::Kill:
        // As if the process died here: nothing more happens, and what it
        // left is no longer in use.
        m_killed = true;
        for (const auto& e : m_entries) {
            releaseTemporary(e.temp);
            if (!e.backup.empty()) releaseTemporary(e.backup);
        }
        return false;
    }
    return true;
}

void FileReplacement::removeScratch() {
    for (const auto& e : m_entries) {
        fileCalls().unlink(e.temp.c_str());
        releaseTemporary(e.temp);
        if (!e.backup.empty()) {
            fileCalls().unlink(e.backup.c_str());
            releaseTemporary(e.backup);
        }
    }
}

void FileReplacement::abandon() {
    removeScratch();
    m_entries.clear();
}

void FileReplacement::undoRenames(std::size_t renamed) {
    for (std::size_t i = renamed; i-- > 0;) {
        const Entry& e = m_entries[i];
        if (!e.backup.empty())
            fileCalls().rename(e.backup.c_str(), e.target.c_str());
        else
            fileCalls().unlink(e.target.c_str());
    }
}

std::optional<FileError> FileReplacement::commit() {
    auto fail = [&](const FileError& err) -> std::optional<FileError> {
        if (m_killed) return FileError{kErrInterrupted, "The save was interrupted"};
        abandon();
        return err;
    };
    auto stepError = [&](const std::string& shown) {
        return m_failedByHook ? FileError{kErrDeviceIO, shown + ": the disk reported an error"}
                              : errnoError(errno, shown);
    };
    // 1. The new contents reach the disk before any name changes.
    for (std::size_t i = 0; i < m_entries.size(); ++i) {
        Entry& e = m_entries[i];
        if (!step("sync " + std::to_string(i)) || !syncFile(e.temp))
            return fail(stepError(e.shownName));
        const auto id = identityOf(e.temp);
        if (!id) return fail(stepError(e.shownName));
        e.newFile = *id;
    }
    // 2. Every existing target gets a second name.
    for (std::size_t i = 0; i < m_entries.size(); ++i) {
        Entry& e = m_entries[i];
        const auto old = identityOf(e.target);
        if (!old) continue;
        e.oldFile = *old;
        e.backup = temporaryBeside(e.target, ".bak");
        registerTemporary(e.backup);
        std::optional<Identity> kept;
        if (!step("backup " + std::to_string(i)) || !makeBackup(e.target, e.backup) ||
            !(kept = identityOf(e.backup))) {
            const FileError err = stepError(e.shownName);
            if (!m_killed) fileCalls().unlink(e.backup.c_str());
            return fail(err);
        }
        e.backupFile = *kept;
    }
    // 3. The journal says what is being replaced.
    if (!step("journal")) return fail(stepError(m_shownName));
    syncFoldersOf(m_entries, m_journal);
    if (auto err =
            replaceFileContents(m_journal, encodeJournal(m_shownName, m_entries), m_shownName))
        return fail(*err);
    // 4. The new files take the old names, one atomic rename each.
    for (std::size_t i = 0; i < m_entries.size(); ++i) {
        const Entry& e = m_entries[i];
        if (!step("rename " + std::to_string(i)) ||
            fileCalls().rename(e.temp.c_str(), e.target.c_str()) != 0) {
            const FileError err = stepError(e.shownName);
            if (m_killed) return fail(err);
            undoRenames(i);
            fileCalls().unlink(m_journal.c_str());
            syncFoldersOf(m_entries, m_journal);
            return fail(err);
        }
        releaseTemporary(e.temp);
    }
    // 5. Done: the journal goes, then the backups.
    m_committed = true;
    if (!step("sync folders")) return std::nullopt;
    syncFoldersOf(m_entries, m_journal);
    if (!step("remove journal")) return std::nullopt;
    fileCalls().unlink(m_journal.c_str());
    syncFolder(m_journal.parent_path());
    if (!step("remove backups")) return std::nullopt;
    for (const auto& e : m_entries)
        if (!e.backup.empty()) {
            fileCalls().unlink(e.backup.c_str());
            releaseTemporary(e.backup);
        }
    return std::nullopt;
}

namespace {

// Whether every entry is one a save of this journal's own pair could have
// written: the target is the pair's data file or its sound (as the save
// resolved its links), each named once, and the temporaries and backups are
// the program's own names for that target. Anything else did not come from
// a save of this pair, and acting on it could move or remove any file.
bool journalOfThisPair(const Journal& j, const fs::path& journal) {
    if (j.entries.empty() || j.entries.size() > 2) return false;
    const std::string stem = journal.stem().string();
    std::set<fs::path> seen;
    for (const auto& e : j.entries) {
        if (!e.target.is_absolute() || !seen.insert(e.target).second) return false;
        bool ours = false;
        for (const char* ext : {".kvd", ".wav", ".mp3"}) {
            const fs::path file = absolutePath(resolveLinks(journal.parent_path() / (stem + ext)));
            ours = ours || (file.filename() == e.target.filename() &&
                            sameFile(file.parent_path(), e.target.parent_path()));
        }
        if (!ours || !isTemporaryFor(e.temp, e.target, ".tmp")) return false;
        if (!e.backup.empty() && !isTemporaryFor(e.backup, e.target, ".bak")) return false;
    }
    return true;
}

Recovery leftAlone(Recovery::Outcome outcome, std::string message) {
    Recovery out;
    out.outcome = outcome;
    out.message = std::move(message);
    return out;
}

// Runs one step of a recovery; false (with the reason kept) when it failed.
bool recoveryStep(int result, std::string& why, const fs::path& file) {
    if (result == 0) return true;
    if (why.empty()) why = errnoError(errno, file.string()).description;
    return false;
}

} // namespace

Recovery recoverLockedReplacement(const fs::path& journalPath) {
    const fs::path journal = absolutePath(journalPath);
    struct stat st {};
    if (::lstat(journal.c_str(), &st) != 0) return {};
    const auto text = readJournalText(journal);
    const auto j = text ? decodeJournal(*text) : std::nullopt;
    if (!j || !journalOfThisPair(*j, journal))
        return leftAlone(Recovery::Outcome::Unreadable,
                         "The journal " + journal.string() +
                             " of an interrupted save could not be read; the files were left as "
                             "they are.");

    // Forward needs every new file in place or waiting whole; back needs every
    // replaced file's backup. Each target must be its new or its old file, or
    // (when it is new to the folder) missing. Anything else means the files
    // changed since the journal was written, and nothing is touched.
    bool forward = true, back = true, matches = true;
    for (const auto& e : j->entries) {
        const bool isNew = holds(e.target, e.newFile);
        const bool isOld = !e.backup.empty() && holds(e.target, e.oldFile);
        const bool missing = e.backup.empty() && ::lstat(e.target.c_str(), &st) != 0;
        matches = matches && (isNew || isOld || missing);
        forward = forward && (isNew || holds(e.temp, e.newFile));
        back = back && (e.backup.empty() || isOld || holds(e.backup, e.backupFile));
    }
    if (!matches || (!forward && !back))
        return leftAlone(Recovery::Outcome::Mismatch,
                         "An interrupted save of " + j->shownName +
                             " was neither finished nor undone: the files beside its journal " +
                             journal.string() +
                             " are not those it describes. The files and the journal were left "
                             "as they are.");

    std::string why;
    bool ok = true;
    for (const auto& e : j->entries) {
        if (forward) {
            if (!holds(e.target, e.newFile))
                ok = recoveryStep(fileCalls().rename(e.temp.c_str(), e.target.c_str()), why,
                                  e.target) &&
                     ok;
        } else if (holds(e.target, e.newFile)) {
            ok = recoveryStep(e.backup.empty()
                                  ? fileCalls().unlink(e.target.c_str())
                                  : fileCalls().rename(e.backup.c_str(), e.target.c_str()),
                              why, e.target) &&
                 ok;
        }
    }
    if (ok) syncFoldersOf(j->entries, journal);
    ok = ok && recoveryStep(fileCalls().unlink(journal.c_str()), why, journal);
    if (!ok)
        return leftAlone(Recovery::Outcome::Failed,
                         "An interrupted save of " + j->shownName +
                             " could not be finished or undone: " + why + ". Its journal " +
                             journal.string() + " was kept for a later try.");
    syncFolder(journal.parent_path());
    for (const auto& e : j->entries) {
        if (!forward) fileCalls().unlink(e.temp.c_str());
        if (!e.backup.empty()) fileCalls().unlink(e.backup.c_str());
    }
    Recovery out;
    out.outcome = forward ? Recovery::Outcome::Completed : Recovery::Outcome::Undone;
    out.message = forward ? "An interrupted save of " + j->shownName +
                                " was completed: the new files are in place."
                          : "An interrupted save of " + j->shownName +
                                " was undone: the earlier files are back in place.";
    return out;
}

Recovery recoverReplacement(const fs::path& journalPath, int waitMs) {
    const fs::path journal = absolutePath(journalPath);
    const fs::path lock = lockFor(journal);
    if (!journalPending(journal)) {
        // A lock file that a killed save left goes, unless a save holds it.
        struct stat st {};
        int stale = ::lstat(lock.c_str(), &st) == 0 && S_ISREG(st.st_mode) ? takeLock(lock, 0) : -1;
        releaseLock(lock, stale);
        return {};
    }
    int fd = takeLock(lock, waitMs);
    if (fd < 0) {
        if (errno == EWOULDBLOCK) return leftAlone(Recovery::Outcome::Busy, busyText(journal));
        const std::string why = errnoError(errno, lock.string()).description;
        return leftAlone(Recovery::Outcome::Failed,
                         "An interrupted save could not be finished or undone: " + why +
                             ". Its journal " + journal.string() + " was kept for a later try.");
    }
    Recovery out = recoverLockedReplacement(journal);
    releaseLock(lock, fd);
    return out;
}

bool journalPending(const fs::path& journal) {
    struct stat st {};
    return ::lstat(journal.c_str(), &st) == 0;
}

std::vector<fs::path> filesKeptByJournals(const fs::path& folder) {
    std::vector<fs::path> kept;
    std::error_code ec;
    for (fs::directory_iterator it(folder.empty() ? "." : folder, ec), end; !ec && it != end;
         it.increment(ec)) {
        if (it->path().extension() != kJournalExt) continue;
        const auto text = readJournalText(it->path());
        if (const auto j = text ? decodeJournal(*text) : std::nullopt)
            for (const auto& e : j->entries) {
                kept.push_back(e.temp);
                if (!e.backup.empty()) kept.push_back(e.backup);
            }
    }
    return kept;
}

} // namespace kv
