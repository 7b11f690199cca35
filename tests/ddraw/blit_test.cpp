#include "ddraw_fixture.h"

#include <vector>

namespace {

class BlitTest : public DirectDrawTest {
protected:
    void SetUp() override {
        DirectDrawTest::SetUp();
        normal();
    }
};

TEST_F(BlitTest, ColourFillCoversTheRectangleOnly) {
    IDirectDrawSurface4* s = create(8, 8, DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY);
    fill(s, 0x000000);
    RECT r{2, 3, 5, 6};
    fill(s, 0x00FF8000, &r);
    EXPECT_EQ(0xFFFF8000u, pixel(s, 2, 3));
    EXPECT_EQ(0xFFFF8000u, pixel(s, 4, 5));
    EXPECT_EQ(0xFF000000u, pixel(s, 5, 5));
    EXPECT_EQ(0xFF000000u, pixel(s, 4, 6));
    EXPECT_EQ(0xFF000000u, pixel(s, 1, 3));
    EXPECT_EQ(0u, s->Release());
}

TEST_F(BlitTest, ColourFillOn16BitSurfaceWritesTheRawValue) {
    IDirectDrawSurface4* s = create(4, 4, DDSCAPS_OFFSCREENPLAIN, 16);
    fill(s, 0xF800);
    EXPECT_EQ(0xFFFF0000u, pixel(s, 3, 3));
    EXPECT_EQ(0u, s->Release());
}

TEST_F(BlitTest, CopyAndNearestStretch) {
    IDirectDrawSurface4* src = create(2, 2, DDSCAPS_OFFSCREENPLAIN);
    IDirectDrawSurface4* dst = create(4, 4, DDSCAPS_OFFSCREENPLAIN);
    fill(dst, 0);
    RECT q[4] = {{0, 0, 1, 1}, {1, 0, 2, 1}, {0, 1, 1, 2}, {1, 1, 2, 2}};
    const DWORD colours[4] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF};
    for (int i = 0; i < 4; ++i)
        fill(src, colours[i], &q[i]);
    // Plain copy into a corner.
    RECT to{2, 2, 4, 4};
    ASSERT_EQ(DD_OK, dst->Blt(&to, src, nullptr, DDBLT_WAIT, nullptr));
    EXPECT_EQ(0xFFFF0000u, pixel(dst, 2, 2));
    EXPECT_EQ(0xFFFFFFFFu, pixel(dst, 3, 3));
    EXPECT_EQ(0xFF000000u, pixel(dst, 1, 1));
    // Stretch to the whole surface: every source pixel becomes 2 x 2.
    ASSERT_EQ(DD_OK, dst->Blt(nullptr, src, nullptr, DDBLT_WAIT, nullptr));
    EXPECT_EQ(0xFFFF0000u, pixel(dst, 1, 1));
    EXPECT_EQ(0xFF00FF00u, pixel(dst, 2, 0));
    EXPECT_EQ(0xFF00FF00u, pixel(dst, 3, 1));
    EXPECT_EQ(0xFF0000FFu, pixel(dst, 0, 3));
    EXPECT_EQ(0xFFFFFFFFu, pixel(dst, 3, 3));
    // Shrink back: nearest pixel.
    IDirectDrawSurface4* small = create(1, 1, DDSCAPS_OFFSCREENPLAIN);
    ASSERT_EQ(DD_OK, small->Blt(nullptr, dst, nullptr, 0, nullptr));
    EXPECT_EQ(0xFFFF0000u, pixel(small, 0, 0));
    EXPECT_EQ(0u, small->Release());
    EXPECT_EQ(0u, src->Release());
    EXPECT_EQ(0u, dst->Release());
}

TEST_F(BlitTest, CopyConvertsBetween16And32Bits) {
    IDirectDrawSurface4* src = create(2, 1, DDSCAPS_OFFSCREENPLAIN, 16);
    IDirectDrawSurface4* dst = create(2, 1, DDSCAPS_OFFSCREENPLAIN, 32);
    fill(src, 0x07E0);  // green in 565
    ASSERT_EQ(DD_OK, dst->Blt(nullptr, src, nullptr, 0, nullptr));
    EXPECT_EQ(0xFF00FF00u, pixel(dst, 1, 0));
    EXPECT_EQ(0u, src->Release());
    EXPECT_EQ(0u, dst->Release());
}

