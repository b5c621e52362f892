// BarScale: the mapping between the position bar's scale and a recording's
// records. The scale runs from 0 to kWidth, both ends included, whatever the
// bar's width in pixels. Record r of n (1-based) sits at r / n of the scale:
// the last record at kWidth, x = 0 before the first.
#pragma once

#include <cstdint>

namespace kv {

struct BarScale {
    static constexpr int kWidth = 1000;

    std::int32_t records = 0; // the recording's record count

    // A position given in the scale (a mouse position), cut towards zero to
    // a whole number and kept within 0..kWidth.
    static int clampX(double x);

    // The x of `record`: record / records * kWidth rounded to the nearest
    // whole number, halves to the even one, kept within 0..kWidth; 0 when
    // there are no records.
    int xOf(std::int32_t record) const;

    // The record at `x`: x / kWidth * records rounded to the nearest whole
    // number, halves to the even one, kept within 1..records. Needs at least
    // one record.
    std::int32_t recordAt(int x) const;
};

} // namespace kv
