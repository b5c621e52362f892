// kvgen: writes the demo recordings, the placeholder dummy.mp3 and synthetic
// recordings for tests and benchmarks.
#include "DecimalNumber.h"
#include "DemoData.h"
#include "KvdFile.h"
#include "SyntheticFalls.h"
#include "SyntheticSeries.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <iostream>
#include <optional>
#include <string>

namespace {

// A number from lo to hi, the whole argument; nothing (and a message) for
// anything else, so that a typing slip never makes a surprising file.
std::optional<double> numberArg(const char* text, const char* what, double lo, double hi) {
    const std::optional<double> v = kv::decimalNumber(text);
    if (!v || *v < lo || *v > hi) {
        std::cerr << "kvgen: " << what << " must be a number from " << lo << " to " << hi
                  << ", not '" << text << "'\n";
        return std::nullopt;
    }
    return v;
}

constexpr double kMaxSeconds = 24 * 3600.0; // a day of records at most

} // namespace

int main(int argc, char** argv) {
    const std::string cmd = argc > 1 ? argv[1] : "";
    std::string error;
    if (cmd == "demo" && argc == 3) {
        error = kv::writeDemoSet(argv[2]);
    } else if (cmd == "dummy" && (argc == 3 || argc == 4)) {
        const auto hours = argc == 4 ? numberArg(argv[3], "HOURS", 0.001, 24) : 4.1;
        if (!hours) return 1;
        error = kv::writeSilenceMp3(argv[2], *hours * 3600.0);
    } else if (cmd == "recording" && argc == 5) {
        // kvgen recording BASE SECONDS wav|mp3|none
        const std::string base = argv[2];
        const auto secondsArg = numberArg(argv[3], "SECONDS", 0.1, kMaxSeconds);
        if (!secondsArg) return 1;
        const double seconds = *secondsArg;
        const std::string audio = argv[4];
        if (audio != "wav" && audio != "mp3" && audio != "none") {
            std::cerr << "kvgen: the sound must be wav, mp3 or none, not '" << audio << "'\n";
            return 1;
        }
        kv::DemoOptions o;
        o.records = static_cast<std::int32_t>(seconds * 50) + 1;
        std::optional<kv::DemoAudioFormat> format;
        if (audio != "none")
            format = audio == "wav" ? kv::DemoAudioFormat::Wav : kv::DemoAudioFormat::Mp3;
        error = kv::writeDemoRecording(base, kv::makeDemoRecords(o), seconds + 0.5, format);
    } else if (cmd == "falls" && argc >= 4 && argc <= 7) {
        // kvgen falls BASE SECONDS [NOISE [SEED [KNOB]]]: a recording with
        // known falls (noise in dial divisions); the falls go to standard
        // output as CSV.
        kv::FallOptions o;
        const auto seconds = numberArg(argv[3], "SECONDS", 0.1, kMaxSeconds);
        const auto noise = argc > 4 ? numberArg(argv[4], "NOISE", 0, 100) : 0.0;
        const auto seed = argc > 5 ? numberArg(argv[5], "SEED", 0, 4294967295.0) : 0.0;
        const auto knob = argc > 6 ? numberArg(argv[6], "KNOB", 0, 63) : 0.0;
        if (!seconds || !noise || !seed || !knob) return 1;
        if (*seed != std::floor(*seed) || *knob != std::floor(*knob)) {
            std::cerr << "kvgen: SEED and KNOB are whole numbers\n";
            return 1;
        }
        o.records = static_cast<std::int32_t>(*seconds * 50) + 1;
        if (argc > 4) o.noiseDivisions = *noise;
        if (argc > 5) o.seed = static_cast<std::uint32_t>(*seed);
        if (argc > 6) o.knobIndex = static_cast<int>(*knob);
        const kv::FallRecording made = kv::makeFallRecording(o);
        error = kv::writeKvdStaged(std::string(argv[2]) + ".kvd", made.records);
        if (error.empty()) {
            std::cout << "onset_record,peak_record,divisions\n";
            for (const kv::InsertedFall& f : made.falls)
                std::cout << f.onset + 1 << ',' << f.peak + 1 << ',' << f.divisions << '\n';
        }
    } else if (cmd == "series" && argc >= 4 && argc <= 6) {
        // kvgen series FOLDER COUNT [SECONDS [wav|none]]: sessions with a
        // known trend; what was put in each goes to standard output as CSV.
        kv::SeriesOptions o;
        const auto count = numberArg(argv[3], "COUNT", 1, 5000);
        const auto seconds = argc > 4 ? numberArg(argv[4], "SECONDS", 10, kMaxSeconds) : 600.0;
        if (!count || !seconds) return 1;
        if (*count != std::floor(*count)) {
            std::cerr << "kvgen: COUNT is a whole number\n";
            return 1;
        }
        const std::string audio = argc > 5 ? argv[5] : "wav";
        if (audio != "wav" && audio != "none") {
            std::cerr << "kvgen: the sound must be wav or none, not '" << audio << "'\n";
            return 1;
        }
        o.sessions = static_cast<int>(*count);
        o.seconds = *seconds;
        std::string table;
        error = kv::writeSeries(argv[2], o, audio == "wav", table);
        if (error.empty()) std::cout << table;
    } else {
        std::cerr << "usage: kvgen demo FOLDER | kvgen dummy FILE.mp3 [HOURS] | "
                     "kvgen recording BASE SECONDS wav|mp3|none |\n"
                     "       kvgen falls BASE SECONDS [NOISE [SEED [KNOB]]] |\n"
                     "       kvgen series FOLDER COUNT [SECONDS [wav|none]]\n";
        return 1;
    }
    std::cout.flush();
    if (error.empty() && !std::cout) error = "cannot write the standard output";
    if (!error.empty()) {
        std::cerr << "kvgen: " << error << "\n";
        return 1;
    }
    return 0;
}
