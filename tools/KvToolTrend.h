// kvtool trend: the sessions found under folders (as kvtool summary finds
// and summarises them) in the order they were made, as a CSV table with
// reactions per hour, or as the trend page (PDF or PNG, drawn by kvtool-full).
#pragma once

#include "CommandLine.h"
#include "SessionSeries.h"

#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

namespace kv {

CommandOptions trendOptions();

// Whether the output asked for is a picture (PDF or PNG), which only
// kvtool-full draws.
bool trendNeedsDrawing(const ParsedArgs& args);

// Writes the trend page of a series to `path` (a .pdf or .png); returns ""
// or why it could not be written.
using TrendDrawer =
    std::function<std::string(const SessionSeries& series, const std::string& title,
                              const std::vector<std::string>& skipped, const std::string& path)>;

// `progress`: show a progress line on err. `draw` is needed for a PDF or PNG.
int trendCommand(ParsedArgs& args, std::ostream& err, bool progress, const TrendDrawer& draw);

} // namespace kv
