// Safe file replacement. A file is only ever replaced by writing a temporary
// beside it, flushing it to disk, renaming it over the old name and flushing
// the folder, so that the name holds either the whole old or the whole new
// file at every instant. Only regular files (or links to them) are replaced,
// never read-only ones; a link is written through to the file it names.
#pragma once

#include "FileError.h"

#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <string_view>

namespace kv {

// The error of a failed system call (errno) on the named file.
FileError errnoError(int err, const std::string& shownName);

// Follows symbolic links to the path they finally name (which need not exist).
std::filesystem::path resolveLinks(const std::filesystem::path& path);

// Why target may not be replaced: it exists but is not a regular file, or it
// is read-only. Nothing when it may be written (a missing file may be created).
std::optional<FileError> checkReplaceable(const std::filesystem::path& target,
                                          const std::string& shownName);

// Why a path cannot be read as a file, in a few words: "no such file", "it is
// a folder", "it is a loop of symbolic links", "it is not a regular file" or
// the system's own text. Empty for a regular file.
std::string unreadableReason(const std::string& path);

// True when both paths exist and name the same file (device and inode).
bool sameFile(const std::filesystem::path& a, const std::filesystem::path& b);

// Flushes a file's or a folder's contents to the disk.
bool syncFile(const std::filesystem::path& file);
bool syncFolder(const std::filesystem::path& folder);

// A new name for a temporary in target's folder. Temporaries are named
// ".kvsave-<process>-<random>-<target name><ext>" so that those a killed
// program left behind can be recognised and removed.
std::filesystem::path temporaryBeside(const std::filesystem::path& target,
                                      const std::string& ext = ".tmp");

// Whether path is a name that temporaryBeside(target, ext) could have made:
// in target's folder, and named for target.
bool isTemporaryFor(const std::filesystem::path& path, const std::filesystem::path& target,
                    std::string_view ext);

// Temporaries made by this process that are still in use; any other
// temporary of this process is a leftover.
void registerTemporary(const std::filesystem::path& temp);
void releaseTemporary(const std::filesystem::path& temp);

// Removes the temporaries in folder whose process is gone (or that this
// process no longer uses), except those named in keep.
void removeStaleTemporaries(const std::filesystem::path& folder,
                            const std::set<std::filesystem::path>& keep = {});

// Removes the temporaries that a program, now gone, left while replacing
// target (through links) with replaceFileContents; those of other files stay.
void removeStaleTemporariesOf(const std::filesystem::path& target);

// A new file for target written piece by piece: a temporary beside it
// (through links) that commit() flushes and renames into place, keeping the
// old file's permissions. Dropped without commit(), the temporary goes.
class ReplacingFile {
public:
    ReplacingFile(const std::filesystem::path& target, std::string shownName);
    ~ReplacingFile();
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;

    // Why the file cannot be written, once anything failed.
    const std::optional<FileError>& error() const { return m_error; }
    bool write(std::string_view bytes);
    std::optional<FileError> commit();

private:
    void fail(int err);
    std::filesystem::path m_real, m_temp;
    std::string m_shown;
    int m_fd = -1;
    bool m_existed = false;
    unsigned m_mode = 0, m_uid = 0, m_gid = 0;
    std::optional<FileError> m_error;
};

// Replaces target (through links) with bytes, as described above. The new
// file keeps the old one's permissions. Errors name shownName.
std::optional<FileError> replaceFileContents(const std::filesystem::path& target,
                                             std::string_view bytes, const std::string& shownName);

} // namespace kv
