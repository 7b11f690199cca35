// Texture containers: which image a stage's surface is made from, at what
// size, in what pixel format, with what mip chain; restore and create counts;
// what a container left in use reports.
#include "texture_fixture.h"

namespace {

// A colour that changes with every 4 x 4 block, so that two halvings give
// one pixel per block.
uint32_t blockColour(int x, int y) {
    return 0xFF000000u | (uint32_t((x / 4) * 16) << 16) | (uint32_t((y / 4) * 16) << 8) | 0x40;
}

const char* const kModes = R"(
TextureModes = {
    Mode_1 = { qualities = [0, 1, 2]; };
    Mode_2 = { qualities = [0]; };
    Mode_3 = { mipmaps = true; };
};
)";

// The quality of the mode at the driver's scale factor says how often the
// image is halved: from the nearest hand-made level above (in a numbered
// folder beside the file), and only while both sides divide exactly. Mip
// levels are made the same way.
TEST_F(TextureTest, ImagesAreReducedAsTheQualityAsksAndMipLevelsAlike) {
    writeTextureConfig(kModes);
    makeManager();
    writeImage("Textures/wall.tga", 256, 256, blockColour);
    writeSolid("Textures/hand.tga", 256, 256, kRed);
    writeSolid("Textures/1/hand.tga", 128, 128, kGreen);
    writeSolid("flat.tga", 16, 16, kRed);
    writeSolid("2/flat.tga", 4, 4, kBlue);
    writeSolid("short.tga", 32, 32, kRed);
    writeSolid("a.tga", 96, 64, kRed);
    writeSolid("b.tga", 90, 64, kRed);
    const struct {
        const char* name;
        int mode, scale, width, height;
        uint32_t colour;  // 0: the blocks
    } cases[] = {
        {"Textures/wall.tga", 1, 2, 64, 64, 0}, {"Textures/hand.tga", 1, 2, 64, 64, kGreen},
        {"flat.tga", 1, 2, 4, 4, kBlue},        {"short.tga", 2, 2, 32, 32, kRed},
        {"a.tga", 1, 1, 48, 32, kRed},          {"a.tga", 1, 2, 24, 16, kRed},
        {"b.tga", 1, 2, 90, 64, kRed}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " at scale " + std::to_string(c.scale));
        g_driverSettings.textureScaleFactor = c.scale;
        TextureInterface* texture = restoredTexture(c.name, c.mode);
        EXPECT_EQ(c.width, texture->getTextureWidth(0));
        EXPECT_EQ(c.height, texture->getTextureHeight(0));
        const std::vector<uint32_t> shown = pixels(texture->getSurface(0));
        ASSERT_EQ(size_t(c.width * c.height), shown.size());
        int wrong = 0;
        for (int i = 0; i < c.width * c.height; ++i)
            wrong += rgb565Bits(shown[i]) !=
                     rgb565Bits(c.colour ? c.colour : blockColour(i % 64 * 4, i / 64 * 4));
        EXPECT_EQ(0, wrong);
        release(texture);
    }

    // A mip chain needs the mode and the driver setting, and both sides above
    // one; its levels come from hand-made images or by halving the level above.
    writeSolid("m.tga", 256, 64, kRed);
    writeSolid("n.tga", 256, 64, kRed);
    writeSolid("1/n.tga", 128, 32, kBlue);
    writeSolid("line.tga", 64, 1, kRed);
    TextureInterface* off = restoredTexture("m.tga", 3);
    EXPECT_FALSE(off->getDescription(0).ddsCaps.dwCaps & DDSCAPS_MIPMAP);
    release(off);
    g_driverSettings.mipmaps = true;
    TextureInterface* line = restoredTexture("line.tga", 3);
    EXPECT_FALSE(line->getDescription(0).ddsCaps.dwCaps & DDSCAPS_MIPMAP);
    release(line);

    for (const auto& [name, colour] : {std::pair{"m.tga", kRed}, std::pair{"n.tga", kBlue}}) {
        SCOPED_TRACE(name);
        TextureInterface* texture = restoredTexture(name, 3);
        const DDSURFACEDESC2& d = texture->getDescription(0);
        EXPECT_TRUE(d.ddsCaps.dwCaps & DDSCAPS_MIPMAP);
        EXPECT_EQ(6u, d.dwMipMapCount) << "floor(log2(64)) levels";
        IDirectDrawSurface4* level = texture->getSurface(0);
        level->AddRef();
        for (size_t size : {128u * 32u, 64u * 16u}) {
            DDSCAPS2 caps{};
            caps.dwCaps = DDSCAPS_TEXTURE | DDSCAPS_MIPMAP;
            IDirectDrawSurface4* next = nullptr;
            ASSERT_EQ(DD_OK, level->GetAttachedSurface(&caps, &next));
            level->Release();
            level = next;
            const std::vector<uint32_t> shown = pixels(level);
            ASSERT_EQ(size, shown.size());
            EXPECT_EQ(rgb565Bits(colour), rgb565Bits(shown[100]));
        }
        level->Release();
        release(texture);
    }
}

