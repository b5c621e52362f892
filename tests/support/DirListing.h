// The names in a folder, hidden ones (temporaries) too, sorted.
#pragma once

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace kv::test {

inline std::vector<std::string> filesIn(const std::string& dir) {
    std::vector<std::string> out;
    for (const auto& e : std::filesystem::directory_iterator(dir))
        out.push_back(e.path().filename().string());
    std::sort(out.begin(), out.end());
    return out;
}

} // namespace kv::test
