// The numbered sibling recordings of a loaded one: for a base path ending in
// three digits (walk007), every prefix + NNN + ".kvd" that exists, 001..999.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace kv {

struct SiblingList {
    std::string prefix;               // base path less its last three characters
    std::vector<std::string> numbers; // "001", "002", ...
    int selected = -1;                // index of the loaded recording's entry
};

// Nothing when the base path does not end in a whole number of at least 1.
std::optional<SiblingList> findSiblings(const std::string& basePath);

} // namespace kv
