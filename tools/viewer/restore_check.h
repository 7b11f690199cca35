// The restore check: a still scene must look the same after a change of
// video mode and after the application has lost and regained the
// foreground, which both take every surface, texture and material away from
// the device and make them again.
#pragma once

#include <engine/core/video_mode.h>

#include <functional>
#include <ostream>

class RenderDriver;

namespace viewer {

struct RestoreCheckResult {
    int modeChangeDifferences = 0;  // pixels that differ after the mode change
    int taskSwitchDifferences = 0;  // ... and after the task switch
    bool same() const { return modeChangeDifferences == 0 && taskSwitchDifferences == 0; }
};

// drawFrames(n) must draw n frames of the still scene. Throws
// std::runtime_error when a step cannot be carried out (no screen shooter,
// frames not drawn).
RestoreCheckResult runRestoreCheck(RenderDriver& driver, const VideoMode& mode,
                                   const std::function<void(int)>& drawFrames);

void reportRestoreCheck(const RestoreCheckResult& result, std::ostream& out);

}  // namespace viewer
