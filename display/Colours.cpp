#include "Colours.h"

#include <cmath>

namespace kv {
namespace {

std::int32_t pack(int r, int g, int b) {
    return r + 256 * g + 65536 * b;
}

std::int32_t blend(std::int32_t from, std::int32_t to, double k) {
    auto mix = [k](int a, int b) { return static_cast<int>(std::nearbyint(a + (b - a) * k)); };
    return pack(mix(Get_Red(from), Get_Red(to)), mix(Get_Green(from), Get_Green(to)),
                mix(Get_Blue(from), Get_Blue(to)));
}

} // namespace

int Get_Red(std::int32_t c) {
    return c & 255;
}
int Get_Green(std::int32_t c) {
    return (c / 256) & 255;
}
int Get_Blue(std::int32_t c) {
    return (c / 65536) & 255;
}

std::int32_t Calc_ShadowColor(std::int32_t dial, std::int32_t needle, int index) {
    static const int kSteps[] = {0, 2, 4, 7, 11, 20};
    const int k = index >= 0 && index <= 5 ? kSteps[index] : 0;
    return blend(dial, needle, k / 20.0);
}

std::int32_t Calc_BannerColor(std::int32_t dial, std::int32_t needle) {
    return blend(dial, needle, 4 / 20.0);
}

std::int32_t Calc_DimTextColor(std::int32_t panel, std::int32_t text) {
    auto dim = [](int p, int t) { return p + (t - p) / 5; };
    return pack(dim(Get_Red(panel), Get_Red(text)), dim(Get_Green(panel), Get_Green(text)),
                dim(Get_Blue(panel), Get_Blue(text)));
}

} // namespace kv
