// Colours derived from the colour settings: the shadow pointer, the banners
// and the counter's dimmed text. Packed red + 256 * green + 65536 * blue.
#pragma once

#include <cstdint>

namespace kv {

int Get_Red(std::int32_t colour);
int Get_Green(std::int32_t colour);
int Get_Blue(std::int32_t colour);

std::int32_t Calc_ShadowColor(std::int32_t dial, std::int32_t needle, int shadowIndex);
std::int32_t Calc_BannerColor(std::int32_t dial, std::int32_t needle);
std::int32_t Calc_DimTextColor(std::int32_t panel, std::int32_t text);

} // namespace kv
