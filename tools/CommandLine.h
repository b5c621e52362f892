// Option parsing shared by the kvtool commands: each command names the
// options it accepts; anything else that looks like an option is an error
// that names it.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace kv {

// The options one command accepts.
struct CommandOptions {
    std::vector<std::string> valued; // take the next argument as their value
    std::vector<std::string> flags;  // stand alone
};

// True when the arguments ask for help (--help or -h before a "--").
bool asksForHelp(const std::vector<std::string>& args);

// A command's arguments, parsed. The first problem found is kept in error();
// later checks (number(), onOff(), fail()) keep it if there is one already.
class ParsedArgs {
public:
    // Parses args[first..]. "--" ends the options; what follows is positional.
    static ParsedArgs parse(const std::vector<std::string>& args, const CommandOptions& options,
                            std::size_t first = 0);

    bool ok() const { return m_error.empty(); }
    const std::string& error() const { return m_error; }
    void fail(const std::string& message);

    bool has(const std::string& name) const { return m_values.count(name) != 0; }
    std::string value(const std::string& name) const; // "" when absent
    const std::vector<std::string>& positional() const { return m_positional; }

    // A whole number in [lo, hi]; nothing (and an error) when it is not one.
    std::optional<long> number(const std::string& name, long lo, long hi);
    // "on" or "off".
    std::optional<bool> onOff(const std::string& name);
    // A number of seconds, zero or more, written in full ("1.5", not "1.5x").
    std::optional<double> seconds(const std::string& name);

private:
    std::map<std::string, std::string> m_values;
    std::vector<std::string> m_positional;
    std::string m_error;
};

} // namespace kv
