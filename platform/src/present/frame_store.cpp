#include "present/frame_store.h"

#include "core/presenter.h"
#include "present/frame_composer.h"

namespace platform::present {

void FrameStore::storePresented(HWND window, DWORD width, DWORD height, std::vector<DWORD> pixels) {
    std::lock_guard<std::mutex> lock(mutex_);
    presented_.window = window;
    presented_.width = width;
    presented_.height = height;
    presented_.pixels = std::move(pixels);
    presented_.number = ++count_;
    uncomposed_.reset();
}

void FrameStore::storePresented(HWND window, DWORD width, DWORD height,
                                std::shared_ptr<const FrameCopy> frame) {
    std::lock_guard<std::mutex> lock(mutex_);
    presented_.window = window;
    presented_.width = width;
    presented_.height = height;
    presented_.pixels.clear();
    presented_.number = ++count_;
    uncomposed_ = std::move(frame);
}

void FrameStore::storeReadback(HWND window, DWORD width, DWORD height, std::vector<DWORD> pixels) {
    std::lock_guard<std::mutex> lock(mutex_);
    readbackFrame_.window = window;
    readbackFrame_.width = width;
    readbackFrame_.height = height;
    readbackFrame_.pixels = std::move(pixels);
    readbackFrame_.number = count_;
}

testing::PresentedFrame FrameStore::lastPresented() const {
    std::lock_guard<std::mutex> lock(mutex_);
    if (uncomposed_) {
        uncomposed_->compose(presented_.pixels);
        uncomposed_.reset();
    }
    return presented_;
}

testing::PresentedFrame FrameStore::lastReadback() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return readbackFrame_;
}

unsigned long FrameStore::presentedCount() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return count_;
}

FrameStore& frameStore() {
    static FrameStore store;
    return store;
}

}  // namespace platform::present

namespace platform::testing {

PresentedFrame lastPresentedFrame() {
    return present::frameStore().lastPresented();
}

unsigned long presentedFrameCount() {
    return present::frameStore().presentedCount();
}

bool presenterIsHeadless() {
    return core::presenter().isHeadless();
}

void setScreenReadback(bool enabled) {
    present::frameStore().setReadback(enabled);
}

PresentedFrame lastScreenReadback() {
    return present::frameStore().lastReadback();
}

}  // namespace platform::testing
