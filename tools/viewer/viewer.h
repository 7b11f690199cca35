// d3dview's work: load the driver, set a video mode, draw, take shots.
#pragma once

#include "options.h"

#include <ostream>

namespace viewer {

// Headless runs without --frames draw this many.
constexpr int defaultHeadlessFrames = 100;

// Returns the process exit code: 0 on success, 1 after printing why not.
int run(const Options& options, std::ostream& out, std::ostream& err);

}  // namespace viewer
