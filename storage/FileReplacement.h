// FileReplacement: replaces several files (a recording's data and sound) as
// one change that a crash cannot leave half done.
//
// The new contents are written to temporaries beside their targets and
// flushed; each existing target gets a backup that is a hard link to it (a
// second name, never the only copy); a journal naming every file is written
// and flushed; then the temporaries are renamed over their targets and the
// journal and backups are removed. At every instant each target name holds
// its whole old or its whole new file, and a journal left by a crash lets
// recoverReplacement() finish the change or undo it.
//
// The journal names every file by its absolute path, links resolved as the
// save resolved them, and records the identity and size of the old and new
// files, so that a recovery started from anywhere acts on the same files and
// only when they are still the ones the journal describes. A save holds an
// advisory lock beside the pair for its whole change; a recovery takes the
// same lock, so that it never acts on the journal of a save still running.
#pragma once

#include "FileError.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace kv {

class FileReplacement {
public:
    // Called before each step of commit() with the step's name; tests use it
    // to fail a step or to stop there as if the program had been killed.
    enum class StepAction { Go, Fail, Kill };
    using StepHook = std::function<StepAction(const std::string& step)>;

    // shownName names the change in messages (the file the user chose).
    FileReplacement(std::filesystem::path journal, std::string shownName);
    ~FileReplacement(); // an uncommitted replacement removes its temporaries
    FileReplacement(const FileReplacement&) = delete;
    FileReplacement& operator=(const FileReplacement&) = delete;

    // Adds a target (written through links). On success temp is the file to
    // write its new contents to; the error says why target may not be replaced.
    std::optional<FileError> add(const std::filesystem::path& target, const std::string& shownName,
                                 std::filesystem::path& temp);

    // Takes the pair's lock, waiting up to waitMs for another program's save
    // to end; held until this object goes. Call before recovering or adding.
    std::optional<FileError> lock(int waitMs = kLockWaitMs);

    std::optional<FileError> commit();
    // Removes the temporaries; the targets stay as they were.
    void abandon();

    void setStepHook(StepHook hook) { m_hook = std::move(hook); }
    // True once a hook stopped the change as a kill would (nothing cleaned up).
    bool killed() const { return m_killed; }

    // The journal that belongs to the files of one base path.
    static std::filesystem::path journalFor(const std::string& basePath);

    // How long a load or a save waits for another program's save of the pair.
    static constexpr int kLockWaitMs = 2000;

    // A file as the journal knows it.
    struct Identity {
        dev_t device = 0;
        ino_t inode = 0;
        off_t size = 0;
        bool operator==(const Identity&) const = default;
    };
    struct Entry {
        std::filesystem::path target; // absolute, links resolved
        std::string shownName;
        std::filesystem::path temp;
        std::filesystem::path backup; // empty when the target did not exist
        Identity newFile;             // the temporary that becomes the target
        Identity oldFile;             // the target before the change (when backed up)
        Identity backupFile;          // its second name (a link, or a copy)
    };

private:
    bool step(const std::string& name); // false: stop here (the failure or kill is recorded)
    void undoRenames(std::size_t renamed);
    void removeScratch();

    std::filesystem::path m_journal;
    std::string m_shownName;
    int m_lock = -1;
    std::vector<Entry> m_entries;
    StepHook m_hook;
    bool m_committed = false;
    bool m_killed = false;
    bool m_failedByHook = false;
};

// What recoverReplacement() did with a journal it found.
struct Recovery {
    enum class Outcome {
        Nothing,    // no journal
        Completed,  // the new files are in place
        Undone,     // the old files are back
        Unreadable, // not a journal of this pair: left alone
        Mismatch,   // the files are not those the journal describes: left alone
        Busy,       // another program is saving the pair: left alone
        Failed      // a step failed (read-only folder, ...): the journal is kept
    };
    Outcome outcome = Outcome::Nothing;
    std::string message; // for the user; empty when nothing was found
    // True when the pair is whole: no journal is left waiting.
    bool settled() const {
        return outcome == Outcome::Nothing || outcome == Outcome::Completed ||
               outcome == Outcome::Undone;
    }
};

// Finishes or undoes the change a journal describes: forward when every new
// file is in place or still waiting as a whole temporary, back otherwise.
// Takes the pair's lock first (see FileReplacement::lock).
Recovery recoverReplacement(const std::filesystem::path& journal,
                            int waitMs = FileReplacement::kLockWaitMs);
// The same, for a caller that holds the pair's lock already.
Recovery recoverLockedReplacement(const std::filesystem::path& journal);

// True when something named like the pair's journal lies beside it: a save
// that has not been finished or undone, or something in the journal's place.
bool journalPending(const std::filesystem::path& journal);

// Every file a journal keeps (temporaries and backups), so that a clean-up of
// leftovers spares them.
std::vector<std::filesystem::path> filesKeptByJournals(const std::filesystem::path& folder);

} // namespace kv
