// The trend page of kvtool trend, drawn: the first page as PNG, or every
// page as PDF.
#pragma once

#include "SessionSeries.h"

#include <string>
#include <vector>

namespace kv {

// Writes the trend report of `series` to `path` (a .png holds the first page,
// a .pdf all); returns "" or why it could not be written.
std::string writeTrendPicture(const SessionSeries& series, const std::string& title,
                              const std::vector<std::string>& skipped, const std::string& path);

} // namespace kv