// Devices that take powers of two only (the image stretched, no mip chain),
// square textures up to 64 texels, or hardware, which needs 4 texels a side.
TEST_F(TextureTest, SidesFollowWhatTheDeviceTakes) {
    const struct {
        const char* profile;
        const GUID* device;
        int width, height, expectedWidth, expectedHeight;
    } cases[] = {{"pow2.cfg", &IID_IDirect3DRGBDevice, 300, 200, 512, 256},
                 {"pow2.cfg", &IID_IDirect3DRGBDevice, 5, 1, 8, 1},
                 {"square_small.cfg", &IID_IDirect3DRGBDevice, 128, 16, 64, 64},
                 {nullptr, &IID_IDirect3DHALDevice, 2, 2, 4, 4}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.width);
        stop();
        start(c.profile, c.device);
        writeTextureConfig(kModes);
        makeManager();
        g_driverSettings.mipmaps = true;
        writeSolid("side.tga", c.width, c.height, kRed);
        TextureInterface* texture = restoredTexture("side.tga", 3);
        EXPECT_EQ(c.expectedWidth, texture->getTextureWidth(0));
        EXPECT_EQ(c.expectedHeight, texture->getTextureHeight(0));
        EXPECT_FALSE(texture->getDescription(0).ddsCaps.dwCaps & DDSCAPS_MIPMAP);
        release(texture);
    }
}

// Opaque, one-bit and graded alpha each want their own 16-bit format; on
// devices without it graded alpha falls back to one bit, and that to none.
TEST_F(TextureTest, EachAlphaKindGetsItsFormatOrFallsBack) {
    struct Format {
        DWORD alpha, red;
    };
    const Format opaque{0, 0xF800}, oneBit{0x8000, 0x7C00}, graded{0xF000, 0x0F00};
    const struct {
        const char* profile;
        Format expected[3];  // for opaque, keyed and graded images
    } cases[] = {{nullptr, {opaque, oneBit, graded}},
                 {"colorkey_formats.cfg", {opaque, oneBit, oneBit}},
                 {"opaque_formats.cfg", {opaque, opaque, opaque}}};
    for (const auto& c : cases) {
        stop();
        start(c.profile);
        writeSolid("opaque.tga", 8, 8, kRed);
        writeImage("keyed.tga", 8, 8, [](int x, int) { return x ? kRed : 0x00000000u; });
        writeImage("graded.tga", 8, 8, [](int x, int) { return x ? kRed : 0x80FF0000u; });
        int i = 0;
        for (const char* name : {"opaque.tga", "keyed.tga", "graded.tga"}) {
            TextureInterface* texture = restoredTexture(name);
            const DDPIXELFORMAT& f = texture->getDescription(0).ddpfPixelFormat;
            const Format& expected = c.expected[i++];
            EXPECT_EQ(expected.red, f.dwRBitMask) << c.profile << " " << name;
            EXPECT_EQ(expected.alpha, f.dwRGBAlphaBitMask) << c.profile << " " << name;
            release(texture);
        }
    }
}

// A missing file gives a container without image, which cannot be restored
// and waits among the invalid ones until destroyed; a custom texture of no
// size is refused. A null name is empty. (Absolute and relative names are
// the sharing test's matter.) A container destroyed with references left
// reports its counts; one given back in full frees its image and reports
// nothing.
TEST_F(TextureTest, MissingImagesNamesAndContainersLeftInUse) {
    TextureInterface* texture = manager->createTexture("Textures/missing.tga", true, 0);
    ASSERT_NE(nullptr, texture);
    EXPECT_EQ(0, container(texture)->getReferences());
    EXPECT_FALSE(texture->restore(nullptr, nullptr, 0, false));
    EXPECT_TRUE(manager->isInvalid(container(texture)));
    texture->invalidate(0);
    manager->destroyTexture(texture);
    EXPECT_FALSE(manager->isInvalid(container(texture)));
    EXPECT_EQ(nullptr, manager->createTexture(0, 4, ALPHA_NONE, 0));
    EXPECT_EQ(nullptr, manager->createTexture(4, 0, ALPHA_NONE, 0));
    TextureContainer unnamed;
    unnamed.setName(nullptr);
    EXPECT_STREQ("", unnamed.getName());

    {
        TextureContainer left, given;
        ASSERT_TRUE(left.create(4, 4, ALPHA_NONE, 0));
        EXPECT_TRUE(left.create(8, 8, ALPHA_NONE, 0)) << "a second create only counts";
        left.destroy();
        EXPECT_EQ(4, left.getImageWidth()) << "one reference is left";
        ASSERT_TRUE(left.restore(nullptr, nullptr, 0, false));
        EXPECT_NE(0u, manager->getTexturesSize());
        ASSERT_TRUE(given.create(2, 2, ALPHA_NONE, 0));
        given.destroy();
        EXPECT_EQ(nullptr, given.getImage());
    }
    EXPECT_EQ(0u, manager->getTexturesSize()) << "its surface is given back all the same";
    // One error for the missing image and each refusal, then the report.
    ASSERT_EQ(4u, records.size());
    const std::string report = "texture custom texture 4 x 4 has references 1, restored 1";
    EXPECT_EQ(std::make_pair(records.back().kind, records.back().text),
              std::make_pair(debug::Message::Kind::Error, report));
}

}  // namespace
