#include "FileReplacement.h"

#include "SafeFile.h"

#include <cerrno>
#include <charconv>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace kv {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kMagic = "kv-player replacement journal 1\n";
constexpr std::string_view kJournalExt = ".kvjournal";

void putField(std::string& out, std::string_view key, std::string_view value) {
    out.append(key).append(" ").append(std::to_string(value.size())).append(":");
    out.append(value).append("\n");
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
        out += "new " + std::to_string(e.newDevice) + " " + std::to_string(e.newInode) + "\n";
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
        if (!target || !shown || !temp || !backup || !r.word("new")) return std::nullopt;
        const auto dev = r.number<unsigned long long>(' ');
        const auto ino = r.number<unsigned long long>('\n');
        if (!dev || !ino) return std::nullopt;
        e.target = *target, e.shownName = *shown, e.temp = *temp, e.backup = *backup;
        e.newDevice = static_cast<dev_t>(*dev);
        e.newInode = static_cast<ino_t>(*ino);
        j.entries.push_back(std::move(e));
    }
    return j;
}

bool pathExists(const fs::path& p) {
    struct stat st {};
    return ::lstat(p.c_str(), &st) == 0;
}

bool holdsNewFile(const FileReplacement::Entry& e) {
    struct stat st {};
    return ::stat(e.target.c_str(), &st) == 0 && st.st_dev == e.newDevice &&
           st.st_ino == e.newInode;
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
    if (::link(target.c_str(), backup.c_str()) == 0) return true;
    if (errno != EXDEV && errno != EPERM && errno != EMLINK && errno != ENOTSUP &&
        errno != EOPNOTSUPP)
        return false;
    std::error_code ec;
    return fs::copy_file(target, backup, ec) && syncFile(backup);
}

} // namespace

FileReplacement::FileReplacement(fs::path journal, std::string shownName)
    : m_journal(std::move(journal)), m_shownName(std::move(shownName)) {}

FileReplacement::~FileReplacement() {
    if (!m_committed && !m_killed) abandon();
}

fs::path FileReplacement::journalFor(const std::string& basePath) {
    return fs::path(basePath + std::string(kJournalExt));
}

std::optional<FileError> FileReplacement::add(const fs::path& target, const std::string& shownName,
                                              fs::path& temp) {
    Entry e;
    e.target = resolveLinks(target);
    e.shownName = shownName;
    if (auto err = checkReplaceable(e.target, shownName)) return err;
    std::error_code ec;
    if (!fs::is_directory(e.target.parent_path().empty() ? "." : e.target.parent_path(), ec))
        return FileError{76, shownName + ": its folder does not exist"};
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
        ::unlink(e.temp.c_str());
        releaseTemporary(e.temp);
        if (!e.backup.empty()) {
            ::unlink(e.backup.c_str());
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
            ::rename(e.backup.c_str(), e.target.c_str());
        else
            ::unlink(e.target.c_str());
    }
}

