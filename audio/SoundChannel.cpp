#include "SoundChannel.h"

#include "SafeFile.h"

#include "AudioCommand.h"
#include "SoundFile.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace kv {

struct SoundChannel::Device {
    std::string alias;
    std::string path;
    bool byteUnits = false;
    std::unique_ptr<SoundFile> info;
    std::unique_ptr<AudioOutput> output;
    std::int64_t winStart = 0;
    std::int64_t winEnd = 0;
    std::int64_t frame = 0; // where playback resumes, absolute
    std::int64_t playEnd = 0;
    Mode mode = Mode::Stopped;
};

namespace {

AudioReply error(int code, std::string text = {}) {
    return {code, text.empty() ? audioErrorText(code) : std::move(text)};
}

bool silenceRequested() {
    const char* v = std::getenv("KV_AUDIO");
    return v && std::strcmp(v, "silent") == 0;
}

} // namespace

SoundChannel::SoundChannel() : SoundChannel(Options{}) {}
SoundChannel::SoundChannel(Options options) : m_options(std::move(options)) {
    if (silenceRequested()) m_options.forceSilent = true;
}
SoundChannel::~SoundChannel() = default;

bool SoundChannel::isSilent() const {
    return m_dev && m_dev->output->silent();
}

std::int64_t SoundChannel::toFrames(std::int64_t units) const {
    if (m_dev->byteUnits) return units / std::max<std::int64_t>(1, m_dev->info->bytesPerFrame());
    return static_cast<std::int64_t>(
        std::nearbyint(static_cast<long double>(units) * m_dev->info->sampleRate() / 1000.0L));
}

std::int64_t SoundChannel::toUnits(std::int64_t frames) const {
    if (m_dev->byteUnits) return frames * m_dev->info->bytesPerFrame();
    return static_cast<std::int64_t>(
        std::nearbyint(static_cast<long double>(frames) * 1000.0L / m_dev->info->sampleRate()));
}

std::int64_t SoundChannel::clampToWindow(std::int64_t frame) const {
    return std::clamp(frame, m_dev->winStart, m_dev->winEnd);
}

std::int64_t SoundChannel::heardFrame() {
    Device& d = *m_dev;
    if (d.mode != Mode::Playing) return d.frame;
    const std::int64_t f = d.output->heardFrame();
    if (d.output->finished()) {
        d.output->halt();
        d.mode = Mode::Stopped;
        d.frame = f;
    }
    return f;
}

void SoundChannel::halt() {
    Device& d = *m_dev;
    if (d.mode == Mode::Playing) {
        d.frame = d.output->heardFrame();
        d.output->halt();
    }
    d.mode = Mode::Stopped;
}

AudioReply SoundChannel::open(const AudioCommand& c) {
    if (m_dev) return error(kAudioErrDuplicateAlias);
    std::error_code ec;
    if (!std::filesystem::is_regular_file(std::filesystem::u8path(c.path), ec))
        return error(kAudioErrFileNotFound, audioErrorText(kAudioErrFileNotFound) + " " + c.path);
    std::string why;
    auto info = SoundFile::open(c.path, &why);
    if (!info) return error(kAudioErrBadFile, audioErrorText(kAudioErrBadFile) + " " + why);
    auto dev = std::make_unique<Device>();
    dev->alias = c.alias;
    dev->path = c.path;
    dev->winEnd = info->frames();
    dev->output = makeOutput(c.path, info->sampleRate());
    dev->info = std::move(info);
    m_dev = std::move(dev);
    return {};
}

std::unique_ptr<AudioOutput> SoundChannel::makeOutput(const std::string& path, int sampleRate) {
    std::unique_ptr<AudioOutput> output;
    if (!m_options.forceSilent && m_options.devices.open) {
        bool fellBack = false;
        output = m_options.devices.open(path, m_device, &fellBack);
        if (fellBack && onNotice)
            onNotice("Output device \"" + m_device +
                     "\" not found: playing through the system default");
    }
    if (!output) output = makeSilentOutput(sampleRate, m_options.now);
    output->setSpeed(m_speed);
    output->setVolume(m_gain);
    return output;
}

void SoundChannel::setSpeed(double speed) {
    m_speed = std::clamp(speed, 0.5, 2.0);
    if (m_dev) m_dev->output->setSpeed(m_speed);
}

void SoundChannel::setVolume(double gain) {
    m_gain = std::clamp(gain, 0.0, 1.0);
    if (m_dev) m_dev->output->setVolume(m_gain);
}

// A new device takes over where the sound is, playing on if it played.
void SoundChannel::setOutputDevice(const std::string& name) {
    if (name == m_device) return;
    m_device = name;
    if (!m_dev) return;
    Device& d = *m_dev;
    const bool playing = d.mode == Mode::Playing;
    const std::int64_t at = heardFrame();
    d.output->halt();
    d.output.reset();
    d.output = makeOutput(d.path, d.info->sampleRate());
    if (playing && d.mode == Mode::Playing) d.output->start(at, d.playEnd);
}

