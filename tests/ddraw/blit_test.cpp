// Blits between off-screen surfaces, checked pixel by pixel as pictures.
#include "ddraw_fixture.h"

#include <cstring>
#include <vector>

namespace {

using BlitTest = DirectDrawTest;

// A source of red, green, blue and white quarters copied into a corner,
// stretched, shrunk to the nearest pixels and converted between 16 and 32 bits.
TEST_F(BlitTest, CopyStretchShrinkAndConversion) {
    IDirectDrawSurface4* src = create(2, 2, DDSCAPS_OFFSCREENPLAIN);
    RECT q[4] = {{0, 0, 1, 1}, {1, 0, 2, 1}, {0, 1, 1, 2}, {1, 1, 2, 2}};
    const DWORD colours[4] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF};
    for (int i = 0; i < 4; ++i)
        fill(src, colours[i], &q[i]);
    IDirectDrawSurface4* dst = create(4, 4, DDSCAPS_OFFSCREENPLAIN);
    RECT corner{2, 2, 4, 4};
    ASSERT_EQ(DD_OK, dst->Blt(&corner, src, nullptr, DDBLT_WAIT, nullptr));
    EXPECT_EQ(".... .... ..RG ..BW", picture(dst));
    ASSERT_EQ(DD_OK, dst->Blt(nullptr, src, nullptr, DDBLT_WAIT, nullptr));
    EXPECT_EQ("RRGG RRGG BBWW BBWW", picture(dst));
    IDirectDrawSurface4* one = create(1, 1, DDSCAPS_OFFSCREENPLAIN);
    ASSERT_EQ(DD_OK, one->Blt(nullptr, dst, nullptr, 0, nullptr));
    EXPECT_EQ("R", picture(one));
    IDirectDrawSurface4* half16 = create(2, 2, DDSCAPS_OFFSCREENPLAIN, 16);
    ASSERT_EQ(DD_OK, half16->Blt(nullptr, dst, nullptr, 0, nullptr));
    EXPECT_EQ("RG BW", picture(half16));
    fill(half16, 0x07E0);  // green in 565
    ASSERT_EQ(DD_OK, src->Blt(nullptr, half16, nullptr, 0, nullptr));
    EXPECT_EQ("GG GG", picture(src));
    releaseLast({src, dst, one, half16});
}

// Between 32-bit formats that differ only in alpha, alpha is dropped or made
// opaque, at the same size and stretched.
TEST_F(BlitTest, AlphaIsDroppedOrMadeOpaqueBetweenArgbAndXrgb) {
    const DDPIXELFORMAT argbFormat{
        kPF, DDPF_RGB | DDPF_ALPHAPIXELS, 0, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000};
    IDirectDrawSurface4* argb = make(surfaceDesc(DDSCAPS_OFFSCREENPLAIN, 2, 1, argbFormat));
    IDirectDrawSurface4* xrgb = create(2, 1, DDSCAPS_OFFSCREENPLAIN);
    auto write = [](IDirectDrawSurface4* s, std::vector<DWORD> raw) {
        DDSURFACEDESC2 d{};
        d.dwSize = sizeof(d);
        ASSERT_EQ(DD_OK, s->Lock(nullptr, &d, DDLOCK_WAIT, nullptr));
        std::memcpy(d.lpSurface, raw.data(), 8);
        s->Unlock(nullptr);
    };
    auto read = [](IDirectDrawSurface4* s) {
        LONG pitch = 0;
        const std::vector<uint8_t> bytes = platform::testing::readSurfaceRaw(s, &pitch);
        std::vector<DWORD> raw(2);
        std::memcpy(raw.data(), bytes.data(), 8);
        return raw;
    };
    write(argb, {0x80FF0000, 0x00123456});
    ASSERT_EQ(DD_OK, xrgb->Blt(nullptr, argb, nullptr, DDBLT_WAIT, nullptr));
    EXPECT_EQ(read(xrgb), (std::vector<DWORD>{0x00FF0000, 0x00123456}));
    write(xrgb, {0xAB00FF00, 0xCD0000FF});
    RECT right{1, 0, 2, 1};
    ASSERT_EQ(DD_OK, argb->Blt(nullptr, xrgb, &right, DDBLT_WAIT, nullptr));
    EXPECT_EQ(read(argb), (std::vector<DWORD>{0xFF0000FF, 0xFF0000FF}));
    releaseLast({argb, xrgb});
}

