// Images written into and read from surfaces: colour matching and colour
// keys, packing into any 16- or 32-bit RGB layout and the packed YUV ones
// ("UYVY", "YUY2"), and surface failures handed back unchanged.
#include "image_support.h"

#include <cstdlib>

namespace {

constexpr DWORD kUYVY = MAKEFOURCC('U', 'Y', 'V', 'Y');
constexpr DWORD kYUY2 = MAKEFOURCC('Y', 'U', 'Y', '2');

// Floats round to the nearest even byte before the layout keeps each
// channel's top bits (the layouts' bits are the round trip test's matter).
TEST(ColorMatchTest, FloatsRoundToTheNearestEvenAndTheDescriptionsFormatIsUsed) {
    const DDPIXELFORMAT f = kA8R8G8B8;
    // 127.5 rounds up to the even 128, 126.5 down to the even 126; out of
    // range is clamped.
    const float up = 127.5f / 255.0f, down = 126.5f / 255.0f;
    EXPECT_EQ(0xFFFF0000ul, DDColorMatch(f, Color(1.0f, 0.0f, 0.0f, 1.0f)));
    EXPECT_EQ(0x80007E00ul, DDColorMatch(f, Color(0.0f, down, 0.0f, up)));
    EXPECT_EQ(0x00000001ul, DDColorMatch(f, Color(0.0f, 0.0f, 0.6f / 255.0f, 0.4f / 255.0f)));
    EXPECT_EQ(0xFF00FF00ul, DDColorMatch(f, Color(-1.0f, 2.0f, -0.0f, 1.5f)));
    // The surface description's format is used.
    DDSURFACEDESC2 d{};
    d.ddpfPixelFormat = kR5G6B5;
    EXPECT_EQ(0xF800u, DDColorMatch(d, 0x00FF0000ul));
    EXPECT_EQ(0x07E0u, DDColorMatch(d, Color(0.0f, 1.0f, 0.0f, 1.0f)));
}

class SurfaceTest : public ::testing::Test {
protected:
    void TearDown() override {
        platform::testing::clearInjectedFailures();
        for (IDirectDrawSurface4* s : surfaces)
            s->Release();
    }
    IDirectDrawSurface4* make(DWORD width, DWORD height, const DDPIXELFORMAT& format) {
        IDirectDrawSurface4* s = dd.get() ? dd.create(width, height, format) : nullptr;
        EXPECT_NE(nullptr, s);
        if (s)
            surfaces.push_back(s);
        return s;
    }

