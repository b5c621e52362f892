#include "SampleRecord.h"

#include <array>
#include <charconv>

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace kv {
namespace {

std::uint16_t le16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

void putLe16(std::uint8_t* p, std::uint16_t v) {
    p[0] = static_cast<std::uint8_t>(v & 0xFF);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}

} // namespace

SampleRecord SampleRecord::decode(const std::uint8_t* b) {
    SampleRecord r;
    const std::uint32_t t =
        static_cast<std::uint32_t>(b[0]) | (static_cast<std::uint32_t>(b[1]) << 8) |
        (static_cast<std::uint32_t>(b[2]) << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
    r.TimeMs = static_cast<std::int32_t>(t);
    r.RawReading = le16(b + 4);
    r.NeedlePos = static_cast<std::int16_t>(le16(b + 6));
    r.BdCount = static_cast<std::int16_t>(le16(b + 8));
    r.BaseCode = b[10];
    r.SensIndex = b[11];
    r.StatusFlags = b[12];
    r.Spare = b[13];
    for (int i = 0; i < 4; ++i)
        r.MarkData[i] = b[14 + i];
    r.MarkType = static_cast<char>(b[18]);
    r.RecordType = static_cast<char>(b[19]);
    return r;
}

void SampleRecord::encode(std::uint8_t* b) const {
    const auto t = static_cast<std::uint32_t>(TimeMs);
    for (int i = 0; i < 4; ++i)
        b[i] = static_cast<std::uint8_t>((t >> (8 * i)) & 0xFF);
    putLe16(b + 4, RawReading);
    putLe16(b + 6, static_cast<std::uint16_t>(NeedlePos));
    putLe16(b + 8, static_cast<std::uint16_t>(BdCount));
    b[10] = BaseCode;
    b[11] = SensIndex;
    b[12] = StatusFlags;
    b[13] = Spare;
    for (int i = 0; i < 4; ++i)
        b[14 + i] = MarkData[i];
    b[18] = static_cast<std::uint8_t>(MarkType);
    b[19] = static_cast<std::uint8_t>(RecordType);
}

RecordBytes SampleRecord::toBytes() const {
    RecordBytes out{};
    encode(out.data());
    return out;
}

std::int32_t SampleRecord::clockMarkSecs() const {
    return markByte(15) * 65536 + markByte(16) * 256 + markByte(17);
}

std::uint16_t SampleRecord::dayMarkNumber() const {
    return static_cast<std::uint16_t>(markByte(16) * 256 + markByte(17));
}

std::uint16_t SampleRecord::tagMarkNumber() const {
    return static_cast<std::uint16_t>(markByte(14) + markByte(15) * 256);
}

namespace {

// Base = (code \ 2 + 8) * 5 / 100, worked in hundredths so the text is exact.
std::string baseTextFor(std::uint8_t baseCode) {
    const int hundredths = (baseCode / 2 + 8) * 5;
    char buf[16];
    if (hundredths % 10 == 0)
        std::snprintf(buf, sizeof buf, "%d.%d", hundredths / 100, (hundredths / 10) % 10);
    else
        std::snprintf(buf, sizeof buf, "%d.%02d", hundredths / 100, hundredths % 100);
    return buf;
}

} // namespace

std::string_view baseTextOf(std::uint8_t baseCode) {
    static const std::array<std::string, 256> table = [] {
        std::array<std::string, 256> t;
        for (int c = 0; c < 256; ++c)
            t[static_cast<std::size_t>(c)] = baseTextFor(static_cast<std::uint8_t>(c));
        return t;
    }();
    return table[baseCode];
}

std::string Format_BaseText(std::uint8_t baseCode) {
    return std::string(baseTextOf(baseCode));
}

std::string Format_BdText(std::int16_t bdCount) {
    char buf[16];
    char* p = buf;
    if (bdCount >= 1000) {
        // Whole units, halves to the even neighbour: 100 and up, three digits or more.
        const long whole = std::lrint(bdCount / 10.0);
        p = std::to_chars(p, buf + sizeof buf, whole).ptr;
    } else {
        const int mag = std::abs(static_cast<int>(bdCount));
        if (bdCount < 0) *p++ = '-';
        p = std::to_chars(p, buf + sizeof buf, mag / 10).ptr;
        *p++ = '.';
        *p++ = static_cast<char>('0' + mag % 10);
    }
    return std::string(buf, p);
}

} // namespace kv
