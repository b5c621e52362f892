#include "CommandLine.h"

#include "DecimalNumber.h"

#include <algorithm>

namespace kv {
namespace {

bool contains(const std::vector<std::string>& list, const std::string& s) {
    return std::find(list.begin(), list.end(), s) != list.end();
}

// "-" alone is a name (standard input or output by convention), not an option.
bool looksLikeOption(const std::string& a) {
    return a.size() > 1 && a[0] == '-';
}

} // namespace

bool asksForHelp(const std::vector<std::string>& args) {
    for (const std::string& a : args) {
        if (a == "--") return false;
        if (a == "--help" || a == "-h") return true;
    }
    return false;
}

ParsedArgs ParsedArgs::parse(const std::vector<std::string>& args, const CommandOptions& options,
                             std::size_t first) {
    ParsedArgs p;
    bool optionsEnded = false;
    for (std::size_t i = first; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (optionsEnded || !looksLikeOption(a)) {
            p.m_positional.push_back(a);
        } else if (a == "--") {
            optionsEnded = true;
        } else if (contains(options.flags, a)) {
            p.m_values[a] = "1";
        } else if (contains(options.valued, a)) {
            if (i + 1 < args.size())
                p.m_values[a] = args[++i];
            else
                p.fail("missing value for " + a);
        } else {
            p.fail("unknown option '" + a + "'");
        }
    }
    return p;
}

void ParsedArgs::fail(const std::string& message) {
    if (m_error.empty()) m_error = message;
}

std::string ParsedArgs::value(const std::string& name) const {
    const auto it = m_values.find(name);
    return it == m_values.end() ? std::string() : it->second;
}

std::optional<long> ParsedArgs::number(const std::string& name, long lo, long hi) {
    if (!has(name)) return std::nullopt;
    const std::string& text = m_values[name];
    const std::optional<long> v = wholeNumber(text);
    if (!v || *v < lo || *v > hi) {
        fail(name + " must be a whole number from " + std::to_string(lo) + " to " +
             std::to_string(hi));
        return std::nullopt;
    }
    return v;
}

std::optional<bool> ParsedArgs::onOff(const std::string& name) {
    if (!has(name)) return std::nullopt;
    if (m_values[name] == "on") return true;
    if (m_values[name] == "off") return false;
    fail(name + " must be on or off");
    return std::nullopt;
}

std::optional<double> ParsedArgs::seconds(const std::string& name) {
    if (!has(name)) return std::nullopt;
    const std::string& text = m_values[name];
    const std::optional<double> v = decimalNumber(text);
    if (!v || *v < 0) {
        fail(name + " must be a number of seconds (0 or more), not '" + text + "'");
        return std::nullopt;
    }
    return v;
}

} // namespace kv
