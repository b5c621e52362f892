// The kvtool program itself: it runs the commands that need neither Qt nor the
// sound device and hands the others to kvtool-full, beside it in the build
// tree or in libexec/kv-player when installed. Either way it prints what the
// commands print in-process.
#include "DirListing.h"
#include "DemoData.h"
#include "KvdFile.h"
#include "TempDir.h"
#include "ToolRun.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace kv {
namespace {

using test::TempDir;
using test::ToolRun;
namespace fs = std::filesystem;

fs::path buildBin() {
    return fs::read_symlink("/proc/self/exe").parent_path();
}

// Runs a program with the arguments and standard input; its exit code and
// what it printed. Temporary folders hold no quotes, so single quotes do.
ToolRun runProgram(const std::string& program, const std::vector<std::string>& args,
                   const TempDir& dir, const std::string& input = "") {
    test::writeText(dir.file("stdin.txt"), input);
    std::string cmd = "'" + program + "'";
    for (const std::string& a : args)
        cmd += " '" + a + "'";
    cmd += " <'" + dir.file("stdin.txt") + "' >'" + dir.file("stdout.txt") + "' 2>'" +
           dir.file("stderr.txt") + "'";
    const int status = std::system(cmd.c_str());
    const int code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    ToolRun r{code, test::readText(dir.file("stdout.txt")), test::readText(dir.file("stderr.txt"))};
    for (const char* f : {"stdin.txt", "stdout.txt", "stderr.txt"})
        fs::remove(dir.file(f));
    return r;
}

void expectSameRun(const ToolRun& program, const ToolRun& inProcess) {
    EXPECT_EQ(program.code, inProcess.code);
    EXPECT_EQ(program.out, inProcess.out);
    EXPECT_EQ(program.err, inProcess.err);
}

// A recording with its sound, and what the channel is told about it.
struct Pair {
    std::string kvd, wav, channelInput;
};
Pair writePair(const TempDir& dir) {
    DemoOptions o;
    o.records = 500;
    Pair p{dir.file("a.kvd"), dir.file("a.wav"), {}};
    EXPECT_FALSE(writeKvdFile(p.kvd, makeDemoRecords(o)));
    EXPECT_EQ(writeDemoAudio(p.wav, 10.0, DemoAudioFormat::Wav), "");
    p.channelInput = "open \"" + p.wav +
                     "\" type waveaudio alias WavFile\nstatus WavFile length\n"
                     "status WavFile samplespersec\nclose WavFile\n";
    return p;
}

TEST(KvToolProgram, PrintsWhatTheCommandsPrintInProcess) {
    TempDir dir;
    const Pair p = writePair(dir);
    const std::string kvtool = (buildBin() / "kvtool").string();
    const std::vector<std::vector<std::string>> runs = {
        {"info", p.kvd},
        {"events", p.kvd},
        {"--version"},
        {"render", "--help"},
        {"frobnicate"},
        {"render", p.kvd, "-o", dir.file("x.png")},
        {"report", p.kvd},
        {"channel", "x"},
        {"render", dir.file("none.kvd"), "--record", "1", "-o", "x.png"}};
    for (const auto& args : runs) {
        SCOPED_TRACE(args.front() + (args.size() > 1 ? " " + args[1] : ""));
        expectSameRun(runProgram(kvtool, args, dir), test::kvtool(args));
    }
    // The channel reads its commands from the standard input passed on.
    const ToolRun channel = runProgram(kvtool, {"channel"}, dir, p.channelInput);
    EXPECT_EQ(channel.out, "0\t\n0\t10000\n0\t22050\n0\t\n");
    expectSameRun(channel, test::kvtool({"channel"}, p.channelInput));
    // A picture drawn by kvtool-full is the picture drawn in-process.
    std::vector<std::string> render = {"render", p.kvd, "--record",
                                       "300",    "-o",  dir.file("program.png")};
    ASSERT_EQ(runProgram(kvtool, render, dir).code, 0);
    render.back() = dir.file("in-process.png");
    ASSERT_EQ(test::kvtool(render).code, 0);
    EXPECT_EQ(test::readText(dir.file("program.png")), test::readText(dir.file("in-process.png")));
}

TEST(KvToolProgram, FindsKvtoolFullWhereItIsInstalled) {
    TempDir dir;
    const Pair p = writePair(dir);
    fs::create_directories(dir.file("usr/bin"));
    fs::create_directories(dir.file("usr/libexec/kv-player"));
    fs::copy_file(buildBin() / "kvtool", dir.file("usr/bin/kvtool"));
    fs::create_symlink(buildBin() / "kvtool-full", dir.file("usr/libexec/kv-player/kvtool-full"));
    const ToolRun r = runProgram(dir.file("usr/bin/kvtool"), {"channel"}, dir, p.channelInput);
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "0\t\n0\t10000\n0\t22050\n0\t\n");
}

