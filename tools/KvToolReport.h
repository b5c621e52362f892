// kvtool report: the printable report of a recording, or of a range of it,
// as a PDF (every page) or a PNG (the first page).
#pragma once

#include "CommandLine.h"
#include "SampleRecord.h"

#include <iosfwd>
#include <string>
#include <vector>

namespace kv {

CommandOptions reportOptions();

int reportCommand(ParsedArgs& args, const std::vector<SampleRecord>& records,
                  const std::string& file, std::ostream& err);

} // namespace kv