TEST_F(BlitTest, SourceColourKeyLeavesKeyedPixelsUntouched) {
    IDirectDrawSurface4* src = create(2, 1, DDSCAPS_OFFSCREENPLAIN);
    IDirectDrawSurface4* dst = create(2, 1, DDSCAPS_OFFSCREENPLAIN);
    RECT left{0, 0, 1, 1}, right{1, 0, 2, 1};
    fill(src, 0xFF00FF, &left);
    fill(src, 0x123456, &right);
    fill(dst, 0x0000FF);
    // Without a key on the surface the keyed blit is refused.
    EXPECT_EQ(DDERR_NOCOLORKEY, dst->Blt(nullptr, src, nullptr, DDBLT_KEYSRC, nullptr));
    DDCOLORKEY key{0xFF00FF, 0xFF00FF};
    ASSERT_EQ(DD_OK, src->SetColorKey(DDCKEY_SRCBLT, &key));
    ASSERT_EQ(DD_OK, dst->Blt(nullptr, src, nullptr, DDBLT_KEYSRC, nullptr));
    EXPECT_EQ(0xFF0000FFu, pixel(dst, 0, 0));
    EXPECT_EQ(0xFF123456u, pixel(dst, 1, 0));
    // The override key takes the other pixel out instead.
    fill(dst, 0x0000FF);
    DDBLTFX fx{};
    fx.dwSize = sizeof(fx);
    fx.ddckSrcColorkey = DDCOLORKEY{0x123456, 0x123456};
    ASSERT_EQ(DD_OK, dst->Blt(nullptr, src, nullptr, DDBLT_KEYSRCOVERRIDE, &fx));
    EXPECT_EQ(0xFFFF00FFu, pixel(dst, 0, 0));
    EXPECT_EQ(0xFF0000FFu, pixel(dst, 1, 0));
    EXPECT_EQ(0u, src->Release());
    EXPECT_EQ(0u, dst->Release());
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
    IDirectDrawSurface4* dst = create(8, 8, DDSCAPS_OFFSCREENPLAIN);
    fill(dst, 0);
    RECT outside{-4, -4, 12, 12};
    DDBLTFX fx{};
    fx.dwSize = sizeof(fx);
    fx.dwFillColor = 0xFFFFFF;
    EXPECT_EQ(DDERR_INVALIDRECT, dst->Blt(&outside, nullptr, nullptr, DDBLT_COLORFILL, &fx));

    IDirectDrawClipper* clipper = nullptr;
    ASSERT_EQ(DD_OK, dd->CreateClipper(0, &clipper, nullptr));
    struct {
        RGNDATAHEADER rdh;
        RECT rects[2];
    } region{};
    region.rdh.dwSize = sizeof(RGNDATAHEADER);
    region.rdh.iType = RDH_RECTANGLES;
    region.rdh.nCount = 2;
    region.rdh.nRgnSize = sizeof(region.rects);
    region.rects[0] = RECT{0, 0, 2, 2};
    region.rects[1] = RECT{6, 6, 10, 10};
    ASSERT_EQ(DD_OK, clipper->SetClipList(reinterpret_cast<RGNDATA*>(&region), 0));
    ASSERT_EQ(DD_OK, dst->SetClipper(clipper));
    ASSERT_EQ(DD_OK, dst->Blt(&outside, nullptr, nullptr, DDBLT_COLORFILL, &fx));
    EXPECT_EQ(0xFFFFFFFFu, pixel(dst, 0, 0));
    EXPECT_EQ(0xFFFFFFFFu, pixel(dst, 1, 1));
    EXPECT_EQ(0xFF000000u, pixel(dst, 2, 2));
    EXPECT_EQ(0xFF000000u, pixel(dst, 5, 5));
    EXPECT_EQ(0xFFFFFFFFu, pixel(dst, 7, 7));

    // The clip list reads back.
    DWORD size = 0;
    ASSERT_EQ(DD_OK, clipper->GetClipList(nullptr, nullptr, &size));
    EXPECT_EQ(sizeof(RGNDATAHEADER) + 2 * sizeof(RECT), size);
    std::vector<char> buffer(size);
    ASSERT_EQ(DD_OK, clipper->GetClipList(nullptr, reinterpret_cast<RGNDATA*>(buffer.data()), &size));
    EXPECT_EQ(2u, reinterpret_cast<RGNDATA*>(buffer.data())->rdh.nCount);

    // Detaching drops the surface's reference: ours is the last.
    EXPECT_EQ(DD_OK, dst->SetClipper(nullptr));
    EXPECT_EQ(DDERR_NOCLIPPERATTACHED, dst->SetClipper(nullptr));
    EXPECT_EQ(0u, clipper->Release());
    EXPECT_EQ(0u, dst->Release());
}