// A red and blue source over a green and white destination. The source holds
// blue as its key and the destination white; the overrides key red and green.
TEST_F(BlitTest, ColourKeysChooseThePixelsWritten) {
    const struct {
        DWORD bits;
        bool fast;
        DWORD flags;
        const char* expected;
    } cases[] = {{32, false, 0, "RB"},
                 {32, false, DDBLT_KEYSRC, "RW"},
                 {32, false, DDBLT_KEYSRCOVERRIDE, "GB"},
                 {32, false, DDBLT_KEYDEST, "GB"},
                 {32, false, DDBLT_KEYDESTOVERRIDE, "RW"},
                 {32, false, DDBLT_KEYSRC | DDBLT_KEYDEST, "GW"},
                 {16, false, DDBLT_KEYSRC, "RW"},
                 {16, true, DDBLTFAST_SRCCOLORKEY, "RW"},
                 {32, true, DDBLTFAST_DESTCOLORKEY, "GB"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.bits << (c.fast ? " BltFast " : " Blt ") << c.flags);
        const bool b16 = c.bits == 16;
        const DWORD red = b16 ? 0xF800 : 0xFF0000, green = b16 ? 0x07E0 : 0xFF00;
        const DWORD blue = b16 ? 0x001F : 0xFF, white = b16 ? 0xFFFF : 0xFFFFFF;
        IDirectDrawSurface4* src = create(2, 1, DDSCAPS_OFFSCREENPLAIN, c.bits);
        IDirectDrawSurface4* dst = create(2, 1, DDSCAPS_OFFSCREENPLAIN, c.bits);
        RECT left{0, 0, 1, 1}, right{1, 0, 2, 1};
        fill(src, red, &left);
        fill(src, blue, &right);
        fill(dst, green, &left);
        fill(dst, white, &right);
        DDBLTFX fx = bltFx();
        fx.ddckSrcColorkey = DDCOLORKEY{red, red};
        fx.ddckDestColorkey = DDCOLORKEY{green, green};
        auto blit = [&] {
            return c.fast ? dst->BltFast(0, 0, src, nullptr, c.flags)
                          : dst->Blt(nullptr, src, nullptr, c.flags, &fx);
        };
        // Keys the surfaces do not hold yet are refused without work.
        if (c.fast || (c.flags & (DDBLT_KEYSRC | DDBLT_KEYDEST))) {
            EXPECT_EQ(DDERR_NOCOLORKEY, blit());
            EXPECT_EQ("GW", picture(dst));
        }
        DDCOLORKEY srcKey{blue, blue}, destKey{white, white};
        ASSERT_EQ(DD_OK, src->SetColorKey(DDCKEY_SRCBLT, &srcKey));
        ASSERT_EQ(DD_OK, dst->SetColorKey(DDCKEY_DESTBLT, &destKey));
        ASSERT_EQ(DD_OK, blit());
        EXPECT_EQ(c.expected, picture(dst));
        releaseLast({src, dst});
    }
}

// A source rectangle reaching outside the source, or empty, is refused
// before anything is copied.
TEST_F(BlitTest, SourceRectanglesOutsideTheSourceAreRefused) {
    IDirectDrawSurface4* src = create(2, 2, DDSCAPS_OFFSCREENPLAIN);
    IDirectDrawSurface4* dst = create(2, 2, DDSCAPS_OFFSCREENPLAIN);
    fill(src, 0xFFFFFF);
    for (RECT r : {RECT{0, 0, 3, 2}, RECT{-1, 0, 1, 1}, RECT{0, 1, 2, 3}, RECT{1, 1, 1, 2}}) {
        SCOPED_TRACE(testing::Message()
                     << r.left << "," << r.top << "," << r.right << "," << r.bottom);
        EXPECT_EQ(DDERR_INVALIDRECT, dst->Blt(nullptr, src, &r, DDBLT_WAIT, nullptr));
        EXPECT_EQ(DDERR_INVALIDRECT, dst->BltFast(0, 0, src, &r, 0));
    }
    EXPECT_EQ(".. ..", picture(dst));
    releaseLast({src, dst});
}

