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

class ReductionTest : public TextureTest {
protected:
    void SetUp() override {
        TextureTest::SetUp();
        writeTextureConfig(kModes);
        makeManager();
    }
};

TEST_F(ReductionTest, HalvesTheImageAsOftenAsTheQualityAsks) {
    writeImage("Textures/wall.tga", 256, 256, blockColour);
    g_driverSettings.textureScaleFactor = 2;
    TextureInterface* texture = restoredTexture("Textures/wall.tga", 1);
    EXPECT_EQ(64, texture->getTextureWidth(0));
    EXPECT_EQ(64, texture->getTextureHeight(0));
    const std::vector<uint32_t> shown = pixels(texture->getSurface(0));
    ASSERT_EQ(64u * 64u, shown.size());
    for (int y : {0, 17, 63})
        for (int x : {0, 5, 40, 63})
            EXPECT_EQ(rgb565Bits(blockColour(x * 4, y * 4)), rgb565Bits(shown[y * 64 + x]))
                << x << ", " << y;
    release(texture);
}

TEST_F(ReductionTest, AHandMadeLevelIsHalvedInsteadOfTheFullImage) {
    writeSolid("Textures/wall.tga", 256, 256, kRed);
    writeSolid("Textures/1/wall.tga", 128, 128, kGreen);
    g_driverSettings.textureScaleFactor = 2;
    TextureInterface* texture = restoredTexture("Textures/wall.tga", 1);
    EXPECT_EQ(64, texture->getTextureWidth(0));
    for (uint32_t p : pixels(texture->getSurface(0)))
        ASSERT_EQ(rgb565Bits(kGreen), rgb565Bits(p));
    release(texture);
}

TEST_F(ReductionTest, LevelsOfANameWithoutFolderLieInNumberedFolders) {
    writeSolid("flat.tga", 16, 16, kRed);
    writeSolid("2/flat.tga", 4, 4, kBlue);
    g_driverSettings.textureScaleFactor = 2;
    TextureInterface* texture = restoredTexture("flat.tga", 1);
    EXPECT_EQ(4, texture->getTextureWidth(0));
    EXPECT_EQ(rgb565Bits(kBlue), rgb565Bits(pixels(texture->getSurface(0))[0]));
    release(texture);
}

TEST_F(ReductionTest, AShortQualityListUsesItsLastEntry) {
    writeSolid("Textures/wall.tga", 32, 32, kRed);
    g_driverSettings.textureScaleFactor = 2;
    TextureInterface* full = restoredTexture("Textures/wall.tga", 2);
    EXPECT_EQ(32, full->getTextureWidth(0));
    release(full);
}

TEST_F(ReductionTest, SidesThatDoNotDivideKeepTheImageUnreduced) {
    writeSolid("a.tga", 96, 64, kRed);
    writeSolid("b.tga", 90, 64, kRed);
    g_driverSettings.textureScaleFactor = 1;
    TextureInterface* once = restoredTexture("a.tga", 1);
    EXPECT_EQ(48, once->getTextureWidth(0));
    EXPECT_EQ(32, once->getTextureHeight(0));
    release(once);
    g_driverSettings.textureScaleFactor = 2;
    TextureInterface* twice = restoredTexture("a.tga", 1);
    EXPECT_EQ(24, twice->getTextureWidth(0));
    EXPECT_EQ(16, twice->getTextureHeight(0));
    release(twice);
    TextureInterface* odd = restoredTexture("b.tga", 1);
    EXPECT_EQ(90, odd->getTextureWidth(0));
    EXPECT_EQ(64, odd->getTextureHeight(0));
    release(odd);
}