std::optional<FileError> FileReplacement::commit() {
    auto fail = [&](const FileError& err) -> std::optional<FileError> {
        if (m_killed) return FileError{kErrInterrupted, "The save was interrupted"};
        abandon();
        return err;
    };
    auto stepError = [&](const std::string& shown) {
        return m_failedByHook ? FileError{57, shown + ": the disk reported an error"}
                              : errnoError(errno, shown);
    };
    // 1. The new contents reach the disk before any name changes.
    for (std::size_t i = 0; i < m_entries.size(); ++i) {
        Entry& e = m_entries[i];
        struct stat st {};
        if (!step("sync " + std::to_string(i)) || !syncFile(e.temp) ||
            ::stat(e.temp.c_str(), &st) != 0)
            return fail(stepError(e.shownName));
        e.newDevice = st.st_dev;
        e.newInode = st.st_ino;
    }
    // 2. Every existing target gets a second name.
    for (std::size_t i = 0; i < m_entries.size(); ++i) {
        Entry& e = m_entries[i];
        if (!pathExists(e.target)) continue;
        e.backup = temporaryBeside(e.target, ".bak");
        registerTemporary(e.backup);
        if (!step("backup " + std::to_string(i)) || !makeBackup(e.target, e.backup)) {
            const FileError err = stepError(e.shownName);
            if (!m_killed) ::unlink(e.backup.c_str());
            return fail(err);
        }
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
            ::rename(e.temp.c_str(), e.target.c_str()) != 0) {
            const FileError err = stepError(e.shownName);
            if (m_killed) return fail(err);
            undoRenames(i);
            ::unlink(m_journal.c_str());
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
    ::unlink(m_journal.c_str());
    syncFolder(m_journal.parent_path());
    if (!step("remove backups")) return std::nullopt;
    for (const auto& e : m_entries)
        if (!e.backup.empty()) {
            ::unlink(e.backup.c_str());
            releaseTemporary(e.backup);
        }
    return std::nullopt;
}

// Whether every entry is one a save could have written beside this journal:
// temporaries and backups are the program's own names beside their target,
// and a file that is new (no backup) lies in the journal's folder. Anything
// else did not come from a save, and acting on it could move or remove any
// file.
bool plausibleJournal(const Journal& j, const fs::path& journal) {
    const fs::path folder = journal.parent_path().empty() ? "." : journal.parent_path();
    for (const auto& e : j.entries) {
        if (e.target.empty() || !isTemporaryBeside(e.temp, e.target)) return false;
        if (!e.backup.empty() && !isTemporaryBeside(e.backup, e.target)) return false;
        const fs::path targetFolder = e.target.parent_path().empty() ? "." : e.target.parent_path();
        if (e.backup.empty() && !sameFile(targetFolder, folder)) return false;
    }
    return true;
}

Recovery recoverReplacement(const fs::path& journal) {
    Recovery out;
    if (!pathExists(journal)) return out;
    std::ifstream in(journal, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto j = in.bad() ? std::nullopt : decodeJournal(std::move(text));
    if (!j || !plausibleJournal(*j, journal)) {
        out.outcome = Recovery::Outcome::Unreadable;
        out.message = "The journal " + journal.string() +
                      " of an interrupted save could not be read; the files were left as they are.";
        return out;
    }
    bool forward = true;
    for (const auto& e : j->entries)
        forward = forward && (holdsNewFile(e) || pathExists(e.temp));
    for (const auto& e : j->entries) {
        if (forward) {
            if (!holdsNewFile(e)) ::rename(e.temp.c_str(), e.target.c_str());
        } else {
            if (!e.backup.empty() && pathExists(e.backup))
                ::rename(e.backup.c_str(), e.target.c_str());
            else if (e.backup.empty() && holdsNewFile(e))
                ::unlink(e.target.c_str());
            ::unlink(e.temp.c_str());
        }
    }
    syncFoldersOf(j->entries, journal);
    ::unlink(journal.c_str());
    syncFolder(journal.parent_path());
    for (const auto& e : j->entries)
        if (!e.backup.empty()) ::unlink(e.backup.c_str());
    out.outcome = forward ? Recovery::Outcome::Completed : Recovery::Outcome::Undone;
    out.message = forward ? "An interrupted save of " + j->shownName +
                                " was completed: the new files are in place."
                          : "An interrupted save of " + j->shownName +
                                " was undone: the earlier files are back in place.";
    return out;
}

std::vector<fs::path> filesKeptByJournals(const fs::path& folder) {
    std::vector<fs::path> kept;
    std::error_code ec;
    for (fs::directory_iterator it(folder.empty() ? "." : folder, ec), end; !ec && it != end;
         it.increment(ec)) {
        if (it->path().extension() != kJournalExt) continue;
        std::ifstream in(it->path(), std::ios::binary);
        std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (const auto j = decodeJournal(std::move(text)))
            for (const auto& e : j->entries) {
                kept.push_back(e.temp);
                if (!e.backup.empty()) kept.push_back(e.backup);
            }
    }
    return kept;
}

} // namespace kv
