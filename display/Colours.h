// Colours derived from the colour settings: the shadow pointer, the banners
// and the counter's dimmed text. Packed red + 256 * green + 65536 * blue.
#pragma once

#include <cstdint>

namespace kv {

int Get_Red(std::int32_t colour);
int Get_Green(std::int32_t colour);
int Get_Blue(std::int32_t colour);

// Each channel k of the way from the dial's colour to the needle's, rounded to
// the nearest (halves to even): k = 0, 2, 4, 7, 11, 20 twentieths for
// shadowIndex 0..5 (both ends included); any other index gives the dial's.
std::int32_t Calc_ShadowColor(std::int32_t dial, std::int32_t needle, int shadowIndex);
// As the shadow colour with k = 4/20.
std::int32_t Calc_BannerColor(std::int32_t dial, std::int32_t needle);
// Each channel a fifth of the way from the panel's to the text's, the step
// cut towards zero.
std::int32_t Calc_DimTextColor(std::int32_t panel, std::int32_t text);

} // namespace kv
