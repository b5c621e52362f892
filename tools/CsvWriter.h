// CsvWriter: CSV rows formatted with std::to_chars straight into a large
// buffer that is handed to a sink in blocks, so writing millions of rows
// costs little more than the bytes themselves.
#pragma once

#include <charconv>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace kv {

class CsvWriter {
public:
    // The sink takes a block of bytes and says whether it was written.
    using Sink = std::function<bool(std::string_view)>;
    explicit CsvWriter(Sink sink)
        : m_sink(std::move(sink)), m_buf(new char[kBlock + kRoom]), m_pos(m_buf.get()) {}

    CsvWriter& number(long long v) {
        makeRoom(24);
        m_pos = std::to_chars(m_pos, m_pos + 24, v).ptr;
        return *this;
    }
    CsvWriter& text(std::string_view t) {
        makeRoom(t.size());
        if (t.size() > kBlock + kRoom) { // longer than the buffer: straight through
            if (m_ok) m_ok = m_sink(t);
            return *this;
        }
        std::memcpy(m_pos, t.data(), t.size());
        m_pos += t.size();
        return *this;
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
