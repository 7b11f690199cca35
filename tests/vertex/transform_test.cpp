// Transform state: matrix order, viewport mapping, depth mapping and clip
// codes of single points.
#include "d3d/vertex/transform.h"

#include "vertex_test_util.h"

#include <d3d.h>

#include <gtest/gtest.h>

namespace {

using namespace platform::d3d::vertex;
using namespace vertex_test;

class TransformTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(state.setTransform(D3DTRANSFORMSTATE_PROJECTION, perspective(1.0f, 100.0f)),
                  D3D_OK);
        ASSERT_EQ(state.setViewport(viewport(10, 20, 200, 100)), D3D_OK);
    }

    Vec4 clip(float x, float y, float z) const {
        const float p[3] = {x, y, z};
        return transformPoint(p, state.modelToClip());
    }

    // Screen form of a model-space point.
    void screen(float x, float y, float z, float out[4]) const {
        writeScreenForm(clip(x, y, z), state.screen(), out);
    }

    TransformState state;
};

TEST_F(TransformTest, PointOnTheAxisLandsAtTheViewportCentre) {
    float s[4];
    screen(0.0f, 0.0f, 10.0f, s);
    EXPECT_FLOAT_EQ(s[0], 110.0f);
    EXPECT_FLOAT_EQ(s[1], 70.0f);
    EXPECT_FLOAT_EQ(s[3], 0.1f);
}

TEST_F(TransformTest, ViewVolumeEdgesLandOnViewportEdges) {
    float s[4];
    screen(10.0f, 0.0f, 10.0f, s);  // x = w: right edge
    EXPECT_FLOAT_EQ(s[0], 210.0f);
    screen(-10.0f, 0.0f, 10.0f, s);
    EXPECT_FLOAT_EQ(s[0], 10.0f);
    screen(0.0f, 10.0f, 10.0f, s);  // y = w: top edge
    EXPECT_FLOAT_EQ(s[1], 20.0f);
    screen(0.0f, -10.0f, 10.0f, s);
    EXPECT_FLOAT_EQ(s[1], 120.0f);
}

TEST_F(TransformTest, DepthRunsFromNearToFarPlane) {
    float s[4];
    screen(0.0f, 0.0f, 1.0f, s);
    EXPECT_NEAR(s[2], 0.0f, 1e-6f);
    screen(0.0f, 0.0f, 100.0f, s);
    EXPECT_NEAR(s[2], 1.0f, 1e-6f);
    screen(0.0f, 0.0f, 10.0f, s);
    EXPECT_NEAR(s[2], (100.0f / 99.0f) * 0.9f, 1e-6f);
}

TEST_F(TransformTest, DepthRangeOfTheViewport) {
    ASSERT_EQ(state.setViewport(viewport(0, 0, 64, 64, 0.25f, 0.75f)), D3D_OK);
    float s[4];
    screen(0.0f, 0.0f, 1.0f, s);
    EXPECT_NEAR(s[2], 0.25f, 1e-6f);
    screen(0.0f, 0.0f, 100.0f, s);
    EXPECT_NEAR(s[2], 0.75f, 1e-6f);
}

TEST_F(TransformTest, ClipVolumeSelectsPartOfTheProjection) {
    // Only the upper right quarter of the projection fills the viewport.
    D3DVIEWPORT2 v = viewport(0, 0, 100, 100);
    v.dvClipX = 0.0f;
    v.dvClipY = 1.0f;
    v.dvClipWidth = 1.0f;
    v.dvClipHeight = 1.0f;
    ASSERT_EQ(state.setViewport(v), D3D_OK);
    float s[4];
    screen(0.0f, 0.0f, 10.0f, s);  // projection centre: bottom left corner
    EXPECT_NEAR(s[0], 0.0f, 1e-4f);
    EXPECT_NEAR(s[1], 100.0f, 1e-4f);
    screen(10.0f, 10.0f, 10.0f, s);
    EXPECT_NEAR(s[0], 100.0f, 1e-4f);
    EXPECT_NEAR(s[1], 0.0f, 1e-4f);
    EXPECT_EQ(clipCode(clip(-1.0f, 5.0f, 10.0f)), static_cast<DWORD>(D3DCLIP_LEFT));
    EXPECT_EQ(clipCode(clip(5.0f, -1.0f, 10.0f)), static_cast<DWORD>(D3DCLIP_BOTTOM));
}