TEST_F(ReductionTest, MipLevelsComeFromHandMadeImagesOrHalving) {
    g_driverSettings.mipmaps = true;
    writeSolid("m.tga", 256, 64, kRed);
    writeSolid("n.tga", 256, 64, kRed);
    writeSolid("1/n.tga", 128, 32, kBlue);
    TextureInterface* halved = restoredTexture("m.tga", 3);
    TextureInterface* handMade = restoredTexture("n.tga", 3);
    for (TextureInterface* texture : {halved, handMade}) {
        const DDSURFACEDESC2& d = texture->getDescription(0);
        EXPECT_TRUE(d.ddsCaps.dwCaps & DDSCAPS_MIPMAP);
        EXPECT_EQ(6u, d.dwMipMapCount) << "floor(log2(64)) levels";
    }
    const uint32_t expected[2] = {kRed, kBlue};
    int which = 0;
    for (TextureInterface* texture : {halved, handMade}) {
        IDirectDrawSurface4* level1 = nextLevel(texture->getSurface(0));
        ASSERT_NE(nullptr, level1);
        IDirectDrawSurface4* level2 = nextLevel(level1);
        ASSERT_NE(nullptr, level2);
        const std::vector<uint32_t> one = pixels(level1);
        const std::vector<uint32_t> two = pixels(level2);
        ASSERT_EQ(128u * 32u, one.size());
        ASSERT_EQ(64u * 16u, two.size());
        EXPECT_EQ(rgb565Bits(expected[which]), rgb565Bits(one[100]));
        EXPECT_EQ(rgb565Bits(expected[which]), rgb565Bits(two[100]));
        level2->Release();
        level1->Release();
        ++which;
    }
    release(halved);
    release(handMade);
}

TEST_F(ReductionTest, NoMipChainWithoutTheDriverSettingOrWithASideOfOne) {
    writeSolid("m.tga", 64, 64, kRed);
    writeSolid("line.tga", 64, 1, kRed);
    TextureInterface* off = restoredTexture("m.tga", 3);
    EXPECT_FALSE(off->getDescription(0).ddsCaps.dwCaps & DDSCAPS_MIPMAP);
    release(off);
    g_driverSettings.mipmaps = true;
    TextureInterface* line = restoredTexture("line.tga", 3);
    EXPECT_FALSE(line->getDescription(0).ddsCaps.dwCaps & DDSCAPS_MIPMAP);
    release(line);
    EXPECT_EQ(0, countRecords(debug::Message::Kind::Warning, "can't generate mimaps for /line.tga"));
}

// ---------------------------------------------------------------------------
// Sizes the device accepts

class Pow2Test : public TextureTest {
protected:
    void SetUp() override {
        start("pow2.cfg");
        writeTextureConfig(kModes);
        makeManager();
    }
};

TEST_F(Pow2Test, SidesAreRoundedUpAndTheImageStretchedWithoutMipmaps) {
    g_driverSettings.mipmaps = true;
    // Left third red, the rest blue, so that stretching shows.
    writeImage("wide.tga", 300, 200, [](int x, int) { return x < 100 ? kRed : kBlue; });
    TextureInterface* texture = restoredTexture("wide.tga", 3);
    EXPECT_EQ(512, texture->getTextureWidth(0));
    EXPECT_EQ(256, texture->getTextureHeight(0));
    EXPECT_FALSE(texture->getDescription(0).ddsCaps.dwCaps & DDSCAPS_MIPMAP);
    EXPECT_EQ(1, countRecords(debug::Message::Kind::Warning, "can't generate mimaps for /wide.tga"));
    const std::vector<uint32_t> shown = pixels(texture->getSurface(0));
    ASSERT_EQ(512u * 256u, shown.size());
    // Surface column 170 samples image column floor(170 * 300 / 512) = 99.
    EXPECT_EQ(rgb565Bits(kRed), rgb565Bits(shown[10 * 512 + 170]));
    EXPECT_EQ(rgb565Bits(kBlue), rgb565Bits(shown[10 * 512 + 171]));
    release(texture);
}

class SquareTest : public TextureTest {
protected:
    void SetUp() override { start("square_small.cfg"); }
};

