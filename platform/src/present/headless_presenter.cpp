#include "present/headless_presenter.h"

#include "present/frame_composer.h"
#include "present/frame_store.h"

#include <atomic>
#include <cstdio>

namespace platform::present {

bool composeAndStore(HWND window, const core::PixelView& primary,
                     const std::vector<core::OverlayView>& overlays, std::vector<DWORD>& pixels) {
    const bool ok = composeFrame(primary, overlays, pixels);
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

void HeadlessPresenter::present(HWND window, const core::PixelView& primary,
                                const std::vector<core::OverlayView>& overlays) {
    std::vector<DWORD> pixels;
    composeAndStore(window, primary, overlays, pixels);
}

}  // namespace platform::present
