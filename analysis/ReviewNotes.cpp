#include "ReviewNotes.h"

#include "FileReplacement.h"
#include "SafeFile.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <fstream>
#include <tuple>
#include <unistd.h>
#include <unordered_map>

namespace kv {
namespace {

namespace fs = std::filesystem;

constexpr const char* kKindNames[] = {"note", "artifact", "confirmed", "rejected", "added"};
constexpr std::string_view kFirstLine = "kvnotes 1";
constexpr std::string_view kFormatName = "kvnotes ";
constexpr std::string_view kColumnLine = "# record\tend\tkind\ttext";
constexpr std::string_view kBom = "\xEF\xBB\xBF";
// A notes file larger than this is not read (nor written over).
constexpr std::uintmax_t kMaxNotesBytes = 64u << 20;

bool isReview(MarkKind k) {
    return k == MarkKind::Confirmed || k == MarkKind::Rejected;
}
// Kinds that name one moment: a review of a detected reaction, or an added one.
bool isMomentKind(MarkKind k) {
    return isReview(k) || k == MarkKind::Added;
}

auto orderKey(const ReviewMark& m) {
    return std::tie(m.record, m.kind, m.text, m.endRecord);
}
bool markBefore(const ReviewMark& a, const ReviewMark& b) {
    return orderKey(a) < orderKey(b);
}

// Whether bytes are well-formed UTF-8 (no overlong forms, surrogates or
// code points past U+10FFFF).
bool validUtf8(std::string_view s) {
    std::size_t i = 0;
    const std::size_t n = s.size();
    while (i < n) {
        const auto c = static_cast<unsigned char>(s[i]);
        if (c < 0x80) {
            ++i;
            continue;
        }
        std::size_t len = 0;
        unsigned lo = 0x80, hi = 0xBF;
        if (c >= 0xC2 && c <= 0xDF)
            len = 2;
        else if (c == 0xE0)
            len = 3, lo = 0xA0;
        else if (c == 0xED)
            len = 3, hi = 0x9F;
        else if (c >= 0xE1 && c <= 0xEF)
            len = 3;
        else if (c == 0xF0)
            len = 4, lo = 0x90;
        else if (c >= 0xF1 && c <= 0xF3)
            len = 4;
        else if (c == 0xF4)
            len = 4, hi = 0x8F;
        else
            return false;
        if (i + len > n) return false;
        const auto c1 = static_cast<unsigned char>(s[i + 1]);
        if (c1 < lo || c1 > hi) return false;
        for (std::size_t k = 2; k < len; ++k) {
            const auto ck = static_cast<unsigned char>(s[i + k]);
            if (ck < 0x80 || ck > 0xBF) return false;
        }
        i += len;
    }
    return true;
}

// The text with each ill-formed byte replaced by U+FFFD, so that what is
// written can always be read back.
std::string wellFormed(const std::string& s) {
    if (validUtf8(s)) return s;
    std::string out;
    std::size_t i = 0;
    while (i < s.size()) {
        // The longest well-formed piece from i (at most 4 bytes).
        std::size_t len = 0;
        for (std::size_t l = 1; l <= 4 && i + l <= s.size(); ++l)
            if (validUtf8(std::string_view(s).substr(i, l))) {
                len = l;
                break;
            }
        if (len == 0) {
            out += "\xEF\xBF\xBD";
            ++i;
        } else {
            out.append(s, i, len);
            i += len;
        }
    }
    return out;
}

void appendEscaped(std::string& out, const std::string& text) {
    // A leading quote is escaped so that a text never reads as a quoted cell.
    if (!text.empty() && text.front() == '"') out += '\\';
    for (const char c : text) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\r':
            out += "\\r";
            break;
        default:
            out += c;
        }
    }
}

