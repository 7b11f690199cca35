// The structure initialisers the framework builds its calls with.
#include "d3dframe/d3dutil.h"

#include <gtest/gtest.h>

#include <cstring>

TEST(D3DUtilInit, SurfaceDescIsZeroedSizedAndFlagged) {
    DDSURFACEDESC2 d;
    std::memset(&d, 0xAB, sizeof(d));
    D3DUtil_InitSurfaceDesc(d, DDSD_CAPS | DDSD_WIDTH, DDSCAPS_ZBUFFER);
    EXPECT_EQ(sizeof(DDSURFACEDESC2), d.dwSize);
    EXPECT_EQ(DWORD(DDSD_CAPS | DDSD_WIDTH), d.dwFlags);
    EXPECT_EQ(DWORD(DDSCAPS_ZBUFFER), d.ddsCaps.dwCaps);
    EXPECT_EQ(32u, d.ddpfPixelFormat.dwSize);
    EXPECT_EQ(0u, d.dwWidth);
    EXPECT_EQ(0u, d.ddpfPixelFormat.dwFlags);
    EXPECT_EQ(nullptr, d.lpSurface);
}

TEST(D3DUtilInit, SurfaceDescDefaultsToNoFlagsOrCaps) {
    DDSURFACEDESC2 d;
    std::memset(&d, 0xCD, sizeof(d));
    D3DUtil_InitSurfaceDesc(d);
    EXPECT_EQ(0u, d.dwFlags);
    EXPECT_EQ(0u, d.ddsCaps.dwCaps);
}

TEST(D3DUtilInit, ViewportCoversTheGivenSizeWithTheStandardClipVolume) {
    D3DVIEWPORT2 v;
    std::memset(&v, 0xAB, sizeof(v));
    D3DUtil_InitViewport(v, 800, 600);
    EXPECT_EQ(44u, v.dwSize);
    EXPECT_EQ(0u, v.dwX);
    EXPECT_EQ(0u, v.dwY);
    EXPECT_EQ(800u, v.dwWidth);
    EXPECT_EQ(600u, v.dwHeight);
    EXPECT_FLOAT_EQ(-1.0f, v.dvClipX);
    EXPECT_FLOAT_EQ(1.0f, v.dvClipY);
    EXPECT_FLOAT_EQ(2.0f, v.dvClipWidth);
    EXPECT_FLOAT_EQ(2.0f, v.dvClipHeight);
    EXPECT_FLOAT_EQ(0.0f, v.dvMinZ);
    EXPECT_FLOAT_EQ(1.0f, v.dvMaxZ);
}
