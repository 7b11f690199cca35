// Luminance, bump, alpha-only and FOURCC texture formats: enumeration from the
// built-in profile and from a file, surfaces in those formats, and how the
// device treats textures it cannot sample.
#include "device_fixture.h"

namespace {

HRESULT CALLBACK collectFormat(DDPIXELFORMAT* format, LPVOID context) {
    static_cast<std::vector<DDPIXELFORMAT>*>(context)->push_back(*format);
    return D3DENUMRET_OK;
}

// What a DirectX 6 driver reports, field by field (masks in their union slots).
struct Expected {
    DWORD flags;
    DWORD fourCC;
    DWORD bits;
    DWORD m1, m2, m3, m4;
};

void expectFormat(const Expected& e, const DDPIXELFORMAT& f, size_t index) {
    SCOPED_TRACE(::testing::Message() << "format " << index);
    EXPECT_EQ(32u, f.dwSize);
    EXPECT_EQ(e.flags, f.dwFlags);
    EXPECT_EQ(e.fourCC, f.dwFourCC);
    EXPECT_EQ(e.bits, f.dwRGBBitCount);
    EXPECT_EQ(e.m1, f.dwRBitMask);
    EXPECT_EQ(e.m2, f.dwGBitMask);
    EXPECT_EQ(e.m3, f.dwBBitMask);
    EXPECT_EQ(e.m4, f.dwRGBAlphaBitMask);
}

const Expected kL8{DDPF_LUMINANCE, 0, 8, 0xFF, 0, 0, 0};
const Expected kA8L8{DDPF_LUMINANCE | DDPF_ALPHAPIXELS, 0, 16, 0xFF, 0, 0, 0xFF00};
const Expected kA4L4{DDPF_LUMINANCE | DDPF_ALPHAPIXELS, 0, 8, 0x0F, 0, 0, 0xF0};
const Expected kA8{DDPF_ALPHA, 0, 8, 0, 0, 0, 0};
const Expected kV8U8{DDPF_BUMPDUDV, 0, 16, 0xFF, 0xFF00, 0, 0};
const Expected kL6V5U5{DDPF_BUMPDUDV | DDPF_BUMPLUMINANCE, 0, 16, 0x1F, 0x3E0, 0xFC00, 0};
const Expected kX8L8V8U8{DDPF_BUMPDUDV | DDPF_BUMPLUMINANCE, 0, 32, 0xFF, 0xFF00, 0xFF0000, 0};
const Expected kDXT1{DDPF_FOURCC, MAKEFOURCC('D', 'X', 'T', '1'), 0, 0, 0, 0, 0};
const Expected kUYVY{DDPF_FOURCC, MAKEFOURCC('U', 'Y', 'V', 'Y'), 16, 0, 0, 0, 0};

DDPIXELFORMAT toFormat(const Expected& e) {
    DDPIXELFORMAT f{};
    f.dwSize = sizeof(f);
    f.dwFlags = e.flags;
    f.dwFourCC = e.fourCC;
    f.dwRGBBitCount = e.bits;
    f.dwRBitMask = e.m1;
    f.dwGBitMask = e.m2;
    f.dwBBitMask = e.m3;
    f.dwRGBAlphaBitMask = e.m4;
    return f;
}

}  // namespace

TEST_F(DeviceTest, DefaultTextureFormatsListRgbThenLuminanceBumpAndFourCC) {
    makeDevice();
    std::vector<DDPIXELFORMAT> formats;
    ASSERT_EQ(D3D_OK, device->EnumTextureFormats(collectFormat, &formats));
    const Expected expected[] = {
        {DDPF_RGB, 0, 16, 0xF800, 0x07E0, 0x001F, 0},
        {DDPF_RGB, 0, 16, 0x7C00, 0x03E0, 0x001F, 0},
        {DDPF_RGB | DDPF_ALPHAPIXELS, 0, 16, 0x7C00, 0x03E0, 0x001F, 0x8000},
        {DDPF_RGB | DDPF_ALPHAPIXELS, 0, 16, 0x0F00, 0x00F0, 0x000F, 0xF000},
        {DDPF_RGB | DDPF_ALPHAPIXELS, 0, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000},
        {DDPF_RGB, 0, 32, 0xFF0000, 0xFF00, 0xFF, 0},
        kL8,
        kA8L8,
        kA4L4,
        kA8,
        kV8U8,
        kL6V5U5,
        kX8L8V8U8,
        kDXT1,
        kUYVY};
    ASSERT_EQ(std::size(expected), formats.size());
    for (size_t i = 0; i < formats.size(); ++i)
        expectFormat(expected[i], formats[i], i);
}

