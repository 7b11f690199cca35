// Vertex format decoding: sizes, field offsets and refused formats.
#include "d3d/vertex/fvf.h"

#include "vertex_test_util.h"

namespace {

using namespace vertex_test;

// The formats the driver uses (more in FieldOffsets), blend weights (one
// float each), eight texture sets, and 0 for a refused format.
TEST(Fvf, VertexSizes) {
    EXPECT_EQ(fvfVertexSize(D3DFVF_VERTEX), 32u);
    EXPECT_EQ(fvfVertexSize(D3DFVF_TLVERTEX), 32u);
    EXPECT_EQ(fvfVertexSize(D3DFVF_LVERTEX), 32u);
    EXPECT_EQ(fvfVertexSize(0x2C4), 40u);
    EXPECT_EQ(fvfVertexSize(0x212), 40u);
    EXPECT_EQ(fvfVertexSize(D3DFVF_XYZB1), 16u);
    EXPECT_EQ(fvfVertexSize(D3DFVF_XYZB3), 24u);
    EXPECT_EQ(fvfVertexSize(D3DFVF_XYZB5 | D3DFVF_NORMAL), 44u);
    EXPECT_EQ(fvfVertexSize(D3DFVF_XYZRHW | D3DFVF_TEX8), 80u);
    EXPECT_EQ(fvfVertexSize(D3DFVF_XYZRHW | D3DFVF_NORMAL), 0u);
}

TEST(Fvf, FieldOffsets) {
    // fvf, size, transformed, blend weights, then the offsets of normal,
    // reserved word, diffuse, specular and texture sets, and the set count.
    const FvfLayout cases[] = {
        {0x3C4, 48, true, 0, -1, -1, 16, 20, 24, 3},
        {0x2E2, 40, false, 0, -1, 12, 16, 20, 24, 2},
        {D3DFVF_XYZB2 | D3DFVF_NORMAL | D3DFVF_TEX1, 40, false, 2, 20, -1, -1, -1, 32, 1}};
    const auto fields = [](const FvfLayout& l) {
        return std::tuple(l.fvf, l.size, l.transformed, l.blendWeights, l.normal, l.reserved,
                          l.diffuse, l.specular, l.texCoords, l.texCount);
    };
    for (const FvfLayout& want : cases) {
        FvfLayout l;
        ASSERT_EQ(decodeFvf(want.fvf, &l), D3D_OK);
        EXPECT_EQ(fields(l), fields(want));
    }
}

TEST(Fvf, RefusesBadFormatsAndLeavesTheLayout) {
    FvfLayout l;
    l.size = 1234;
    // No position, a reserved bit, nine sets, a normal on transformed vertices.
    for (DWORD fvf : {DWORD{0}, DWORD{D3DFVF_NORMAL | D3DFVF_TEX1},
                      DWORD{D3DFVF_XYZ | D3DFVF_RESERVED0}, DWORD{D3DFVF_XYZ | 0x1000},
                      DWORD{D3DFVF_XYZ | 0x900}, DWORD{D3DFVF_XYZRHW | D3DFVF_NORMAL}})
        EXPECT_EQ(decodeFvf(fvf, &l), D3DERR_INVALIDVERTEXFORMAT) << std::hex << fvf;
    EXPECT_EQ(l.size, 1234u);
    EXPECT_EQ(decodeFvf(D3DFVF_XYZ, nullptr), DDERR_INVALIDPARAMS);
}

}  // namespace
