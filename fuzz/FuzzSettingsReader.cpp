// Fuzz target: loading and comparing a settings file of arbitrary contents.
#include "Settings.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string dir = "/tmp";
    static const std::string path = dir + "/kvfuzz-settings-" + std::to_string(getpid()) + ".ini";
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return 0;
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    kv::SettingsStore store(dir);
    store.SettingsFilePath = path;
    store.Load_Settings();
    store.Check_SettingsSaved();
    return 0;
}
