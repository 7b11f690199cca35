// Shows the primary surface in SDL2 windows, one per top-level window that
// presents, and turns SDL events into that window's messages. SDL is used
// only on the thread that presented first (SDL's rule for video); frames
// presented from other threads are shown when that thread next pumps.
#pragma once

#include "core/presenter.h"

#include <SDL.h>

#include <map>
#include <mutex>
#include <optional>

namespace platform::present {

class SdlPresenter final : public core::Presenter {
public:
    ~SdlPresenter() override;

    void present(HWND window, const core::PixelView& primary,
                 const std::vector<core::OverlayView>& overlays) override;
    // Headless too once the window could not be shown: the frames are then
    // kept in memory only.
    bool isHeadless() const override;
    void pumpEvents() override;
    std::chrono::milliseconds pollInterval() const override;
    void windowDestroyed(HWND window) override;
    void refresh(HWND window) override;
    void cursorMoved(POINT screen) override;
    void cursorVisibilityChanged(bool visible) override;
    int messageBox(const std::string& text, const std::string& caption, unsigned type) override;

    // How often an SDL window was given a new size (a full-screen window is
    // sized once and the frame scaled to it).
    int windowResizes() const;

private:
    struct Display {
        SDL_Window* window = nullptr;
        SDL_Renderer* renderer = nullptr;
        SDL_Texture* texture = nullptr;
        int textureWidth = 0;
        int textureHeight = 0;
        int width = 0;  // the size last asked for
        int height = 0;
    };
    struct Frame {
        HWND window = nullptr;
        DWORD width = 0;
        DWORD height = 0;
        std::vector<DWORD> pixels;
    };

    bool ensureVideo();
    Display* createDisplay(HWND window, int width, int height);
    void displayFailed(const char* what);
    bool onSdlThread() const;
    void show(const Frame& frame);
    Display* displayFor(HWND window, int width, int height);
    void destroyDisplay(HWND window);
    void applyPendingWork();
    void handleEvent(const SDL_Event& event);
    HWND windowForId(Uint32 id);

    mutable std::mutex mutex_;
    bool videoReady_ = false;
    bool videoFailed_ = false;  // no video, or no window could be shown
    DWORD sdlThread_ = 0;
    std::map<HWND, Display> displays_;
    std::optional<Frame> pending_;
    std::vector<HWND> toDestroy_;
    std::optional<POINT> warp_;
    std::optional<bool> cursorVisible_;
    int windowResizes_ = 0;
};

}  // namespace platform::present
