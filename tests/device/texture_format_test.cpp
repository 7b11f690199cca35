// Luminance, bump, alpha-only and FOURCC texture formats: enumeration in the
// order of a profile file, surfaces in those formats, and how the
// device treats textures it cannot sample.
#include "device_fixture.h"

#include <ostream>

// Formats are compared whole: size, flags, FOURCC, bit count and the masks in
// their union slots.
static bool operator==(const DDPIXELFORMAT& a, const DDPIXELFORMAT& b) {
    return std::memcmp(&a, &b, sizeof(a)) == 0;
}
static void PrintTo(const DDPIXELFORMAT& f, std::ostream* out) {
    *out << std::hex << "{size " << f.dwSize << ", flags " << f.dwFlags << ", fourCC " << f.dwFourCC
         << ", bits " << f.dwRGBBitCount << ", masks " << f.dwRBitMask << " " << f.dwGBitMask << " "
         << f.dwBBitMask << " " << f.dwRGBAlphaBitMask << "}";
}

namespace {

using Format = DDPIXELFORMAT;
constexpr DWORD kLA = DDPF_LUMINANCE | DDPF_ALPHAPIXELS,
                kBumpL = DDPF_BUMPDUDV | DDPF_BUMPLUMINANCE;
const Format kL8{kFormatSize, DDPF_LUMINANCE, 0, 8, 0xFF, 0, 0, 0};
const Format kA8L8{kFormatSize, kLA, 0, 16, 0xFF, 0, 0, 0xFF00};
const Format kA4L4{kFormatSize, kLA, 0, 8, 0x0F, 0, 0, 0xF0};
const Format kA8{kFormatSize, DDPF_ALPHA, 0, 8, 0, 0, 0, 0};
const Format kV8U8{kFormatSize, DDPF_BUMPDUDV, 0, 16, 0xFF, 0xFF00, 0, 0};
const Format kL6V5U5{kFormatSize, kBumpL, 0, 16, 0x1F, 0x3E0, 0xFC00, 0};
const Format kX8L8V8U8{kFormatSize, kBumpL, 0, 32, 0xFF, 0xFF00, 0xFF0000, 0};
const Format kDXT1{kFormatSize, DDPF_FOURCC, MAKEFOURCC('D', 'X', 'T', '1'), 0, 0, 0, 0, 0};
const Format kUYVY{kFormatSize, DDPF_FOURCC, MAKEFOURCC('U', 'Y', 'V', 'Y'), 16, 0, 0, 0, 0};
const Format kR5G6B5{kFormatSize, DDPF_RGB, 0, 16, 0xF800, 0x07E0, 0x001F, 0};

std::vector<Format> textureFormats(IDirect3DDevice3* device) {
    std::vector<Format> formats;
    auto collect = [](DDPIXELFORMAT* f, LPVOID context) -> HRESULT {
        static_cast<std::vector<Format>*>(context)->push_back(*f);
        return D3DENUMRET_OK;
    };
    EXPECT_EQ(D3D_OK, device->EnumTextureFormats(collect, &formats));
    return formats;
}

class TextureKindsProfileTest : public DeviceTest {
protected:
    TextureKindsProfileTest() { profile_ = "texture_kinds.cfg"; }
};

}  // namespace

TEST_F(TextureKindsProfileTest, EnumerationKeepsTheOrderOfTheFile) {
    makeDevice();
    EXPECT_EQ(
        (std::vector<Format>{kX8L8V8U8, kDXT1, kA8L8, kR5G6B5, kA8, kUYVY, kL8, kL6V5U5, kARGB}),
        textureFormats(device));
    // Compressed formats are listed but cannot be made.
    EXPECT_EQ(nullptr, surface(8, 8, DDSCAPS_TEXTURE, kDXT1, 0, DDERR_INVALIDPIXELFORMAT));
}

TEST(TextureFormatProfile, BadFormatsAreRefusedNamingTheProblem) {
    const struct {
        const char* file;
        const char* words;
    } cases[] = {{"overlapping_masks.cfg", "overlap"},
                 {"unknown_format_kind.cfg", "palette"},
                 {"long_fourcc.cfg", "DXT10"}};
    for (const auto& c : cases) {
        std::string error;
        EXPECT_FALSE(platform::testing::loadDisplayProfile(
            std::string(D3DDRIVER_SOURCE_DIR) + "/tests/device/data/" + c.file, &error))
            << c.file;
        EXPECT_NE(std::string::npos, error.find(c.file)) << error;
        EXPECT_NE(std::string::npos, error.find(c.words)) << error;
    }
    platform::testing::useDefaultDisplayProfile();
}

class TextureKindSurfaceTest : public DeviceTest, public ::testing::WithParamInterface<Format> {};

// Each format makes a texture whose memory holds what was written, byte for
// byte, with the format given back unchanged; plain surfaces cannot have it.
TEST_P(TextureKindSurfaceTest, OnlyTexturesCanBeMadeAndHoldTheirBytes) {
    const DDPIXELFORMAT format = GetParam();
    const DWORD w = 6, h = 3, bytes = format.dwRGBBitCount / 8;
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
    LONG pitch = 0;
    const std::vector<uint8_t> held = platform::testing::readSurfaceRaw(s, &pitch);
    for (DWORD y = 0; y < h; ++y)
        for (DWORD i = 0; i < w * bytes; ++i)
            ASSERT_EQ(static_cast<BYTE>(y * 40 + i + 1), held.at(y * pitch + i)) << y << " " << i;
    EXPECT_EQ(0u, s->Release());

    EXPECT_EQ(nullptr, surface(4, 4, DDSCAPS_OFFSCREENPLAIN, format, 0, DDERR_INVALIDPIXELFORMAT));
}

std::string kindName(const ::testing::TestParamInfo<Format>& info) {
    static const char* const names[] = {"L8", "A8L8", "A4L4", "A8", "V8U8", "L6V5U5", "X8L8V8U8"};
    return names[info.index];
}

INSTANTIATE_TEST_SUITE_P(Kinds, TextureKindSurfaceTest,
                         ::testing::Values(kL8, kA8L8, kA4L4, kA8, kV8U8, kL6V5U5, kX8L8V8U8),
                         kindName);

// The rasteriser samples RGB formats only: a black luminance texture is
// refused by ValidateDevice and reads as white when drawn anyway.
TEST_F(DeviceTest, LuminanceTextureIsRefusedByValidationAndDrawsAsWhite) {
    makeDevice();
    IDirectDrawSurface4* s = surface(2, 2, DDSCAPS_TEXTURE, kL8);  // made black
    ASSERT_NE(nullptr, s);
    bind(s);
    DWORD passes = 0;
    EXPECT_EQ(D3DERR_WRONGTEXTUREFORMAT, device->ValidateDevice(&passes));
    ASSERT_EQ(D3D_OK, quad(0, 0, 8, 8, 0.5f, 0xFF4080C0));
    EXPECT_RGB_NEAR(0x4080C0u, rgb(3, 3), 1);  // diffuse times white
    bind(nullptr);
    EXPECT_EQ(0u, s->Release());
}
