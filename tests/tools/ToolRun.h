// Runs kvtool in the test's own process and keeps what it printed.
#pragma once

#include "KvTool.h"

#include <sstream>
#include <string>
#include <vector>

namespace kv::test {

struct ToolRun {
    int code;
    std::string out, err;
};

inline ToolRun kvtool(const std::vector<std::string>& args, const std::string& input = "") {
    std::istringstream in(input);
    std::ostringstream out, err;
    const int code = runKvTool(args, in, out, err);
    return {code, out.str(), err.str()};
}

} // namespace kv::test
