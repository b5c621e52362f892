// TimeStretch: changes the tempo of a stream of float frames and keeps the
// pitch (SoundTouch's overlap-add stretcher). Frames go in at the source's
// rate and come out `tempo` times fewer; the tempo may change between calls
// and the stream goes on smoothly. Used by the feeder thread only; it
// allocates while it warms up, never in the device callback.
#pragma once

#include <cstddef>
#include <memory>

namespace soundtouch {
class SoundTouch;
}

namespace kv {

class TimeStretch {
public:
    TimeStretch(int sampleRate, int channels);
    ~TimeStretch();
    TimeStretch(const TimeStretch&) = delete;
    TimeStretch& operator=(const TimeStretch&) = delete;

    // Source frames per output frame: 2 plays twice as fast.
    void setTempo(double tempo);
    // Frames of `channels` interleaved samples.
    void put(const float* frames, std::size_t count);
    // Takes up to maxFrames stretched frames; returns how many were written.
    std::size_t take(float* out, std::size_t maxFrames);
    std::size_t ready() const;
    // The source has ended: lets the frames still held come out.
    void finish();
    // Forgets everything held (a new start).
    void clear();

private:
    std::unique_ptr<soundtouch::SoundTouch> m_st;
};

} // namespace kv
