#include "TimeStretch.h"

#include <SoundTouch.h>

#include <type_traits>

namespace kv {

static_assert(std::is_same_v<soundtouch::SAMPLETYPE, float>,
              "the feeder hands SoundTouch float samples");

TimeStretch::TimeStretch(int sampleRate, int channels)
    : m_st(std::make_unique<soundtouch::SoundTouch>()) {
    m_st->setSampleRate(static_cast<unsigned>(sampleRate));
    m_st->setChannels(static_cast<unsigned>(channels));
    // Speech: shorter sequences keep syllables crisp; the quick seek halves
    // the work with no audible difference on voice.
    m_st->setSetting(SETTING_SEQUENCE_MS, 40);
    m_st->setSetting(SETTING_SEEKWINDOW_MS, 15);
    m_st->setSetting(SETTING_OVERLAP_MS, 8);
    m_st->setSetting(SETTING_USE_QUICKSEEK, 1);
    m_st->setTempo(1.0);
}

TimeStretch::~TimeStretch() = default;

void TimeStretch::setTempo(double tempo) {
    m_st->setTempo(tempo);
}

void TimeStretch::put(const float* frames, std::size_t count) {
    m_st->putSamples(frames, static_cast<unsigned>(count));
}

std::size_t TimeStretch::take(float* out, std::size_t maxFrames) {
    return m_st->receiveSamples(out, static_cast<unsigned>(maxFrames));
}

std::size_t TimeStretch::ready() const {
    return m_st->numSamples();
}

void TimeStretch::finish() {
    m_st->flush();
}

void TimeStretch::clear() {
    m_st->clear();
}

} // namespace kv
