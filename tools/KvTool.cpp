#include "KvTool.h"

#include "AudioChannel.h"
#include "FileNames.h"
#include "KvToolCommand.h"
#include "KvToolDataCommands.h"
#include "KvToolMeter.h"
#include "KvToolOverview.h"
#include "KvToolReport.h"
#include "KvToolTrend.h"
#include "KvToolTrendReport.h"
#include "SegmentEditor.h"
#include "SoundChannel.h"
#include "SoundDevice.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <istream>
#include <ostream>
#include <thread>
#include <unistd.h>

namespace kv {
namespace {

constexpr long kMaxSleepMs = 24L * 3600 * 1000;

// Whether an image's file name asks for PNG: it ends in .png, in any case, or
// has no extension.
bool namesPng(const std::string& path) {
    const std::string name = std::filesystem::path(path).filename().string();
    const auto dot = name.find_last_of('.');
    if (dot == std::string::npos || dot == 0) return true;
    return hasExtension(name, ".png");
}

int channelConsole(std::istream& in, std::ostream& out) {
    SoundChannel channel(SoundChannel::Options{false, {}, sdlDeviceOutputs()});
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) continue;
        if (line.rfind("sleep ", 0) == 0) {
            // Whole milliseconds, up to a day; anything else is answered as
            // a malformed command rather than waited for.
            const std::string text = line.substr(6);
            long ms = -1;
            const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), ms);
            if (ec != std::errc() || end != text.data() + text.size() || ms < 0 ||
                ms > kMaxSleepMs) {
                out << kAudioErrOutOfRange << "\tsleep takes whole milliseconds from 0 to "
                    << kMaxSleepMs << ", not '" << text << "'." << std::endl;
                continue;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(ms));
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
    if (const std::optional<int> code = runDataCommand(args, out, err)) return *code;
    // Left: render, report, channel and the trend's page, with their arguments.
    const std::string& cmd = args[0];
    const std::vector<std::string> rest(args.begin() + 1, args.end());
    CommandOptions accepted;
    if (cmd == "render") {
        accepted = renderOptions();
        addOverviewOptions(accepted);
    }
    if (cmd == "report") accepted = reportOptions();
    if (cmd == "trend") accepted = trendOptions();
    ParsedArgs parsed = ParsedArgs::parse(rest, accepted);
    if (!parsed.ok()) return usageError(cmd, parsed.error(), err);
    if (const auto refused = refuseOutputOverInput(cmd, parsed, err)) return *refused;
    if (cmd == "trend")
        return trendCommand(parsed, err, &err == &std::cerr && ::isatty(STDERR_FILENO) == 1,
                            writeTrendPicture);
    // The picture is PNG: a name that asks for another format would hide what it holds.
    if (cmd == "render" && parsed.has("-o") && !namesPng(parsed.value("-o")))
        return usageError(cmd, "-o " + parsed.value("-o") + ": the picture is PNG; name it OUT.png",
                          err);
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
