#include "FileNames.h"

#include <algorithm>
#include <cctype>

namespace kv {

bool hasExtension(std::string_view path, std::string_view ext) {
    if (path.size() < ext.size()) return false;
    const std::string_view tail = path.substr(path.size() - ext.size());
    return std::equal(tail.begin(), tail.end(), ext.begin(), [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) ==
               std::tolower(static_cast<unsigned char>(b));
    });
}

} // namespace kv