TEST_F(BlitTest, BltFastIsRefusedUnderAClipperAndWorksWithoutIt) {
    IDirectDrawSurface4* src = create(2, 2, DDSCAPS_OFFSCREENPLAIN);
    IDirectDrawSurface4* dst = create(4, 4, DDSCAPS_OFFSCREENPLAIN);
    fill(src, 0x00FF00);
    fill(dst, 0);
    IDirectDrawClipper* clipper = nullptr;
    ASSERT_EQ(DD_OK, dd->CreateClipper(0, &clipper, nullptr));
    ASSERT_EQ(DD_OK, clipper->SetHWnd(0, window()));
    ASSERT_EQ(DD_OK, dst->SetClipper(clipper));
    EXPECT_EQ(DDERR_BLTFASTCANTCLIP, dst->BltFast(1, 1, src, nullptr, DDBLTFAST_WAIT));
    EXPECT_EQ(0xFF000000u, pixel(dst, 1, 1));
    ASSERT_EQ(DD_OK, dst->SetClipper(nullptr));
    ASSERT_EQ(DD_OK, dst->BltFast(1, 1, src, nullptr, DDBLTFAST_WAIT));
    EXPECT_EQ(0xFF00FF00u, pixel(dst, 1, 1));
    EXPECT_EQ(0xFF00FF00u, pixel(dst, 2, 2));
    EXPECT_EQ(0xFF000000u, pixel(dst, 3, 3));
    EXPECT_EQ(0xFF000000u, pixel(dst, 0, 0));
    // A glyph that does not fit is not clipped: the call fails.
    EXPECT_EQ(DDERR_INVALIDRECT, dst->BltFast(3, 3, src, nullptr, 0));
    EXPECT_EQ(0u, clipper->Release());
    EXPECT_EQ(0u, src->Release());
    EXPECT_EQ(0u, dst->Release());
}

TEST_F(BlitTest, BltFastSourceColourKey) {
    IDirectDrawSurface4* src = create(2, 1, DDSCAPS_OFFSCREENPLAIN, 16);
    IDirectDrawSurface4* dst = create(2, 1, DDSCAPS_OFFSCREENPLAIN, 16);
    RECT left{0, 0, 1, 1};
    fill(src, 0x001F);
    fill(src, 0xF800, &left);
    fill(dst, 0x07E0);
    DDCOLORKEY key{0x001F, 0x001F};
    ASSERT_EQ(DD_OK, src->SetColorKey(DDCKEY_SRCBLT, &key));
    ASSERT_EQ(DD_OK, dst->BltFast(0, 0, src, nullptr, DDBLTFAST_SRCCOLORKEY | DDBLTFAST_WAIT));
    EXPECT_EQ(0xFFFF0000u, pixel(dst, 0, 0));
    EXPECT_EQ(0xFF00FF00u, pixel(dst, 1, 0));
    EXPECT_EQ(0u, src->Release());
    EXPECT_EQ(0u, dst->Release());
}

TEST_F(BlitTest, LockGivesPitchAndPointerAndRefusesASecondLock) {
    IDirectDrawSurface4* s = create(5, 3, DDSCAPS_OFFSCREENPLAIN, 16);
    DDSURFACEDESC2 d{};
    d.dwSize = sizeof(d);
    RECT r{1, 1, 3, 2};
    ASSERT_EQ(DD_OK, s->Lock(&r, &d, DDLOCK_WAIT | DDLOCK_WRITEONLY, nullptr));
    EXPECT_GE(d.lPitch, 10);
    const uint16_t red = 0xF800;
    std::memcpy(d.lpSurface, &red, 2);
    DDSURFACEDESC2 again{};
    again.dwSize = sizeof(again);
    EXPECT_EQ(DDERR_SURFACEBUSY, s->Lock(nullptr, &again, DDLOCK_WAIT, nullptr));
    DDBLTFX fx{};
    fx.dwSize = sizeof(fx);
    EXPECT_EQ(DDERR_SURFACEBUSY, s->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL, &fx));
    ASSERT_EQ(DD_OK, s->Unlock(&r));
    EXPECT_EQ(DDERR_NOTLOCKED, s->Unlock(nullptr));
    EXPECT_EQ(0xFFFF0000u, pixel(s, 1, 1));
    EXPECT_EQ(0xFF000000u, pixel(s, 0, 1));
    DDSURFACEDESC2 wrong{};
    wrong.dwSize = 108;
    EXPECT_EQ(DDERR_INVALIDPARAMS, s->Lock(nullptr, &wrong, 0, nullptr));
    EXPECT_EQ(0u, s->Release());
}

TEST_F(BlitTest, InjectedFailureIsReturnedWithoutWork) {
    IDirectDrawSurface4* s = create(2, 2, DDSCAPS_OFFSCREENPLAIN);
    fill(s, 0);
    platform::testing::failNextCall("IDirectDrawSurface4::Blt", DDERR_SURFACELOST);
    DDBLTFX fx{};
    fx.dwSize = sizeof(fx);
    fx.dwFillColor = 0xFFFFFF;
    EXPECT_EQ(DDERR_SURFACELOST, s->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL, &fx));
    EXPECT_EQ(0xFF000000u, pixel(s, 0, 0));
    platform::testing::clearInjectedFailures();
    EXPECT_EQ(0u, s->Release());
}

}  // namespace
