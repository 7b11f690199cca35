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
// A row of the table: the call, named by its own text.
// clang-format off
#define REFUSED(call) {#call, [](const Objects& o) { return o.call; }}
// clang-format on

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
    REFUSED(dd->GetDisplayMode(nullptr)),
    REFUSED(dd->EnumDisplayModes(0, nullptr, nullptr, nullptr)),
    REFUSED(dd->CreateSurface(nullptr, &gSurface, nullptr)),
    REFUSED(dd->CreateSurface(&gDesc, nullptr, nullptr)),
    REFUSED(dd->CreateClipper(0, nullptr, nullptr)),
    REFUSED(dd->CreatePalette(DDPCAPS_8BIT, nullptr, nullptr, nullptr)),
    REFUSED(
        dd->EnumSurfaces(DDENUMSURFACES_DOESEXIST | DDENUMSURFACES_ALL, nullptr, nullptr, nullptr)),
    REFUSED(dd->GetGDISurface(nullptr)),
    REFUSED(dd->GetSurfaceFromDC(nullptr, nullptr)),
    REFUSED(dd->GetCaps(nullptr, nullptr)),
    REFUSED(dd->GetAvailableVidMem(nullptr, nullptr, nullptr)),
    REFUSED(dd->GetFourCCCodes(nullptr, nullptr)),
    REFUSED(dd->GetDeviceIdentifier(nullptr, 0)),
    REFUSED(dd->GetMonitorFrequency(nullptr)),
    REFUSED(dd->GetScanLine(nullptr)),
    REFUSED(dd->GetVerticalBlankStatus(nullptr)),
    REFUSED(surface->AddAttachedSurface(nullptr)),
    REFUSED(surface->AddAttachedSurface(o.surface)),
    REFUSED(surface->DeleteAttachedSurface(0, o.other)),
    REFUSED(surface->Blt(&gOutside, o.other, nullptr, DDBLT_WAIT, nullptr)),
    REFUSED(surface->Blt(nullptr, o.other, &gInverted, DDBLT_WAIT, nullptr)),
    REFUSED(surface->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL, nullptr)),
    REFUSED(surface->Blt(nullptr, nullptr, nullptr, DDBLT_WAIT, nullptr)),
    REFUSED(surface->BltFast(0, 0, nullptr, nullptr, DDBLTFAST_WAIT)),
    REFUSED(surface->BltFast(14, 14, o.other, nullptr, DDBLTFAST_WAIT)),
    REFUSED(surface->BltFast(0, 0, o.other, &gInverted, DDBLTFAST_WAIT)),
    REFUSED(surface->EnumAttachedSurfaces(nullptr, nullptr)),
    REFUSED(surface->EnumOverlayZOrders(0, nullptr, nullptr)),
    REFUSED(surface->Flip(nullptr, DDFLIP_WAIT)),
    REFUSED(surface->GetAttachedSurface(nullptr, &gSurface)),
    REFUSED(surface->GetAttachedSurface(&gZCaps, nullptr)),
    REFUSED(surface->GetCaps(nullptr)),
    REFUSED(surface->GetClipper(nullptr)),
    REFUSED(surface->GetColorKey(DDCKEY_SRCBLT, nullptr)),
    REFUSED(surface->SetColorKey(kTwoKinds, &gKey)),
    REFUSED(surface->GetDC(nullptr)),
    REFUSED(surface->ReleaseDC(reinterpret_cast<HDC>(0x77))),
    REFUSED(surface->GetOverlayPosition(nullptr, nullptr)),
    REFUSED(surface->GetPalette(nullptr)),
    REFUSED(surface->GetPixelFormat(nullptr)),
    REFUSED(surface->GetSurfaceDesc(nullptr)),
    REFUSED(surface->GetSurfaceDesc(&gShortDesc)),
    REFUSED(surface->Lock(nullptr, nullptr, DDLOCK_WAIT, nullptr)),
    REFUSED(surface->Unlock(nullptr)),
    REFUSED(surface->UpdateOverlay(nullptr, o.other, nullptr, DDOVER_SHOW, nullptr)),
    REFUSED(surface->GetDDInterface(nullptr)),
    REFUSED(surface->SetSurfaceDesc(nullptr, 0)),
    REFUSED(surface->SetPrivateData(IID_IUnknown, nullptr, 4, 0)),
    REFUSED(surface->GetPrivateData(IID_IUnknown, nullptr, nullptr)),
    REFUSED(surface->FreePrivateData(IID_IUnknown)),
    REFUSED(surface->GetUniquenessValue(nullptr)),
    REFUSED(surface->GetBltStatus(0)),
    REFUSED(surface->GetFlipStatus(0)),
    REFUSED(clipper->GetClipList(nullptr, nullptr, nullptr)),
    REFUSED(clipper->GetHWnd(nullptr)),
    REFUSED(clipper->IsClipListChanged(nullptr)),
    REFUSED(clipper->SetClipList(&gRegion, 1)),
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