// The text of a text column, or a reason why it is not one.
bool unescape(std::string_view field, std::string& out, std::string& why) {
    std::string quoted;
    if (!field.empty() && field.front() == '"') {
        // A cell a spreadsheet quoted: outer quotes off, "" is one quote.
        if (field.size() < 2 || field.back() != '"') {
            why = "a quoted text without its closing quote";
            return false;
        }
        field = field.substr(1, field.size() - 2);
        for (std::size_t i = 0; i < field.size(); ++i) {
            quoted += field[i];
            if (field[i] == '"') {
                if (i + 1 >= field.size() || field[i + 1] != '"') {
                    why = "a lone double quote inside a quoted text";
                    return false;
                }
                ++i;
            }
        }
        field = quoted;
    }
    out.clear();
    out.reserve(field.size());
    for (std::size_t i = 0; i < field.size(); ++i) {
        const char c = field[i];
        if (c != '\\') {
            out += c;
            continue;
        }
        if (i + 1 >= field.size()) {
            why = "a backslash at the end of the text";
            return false;
        }
        switch (field[++i]) {
        case '\\':
            out += '\\';
            break;
        case 'n':
            out += '\n';
            break;
        case 't':
            out += '\t';
            break;
        case 'r':
            out += '\r';
            break;
        case '"':
            out += '"';
            break;
        default:
            why = std::string("an unknown escape \\") + field[i];
            return false;
        }
    }
    return true;
}

// A record number: decimal digits only, no sign, no spaces.
bool recordNumber(std::string_view s, std::int32_t& out) {
    if (s.empty() || s.size() > 10) return false;
    for (const char c : s)
        if (c < '0' || c > '9') return false;
    std::int64_t v = 0;
    std::from_chars(s.data(), s.data() + s.size(), v);
    if (v > INT32_MAX) return false;
    out = static_cast<std::int32_t>(v);
    return true;
}

// The columns of a line; at most kMaxColumns, the last one taking the rest.
constexpr std::size_t kMaxColumns = 16;
struct Columns {
    std::array<std::string_view, kMaxColumns> at;
    std::size_t size = 0;
};
Columns splitTabs(std::string_view line) {
    Columns out;
    for (;;) {
        const std::size_t tab = out.size + 1 < kMaxColumns ? line.find('\t') : line.npos;
        out.at[out.size++] = line.substr(0, tab);
        if (tab == std::string_view::npos) return out;
        line.remove_prefix(tab + 1);
    }
}

std::optional<MarkKind> kindNamed(std::string_view name) {
    for (int i = 0; i < 5; ++i)
        if (name == kKindNames[i]) return static_cast<MarkKind>(i);
    return std::nullopt;
}

// One mark line, or the reason it is not understood.
bool parseMarkLine(std::string_view line, ReviewMark& mark, std::string& why) {
    Columns columns = splitTabs(line);
    // Empty columns after the text (as spreadsheets may add) are no columns.
    while (columns.size > 4 && columns.at[columns.size - 1].empty())
        --columns.size;
    if (columns.size < 3 || columns.size > 4) {
        why = columns.size < 3 ? "fewer than three columns" : "more than four columns";
        return false;
    }
    const auto& fields = columns.at;
    if (!recordNumber(fields[0], mark.record)) {
        why = "\"" + std::string(fields[0].substr(0, 40)) + "\" is no record number";
        return false;
    }
    if (fields[1].empty())
        mark.endRecord = mark.record;
    else if (!recordNumber(fields[1], mark.endRecord)) {
        why = "\"" + std::string(fields[1].substr(0, 40)) + "\" is no record number";
        return false;
    }
    const auto kind = kindNamed(fields[2]);
    if (!kind) {
        why = "\"" + std::string(fields[2].substr(0, 40)) + "\" is no kind of mark";
        return false;
    }
    mark.kind = *kind;
    if (mark.endRecord < mark.record) {
        why = "it ends before it starts";
        return false;
    }
    if (isMomentKind(mark.kind) && mark.endRecord != mark.record) {
        why = std::string("a mark of kind ") + markKindName(mark.kind) + " has no end";
        return false;
    }
    if (columns.size < 4) {
        mark.text.clear();
        return true;
    }
    return unescape(fields[3], mark.text, why);
}

std::string lineText(std::size_t number) {
    return "line " + std::to_string(number);
}

std::string readWhole(const fs::path& path, std::string& problem) {
    std::error_code ec;
    const auto size = fs::file_size(path, ec);
    if (!ec && size > kMaxNotesBytes) {
        problem = "it is larger than 64 MB";
        return {};
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        problem = "it cannot be opened";
        return {};
    }
    std::string text;
    char block[1 << 16];
    if (!ec) text.reserve(static_cast<std::size_t>(size));
    while (in.read(block, sizeof block) || in.gcount() > 0)
        text.append(block, static_cast<std::size_t>(in.gcount()));
    if (in.bad()) problem = "it could not be read to its end";
    return text;
}

