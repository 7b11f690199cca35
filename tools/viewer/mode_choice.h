// Picking a video mode from the driver's list by its size.
#pragma once

#include "options.h"

#include <engine/core/video_mode.h>

#include <string>
#include <vector>

namespace viewer {

// The first full-screen mode of that width, height and depth, a hardware
// one if there is one; null when the list has none.
const VideoMode* findFullScreenMode(const std::vector<VideoMode*>& modes, const ModeSize& size);

// One line per full-screen mode: "  640x480x16 hardware  <name>".
std::string listFullScreenModes(const std::vector<VideoMode*>& modes);

std::string describeMode(const VideoMode& mode);

}  // namespace viewer
