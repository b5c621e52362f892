// kvtool render: the front panel at one record, as PNG.
#pragma once

#include "CommandLine.h"
#include "SampleRecord.h"

#include <iosfwd>
#include <string>
#include <vector>

namespace kv {

// Drawing text needs a QGuiApplication; kvtool's runs offscreen unless told otherwise.
void ensureGuiApplication();

// The options render accepts; the caller parses with them, reports unknown
// ones and loads the recording before running the command.
CommandOptions renderOptions();

int renderCommand(ParsedArgs& args, const std::vector<SampleRecord>& records,
                  const std::string& basePath, std::ostream& err);

} // namespace kv
