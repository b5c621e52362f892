// Fuzz target: loading and comparing a settings file of arbitrary contents.
#include "ProfileFile.h"
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
    // The writer keeps every byte it does not set: the new text is never shorter
    // than the old by more than the one value it changes.
    kv::ProfileFile file(path);
    const std::string before = file.contents();
    file.write("Colors", "Dial_Color", "7");
    if (file.read("Colors", "Dial_Color", "") != "7" && file.loaded()) __builtin_trap();
    if (file.contents().size() + 254 < before.size()) __builtin_trap();
    return 0;
}
