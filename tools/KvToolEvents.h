// kvtool events: the events of a recording (tags, SET, body motion, Base,
// counter, reactions) as CSV.
#pragma once

#include "CommandLine.h"
#include "SampleRecord.h"

#include <iosfwd>
#include <vector>

namespace kv {

CommandOptions eventsOptions();

int eventsCommand(ParsedArgs& args, const std::vector<SampleRecord>& records, std::ostream& out,
                  std::ostream& err);

} // namespace kv