TEST_F(TransformTest, WorldAppliesBeforeView) {
    ASSERT_EQ(state.setTransform(D3DTRANSFORMSTATE_WORLD, scaling(2.0f)), D3D_OK);
    ASSERT_EQ(state.setTransform(D3DTRANSFORMSTATE_VIEW, translation(0.0f, 0.0f, 10.0f)), D3D_OK);
    const Vec4 c = clip(1.0f, 0.0f, 0.0f);
    EXPECT_FLOAT_EQ(c.w, 10.0f);  // scaled then moved, not moved then scaled
    EXPECT_FLOAT_EQ(c.x, 2.0f);
}

TEST_F(TransformTest, EyePositionIsTheInverseOfTheView) {
    ASSERT_EQ(state.setTransform(D3DTRANSFORMSTATE_VIEW, translation(-3.0f, -4.0f, -5.0f)), D3D_OK);
    EXPECT_FLOAT_EQ(state.eyePosition().x, 3.0f);
    EXPECT_FLOAT_EQ(state.eyePosition().y, 4.0f);
    EXPECT_FLOAT_EQ(state.eyePosition().z, 5.0f);
}

TEST_F(TransformTest, ClipCodesForEachPlane) {
    EXPECT_EQ(clipCode(clip(0.0f, 0.0f, 10.0f)), 0u);
    EXPECT_EQ(clipCode(clip(10.0f, 10.0f, 10.0f)), 0u) << "the boundary is inside";
    EXPECT_EQ(clipCode(clip(-20.0f, 0.0f, 10.0f)), static_cast<DWORD>(D3DCLIP_LEFT));
    EXPECT_EQ(clipCode(clip(20.0f, 0.0f, 10.0f)), static_cast<DWORD>(D3DCLIP_RIGHT));
    EXPECT_EQ(clipCode(clip(0.0f, 20.0f, 10.0f)), static_cast<DWORD>(D3DCLIP_TOP));
    EXPECT_EQ(clipCode(clip(0.0f, -20.0f, 10.0f)), static_cast<DWORD>(D3DCLIP_BOTTOM));
    EXPECT_EQ(clipCode(clip(0.0f, 0.0f, 0.5f)), static_cast<DWORD>(D3DCLIP_FRONT));
    EXPECT_EQ(clipCode(clip(0.0f, 0.0f, 200.0f)), static_cast<DWORD>(D3DCLIP_BACK));
    EXPECT_EQ(clipCode(clip(-20.0f, 20.0f, 10.0f)), static_cast<DWORD>(D3DCLIP_LEFT | D3DCLIP_TOP));
}

TEST_F(TransformTest, ScreenAndClipFormsReadBack) {
    const Vec4 c = clip(3.0f, -2.0f, 7.0f);
    float s[4];
    writeScreenForm(c, state.screen(), s);
    const Vec4 back = readScreenForm(s, state.screen());
    EXPECT_NEAR(back.x, c.x, 1e-4f);
    EXPECT_NEAR(back.y, c.y, 1e-4f);
    EXPECT_NEAR(back.z, c.z, 1e-4f);
    EXPECT_NEAR(back.w, c.w, 1e-4f);
    float f[4];
    writeClipForm(c, f);
    const Vec4 again = readClipForm(f);
    EXPECT_FLOAT_EQ(again.x, c.x);
    EXPECT_FLOAT_EQ(again.y, c.y);
}

TEST_F(TransformTest, RefusesBadStateAndKeepsTheOld) {
    D3DVIEWPORT2 v = viewport(0, 0, 0, 100);
    EXPECT_EQ(state.setViewport(v), DDERR_INVALIDPARAMS);
    v = viewport(0, 0, 100, 100);
    v.dvClipWidth = 0.0f;
    EXPECT_EQ(state.setViewport(v), DDERR_INVALIDPARAMS);
    EXPECT_EQ(state.viewport().dwWidth, 200u);
    EXPECT_EQ(state.setTransform(static_cast<D3DTRANSFORMSTATETYPE>(9), identityMatrix()),
              DDERR_INVALIDPARAMS);
    EXPECT_EQ(state.getTransform(D3DTRANSFORMSTATE_WORLD, nullptr), DDERR_INVALIDPARAMS);
    D3DMATRIX m;
    ASSERT_EQ(state.getTransform(D3DTRANSFORMSTATE_PROJECTION, &m), D3D_OK);
    EXPECT_FLOAT_EQ(m._34, 1.0f);
}

}  // namespace