    DirectDrawObject dd;
    ImageContainer image;
    std::vector<IDirectDrawSurface4*> surfaces;
};

// Surface failures are handed back (the key's two values are the texture
// tests' matter).
TEST_F(SurfaceTest, ChannelsKeepTheirTopBitsInEachLayoutBothWaysAndFailuresAreReturned) {
    fill(image, 2, 2, Words(4, 0));
    IDirectDrawSurface4* s = make(2, 2, kR5G6B5);
    platform::testing::failNextCall("IDirectDrawSurface4::SetColorKey", DDERR_SURFACELOST);
    EXPECT_EQ(DDERR_SURFACELOST, DDSetColorKey(s, 0));
    EXPECT_EQ(DDERR_INVALIDPARAMS, DDSetColorKey(nullptr, 0));
    const std::pair<const char*, HRESULT> failures[] = {
        {"IDirectDrawSurface4::GetSurfaceDesc", DDERR_SURFACELOST},
        {"IDirectDrawSurface4::Lock", DDERR_WASSTILLDRAWING},
        {"IDirectDrawSurface4::Unlock", DDERR_NOTLOCKED}};
    for (const auto& [method, result] : failures) {
        platform::testing::failNextCall(method, result);
        EXPECT_EQ(result, image.copy(s)) << method;
    }
    platform::testing::failNextCall("IDirectDrawSurface4::Lock", DDERR_SURFACEBUSY);
    EXPECT_EQ(DDERR_SURFACEBUSY, image.paste(s));
    EXPECT_EQ(DDERR_INVALIDPARAMS, image.copy(nullptr));
    EXPECT_EQ(DDERR_INVALIDPARAMS, image.paste(nullptr));
    platform::testing::clearInjectedFailures();
    s->Unlock(nullptr);

    // Each layout's copy of 0x9ABCDEF1 (565: 10111 110111 11110) beside a
    // transparent black, and what paste reads back from it into an image of
    // another size, with the alpha format the layout's alpha bits give.
    fill(image, 2, 1, {0x9ABCDEF1, 0});
    const struct {
        DDPIXELFORMAT layout;
        std::uint32_t copied, pasted;
        AlphaFormat alpha;
    } cases[] = {{kR5G6B5, 0xBEFE, 0x00B8DCF0, ALPHA_NONE},
                 {kX1R5G5B5, 0x5F7E, 0x00B8D8F0, ALPHA_NONE},
                 {kA1R5G5B5, 0xDF7E, 0x80B8D8F0, ALPHA_COLORKEY},
                 {kA4R4G4B4, 0x9BDF, 0x90B0D0F0, ALPHA_GRADED},
                 {kA8R8G8B8, 0x9ABCDEF1, 0x9ABCDEF1, ALPHA_NONE},
                 {rgbFormat(32, 0xFF0000, 0xFF00, 0xFF), 0xBCDEF1, 0xBCDEF1, ALPHA_NONE}};
    ImageContainer back;
    ASSERT_TRUE(back.create(3, 3, ALPHA_NONE));
    for (const auto& c : cases) {
        IDirectDrawSurface4* s = make(2, 1, c.layout);
        ASSERT_EQ(DD_OK, image.copy(s));
        std::uint32_t value = 0;
        std::memcpy(&value, surfaceBytes(s, c.layout.dwRGBBitCount / 8).data(),
                    c.layout.dwRGBBitCount / 8);
        ASSERT_EQ(DD_OK, back.paste(s));
        EXPECT_EQ(
            std::make_tuple(value, back.getWidth(), back.getHeight(), wordsOf(back),
                            back.getAlphaFormat(), back.hasAlpha()),
            std::make_tuple(c.copied, 2, 1, Words{c.pasted, 0}, c.alpha, c.alpha != ALPHA_NONE));
    }
}

TEST_F(SurfaceTest, YuvRoundTripsAreExactForGreysAndCloseForColours) {
    Words greys;
    for (int i = 0; i < 512; ++i)
        greys.push_back(0xFF000000u | 0x010101u * std::uint32_t(i < 256 ? i : 511 - i));
    for (DWORD fourCC : {kUYVY, kYUY2}) {
        fill(image, 256, 2, greys);
        IDirectDrawSurface4* s = make(256, 2, yuvFormat(fourCC));
        ASSERT_EQ(DD_OK, image.copy(s));
        // Greys 0 and 1: YUY2 is Y0 U Y1 V, UYVY is U Y0 V Y1, with middle chroma.
        const Bytes pair = surfaceBytes(s, 2);
        const Bytes expected = fourCC == kYUY2 ? Bytes{0, 128, 1, 128} : Bytes{128, 0, 128, 1};
        EXPECT_EQ(expected, Bytes(pair.begin(), pair.begin() + 4));
        ImageContainer back;
        ASSERT_EQ(DD_OK, back.paste(s));
        Words rgb = wordsOf(back);
        for (std::uint32_t& p : rgb)
            p |= 0xFF000000u;
        EXPECT_EQ(std::make_tuple(back.getHeight(), back.getAlphaFormat(), rgb),
                  std::make_tuple(2, ALPHA_NONE, greys));
        for (std::uint32_t colour : {0xFFC86432, 0xFF3296C8, 0xFF808000, 0xFF20E040}) {
            fill(image, 4, 2, Words(8, colour));
            ASSERT_EQ(DD_OK, image.copy(s = make(4, 2, yuvFormat(fourCC))));
            ASSERT_EQ(DD_OK, back.paste(s));
            const RGBAColor a = image.getData()[5], b = back.getData()[5];
            EXPECT_TRUE(std::abs(a.r - b.r) <= 5 && std::abs(a.g - b.g) <= 5 &&
                        std::abs(a.b - b.b) <= 5)
                << std::hex << colour << " " << word(b);
        }
    }
}

}  // namespace
