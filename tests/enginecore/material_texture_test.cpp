// The engine's material and texture descriptions refuse indices outside their
// slots and frames instead of reading past them.
#include <engine/core/material.h>
#include <engine/core/texture.h>

#include <gtest/gtest.h>

TEST(EngineMaterialAndTexture, OnlyTheFiveSlotsHoldTexturesAndOutsideFramesHaveNoName) {
    Material material;
    const Texture texture("/Images/a.tga");
    for (int slot : {-1, Material::textureCount})
        material.setTexture(slot, &texture);
    for (int slot = -1; slot <= Material::textureCount; ++slot)
        EXPECT_EQ(material.getTexture(slot), nullptr) << slot;
    material.setTexture(Material::textureCount - 1, &texture);
    EXPECT_EQ(material.getTexture(Material::textureCount - 1), &texture);

    // Frames keep their order.
    Texture frames(std::vector<std::string>{"a.tga", "b.tga"});
    frames.addFrame("c.tga");
    ASSERT_EQ(frames.getFrameCount(), 3);
    EXPECT_STREQ(frames.getFrameName(0), "a.tga");
    EXPECT_STREQ(frames.getFrameName(2), "c.tga");
    EXPECT_EQ(frames.getFrameName(3), nullptr);
    EXPECT_EQ(frames.getFrameName(-1), nullptr);
}
