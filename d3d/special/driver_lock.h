// The driver lock for device work asked for on the engine's thread (loading
// a texture, making a shared buffer): it waits for the frame in progress.
// Taken again on the render thread inside a frame, it just counts.
#pragma once

#include "driver.h"
#include "thread/synchronized.h"

#include <optional>

namespace special {

class DriverLock {
public:
    DriverLock() {
        if (theD3DRenderDriver)
            guard.emplace(static_cast<const thread::SynchronizedObject&>(*theD3DRenderDriver));
    }

private:
    std::optional<thread::Lock> guard;
};

}  // namespace special
