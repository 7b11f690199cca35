#include "present/sdl_presenter.h"

#include "present/frame_store.h"
#include "present/headless_presenter.h"
#include "present/sdl_keymap.h"
#include "user/user_state.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

// Xlib's handler for a broken display connection; declared here rather than
// through Xlib.h, whose macros (None, Bool, Status) collide with other names.
extern "C" {
struct _XDisplay;
using XIOErrorHandler = int (*)(_XDisplay*);
XIOErrorHandler XSetIOErrorHandler(XIOErrorHandler handler);
}

namespace platform::present {
namespace {

bool fullScreen(SDL_Window* window) {
    return (SDL_GetWindowFlags(window) & SDL_WINDOW_FULLSCREEN) != 0;
}

bool fullScreenWanted() {
    const char* value = std::getenv("D3DDRIVER_FULLSCREEN");
    return value && std::strcmp(value, "1") == 0;
}

// The part of the primary surface a window shows: its client area on the
// screen, clipped to the surface.
RECT visibleRegion(HWND window, DWORD width, DWORD height) {
    const RECT whole{0, 0, static_cast<LONG>(width), static_cast<LONG>(height)};
    if (!window || !IsWindow(window))
        return whole;
    RECT client{};
    GetClientRect(window, &client);
    POINT origin{0, 0};
    ClientToScreen(window, &origin);
    OffsetRect(&client, origin.x, origin.y);
    RECT region{};
    IntersectRect(&region, &client, &whole);
    return region;
}

// Xlib calls this when the display connection breaks, and ends the process
// when it returns. Ending at once, without the exit handlers, is the only
// safe way: the thread that met the error may be inside the presenter.
[[noreturn]] int displayLost(_XDisplay*) {
    std::fprintf(stderr, "presenter: the connection to the display was lost; ending\n");
    std::fflush(nullptr);
    std::_Exit(1);
}

}  // namespace

SdlPresenter::~SdlPresenter() {
    // At exit a thread may still be inside the presenter (or have died in it):
    // the SDL objects are then left to the end of the process.
    std::unique_lock<std::mutex> lock(mutex_, std::try_to_lock);
    if (!lock.owns_lock() || !videoReady_ || !onSdlThread())
        return;
    for (auto& entry : displays_) {
        if (entry.second.texture)
            SDL_DestroyTexture(entry.second.texture);
        if (entry.second.renderer)
            SDL_DestroyRenderer(entry.second.renderer);
        if (entry.second.window)
            SDL_DestroyWindow(entry.second.window);
    }
    displays_.clear();
    SDL_Quit();  // also ends the D-Bus connection SDL opened
}

bool SdlPresenter::isHeadless() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return videoFailed_;
}

int SdlPresenter::windowResizes() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return windowResizes_;
}

bool SdlPresenter::onSdlThread() const {
    return sdlThread_ == user::currentThreadKey();
}

bool SdlPresenter::ensureVideo() {
    if (videoFailed_)
        return false;
    if (videoReady_)
        return true;
    // SDL would turn Ctrl+C and SIGTERM into a quit event nothing asks for;
    // they end the process as they do without a window.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    XSetIOErrorHandler(displayLost);  // before SDL opens the display
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "presenter: no display (%s); frames are kept in memory only\n",
                     SDL_GetError());
        videoFailed_ = true;
        return false;
    }
    sdlThread_ = user::currentThreadKey();
    videoReady_ = true;
    return true;
}

// Reported once; from then on the frames are kept in memory only.
void SdlPresenter::displayFailed(const char* what) {
    std::fprintf(stderr, "presenter: %s failed (%s); frames are kept in memory only\n", what,
                 SDL_GetError());
    videoFailed_ = true;
}

void SdlPresenter::present(HWND window, const core::PixelView& primary,
                           const std::vector<core::OverlayView>& overlays) {
    Frame frame{window, primary.width, primary.height, {}};
    if (!composeAndStore(window, primary, overlays, frame.pixels))
        return;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!ensureVideo())
            return;
        if (!onSdlThread()) {
            pending_ = std::move(frame);
            return;
        }
        show(frame);
    }
    pumpEvents();
}

SdlPresenter::Display* SdlPresenter::createDisplay(HWND window, int width, int height) {
    char title[256] = "Render Window";
    if (window)
        GetWindowTextA(window, title, sizeof(title));
    Uint32 flags = SDL_WINDOW_SHOWN;
    const bool popup = window && (GetWindowLongA(window, GWL_STYLE) & WS_POPUP);
    if (fullScreenWanted() && popup)
        flags |= SDL_WINDOW_FULLSCREEN;
    Display display;
    display.window = SDL_CreateWindow(title, SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED,
                                      width, height, flags);
    if (!display.window) {
        displayFailed("SDL_CreateWindow");
        return nullptr;
    }
    display.renderer = SDL_CreateRenderer(display.window, -1, 0);
    if (!display.renderer)
        display.renderer = SDL_CreateRenderer(display.window, -1, SDL_RENDERER_SOFTWARE);
    if (!display.renderer) {
        displayFailed("SDL_CreateRenderer");
        SDL_DestroyWindow(display.window);
        return nullptr;
    }
    // A full-screen window keeps the screen's size: the frame is scaled to
    // it, its proportions kept.
    if (fullScreen(display.window))
        SDL_RenderSetLogicalSize(display.renderer, width, height);
    display.width = width;
    display.height = height;
    return &displays_.emplace(window, display).first->second;
}