// Rows start on 8-byte boundaries, so the pitch shows the bytes per pixel
// of each format (0: refused), texture-only formats included; 24-bit pixels
// read back whole; a blit into 4444 keeps alpha (0x80 is 8 of 15, read back
// as 0x88).
TEST_F(BlitTest, FormatsStoreConvertAndReadBack) {
    const DDPIXELFORMAT palette8{kPF, DDPF_RGB | DDPF_PALETTEINDEXED8, 0, 8, 0, 0, 0, 0};
    const DDPIXELFORMAT rgb24{kPF, DDPF_RGB, 0, 24, 0xFF0000, 0xFF00, 0xFF, 0};
    const DDPIXELFORMAT argb8888{
        kPF, DDPF_RGB | DDPF_ALPHAPIXELS, 0, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000};
    const DDPIXELFORMAT argb4444{kPF,   DDPF_RGB | DDPF_ALPHAPIXELS, 0, 16, 0x0F00, 0x00F0, 0x000F,
                                 0xF000};
    const DWORD plain = DDSCAPS_OFFSCREENPLAIN, texture = DDSCAPS_TEXTURE;
    const struct {
        DDPIXELFORMAT format;
        DWORD caps, width;
        LONG pitch;
    } rows[] = {{palette8, plain, 8, 8},
                {kR5G6B5, plain, 4, 8},
                {rgb24, plain, 3, 16},
                {kX8R8G8B8, plain, 2, 8},
                {{kPF, DDPF_ALPHA, 0, 8, 0, 0, 0, 0}, texture, 8, 8},
                {{kPF, DDPF_LUMINANCE, 0, 8, 0xFF, 0, 0, 0}, texture, 8, 8},
                {{kPF, DDPF_BUMPDUDV, 0, 16, 0xFF, 0xFF00, 0, 0}, texture, 4, 8},
                {{kPF, 0, 0, 8, 0xFF, 0, 0, 0}, texture, 8, 0}};
    for (const auto& r : rows) {
        SCOPED_TRACE(testing::Message()
                     << std::hex << r.format.dwFlags << " " << r.format.dwRGBBitCount);
        const DDSURFACEDESC2 d = surfaceDesc(r.caps, r.width, 1, r.format);
        if (r.pitch == 0) {
            EXPECT_EQ(DDERR_INVALIDPIXELFORMAT, createResult(d));
            continue;
        }
        IDirectDrawSurface4* s = make(d);
        ASSERT_NE(nullptr, s);
        EXPECT_EQ(r.pitch, descOf(s).lPitch);
        EXPECT_EQ(0u, s->Release());
    }
    IDirectDrawSurface4* s24 = make(surfaceDesc(DDSCAPS_OFFSCREENPLAIN, 1, 1, rgb24));
    fill(s24, 0xFF8000);
    EXPECT_EQ("O", picture(s24));
    IDirectDrawSurface4* src = make(surfaceDesc(DDSCAPS_OFFSCREENPLAIN, 1, 1, argb8888));
    IDirectDrawSurface4* dst = make(surfaceDesc(DDSCAPS_OFFSCREENPLAIN, 1, 1, argb4444));
    fill(src, 0x8000FF00);
    ASSERT_EQ(DD_OK, dst->Blt(nullptr, src, nullptr, DDBLT_WAIT, nullptr));
    EXPECT_EQ(0x8800FF00u, pixel(dst, 0, 0));
    releaseLast({s24, src, dst});
}

