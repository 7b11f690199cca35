// Every DirectDraw, surface and clipper call given a null pointer where it
// needs one, or a rectangle or value out of range, answers with an error and
// leaves the surface as it was; none of them may crash.
#include "ddraw_fixture.h"

#include <functional>

namespace {

struct Objects {
    IDirectDraw4* dd;
    IDirectDrawSurface4* surface;
    IDirectDrawSurface4* other;
    IDirectDrawClipper* clipper;
};

struct BadCall {
    const char* name;
    std::function<HRESULT(const Objects&)> call;
};

RECT gOutside{60, 60, 70, 70};
RECT gInverted{8, 8, 2, 2};
// What the calls read, and where they may write.
IDirectDrawSurface4* gSurface = nullptr;
DDSURFACEDESC2 gDesc = surfaceDesc(DDSCAPS_OFFSCREENPLAIN, 4, 4);
DDSURFACEDESC2 gShortDesc = [] {
    DDSURFACEDESC2 d{};
    d.dwSize = 12;  // a size no version of the structure has
    return d;
}();
DDSCAPS2 gZCaps{DDSCAPS_ZBUFFER, 0, 0, 0};
DDCOLORKEY gKey{0, 0};
constexpr DWORD kTwoKinds = DDCKEY_SRCBLT | DDCKEY_DESTBLT;
RGNDATA gRegion{};

const BadCall kBadCalls[] = {
    {"DirectDraw GetDisplayMode null", [](const Objects& o) { return o.dd->GetDisplayMode(nullptr); }},
    {"DirectDraw EnumDisplayModes null callback",
     [](const Objects& o) { return o.dd->EnumDisplayModes(0, nullptr, nullptr, nullptr); }},
    {"DirectDraw CreateSurface null desc",
     [](const Objects& o) { return o.dd->CreateSurface(nullptr, &gSurface, nullptr); }},
    {"DirectDraw CreateSurface null out",
     [](const Objects& o) { return o.dd->CreateSurface(&gDesc, nullptr, nullptr); }},
    {"DirectDraw CreateClipper null", [](const Objects& o) { return o.dd->CreateClipper(0, nullptr, nullptr); }},
    {"DirectDraw CreatePalette null", [](const Objects& o) { return o.dd->CreatePalette(DDPCAPS_8BIT, nullptr, nullptr, nullptr); }},
    {"DirectDraw EnumSurfaces null callback",
     [](const Objects& o) { return o.dd->EnumSurfaces(DDENUMSURFACES_DOESEXIST | DDENUMSURFACES_ALL, nullptr, nullptr, nullptr); }},
    {"DirectDraw GetGDISurface null", [](const Objects& o) { return o.dd->GetGDISurface(nullptr); }},
    {"DirectDraw GetSurfaceFromDC null", [](const Objects& o) { return o.dd->GetSurfaceFromDC(nullptr, nullptr); }},
    {"DirectDraw GetCaps null", [](const Objects& o) { return o.dd->GetCaps(nullptr, nullptr); }},
    {"DirectDraw GetAvailableVidMem null", [](const Objects& o) { return o.dd->GetAvailableVidMem(nullptr, nullptr, nullptr); }},
    {"DirectDraw GetFourCCCodes null", [](const Objects& o) { return o.dd->GetFourCCCodes(nullptr, nullptr); }},
    {"DirectDraw GetDeviceIdentifier null", [](const Objects& o) { return o.dd->GetDeviceIdentifier(nullptr, 0); }},
    {"DirectDraw GetMonitorFrequency null", [](const Objects& o) { return o.dd->GetMonitorFrequency(nullptr); }},
    {"DirectDraw GetScanLine null", [](const Objects& o) { return o.dd->GetScanLine(nullptr); }},
    {"DirectDraw GetVerticalBlankStatus null", [](const Objects& o) { return o.dd->GetVerticalBlankStatus(nullptr); }},
    {"Surface AddAttachedSurface null", [](const Objects& o) { return o.surface->AddAttachedSurface(nullptr); }},
    {"Surface AddAttachedSurface itself", [](const Objects& o) { return o.surface->AddAttachedSurface(o.surface); }},
    {"Surface DeleteAttachedSurface not attached",
     [](const Objects& o) { return o.surface->DeleteAttachedSurface(0, o.other); }},
    {"Surface Blt destination outside",
     [](const Objects& o) { return o.surface->Blt(&gOutside, o.other, nullptr, DDBLT_WAIT, nullptr); }},
    {"Surface Blt source inverted",
     [](const Objects& o) { return o.surface->Blt(nullptr, o.other, &gInverted, DDBLT_WAIT, nullptr); }},
    {"Surface Blt colour fill without effects",
     [](const Objects& o) { return o.surface->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL, nullptr); }},
    {"Surface Blt nothing to copy",
     [](const Objects& o) { return o.surface->Blt(nullptr, nullptr, nullptr, DDBLT_WAIT, nullptr); }},
    {"Surface BltFast null source",
     [](const Objects& o) { return o.surface->BltFast(0, 0, nullptr, nullptr, DDBLTFAST_WAIT); }},
    {"Surface BltFast outside",
     [](const Objects& o) { return o.surface->BltFast(14, 14, o.other, nullptr, DDBLTFAST_WAIT); }},
    {"Surface BltFast source inverted",
     [](const Objects& o) { return o.surface->BltFast(0, 0, o.other, &gInverted, DDBLTFAST_WAIT); }},
    {"Surface EnumAttachedSurfaces null",
     [](const Objects& o) { return o.surface->EnumAttachedSurfaces(nullptr, nullptr); }},
    {"Surface EnumOverlayZOrders null",
     [](const Objects& o) { return o.surface->EnumOverlayZOrders(0, nullptr, nullptr); }},
    {"Surface Flip not flippable", [](const Objects& o) { return o.surface->Flip(nullptr, DDFLIP_WAIT); }},
    {"Surface GetAttachedSurface null caps",
     [](const Objects& o) { return o.surface->GetAttachedSurface(nullptr, &gSurface); }},
    {"Surface GetAttachedSurface null out",
     [](const Objects& o) { return o.surface->GetAttachedSurface(&gZCaps, nullptr); }},
    {"Surface GetCaps null", [](const Objects& o) { return o.surface->GetCaps(nullptr); }},
    {"Surface GetClipper null", [](const Objects& o) { return o.surface->GetClipper(nullptr); }},
    {"Surface GetColorKey null", [](const Objects& o) { return o.surface->GetColorKey(DDCKEY_SRCBLT, nullptr); }},
    {"Surface SetColorKey two kinds",
     [](const Objects& o) { return o.surface->SetColorKey(kTwoKinds, &gKey); }},
    {"Surface GetDC null", [](const Objects& o) { return o.surface->GetDC(nullptr); }},
    {"Surface ReleaseDC not given", [](const Objects& o) { return o.surface->ReleaseDC(reinterpret_cast<HDC>(0x77)); }},
    {"Surface GetOverlayPosition null", [](const Objects& o) { return o.surface->GetOverlayPosition(nullptr, nullptr); }},
    {"Surface GetPalette null", [](const Objects& o) { return o.surface->GetPalette(nullptr); }},
    {"Surface GetPixelFormat null", [](const Objects& o) { return o.surface->GetPixelFormat(nullptr); }},
    {"Surface GetSurfaceDesc null", [](const Objects& o) { return o.surface->GetSurfaceDesc(nullptr); }},
    {"Surface GetSurfaceDesc wrong size",
     [](const Objects& o) { return o.surface->GetSurfaceDesc(&gShortDesc); }},
    {"Surface Lock null desc", [](const Objects& o) { return o.surface->Lock(nullptr, nullptr, DDLOCK_WAIT, nullptr); }},
    {"Surface Unlock not locked", [](const Objects& o) { return o.surface->Unlock(nullptr); }},
    {"Surface UpdateOverlay not an overlay",
     [](const Objects& o) { return o.surface->UpdateOverlay(nullptr, o.other, nullptr, DDOVER_SHOW, nullptr); }},
    {"Surface GetDDInterface null", [](const Objects& o) { return o.surface->GetDDInterface(nullptr); }},
    {"Surface SetSurfaceDesc null", [](const Objects& o) { return o.surface->SetSurfaceDesc(nullptr, 0); }},
    {"Surface SetPrivateData null", [](const Objects& o) { return o.surface->SetPrivateData(IID_IUnknown, nullptr, 4, 0); }},
    {"Surface GetPrivateData null size",
     [](const Objects& o) { return o.surface->GetPrivateData(IID_IUnknown, nullptr, nullptr); }},
    {"Surface FreePrivateData none", [](const Objects& o) { return o.surface->FreePrivateData(IID_IUnknown); }},
    {"Surface GetUniquenessValue null", [](const Objects& o) { return o.surface->GetUniquenessValue(nullptr); }},
    {"Surface GetBltStatus bad flags", [](const Objects& o) { return o.surface->GetBltStatus(0); }},
    {"Surface GetFlipStatus bad flags", [](const Objects& o) { return o.surface->GetFlipStatus(0); }},
    {"Clipper GetClipList null size", [](const Objects& o) { return o.clipper->GetClipList(nullptr, nullptr, nullptr); }},
    {"Clipper GetHWnd null", [](const Objects& o) { return o.clipper->GetHWnd(nullptr); }},
    {"Clipper IsClipListChanged null", [](const Objects& o) { return o.clipper->IsClipListChanged(nullptr); }},
    {"Clipper SetClipList bad flags",
     [](const Objects& o) { return o.clipper->SetClipList(&gRegion, 1); }},
};

