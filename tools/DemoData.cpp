#include "DemoData.h"

#include "KvdFile.h"
#include "MeterModel.h"
#include "SafeFile.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <numbers>
#include <random>

namespace kv {
namespace {

constexpr double kPi = std::numbers::pi;

} // namespace

std::vector<SampleRecord> makeDemoRecords(const DemoOptions& o) {
    std::mt19937 rng(o.seed);
    std::normal_distribution<double> noise(0.0, 3.0);
    std::vector<SampleRecord> out(static_cast<std::size_t>(std::max(0, o.records)));

    // The recorded needle, Base, counter, knob and lamp come from the meter
    // model running as the instrument does, with a few knob turns and dial
    // changes along the way.
    double now = 0;
    MeterModel meter([&now] { return now; });
    meter.startUp();
    meter.Override = true;
    meter.NeedleBdEnable = true;
    meter.BdEnabled = true;
    std::uint16_t tag = 0;
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double t = static_cast<double>(i) * 0.02;
        // Slow drift, a fall every 23 s that recovers, and short spikes.
        double raw =
            30000 + 6000 * std::sin(2 * kPi * t / 97.0) + 1500 * std::sin(2 * kPi * t / 13.0);
        const double phase = std::fmod(t, 23.0);
        if (phase > 8.0)
            raw -= 2500 * std::exp(-(phase - 8.0) / 3.0) * std::min(1.0, (phase - 8.0) * 4);
        const double spike = std::fmod(t + 11.0, 41.0);
        if (spike < 0.4) raw += 9000 * std::sin(kPi * spike / 0.4);
        raw = std::clamp(raw + noise(rng), 0.0, 65535.0);

        const int cycle = static_cast<int>(std::fmod(t, 180.0));
        meter.KnobIndex = cycle < 60 ? 8 : cycle < 120 ? 14 : 5;
        const int dial = cycle >= 130 && cycle < 150 ? 2 : cycle >= 150 && cycle < 160 ? 0 : 1;
        if (dial != meter.DialType) {
            meter.DialType = dial;
            meter.ResetPending = true;
        }

        SampleRecord& r = out[i];
        r.TimeMs = static_cast<std::int32_t>(i * 20);
        r.RawReading = static_cast<std::uint16_t>(raw);
        now = r.TimeMs / 1000.0;
        meter.fireDueTimers();
        meter.CurrentRecord = r;
        meter.Process_Sample();
        const std::int32_t needle = meter.computeDeflection();
        meter.ResetPending = false;

        r.NeedlePos = static_cast<std::int16_t>(std::clamp(needle, -32768, 32767));
        r.BdCount = static_cast<std::int16_t>(meter.BdTotal / 4);
        r.BaseCode = meter.LastBaseCode;
        r.SensIndex = static_cast<std::uint8_t>(meter.KnobIndex);
        r.StatusFlags = static_cast<std::uint8_t>(
            static_cast<int>(meter.LampColor) | (meter.FreezeActive ? 0x04 : 0) |
            (meter.BdEnabled ? 0x08 : 0) | (meter.DialType << 5));
        r.RecordType = 'O';
        if (o.tagEverySecs > 0 && i > 2 && i % static_cast<std::size_t>(o.tagEverySecs * 50) == 0) {
            ++tag;
            r.MarkType = 'T';
            r.MarkData = {static_cast<std::uint8_t>(tag & 0xFF),
                          static_cast<std::uint8_t>(tag >> 8), 0, 0};
            r.RecordType = 'T';
        }
    }
    if (!out.empty()) {
        out[0].MarkType = 'C';
        out[0].MarkData = {0, static_cast<std::uint8_t>((o.clockStartSecs >> 16) & 0xFF),
                           static_cast<std::uint8_t>((o.clockStartSecs >> 8) & 0xFF),
                           static_cast<std::uint8_t>(o.clockStartSecs & 0xFF)};
        out[0].RecordType = 'P';
    }
    if (out.size() > 1) {
        out[1].MarkType = 'D';
        out[1].MarkData = {0, 0, static_cast<std::uint8_t>((o.dayNumber >> 8) & 0xFF),
                           static_cast<std::uint8_t>(o.dayNumber & 0xFF)};
        out[1].RecordType = 'P';
    }
    return out;
}

