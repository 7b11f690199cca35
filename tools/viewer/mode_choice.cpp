#include "mode_choice.h"

namespace viewer {
namespace {

bool hasSize(const VideoMode& mode, const ModeSize& size) {
    return mode.getWidth() == size.width && mode.getHeight() == size.height &&
           mode.getColorDepth() == size.depth;
}

std::string sizeOf(const VideoMode& mode) {
    return modeSizeText({mode.getWidth(), mode.getHeight(), mode.getColorDepth()});
}

const char* orEmpty(const char* text) {
    return text ? text : "";
}

}  // namespace

const VideoMode* findFullScreenMode(const std::vector<VideoMode*>& modes, const ModeSize& size) {
    const VideoMode* software = nullptr;
    for (const VideoMode* mode : modes) {
        if (!mode || mode->isWindowed() || !hasSize(*mode, size))
            continue;
        if (mode->isHardware())
            return mode;
        if (!software)
            software = mode;
    }
    return software;
}

std::string listFullScreenModes(const std::vector<VideoMode*>& modes) {
    std::string lines;
    for (const VideoMode* mode : modes) {
        if (!mode || mode->isWindowed())
            continue;
        lines += "  " + sizeOf(*mode) + (mode->isHardware() ? " hardware  " : " software  ") +
                 orEmpty(mode->getName()) + "\n";
    }
    return lines.empty() ? "  (none)\n" : lines;
}

std::string describeMode(const VideoMode& mode) {
    return std::string(orEmpty(mode.getName())) + " (" + sizeOf(mode) + ", " +
           (mode.isHardware() ? "hardware" : "software") + ", " +
           (mode.isWindowed() ? "windowed" : "full screen") + ")";
}

}  // namespace viewer
