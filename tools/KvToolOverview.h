// kvtool render --overview: the overview strip of a recording as PNG.
#pragma once

#include "CommandLine.h"
#include "SampleRecord.h"

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <utility>
#include <vector>

namespace kv {

// Added to render's own options.
void addOverviewOptions(CommandOptions& options);

// The records (0-based, inclusive) between two times in seconds, whole
// records as the brackets take them; the whole recording when not given.
std::pair<std::int32_t, std::int32_t> recordsBetween(const std::vector<SampleRecord>& records,
                                                     std::optional<double> from,
                                                     std::optional<double> to);

int renderOverviewCommand(ParsedArgs& args, const std::vector<SampleRecord>& records,
                          std::ostream& err);

} // namespace kv