TEST_F(SquareTest, SidesAreClampedToTheMaximumAndMadeSquare) {
    writeSolid("long.tga", 128, 16, kGreen);
    TextureInterface* texture = restoredTexture("long.tga");
    EXPECT_EQ(64, texture->getTextureWidth(0));
    EXPECT_EQ(64, texture->getTextureHeight(0));
    release(texture);
}

class HardwareTest : public TextureTest {
protected:
    void SetUp() override { start(nullptr, &IID_IDirect3DHALDevice); }
};

TEST_F(HardwareTest, HardwareTexturesAreAtLeastFourTexelsASide) {
    writeSolid("tiny.tga", 2, 2, kGreen);
    TextureInterface* texture = restoredTexture("tiny.tga");
    EXPECT_EQ(4, texture->getTextureWidth(0));
    EXPECT_EQ(4, texture->getTextureHeight(0));
    release(texture);
}

// ---------------------------------------------------------------------------
// Pixel formats

DDPIXELFORMAT formatOf(TextureInterface* texture) {
    return texture->getDescription(0).ddpfPixelFormat;
}

void writeAlphaImages() {
    TextureTest::writeSolid("opaque.tga", 8, 8, kRed);
    TextureTest::writeImage("keyed.tga", 8, 8, [](int x, int) { return x ? kRed : 0x00000000u; });
    TextureTest::writeImage("graded.tga", 8, 8,
                            [](int x, int) { return x ? kRed : 0x80FF0000u; });
}

TEST_F(TextureTest, EachAlphaKindGetsItsOwnSixteenBitFormat) {
    writeAlphaImages();
    TextureInterface* opaque = restoredTexture("opaque.tga");
    TextureInterface* keyed = restoredTexture("keyed.tga");
    TextureInterface* graded = restoredTexture("graded.tga");
    EXPECT_EQ(0xF800u, formatOf(opaque).dwRBitMask);
    EXPECT_FALSE(formatOf(opaque).dwFlags & DDPF_ALPHAPIXELS);
    EXPECT_EQ(0x8000u, formatOf(keyed).dwRGBAlphaBitMask);
    EXPECT_EQ(0xF000u, formatOf(graded).dwRGBAlphaBitMask);
    for (TextureInterface* t : {opaque, keyed, graded})
        EXPECT_EQ(16u, formatOf(t).dwRGBBitCount);
    release(opaque);
    release(keyed);
    release(graded);
}

class ColorKeyFormatsTest : public TextureTest {
protected:
    void SetUp() override { start("colorkey_formats.cfg"); }
};

TEST_F(ColorKeyFormatsTest, GradedAlphaFallsBackToOneBit) {
    writeAlphaImages();
    TextureInterface* graded = restoredTexture("graded.tga");
    EXPECT_EQ(16u, formatOf(graded).dwRGBBitCount);
    EXPECT_EQ(0x8000u, formatOf(graded).dwRGBAlphaBitMask);
    release(graded);
}

class OpaqueFormatsTest : public TextureTest {
protected:
    void SetUp() override { start("opaque_formats.cfg"); }
};

TEST_F(OpaqueFormatsTest, AlphaFallsBackToNoAlphaAtSixteenBits) {
    writeAlphaImages();
    for (const char* name : {"graded.tga", "keyed.tga"}) {
        TextureInterface* texture = restoredTexture(name);
        EXPECT_EQ(16u, formatOf(texture).dwRGBBitCount) << name;
        EXPECT_EQ(0xF800u, formatOf(texture).dwRBitMask) << name;
        EXPECT_FALSE(formatOf(texture).dwFlags & DDPF_ALPHAPIXELS) << name;
        release(texture);
    }
}

// ---------------------------------------------------------------------------
// Counts, sizes and the destruction error

