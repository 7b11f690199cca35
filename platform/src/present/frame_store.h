// The frames the presenter was given (composited, 32-bit ARGB) and, with a
// display, what was read back from the window, for the testing API.
#pragma once

#include "platform/testing_input.h"

#include <atomic>
#include <memory>
#include <mutex>

namespace platform::present {

class FrameCopy;

class FrameStore {
public:
    void storePresented(HWND window, DWORD width, DWORD height, std::vector<DWORD> pixels);
    // A frame composed only when it is read.
    void storePresented(HWND window, DWORD width, DWORD height,
                        std::shared_ptr<const FrameCopy> frame);
    void storeReadback(HWND window, DWORD width, DWORD height, std::vector<DWORD> pixels);
    testing::PresentedFrame lastPresented() const;
    testing::PresentedFrame lastReadback() const;
    unsigned long presentedCount() const;
    void setReadback(bool enabled) { readback_ = enabled; }
    bool readback() const { return readback_; }

private:
    mutable std::mutex mutex_;
    mutable testing::PresentedFrame presented_;
    mutable std::shared_ptr<const FrameCopy> uncomposed_;  // of presented_
    testing::PresentedFrame readbackFrame_;
    unsigned long count_ = 0;
    std::atomic<bool> readback_{false};
};

FrameStore& frameStore();

}  // namespace platform::present