namespace {

std::string writeSoundTo(const std::string& path, double seconds, int format, int rate,
                         int channels, bool ticks, double compression) {
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = format;
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!f) return std::string("cannot write ") + path + ": " + sf_strerror(nullptr);
    if ((format & SF_FORMAT_TYPEMASK) == SF_FORMAT_MPEG) {
        int mode = SF_BITRATE_MODE_CONSTANT;
        sf_command(f, SFC_SET_BITRATE_MODE, &mode, sizeof mode);
        sf_command(f, SFC_SET_COMPRESSION_LEVEL, &compression, sizeof compression);
    }
    const auto total = static_cast<std::int64_t>(seconds * rate);
    std::vector<float> block(4096 * static_cast<std::size_t>(channels));
    std::string error;
    for (std::int64_t first = 0; first < total && error.empty(); first += 4096) {
        const std::int64_t n = std::min<std::int64_t>(4096, total - first);
        for (std::int64_t k = 0; k < n; ++k) {
            float v = 0;
            if (ticks) {
                const double t = static_cast<double>(first + k) / rate;
                const double intoTick = std::fmod(t, 5.0);
                v = static_cast<float>(0.04 * std::sin(2 * kPi * 140 * t) *
                                       (0.6 + 0.4 * std::sin(2 * kPi * 0.7 * t)));
                if (intoTick < 0.03)
                    v = static_cast<float>(0.8 * std::sin(2 * kPi * 1000 * intoTick));
            }
            for (int c = 0; c < channels; ++c)
                block[static_cast<std::size_t>(k * channels + c)] = v;
        }
        if (sf_writef_float(f, block.data(), n) != n || sf_error(f) != SF_ERR_NO_ERROR)
            error = std::string("write failed: ") + sf_strerror(f);
    }
    // The encoder writes its last frames and its header when the file closes.
    if (sf_close(f) != 0 && error.empty()) error = "write failed while closing the file";
    return error;
}

std::string writeSound(const std::string& path, double seconds, int format, int rate, int channels,
                       bool ticks, double compression) {
    StagedFile file(path);
    if (!file.error().empty()) return file.error();
    const std::string error =
        writeSoundTo(file.temp(), seconds, format, rate, channels, ticks, compression);
    if (!error.empty()) return "cannot write " + path + ": " + error;
    return file.commit();
}

} // namespace

StagedFile::StagedFile(const std::string& target)
    : m_target(target), m_real(resolveLinks(std::filesystem::u8path(target))) {
    if (const auto refused = checkReplaceable(m_real, target)) {
        m_error = "cannot write " + target + ": " + refused->description;
        return;
    }
    m_temp = temporaryBeside(m_real).string();
}

StagedFile::~StagedFile() {
    std::error_code ec;
    if (!m_temp.empty() && !m_committed) std::filesystem::remove(m_temp, ec);
}

std::string StagedFile::commit() {
    if (!m_error.empty()) return m_error;
    std::error_code ec;
    if (!syncFile(m_temp)) return "cannot write " + m_target + ": it could not be flushed to the disk";
    std::filesystem::rename(m_temp, m_real, ec);
    if (ec) return "cannot write " + m_target + ": " + ec.message();
    m_committed = true;
    syncFolder(m_real.parent_path());
    return "";
}

std::string writeKvdStaged(const std::string& path, const std::vector<SampleRecord>& records) {
    StagedFile file(path);
    if (!file.error().empty()) return file.error();
    if (const auto e = writeKvdFile(file.temp(), records, {}, path)) return e->description;
    return file.commit();
}

std::string writeDemoRecording(const std::string& base, const std::vector<SampleRecord>& records,
                               double seconds, std::optional<DemoAudioFormat> format,
                               int sampleRate) {
    // Both files are written whole before either takes its name: a failure
    // leaves neither behind.
    StagedFile data(base + ".kvd");
    if (!data.error().empty()) return data.error();
    if (const auto e = writeKvdFile(data.temp(), records, {}, base + ".kvd")) return e->description;
    if (!format) return data.commit();
    const bool wav = *format == DemoAudioFormat::Wav;
    const std::string soundPath = base + (wav ? ".wav" : ".mp3");
    StagedFile sound(soundPath);
    if (!sound.error().empty()) return sound.error();
    const std::string error = writeSoundTo(sound.temp(), seconds,
                                           wav ? (SF_FORMAT_WAV | SF_FORMAT_PCM_16)
                                               : (SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III),
                                           sampleRate, 1, true, 0.5);
    if (!error.empty()) return "cannot write " + soundPath + ": " + error;
    if (std::string e = data.commit(); !e.empty()) return e;
    return sound.commit();
}

std::string writeDemoAudio(const std::string& path, double seconds, DemoAudioFormat format,
                           int sampleRate, int channels) {
    const int sfFormat = format == DemoAudioFormat::Wav
                             ? (SF_FORMAT_WAV | SF_FORMAT_PCM_16)
                             : (SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III);
    return writeSound(path, seconds, sfFormat, sampleRate, channels, true, 0.5);
}

std::string writeSilenceMp3(const std::string& path, double seconds) {
    return writeSound(path, seconds, SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III, 16000, 1, false,
                      1.0);
}

std::string writeDemoSet(const std::string& folder) {
    struct Item {
        const char* name;
        DemoAudioFormat format;
        std::uint32_t seed;
    };
    for (const Item& item :
         {Item{"demo001", DemoAudioFormat::Wav, 1}, Item{"demo002", DemoAudioFormat::Mp3, 2}}) {
        DemoOptions o;
        o.seed = item.seed;
        o.clockStartSecs += item.seed * 600;
        const auto records = makeDemoRecords(o);
        const std::string base = folder + "/" + item.name;
        const double seconds = records.back().TimeMs / 1000.0 + 0.5;
        if (std::string err = writeDemoRecording(base, records, seconds, item.format); !err.empty())
            return err;
    }
    return "";
}

} // namespace kv
