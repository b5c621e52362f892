// CsvWriter: CSV rows formatted with std::to_chars into a large buffer that
// is handed to a sink in blocks, so writing millions of rows costs little
// more than the bytes themselves.
#pragma once

#include <charconv>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace kv {

class CsvWriter {
public:
    // The sink takes a block of bytes and says whether it was written.
    using Sink = std::function<bool(std::string_view)>;
    explicit CsvWriter(Sink sink) : m_sink(std::move(sink)) { m_buf.reserve(kBlock + 256); }

    CsvWriter& number(long long v) {
        char tmp[24];
        const auto [end, ec] = std::to_chars(tmp, tmp + sizeof tmp, v);
        m_buf.append(tmp, end);
        return *this;
    }
    CsvWriter& text(std::string_view t) {
        m_buf.append(t);
        return *this;
    }
    CsvWriter& comma() {
        m_buf.push_back(',');
        return *this;
    }
    // Ends a row; hands a full block to the sink.
    void endRow() {
        m_buf.push_back('\n');
        if (m_buf.size() >= kBlock) flush();
    }
    // Hands what is left to the sink; false when any block could not be written.
    bool finish() {
        flush();
        return m_ok;
    }

private:
    static constexpr std::size_t kBlock = 1 << 20;
    void flush() {
        if (!m_buf.empty() && m_ok) m_ok = m_sink(m_buf);
        m_buf.clear();
    }
    Sink m_sink;
    std::string m_buf;
    bool m_ok = true;
};

} // namespace kv
