// kvtool's meter commands: recompute (the Override model over a recording,
// as CSV) and render (the front panel at one record, as PNG).
#pragma once

#include "CommandLine.h"
#include "SampleRecord.h"

#include <iosfwd>
#include <string>
#include <vector>

namespace kv {

// Drawing text needs a QGuiApplication; kvtool's runs offscreen unless told otherwise.
void ensureGuiApplication();

// The options each command accepts; the caller parses with them, reports
// unknown ones and loads the recording before running the command.
CommandOptions recomputeOptions();
CommandOptions renderOptions();

int recomputeCommand(ParsedArgs& args, const std::vector<SampleRecord>& records, std::ostream& out,
                     std::ostream& err);
int renderCommand(ParsedArgs& args, const std::vector<SampleRecord>& records,
                  const std::string& basePath, std::ostream& err);

} // namespace kv
