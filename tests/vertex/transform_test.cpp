// Transform state: matrix order, the eye, clip codes of single points and
// refused state (screen positions are checked through ProcessVertices).
#include "d3d/vertex/transform.h"

#include "vertex_test_util.h"

namespace {

using namespace vertex_test;

// Projection near 1, far 100; a 200 x 100 viewport at (10, 20).
class TransformTest : public ::testing::Test {
protected:
    void SetUp() override {
        state.setTransform(D3DTRANSFORMSTATE_PROJECTION, perspective(1.0f, 100.0f));
        state.setViewport(viewport(10, 20, 200, 100));
    }

    Vec4 clip(float x, float y, float z) const {
        const float p[3] = {x, y, z};
        return transformPoint(p, state.modelToClip());
    }

    TransformState state;
};

TEST_F(TransformTest, WorldAppliesBeforeViewAndTheEyeInvertsTheView) {
    state.setTransform(D3DTRANSFORMSTATE_WORLD, {2, 0, 0, 0, 0, 2, 0, 0, 0, 0, 2, 0, 0, 0, 0, 1});
    state.setTransform(D3DTRANSFORMSTATE_VIEW, {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 10, 1});
    const Vec4 c = clip(1.0f, 0.0f, 0.0f);
    EXPECT_FLOAT_EQ(c.w, 10.0f);  // scaled then moved, not moved then scaled
    state.setTransform(D3DTRANSFORMSTATE_VIEW, {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, -3, -4, -5, 1});
    const Vec3 eye = state.eyePosition();
    EXPECT_EQ(std::make_tuple(eye.x, eye.y, eye.z), std::make_tuple(3.0f, 4.0f, 5.0f));
}

TEST_F(TransformTest, ClipCodesForEachPlaneAndAPartialClipVolume) {
    EXPECT_EQ(clipCode(clip(0.0f, 0.0f, 10.0f)), 0u);
    EXPECT_EQ(clipCode(clip(10.0f, 10.0f, 10.0f)), 0u) << "the boundary is inside";
    EXPECT_EQ(clipCode(clip(-20.0f, 0.0f, 10.0f)), static_cast<DWORD>(D3DCLIP_LEFT));
    EXPECT_EQ(clipCode(clip(20.0f, 0.0f, 10.0f)), static_cast<DWORD>(D3DCLIP_RIGHT));
    EXPECT_EQ(clipCode(clip(0.0f, 20.0f, 10.0f)), static_cast<DWORD>(D3DCLIP_TOP));
    EXPECT_EQ(clipCode(clip(0.0f, -20.0f, 10.0f)), static_cast<DWORD>(D3DCLIP_BOTTOM));
    EXPECT_EQ(clipCode(clip(0.0f, 0.0f, 0.5f)), static_cast<DWORD>(D3DCLIP_FRONT));
    EXPECT_EQ(clipCode(clip(0.0f, 0.0f, 200.0f)), static_cast<DWORD>(D3DCLIP_BACK));
    EXPECT_EQ(clipCode(clip(-20.0f, 20.0f, 10.0f)), static_cast<DWORD>(D3DCLIP_LEFT | D3DCLIP_TOP));
    // Only the upper right quarter of the projection is inside.
    D3DVIEWPORT2 v = viewport(0, 0, 100, 100);
    v.dvClipX = 0.0f;
    v.dvClipWidth = v.dvClipHeight = 1.0f;
    ASSERT_EQ(state.setViewport(v), D3D_OK);
    EXPECT_EQ(clipCode(clip(-1.0f, 5.0f, 10.0f)), static_cast<DWORD>(D3DCLIP_LEFT));
    EXPECT_EQ(clipCode(clip(5.0f, -1.0f, 10.0f)), static_cast<DWORD>(D3DCLIP_BOTTOM));
}

TEST_F(TransformTest, RefusesBadStateAndKeepsTheOld) {
    EXPECT_EQ(state.setViewport(viewport(0, 0, 0, 100)), DDERR_INVALIDPARAMS);
    EXPECT_EQ(state.setViewport({sizeof(D3DVIEWPORT2), 0, 0, 100, 100, -1, 1, 0, 2, 0, 1}),
              DDERR_INVALIDPARAMS);  // no clip width
    EXPECT_EQ(state.viewport().dwWidth, 200u);
    EXPECT_EQ(state.setTransform(static_cast<D3DTRANSFORMSTATETYPE>(9), identityMatrix()),
              DDERR_INVALIDPARAMS);
    EXPECT_EQ(state.getTransform(D3DTRANSFORMSTATE_WORLD, nullptr), DDERR_INVALIDPARAMS);
    D3DMATRIX m;
    ASSERT_EQ(state.getTransform(D3DTRANSFORMSTATE_PROJECTION, &m), D3D_OK);
    EXPECT_FLOAT_EQ(m._34, 1.0f);
}

}  // namespace
