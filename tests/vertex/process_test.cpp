// ProcessVertices: what lands in the destination buffer and its clip codes.
#include "d3d/vertex/process.h"

#include "vertex_test_util.h"

namespace {

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

constexpr DWORD kWaterFvf = 0x212;
constexpr DWORD kWaterScreenFvf = 0x2C4;

WaterVertex water(float x, float y, float z) {
    return {x, y, z, 0, 0, -1, 0.25f, 0.5f, 0.75f, 1.0f};
}

// Projection near 1, far 100 onto a 200 x 100 viewport; a white material.
class ProcessTest : public ::testing::Test {
protected:
    void SetUp() override {
        transform.setTransform(D3DTRANSFORMSTATE_PROJECTION, perspective(1.0f, 100.0f));
        transform.setViewport(viewport(0, 0, 200, 100));
        D3DMATERIAL m{};
        m.diffuse = {1, 1, 1, 0.5f};
        lighting.setMaterial(m);
    }

    // Processes `in` into `out`, whose clip codes start as 77.
    HRESULT process(DWORD operations, DWORD count, DWORD srcIndex = 0, DWORD dstIndex = 0) {
        codes.assign(out.size(), 77);
        return processVertices(
            transform, lighting, {operations, 0, srcIndex, dstIndex, count},
            {in.data(), kWaterFvf, static_cast<DWORD>(in.size())},
            {out.data(), kWaterScreenFvf, static_cast<DWORD>(out.size()), codes.data()}, &result);
    }

