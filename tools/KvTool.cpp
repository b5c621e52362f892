#include "KvTool.h"

#include "AudioChannel.h"
#include "KvToolLean.h"
#include "KvToolMeter.h"
#include "KvToolOverview.h"
#include "KvToolReport.h"
#include "SegmentEditor.h"
#include "SoundChannel.h"
#include "SoundDevice.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <istream>
#include <ostream>
#include <thread>

namespace kv {
namespace {

int channelConsole(std::istream& in, std::ostream& out) {
    SoundChannel channel(SoundChannel::Options{false, {}, sdlDeviceOutputs()});
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) continue;
        if (line.rfind("sleep ", 0) == 0) {
            const long ms = std::strtol(line.c_str() + 6, nullptr, 10);
            std::this_thread::sleep_for(std::chrono::milliseconds(std::max(0L, ms)));
            continue;
        }
        const AudioReply r = channel.send(line);
        out << r.code << '\t' << r.text << std::endl;
    }
    return 0;
}

} // namespace

int runKvTool(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
              std::ostream& err) {
    if (const std::optional<int> code = runLeanCommand(args, out, err)) return *code;
    // Left: render, report and channel, with their arguments.
    const std::string& cmd = args[0];
    const std::vector<std::string> rest(args.begin() + 1, args.end());
    CommandOptions accepted;
    if (cmd == "render") {
        accepted = renderOptions();
        addOverviewOptions(accepted);
    }
    if (cmd == "report") accepted = reportOptions();
    ParsedArgs parsed = ParsedArgs::parse(rest, accepted);
    if (!parsed.ok()) return usageError(cmd, parsed.error(), err);
    if (const auto refused = refuseOutputOverInput(cmd, parsed, err)) return *refused;
    const std::vector<std::string>& files = parsed.positional();
    if (cmd == "channel") {
        if (!files.empty()) return usageError(cmd, "takes no file: " + files.front(), err);
        return channelConsole(in, out);
    }
    if (files.size() != 1)
        return usageError(cmd, files.empty() ? "give one FILE.kvd" : "give only one FILE.kvd", err);
    const std::string& file = files.front();
    const LoadedRecords l = loadRecords(file, err);
    if (l.exitCode != 0) return l.exitCode;
    if (cmd == "report") return reportCommand(parsed, l.records, file, err);
    if (parsed.has("--overview")) return renderOverviewCommand(parsed, l.records, err);
    return renderCommand(parsed, l.records, pairBaseOf(file), err);
}

} // namespace kv
