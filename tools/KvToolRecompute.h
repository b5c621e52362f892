// kvtool recompute: the Override model over a recording, as CSV; and the
// Override options it shares with render.
#pragma once

#include "CommandLine.h"
#include "KvdFile.h"
#include "MeterReplay.h"

#include <iosfwd>
#include <string>
#include <vector>

namespace kv {

// The Override options (--dial, --knob, --bm, --freeze, --needle-bd, --counter).
const std::vector<std::string>& overrideKeys();
// Their values, or the defaults; a bad value is an error in args.
OverrideOptions overrideFrom(ParsedArgs& args);

// The options recompute accepts; the caller parses with them and reports
// unknown ones.
CommandOptions recomputeOptions();

// Runs over the records as they are read; a file that ends early is an error.
int recomputeCommand(ParsedArgs& args, KvdBlockReader& records, std::ostream& out,
                     std::ostream& err);

} // namespace kv
