// GDI drawing on surface device contexts: text with the built-in font,
// pixels and lines with the selected pen.
#include <wingdi.h>

#include "core/app_state.h"
#include "ddraw/pixel_format.h"
#include "gdi/bitmap_font.h"
#include "gdi/gdi_state.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

using namespace platform::gdi;
using platform::ddraw::argbToRaw;
using platform::ddraw::bytesPerPixel;
using platform::ddraw::loadPixel;
using platform::ddraw::rawToArgb;
using platform::ddraw::storePixel;

namespace {

uint32_t toRaw(const SurfaceTarget& t, COLORREF c) {
    const uint32_t argb =
        0xFF000000u | (uint32_t(GetRValue(c)) << 16) | (uint32_t(GetGValue(c)) << 8) | GetBValue(c);
    return argbToRaw(t.format, argb);
}

COLORREF fromRaw(const SurfaceTarget& t, uint32_t raw) {
    const uint32_t argb = rawToArgb(t.format, raw);
    return RGB((argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF);
}

bool inBounds(const SurfaceTarget& t, int x, int y) {
    return x >= 0 && y >= 0 && x < static_cast<int>(t.width) && y < static_cast<int>(t.height);
}

BYTE* pixelAt(const SurfaceTarget& t, int x, int y) {
    return t.bits + static_cast<size_t>(y) * t.pitch +
           static_cast<size_t>(x) * bytesPerPixel(t.format);
}

void put(const SurfaceTarget& t, int x, int y, uint32_t raw, const RECT* clip = nullptr) {
    if (!inBounds(t, x, y))
        return;
    if (clip && (x < clip->left || x >= clip->right || y < clip->top || y >= clip->bottom))
        return;
    storePixel(pixelAt(t, x, y), bytesPerPixel(t.format), raw);
}

DeviceContext* drawableDC(GdiState& s, HDC hdc) {
    DeviceContext* dc = s.find(hdc);
    return dc && dc->drawable ? dc : nullptr;
}

void drawGlyph(const DeviceContext& dc, int x, int y, unsigned char c, const RECT* clip) {
    const uint8_t* rows = glyphRows(c);
    const uint32_t fg = toRaw(dc.target, dc.textColor);
    const uint32_t bg = toRaw(dc.target, dc.bkColor);
    for (int row = 0; row < kCellHeight; ++row)
        for (int col = 0; col < kCellWidth; ++col) {
            if (rows[row] & (0x80u >> col))
                put(dc.target, x + col, y + row, fg, clip);
            else if (dc.bkMode == OPAQUE)
                put(dc.target, x + col, y + row, bg, clip);
        }
}

void plotPen(const DeviceContext& dc, const GdiObject& pen, int x, int y) {
    const uint32_t raw = toRaw(dc.target, pen.color);
    const int w = std::max(1, pen.width);
    const int from = -(w - 1) / 2;
    for (int dy = from; dy < from + w; ++dy)
        for (int dx = from; dx < from + w; ++dx)
            put(dc.target, x + dx, y + dy, raw);
}

}  // namespace

extern "C" {

PLATFORM_API int WINAPI SetBkMode(HDC hdc, int mode) {
    if (mode != TRANSPARENT && mode != OPAQUE)
        return 0;
    GdiState& s = gdiState();
    GdiLock lock(s.mutex);
    DeviceContext* dc = s.find(hdc);
    if (!dc)
        return 0;
    const int old = dc->bkMode;
    dc->bkMode = mode;
    return old;
}

PLATFORM_API int WINAPI GetBkMode(HDC hdc) {
    GdiState& s = gdiState();
    GdiLock lock(s.mutex);
    DeviceContext* dc = s.find(hdc);
    return dc ? dc->bkMode : 0;
}

PLATFORM_API COLORREF WINAPI SetBkColor(HDC hdc, COLORREF color) {
    GdiState& s = gdiState();
    GdiLock lock(s.mutex);
    DeviceContext* dc = s.find(hdc);
    if (!dc)
        return CLR_INVALID;
    const COLORREF old = dc->bkColor;
    dc->bkColor = color & 0x00FFFFFFu;
    return old;
}

PLATFORM_API COLORREF WINAPI GetBkColor(HDC hdc) {
    GdiState& s = gdiState();
    GdiLock lock(s.mutex);
    DeviceContext* dc = s.find(hdc);
    return dc ? dc->bkColor : CLR_INVALID;
}

PLATFORM_API COLORREF WINAPI SetTextColor(HDC hdc, COLORREF color) {
    GdiState& s = gdiState();
    GdiLock lock(s.mutex);
    DeviceContext* dc = s.find(hdc);
    if (!dc)
        return CLR_INVALID;
    const COLORREF old = dc->textColor;
    dc->textColor = color & 0x00FFFFFFu;
    return old;
}

PLATFORM_API COLORREF WINAPI GetTextColor(HDC hdc) {
    GdiState& s = gdiState();
    GdiLock lock(s.mutex);
    DeviceContext* dc = s.find(hdc);
    return dc ? dc->textColor : CLR_INVALID;
}

PLATFORM_API BOOL WINAPI ExtTextOutA(HDC hdc, int x, int y, UINT options, const RECT* rect,
                                     LPCSTR text, UINT length, const INT* dx) {
    if (!text && length)
        return FALSE;
    if ((options & (ETO_OPAQUE | ETO_CLIPPED)) && !rect)
        return FALSE;
    GdiState& s = gdiState();
    GdiLock lock(s.mutex);
    DeviceContext* dc = drawableDC(s, hdc);
    if (!dc)
        return FALSE;
    if (options & ETO_OPAQUE) {
        const uint32_t bg = toRaw(dc->target, dc->bkColor);
        for (LONG py = rect->top; py < rect->bottom; ++py)
            for (LONG px = rect->left; px < rect->right; ++px)
                put(dc->target, px, py, bg);
    }
    const RECT* clip = (options & ETO_CLIPPED) ? rect : nullptr;
    int penX = x;
    for (UINT i = 0; i < length; ++i) {
        drawGlyph(*dc, penX, y, static_cast<unsigned char>(text[i]), clip);
        penX += dx ? dx[i] : kCellWidth;
    }
    return TRUE;
}

PLATFORM_API BOOL WINAPI TextOutA(HDC hdc, int x, int y, LPCSTR text, int length) {
    if (length < 0)
        return FALSE;
    return ExtTextOutA(hdc, x, y, 0, nullptr, text, static_cast<UINT>(length), nullptr);
}

PLATFORM_API BOOL WINAPI GetTextExtentPoint32A(HDC hdc, LPCSTR text, int length, LPSIZE size) {
    if (!size || length < 0 || (!text && length))
        return FALSE;
    GdiState& s = gdiState();
    GdiLock lock(s.mutex);
    if (!s.find(hdc))
        return FALSE;
    size->cx = length * kCellWidth;
    size->cy = kCellHeight;
    return TRUE;
}

PLATFORM_API COLORREF WINAPI SetPixel(HDC hdc, int x, int y, COLORREF color) {
    GdiState& s = gdiState();
    GdiLock lock(s.mutex);
    DeviceContext* dc = drawableDC(s, hdc);
    if (!dc || !inBounds(dc->target, x, y))
        return CLR_INVALID;
    const uint32_t raw = toRaw(dc->target, color);
    put(dc->target, x, y, raw);
    // The colour actually set, after the surface format's rounding.
    return fromRaw(dc->target, raw);
}

PLATFORM_API BOOL WINAPI SetPixelV(HDC hdc, int x, int y, COLORREF color) {
    return SetPixel(hdc, x, y, color) != CLR_INVALID;
}

PLATFORM_API COLORREF WINAPI GetPixel(HDC hdc, int x, int y) {
    GdiState& s = gdiState();
    GdiLock lock(s.mutex);
    DeviceContext* dc = drawableDC(s, hdc);
    if (!dc || !inBounds(dc->target, x, y))
        return CLR_INVALID;
    return fromRaw(dc->target,
                   loadPixel(pixelAt(dc->target, x, y), bytesPerPixel(dc->target.format)));
}

PLATFORM_API BOOL WINAPI MoveToEx(HDC hdc, int x, int y, LPPOINT previous) {
    GdiState& s = gdiState();
    GdiLock lock(s.mutex);
    DeviceContext* dc = s.find(hdc);
    if (!dc)
        return FALSE;
    if (previous)
        *previous = dc->position;
    dc->position = POINT{x, y};
    return TRUE;
}

PLATFORM_API BOOL WINAPI LineTo(HDC hdc, int x, int y) {
    GdiState& s = gdiState();
    GdiLock lock(s.mutex);
    DeviceContext* dc = drawableDC(s, hdc);
    if (!dc)
        return FALSE;
    const GdiObject* pen = s.object(dc->pen);
    int x0 = dc->position.x, y0 = dc->position.y;
    dc->position = POINT{x, y};
    if (!pen || pen->style == PS_NULL)
        return TRUE;
    // Bresenham; the end point is left out, as GDI does.
    const int dx = std::abs(x - x0), sx = x0 < x ? 1 : -1;
    const int dy = -std::abs(y - y0), sy = y0 < y ? 1 : -1;
    int err = dx + dy;
    while (x0 != x || y0 != y) {
        plotPen(*dc, *pen, x0, y0);
        const int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x0 += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y0 += sy;
        }
    }
    return TRUE;
}

PLATFORM_API HPEN WINAPI CreatePen(int style, int width, COLORREF color) {
    // Dashed pens draw solid.
    if (style != PS_SOLID && style != PS_DASH && style != PS_NULL)
        return nullptr;
    if (width < 0)
        return nullptr;
    GdiState& s = gdiState();
    GdiLock lock(s.mutex);
    GdiObject pen;
    pen.kind = ObjectKind::Pen;
    pen.style = style;
    pen.width = std::max(1, width);
    pen.color = color & 0x00FFFFFFu;
    const HGDIOBJ handle = reinterpret_cast<HGDIOBJ>(s.newHandle());
    s.objects.emplace(handle, pen);
    return static_cast<HPEN>(handle);
}

PLATFORM_API HGDIOBJ WINAPI SelectObject(HDC hdc, HGDIOBJ object) {
    GdiState& s = gdiState();
    GdiLock lock(s.mutex);
    DeviceContext* dc = s.find(hdc);
    const GdiObject* o = s.object(object);
    if (!dc || !o)
        return nullptr;
    HGDIOBJ* slot = o->kind == ObjectKind::Pen     ? &dc->pen
                    : o->kind == ObjectKind::Brush ? &dc->brush
                                                   : &dc->font;
    HGDIOBJ old = *slot;
    *slot = object;
    return old;
}

PLATFORM_API BOOL WINAPI DeleteObject(HGDIOBJ object) {
    GdiState& s = gdiState();
    GdiLock lock(s.mutex);
    const GdiObject* o = s.object(object);
    if (!o)
        return FALSE;
    if (o->stock)
        return TRUE;
    for (const auto& entry : s.dcs) {
        const DeviceContext& dc = *entry.second;
        if (dc.pen == object || dc.brush == object || dc.font == object)
            return FALSE;  // still selected
    }
    s.objects.erase(object);
    return TRUE;
}

PLATFORM_API HGDIOBJ WINAPI GetStockObject(int index) {
    GdiState& s = gdiState();
    GdiLock lock(s.mutex);
    auto it = s.stock.find(index);
    return it == s.stock.end() ? nullptr : it->second;
}

PLATFORM_API int WINAPI GetDeviceCaps(HDC hdc, int index) {
    int width, height, bits;
    const platform::core::DisplayModeDesc desktop = platform::core::desktopMode();
    {
        GdiState& s = gdiState();
        GdiLock lock(s.mutex);
        const DeviceContext* dc = s.find(hdc);
        if (!dc)
            return 0;
        if (dc->drawable) {
            width = static_cast<int>(dc->target.width);
            height = static_cast<int>(dc->target.height);
            bits = static_cast<int>(dc->target.format.dwRGBBitCount);
        } else {
            // Window and display DCs describe the desktop.
            width = static_cast<int>(desktop.width);
            height = static_cast<int>(desktop.height);
            bits = static_cast<int>(desktop.bitsPerPixel);
        }
    }
    switch (index) {
        case HORZRES:
            return width;
        case VERTRES:
            return height;
        case BITSPIXEL:
            return bits;
        case PLANES:
            return 1;
        case VREFRESH:
            return static_cast<int>(desktop.refreshRate);
        default:
            return 0;
    }
}

}  // extern "C"
