// SampleRecord: one 20-byte sample of a recording data file (.kvd).
// The struct holds decoded fields; decode()/encode() convert to and from the
// exact little-endian file layout, so the in-memory layout never matters.
// Round trip is lossless: encode(decode(b)) == b for every 20 bytes b.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace kv {

inline constexpr std::size_t kRecordSize = 20;
using RecordBytes = std::array<std::uint8_t, kRecordSize>;

enum class LampState : std::uint8_t { Off = 0, Set = 1, BodyMotion = 2, Lag = 3 };

struct SampleRecord {
    std::int32_t TimeMs = 0;
    std::uint16_t RawReading = 0;
    std::int16_t NeedlePos = 0;
    std::int16_t BdCount = 0;
    std::uint8_t BaseCode = 0;
    std::uint8_t SensIndex = 0;
    std::uint8_t StatusFlags = 0;
    std::uint8_t Spare = 0;
    std::array<std::uint8_t, 4> MarkData{}; // file bytes 14..17
    char MarkType = 0;
    char RecordType = 0;

    static SampleRecord decode(const std::uint8_t* bytes);
    void encode(std::uint8_t* bytes) const;
    RecordBytes toBytes() const;

    LampState lamp() const { return static_cast<LampState>(StatusFlags & 0x03); }
    bool frozen() const { return (StatusFlags & 0x04) != 0; }
    bool bdOn() const { return (StatusFlags & 0x08) != 0; }
    int dialType() const { return StatusFlags >> 5; }

    // File byte n (14..17) of the mark area.
    std::uint8_t markByte(int fileOffset) const { return MarkData[fileOffset - 14]; }
    // "C" mark: bytes 15..17 big-endian, seconds since midnight.
    std::int32_t clockMarkSecs() const;
    // "D" mark: bytes 16..17 big-endian. Read unsigned (0..65535) so a large day
    // number never turns into a date before the epoch.
    std::uint16_t dayMarkNumber() const;
    // "T" mark: bytes 14..15 little-endian, read unsigned.
    std::uint16_t tagMarkNumber() const;

    bool operator==(const SampleRecord&) const = default;
};

// Base reading text: (code \ 2 + 8) / 20 shown as "0.0#".
std::string Format_BaseText(std::uint8_t baseCode);
// The same text from a table made once: for code that formats millions of records.
std::string_view baseTextOf(std::uint8_t baseCode);
// Counter text: count / 10 as "#0.0", or as "000" from 1000 upwards.
std::string Format_BdText(std::int16_t bdCount);

} // namespace kv
