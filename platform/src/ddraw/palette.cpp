#include "ddraw/palette.h"

#include "core/call_log.h"
#include "ddraw/ddraw_state.h"

#include <algorithm>

namespace platform::ddraw {
namespace {

// Index bits from the size flags; 0 unless exactly one is given.
DWORD indexBitsOf(DWORD flags) {
    const DWORD sizes = flags & (DDPCAPS_1BIT | DDPCAPS_2BIT | DDPCAPS_4BIT | DDPCAPS_8BIT);
    switch (sizes) {
        case DDPCAPS_1BIT:
            return 1;
        case DDPCAPS_2BIT:
            return 2;
        case DDPCAPS_4BIT:
            return 4;
        case DDPCAPS_8BIT:
            return 8;
        default:
            return 0;
    }
}

constexpr DWORD kKnownFlags = DDPCAPS_1BIT | DDPCAPS_2BIT | DDPCAPS_4BIT | DDPCAPS_8BIT |
                              DDPCAPS_8BITENTRIES | DDPCAPS_PRIMARYSURFACE |
                              DDPCAPS_PRIMARYSURFACELEFT | DDPCAPS_ALLOW256 | DDPCAPS_VSYNC;

}  // namespace

HRESULT Palette::create(DWORD flags, const PALETTEENTRY* entries, Palette** out) {
    const DWORD bits = indexBitsOf(flags);
    // Entries that are indices into another palette only exist for the small sizes.
    if (!entries || !bits || (flags & ~kKnownFlags) ||
        ((flags & DDPCAPS_8BITENTRIES) && bits == 8))
        return DDERR_INVALIDPARAMS;
    auto* p = new Palette(flags, bits);
    std::copy_n(entries, p->size(), p->entries_.begin());
    *out = p;
    return DD_OK;
}

Palette* Palette::fromInterface(IDirectDrawPalette* palette) {
    return dynamic_cast<Palette*>(palette);
}

HRESULT Palette::QueryInterface(REFIID riid, LPVOID* object) {
    PLATFORM_RECORD_CALL("IDirectDrawPalette::QueryInterface", (ULONG_PTR)object);
    if (!object)
        return DDERR_INVALIDPARAMS;
    if (riid == IID_IUnknown || riid == IID_IDirectDrawPalette) {
        AddRef();
        *object = static_cast<IDirectDrawPalette*>(this);
        return DD_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG Palette::AddRef() {
    core::countCall("IDirectDrawPalette::AddRef", {});
    return ++refs_;
}

ULONG Palette::Release() {
    core::countCall("IDirectDrawPalette::Release", {});
    const ULONG left = --refs_;
    if (left == 0)
        delete this;
    return left;
}

HRESULT Palette::GetCaps(LPDWORD caps) {
    PLATFORM_RECORD_CALL("IDirectDrawPalette::GetCaps", (ULONG_PTR)caps);
    if (!caps)
        return DDERR_INVALIDPARAMS;
    *caps = flags_;
    return DD_OK;
}

HRESULT Palette::GetEntries(DWORD flags, DWORD base, DWORD count, LPPALETTEENTRY entries) {
    PLATFORM_RECORD_CALL("IDirectDrawPalette::GetEntries", flags, base, count,
                         (ULONG_PTR)entries);
    if (flags || !entries || base >= size() || count > size() - base)
        return DDERR_INVALIDPARAMS;
    DDLock lock(ddrawMutex());
    std::copy_n(entries_.begin() + base, count, entries);
    return DD_OK;
}

HRESULT Palette::Initialize(IDirectDraw*, DWORD, LPPALETTEENTRY) {
    PLATFORM_RECORD_CALL("IDirectDrawPalette::Initialize");
    return DDERR_ALREADYINITIALIZED;
}

HRESULT Palette::SetEntries(DWORD flags, DWORD start, DWORD count, LPPALETTEENTRY entries) {
    PLATFORM_RECORD_CALL("IDirectDrawPalette::SetEntries", flags, start, count,
                         (ULONG_PTR)entries);
    if (flags || !entries || start >= size() || count > size() - start)
        return DDERR_INVALIDPARAMS;
    DDLock lock(ddrawMutex());
    std::copy_n(entries, count, entries_.begin() + start);
    return DD_OK;
}

uint32_t Palette::argb(BYTE index) const {
    const PALETTEENTRY& e = entries_[index & (size() - 1)];
    return 0xFF000000u | (uint32_t(e.peRed) << 16) | (uint32_t(e.peGreen) << 8) | e.peBlue;
}

}  // namespace platform::ddraw
