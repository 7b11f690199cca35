// Vertex format decoding: sizes, field offsets and refused formats.
#include "d3d/vertex/fvf.h"

#include <d3d.h>

#include <gtest/gtest.h>

namespace {

using platform::d3d::vertex::decodeFvf;
using platform::d3d::vertex::FvfLayout;
using platform::d3d::vertex::fvfVertexSize;

TEST(FvfSize, FormatsTheDriverUses) {
    EXPECT_EQ(fvfVertexSize(0x112), 32u);  // D3DFVF_VERTEX
    EXPECT_EQ(fvfVertexSize(0x1C4), 32u);  // D3DFVF_TLVERTEX
    EXPECT_EQ(fvfVertexSize(0x2C4), 40u);
    EXPECT_EQ(fvfVertexSize(0x212), 40u);
    EXPECT_EQ(fvfVertexSize(0x3C4), 48u);
    EXPECT_EQ(fvfVertexSize(0x2E2), 40u);  // reserved word counts
    EXPECT_EQ(fvfVertexSize(D3DFVF_LVERTEX), 32u);
}

TEST(FvfSize, BlendWeightsAddOneFloatEach) {
    EXPECT_EQ(fvfVertexSize(D3DFVF_XYZB1), 16u);
    EXPECT_EQ(fvfVertexSize(D3DFVF_XYZB3), 24u);
    EXPECT_EQ(fvfVertexSize(D3DFVF_XYZB5 | D3DFVF_NORMAL), 44u);
}

TEST(FvfSize, EightTextureSets) {
    EXPECT_EQ(fvfVertexSize(D3DFVF_XYZRHW | D3DFVF_TEX8), 16u + 64u);
}

TEST(FvfLayoutOffsets, DestinationWithThreeSets) {
    FvfLayout l;
    ASSERT_EQ(decodeFvf(0x3C4, &l), D3D_OK);
    EXPECT_TRUE(l.transformed);
    EXPECT_EQ(l.normal, -1);
    EXPECT_EQ(l.diffuse, 16);
    EXPECT_EQ(l.specular, 20);
    EXPECT_EQ(l.texCoords, 24);
    EXPECT_EQ(l.texCount, 3u);
}

TEST(FvfLayoutOffsets, SourceWithReservedWord) {
    FvfLayout l;
    ASSERT_EQ(decodeFvf(0x2E2, &l), D3D_OK);
    EXPECT_FALSE(l.transformed);
    EXPECT_EQ(l.reserved, 12);
    EXPECT_EQ(l.diffuse, 16);
    EXPECT_EQ(l.specular, 20);
    EXPECT_EQ(l.texCoords, 24);
}

TEST(FvfLayoutOffsets, NormalAfterBlendWeights) {
    FvfLayout l;
    ASSERT_EQ(decodeFvf(D3DFVF_XYZB2 | D3DFVF_NORMAL | D3DFVF_TEX1, &l), D3D_OK);
    EXPECT_EQ(l.blendWeights, 2u);
    EXPECT_EQ(l.normal, 20);
    EXPECT_EQ(l.texCoords, 32);
    EXPECT_EQ(l.size, 40u);
}

TEST(FvfValidation, RefusesBadFormats) {
    FvfLayout l;
    l.size = 1234;
    EXPECT_EQ(decodeFvf(0, &l), D3DERR_INVALIDVERTEXFORMAT);  // no position
    EXPECT_EQ(decodeFvf(D3DFVF_NORMAL | D3DFVF_TEX1, &l), D3DERR_INVALIDVERTEXFORMAT);
    EXPECT_EQ(decodeFvf(D3DFVF_XYZ | D3DFVF_RESERVED0, &l), D3DERR_INVALIDVERTEXFORMAT);
    EXPECT_EQ(decodeFvf(D3DFVF_XYZ | 0x1000, &l), D3DERR_INVALIDVERTEXFORMAT);
    EXPECT_EQ(decodeFvf(D3DFVF_XYZ | 0x900, &l), D3DERR_INVALIDVERTEXFORMAT);  // 9 sets
    EXPECT_EQ(decodeFvf(D3DFVF_XYZRHW | D3DFVF_NORMAL, &l), D3DERR_INVALIDVERTEXFORMAT);
    EXPECT_EQ(l.size, 1234u) << "a refused format leaves the layout alone";
    EXPECT_EQ(fvfVertexSize(D3DFVF_XYZRHW | D3DFVF_NORMAL), 0u);
    EXPECT_EQ(decodeFvf(D3DFVF_XYZ, nullptr), DDERR_INVALIDPARAMS);
}

}  // namespace
