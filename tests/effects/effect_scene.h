#pragma once

// The scene every effect test draws in: the driver with the sun and the sky
// lit, shells that go before the meshes they draw, and pixel reads.
#include "special/factory.h"

#include "../support/mesh_scene.h"

#include <deque>

class EffectScene : public MeshesTest {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(MeshesTest::SetUp());
        light();
    }
    void TearDown() override {
        shells.clear();
        MeshesTest::TearDown();
    }
    static RenderSpecialEffectFactory& factory() { return *theRenderSpecialEffectFactory; }
    // A shell of one quad (top, left, bottom, right at depth z) in the named material.
    RenderMeshShell& quad(const char* name, float top, float left, float bottom, float right,
                          float z, Vector normal = Vector(0, 0, -1)) {
        build().quad(0, top, left, bottom, right, z, normal).material(material(name));
        return shells.emplace_back(builders.back().finish());
    }
    std::uint32_t at(int x, int y) const { return pixels.at(std::size_t(y) * kWidth + x) & 0xFFFFFF; }
    std::uint32_t centre() const { return at(kWidth / 2, kHeight / 2); }

    std::deque<RenderMeshShell> shells;
};
