// Keeps each presented frame in memory, for tests and screen-less runs.
#pragma once

#include "core/presenter.h"

namespace platform::present {

class HeadlessPresenter final : public core::Presenter {
public:
    void present(HWND window, const core::PixelView& primary,
                 const std::vector<core::OverlayView>& overlays) override;
    bool isHeadless() const override { return true; }
    void refresh(HWND window) override;
};

// Composes the frame and stores a copy; false when the format is unreadable
// (the frame still counts, with no pixels).
bool composeAndStore(HWND window, const core::PixelView& primary,
                     const std::vector<core::OverlayView>& overlays, std::vector<DWORD>& pixels);

// The window's last composed frame with its dialogs drawn over it again, and
// stored; false when the window presented no frame yet.
bool redrawDialogs(HWND window, DWORD* width, DWORD* height, std::vector<DWORD>& pixels);

}  // namespace platform::present