TEST_F(TextureTest, RestoresAreCountedPerStageAndTheLastInvalidateReleases) {
    writeSolid("t.tga", 16, 16, kRed);
    const unsigned long before = manager->getTexturesSize();
    TextureInterface* texture = restoredTexture("t.tga");
    IDirectDrawSurface4* surface = texture->getSurface(0);
    ASSERT_NE(nullptr, surface);
    EXPECT_EQ(before + 16u * 32u, manager->getTexturesSize()) << "pitch 32 x 16 rows";
    EXPECT_TRUE(texture->restore(nullptr, nullptr, 0, false));
    EXPECT_EQ(surface, texture->getSurface(0)) << "a second restore only counts";
    EXPECT_TRUE(texture->restore(nullptr, nullptr, 2, false));
    EXPECT_NE(nullptr, texture->getSurface(2));
    texture->invalidate(0);
    EXPECT_EQ(surface, texture->getSurface(0));
    texture->invalidate(0);
    EXPECT_EQ(nullptr, texture->getSurface(0));
    EXPECT_EQ(nullptr, texture->getTexture(0));
    EXPECT_NE(nullptr, texture->getSurface(2));
    release(texture, 2);
    EXPECT_EQ(before, manager->getTexturesSize());
}

TEST_F(TextureTest, AContainerLeftInUseReportsItsCounts) {
    {
        TextureContainer container;
        ASSERT_TRUE(container.create(4, 4, ALPHA_NONE, 0));
        EXPECT_TRUE(container.create(8, 8, ALPHA_NONE, 0)) << "a second create only counts";
        EXPECT_EQ(4, container.getImageWidth());
        container.destroy();
        EXPECT_EQ(4, container.getImageWidth()) << "one reference is left";
    }
    EXPECT_EQ(1, countRecords(debug::Message::Kind::Error,
                              "texture custom texture 4 x 4 has references 1, restored 0"));
}

TEST_F(TextureTest, AContainerGivenBackInFullReportsNothing) {
    {
        TextureContainer container;
        ASSERT_TRUE(container.create(4, 4, ALPHA_NONE, 0));
        container.destroy();
        EXPECT_EQ(nullptr, container.getImage());
    }
    EXPECT_TRUE(records.empty());
}

TEST_F(TextureTest, AMissingFileGivesAnEmptyContainerThatCannotBeRestored) {
    TextureInterface* texture = manager->createTexture("Textures/missing.tga", true, 0);
    ASSERT_NE(nullptr, texture);
    EXPECT_EQ(1, countRecords(debug::Message::Kind::Error,
                              "Texture '/Textures/missing.tga': Can't associate image"));
    EXPECT_EQ(0, static_cast<TextureContainer*>(texture)->getReferences());
    EXPECT_FALSE(texture->restore(nullptr, nullptr, 0, false));
    EXPECT_TRUE(manager->isInvalid(static_cast<TextureContainer*>(texture)));
    texture->invalidate(0);
    manager->destroyTexture(texture);
    EXPECT_FALSE(manager->isInvalid(static_cast<TextureContainer*>(texture)));
}

TEST_F(TextureTest, ACustomTextureOfNoSizeIsRefused) {
    EXPECT_EQ(nullptr, manager->createTexture(0, 4, ALPHA_NONE, 0));
    EXPECT_EQ(1, countRecords(debug::Message::Kind::Error,
                              "Texture 'custom texture 0 x 4': Can't create image"));
}

TEST_F(TextureTest, NamesAreMadeFullFromTheCurrentPath) {
    TextureContainer container;
    theResourceManager->setCurrentPath("/Maps/");
    container.setName("wall.tga");
    EXPECT_STREQ("/Maps/wall.tga", container.getName());
    container.setName("/Other/wall.tga");
    EXPECT_STREQ("/Other/wall.tga", container.getName());
    container.setName(nullptr);
    EXPECT_STREQ("", container.getName());
    theResourceManager->setCurrentPath("/");
}

}  // namespace