std::vector<std::string> SoundChannel::outputDevices() {
    // Silent playback never opens a device: asking SDL would start its sound
    // system, whose device watcher then wakes every 100 ms for nothing.
    if (m_options.forceSilent || !m_options.devices.names) return {};
    return m_options.devices.names();
}

AudioReply SoundChannel::status(const std::string& item) {
    const Device& d = *m_dev;
    if (item == "position") return {kAudioOk, std::to_string(toUnits(heardFrame() - d.winStart))};
    if (item == "mode") {
        heardFrame();
        return {kAudioOk, d.mode == Mode::Playing  ? "playing"
                          : d.mode == Mode::Paused ? "paused"
                                                   : "stopped"};
    }
    if (item == "length") return {kAudioOk, std::to_string(toUnits(d.winEnd - d.winStart))};
    if (item == "samplespersec") return {kAudioOk, std::to_string(d.info->sampleRate())};
    if (item == "bitspersample") return {kAudioOk, std::to_string(d.info->bitsPerSample())};
    if (item == "channels") return {kAudioOk, std::to_string(d.info->channels())};
    if (item == "time format") return {kAudioOk, d.byteUnits ? "bytes" : "milliseconds"};
    if (item == "ready") return {kAudioOk, "true"};
    return error(kAudioErrUnsupported);
}

AudioReply SoundChannel::send(std::string_view line) {
    // The two questions playback asks for every record, in the plain form it
    // asks them, answered without the general parser (same answers).
    if (m_dev && line.starts_with("status ")) {
        const std::string_view rest = line.substr(7);
        const std::string& alias = m_dev->alias;
        if (rest.size() > alias.size() && rest.starts_with(alias) && rest[alias.size()] == ' ') {
            const std::string_view item = rest.substr(alias.size() + 1);
            if (item == "position" || item == "mode") return status(std::string(item));
        }
    }
    const ParsedCommand parsed = parseAudioCommand(line);
    if (!parsed.command) return error(parsed.error);
    const AudioCommand& c = *parsed.command;
    using V = AudioCommand::Verb;
    if (c.verb == V::Open) return open(c);
    if (!m_dev || c.alias != m_dev->alias) return error(kAudioErrInvalidDevice);
    Device& d = *m_dev;

    switch (c.verb) {
    case V::Open:
        break;
    case V::Close:
        halt();
        m_dev.reset();
        return {};
    case V::Set:
        d.byteUnits = c.item == "bytes";
        return {};
    case V::Status:
        return status(c.item);
    case V::Seek:
        halt();
        d.frame = c.seekToEnd     ? d.winEnd
                  : c.seekToStart ? d.winStart
                                  : clampToWindow(d.winStart + toFrames(*c.from));
        return {};
    case V::Play: {
        std::int64_t from = c.from ? clampToWindow(d.winStart + toFrames(*c.from)) : heardFrame();
        const std::int64_t to = c.to ? clampToWindow(d.winStart + toFrames(*c.to)) : d.winEnd;
        if (d.mode == Mode::Playing) d.output->halt();
        from = clampToWindow(from);
        d.output->start(from, to);
        d.playEnd = to;
        d.frame = from;
        d.mode = Mode::Playing;
        return {};
    }
    case V::Pause:
        if (d.mode == Mode::Playing) {
            halt();
            d.mode = Mode::Paused;
        }
        return {};
    case V::Resume:
        if (d.mode == Mode::Paused) {
            d.output->start(d.frame, d.winEnd);
            d.playEnd = d.winEnd;
            d.mode = Mode::Playing;
        }
        return {};
    case V::Stop:
        halt();
        return {};
    case V::Delete: {
        halt();
        const std::int64_t len = d.winEnd - d.winStart;
        const std::int64_t a = std::clamp<std::int64_t>(toFrames(c.from.value_or(0)), 0, len);
        const std::int64_t b = std::clamp<std::int64_t>(c.to ? toFrames(*c.to) : len, a, len);
        if (a == 0)
            d.winStart += b; // cut the head
        else if (b == len)
            d.winEnd = d.winStart + a; // cut the tail
        else
            return error(kAudioErrUnsupported,
                         "Only the start or the end of the sound can be deleted.");
        d.frame = clampToWindow(d.frame);
        return {};
    }
    case V::Save: {
        halt();
        // Writing over the open file would destroy the sound being saved.
        if (sameFile(c.path, d.path))
            return error(kAudioErrCannotWrite, audioErrorText(kAudioErrCannotWrite) +
                                                   " It is the file the channel has open.");
        if (const auto refused = checkReplaceable(resolveLinks(c.path), c.path))
            return error(kAudioErrCannotWrite,
                         audioErrorText(kAudioErrCannotWrite) + " " + refused->description);
        const std::string why = saveWavWindow(*d.info, d.winStart, d.winEnd, c.path);
        if (!why.empty())
            return error(kAudioErrCannotWrite, audioErrorText(kAudioErrCannotWrite) + " " + why);
        return {};
    }
    }
    return error(kAudioErrUnrecognizedCommand);
}

} // namespace kv
