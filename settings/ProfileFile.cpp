#include "ProfileFile.h"

#include "FileNames.h"
#include "SafeFile.h"

#include <algorithm>
#include <filesystem>
#include <cctype>
#include <fstream>
#include <iterator>
#include <sys/stat.h>

namespace kv {
namespace {

constexpr std::streamsize kMaxFileSize = 16 * 1024 * 1024;
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

bool sameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

// The text of a line as the parser sees it: a byte-order mark at the very
// start of the file is not part of the first line's text.
std::string_view parsed(const std::string& text, std::size_t index) {
    std::string_view t = text;
    if (index == 0 && t.substr(0, kByteOrderMark.size()) == kByteOrderMark)
        t.remove_prefix(kByteOrderMark.size());
    return t;
}

// "[Name]" lines; the name, or nothing for any other line.
std::optional<std::string_view> sectionOf(std::string_view line) {
    line = trim(line);
    if (line.empty() || line.front() != '[') return std::nullopt;
    line.remove_prefix(1);
    return trim(line.substr(0, line.find(']')));
}

bool isComment(std::string_view line) {
    line = trim(line);
    return !line.empty() && (line.front() == ';' || line.front() == '#');
}

// Whether a path names one of a recording's files (its data or its sound),
// by the name's extension in any case.
bool namesRecordingFile(const std::string& path) {
    return hasExtension(path, ".kvd") || hasExtension(path, ".wav") || hasExtension(path, ".mp3");
}

// Whether a file's first bytes are those of a recording's file: records of a
// data file (each 20 bytes long, ending in its type letter O, P or T), a
// RIFF sound or an MP3 stream (an ID3 tag or a frame's sync bits). Text
// never starts so.
bool startsLikeRecording(std::string_view head) {
    if (head.substr(0, 4) == "RIFF" || head.substr(0, 3) == "ID3") return true;
    if (head.size() >= 2 && static_cast<unsigned char>(head[0]) == 0xFF &&
        (static_cast<unsigned char>(head[1]) & 0xE0) == 0xE0)
        return true;
    constexpr std::size_t kRecord = 20, kRecords = 5;
    if (head.size() < kRecord * kRecords) return false;
    for (std::size_t i = 0; i < kRecords; ++i) {
        const char type = head[i * kRecord + kRecord - 1];
        if (type != 'O' && type != 'P' && type != 'T') return false;
    }
    return true;
}

// "key=value" lines: the key; nothing for comments, sections and other lines.
std::optional<std::string_view> keyOf(std::string_view line) {
    if (isComment(line) || sectionOf(line)) return std::nullopt;
    const auto eq = line.find('=');
    if (eq == std::string_view::npos) return std::nullopt;
    return trim(line.substr(0, eq));
}

std::string_view valueOf(std::string_view line) {
    return trim(line.substr(line.find('=') + 1));
}

} // namespace

ProfileFile::ProfileFile(std::string path) : m_path(std::move(path)) {
    // A recording's file chosen as the settings file is neither read nor
    // written: settings lines written into it would damage the recording.
    // It is the file a link leads to that would be written.
    m_recordingFile = namesRecordingFile(m_path) ||
                      namesRecordingFile(resolveLinks(std::filesystem::u8path(m_path)).string());
    if (m_recordingFile) return;
    struct stat st {};
    if (::stat(m_path.c_str(), &st) != 0) {
        // A missing file is an empty one; anything else that stops us seeing
        // it (a loop of links, no permission on the folder) is unreadable.
        m_loaded = errno == ENOENT || errno == ENOTDIR;
        return;
    }
    // Only regular files are read: a FIFO would block, a device never ends.
    if (!S_ISREG(st.st_mode) || st.st_size > kMaxFileSize) return;
    std::ifstream in(m_path, std::ios::binary);
    if (!in) return;
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) return;
    if (startsLikeRecording(bytes)) {
        m_recordingFile = true;
        return;
    }
    m_loaded = true;
    std::size_t pos = 0;
    bool eolFound = false;
    while (pos < bytes.size()) {
        const std::size_t nl = bytes.find('\n', pos);
        Line line;
        if (nl == std::string::npos) {
            line.text = bytes.substr(pos);
            pos = bytes.size();
        } else {
            const bool crlf = nl > pos && bytes[nl - 1] == '\r';
            line.text = bytes.substr(pos, nl - pos - (crlf ? 1 : 0));
            line.eol = crlf ? "\r\n" : "\n";
            pos = nl + 1;
            if (!eolFound) m_eol = line.eol, eolFound = true;
        }
        m_lines.push_back(std::move(line));
    }
}