SdlPresenter::Display* SdlPresenter::displayFor(HWND window, int width, int height) {
    auto it = displays_.find(window);
    Display* d = it != displays_.end() ? &it->second : createDisplay(window, width, height);
    if (!d)
        return nullptr;
    if (d->width != width || d->height != height) {
        if (fullScreen(d->window)) {
            SDL_RenderSetLogicalSize(d->renderer, width, height);
        } else {
            SDL_SetWindowSize(d->window, width, height);
            ++windowResizes_;
        }
        d->width = width;
        d->height = height;
    }
    if (!d->texture || d->textureWidth != width || d->textureHeight != height) {
        if (d->texture)
            SDL_DestroyTexture(d->texture);
        d->texture = SDL_CreateTexture(d->renderer, SDL_PIXELFORMAT_ARGB8888,
                                       SDL_TEXTUREACCESS_STREAMING, width, height);
        d->textureWidth = width;
        d->textureHeight = height;
        if (!d->texture)
            return nullptr;
    }
    return d;
}

void SdlPresenter::show(const Frame& frame) {
    const RECT region = visibleRegion(frame.window, frame.width, frame.height);
    const int width = region.right - region.left;
    const int height = region.bottom - region.top;
    if (width <= 0 || height <= 0)
        return;  // minimised or off the surface
    Display* d = displayFor(frame.window, width, height);
    if (!d)
        return;
    const DWORD* first =
        frame.pixels.data() + static_cast<size_t>(region.top) * frame.width + region.left;
    SDL_UpdateTexture(d->texture, nullptr, first, static_cast<int>(frame.width * 4));
    SDL_RenderClear(d->renderer);
    SDL_RenderCopy(d->renderer, d->texture, nullptr, nullptr);
    if (frameStore().readback()) {
        // The whole window as shown, scaled or not.
        SDL_RenderSetLogicalSize(d->renderer, 0, 0);
        int shownWidth = 0, shownHeight = 0;
        SDL_GetRendererOutputSize(d->renderer, &shownWidth, &shownHeight);
        std::vector<DWORD> screen(static_cast<size_t>(shownWidth) * shownHeight);
        if (SDL_RenderReadPixels(d->renderer, nullptr, SDL_PIXELFORMAT_ARGB8888, screen.data(),
                                 shownWidth * 4) == 0)
            frameStore().storeReadback(frame.window, shownWidth, shownHeight, std::move(screen));
        if (fullScreen(d->window))
            SDL_RenderSetLogicalSize(d->renderer, width, height);
    }
    SDL_RenderPresent(d->renderer);
}

void SdlPresenter::destroyDisplay(HWND window) {
    auto it = displays_.find(window);
    if (it == displays_.end())
        return;
    if (it->second.texture)
        SDL_DestroyTexture(it->second.texture);
    if (it->second.renderer)
        SDL_DestroyRenderer(it->second.renderer);
    if (it->second.window)
        SDL_DestroyWindow(it->second.window);
    displays_.erase(it);
}

void SdlPresenter::applyPendingWork() {
    if (pending_) {
        show(*pending_);
        pending_.reset();
    }
    for (HWND window : toDestroy_)
        destroyDisplay(window);
    toDestroy_.clear();
    if (cursorVisible_) {
        SDL_ShowCursor(*cursorVisible_ ? SDL_ENABLE : SDL_DISABLE);
        cursorVisible_.reset();
    }
    if (warp_) {
        // Warp inside the window whose client area holds the point.
        for (auto& entry : displays_) {
            POINT client = *warp_;
            if (entry.first && ScreenToClient(entry.first, &client)) {
                int w = 0, h = 0;
                SDL_GetWindowSize(entry.second.window, &w, &h);
                if (client.x >= 0 && client.y >= 0 && client.x < w && client.y < h) {
                    SDL_WarpMouseInWindow(entry.second.window, client.x, client.y);
                    break;
                }
            }
        }
        warp_.reset();
    }
}

void SdlPresenter::pumpEvents() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!videoReady_ || !onSdlThread())
            return;
        applyPendingWork();
    }
    // Messages are posted with the presenter unlocked: window code may call back.
    SDL_Event event;
    while (SDL_PollEvent(&event))
        handleEvent(event);
}

std::chrono::milliseconds SdlPresenter::pollInterval() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return videoReady_ && onSdlThread() ? std::chrono::milliseconds(10)
                                        : std::chrono::milliseconds(0);
}