TEST(KvToolProgram, WithoutKvtoolFullItRunsItsOwnCommandsAndNamesWhereItLooked) {
    TempDir dir;
    const Pair p = writePair(dir);
    fs::create_directories(dir.file("bin"));
    const std::string kvtool = dir.file("bin/kvtool");
    fs::copy_file(buildBin() / "kvtool", kvtool);
    expectSameRun(runProgram(kvtool, {"info", p.kvd}, dir), test::kvtool({"info", p.kvd}));
    const ToolRun r = runProgram(kvtool, {"render", p.kvd, "--record", "1", "-o", "x.png"}, dir);
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.out, "");
    const std::string root = fs::canonical(dir.path()).string();
    EXPECT_EQ(r.err, "kvtool: render needs kvtool-full, found neither at " + root +
                         "/bin/kvtool-full nor at " + root + "/libexec/kv-player/kvtool-full\n");
}

// Qt and SDL take most of a start-up: kvtool loads neither.
TEST(KvToolProgram, LoadsNeitherQtNorSdl) {
    const std::string cmd = "ldd '" + (buildBin() / "kvtool").string() + "'";
    FILE* pipe = ::popen(cmd.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string libraries;
    char buf[4096];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, pipe)) > 0;)
        libraries.append(buf, n);
    ASSERT_EQ(::pclose(pipe), 0) << libraries;
    ASSERT_NE(libraries.find("libstdc++"), std::string::npos) << libraries;
    EXPECT_EQ(libraries.find("libQt6"), std::string::npos) << libraries;
    EXPECT_EQ(libraries.find("libSDL2"), std::string::npos) << libraries;
}

} // namespace
} // namespace kv

namespace kv {
namespace {

TEST(KvGen, AWriteThatFailsIsAFailureAndLeavesNoFileBehind) {
    test::TempDir dir;
    const std::string kvgen = "'" + (buildBin() / "kvgen").string() + "'";
    // A disk that fills after 128 kB: writes past that limit fail (EFBIG),
    // the signal that would stop the program is ignored.
    const std::string fullDisk = "trap '' XFSZ; ulimit -f 256; ";
    struct Case {
        const char* what;
        std::string command;
    };
    for (const Case& c :
         {Case{"a device for the output", kvgen + " dummy /dev/full 1"},
          Case{"a dummy sound on a full disk", fullDisk + kvgen + " dummy '" + dir.file("d.mp3") + "' 1"},
          Case{"the sound of a recording on a full disk",
               fullDisk + kvgen + " recording '" + dir.file("r") + "' 60 wav"},
          Case{"an MP3 recording on a full disk",
               fullDisk + kvgen + " recording '" + dir.file("m") + "' 600 mp3"},
          Case{"the table of falls to a full output",
               kvgen + " falls '" + dir.file("f") + "' 2 > /dev/full"}}) {
        SCOPED_TRACE(c.what);
        const int status = std::system(("(" + c.command + ") 2>/dev/null").c_str());
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 1);
        for (const std::string& name : test::filesIn(dir.path()))
            if (name != "f.kvd") ADD_FAILURE() << name << " was left behind";
    }
    // With room, the same commands make their files.
    EXPECT_EQ(std::system((kvgen + " recording '" + dir.file("r") + "' 2 mp3").c_str()), 0);
    EXPECT_GT(fs::file_size(dir.file("r.mp3")), 0u);
    EXPECT_GT(fs::file_size(dir.file("r.kvd")), 0u);
}

} // namespace
} // namespace kv
