// Fuzz target: reading a session configuration file of arbitrary contents.
#include "SessionConfig.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string dir = "/tmp/kvfuzz-config-" + std::to_string(getpid());
    static const int made = mkdir(dir.c_str(), 0700);
    (void)made;
    std::FILE* f = std::fopen((dir + "/kv_Player.cfg").c_str(), "wb");
    if (!f) return 0;
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    kv::SessionConfig c;
    if (!c.Read_Config(dir, 1920) && c.KnobIndex != 8) __builtin_trap();
    return 0;
}
