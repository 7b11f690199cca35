// ProcessVertices: what lands in the destination buffer and its clip codes.
#include "d3d/vertex/process.h"

#include "vertex_test_util.h"

#include <d3d.h>

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

using namespace platform::d3d::vertex;
using namespace vertex_test;

// D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX2, as the water source buffer.
struct WaterVertex {
    float x, y, z, nx, ny, nz, u0, v0, u1, v1;
};
// D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_SPECULAR | D3DFVF_TEX2.
struct ScreenVertex2 {
    float x, y, z, rhw;
    DWORD diffuse, specular;
    float u0, v0, u1, v1;
};
static_assert(sizeof(WaterVertex) == 40 && sizeof(ScreenVertex2) == 40);

constexpr DWORD kWaterFvf = 0x212;
constexpr DWORD kWaterScreenFvf = 0x2C4;

class ProcessTest : public ::testing::Test {
protected:
    void SetUp() override {
        transform.setTransform(D3DTRANSFORMSTATE_PROJECTION, perspective(1.0f, 100.0f));
        transform.setViewport(viewport(0, 0, 200, 100));
        D3DMATERIAL m{};
        m.dwSize = sizeof m;
        m.diffuse.r = m.diffuse.g = m.diffuse.b = 1.0f;
        m.diffuse.a = 0.5f;
        lighting.setMaterial(m);
    }

    HRESULT process(DWORD operations, std::vector<WaterVertex>& in, std::vector<ScreenVertex2>& out,
                    DWORD* codes, DWORD count, DWORD srcIndex = 0, DWORD dstIndex = 0) {
        ProcessRequest r;
        r.operations = operations;
        r.count = count;
        r.sourceIndex = srcIndex;
        r.destinationIndex = dstIndex;
        return processVertices(
            transform, lighting, r, {in.data(), kWaterFvf, static_cast<DWORD>(in.size())},
            {out.data(), kWaterScreenFvf, static_cast<DWORD>(out.size()), codes}, &result);
    }

    TransformState transform;
    LightingState lighting;
    ProcessResult result;
};

WaterVertex water(float x, float y, float z) {
    return {x, y, z, 0, 0, -1, 0.25f, 0.5f, 0.75f, 1.0f};
}

TEST_F(ProcessTest, InsideVertexGetsScreenFormAndCodeZero) {
    std::vector<WaterVertex> in{water(0, 0, 10)};
    std::vector<ScreenVertex2> out(1);
    DWORD code = 99;
    ASSERT_EQ(process(D3DVOP_TRANSFORM | D3DVOP_CLIP, in, out, &code, 1), D3D_OK);
    EXPECT_EQ(code, 0u);
    EXPECT_FLOAT_EQ(out[0].x, 100.0f);
    EXPECT_FLOAT_EQ(out[0].y, 50.0f);
    EXPECT_NEAR(out[0].z, (100.0f / 99.0f) * 0.9f, 1e-6f);
    EXPECT_FLOAT_EQ(out[0].rhw, 0.1f);
}

TEST_F(ProcessTest, OutsideVertexHoldsClipSpaceCoordinates) {
    std::vector<WaterVertex> in{water(20, 0, 10)};
    std::vector<ScreenVertex2> out(1);
    DWORD code = 0;
    ASSERT_EQ(process(D3DVOP_TRANSFORM | D3DVOP_CLIP, in, out, &code, 1), D3D_OK);
    EXPECT_EQ(code, static_cast<DWORD>(D3DCLIP_RIGHT));
    EXPECT_GT(out[0].rhw, 1.0f) << "w in the rhw slot";
    EXPECT_FLOAT_EQ(out[0].rhw, 10.0f);
    EXPECT_FLOAT_EQ(out[0].x, 15.0f);  // (x + w) / 2: x/w = 1.5 viewport widths
    EXPECT_FLOAT_EQ(out[0].y, 5.0f);   // (y + w) / 2: 1 - y/w = half the height
    EXPECT_NEAR(out[0].z, 9.0f * 100.0f / 99.0f, 1e-5f);
    // Turned into screen form the way code reading the buffer does it, the
    // vertex lands where its screen form would have been.
    EXPECT_FLOAT_EQ(out[0].x / out[0].rhw * 200.0f, 300.0f);
    EXPECT_FLOAT_EQ((1.0f - out[0].y / out[0].rhw) * 100.0f, 50.0f);
}

TEST_F(ProcessTest, WithoutClipEveryVertexGetsScreenForm) {
    std::vector<WaterVertex> in{water(20, 0, 10)};
    std::vector<ScreenVertex2> out(1);
    DWORD code = 99;
    ASSERT_EQ(process(D3DVOP_TRANSFORM, in, out, &code, 1), D3D_OK);
    EXPECT_EQ(code, 0u);
    EXPECT_FLOAT_EQ(out[0].x, 300.0f);
    EXPECT_FLOAT_EQ(out[0].rhw, 0.1f);
}

