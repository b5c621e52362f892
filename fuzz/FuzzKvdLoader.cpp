// Fuzz target: the .kvd loader with arbitrary file contents.
#include "RecordingFakeChannel.h"
#include "RecordingLoader.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string base = "/tmp/kvfuzz-loader-" + std::to_string(getpid());
    static const bool audioMade = [] {
        std::FILE* f = std::fopen((base + ".mp3").c_str(), "wb");
        if (f) std::fputs("ID3", f), std::fclose(f);
        return true;
    }();
    (void)audioMade;
    std::FILE* f = std::fopen((base + ".kvd").c_str(), "wb");
    if (!f) return 0;
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    kv::RecordingFakeChannel audio;
    int steps = 0;
    kv::LoadObserver observer;
    observer.progress = [&](int) { ++steps; };
    const kv::LoadResult r = kv::Load_File(kv::LoadRequest{base, true, ""}, audio, observer);
    if (r.recording && (r.recording->RecordCount < 5 || steps > 100)) __builtin_trap();
    if (!r.recording && !r.error) __builtin_trap();
    return 0;
}
