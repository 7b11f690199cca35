// GDI's handle tables: device contexts and pens, brushes and fonts, all
// behind one lock of their own (never held while calling DirectDraw).
#pragma once

#include <wingdi.h>

#include "gdi/surface_dc.h"

#include <map>
#include <memory>
#include <mutex>

namespace platform::gdi {

enum class ObjectKind { Pen, Brush, Font };

struct GdiObject {
    ObjectKind kind = ObjectKind::Pen;
    bool stock = false;
    int style = PS_SOLID;
    int width = 1;
    COLORREF color = 0;
};

struct DeviceContext {
    bool drawable = false;  // false: a display DC that only answers questions
    SurfaceTarget target;
    int bkMode = OPAQUE;
    COLORREF bkColor = RGB(255, 255, 255);
    COLORREF textColor = RGB(0, 0, 0);
    HGDIOBJ pen = nullptr;
    HGDIOBJ brush = nullptr;
    HGDIOBJ font = nullptr;
    POINT position{0, 0};
};

struct GdiState {
    std::mutex mutex;
    std::map<HDC, std::unique_ptr<DeviceContext>> dcs;
    std::map<HGDIOBJ, GdiObject> objects;
    std::map<int, HGDIOBJ> stock;
    uintptr_t nextHandle = 0x10000;

    DeviceContext* find(HDC dc) {
        auto it = dcs.find(dc);
        return it == dcs.end() ? nullptr : it->second.get();
    }
    GdiObject* object(HGDIOBJ handle) {
        auto it = objects.find(handle);
        return it == objects.end() ? nullptr : &it->second;
    }
    uintptr_t newHandle() { return nextHandle += 0x10; }
};

// The tables, with the stock objects made on first use.
GdiState& gdiState();
using GdiLock = std::lock_guard<std::mutex>;

}  // namespace platform::gdi
