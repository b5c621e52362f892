// kvtool cut: saves the whole records between two times, with their sound, as
// a new pair, through the same cut and save as the window.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace kv {

// args: the whole command line after the program name ("cut", FILE.kvd,
// --from, --to, -o). A signal during the save removes what it wrote (exit 130).
int cutCommand(const std::vector<std::string>& args, std::ostream& err);

} // namespace kv
