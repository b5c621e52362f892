// kvtool export: every record of a recording as one CSV row, to standard
// output or to a file written whole or not at all.
#pragma once

#include <iosfwd>
#include <string>

namespace kv {

// outPath empty: the rows go to out.
int exportCommand(const std::string& file, const std::string& outPath, std::ostream& out,
                  std::ostream& err);

} // namespace kv
