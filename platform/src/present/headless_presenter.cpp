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
};

// Each window's last frame before the dialogs are drawn over it.
std::mutex baseMutex;
std::map<HWND, BaseFrame> baseFrames;

void keepBase(HWND window, DWORD width, DWORD height, const std::vector<DWORD>& pixels) {
    std::lock_guard<std::mutex> lock(baseMutex);
    baseFrames[window] = {width, height, pixels};
}

}  // namespace

bool redrawDialogs(HWND window, DWORD* width, DWORD* height, std::vector<DWORD>& pixels) {
    {
        std::lock_guard<std::mutex> lock(baseMutex);
        const auto it = baseFrames.find(window);
        if (it == baseFrames.end() || it->second.pixels.empty())
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

void HeadlessPresenter::present(HWND window, const core::PixelView& primary,
                                const std::vector<core::OverlayView>& overlays) {
    std::vector<DWORD> pixels;
    composeAndStore(window, primary, overlays, pixels);
}

}  // namespace platform::present
