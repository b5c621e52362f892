// kvtool's meter commands: recompute (the Override model over a recording,
// as CSV) and render (the front panel at one record, as PNG).
#pragma once

#include "CommandLine.h"
#include "KvdFile.h"
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

// Runs over the records as they are read; a file that ends early is an error.
int recomputeCommand(ParsedArgs& args, KvdBlockReader& records, std::ostream& out,
                     std::ostream& err);
int renderCommand(ParsedArgs& args, const std::vector<SampleRecord>& records,
                  const std::string& basePath, std::ostream& err);

} // namespace kv
