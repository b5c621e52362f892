// Small text helpers shared by the window's files.
#pragma once

#include <QString>

#include <string>

namespace kv {

inline QString q(const std::string& s) {
    return QString::fromStdString(s);
}

// The part of a path after its last separator.
inline std::string baseName(const std::string& path) {
    const auto cut = path.find_last_of("/\\");
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

} // namespace kv
