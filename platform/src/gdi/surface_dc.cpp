#include "gdi/surface_dc.h"

#include "ddraw/pixel_format.h"
#include "gdi/gdi_state.h"

namespace platform::gdi {
namespace {

void addStock(GdiState& s, int index, GdiObject object) {
    object.stock = true;
    const HGDIOBJ handle = reinterpret_cast<HGDIOBJ>(s.newHandle());
    s.objects.emplace(handle, object);
    s.stock.emplace(index, handle);
}

GdiObject makeObject(ObjectKind kind, int style, COLORREF color) {
    GdiObject o;
    o.kind = kind;
    o.style = style;
    o.color = color;
    return o;
}

HDC makeDC(GdiState& s, std::unique_ptr<DeviceContext> dc) {
    dc->pen = s.stock.at(BLACK_PEN);
    dc->brush = s.stock.at(WHITE_BRUSH);
    dc->font = s.stock.at(SYSTEM_FONT);
    const HDC handle = reinterpret_cast<HDC>(s.newHandle());
    s.dcs.emplace(handle, std::move(dc));
    return handle;
}

}  // namespace

GdiState& gdiState() {
    static GdiState* state = [] {
        auto* s = new GdiState();  // lives for the whole process
        addStock(*s, WHITE_BRUSH, makeObject(ObjectKind::Brush, 0, RGB(255, 255, 255)));
        addStock(*s, LTGRAY_BRUSH, makeObject(ObjectKind::Brush, 0, RGB(192, 192, 192)));
        addStock(*s, GRAY_BRUSH, makeObject(ObjectKind::Brush, 0, RGB(128, 128, 128)));
        addStock(*s, DKGRAY_BRUSH, makeObject(ObjectKind::Brush, 0, RGB(64, 64, 64)));
        addStock(*s, BLACK_BRUSH, makeObject(ObjectKind::Brush, 0, RGB(0, 0, 0)));
        addStock(*s, NULL_BRUSH, makeObject(ObjectKind::Brush, 0, 0));
        addStock(*s, WHITE_PEN, makeObject(ObjectKind::Pen, PS_SOLID, RGB(255, 255, 255)));
        addStock(*s, BLACK_PEN, makeObject(ObjectKind::Pen, PS_SOLID, RGB(0, 0, 0)));
        addStock(*s, NULL_PEN, makeObject(ObjectKind::Pen, PS_NULL, 0));
        for (int font : {OEM_FIXED_FONT, ANSI_FIXED_FONT, ANSI_VAR_FONT, SYSTEM_FONT,
                         DEVICE_DEFAULT_FONT, SYSTEM_FIXED_FONT, DEFAULT_GUI_FONT})
            addStock(*s, font, makeObject(ObjectKind::Font, 0, 0));
        return s;
    }();
    return *state;
}

bool canDrawInto(const DDPIXELFORMAT& f) {
    return ddraw::isRgb(f) && (f.dwRGBBitCount == 16 || f.dwRGBBitCount == 32);
}

HDC createSurfaceDC(const SurfaceTarget& target) {
    if (!target.bits || !canDrawInto(target.format))
        return nullptr;
    GdiState& s = gdiState();
    GdiLock lock(s.mutex);
    auto dc = std::make_unique<DeviceContext>();
    dc->drawable = true;
    dc->target = target;
    return makeDC(s, std::move(dc));
}

HDC createDisplayDC() {
    GdiState& s = gdiState();
    GdiLock lock(s.mutex);
    return makeDC(s, std::make_unique<DeviceContext>());
}

bool isDisplayDC(HDC dc) {
    GdiState& s = gdiState();
    GdiLock lock(s.mutex);
    const DeviceContext* found = s.find(dc);
    return found && !found->drawable;
}

void destroySurfaceDC(HDC dc) {
    GdiState& s = gdiState();
    GdiLock lock(s.mutex);
    s.dcs.erase(dc);
}

const void* ownerOfDC(HDC dc) {
    GdiState& s = gdiState();
    GdiLock lock(s.mutex);
    const DeviceContext* found = s.find(dc);
    return found && found->drawable ? found->target.owner : nullptr;
}

}  // namespace platform::gdi
