// kvgen: writes the demo recordings, the placeholder dummy.mp3 and synthetic
// recordings for tests and benchmarks.
#include "DemoData.h"
#include "KvdFile.h"
#include "SyntheticFalls.h"

#include <algorithm>
#include <cstdlib>
#include <iostream>
#include <string>

int main(int argc, char** argv) {
    const std::string cmd = argc > 1 ? argv[1] : "";
    std::string error;
    if (cmd == "demo" && argc == 3) {
        error = kv::writeDemoSet(argv[2]);
    } else if (cmd == "dummy" && (argc == 3 || argc == 4)) {
        const double hours = argc == 4 ? std::atof(argv[3]) : 4.1;
        error = kv::writeSilenceMp3(argv[2], hours * 3600.0);
    } else if (cmd == "recording" && argc == 5) {
        // kvgen recording BASE SECONDS wav|mp3|none
        const std::string base = argv[2];
        const double seconds = std::atof(argv[3]);
        const std::string audio = argv[4];
        kv::DemoOptions o;
        o.records = static_cast<std::int32_t>(seconds * 50) + 1;
        if (auto e = kv::writeKvdFile(base + ".kvd", kv::makeDemoRecords(o)))
            error = e->description;
        if (error.empty() && audio != "none")
            error = kv::writeDemoAudio(base + "." + audio, seconds + 0.5,
                                       audio == "wav" ? kv::DemoAudioFormat::Wav
                                                      : kv::DemoAudioFormat::Mp3);
    } else if (cmd == "falls" && argc >= 4 && argc <= 7) {
        // kvgen falls BASE SECONDS [NOISE [SEED [KNOB]]]: a recording with
        // known falls (noise in dial divisions); the falls go to standard
        // output as CSV.
        kv::FallOptions o;
        o.records = static_cast<std::int32_t>(std::atof(argv[3]) * 50) + 1;
        if (argc > 4) o.noiseDivisions = std::atof(argv[4]);
        if (argc > 5) o.seed = static_cast<std::uint32_t>(std::strtoul(argv[5], nullptr, 10));
        if (argc > 6) o.knobIndex = std::clamp(std::atoi(argv[6]), 0, 63);
        const kv::FallRecording made = kv::makeFallRecording(o);
        if (auto e = kv::writeKvdFile(std::string(argv[2]) + ".kvd", made.records))
            error = e->description;
        if (error.empty()) {
            std::cout << "onset_record,peak_record,divisions\n";
            for (const kv::InsertedFall& f : made.falls)
                std::cout << f.onset + 1 << ',' << f.peak + 1 << ',' << f.divisions << '\n';
        }
    } else {
        std::cerr << "usage: kvgen demo FOLDER | kvgen dummy FILE.mp3 [HOURS] | "
                     "kvgen recording BASE SECONDS wav|mp3|none |\n"
                     "       kvgen falls BASE SECONDS [NOISE [SEED [KNOB]]]\n";
        return 1;
    }
    if (!error.empty()) {
        std::cerr << "kvgen: " << error << "\n";
        return 1;
    }
    return 0;
}
