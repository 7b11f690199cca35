// Calls Direct3D 6 accepts even where they change nothing: render states it
// only stores (object_test.cpp reads every state back), clears of no rectangles.
#include "device_fixture.h"

namespace {

struct StoredState {
    D3DRENDERSTATETYPE state;
    DWORD initial;
};

const StoredState kStoredStates[] = {
    {D3DRENDERSTATE_CLIPPING, TRUE},
    {D3DRENDERSTATE_LIGHTING, TRUE},
    {D3DRENDERSTATE_EXTENTS, FALSE},
    {D3DRENDERSTATE_AMBIENT, 0},
    {D3DRENDERSTATE_FOGVERTEXMODE, D3DFOG_NONE},
    {D3DRENDERSTATE_COLORVERTEX, TRUE},
    {D3DRENDERSTATE_LOCALVIEWER, TRUE},
    {D3DRENDERSTATE_NORMALIZENORMALS, FALSE},
    {D3DRENDERSTATE_COLORKEYBLENDENABLE, FALSE},
    {D3DRENDERSTATE_DIFFUSEMATERIALSOURCE, D3DMCS_COLOR1},
    {D3DRENDERSTATE_SPECULARMATERIALSOURCE, D3DMCS_COLOR2},
    {D3DRENDERSTATE_AMBIENTMATERIALSOURCE, D3DMCS_MATERIAL},
    {D3DRENDERSTATE_EMISSIVEMATERIALSOURCE, D3DMCS_MATERIAL},
};

}  // namespace

TEST_F(DeviceTest, StatesOutsideTheRasteriserAreStoredWithoutEffect) {
    makeDevice();
    diffuseOnly();
    ASSERT_EQ(D3D_OK, quad(2, 2, 20, 20, 0.5f, 0xFF3080C0));
    const auto before = pixels();
    DWORD v = 0;
    for (const StoredState& s : kStoredStates) {
        ASSERT_EQ(D3D_OK, device->GetRenderState(s.state, &v)) << s.state;
        EXPECT_EQ(s.initial, v) << s.state;
        EXPECT_EQ(D3D_OK, device->SetRenderState(s.state, s.initial ^ 0x5A)) << s.state;
    }
    clear(0, 1.0f);
    ASSERT_EQ(D3D_OK, quad(2, 2, 20, 20, 0.5f, 0xFF3080C0));
    EXPECT_EQ(before, pixels());
}

// A rectangle reaching outside is clipped to the viewport; no rectangles
// clear nothing.
TEST_F(DeviceTest, ClearsAreClippedAndNoRectanglesLeaveThePixels) {
    makeDevice();
    D3DRECT r{-5, -5, 8, 8};
    ASSERT_EQ(D3D_OK, viewport->Clear2(1, &r, D3DCLEAR_TARGET, 0x00FFFF00, 1.0f, 0));
    EXPECT_EQ(0xFFFF00u, rgb(0, 0));
    EXPECT_EQ(0xFFFF00u, rgb(7, 7));
    EXPECT_EQ(0u, rgb(8, 8));
    EXPECT_EQ(D3DERR_STENCILBUFFER_NOTPRESENT,
              viewport->Clear2(1, &r, D3DCLEAR_STENCIL, 0, 1.0f, 0));
    clear(0x00FF0000, 0.25f);
    EXPECT_EQ(D3D_OK, viewport->Clear2(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0x0000FF00,
                                       1.0f, 0));
    EXPECT_EQ(D3D_OK, viewport->Clear(0, nullptr, D3DCLEAR_TARGET));
    for (uint32_t p : pixels())
        ASSERT_EQ(0xFF0000u, p & 0xFFFFFF);
    // The depth is untouched too: a quad behind the cleared depth stays hidden.
    diffuseOnly();
    ASSERT_EQ(D3D_OK, quad(0, 0, 16, 16, 0.5f, 0xFF0000FF));
    EXPECT_EQ(0xFF0000u, rgb(4, 4));
}

// Without a current viewport there is nowhere to draw: every draw says so,
// draws nothing, and the device keeps working once a viewport is current again.
TEST_F(DeviceTest, DrawingWithoutACurrentViewportIsRefusedAndDrawsNothing) {
    makeDevice();
    diffuseOnly();
    ASSERT_EQ(D3D_OK, device->DeleteViewport(viewport));
    IDirect3DViewport3* current = nullptr;
    EXPECT_EQ(D3DERR_NOCURRENTVIEWPORT, device->GetCurrentViewport(&current));
    EXPECT_EQ(D3DERR_NOCURRENTVIEWPORT, quad(0, 0, 16, 16, 0.5f, 0xFFFFFFFF));
    D3DVECTOR xyz[3] = {{0, 0, 0.5f}, {1, 0, 0.5f}, {0, 1, 0.5f}};
    EXPECT_EQ(D3DERR_NOCURRENTVIEWPORT,
              device->DrawPrimitive(D3DPT_TRIANGLELIST, D3DFVF_XYZ, xyz, 3, 0));
    D3DDRAWPRIMITIVESTRIDEDDATA d{};
    d.position = {xyz, sizeof(D3DVECTOR)};
    EXPECT_EQ(D3DERR_NOCURRENTVIEWPORT,
              device->DrawPrimitiveStrided(D3DPT_TRIANGLELIST, D3DFVF_XYZ, &d, 3, 0));
    D3DVALUE radius = 1.0f;
    DWORD visibility = 0;
    EXPECT_EQ(D3DERR_NOCURRENTVIEWPORT,
              device->ComputeSphereVisibility(xyz, &radius, 1, 0, &visibility));
    for (uint32_t p : pixels())
        ASSERT_EQ(0u, p & 0xFFFFFF);

    ASSERT_EQ(D3D_OK, device->AddViewport(viewport));
    ASSERT_EQ(D3D_OK, device->SetCurrentViewport(viewport));
    ASSERT_EQ(D3D_OK, quad(0, 0, 16, 16, 0.5f, 0xFFFFFFFF));
    EXPECT_EQ(0xFFFFFFu, rgb(4, 4));
}
