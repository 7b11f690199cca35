#include "core/presenter.h"

#include <mutex>

namespace platform::core {
namespace {

// Keeps nothing on screen; frames only count. The SDL presenter replaces it
// when a display is there.
class HeadlessPresenter final : public Presenter {
public:
    void present(HWND, const PixelView&, const std::vector<OverlayView>&) override {
        std::lock_guard<std::mutex> lock(mutex_);
        ++frames_;
    }
    bool isHeadless() const override { return true; }

private:
    std::mutex mutex_;
    unsigned long frames_ = 0;
};

}  // namespace

Presenter& presenter() {
    static HeadlessPresenter headless;
    return headless;
}

}  // namespace platform::core
