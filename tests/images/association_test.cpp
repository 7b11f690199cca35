// Images associated with a file: nothing read until the first lock, the
// pixels dropped at the last unlock, the resource path of the association,
// the lock guard, and copies of associated images.
#include "image_support.h"

namespace {

class AssociationTest : public ImageFileTest {
protected:
    void SetUp() override {
        ImageFileTest::SetUp();
        writeFile("/maps/wall.tga", tgaFile(2, 1, {0xFF0000FF, 0x00FF0000}));
    }

    ImageContainer image;
};

TEST_F(AssociationTest, AssociatingReadsNothingAndKeepsThePath) {
    ASSERT_TRUE(theResourceManager->setCurrentPath("/maps/"));
    ASSERT_TRUE(image.associate("wall.tga"));
    EXPECT_TRUE(image.isAssociated());
    EXPECT_EQ(0, image.getLockCount());
    EXPECT_EQ(nullptr, image.getData());
    EXPECT_EQ(0, image.getWidth());
    EXPECT_EQ("/maps/wall.tga", image.getName());
}

TEST_F(AssociationTest, AMissingFileIsNotAssociated) {
    ASSERT_TRUE(image.create(2, 2, ALPHA_NONE));
    EXPECT_FALSE(image.associate("/maps/missing.tga"));
    EXPECT_FALSE(image.isAssociated());
    EXPECT_EQ(nullptr, image.getData());
    EXPECT_FALSE(image.restore());
}

TEST_F(AssociationTest, ANullNameLeavesAPlainImage) {
    ASSERT_TRUE(image.associate("/maps/wall.tga"));
    EXPECT_TRUE(image.associate(nullptr));
    EXPECT_FALSE(image.isAssociated());
    EXPECT_EQ("", image.getName());
}

TEST_F(AssociationTest, PlainImagesCannotBeLockedOrUnlocked) {
    ASSERT_TRUE(image.create(2, 2, ALPHA_NONE));
    EXPECT_FALSE(image.restore());
    EXPECT_FALSE(image.release());
    EXPECT_NE(nullptr, image.getData());
    EXPECT_EQ(0, image.getLockCount());
}

TEST_F(AssociationTest, TheFirstLockReadsAndTheLastUnlockFrees) {
    ASSERT_TRUE(image.associate("/maps/wall.tga"));
    ASSERT_TRUE(image.restore());
    ASSERT_NE(nullptr, image.getData());
    EXPECT_EQ(0x00FF0000u, word(image.getData()[1]));
    EXPECT_EQ(ALPHA_COLORKEY, image.getAlphaFormat());
    const RGBAColor* first = image.getData();

    EXPECT_TRUE(image.restore());
    EXPECT_EQ(2, image.getLockCount());
    EXPECT_EQ(first, image.getData());  // not read again
    EXPECT_TRUE(image.release());
    EXPECT_EQ(first, image.getData());
    EXPECT_TRUE(image.release());
    EXPECT_EQ(0, image.getLockCount());
    EXPECT_EQ(nullptr, image.getData());
    // An unlock too many does nothing harmful.
    EXPECT_TRUE(image.release());
    EXPECT_EQ(0, image.getLockCount());
}

TEST_F(AssociationTest, TheFileIsReadWhenLockedNotWhenAssociated) {
    ASSERT_TRUE(image.associate("/maps/wall.tga"));
    writeFile("/maps/wall.tga", tgaFile(1, 1, {0xFF123456}));
    ASSERT_TRUE(image.restore());
    EXPECT_EQ(1, image.getWidth());
    EXPECT_EQ(0xFF123456u, word(image.getData()[0]));
    image.release();
}

TEST_F(AssociationTest, TheFileIsReadUnderThePathOfTheAssociation) {
    writeFile("/wall.tga", tgaFile(1, 1, {0xFF999999}));
    ASSERT_TRUE(theResourceManager->setCurrentPath("/maps/"));
    ASSERT_TRUE(image.associate("wall.tga"));
    ASSERT_TRUE(theResourceManager->setCurrentPath("/"));
    ASSERT_TRUE(image.restore());
    EXPECT_EQ(2, image.getWidth());  // /maps/wall.tga, not /wall.tga
    EXPECT_EQ("/", theResourceManager->getCurrentPath());
    image.release();
}

TEST_F(AssociationTest, AFailedFirstLockGivesTheLockBack) {
    writeFile("/maps/wall.dds", Bytes(64, 0));
    ASSERT_TRUE(image.associate("/maps/wall.dds"));
    EXPECT_FALSE(image.restore());
    EXPECT_EQ(0, image.getLockCount());
    EXPECT_EQ(nullptr, image.getData());
}

TEST_F(AssociationTest, ADamagedFileThrowsFromTheFirstLockAndCanBeRetried) {
    ASSERT_TRUE(theResourceManager->setCurrentPath("/maps/"));
    ASSERT_TRUE(image.associate("wall.tga"));
    ASSERT_TRUE(theResourceManager->setCurrentPath("/"));
    writeFile("/maps/wall.tga", Bytes(10, 0));
    EXPECT_EQ("Error read tga header", thrownMessage([&] { image.restore(); }));
    EXPECT_EQ(0, image.getLockCount());
    EXPECT_EQ(nullptr, image.getData());
    EXPECT_EQ("/", theResourceManager->getCurrentPath());

    writeFile("/maps/wall.tga", tgaFile(1, 1, {0xFF010101}));
    EXPECT_TRUE(image.restore());
    EXPECT_EQ(1, image.getLockCount());
    image.release();
}

TEST_F(AssociationTest, TheLockGuardHoldsTheImageForItsScope) {
    ASSERT_TRUE(image.associate("/maps/wall.tga"));
    {
        const ImageLock lock(image);
        EXPECT_EQ(1, image.getLockCount());
        EXPECT_NE(nullptr, image.getData());
    }
    EXPECT_EQ(0, image.getLockCount());
    EXPECT_EQ(nullptr, image.getData());

    ImageContainer plain;
    ASSERT_TRUE(plain.create(1, 1, ALPHA_NONE));
    {
        const ImageLock lock(plain);
    }
    EXPECT_NE(nullptr, plain.getData());
}

TEST_F(AssociationTest, HalvingLocksTheSourceForItsRun) {
    writeFile("/maps/big.tga", tgaFile(2, 2, {0xFF000000, 0xFF000004, 0xFF000004, 0xFF000008}));
    ASSERT_TRUE(image.associate("/maps/big.tga"));
    ImageContainer half;
    ASSERT_TRUE(image.halve(half));
    ASSERT_EQ(1, half.getWidth());
    EXPECT_EQ(0xFF000004u, word(half.getData()[0]));
    EXPECT_EQ(0, image.getLockCount());
    EXPECT_EQ(nullptr, image.getData());
}

TEST_F(AssociationTest, CopyingToASurfaceLocksTheImageForItsRun) {
    DirectDrawObject dd;
    ASSERT_NE(nullptr, dd.get());
    IDirectDrawSurface4* s = dd.create(2, 1, rgbFormat(kA8R8G8B8));
    ASSERT_NE(nullptr, s);
    ASSERT_TRUE(image.associate("/maps/wall.tga"));
    ASSERT_EQ(DD_OK, image.copy(s));
    const Bytes bytes = surfaceBytes(s, 4);
    EXPECT_EQ((Bytes{0xFF, 0, 0, 0xFF, 0, 0, 0xFF, 0}), bytes);
    EXPECT_EQ(0, image.getLockCount());
    EXPECT_EQ(nullptr, image.getData());
    s->Release();
}

TEST_F(AssociationTest, CopiesOfAnAssociatedImageShareTheFileNotThePixels) {
    ASSERT_TRUE(image.associate("/maps/wall.tga"));
    ASSERT_TRUE(image.restore());
    ImageContainer copy(image);
    EXPECT_TRUE(copy.isAssociated());
    EXPECT_EQ(image.getName(), copy.getName());
    EXPECT_EQ(0, copy.getLockCount());
    EXPECT_EQ(nullptr, copy.getData());

    ImageContainer assigned;
    ASSERT_TRUE(assigned.create(3, 3, ALPHA_NONE));
    assigned = image;
    EXPECT_TRUE(assigned.isAssociated());
    EXPECT_EQ(nullptr, assigned.getData());
    ASSERT_TRUE(assigned.restore());
    EXPECT_EQ(0x00FF0000u, word(assigned.getData()[1]));
    assigned.release();
    image.release();
}

TEST_F(AssociationTest, CopiesOfALoadedImageOwnTheirPixels) {
    ASSERT_TRUE(image.load("/maps/wall.tga"));
    ImageContainer copy(image);
    ASSERT_NE(nullptr, copy.getData());
    EXPECT_NE(image.getData(), copy.getData());
    EXPECT_EQ(word(image.getData()[1]), word(copy.getData()[1]));
    EXPECT_EQ(ALPHA_COLORKEY, copy.getAlphaFormat());
    EXPECT_EQ(word(image.getColorKey()), word(copy.getColorKey()));
    EXPECT_FALSE(copy.isAssociated());
}

TEST_F(AssociationTest, DestroyForgetsTheFileAndTheLocks) {
    ASSERT_TRUE(image.associate("/maps/wall.tga"));
    ASSERT_TRUE(image.restore());
    ASSERT_TRUE(image.destroy());
    EXPECT_FALSE(image.isAssociated());
    EXPECT_EQ(0, image.getLockCount());
    EXPECT_EQ(nullptr, image.getData());
    EXPECT_EQ("", image.getName());
    EXPECT_FALSE(image.restore());
}

TEST_F(AssociationTest, ANameTooLongToKeepIsNotAssociated) {
    std::string name;
    for (int i = 0; i < 30; ++i)
        name += "/folder" + std::to_string(100 + i);
    name += "/wall.tga";
    ASSERT_GT(name.size(), 260u);
    writeFile(name, tgaFile(1, 1, {0}));
    EXPECT_FALSE(image.associate(name.c_str()));
    EXPECT_FALSE(image.isAssociated());
}

}  // namespace