    TransformState transform;
    LightingState lighting;
    std::vector<WaterVertex> in;
    std::vector<ScreenVertex2> out;
    std::vector<DWORD> codes;
    ProcessResult result;
};

// The fields of a destination vertex but z, which is checked to a tolerance.
auto fields(const ScreenVertex2& v) {
    return std::tuple(v.x, v.y, v.rhw, v.diffuse, v.specular, v.u0, v.v0, v.u1, v.v1);
}

TEST_F(ProcessTest, ScreenFormInsideClipFormOutside) {
    in = {water(0, 0, 10), {20, 0, 10, 0, 0, -1, 3, 0.5f, 0.75f, -2}};
    out.resize(2);
    ASSERT_EQ(process(D3DVOP_TRANSFORM | D3DVOP_CLIP, 2), D3D_OK);
    EXPECT_EQ(codes, (std::vector<DWORD>{0, D3DCLIP_RIGHT}));
    // Unlit colours are white and black; both texture sets are copied.
    // Outside: (x + w) / 2, (y + w) / 2, z and w in the rhw slot, so that
    // x/w and 1 - y/w are the fractions of the viewport (1.5 and 0.5).
    const float z = 100.0f / 99.0f;
    EXPECT_EQ(fields(out[0]), fields({100, 50, 0, 0.1f, 0xFFFFFFFF, 0, 0.25f, 0.5f, 0.75f, 1}));
    EXPECT_EQ(fields(out[1]), fields({15, 5, 0, 10, 0xFFFFFFFF, 0, 3, 0.5f, 0.75f, -2}));
    EXPECT_NEAR(out[0].z, z * 0.9f, 1e-6f);
    EXPECT_NEAR(out[1].z, z * 9, 1e-5f);
    // Without D3DVOP_CLIP every vertex gets its screen form and code 0.
    ASSERT_EQ(process(D3DVOP_TRANSFORM, 2), D3D_OK);
    EXPECT_EQ(codes, (std::vector<DWORD>{0, 0}));
    EXPECT_EQ(fields(out[1]), fields({300, 50, 0, 0.1f, 0xFFFFFFFF, 0, 3, 0.5f, 0.75f, -2}));
    EXPECT_NEAR(out[1].z, z * 0.9f, 1e-6f);
}

TEST_F(ProcessTest, IndexRangesCodesAndClipStatus) {
    in = {water(0, 0, 10), water(0, 0, 0.5f), water(0, 30, 10), water(0, 40, 20)};
    out.resize(5);
    ASSERT_EQ(process(D3DVOP_TRANSFORM | D3DVOP_CLIP, 2, 1, 3), D3D_OK);
    EXPECT_EQ(codes, (std::vector<DWORD>{77, 77, 77, D3DCLIP_FRONT, D3DCLIP_TOP}));
    EXPECT_EQ(result.clipUnion, static_cast<DWORD>(D3DCLIP_FRONT | D3DCLIP_TOP));
    EXPECT_EQ(result.clipIntersection, 0u);
    EXPECT_FLOAT_EQ(out[3].rhw, 0.5f);  // w of the vertex in front of the near plane
    // Both above the top plane: the intersection names it.
    ASSERT_EQ(process(D3DVOP_TRANSFORM | D3DVOP_CLIP, 2, 2, 0), D3D_OK);
    EXPECT_EQ(result.clipUnion, static_cast<DWORD>(D3DCLIP_TOP));
    EXPECT_EQ(result.clipIntersection, static_cast<DWORD>(D3DCLIP_TOP));
}

TEST_F(ProcessTest, LightingUsesWorldSpaceNormals) {
    // The world turns model +x into world -z, facing a light that shines
    // along +z; a uniform scale must not brighten it.
    transform.setTransform(D3DTRANSFORMSTATE_WORLD,
                           {0, 0, -3, 0, 0, 3, 0, 0, 3, 0, 0, 0, 0, 0, 10, 1});
    D3DLIGHT2 l{};
    l.dwSize = sizeof(l);
    l.dltType = D3DLIGHT_DIRECTIONAL;
    l.dcvColor = {0.5f, 0.5f, 0.5f, 1};
    l.dvDirection = {0, 0, 1};
    l.dwFlags = D3DLIGHT_ACTIVE;
    ASSERT_EQ(lighting.setLights(&l, 1), D3D_OK);
    in = {{0, 0, 0, 1, 0, 0, 0, 0, 0, 0}, {0, 0, 0, -1, 0, 0, 0, 0, 0, 0}};
    out.resize(2);
    ASSERT_EQ(process(D3DVOP_TRANSFORM | D3DVOP_LIGHT, 2), D3D_OK);
    EXPECT_NEAR(ch(out[0].diffuse, 0), 128, 1);
    EXPECT_EQ(ch(out[0].diffuse, 3), 128);
    EXPECT_EQ(out[1].diffuse, 0x80000000u) << "the back side stays dark";
}

TEST_F(ProcessTest, ExtentsOfInsideVertices) {
    in = {water(-5, 5, 10), water(5, -2, 10), water(50, 0, 10)};
    out.resize(3);
    ASSERT_EQ(process(D3DVOP_TRANSFORM | D3DVOP_CLIP | D3DVOP_EXTENTS, 3), D3D_OK);
    EXPECT_FLOAT_EQ(result.minX, 50.0f);
    EXPECT_FLOAT_EQ(result.maxX, 150.0f);
    EXPECT_FLOAT_EQ(result.minY, 25.0f);
    EXPECT_FLOAT_EQ(result.maxY, 60.0f);
}

TEST_F(ProcessTest, RefusesBadRequests) {
    in.assign(2, water(0, 0, 10));
    out.resize(2);
    EXPECT_EQ(process(D3DVOP_TRANSFORM, 3), DDERR_INVALIDPARAMS);
    EXPECT_EQ(process(D3DVOP_TRANSFORM, 1, 2), DDERR_INVALIDPARAMS);
    EXPECT_EQ(process(D3DVOP_TRANSFORM, 1, 0, 0xFFFFFFFFu), DDERR_INVALIDPARAMS);
    EXPECT_EQ(process(D3DVOP_LIGHT, 1), DDERR_INVALIDPARAMS);
    // Transformed source, untransformed destination, a bad format, no memory.
    const ProcessRequest r{D3DVOP_TRANSFORM, 0, 0, 0, 1};
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
TEST(ProcessFormats, WhatIsCopiedBetweenFormats) {
    TransformState t;
    LightingState l;
    ProcessRequest r{D3DVOP_TRANSFORM, 0, 0, 0, 1};
    // D3DVERTEX into XYZRHW | DIFFUSE | SPECULAR | TEX3: sets 1 and 2 are left alone.
    const D3DVERTEX vertex{};
    float three[12] = {};
    three[8] = 7.0f;   // set 1 u
    three[11] = 9.0f;  // set 2 v
    ASSERT_EQ(processVertices(t, l, r, {&vertex, D3DFVF_VERTEX, 1}, {three, 0x3C4, 1}), D3D_OK);
    EXPECT_EQ(std::make_pair(three[8], three[11]), std::make_pair(7.0f, 9.0f));
    // XYZ | RESERVED1 | DIFFUSE | SPECULAR | TEX2: no normals, so the colours
    // are copied although lighting was asked for; set 1 u is 5.0f.
    const DWORD in[10] = {0, 0, 0, 0, 0x80112233u, 0x44556677u, 0, 0, 0x40a00000u, 0};
    ScreenVertex2 out{};
    r.operations = D3DVOP_TRANSFORM | D3DVOP_CLIP | D3DVOP_LIGHT;
    ASSERT_EQ(processVertices(t, l, r, {in, 0x2E2, 1}, {&out, kWaterScreenFvf, 1}), D3D_OK);
    EXPECT_EQ(std::make_tuple(out.diffuse, out.specular, out.u1),
              std::make_tuple(0x80112233u, 0x44556677u, 5.0f));
    // D3DPV_DONOTCOPYDATA writes the position only.
    D3DVERTEX textured{};
    textured.tu = 4.0f;
    D3DTLVERTEX tl{};
    tl.color = 0x12345678u;
    tl.tu = -1.0f;
    r.operations = D3DVOP_TRANSFORM;
    r.flags = D3DPV_DONOTCOPYDATA;
    ASSERT_EQ(processVertices(t, l, r, {&textured, D3DFVF_VERTEX, 1}, {&tl, D3DFVF_TLVERTEX, 1}),
              D3D_OK);
    EXPECT_EQ(std::make_tuple(tl.color, tl.tu, tl.rhw), std::make_tuple(0x12345678u, -1.0f, 1.0f));
}

}  // namespace
