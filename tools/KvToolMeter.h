// kvtool's meter commands: recompute (the Override model over a recording,
// as CSV) and render (the front panel at one record, as PNG).
#pragma once

#include "SampleRecord.h"

#include <iosfwd>
#include <string>
#include <vector>

namespace kv {

int recomputeCommand(const std::vector<std::string>& args, const std::vector<SampleRecord>& records,
                     std::ostream& out, std::ostream& err);
int renderCommand(const std::vector<std::string>& args, const std::vector<SampleRecord>& records,
                  const std::string& basePath, std::ostream& err);

} // namespace kv
