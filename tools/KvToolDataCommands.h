// The kvtool commands that need neither Qt nor the sound device (info,
// export, cut, recompute, events, summary), help and version. The kvtool
// program runs only these, so it starts without loading Qt or SDL; kvtool-full
// runs the rest (KvTool.h).
#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace kv {

// Runs kvtool with the arguments after the program name and returns the
// exit code (0 success, 2 format check failed, 1 any other error); nothing,
// and nothing printed, for a command only kvtool-full runs.
std::optional<int> runDataCommand(const std::vector<std::string>& args, std::ostream& out,
                                  std::ostream& err);

} // namespace kv
