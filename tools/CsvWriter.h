// CsvWriter: CSV rows formatted straight into a large buffer that is handed
// to a sink in blocks, so writing millions of rows costs little more than the
// bytes themselves. Whole numbers are written two digits at a time; a row's
// columns that seldom change are formatted once per change (RowTail) and
// copied otherwise; a running row number is counted in its digits.
#pragma once

#include <charconv>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace kv {

namespace csv_digits {

inline constexpr char kPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

inline int count(std::uint32_t v) {
    int n = 1;
    for (;;) {
        if (v < 10) return n;
        if (v < 100) return n + 1;
        if (v < 1000) return n + 2;
        if (v < 10000) return n + 3;
        v /= 10000;
        n += 4;
    }
}

// The decimal digits of v at p; returns the end.
[[gnu::always_inline]] inline char* put(char* p, std::uint32_t v) {
    char* const end = p + count(v);
    char* q = end;
    while (v >= 100) {
        const std::uint32_t pair = (v % 100) * 2;
        v /= 100;
        q -= 2;
        std::memcpy(q, kPairs + pair, 2);
    }
    if (v >= 10)
        std::memcpy(q - 2, kPairs + v * 2, 2);
    else
        q[-1] = static_cast<char>('0' + v);
    return end;
}

} // namespace csv_digits

// A short text whose memory can be read in whole 16-byte pieces past its
// end, so that it is copied with a few fixed-size moves.
struct PaddedText {
    static constexpr std::size_t kPiece = 16;
    const char* data = nullptr;
    std::size_t size = 0;
};

// The text of some columns of a row, built apart and copied into rows many
// times: seal() keeps a padded copy when it is short.
class RowText {
public:
    RowText& number(long long v) {
        char b[24];
        m_text.append(b, std::to_chars(b, b + sizeof b, v).ptr);
        return *this;
    }
    RowText& text(std::string_view t) {
        m_text += t;
        return *this;
    }
    RowText& comma() {
        m_text += ',';
        return *this;
    }
    void clear() { m_text.clear(); }
    std::string_view view() const { return m_text; }
    // Takes the padded copy of the text as it now is.
    void seal() {
        m_short = m_text.size() <= kShort;
        if (m_short) std::memcpy(m_copy, m_text.data(), m_text.size());
    }
    // The text at the last seal(): padded when short, else none (data null).
    PaddedText sealed() const { return m_short ? PaddedText{m_copy, m_text.size()} : PaddedText{}; }

private:
    static constexpr std::size_t kShort = 96;
    std::string m_text;
    bool m_short = false;
    char m_copy[kShort + PaddedText::kPiece] = {};
};

// The columns at the end of a row that seldom change from one record to the
// next: formatted when their key changes, the same text otherwise.
template <class Key> class RowTail {
public:
    // format(RowText&) writes the columns for `key`.
    template <class Format> const RowText& of(const Key& key, Format&& format) {
        if (!m_valid || !(key == m_key)) {
            m_text.clear();
            format(m_text);
            m_text.seal();
            m_key = key;
            m_valid = true;
        }
        return m_text;
    }

private:
    Key m_key{};
    bool m_valid = false;
    RowText m_text;
};

// A running row number (1, 2, 3 ...) kept as its digits: each next() adds one.
class RowNumber {
public:
    RowNumber() { m_digits[kMax - 1] = '0'; }
    PaddedText next() {
        int i = kMax - 1;
        while (i >= m_first && m_digits[i] == '9')
            m_digits[i--] = '0';
        if (i >= m_first)
            ++m_digits[i];
        else
            m_digits[--m_first] = '1';
        return {m_digits + m_first, static_cast<std::size_t>(kMax - m_first)};
    }

private:
    static constexpr int kMax = 24;
    char m_digits[kMax + PaddedText::kPiece] = {};
    int m_first = kMax - 1; // "0" before the first row
};

class CsvWriter {
public:
    // The sink takes a block of bytes and says whether it was written.
    using Sink = std::function<bool(std::string_view)>;
    explicit CsvWriter(Sink sink)
        : m_sink(std::move(sink)), m_buf(new char[kBlock + kRoom]), m_pos(m_buf.get()) {}

    // Inlined: a call per column would cost as much as the digits.
    [[gnu::always_inline]] CsvWriter& number(long long v) {
        makeRoom(24);
        if (v >= 0 && v <= 0xFFFFFFFFLL) {
            m_pos = csv_digits::put(m_pos, static_cast<std::uint32_t>(v));
        } else if (v < 0 && v >= -0xFFFFFFFFLL) {
            *m_pos++ = '-';
            m_pos = csv_digits::put(m_pos, static_cast<std::uint32_t>(-v));
        } else {
            m_pos = std::to_chars(m_pos, m_pos + 24, v).ptr;
        }
        return *this;
    }
    [[gnu::always_inline]] CsvWriter& text(std::string_view t) {
        makeRoom(t.size());
        if (t.size() > kBlock + kRoom) { // longer than the buffer: straight through
            if (m_ok) m_ok = m_sink(t);
            return *this;
        }
        std::memcpy(m_pos, t.data(), t.size());
        m_pos += t.size();
        return *this;
    }
    // A short text copied in fixed 16-byte pieces.
    [[gnu::always_inline]] CsvWriter& text(const PaddedText& t) {
        makeRoom(t.size + PaddedText::kPiece);
        for (std::size_t i = 0; i < t.size; i += PaddedText::kPiece)
            std::memcpy(m_pos + i, t.data + i, PaddedText::kPiece);
        m_pos += t.size;
        return *this;
    }
    // A row's sealed columns: padded when short.
    CsvWriter& text(const RowText& t) {
        const PaddedText p = t.sealed();
        return p.data ? text(p) : text(t.view());
    }
    CsvWriter& comma() {
        makeRoom(1);
        *m_pos++ = ',';
        return *this;
    }
    // Ends a row; hands a full block to the sink.
    void endRow() {
        makeRoom(1);
        *m_pos++ = '\n';
        if (used() >= kBlock) flush();
    }
    // Hands what is left to the sink; false when any block could not be written.
    bool finish() {
        flush();
        return m_ok;
    }

private:
    static constexpr std::size_t kBlock = 1 << 20;
    static constexpr std::size_t kRoom = 4096; // a row's worth past the block
    std::size_t used() const { return static_cast<std::size_t>(m_pos - m_buf.get()); }
    void makeRoom(std::size_t n) {
        if (used() + n > kBlock + kRoom) flush();
    }
    void flush() {
        if (used() != 0 && m_ok) m_ok = m_sink(std::string_view(m_buf.get(), used()));
        m_pos = m_buf.get();
    }
    Sink m_sink;
    std::unique_ptr<char[]> m_buf;
    char* m_pos;
    bool m_ok = true;
};

} // namespace kv
