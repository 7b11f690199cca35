#include "video/video_factory.h"

#include "driver_filter.h"
#include "thread/synchronized.h"
#include "video/video.h"

#include <engine/debug.h>

#include <memory>
#include <optional>

D3DVideoFactory* theD3DVideoFactory = nullptr;

namespace {

// Videos are made and destroyed between frames, as their images are drawn in
// them.
class DriverLock {
public:
    DriverLock() {
        if (theD3DRenderDriver)
            guard.emplace(static_cast<const thread::SynchronizedObject&>(*theD3DRenderDriver));
    }

private:
    std::optional<thread::Lock> guard;
};

}  // namespace

VideoInterface* D3DVideoFactory::create(const std::string& file) {
    DriverLock lock;
    auto video = std::make_unique<D3DVideo>(file);
    if (!video->isReady()) {
        DRIVER_FILTER << (debug::Warning(debug::Context("3d/driver/d3d/video/video", __LINE__))
                          << "Video '" << file << "' can't be played");
        return nullptr;
    }
    return video.release();
}

void D3DVideoFactory::destroy(VideoInterface* video) {
    DriverLock lock;
    delete video;
}
