// ProfileFile: a sectioned key=value settings file read and written key by
// key. Writing a key keeps every other line, section, comment and unknown key
// where it was; a new key goes to the end of its section and a new section to
// the end of the file. Section and key names match without regard to case.
// Values come back as the profile reader gives them: surrounding double quotes
// removed and cut to 254 characters.
#pragma once

#include <memory>
#include <string>

namespace kv {

class ProfileFile {
public:
    explicit ProfileFile(std::string path);
    ~ProfileFile();
    ProfileFile(const ProfileFile&) = delete;
    ProfileFile& operator=(const ProfileFile&) = delete;

    // True when the file could be read (a missing file reads as empty).
    bool loaded() const { return m_loaded; }

    std::string read(const std::string& section, const std::string& key,
                     const std::string& def) const;
    void write(const std::string& section, const std::string& key, const std::string& value);

    // Forgets what the file held, so that save() writes only new keys.
    void discardContents();

    // Writes the changes back, through a temporary file renamed into place.
    bool save();

    static constexpr std::size_t kMaxValueLength = 254;

private:
    struct Impl;
    std::string m_path;
    std::unique_ptr<Impl> m_impl;
    bool m_loaded = false;
};

} // namespace kv