class TextureKindsProfileTest : public DeviceTest {
protected:
    TextureKindsProfileTest() { profile_ = "texture_kinds.cfg"; }
};

TEST_F(TextureKindsProfileTest, EnumerationKeepsTheOrderOfTheFile) {
    makeDevice();
    std::vector<DDPIXELFORMAT> formats;
    ASSERT_EQ(D3D_OK, device->EnumTextureFormats(collectFormat, &formats));
    const Expected expected[] = {
        kX8L8V8U8,
        kDXT1,
        kA8L8,
        {DDPF_RGB, 0, 16, 0xF800, 0x07E0, 0x001F, 0},
        kA8,
        kUYVY,
        kL8,
        kL6V5U5,
        {DDPF_RGB | DDPF_ALPHAPIXELS, 0, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000}};
    ASSERT_EQ(std::size(expected), formats.size());
    for (size_t i = 0; i < formats.size(); ++i)
        expectFormat(expected[i], formats[i], i);
}

TEST(TextureFormatProfile, BadFormatsAreRefusedNamingTheProblem) {
    struct Case {
        const char* file;
        const char* words;
    };
    const Case cases[] = {{"overlapping_masks.cfg", "overlap"},
                          {"unknown_format_kind.cfg", "palette"},
                          {"long_fourcc.cfg", "DXT10"}};
    for (const Case& c : cases) {
        std::string error;
        EXPECT_FALSE(platform::testing::loadDisplayProfile(deviceDataPath(c.file), &error))
            << c.file;
        EXPECT_NE(std::string::npos, error.find(c.file)) << error;
        EXPECT_NE(std::string::npos, error.find(c.words)) << error;
    }
    platform::testing::useDefaultDisplayProfile();
}

class TextureKindSurfaceTest : public DeviceTest, public ::testing::WithParamInterface<Expected> {};

// Each format makes a texture whose memory holds what was written, byte for
// byte, with the format given back unchanged.
TEST_P(TextureKindSurfaceTest, TextureCanBeCreatedLockedAndReadBack) {
    const Expected e = GetParam();
    const DDPIXELFORMAT format = toFormat(e);
    const DWORD w = 6, h = 3, bytes = e.bits / 8;
    IDirectDrawSurface4* s = surface(w, h, DDSCAPS_TEXTURE, format);
    ASSERT_NE(nullptr, s);
    DDSURFACEDESC2 d{};
    d.dwSize = sizeof(d);
    ASSERT_EQ(DD_OK, s->GetSurfaceDesc(&d));
    EXPECT_EQ(0, std::memcmp(&format, &d.ddpfPixelFormat, sizeof(format)));

    ASSERT_EQ(DD_OK, s->Lock(nullptr, &d, DDLOCK_WAIT, nullptr));
    ASSERT_NE(nullptr, d.lpSurface);
    ASSERT_GE(d.lPitch, static_cast<LONG>(w * bytes));
    for (DWORD y = 0; y < h; ++y)
        for (DWORD i = 0; i < w * bytes; ++i)
            static_cast<BYTE*>(d.lpSurface)[y * d.lPitch + i] = static_cast<BYTE>(y * 40 + i + 1);
    ASSERT_EQ(DD_OK, s->Unlock(nullptr));

    DDSURFACEDESC2 again{};
    again.dwSize = sizeof(again);
    ASSERT_EQ(DD_OK, s->Lock(nullptr, &again, DDLOCK_WAIT | DDLOCK_READONLY, nullptr));
    for (DWORD y = 0; y < h; ++y)
        for (DWORD i = 0; i < w * bytes; ++i)
            ASSERT_EQ(static_cast<BYTE>(y * 40 + i + 1),
                      static_cast<const BYTE*>(again.lpSurface)[y * again.lPitch + i])
                << "row " << y << " byte " << i;
    ASSERT_EQ(DD_OK, s->Unlock(nullptr));
    EXPECT_EQ(0u, s->Release());
}