TEST_F(ProcessTest, BothTextureSetsCarriedThrough) {
    std::vector<WaterVertex> in{water(0, 0, 10), water(1, 1, 10)};
    in[1].u0 = 3.0f;
    in[1].v1 = -2.0f;
    std::vector<ScreenVertex2> out(2);
    ASSERT_EQ(process(D3DVOP_TRANSFORM | D3DVOP_CLIP | D3DVOP_LIGHT, in, out, nullptr, 2), D3D_OK);
    EXPECT_FLOAT_EQ(out[0].u0, 0.25f);
    EXPECT_FLOAT_EQ(out[0].v0, 0.5f);
    EXPECT_FLOAT_EQ(out[0].u1, 0.75f);
    EXPECT_FLOAT_EQ(out[0].v1, 1.0f);
    EXPECT_FLOAT_EQ(out[1].u0, 3.0f);
    EXPECT_FLOAT_EQ(out[1].v1, -2.0f);
}

TEST_F(ProcessTest, IndexRangesAndCodesAtDestinationPositions) {
    std::vector<WaterVertex> in{water(0, 0, 10), water(0, 0, 0.5f), water(0, 30, 10)};
    std::vector<ScreenVertex2> out(5);
    std::vector<DWORD> codes(5, 77);
    ASSERT_EQ(process(D3DVOP_TRANSFORM | D3DVOP_CLIP, in, out, codes.data(), 2, 1, 3), D3D_OK);
    EXPECT_EQ(codes[0], 77u);
    EXPECT_EQ(codes[2], 77u);
    EXPECT_EQ(codes[3], static_cast<DWORD>(D3DCLIP_FRONT));
    EXPECT_EQ(codes[4], static_cast<DWORD>(D3DCLIP_TOP));
    EXPECT_EQ(result.clipUnion, static_cast<DWORD>(D3DCLIP_FRONT | D3DCLIP_TOP));
    EXPECT_EQ(result.clipIntersection, 0u);
    EXPECT_FLOAT_EQ(out[3].rhw, 0.5f);  // w of the vertex in front of the near plane
}

TEST_F(ProcessTest, UnlitColoursDefaultToWhiteAndBlack) {
    std::vector<WaterVertex> in{water(0, 0, 10)};
    std::vector<ScreenVertex2> out(1);
    ASSERT_EQ(process(D3DVOP_TRANSFORM, in, out, nullptr, 1), D3D_OK);
    EXPECT_EQ(out[0].diffuse, 0xFFFFFFFFu);
    EXPECT_EQ(out[0].specular, 0u);
}

TEST_F(ProcessTest, LightingUsesWorldSpaceNormals) {
    // The world turns model +x into world -z, facing a light that shines
    // along +z; a uniform scale must not brighten it.
    D3DMATRIX world{};
    world._13 = -3.0f;
    world._22 = 3.0f;
    world._31 = 3.0f;
    world._44 = 1.0f;
    world._43 = 10.0f;
    transform.setTransform(D3DTRANSFORMSTATE_WORLD, world);
    D3DLIGHT2 l{};
    l.dwSize = sizeof l;
    l.dltType = D3DLIGHT_DIRECTIONAL;
    l.dcvColor.r = l.dcvColor.g = l.dcvColor.b = 0.5f;
    l.dvDirection = {0, 0, 1};
    l.dwFlags = D3DLIGHT_ACTIVE;
    ASSERT_EQ(lighting.setLights(&l, 1), D3D_OK);
    std::vector<WaterVertex> in{{0, 0, 0, 1, 0, 0, 0, 0, 0, 0}, {0, 0, 0, -1, 0, 0, 0, 0, 0, 0}};
    std::vector<ScreenVertex2> out(2);
    ASSERT_EQ(process(D3DVOP_TRANSFORM | D3DVOP_LIGHT, in, out, nullptr, 2), D3D_OK);
    EXPECT_NEAR(red(out[0].diffuse), 128, 1);
    EXPECT_EQ(alpha(out[0].diffuse), 128);
    EXPECT_EQ(red(out[1].diffuse), 0) << "the back side stays dark";
    EXPECT_EQ(alpha(out[1].diffuse), 128);
}

TEST_F(ProcessTest, ExtentsOfInsideVertices) {
    std::vector<WaterVertex> in{water(-5, 5, 10), water(5, -2, 10), water(50, 0, 10)};
    std::vector<ScreenVertex2> out(3);
    ASSERT_EQ(process(D3DVOP_TRANSFORM | D3DVOP_CLIP | D3DVOP_EXTENTS, in, out, nullptr, 3),
              D3D_OK);
    EXPECT_FLOAT_EQ(result.minX, 50.0f);
    EXPECT_FLOAT_EQ(result.maxX, 150.0f);
    EXPECT_FLOAT_EQ(result.minY, 25.0f);
    EXPECT_FLOAT_EQ(result.maxY, 60.0f);
}

