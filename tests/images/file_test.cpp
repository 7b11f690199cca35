// TGA and BMP files: what each reader makes of good, odd and damaged files,
// the choice of reader by extension, the TGA writer, and images associated
// with a file that is read on the first lock and dropped on the last.
#include "image_support.h"

namespace {

constexpr const char* kLoads = nullptr;  // load() gives true
constexpr const char* kRefused = "";     // load() gives false

// `file` with its size changed and 32-bit words put at some offsets.
Bytes edited(Bytes file, std::size_t size, std::vector<std::pair<int, std::uint32_t>> words = {}) {
    file.resize(size);
    for (const auto& [at, value] : words)
        put(file, at, value);
    return file;
}

class ImageReaderTest : public ImageFileTest {
protected:
    // Writes `file` as `name` and loads it over a 4 x 4 image: the outcome
    // (kLoads, kRefused or the thrown message) and the image it leaves.
    void read(const char* name, const Bytes& file, const char* outcome, int width, int height,
              const Words& pixels = {}, AlphaFormat alpha = ALPHA_NONE, std::uint32_t key = 0) {
        SCOPED_TRACE(name);
        writeFile(name, file);
        ImageContainer image;
        ASSERT_TRUE(image.create(4, 4, ALPHA_NONE));
        bool loaded = false;
        EXPECT_EQ(thrownMessage([&] { loaded = image.load(name); }), outcome ? outcome : "");
        EXPECT_EQ(loaded, outcome == kLoads);
        EXPECT_EQ(
            std::make_tuple(image.getWidth(), image.getHeight(), wordsOf(image),
                            image.getData() == nullptr, image.getAlphaFormat(), image.hasAlpha()),
            std::make_tuple(width, height, pixels, pixels.empty(), alpha, alpha != ALPHA_NONE));
        EXPECT_EQ(alpha == ALPHA_COLORKEY ? word(image.getColorKey()) : 0u, key);
    }
};

// A failed read leaves an empty image; a header too large for the file is
// refused before its size is taken.
TEST_F(ImageReaderTest, FilesAreReadAndWrittenAsTheirHeaderSaysOrFail) {
    const Words rows = {0xFF112233, 0xFF445566, 0xFF778899, 0xFFAABBCC};
    const Bytes tga = tgaFile(2, 2, rows);
    for (const char* name : {"/rows.tga", "/upper.TGA", "/mixed.TgA"})
        read(name, tga, kLoads, 2, 2, rows);
    read("/other.png", tga, kRefused, 0, 0);
    read("/tga", tga, kRefused, 0, 0);
    // Alpha: the first transparent pixel is the key; graded wins before or
    // after a transparent pixel; bytes after the pixels are ignored.
    const Words opaque = {0xFF000000, ~0u, 0xFF123456}, keyed = {0xFF102030, 0xABCDEF, 0x111, ~0u};
    read("/opaque.tga", tgaFile(3, 1, opaque), kLoads, 3, 1, opaque);
    read("/keyed.tga", tgaFile(4, 1, keyed), kLoads, 4, 1, keyed, ALPHA_COLORKEY, 0xABCDEF);
    for (const Words& graded : {Words{~0u, 0x80FFFFFF}, {0, 0x01FFFFFF}, {0xFEFFFFFF, 0}})
        read("/graded.tga", tgaFile(2, 1, graded), kLoads, 2, 1, graded, ALPHA_GRADED);
    read("/tail.tga", edited(tgaFile(1, 1, {0x445566}), 27), kLoads, 1, 1, {0x445566},
         ALPHA_COLORKEY, 0x445566);
    read("/zero.tga", tgaFile(0, 7, {}), kLoads, 0, 0);
    read("/short.tga", edited(tga, 17), "Error read tga header", 0, 0);
    read("/empty.tga", {}, "Error read tga header", 0, 0);
    read("/data.tga", edited(tga, 33), "Error read tga data", 0, 0);
    read("/huge.tga", tgaFile(65535, 65535, {~0u}), "Error read tga data", 0, 0);

    // BMP rows bottom first, three pixels padded to twelve bytes (the last
    // row needs no padding); the pixel data where the header says.
    const Bytes bmp = bmpFile(3, 2), one = bmpFile(1, 1);
    read("/three.bmp", bmpFile(3, 4), kLoads, 3, 4, bmpPixels(3, 4));
    read("/unpadded.bmp", edited(bmp, bmp.size() - 3), kLoads, 3, 2, bmpPixels(3, 2));
    // The pixel data 131,382 bytes in: every byte of the offset counts, each its own.
    read("/far.bmp", bmpFile(2, 2, 0x20100), kLoads, 2, 2, bmpPixels(2, 2));
    read("/zero.bmp", edited(one, 58, {{18, 0}, {22, 0x7FFFFFFF}}), kLoads, 0, 0);
    read("/short.bmp", edited(bmp, 53), "Error read bmp header", 0, 0);
    read("/topdown.bmp", edited(bmp, bmp.size(), {{22, -2u}}), "Error read bmp header", 0, 0);
    read("/mirrored.bmp", edited(bmp, bmp.size(), {{18, -2u}}), "Error read bmp header", 0, 0);
    read("/data.bmp", edited(bmp, bmp.size() - 4), "Error read bmp data", 0, 0);
    read("/offset.bmp", edited(bmp, bmp.size(), {{10, 0x7FFFFFF0}}), "Error read bmp data", 0, 0);
    read("/huge.bmp", edited(one, 58, {{18, 0x7FFFFFFF}, {22, 0x7FFFFFFF}}), "Error read bmp data",
         0, 0);
    for (const char* missing : {"/nowhere/missing.tga", "/missing.bmp", (const char*)nullptr}) {
        ImageContainer image;
        ASSERT_TRUE(image.create(4, 4, ALPHA_NONE));
        EXPECT_FALSE(image.load(missing));
        EXPECT_EQ(image.getData(), nullptr);
    }

    // The writer's file, byte for byte, whatever the extension: type 2, 32
    // bits, top-left origin, the rows top first; an empty image writes its
    // header only; no name or a place outside the write directory fails.
    const Words pixels = {0xFF0000FF, 0x00FF0000, 0x80102030, 0xFFFFFFFF, 0, 0x01020304};
    ImageContainer image, empty;
    fill(image, 3, 2, pixels);
    ASSERT_TRUE(empty.create(0, 0, ALPHA_NONE));
    for (auto [name, source, width, height] :
         {std::tuple{"/written.bmp", &image, 3, 2}, std::tuple{"/empty.tga", &empty, 0, 0}}) {
        ASSERT_TRUE(source->save(name));
        auto file = theResourceManager->openRead(name);
        ASSERT_NE(nullptr, file);
        Bytes written(18 + 4 * pixels.size() + 1);
        written.resize(file->read(written.data(), written.size()));
        file->close();
        EXPECT_EQ(written, tgaFile(width, height, width ? pixels : Words{})) << name;
    }
    EXPECT_FALSE(image.save(nullptr));
    EXPECT_FALSE(image.save("/../outside.tga"));
}

class AssociationTest : public ImageFileTest {
protected:
    void SetUp() override {
        ImageFileTest::SetUp();
        ImageContainer wall;  // written by the TGA writer
        fill(wall, 2, 1, {0xFF0000FF, 0x00FF0000});
        ASSERT_TRUE(wall.save("/maps/wall.tga"));
    }
    void expectLocks(int count) {
        EXPECT_EQ(image.getLockCount(), count);
        EXPECT_EQ(image.getData() != nullptr, count > 0);
    }