// The artifact ranges, merged where they overlap or share a record.
std::vector<std::pair<std::int32_t, std::int32_t>> artifactSpans(const ReviewNotes& notes) {
    std::vector<std::pair<std::int32_t, std::int32_t>> spans;
    for (const auto& m : notes.marks) {
        if (m.kind != MarkKind::Artifact) continue;
        if (!spans.empty() && m.record <= spans.back().second)
            spans.back().second = std::max(spans.back().second, m.endRecord);
        else
            spans.emplace_back(m.record, m.endRecord);
    }
    return spans;
}

bool inSpans(const std::vector<std::pair<std::int32_t, std::int32_t>>& spans, std::int32_t r) {
    auto it = std::upper_bound(spans.begin(), spans.end(), r,
                               [](std::int32_t v, const auto& s) { return v < s.first; });
    return it != spans.begin() && r <= std::prev(it)->second;
}

} // namespace

bool isUtf8(std::string_view text) {
    return validUtf8(text);
}

const char* markKindName(MarkKind kind) {
    return kKindNames[static_cast<int>(kind)];
}

std::optional<MarkKind> markKindFromName(const std::string& name) {
    return kindNamed(name);
}

fs::path notesPathFor(const fs::path& dataPath) {
    fs::path p = dataPath;
    return p.replace_extension(".kvnotes");
}

std::string notesText(const ReviewNotes& notes) {
    std::vector<const ReviewMark*> order;
    order.reserve(notes.marks.size());
    for (const auto& m : notes.marks)
        order.push_back(&m);
    const auto before = [](const ReviewMark* a, const ReviewMark* b) { return markBefore(*a, *b); };
    // Notes as read are in order already; only a changed list needs sorting.
    if (!std::is_sorted(order.begin(), order.end(), before))
        std::stable_sort(order.begin(), order.end(), before);
    std::string out;
    out.reserve(64 + notes.marks.size() * 48);
    out += kFirstLine;
    out += '\n';
    out += kColumnLine;
    out += '\n';
    char num[16];
    for (const ReviewMark* m : order) {
        auto put = [&](std::int32_t v) {
            const auto r = std::to_chars(num, num + sizeof num, v);
            out.append(num, r.ptr);
        };
        put(m->record);
        out += '\t';
        put(m->endRecord);
        out += '\t';
        out += markKindName(m->kind);
        out += '\t';
        appendEscaped(out, wellFormed(m->text));
        out += '\n';
    }
    // Lines kept unread come after the marks: one kept for clashing with a
    // mark (a second review of a reaction) then clashes again when read back,
    // instead of taking the mark's place.
    for (const auto& kept : notes.keptLines) {
        out += kept;
        out += '\n';
    }
    return out;
}