TEST_F(ProcessTest, RefusesBadRequests) {
    std::vector<WaterVertex> in(2, water(0, 0, 10));
    std::vector<ScreenVertex2> out(2);
    EXPECT_EQ(process(D3DVOP_TRANSFORM, in, out, nullptr, 3), DDERR_INVALIDPARAMS);
    EXPECT_EQ(process(D3DVOP_TRANSFORM, in, out, nullptr, 1, 2), DDERR_INVALIDPARAMS);
    EXPECT_EQ(process(D3DVOP_TRANSFORM, in, out, nullptr, 1, 0, 0xFFFFFFFFu), DDERR_INVALIDPARAMS);
    EXPECT_EQ(process(D3DVOP_LIGHT, in, out, nullptr, 1), DDERR_INVALIDPARAMS);

    ProcessRequest r;
    r.count = 1;
    EXPECT_EQ(processVertices(transform, lighting, r, {in.data(), kWaterScreenFvf, 2},
                              {out.data(), kWaterScreenFvf, 2}),
              D3DERR_INVALIDVERTEXFORMAT);
    EXPECT_EQ(processVertices(transform, lighting, r, {in.data(), kWaterFvf, 2},
                              {out.data(), kWaterFvf, 2}),
              D3DERR_INVALIDVERTEXFORMAT);
    EXPECT_EQ(processVertices(transform, lighting, r, {in.data(), 0x1000, 2},
                              {out.data(), kWaterScreenFvf, 2}),
              D3DERR_INVALIDVERTEXFORMAT);
    EXPECT_EQ(processVertices(transform, lighting, r, {nullptr, kWaterFvf, 2},
                              {out.data(), kWaterScreenFvf, 2}),
              DDERR_INVALIDPARAMS);
}

// Formats that differ in the sets and colours they carry.
TEST(ProcessFormats, ExtraDestinationSetsAreLeftAlone) {
    TransformState t;
    LightingState l;
    const D3DVERTEX in{};
    std::vector<unsigned char> out(48, 0);
    store(out.data() + 32, 7.0f);  // set 1 u
    store(out.data() + 44, 9.0f);  // set 2 v
    ProcessRequest r;
    r.count = 1;
    ASSERT_EQ(processVertices(t, l, r, {&in, D3DFVF_VERTEX, 1}, {out.data(), 0x3C4, 1}), D3D_OK);
    EXPECT_FLOAT_EQ(load<float>(out.data() + 32), 7.0f);
    EXPECT_FLOAT_EQ(load<float>(out.data() + 44), 9.0f);
}

TEST(ProcessFormats, SourceColoursCopiedWhenNotLit) {
    TransformState t;
    LightingState l;
    // D3DFVF_XYZ | D3DFVF_RESERVED1 | D3DFVF_DIFFUSE | D3DFVF_SPECULAR | D3DFVF_TEX2
    std::vector<unsigned char> in(40, 0);
    store<DWORD>(in.data() + 16, 0x80112233u);
    store<DWORD>(in.data() + 20, 0x44556677u);
    store(in.data() + 32, 5.0f);
    std::vector<unsigned char> out(40, 0);
    ProcessRequest r;
    r.operations = D3DVOP_TRANSFORM | D3DVOP_CLIP | D3DVOP_LIGHT;  // no normals: no lighting
    r.count = 1;
    ASSERT_EQ(processVertices(t, l, r, {in.data(), 0x2E2, 1}, {out.data(), 0x2C4, 1}), D3D_OK);
    EXPECT_EQ(load<DWORD>(out.data() + 16), 0x80112233u);
    EXPECT_EQ(load<DWORD>(out.data() + 20), 0x44556677u);
    EXPECT_FLOAT_EQ(load<float>(out.data() + 32), 5.0f);
}

TEST(ProcessFormats, DoNotCopyDataLeavesColoursAndCoordinates) {
    TransformState t;
    LightingState l;
    D3DVERTEX in{};
    in.tu = 4.0f;
    D3DTLVERTEX out{};
    out.color = 0x12345678u;
    out.tu = -1.0f;
    ProcessRequest r;
    r.flags = D3DPV_DONOTCOPYDATA;
    r.count = 1;
    ASSERT_EQ(processVertices(t, l, r, {&in, D3DFVF_VERTEX, 1}, {&out, D3DFVF_TLVERTEX, 1}),
              D3D_OK);
    EXPECT_EQ(out.color, 0x12345678u);
    EXPECT_FLOAT_EQ(out.tu, -1.0f);
    EXPECT_FLOAT_EQ(out.rhw, 1.0f) << "the position is still written";
}

}  // namespace
