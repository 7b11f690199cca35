#include "present/headless_presenter.h"

#include "present/frame_composer.h"
#include "present/frame_store.h"
#include "user/dialog_painter.h"

#include <map>
#include <mutex>

#include <atomic>
#include <cstdio>

namespace platform::present {

namespace {

struct BaseFrame {
    DWORD width = 0;
    DWORD height = 0;
    std::vector<DWORD> pixels;
    std::shared_ptr<const FrameCopy> uncomposed;  // of pixels
};

// Each window's last frame before the dialogs are drawn over it.
std::mutex baseMutex;
std::map<HWND, BaseFrame> baseFrames;

void keepBase(HWND window, DWORD width, DWORD height, const std::vector<DWORD>& pixels) {
    std::lock_guard<std::mutex> lock(baseMutex);
    baseFrames[window] = {width, height, pixels, nullptr};
}

void keepBase(HWND window, DWORD width, DWORD height, std::shared_ptr<const FrameCopy> frame) {
    std::lock_guard<std::mutex> lock(baseMutex);
    baseFrames[window] = {width, height, {}, std::move(frame)};
}

}  // namespace

bool redrawDialogs(HWND window, DWORD* width, DWORD* height, std::vector<DWORD>& pixels) {
    {
        std::lock_guard<std::mutex> lock(baseMutex);
        const auto it = baseFrames.find(window);
        if (it == baseFrames.end())
            return false;
        if (it->second.uncomposed) {
            it->second.uncomposed->compose(it->second.pixels);
            it->second.uncomposed.reset();
        }
        if (it->second.pixels.empty())
            return false;
        *width = it->second.width;
        *height = it->second.height;
        pixels = it->second.pixels;
    }
    user::paintDialogsOver(window, *width, *height, pixels);
    frameStore().storePresented(window, *width, *height, pixels);
    return true;
}

bool composeAndStore(HWND window, const core::PixelView& primary,
                     const std::vector<core::OverlayView>& overlays, std::vector<DWORD>& pixels) {
    const bool ok = composeFrame(primary, overlays, pixels);
    if (ok) {
        keepBase(window, primary.width, primary.height, pixels);
        user::paintDialogsOver(window, primary.width, primary.height, pixels);
    }
    if (!ok) {
        static std::atomic<bool> warned{false};
        if (!warned.exchange(true))
            std::fprintf(
                stderr, "presenter: cannot show a primary surface of %u bits (fourCC 0x%08x)\n",
                static_cast<unsigned>(primary.bitCount), static_cast<unsigned>(primary.fourCC));
    }
    frameStore().storePresented(window, primary.width, primary.height, pixels);
    return ok;
}

void HeadlessPresenter::refresh(HWND window) {
    DWORD width = 0, height = 0;
    std::vector<DWORD> pixels;
    redrawDialogs(window, &width, &height, pixels);
}

// Composing costs a headless frame more than anything but drawing it, so a
// frame is kept as a copy and composed when read; a frame with dialogs over
// it is composed at once, as the dialogs look now.
void HeadlessPresenter::present(HWND window, const core::PixelView& primary,
                                const std::vector<core::OverlayView>& overlays) {
    if (!canCompose(primary) || user::dialogsShownOver(window)) {
        std::vector<DWORD> pixels;
        composeAndStore(window, primary, overlays, pixels);
        return;
    }
    auto frame = std::make_shared<const FrameCopy>(primary, overlays);
    keepBase(window, primary.width, primary.height, frame);
    frameStore().storePresented(window, primary.width, primary.height, std::move(frame));
}

}  // namespace platform::present