    ImageContainer image;
};

TEST_F(AssociationTest, TheFileIsReadAtTheFirstLockUnderItsPathAndFreedAtTheLastUnlock) {
    writeFile("/wall.tga", tgaFile(1, 1, {0xFF999999}));
    ASSERT_TRUE(theResourceManager->setCurrentPath("/maps/"));
    ASSERT_TRUE(image.associate("wall.tga"));
    ASSERT_TRUE(theResourceManager->setCurrentPath("/"));
    EXPECT_EQ(std::make_tuple(image.getName(), image.getWidth(), image.isAssociated()),
              std::make_tuple("/maps/wall.tga", 0, true));
    expectLocks(0);
    ASSERT_TRUE(image.restore());
    EXPECT_EQ(std::make_tuple(wordsOf(image), image.getAlphaFormat()),
              std::make_tuple(Words{0xFF0000FF, 0x00FF0000}, ALPHA_COLORKEY));
    const RGBAColor* first = image.getData();
    EXPECT_TRUE(image.restore());
    EXPECT_EQ(std::make_tuple(image.getLockCount(), image.getData()), std::make_tuple(2, first));
    EXPECT_TRUE(image.release());
    EXPECT_EQ(first, image.getData());
    for (int extra = 0; extra < 2; ++extra) {  // one unlock too many does no harm
        EXPECT_TRUE(image.release());
        expectLocks(0);
    }
    // Changed after the association, the file is read at the next lock.
    writeFile("/maps/wall.tga", Bytes(10, 0));
    EXPECT_EQ("Error read tga header", thrownMessage([&] { image.restore(); }));
    expectLocks(0);
    EXPECT_EQ("/", theResourceManager->getCurrentPath());
    writeFile("/maps/wall.tga", tgaFile(1, 1, {0xFF010101}));
    ASSERT_TRUE(image.restore());
    EXPECT_EQ(wordsOf(image), Words{0xFF010101});
    expectLocks(1);

    // Copies share the file, not the pixels or the locks.
    ImageContainer copy(image), assigned;
    ASSERT_TRUE(assigned.create(3, 3, ALPHA_NONE));
    assigned = image;
    for (ImageContainer* c : {&copy, &assigned}) {
        EXPECT_EQ(std::make_tuple(c->getName(), c->getLockCount(), c->getData()),
                  std::make_tuple("/maps/wall.tga", 0, (RGBAColor*)nullptr));
        ASSERT_TRUE(c->restore());
        EXPECT_EQ(wordsOf(*c), Words{0xFF010101});
    }
}

// Only an existing file with a name that fits is associated; locks are held
// for their scope; halving averages with rounding.
TEST_F(AssociationTest, OnlyAnExistingFileWithANameThatFitsIsAssociatedAndLockedInScope) {
    std::string longName;
    for (int i = 0; i < 30; ++i)
        longName += "/folder" + std::to_string(100 + i);  // 330 characters
    writeFile(longName + "/wall.tga", tgaFile(1, 1, {0}));
    for (std::string name : {std::string("/maps/missing.tga"), longName + "/wall.tga"}) {
        ASSERT_TRUE(image.create(2, 2, ALPHA_NONE));
        EXPECT_FALSE(image.associate(name.c_str()));
        EXPECT_EQ(std::make_tuple(image.isAssociated(), image.getData()),
                  std::make_tuple(false, (RGBAColor*)nullptr));
    }
    writeFile("/maps/wall.dds", Bytes(64, 0));
    ASSERT_TRUE(image.associate("/maps/wall.dds"));
    EXPECT_FALSE(image.restore());  // no reader: the lock is given back
    expectLocks(0);
    // A null name or destroy() leaves a plain image, which cannot be locked.
    EXPECT_TRUE(image.associate(nullptr));
    EXPECT_EQ(std::make_tuple(image.isAssociated(), image.getName()), std::make_tuple(false, ""));
    ASSERT_TRUE(image.associate("/maps/wall.tga"));
    ASSERT_TRUE(image.restore());
    ASSERT_TRUE(image.destroy());
    EXPECT_EQ(std::make_tuple(image.isAssociated(), image.getName()), std::make_tuple(false, ""));
    expectLocks(0);
    EXPECT_FALSE(image.restore());
    ASSERT_TRUE(image.create(2, 2, ALPHA_NONE));
    EXPECT_FALSE(image.restore() || image.release());
    EXPECT_EQ(std::make_tuple(image.getLockCount(), image.getData() != nullptr),
              std::make_tuple(0, true));

    // The lock guard, halving and copying to a surface hold a lock for their
    // run.
    ASSERT_TRUE(image.associate("/maps/wall.tga"));
    {
        const ImageLock lock(image);
        expectLocks(1);
    }
    expectLocks(0);

    DirectDrawObject dd;
    IDirectDrawSurface4* s = dd.get() ? dd.create(2, 1, kA8R8G8B8) : nullptr;
    ASSERT_NE(nullptr, s);
    ASSERT_EQ(DD_OK, image.copy(s));
    EXPECT_EQ((Bytes{0xFF, 0, 0, 0xFF, 0, 0, 0xFF, 0}), surfaceBytes(s, 4));
    expectLocks(0);
    s->Release();

    // The half takes the transparency and the colour key; alphas are
    // averaged like colours: (255 + 0 + 255 + 0 + 2) / 4.
    writeFile("/maps/keyed.tga", tgaFile(2, 2, {0xFF000000, 0x00123456, 0xFF000000, 0x00FFFFFF}));
    ASSERT_TRUE(image.associate("/maps/keyed.tga"));
    ImageContainer half;
    ASSERT_TRUE(half.create(8, 8, ALPHA_NONE));
    ASSERT_TRUE(image.halve(half));
    EXPECT_EQ(std::make_tuple(wordsOf(half), half.getAlphaFormat(), half.hasAlpha(),
                              word(half.getColorKey())),
              std::make_tuple(Words{0x80444D55}, ALPHA_COLORKEY, true, 0x00123456u));
    expectLocks(0);

    // Plain halving: each channel of four (or, for one-row images, two)
    // source pixels averaged with rounding; odd sizes drop their last column
    // and row; an image can be halved into itself.
    const Words stripes = {0, ~0u, 0, ~0u, 0, ~0u, 0, ~0u, 0, ~0u, 0, ~0u, 0, ~0u, 0, ~0u};
    Words odd(15, 0x40404040u);  // a last column and a last row of white
    for (int i : {4, 9, 10, 11, 12, 13, 14})
        odd[i] = ~0u;
    const struct {
        int width, height;
        Words pixels;
        int halfWidth, halfHeight;
        Words half;
    } cases[] = {
        {4, 4, stripes, 2, 2, Words(4, 0x80808080u)},  // (510 + 2) / 4
        // Blue 1+1+1+2 = 5 -> 1, green 1+2+2+2 = 7 -> 2, red 0+0+0+2 -> 1.
        {2, 2, {0xFF000101, 0xFF000201, 0xFF000201, 0xFF020202}, 1, 1, {0xFF010201}},
        // (0 + 4 + 4 + 8 + 2) / 4, (8 + 12 + 12 + 16 + 2) / 4
        {4, 2, {0, 4, 8, 12, 4, 8, 12, 16}, 2, 1, {4, 12}},
        // Pairs: (0 + 1 + 1) / 2, (2 + 5 + 1) / 2, ...
        {8, 1, {0, 1, 2, 5, 255, 254, 0x10203040, 0x11213141}, 4, 1, {1, 4, 255, 0x11213141}},
        {5, 3, odd, 2, 1, {0x40404040, 0x40404040}},
        {1, 4, {1, 2, 3, 4}, 0, 0, {}},  // a one-pixel-wide image has no half
    };
    for (const auto& c : cases)
        for (bool inPlace : {false, true}) {
            SCOPED_TRACE(c.width * 10 + c.height + (inPlace ? 100 : 0));
            ImageContainer source, other;
            fill(source, c.width, c.height, c.pixels);
            ASSERT_TRUE(other.create(3, 3, ALPHA_NONE));
            ImageContainer& target = inPlace ? source : other;
            ASSERT_TRUE(source.halve(target));
            EXPECT_EQ(std::make_tuple(target.getWidth(), c.halfWidth ? target.getHeight() : 0,
                                      wordsOf(target), target.getData() == nullptr),
                      std::make_tuple(c.halfWidth, c.halfHeight, c.half, c.half.empty()));
        }

    // A copy of a loaded image owns its pixels.
    ASSERT_TRUE(image.load("/maps/wall.tga"));
    ImageContainer loaded(image);
    EXPECT_NE(image.getData(), loaded.getData());
    EXPECT_EQ(std::make_tuple(wordsOf(loaded), loaded.getAlphaFormat(), word(loaded.getColorKey()),
                              loaded.isAssociated()),
              std::make_tuple(wordsOf(image), ALPHA_COLORKEY, 0x00FF0000u, false));
}

}  // namespace