NotesRead parseNotesText(const std::string& text, std::int32_t recordCount) {
    NotesRead out;
    out.state = NotesRead::State::Read;
    std::string_view rest(text);
    if (rest.substr(0, kBom.size()) == kBom) rest.remove_prefix(kBom.size());
    if (rest.empty()) {
        out.skipped.push_back("the file is empty");
        return out;
    }

    struct Numbered {
        ReviewMark mark;
        std::size_t line;
    };
    std::vector<Numbered> found;
    // The line of the review (or added reaction) at each record.
    std::unordered_map<std::int32_t, std::size_t> reviewAt, addedAt;
    auto keep = [&](std::string_view raw, std::size_t number, const std::string& why) {
        out.notes.keptLines.emplace_back(raw);
        out.skipped.push_back(lineText(number) + ": not understood: " + why);
    };

    std::size_t number = 0;
    while (!rest.empty()) {
        const std::size_t nl = rest.find('\n');
        const std::string_view raw = rest.substr(0, nl);
        rest.remove_prefix(nl == std::string_view::npos ? rest.size() : nl + 1);
        ++number;
        std::string_view line = raw;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);

        if (number == 1) {
            if (line == kFirstLine) continue;
            out.state = NotesRead::State::Unreadable;
            if (line.substr(0, kFormatName.size()) == kFormatName && validUtf8(line))
                out.problem = "it was written in a newer format (\"" +
                              std::string(line.substr(0, 40)) + "\") than this program reads";
            else
                out.problem = "its first line is not \"kvnotes 1\", so it is no notes file";
            out.notes = {};
            out.skipped.clear();
            return out;
        }
        if (line.empty() || line == kColumnLine) continue;
        if (!validUtf8(line)) {
            keep(raw, number, "it is not UTF-8 text");
            continue;
        }
        if (line.front() == '#') {
            // A comment: kept as it is, nothing to report.
            out.notes.keptLines.emplace_back(raw);
            continue;
        }
        ReviewMark mark;
        std::string why;
        if (!parseMarkLine(line, mark, why)) {
            keep(raw, number, why);
            continue;
        }
        if (mark.record < 1 || (recordCount > 0 && mark.endRecord > recordCount)) {
            keep(raw, number,
                 "record " + std::to_string(mark.record < 1 ? mark.record : mark.endRecord) +
                     " lies outside the recording (records 1 to " + std::to_string(recordCount) +
                     ")");
            continue;
        }
        if (isMomentKind(mark.kind)) {
            auto& seen = mark.kind == MarkKind::Added ? addedAt : reviewAt;
            const auto [at, fresh] = seen.emplace(mark.record, found.size());
            if (!fresh) {
                const Numbered& first = found[at->second];
                if (first.mark == mark)
                    out.skipped.push_back(lineText(number) + ": skipped: the same as " +
                                          lineText(first.line));
                else
                    keep(raw, number,
                         "a second " +
                             std::string(mark.kind == MarkKind::Added ? "added reaction"
                                                                      : "review of the reaction") +
                             " at record " + std::to_string(mark.record) + " (" +
                             lineText(first.line) + ")");
                continue;
            }
        }
        found.push_back({std::move(mark), number});
    }

    const auto numberedBefore = [](const Numbered& a, const Numbered& b) {
        return markBefore(a.mark, b.mark);
    };
    // A file this program wrote is in order already.
    if (!std::is_sorted(found.begin(), found.end(), numberedBefore))
        std::stable_sort(found.begin(), found.end(), numberedBefore);
    // Each mark once, reported against the first line that holds it.
    std::vector<bool> repeated(found.size(), false);
    for (std::size_t i = 1, first = 0; i < found.size(); ++i) {
        if (!(found[i].mark == found[first].mark)) {
            first = i;
            continue;
        }
        repeated[i] = true;
        out.skipped.push_back(lineText(found[i].line) + ": skipped: the same as " +
                              lineText(found[first].line));
    }
    out.notes.marks.reserve(found.size());
    for (std::size_t i = 0; i < found.size(); ++i)
        if (!repeated[i]) out.notes.marks.push_back(std::move(found[i].mark));
    return out;
}

NotesRead readNotesFile(const fs::path& dataPath, std::int32_t recordCount) {
    const fs::path path = notesPathFor(dataPath);
    NotesRead out;
    std::error_code ec;
    if (!fs::exists(fs::symlink_status(path, ec))) return out; // Missing
    const std::string reason = unreadableReason(path.string());
    if (!reason.empty()) {
        out.state = NotesRead::State::Unreadable;
        out.problem = reason;
        return out;
    }
    std::string problem;
    const std::string text = readWhole(path, problem);
    if (!problem.empty()) {
        out.state = NotesRead::State::Unreadable;
        out.problem = problem;
        return out;
    }
    return parseNotesText(text, recordCount);
}

