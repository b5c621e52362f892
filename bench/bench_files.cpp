// Benchmarks of the file work: loading and saving long recordings compared
// with plain reading and writing of the same bytes, opening long audio files,
// and resident memory while long audio is opened, played and saved.
#include "AudioCommand.h"
#include "DemoData.h"
#include "KvdFile.h"
#include "RecordingFakeChannel.h"
#include "RecordingLoader.h"
#include "SoundChannel.h"
#include "SoundDevice.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point t0) {
    return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
}

template <typename F> double bestOf(int runs, F&& f) {
    double best = 1e300;
    for (int i = 0; i < runs; ++i) {
        const auto t0 = Clock::now();
        f();
        best = std::min(best, msSince(t0));
    }
    return best;
}

long residentKb() {
    std::ifstream statm("/proc/self/statm");
    long size = 0, resident = 0;
    statm >> size >> resident;
    return resident * sysconf(_SC_PAGESIZE) / 1024;
}

std::vector<char> plainRead(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    std::fseek(f, 0, SEEK_END);
    std::vector<char> data(static_cast<std::size_t>(std::ftell(f)));
    std::rewind(f);
    if (std::fread(data.data(), 1, data.size(), f) != data.size()) std::perror("read");
    std::fclose(f);
    return data;
}

void plainWrite(const std::string& path, const std::vector<char>& data) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(data.data(), 1, data.size(), f);
    std::fclose(f);
}

void recordingBench(const std::string& dir, const char* label, int records) {
    kv::DemoOptions o;
    o.records = records;
    const auto recs = kv::makeDemoRecords(o);
    const std::string base = dir + "/bench_" + label;
    kv::writeKvdFile(base + ".kvd", recs);
    std::ofstream(base + ".mp3") << "ID3";

    kv::RecordingFakeChannel audio;
    const double load = bestOf(5, [&] { kv::Load_File({base, true, ""}, audio, {}); });
    const double read = bestOf(5, [&] { plainRead(base + ".kvd"); });
    const double save = bestOf(5, [&] { kv::writeKvdFile(base + "_copy.kvd", recs); });
    const auto bytes = plainRead(base + ".kvd");
    const double write = bestOf(5, [&] { plainWrite(base + "_plain.kvd", bytes); });
    std::printf(
        "recording %-4s records=%d load_ms=%.2f plain_read_ms=%.2f load_ratio=%.2f save_ms=%.2f "
        "plain_write_ms=%.2f save_ratio=%.2f\n",
        label, records, load, read, load / read, save, write, save / write);
}

void audioBench(const std::string& dir, const char* label, double seconds) {
    for (const auto& [ext, format, type] :
         {std::tuple{".wav", kv::DemoAudioFormat::Wav, "waveaudio"},
          std::tuple{".mp3", kv::DemoAudioFormat::Mp3, "mpegvideo"}}) {
        const std::string path = dir + "/audio_" + label + ext;
        if (!std::filesystem::exists(path)) kv::writeDemoAudio(path, seconds, format);
        const long before = residentKb();
        kv::SoundChannel channel(kv::SoundChannel::Options{false, {}, kv::sdlDeviceOutputs()});
        const auto t0 = Clock::now();
        channel.send("open " + kv::quoteCommandWord(path) + " type " + type + " alias WavFile");
        const double openMs = msSince(t0);
        const std::string length = channel.send("status WavFile length").text;
        channel.send("seek WavFile to 1000");
        channel.send("play WavFile");
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        const long playing = residentKb();
        channel.send("delete WavFile from 0 to 1000");
        channel.send("save WavFile \"" + dir + "/saved_" + label + ".wav\" wait");
        const long afterSave = residentKb();
        channel.send("close WavFile");
        std::printf("audio %-4s %s open_ms=%.1f length=%s rss_growth_playing_kb=%ld "
                    "rss_growth_after_save_kb=%ld "
                    "silent=%d\n",
                    label, ext, openMs, length.c_str(), playing - before, afterSave - before,
                    std::getenv("KV_AUDIO") ? 1 : 0);
    }
}

} // namespace

int main() {
    const std::string dir = std::filesystem::temp_directory_path() / "kv_bench";
    std::filesystem::create_directories(dir);
    recordingBench(dir, "1h", 180000);
    recordingBench(dir, "10h", 1800000);
    audioBench(dir, "1min", 60);
    audioBench(dir, "1h", 3600);
    std::filesystem::remove_all(dir);
    return 0;
}