class BadArgumentTest : public DirectDrawTest, public ::testing::WithParamInterface<BadCall> {};

TEST_P(BadArgumentTest, IsRefusedAndChangesNothing) {
    IDirectDrawSurface4* surface = create(16, 16, DDSCAPS_OFFSCREENPLAIN);
    IDirectDrawSurface4* other = create(8, 8, DDSCAPS_OFFSCREENPLAIN);
    IDirectDrawClipper* clipper = nullptr;
    ASSERT_EQ(DD_OK, dd->CreateClipper(0, &clipper, nullptr));
    fill(surface, 0xFF0000);
    fill(other, 0x00FF00);
    EXPECT_TRUE(FAILED(GetParam().call({dd, surface, other, clipper})));
    for (uint32_t p : platform::testing::readSurfaceARGB(surface))
        ASSERT_EQ(0xFFFF0000u, p);
    releaseLast({clipper, other, surface});
}

INSTANTIATE_TEST_SUITE_P(Calls, BadArgumentTest, ::testing::ValuesIn(kBadCalls),
                         [](const ::testing::TestParamInfo<BadCall>& info) {
                             std::string name;
                             for (const char* c = info.param.name; *c; ++c)
                                 if (std::isalnum(static_cast<unsigned char>(*c)))
                                     name += *c;
                             return name;
                         });

}  // namespace