HWND SdlPresenter::windowForId(Uint32 id) {
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto& entry : displays_)
        if (SDL_GetWindowID(entry.second.window) == id)
            return entry.first;
    // Synthetic events may carry no window: they go to the only window there is.
    return displays_.size() == 1 ? displays_.begin()->first : nullptr;
}

void SdlPresenter::handleEvent(const SDL_Event& event) {
    switch (event.type) {
        case SDL_WINDOWEVENT: {
            HWND window = windowForId(event.window.windowID);
            if (!window)
                return;
            switch (event.window.event) {
                case SDL_WINDOWEVENT_FOCUS_GAINED:
                    user::activateWindow(window);
                    break;
                case SDL_WINDOWEVENT_FOCUS_LOST:
                    user::deactivateApplication();
                    break;
                case SDL_WINDOWEVENT_MINIMIZED:
                    if (!IsIconic(window))
                        ShowWindow(window, SW_MINIMIZE);
                    break;
                case SDL_WINDOWEVENT_RESTORED:
                    if (IsIconic(window))
                        ShowWindow(window, SW_RESTORE);
                    break;
                case SDL_WINDOWEVENT_CLOSE:
                    PostMessageA(window, WM_CLOSE, 0, 0);
                    break;
                default:
                    break;
            }
            break;
        }
        case SDL_KEYDOWN:
        case SDL_KEYUP: {
            const UINT vk = virtualKeyFor(event.key.keysym);
            if (vk)
                user::postKeyInput(vk, event.type == SDL_KEYDOWN, windowForId(event.key.windowID));
            break;
        }
        case SDL_MOUSEMOTION:
            if (HWND window = windowForId(event.motion.windowID))
                user::postMouseMove(window, {event.motion.x, event.motion.y});
            break;
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP: {
            HWND window = windowForId(event.button.windowID);
            int button = -1;
            if (event.button.button == SDL_BUTTON_LEFT)
                button = 0;
            else if (event.button.button == SDL_BUTTON_RIGHT)
                button = 1;
            else if (event.button.button == SDL_BUTTON_MIDDLE)
                button = 2;
            if (window && button >= 0)
                user::postMouseButton(window, button, event.type == SDL_MOUSEBUTTONDOWN,
                                      {event.button.x, event.button.y});
            break;
        }
        default:
            break;
    }
}

void SdlPresenter::refresh(HWND window) {
    Frame frame{window, 0, 0, {}};
    if (!redrawDialogs(window, &frame.width, &frame.height, frame.pixels))
        return;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!ensureVideo())
            return;
        if (!onSdlThread()) {
            pending_ = std::move(frame);
            return;
        }
        show(frame);
    }
    pumpEvents();
}

void SdlPresenter::windowDestroyed(HWND window) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!displays_.count(window))
        return;
    if (onSdlThread())
        destroyDisplay(window);
    else
        toDestroy_.push_back(window);
}

void SdlPresenter::cursorMoved(POINT screen) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (videoReady_)
        warp_ = screen;
}

void SdlPresenter::cursorVisibilityChanged(bool visible) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (videoReady_)
        cursorVisible_ = visible;
}

// Shown only from the display thread (or before there is one), as SDL asks.
int SdlPresenter::messageBox(const std::string& text, const std::string& caption, unsigned type) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (videoReady_ && !onSdlThread())
            return 0;
    }
    struct Button {
        int id;
        const char* label;
    };
    static const Button sets[6][3] = {
        {{IDOK, "OK"}, {0, nullptr}, {0, nullptr}},
        {{IDOK, "OK"}, {IDCANCEL, "Cancel"}, {0, nullptr}},
        {{IDABORT, "Abort"}, {IDRETRY, "Retry"}, {IDIGNORE, "Ignore"}},
        {{IDYES, "Yes"}, {IDNO, "No"}, {IDCANCEL, "Cancel"}},
        {{IDYES, "Yes"}, {IDNO, "No"}, {0, nullptr}},
        {{IDRETRY, "Retry"}, {IDCANCEL, "Cancel"}, {0, nullptr}}};
    const unsigned kind = type & MB_TYPEMASK;
    if (kind > 5)
        return 0;
    SDL_MessageBoxButtonData buttons[3];
    int count = 0;
    for (const Button& b : sets[kind]) {
        if (!b.label)
            break;
        buttons[count] = {0, b.id, b.label};
        ++count;
    }
    buttons[0].flags = SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT;
    Uint32 flags = SDL_MESSAGEBOX_INFORMATION;
    if ((type & MB_ICONMASK) == MB_ICONHAND)
        flags = SDL_MESSAGEBOX_ERROR;
    else if ((type & MB_ICONMASK) == MB_ICONEXCLAMATION)
        flags = SDL_MESSAGEBOX_WARNING;
    const SDL_MessageBoxData data{flags, nullptr, caption.c_str(), text.c_str(),
                                  count, buttons, nullptr};
    int pressed = 0;
    if (SDL_ShowMessageBox(&data, &pressed) != 0 || pressed <= 0)
        return 0;
    return pressed;
}

}  // namespace platform::present
