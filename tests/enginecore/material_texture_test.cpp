// The engine's material and texture descriptions refuse indices outside their
// slots and frames instead of reading past them.
#include <engine/core/material.h>
#include <engine/core/texture.h>

#include <gtest/gtest.h>

TEST(EngineMaterial, OnlyTheFiveSlotsHoldTextures) {
    Material material;
    const Texture texture("/Images/a.tga");
    for (int slot : {-1, Material::textureCount})
        material.setTexture(slot, &texture);
    for (int slot = -1; slot <= Material::textureCount; ++slot)
        EXPECT_EQ(material.getTexture(slot), nullptr) << slot;
    material.setTexture(Material::textureCount - 1, &texture);
    EXPECT_EQ(material.getTexture(Material::textureCount - 1), &texture);
}

TEST(EngineTexture, FramesKeepTheirOrderAndOutsideIndicesHaveNoName) {
    Texture texture(std::vector<std::string>{"a.tga", "b.tga"});
    texture.addFrame("c.tga");
    ASSERT_EQ(texture.getFrameCount(), 3);
    EXPECT_STREQ(texture.getFrameName(0), "a.tga");
    EXPECT_STREQ(texture.getFrameName(2), "c.tga");
    EXPECT_EQ(texture.getFrameName(3), nullptr);
    EXPECT_EQ(texture.getFrameName(-1), nullptr);
}
