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

    std::optional<FileError> commit();
    // Removes the temporaries; the targets stay as they were.
    void abandon();

    void setStepHook(StepHook hook) { m_hook = std::move(hook); }
    // True once a hook stopped the change as a kill would (nothing cleaned up).
    bool killed() const { return m_killed; }

    // The journal that belongs to the files of one base path.
    static std::filesystem::path journalFor(const std::string& basePath);

    struct Entry {
        std::filesystem::path target; // links resolved
        std::string shownName;
        std::filesystem::path temp;
        std::filesystem::path backup; // empty when the target did not exist
        dev_t newDevice = 0;          // identity of the new file
        ino_t newInode = 0;
    };

private:
    bool step(const std::string& name); // false: stop here (the failure or kill is recorded)
    void undoRenames(std::size_t renamed);
    void removeScratch();

    std::filesystem::path m_journal;
    std::string m_shownName;
    std::vector<Entry> m_entries;
    StepHook m_hook;
    bool m_committed = false;
    bool m_killed = false;
    bool m_failedByHook = false;
};

// What recoverReplacement() did with a journal it found.
struct Recovery {
    enum class Outcome { Nothing, Completed, Undone, Unreadable };
    Outcome outcome = Outcome::Nothing;
    std::string message; // for the user; empty when nothing was found
};

// Finishes or undoes the change a journal describes: forward when every new
// file is in place or still waiting as a whole temporary, back otherwise.
Recovery recoverReplacement(const std::filesystem::path& journal);

// Every file a journal keeps (temporaries and backups), so that a clean-up of
// leftovers spares them.
std::vector<std::filesystem::path> filesKeptByJournals(const std::filesystem::path& folder);

} // namespace kv
