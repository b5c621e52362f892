// kvtool render --overview: the overview strip of a recording as PNG.
#pragma once

#include "CommandLine.h"
#include "SampleRecord.h"

#include <iosfwd>
#include <vector>

namespace kv {

// Added to render's own options.
void addOverviewOptions(CommandOptions& options);

int renderOverviewCommand(ParsedArgs& args, const std::vector<SampleRecord>& records,
                          std::ostream& err);

} // namespace kv
