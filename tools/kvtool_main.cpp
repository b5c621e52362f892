// kvtool: runs the commands that need neither Qt nor the sound device itself,
// so that it starts in a few milliseconds, and hands the others (render,
// report, channel) to kvtool-full with the same arguments and streams.
#include "KvToolDataCommands.h"

#include <filesystem>
#include <iostream>
#include <string>
#include <system_error>

#include <cerrno>
#include <cstring>
#ifdef _WIN32
#include <process.h>
#else
#include <unistd.h>
#endif

namespace {

namespace fs = std::filesystem;

#ifdef _WIN32
constexpr const char* kFullName = "kvtool-full.exe";
#else
constexpr const char* kFullName = "kvtool-full";
#endif

// This program's folder: from the kernel on Linux, else from argv[0].
fs::path ownFolder(const char* argv0) {
    std::error_code ec;
    fs::path self = fs::read_symlink("/proc/self/exe", ec);
    if (ec) self = fs::absolute(argv0, ec);
    return self.parent_path();
}

// kvtool-full beside kvtool (the build tree), or where it is installed
// (bin/kvtool and libexec/kv-player/kvtool-full). The first path when there
// is none, for the message.
fs::path findFullTool(const fs::path& folder, bool& found) {
    const fs::path beside = folder / kFullName;
    const fs::path installed = folder.parent_path() / "libexec" / "kv-player" / kFullName;
    std::error_code ec;
    for (const fs::path& p : {beside, installed})
        if (fs::is_regular_file(p, ec)) {
            found = true;
            return p;
        }
    found = false;
    return installed;
}

int runFullTool(char** argv) {
    bool found = false;
    const fs::path folder = ownFolder(argv[0]);
    const fs::path full = findFullTool(folder, found);
    if (!found) {
        std::cerr << "kvtool: " << argv[1] << " needs " << kFullName << ", found neither at "
                  << (folder / kFullName).string() << " nor at " << full.string() << "\n";
        return 1;
    }
    std::cout.flush();
#ifdef _WIN32
    const intptr_t code = ::_spawnv(_P_WAIT, full.string().c_str(), argv);
    if (code != -1) return static_cast<int>(code);
#else
    ::execv(full.c_str(), argv);
#endif
    std::cerr << "kvtool: cannot run " << full.string() << ": " << std::strerror(errno) << "\n";
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    const std::optional<int> code = kv::runDataCommand(args, std::cout, std::cerr);
    if (!code) return runFullTool(argv);
    // Output that could not be written (a full disk, a closed pipe) is a failure.
    std::cout.flush();
    if (!std::cout) {
        std::cerr << "kvtool: the output could not be written\n";
        return *code == 0 ? 1 : *code;
    }
    return *code;
}
