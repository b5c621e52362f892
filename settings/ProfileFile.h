// ProfileFile: a sectioned key=value settings file read and written key by
// key. Writing a key changes only that key's line; every other byte of the
// file (comments, lines without "=", repeated keys, unknown sections, blank
// lines, the line endings it uses) is written back exactly as it was. A new
// key goes after the last line of its section, a new section to the end of
// the file. Section and key names match without regard to case; the first
// match counts. Values come back as the profile reader gives them: blanks
// around them and surrounding double quotes removed, cut at a NUL character
// and to 254 characters.
#pragma once

#include "FileError.h"

#include <optional>
#include <string>
#include <vector>

namespace kv {

class ProfileFile {
public:
    explicit ProfileFile(std::string path);

    // False when the file exists but could not be read (unreadable, not a
    // regular file, too large) or is a recording's data or sound file (named
    // .kvd, .wav or .mp3, or through its links, or starting as such a file
    // does): then save() refuses to write it. A missing file reads as empty.
    bool loaded() const { return m_loaded; }

    std::string read(const std::string& section, const std::string& key,
                     const std::string& def) const;
    void write(const std::string& section, const std::string& key, const std::string& value);

    // Forgets what the file held, so that save() writes only new keys.
    void discardContents();

    // Writes the changes back safely (see replaceFileContents). Nothing is
    // written when nothing changed. Keys whose values held a line break were
    // not stored (the file keeps what it had for them); the rest is written
    // and the error names those keys.
    std::optional<FileError> save();

    // The file's bytes as save() would write them.
    std::string contents() const;

    static constexpr std::size_t kMaxValueLength = 254;

private:
    struct Line {
        std::string text; // without its line ending
        std::string eol;  // "\r\n", "\n", or "" for a last line without one
    };
    struct Found {
        std::size_t line = 0;
        bool found = false;
    };
    Found findKey(const std::string& section, const std::string& key) const;
    std::optional<std::size_t> lastLineOfSection(const std::string& section) const;

    std::string m_path;
    std::vector<Line> m_lines;
    std::string m_eol = "\n"; // for new lines: the file's own line ending
    bool m_loaded = false;
    bool m_changed = false;
    bool m_recordingFile = false; // a recording's file: never a settings file
    std::vector<std::string> m_refused; // keys whose values held a line break
};

} // namespace kv