TEST_F(BlitTest, ColourKeysAreReadBackAndCleared) {
    IDirectDrawSurface4* s = create(2, 2, DDSCAPS_OFFSCREENPLAIN);
    DDCOLORKEY key{};
    EXPECT_EQ(DDERR_NOCOLORKEY, s->GetColorKey(DDCKEY_SRCBLT, &key));
    DDCOLORKEY set{5, 9};
    ASSERT_EQ(DD_OK, s->SetColorKey(DDCKEY_SRCBLT, &set));
    ASSERT_EQ(DD_OK, s->GetColorKey(DDCKEY_SRCBLT, &key));
    EXPECT_EQ(5u, key.dwColorSpaceLowValue);
    EXPECT_EQ(5u, key.dwColorSpaceHighValue);  // no range without DDCKEY_COLORSPACE
    ASSERT_EQ(DD_OK, s->SetColorKey(DDCKEY_SRCBLT | DDCKEY_COLORSPACE, &set));
    ASSERT_EQ(DD_OK, s->GetColorKey(DDCKEY_SRCBLT, &key));
    EXPECT_EQ(9u, key.dwColorSpaceHighValue);
    ASSERT_EQ(DD_OK, s->SetColorKey(DDCKEY_SRCBLT, nullptr));
    EXPECT_EQ(DDERR_NOCOLORKEY, s->GetColorKey(DDCKEY_SRCBLT, &key));
    EXPECT_EQ(0u, s->Release());
}

TEST_F(BlitTest, ClipListLimitsTheBlitAndAllowsRectanglesOutside) {
    IDirectDrawSurface4* dst = create(6, 6, DDSCAPS_OFFSCREENPLAIN);
    RECT outside{-4, -4, 12, 12};
    DDBLTFX fx = bltFx(0xFFFFFF);
    EXPECT_EQ(DDERR_INVALIDRECT, dst->Blt(&outside, nullptr, nullptr, DDBLT_COLORFILL, &fx));
    IDirectDrawClipper* clipper = nullptr;
    ASSERT_EQ(DD_OK, dd->CreateClipper(0, &clipper, nullptr));
    struct {
        RGNDATAHEADER rdh;
        RECT rects[2];
    } region{{sizeof(RGNDATAHEADER), RDH_RECTANGLES, 2, 2 * sizeof(RECT), {}},
             {{0, 0, 2, 2}, {4, 4, 8, 8}}};
    ASSERT_EQ(DD_OK, clipper->SetClipList(reinterpret_cast<RGNDATA*>(&region), 0));
    ASSERT_EQ(DD_OK, dst->SetClipper(clipper));
    ASSERT_EQ(DD_OK, dst->Blt(&outside, nullptr, nullptr, DDBLT_COLORFILL, &fx));
    EXPECT_EQ("WW.... WW.... ...... ...... ....WW ....WW", picture(dst));
    // A copy at the same size reads the source where each clipped piece lands.
    IDirectDrawSurface4* src = create(6, 6, DDSCAPS_OFFSCREENPLAIN);
    RECT right{3, 0, 6, 6};
    fill(src, 0x00FF00);
    fill(src, 0x0000FF, &right);
    ASSERT_EQ(DD_OK, dst->Blt(nullptr, src, nullptr, DDBLT_WAIT, nullptr));
    EXPECT_EQ("GG.... GG.... ...... ...... ....BB ....BB", picture(dst));
    DWORD size = 0;
    ASSERT_EQ(DD_OK, clipper->GetClipList(nullptr, nullptr, &size));
    EXPECT_EQ(sizeof(RGNDATAHEADER) + 2 * sizeof(RECT), size);
    std::vector<char> buffer(size);
    ASSERT_EQ(DD_OK,
              clipper->GetClipList(nullptr, reinterpret_cast<RGNDATA*>(buffer.data()), &size));
    EXPECT_EQ(2u, reinterpret_cast<RGNDATA*>(buffer.data())->rdh.nCount);
    // Detaching drops the surface's reference: ours is the last.
    EXPECT_EQ(DD_OK, dst->SetClipper(nullptr));
    EXPECT_EQ(DDERR_NOCLIPPERATTACHED, dst->SetClipper(nullptr));
    releaseLast({clipper, dst, src});
}

