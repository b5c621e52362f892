// The kvtool commands, callable from tests with their own streams: those of
// KvToolDataCommands.h, and those that need Qt or the sound device (render, report,
// channel), which the kvtool-full program runs for kvtool.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace kv {

// Runs kvtool with the arguments after the program name. Returns the exit
// code: 0 success, 2 format check failed, 1 any other error.
int runKvTool(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
              std::ostream& err);

} // namespace kv
