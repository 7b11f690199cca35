#include "ddraw/clipper.h"

#include "core/call_log.h"
#include "ddraw/ddraw_state.h"

#include <winuser.h>

#include <algorithm>
#include <cstring>

namespace platform::ddraw {

Clipper* Clipper::create() {
    return new Clipper();
}

Clipper* Clipper::fromInterface(IDirectDrawClipper* clipper) {
    return dynamic_cast<Clipper*>(clipper);
}

HRESULT Clipper::QueryInterface(REFIID riid, LPVOID* object) {
    PLATFORM_RECORD_CALL("IDirectDrawClipper::QueryInterface", (ULONG_PTR)object);
    if (!object)
        return DDERR_INVALIDPARAMS;
    if (riid == IID_IUnknown || riid == IID_IDirectDrawClipper) {
        AddRef();
        *object = static_cast<IDirectDrawClipper*>(this);
        return DD_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG Clipper::AddRef() {
    core::countCall("IDirectDrawClipper::AddRef", {});
    return ++refs_;
}

ULONG Clipper::Release() {
    core::countCall("IDirectDrawClipper::Release", {});
    const ULONG left = --refs_;
    if (left == 0)
        delete this;
    return left;
}

HRESULT Clipper::GetClipList(LPRECT rect, LPRGNDATA clipList, LPDWORD size) {
    PLATFORM_RECORD_CALL("IDirectDrawClipper::GetClipList", (ULONG_PTR)rect, (ULONG_PTR)clipList,
                         (ULONG_PTR)size);
    DDLock lock(ddrawMutex());
    if (!size)
        return DDERR_INVALIDPARAMS;
    if (!hasList_ && !window_)
        return DDERR_NOCLIPLIST;
    std::vector<RECT> out;
    for (const RECT& r : currentRects()) {
        RECT c = r;
        if (rect) {
            c.left = std::max(c.left, rect->left);
            c.top = std::max(c.top, rect->top);
            c.right = std::min(c.right, rect->right);
            c.bottom = std::min(c.bottom, rect->bottom);
            if (c.left >= c.right || c.top >= c.bottom)
                continue;
        }
        out.push_back(c);
    }
    const DWORD needed = static_cast<DWORD>(sizeof(RGNDATAHEADER) + out.size() * sizeof(RECT));
    if (!clipList) {
        *size = needed;
        return DD_OK;
    }
    if (*size < needed) {
        *size = needed;
        return DDERR_REGIONTOOSMALL;
    }
    RGNDATAHEADER& h = clipList->rdh;
    h.dwSize = sizeof(RGNDATAHEADER);
    h.iType = RDH_RECTANGLES;
    h.nCount = static_cast<DWORD>(out.size());
    h.nRgnSize = static_cast<DWORD>(out.size() * sizeof(RECT));
    h.rcBound = RECT{0, 0, 0, 0};
    if (!out.empty()) {
        h.rcBound = out.front();
        for (const RECT& r : out) {
            h.rcBound.left = std::min(h.rcBound.left, r.left);
            h.rcBound.top = std::min(h.rcBound.top, r.top);
            h.rcBound.right = std::max(h.rcBound.right, r.right);
            h.rcBound.bottom = std::max(h.rcBound.bottom, r.bottom);
        }
        std::memcpy(clipList->Buffer, out.data(), out.size() * sizeof(RECT));
    }
    *size = needed;
    return DD_OK;
}

std::vector<RECT> Clipper::currentRects() const {
    if (hasList_)
        return rects_;
    RECT client{};
    if (windowClientRect(&client))
        return {client};
    return {};
}

bool Clipper::windowClientRect(RECT* out) const {
    RECT client{};
    if (!window_ || !GetClientRect(window_, &client))
        return false;
    POINT topLeft{client.left, client.top};
    POINT bottomRight{client.right, client.bottom};
    if (!ClientToScreen(window_, &topLeft) || !ClientToScreen(window_, &bottomRight))
        return false;
    *out = RECT{topLeft.x, topLeft.y, bottomRight.x, bottomRight.y};
    return out->left < out->right && out->top < out->bottom;
}

HRESULT Clipper::GetHWnd(HWND* window) {
    PLATFORM_RECORD_CALL("IDirectDrawClipper::GetHWnd", (ULONG_PTR)window);
    if (!window)
        return DDERR_INVALIDPARAMS;
    DDLock lock(ddrawMutex());
    *window = window_;
    return DD_OK;
}

HRESULT Clipper::Initialize(IDirectDraw*, DWORD) {
    PLATFORM_RECORD_CALL("IDirectDrawClipper::Initialize");
    return DDERR_ALREADYINITIALIZED;
}

HRESULT Clipper::IsClipListChanged(BOOL* changed) {
    PLATFORM_RECORD_CALL("IDirectDrawClipper::IsClipListChanged", (ULONG_PTR)changed);
    if (!changed)
        return DDERR_INVALIDPARAMS;
    *changed = FALSE;
    return DD_OK;
}

HRESULT Clipper::SetClipList(LPRGNDATA clipList, DWORD flags) {
    PLATFORM_RECORD_CALL("IDirectDrawClipper::SetClipList", (ULONG_PTR)clipList, flags);
    DDLock lock(ddrawMutex());
    if (flags != 0)
        return DDERR_INVALIDPARAMS;
    if (window_)
        return DDERR_CLIPPERISUSINGHWND;
    if (!clipList) {
        hasList_ = false;
        rects_.clear();
        return DD_OK;
    }
    const RGNDATAHEADER& h = clipList->rdh;
    if (h.dwSize != sizeof(RGNDATAHEADER) || h.iType != RDH_RECTANGLES || h.nCount > 65536)
        return DDERR_INVALIDCLIPLIST;
    std::vector<RECT> rects(h.nCount);
    if (h.nCount)
        std::memcpy(rects.data(), clipList->Buffer, h.nCount * sizeof(RECT));
    for (const RECT& r : rects)
        if (r.left > r.right || r.top > r.bottom)
            return DDERR_INVALIDCLIPLIST;
    rects_ = std::move(rects);
    hasList_ = true;
    return DD_OK;
}

HRESULT Clipper::SetHWnd(DWORD flags, HWND window) {
    PLATFORM_RECORD_CALL("IDirectDrawClipper::SetHWnd", flags, (ULONG_PTR)window);
    if (flags != 0)
        return DDERR_INVALIDPARAMS;
    DDLock lock(ddrawMutex());
    window_ = window;
    if (window) {
        hasList_ = false;
        rects_.clear();
    }
    return DD_OK;
}

}  // namespace platform::ddraw