TEST_P(TextureKindSurfaceTest, OnlyTexturesMayHaveTheFormat) {
    DDSURFACEDESC2 d{};
    d.dwSize = sizeof(d);
    d.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
    d.dwWidth = 4;
    d.dwHeight = 4;
    d.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN;
    d.ddpfPixelFormat = toFormat(GetParam());
    IDirectDrawSurface4* s = nullptr;
    EXPECT_EQ(DDERR_INVALIDPIXELFORMAT, dd->CreateSurface(&d, &s, nullptr));
    EXPECT_EQ(nullptr, s);
}

static std::string kindName(const ::testing::TestParamInfo<Expected>& info) {
    static const char* const names[] = {"L8", "A8L8", "A4L4", "A8", "V8U8", "L6V5U5", "X8L8V8U8"};
    return names[info.index];
}

INSTANTIATE_TEST_SUITE_P(Kinds, TextureKindSurfaceTest,
                         ::testing::Values(kL8, kA8L8, kA4L4, kA8, kV8U8, kL6V5U5, kX8L8V8U8),
                         kindName);

TEST_F(DeviceTest, CompressedTexturesAreEnumeratedButCannotBeCreated) {
    DDSURFACEDESC2 d{};
    d.dwSize = sizeof(d);
    d.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
    d.dwWidth = 8;
    d.dwHeight = 8;
    d.ddsCaps.dwCaps = DDSCAPS_TEXTURE;
    d.ddpfPixelFormat = toFormat(kDXT1);
    IDirectDrawSurface4* s = nullptr;
    EXPECT_EQ(DDERR_INVALIDPIXELFORMAT, dd->CreateSurface(&d, &s, nullptr));
    EXPECT_EQ(nullptr, s);
}

// The rasteriser samples RGB formats only: a luminance texture is refused by
// ValidateDevice and reads as white when drawn anyway.
TEST_F(DeviceTest, LuminanceTextureIsRefusedByValidationAndDrawsAsWhite) {
    makeDevice();
    IDirectDrawSurface4* s = surface(2, 2, DDSCAPS_TEXTURE, toFormat(kL8));
    ASSERT_NE(nullptr, s);
    DDSURFACEDESC2 d{};
    d.dwSize = sizeof(d);
    ASSERT_EQ(DD_OK, s->Lock(nullptr, &d, DDLOCK_WAIT, nullptr));
    for (DWORD y = 0; y < 2; ++y)
        std::memset(static_cast<BYTE*>(d.lpSurface) + y * d.lPitch, 0, 2);  // black
    ASSERT_EQ(DD_OK, s->Unlock(nullptr));
    IDirect3DTexture2* t = nullptr;
    ASSERT_EQ(DD_OK, s->QueryInterface(IID_IDirect3DTexture2, reinterpret_cast<void**>(&t)));
    ASSERT_EQ(D3D_OK, device->SetTexture(0, t));
    DWORD passes = 0;
    EXPECT_EQ(D3DERR_WRONGTEXTUREFORMAT, device->ValidateDevice(&passes));
    ASSERT_EQ(D3D_OK, quad(0, 0, 8, 8, 0.5f, 0xFF4080C0));
    EXPECT_RGB_NEAR(0x4080C0u, rgb(3, 3), 1);  // diffuse times white

    // The same state with an RGB texture validates.
    IDirectDrawSurface4* rgbSurface = texture(1, 1, {0xFFFFFFFF});
    IDirect3DTexture2* rgbTexture = nullptr;
    ASSERT_EQ(DD_OK, rgbSurface->QueryInterface(IID_IDirect3DTexture2,
                                                reinterpret_cast<void**>(&rgbTexture)));
    ASSERT_EQ(D3D_OK, device->SetTexture(0, rgbTexture));
    EXPECT_EQ(D3D_OK, device->ValidateDevice(&passes));
    EXPECT_EQ(1u, passes);

    device->SetTexture(0, nullptr);
    rgbTexture->Release();
    t->Release();
    EXPECT_EQ(0u, rgbSurface->Release());
    EXPECT_EQ(0u, s->Release());
}