ProfileFile::Found ProfileFile::findKey(const std::string& section, const std::string& key) const {
    bool inSection = false;
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        const std::string_view text = parsed(m_lines[i].text, i);
        if (const auto name = sectionOf(text)) {
            inSection = sameName(*name, section);
            continue;
        }
        if (!inSection) continue;
        if (const auto k = keyOf(text); k && sameName(*k, key)) return {i, true};
    }
    return {};
}

std::optional<std::size_t> ProfileFile::lastLineOfSection(const std::string& section) const {
    std::optional<std::size_t> last;
    bool inSection = false;
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        const std::string_view text = parsed(m_lines[i].text, i);
        if (const auto name = sectionOf(text)) {
            if (last) return last; // the first section of that name takes new keys
            inSection = sameName(*name, section);
            if (inSection) last = i;
            continue;
        }
        if (inSection && !trim(text).empty()) last = i;
    }
    return last;
}

std::string ProfileFile::read(const std::string& section, const std::string& key,
                              const std::string& def) const {
    const Found f = findKey(section, key);
    std::string text = f.found ? std::string(valueOf(parsed(m_lines[f.line].text, f.line))) : def;
    text = text.substr(0, text.find('\0'));
    if (f.found && text.size() >= 2 && text.front() == '"' && text.back() == '"')
        text = text.substr(1, text.size() - 2);
    if (text.size() > kMaxValueLength) text.resize(kMaxValueLength);
    return text;
}

void ProfileFile::write(const std::string& section, const std::string& key,
                        const std::string& value) {
    // A line break would end the line early and turn the rest of the value
    // into lines of its own (other keys, other sections): such a value is
    // not stored, and save() says so.
    if (value.find_first_of("\r\n") != std::string::npos) {
        if (std::find(m_refused.begin(), m_refused.end(), key) == m_refused.end())
            m_refused.push_back(key);
        return;
    }
    if (const Found f = findKey(section, key); f.found) {
        std::string& text = m_lines[f.line].text;
        if (valueOf(parsed(text, f.line)) == value) return; // unchanged: the line stays as it is
        text = text.substr(0, text.find('=') + 1) + value;
        m_changed = true;
        return;
    }
    m_changed = true;
    // The line before a new one must end, whatever the file did.
    auto endLine = [&](std::size_t i) {
        if (m_lines[i].eol.empty()) m_lines[i].eol = m_eol;
    };
    if (const auto last = lastLineOfSection(section)) {
        endLine(*last);
        m_lines.insert(m_lines.begin() + static_cast<std::ptrdiff_t>(*last + 1),
                       Line{key + "=" + value, m_eol});
        return;
    }
    if (!m_lines.empty()) endLine(m_lines.size() - 1);
    m_lines.push_back(Line{"[" + section + "]", m_eol});
    m_lines.push_back(Line{key + "=" + value, m_eol});
}

void ProfileFile::discardContents() {
    m_lines.clear();
    m_loaded = !m_recordingFile;
    m_changed = true;
}

std::string ProfileFile::contents() const {
    std::string out;
    for (const Line& l : m_lines)
        out.append(l.text).append(l.eol);
    return out;
}

std::optional<FileError> ProfileFile::save() {
    if (m_recordingFile)
        return FileError{kErrPathFileAccess,
                         "Path/File access error: " + m_path +
                             " is not a settings file (it belongs to a recording), so it was "
                             "not written"};
    if (!m_loaded)
        return FileError{kErrPathFileAccess, "Path/File access error: " + m_path +
                                                 " could not be read, so it was not written over"};
    if (m_changed) {
        if (auto e = replaceFileContents(m_path, contents(), m_path)) return e;
        m_changed = false;
    }
    if (m_refused.empty()) return std::nullopt;
    std::string keys;
    for (const std::string& k : m_refused)
        keys += (keys.empty() ? "" : ", ") + k;
    return FileError{kErrInvalidCall, "Invalid procedure call or argument: the value of " + keys +
                                          " holds a line break, so it was not saved in " + m_path};
}

} // namespace kv
