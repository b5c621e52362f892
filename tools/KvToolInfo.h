// kvtool info: a recording's records, times, clock start, date and sound, one
// "key: value" a line, read from the two ends of its data file.
#pragma once

#include <iosfwd>
#include <string>

namespace kv {

int infoCommand(const std::string& file, std::ostream& out, std::ostream& err);

} // namespace kv