// Under a window clipper an off-screen surface is not on the screen: Blt
// clips to its edges, BltFast is refused. Without the clipper BltFast copies
// but does not clip.
TEST_F(BlitTest, WindowClipperOnAnOffScreenSurface) {
    IDirectDrawSurface4* src = create(2, 2, DDSCAPS_OFFSCREENPLAIN);
    IDirectDrawSurface4* dst = create(4, 4, DDSCAPS_OFFSCREENPLAIN);
    fill(src, 0x00FF00);
    IDirectDrawClipper* clipper = nullptr;
    ASSERT_EQ(DD_OK, dd->CreateClipper(0, &clipper, nullptr));
    ASSERT_EQ(DD_OK, clipper->SetHWnd(0, window()));
    ASSERT_EQ(DD_OK, dst->SetClipper(clipper));
    EXPECT_EQ(DDERR_BLTFASTCANTCLIP, dst->BltFast(1, 1, src, nullptr, DDBLTFAST_WAIT));
    EXPECT_EQ(".... .... .... ....", picture(dst));
    RECT beyond{2, 2, 9, 9};
    fill(dst, 0xFFFFFF, &beyond);
    EXPECT_EQ(".... .... ..WW ..WW", picture(dst));
    ASSERT_EQ(DD_OK, dst->SetClipper(nullptr));
    ASSERT_EQ(DD_OK, dst->BltFast(1, 1, src, nullptr, DDBLTFAST_WAIT));
    EXPECT_EQ(".... .GG. .GGW ..WW", picture(dst));
    EXPECT_EQ(DDERR_INVALIDRECT, dst->BltFast(3, 3, src, nullptr, 0));
    RECT column{1, 0, 2, 2};  // one wide: it fits at the right edge
    ASSERT_EQ(DD_OK, dst->BltFast(3, 2, src, &column, 0));
    EXPECT_EQ(".... .GG. .GGG ..WG", picture(dst));
    releaseLast({clipper, src, dst});
}

TEST_F(BlitTest, LockGivesPitchAndPointerAndRefusesASecondLock) {
    IDirectDrawSurface4* s = create(5, 3, DDSCAPS_OFFSCREENPLAIN, 16);
    DDSURFACEDESC2 d{}, again{}, wrong{};
    d.dwSize = again.dwSize = sizeof(d);
    RECT r{1, 1, 3, 2};
    ASSERT_EQ(DD_OK, s->Lock(&r, &d, DDLOCK_WAIT | DDLOCK_WRITEONLY, nullptr));
    EXPECT_GE(d.lPitch, 10);
    const uint16_t red = 0xF800;
    std::memcpy(d.lpSurface, &red, 2);
    EXPECT_EQ(DDERR_SURFACEBUSY, s->Lock(nullptr, &again, DDLOCK_WAIT, nullptr));
    DDBLTFX fx = bltFx();
    EXPECT_EQ(DDERR_SURFACEBUSY, s->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL, &fx));
    ASSERT_EQ(DD_OK, s->Unlock(&r));
    EXPECT_EQ("..... .R... .....", picture(s));
    wrong.dwSize = 108;
    EXPECT_EQ(DDERR_INVALIDPARAMS, s->Lock(nullptr, &wrong, 0, nullptr));
    EXPECT_EQ(0u, s->Release());
}

// A DC still held when its surface goes is gone with it.
TEST_F(BlitTest, SurfaceDCDiesWithTheSurface) {
    IDirectDrawSurface4* s = create(4, 4, DDSCAPS_OFFSCREENPLAIN);
    HDC dc = nullptr;
    ASSERT_EQ(DD_OK, s->GetDC(&dc));
    EXPECT_EQ(32, GetDeviceCaps(dc, BITSPIXEL));
    EXPECT_EQ(0u, s->Release());
    EXPECT_EQ(0, GetDeviceCaps(dc, BITSPIXEL));
}

TEST_F(BlitTest, InjectedFailureIsReturnedWithoutWork) {
    IDirectDrawSurface4* s = create(2, 2, DDSCAPS_OFFSCREENPLAIN);
    platform::testing::failNextCall("IDirectDrawSurface4::Blt", DDERR_SURFACELOST);
    DDBLTFX fx = bltFx(0xFFFFFF);
    EXPECT_EQ(DDERR_SURFACELOST, s->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL, &fx));
    EXPECT_EQ(".. ..", picture(s));
    platform::testing::clearInjectedFailures();
    EXPECT_EQ(0u, s->Release());
}

}  // namespace
