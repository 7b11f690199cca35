#include "frame_rate.h"

#include <engine/core/video_mode.h>

#include <cstdio>

double FrameRateHistory::addFrame(double now) {
    times[next] = now;
    next = (next + 1) % kSize;
    // The entry now at `next` is the oldest of the ten.
    return static_cast<double>(kSize) / (now - times[next]);
}

std::string formatFrameRate(double fps, const VideoMode* mode) {
    const int width = mode ? mode->getWidth() : 0;
    const int height = mode ? mode->getHeight() : 0;
    const int depth = mode ? mode->getColorDepth() : 0;
    char text[128];
    std::snprintf(text, sizeof text, "%.2f fps (%d x %d x %d)", fps, width, height, depth);
    return text;
}
