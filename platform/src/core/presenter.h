// The presenter puts the primary surface on the screen (an SDL2 window) or
// keeps it in memory (headless). DirectDraw hands it each finished frame; the
// window system lets it pump display events on the thread that owns them.
#pragma once

#include <windef.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

namespace platform::core {

// A view of pixels owned by someone else, valid for the duration of a call.
struct PixelView {
    const BYTE* pixels = nullptr;
    LONG pitch = 0;
    DWORD width = 0;
    DWORD height = 0;
    DWORD bitCount = 0;  // 16 or 32 for RGB; 16 for the YUV formats
    DWORD redMask = 0, greenMask = 0, blueMask = 0, alphaMask = 0;
    DWORD fourCC = 0;  // non-zero for YUV ("UYVY", "YUY2")
};

struct OverlayView {
    PixelView source;
    RECT sourceRect{};
    RECT destRect{};            // in primary-surface coordinates
    bool destColorKey = false;  // draw only where the primary matches the key
    DWORD colorKeyLow = 0, colorKeyHigh = 0;
};

class PLATFORM_API Presenter {
public:
    virtual ~Presenter() = default;
    // Shows a finished frame of the primary surface with the visible overlays on top.
    virtual void present(HWND window, const PixelView& primary,
                         const std::vector<OverlayView>& overlays) = 0;
    virtual bool isHeadless() const = 0;

    // Turns pending display events into window messages; does something only
    // on the thread that owns the display window.
    virtual void pumpEvents() {}
    // How long a thread waiting for messages may sleep before pumping again
    // (zero: it can wait until a message arrives).
    virtual std::chrono::milliseconds pollInterval() const { return std::chrono::milliseconds(0); }
    virtual void windowDestroyed(HWND) {}
    // Shows the window's last frame again with the modal dialogs over it
    // drawn anew (they changed, and no new frame comes while they run).
    virtual void refresh(HWND) {}
    virtual void cursorMoved(POINT) {}
    virtual void cursorVisibilityChanged(bool) {}
    // Shows a message box and returns the button pressed, or 0 when this
    // presenter cannot show one.
    virtual int messageBox(const std::string&, const std::string&, unsigned) { return 0; }
};

// The process's presenter: headless when there is no display or
// D3DDRIVER_HEADLESS=1, else an SDL2 window.
PLATFORM_API Presenter& presenter();

}  // namespace platform::core
