// The frame-rate line drawn at the end of a frame.
#pragma once

#include <array>
#include <cstddef>
#include <string>

class VideoMode;

// The times of the last ten frames. The rate is ten frames over the time
// since the oldest stamp, so until the ring is full it is measured against
// the initial zeros.
class FrameRateHistory {
public:
    static constexpr std::size_t kSize = 10;

    // Records `now` (seconds) and answers frames per second over the last
    // ten frames. Two equal times give an infinite rate, not a fault.
    double addFrame(double now);

private:
    std::array<double, kSize> times{};
    std::size_t next = 0;
};

// "<fps> fps (<width> x <height> x <depth>)"; a null mode reads 0 x 0 x 0.
std::string formatFrameRate(double fps, const VideoMode* mode);
