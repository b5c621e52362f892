#include "SiblingList.h"

#include "FileFunctions.h"
#include "PairFiles.h"

#include <cctype>
#include <cstdio>

namespace kv {

std::optional<SiblingList> findSiblings(const std::string& basePath) {
    if (basePath.size() < 3) return std::nullopt;
    const std::string tail = basePath.substr(basePath.size() - 3);
    int loaded = 0;
    for (char c : tail) {
        if (!std::isdigit(static_cast<unsigned char>(c))) return std::nullopt;
        loaded = loaded * 10 + (c - '0');
    }
    if (loaded < 1) return std::nullopt;
    SiblingList list;
    list.prefix = basePath.substr(0, basePath.size() - 3);
    for (int n = 1; n <= 999; ++n) {
        char digits[8];
        std::snprintf(digits, sizeof digits, "%03d", n);
        if (!File_Exists(pairFile(list.prefix + digits, ".kvd"))) continue;
        list.numbers.emplace_back(digits);
        if (n == loaded) list.selected = static_cast<int>(list.numbers.size()) - 1;
    }
    return list;
}

} // namespace kv