NotesUpdate updateNotesFile(const fs::path& dataPath, std::int32_t recordCount,
                            const std::function<void(ReviewNotes&)>& change) {
    NotesUpdate out;
    const fs::path path = notesPathFor(dataPath);
    const std::string shown = path.string();
    // The lock is named for the notes file itself (links resolved), so that
    // every program that writes this file takes the same one, whatever name
    // it reached it by.
    std::error_code ec;
    fs::path real = fs::weakly_canonical(fs::absolute(resolveLinks(path), ec), ec);
    if (real.empty()) real = resolveLinks(path);
    if ((out.error = checkReplaceable(real, shown))) return out;
    FileReplacement guard(FileReplacement::journalFor(fs::path(real).replace_extension().string()),
                          shown);
    if ((out.error = guard.lock())) {
        if (::access(real.parent_path().c_str(), W_OK) != 0)
            out.error = FileError{kErrPathFileAccess, shown + ": its folder is read-only"};
        return out;
    }

    out.current = readNotesFile(dataPath, recordCount);
    if (out.current.state == NotesRead::State::Unreadable) {
        out.error =
            FileError{kErrPathFileAccess, shown + " cannot be read (" + out.current.problem +
                                              "), so it was not written over"};
        return out;
    }
    const bool existed = out.current.state == NotesRead::State::Read;
    ReviewNotes notes = out.current.notes;
    change(notes);
    // Nothing to keep and no file yet: the file is made at the first mark.
    if (!existed && notes.empty()) return out;
    const std::string text = notesText(notes);
    if ((out.error = replaceFileContents(path, text, shown))) return out;
    out.current = parseNotesText(text, recordCount);
    return out;
}

void orderMarks(ReviewNotes& notes) {
    if (!std::is_sorted(notes.marks.begin(), notes.marks.end(), markBefore))
        std::stable_sort(notes.marks.begin(), notes.marks.end(), markBefore);
    notes.marks.erase(std::unique(notes.marks.begin(), notes.marks.end()), notes.marks.end());
}

ReviewNotes notesOfSegment(const ReviewNotes& notes, std::int32_t first, std::int32_t last) {
    ReviewNotes out;
    if (last < first) return out;
    const std::int32_t shift = first - 1;
    for (const auto& m : notes.marks) {
        if (m.endRecord < first || m.record > last) continue;
        ReviewMark c = m;
        c.record = std::max(m.record, first) - shift;
        c.endRecord = std::min(m.endRecord, last) - shift;
        out.marks.push_back(std::move(c));
    }
    orderMarks(out);
    return out;
}

std::optional<std::string> notesForNewPair(const ReviewNotes& notes, const fs::path& newDataPath) {
    std::error_code ec;
    if (notes.empty() && !fs::exists(fs::symlink_status(notesPathFor(newDataPath), ec)))
        return std::nullopt;
    return notesText(notes);
}

ReviewCounts countReview(const std::vector<RecordingEvent>& events, const ReviewNotes& notes,
                         const std::vector<SampleRecord>& records) {
    ReviewCounts c;
    const auto spans = artifactSpans(notes);
    const auto count = static_cast<std::int32_t>(records.size());
    for (const auto& [a, b] : spans) {
        if (count == 0 || a > count) continue;
        const std::int32_t end = std::min(b, count);
        c.artifactMs += std::int64_t(records[static_cast<std::size_t>(end - 1)].TimeMs) -
                        records[static_cast<std::size_t>(a - 1)].TimeMs;
    }
    for (const auto& m : notes.marks) {
        if (m.kind == MarkKind::Note) ++c.notes;
        if (m.kind == MarkKind::Added) ++c.added;
    }
    for (const auto& e : events) {
        if (e.kind != EventKind::Reaction) continue;
        const auto review = reviewOf(notes, e.record);
        if (review == MarkKind::Confirmed) ++c.confirmed;
        if (review == MarkKind::Rejected)
            ++c.rejected;
        else if (!inSpans(spans, e.record))
            ++c.reactions;
    }
    c.reactions += c.added;
    return c;
}

std::optional<MarkKind> reviewOf(const ReviewNotes& notes, std::int32_t reactionRecord) {
    auto it = std::lower_bound(notes.marks.begin(), notes.marks.end(), reactionRecord,
                               [](const ReviewMark& m, std::int32_t r) { return m.record < r; });
    for (; it != notes.marks.end() && it->record == reactionRecord; ++it)
        if (isReview(it->kind)) return it->kind;
    return std::nullopt;
}

bool inArtifact(const ReviewNotes& notes, std::int32_t record) {
    for (const auto& m : notes.marks) {
        if (m.record > record) break;
        if (m.kind == MarkKind::Artifact && record <= m.endRecord) return true;
    }
    return false;
}

} // namespace kv
