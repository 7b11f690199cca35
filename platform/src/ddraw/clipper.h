// IDirectDrawClipper: a clip list of rectangles, or a window.
#pragma once

#include <ddraw.h>

#include <atomic>
#include <vector>

namespace platform::ddraw {

class Clipper final : public IDirectDrawClipper {
public:
    static Clipper* create();
    static Clipper* fromInterface(IDirectDrawClipper* clipper);

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, LPVOID* object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE GetClipList(LPRECT rect, LPRGNDATA clipList, LPDWORD size) override;
    HRESULT STDMETHODCALLTYPE GetHWnd(HWND* window) override;
    HRESULT STDMETHODCALLTYPE Initialize(IDirectDraw* dd, DWORD flags) override;
    HRESULT STDMETHODCALLTYPE IsClipListChanged(BOOL* changed) override;
    HRESULT STDMETHODCALLTYPE SetClipList(LPRGNDATA clipList, DWORD flags) override;
    HRESULT STDMETHODCALLTYPE SetHWnd(DWORD flags, HWND window) override;

    // For blits; callers hold ddrawMutex().
    bool hasClipList() const { return hasList_; }
    HWND window() const { return window_; }
    const std::vector<RECT>& rects() const { return rects_; }
    // The clip list in force: the list set, or the client area of the window
    // in screen coordinates (none when the window is gone or empty).
    std::vector<RECT> currentRects() const;
    // The window's client area in screen coordinates; false without a live window.
    bool windowClientRect(RECT* out) const;

private:
    Clipper() = default;
    ~Clipper() = default;

    std::atomic<ULONG> refs_{1};
    HWND window_ = nullptr;
    bool hasList_ = false;
    std::vector<RECT> rects_;
};

}  // namespace platform::ddraw
