// ProcessVertices lighting, clipping of processed and untransformed
// vertices, and ValidateDevice against a two-stage profile.
#include "device_fixture.h"

#include <cmath>

namespace {

struct LitVertex {
    float x, y, z, nx, ny, nz;
};
struct OutVertex {
    float x, y, z, rhw;
    D3DCOLOR diffuse, specular;
};

int expected(float material, float light, float factor) {
    return static_cast<int>(std::lround(std::fmin(1.0f, material * light * factor) * 255.0f));
}

}  // namespace

class ProcessTest : public DeviceTest {
protected:
    void SetUp() override {
        DeviceTest::SetUp();
        makeDevice();
        ASSERT_EQ(D3D_OK, d3d->CreateMaterial(&material, nullptr));
        D3DMATERIAL m{};
        m.dwSize = sizeof(m);
        m.diffuse = {1.0f, 0.5f, 0.25f, 1.0f};
        ASSERT_EQ(D3D_OK, material->SetMaterial(&m));
        D3DMATERIALHANDLE h;
        ASSERT_EQ(D3D_OK, material->GetHandle(device, &h));
        ASSERT_EQ(D3D_OK, device->SetLightState(D3DLIGHTSTATE_MATERIAL, h));
        ASSERT_EQ(D3D_OK, d3d->CreateLight(&light, nullptr));
        ASSERT_EQ(D3D_OK, viewport->AddLight(light));
        source = buffer(D3DFVF_XYZ | D3DFVF_NORMAL, 3);
        dest = buffer(D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_SPECULAR, 3);
    }
    void TearDown() override {
        source->Release();
        dest->Release();
        light->Release();
        material->Release();
        DeviceTest::TearDown();
    }
    IDirect3DVertexBuffer* buffer(DWORD fvf, DWORD count) {
        D3DVERTEXBUFFERDESC d{sizeof(D3DVERTEXBUFFERDESC), 0, fvf, count};
        IDirect3DVertexBuffer* vb = nullptr;
        EXPECT_EQ(D3D_OK, d3d->CreateVertexBuffer(&d, &vb, 0, nullptr));
        return vb;
    }
    void fillSource(const LitVertex* v) {
        void* p;
        ASSERT_EQ(D3D_OK, source->Lock(DDLOCK_WAIT, &p, nullptr));
        std::memcpy(p, v, 3 * sizeof(LitVertex));
        ASSERT_EQ(D3D_OK, source->Unlock());
    }
    OutVertex processed(int i) {
        void* p;
        EXPECT_EQ(D3D_OK, dest->Lock(DDLOCK_WAIT, &p, nullptr));
        OutVertex o;
        std::memcpy(&o, static_cast<BYTE*>(p) + i * sizeof(OutVertex), sizeof o);
        EXPECT_EQ(D3D_OK, dest->Unlock());
        return o;
    }
    void setLight(const D3DLIGHT2& l) {
        D3DLIGHT2 copy = l;
        ASSERT_EQ(D3D_OK, light->SetLight(reinterpret_cast<D3DLIGHT*>(&copy)));
    }

    IDirect3DMaterial3* material = nullptr;
    IDirect3DLight* light = nullptr;
    IDirect3DVertexBuffer* source = nullptr;
    IDirect3DVertexBuffer* dest = nullptr;
};

TEST_F(ProcessTest, DirectionalPointAndSpotLightsFollowTheFormula) {
    // Facing the light head on (normal towards -z, light shining along +z).
    const LitVertex v[3] = {{0, 0, 0.5f, 0, 0, -1}, {0.5f, 0, 0.5f, 0, 0, -1},
                            {0, 0.5f, 0.5f, 0.6f, 0, -0.8f}};
    fillSource(v);
    D3DLIGHT2 l{};
    l.dwSize = sizeof(l);
    l.dltType = D3DLIGHT_DIRECTIONAL;
    l.dcvColor = {1.0f, 1.0f, 1.0f, 1.0f};
    l.dvDirection = {0.0f, 0.0f, 1.0f};
    l.dwFlags = D3DLIGHT_ACTIVE;
    setLight(l);
    device->SetLightState(D3DLIGHTSTATE_AMBIENT, 0);
    ASSERT_EQ(D3D_OK, dest->ProcessVertices(D3DVOP_TRANSFORM | D3DVOP_LIGHT, 0, 3, source, 0,
                                            device, 0));
    OutVertex o = processed(0);
    EXPECT_NEAR(255, channel(o.diffuse, 16), 1);
    EXPECT_NEAR(expected(0.5f, 1, 1), channel(o.diffuse, 8), 1);
    EXPECT_NEAR(expected(0.25f, 1, 1), channel(o.diffuse, 0), 1);
    o = processed(2);  // N.L = 0.8
    EXPECT_NEAR(expected(0.5f, 1, 0.8f), channel(o.diffuse, 8), 1);

    // A point light 2 units in front with linear attenuation: a = 1 / (1 * d).
    l.dltType = D3DLIGHT_POINT;
    l.dvPosition = {0.0f, 0.0f, -1.5f};
    l.dvRange = 100.0f;
    l.dvAttenuation0 = 0.0f;
    l.dvAttenuation1 = 1.0f;
    setLight(l);
    ASSERT_EQ(D3D_OK, dest->ProcessVertices(D3DVOP_TRANSFORM | D3DVOP_LIGHT, 0, 1, source, 0,
                                            device, 0));
    o = processed(0);
    EXPECT_NEAR(expected(1.0f, 1, 0.5f), channel(o.diffuse, 16), 1);
    EXPECT_NEAR(expected(0.5f, 1, 0.5f), channel(o.diffuse, 8), 1);

    // Inactive lights and the ambient term.
    l.dwFlags = 0;
    setLight(l);
    D3DMATERIAL m{};
    m.dwSize = sizeof(m);
    m.ambient = {1.0f, 1.0f, 1.0f, 1.0f};
    material->SetMaterial(&m);
    device->SetLightState(D3DLIGHTSTATE_AMBIENT, 0x00204060);
    ASSERT_EQ(D3D_OK, dest->ProcessVertices(D3DVOP_TRANSFORM | D3DVOP_LIGHT, 0, 1, source, 0,
                                            device, 0));
    EXPECT_EQ(0x204060u, processed(0).diffuse & 0xFFFFFF);
}

TEST_F(ProcessTest, ProcessedVerticesAreDrawnAndClipped) {
    // Identity transforms: clip space is model space; the viewport maps
    // x -1..1 to 0..32. The third vertex lies far right, outside.
    const LitVertex v[3] = {{-1.0f, 1.0f, 0.5f, 0, 0, -1},
                            {0.0f, -1.0f, 0.5f, 0, 0, -1},
                            {3.0f, 1.0f, 0.5f, 0, 0, -1}};
    fillSource(v);
    D3DMATERIAL m{};
    m.dwSize = sizeof(m);
    m.emissive = {1.0f, 1.0f, 1.0f, 1.0f};
    material->SetMaterial(&m);
    ASSERT_EQ(D3D_OK, dest->ProcessVertices(D3DVOP_TRANSFORM | D3DVOP_CLIP | D3DVOP_LIGHT, 0, 3,
                                            source, 0, device, 0));
    // The outside vertex holds its clip form: x' = (x + w) / 2.
    EXPECT_FLOAT_EQ(2.0f, processed(2).x);
    EXPECT_FLOAT_EQ(16.0f, processed(1).x);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
    device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    ASSERT_EQ(D3D_OK,
              device->DrawPrimitiveVB(D3DPT_TRIANGLELIST, dest, 0, 3, D3DDP_DONOTLIGHT));
    EXPECT_EQ(0xFFFFFFu, rgb(20, 1));
    EXPECT_EQ(0xFFFFFFu, rgb(31, 0));
    EXPECT_EQ(0u, rgb(1, 30));
}

TEST_F(ProcessTest, TriangleCrossingTheNearPlaneLosesItsHiddenPart) {
    // Perspective with near 1, far 100 and a 90 degree field of view.
    D3DMATRIX p{};
    p._11 = 1.0f;
    p._22 = 1.0f;
    p._33 = 100.0f / 99.0f;
    p._34 = 1.0f;
    p._43 = -100.0f / 99.0f;
    ASSERT_EQ(D3D_OK, device->SetTransform(D3DTRANSFORMSTATE_PROJECTION, &p));
    struct ColorVertex {
        float x, y, z;
        D3DCOLOR c;
    } v[3] = {{-1, -1, 2, 0xFFFFFFFF}, {1, -1, 2, 0xFFFFFFFF}, {0, 1, -1, 0xFFFFFFFF}};
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
    device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    ASSERT_EQ(D3D_OK, device->DrawPrimitive(D3DPT_TRIANGLELIST, D3DFVF_XYZ | D3DFVF_DIFFUSE, v,
                                            3, D3DDP_DONOTLIGHT));
    // Visible part: y from -0.5 (z = 2) to -1/3 (z = 1) in clip space, that
    // is screen rows 43 to 48 of a 64-row... here rows 21 to 24 of 32.
    EXPECT_EQ(0xFFFFFFu, rgb(16, 23));
    int drawn = 0;
    for (int y = 0; y < int(kHeight); ++y)
        for (int x = 0; x < int(kWidth); ++x)
            if (rgb(x, y)) {
                ++drawn;
                EXPECT_GE(y, 20) << x << "," << y;
                EXPECT_LE(y, 24) << x << "," << y;
            }
    EXPECT_GT(drawn, 20);
}

class TwoStageValidateTest : public DeviceTest {
protected:
    TwoStageValidateTest() { profile_ = "two_stage.cfg"; }
};

TEST_F(TwoStageValidateTest, RefusesWhatTheProfileCannotDo) {
    makeDevice(IID_IDirect3DRGBDevice, 32);
    DWORD passes = 0;
    ASSERT_EQ(D3D_OK, device->ValidateDevice(&passes));
    EXPECT_EQ(1u, passes);

    device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_MODULATE);
    EXPECT_EQ(D3D_OK, device->ValidateDevice(&passes));
    device->SetTextureStageState(2, D3DTSS_COLOROP, D3DTOP_MODULATE);
    EXPECT_EQ(D3DERR_TOOMANYOPERATIONS, device->ValidateDevice(&passes));
    device->SetTextureStageState(2, D3DTSS_COLOROP, D3DTOP_DISABLE);

    device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_ADD);
    EXPECT_EQ(D3DERR_UNSUPPORTEDCOLOROPERATION, device->ValidateDevice(&passes));
    device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_MODULATE);

    device->SetTextureStageState(0, D3DTSS_COLORARG1, 0x9);
    EXPECT_EQ(D3DERR_UNSUPPORTEDCOLORARG, device->ValidateDevice(&passes));
    device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);

    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_ADDSIGNED);
    EXPECT_EQ(D3DERR_UNSUPPORTEDALPHAOPERATION, device->ValidateDevice(&passes));
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG1, 0x40 | D3DTA_TEXTURE);
    EXPECT_EQ(D3DERR_UNSUPPORTEDALPHAARG, device->ValidateDevice(&passes));
    device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);

    // Source blend caps ONE and SRCALPHA; destination ZERO... as the profile says.
    device->SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRENDERSTATE_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRENDERSTATE_DESTBLEND, D3DBLEND_INVSRCALPHA);
    EXPECT_EQ(D3D_OK, device->ValidateDevice(&passes));
    device->SetRenderState(D3DRENDERSTATE_SRCBLEND, D3DBLEND_DESTCOLOR);
    EXPECT_EQ(D3DERR_UNSUPPORTEDFACTORVALUE, device->ValidateDevice(&passes));
    device->SetRenderState(D3DRENDERSTATE_SRCBLEND, D3DBLEND_ONE);

    // A texture in a format the device does not list.
    IDirectDrawSurface4* s = surface(2, 2, DDSCAPS_TEXTURE,
                                     rgbFormat(16, 0x0F00, 0x00F0, 0x000F, 0xF000));
    IDirect3DTexture2* t = nullptr;
    ASSERT_EQ(DD_OK, s->QueryInterface(IID_IDirect3DTexture2, reinterpret_cast<void**>(&t)));
    device->SetTexture(0, t);
    EXPECT_EQ(D3DERR_WRONGTEXTUREFORMAT, device->ValidateDevice(&passes));
    device->SetTexture(0, nullptr);
    t->Release();
    s->Release();
    EXPECT_EQ(D3D_OK, device->ValidateDevice(&passes));
}

// A spot light one unit in front of the plane z = 0, shining along +z with an
// inner cone of 0.4 and an outer cone of 1.0 radians and a falloff of 2.
// Vertices at (x, 0, 0) see it at angle atan(x) off the axis.
TEST_F(ProcessTest, SpotLightIsFullInsideThetaNoneOutsidePhiAndFallsOffBetween) {
    const float theta = 0.4f, phi = 1.0f, falloff = 2.0f;
    const LitVertex v[3] = {
        {0.1f, 0, 0, 0, 0, -1}, {0.35f, 0, 0, 0, 0, -1}, {0.7f, 0, 0, 0, 0, -1}};
    fillSource(v);
    D3DLIGHT2 l{};
    l.dwSize = sizeof(l);
    l.dltType = D3DLIGHT_SPOT;
    l.dcvColor = {1.0f, 1.0f, 1.0f, 1.0f};
    l.dvPosition = {0.0f, 0.0f, -1.0f};
    l.dvDirection = {0.0f, 0.0f, 1.0f};
    l.dvRange = 10.0f;
    l.dvAttenuation0 = 1.0f;
    l.dvTheta = theta;
    l.dvPhi = phi;
    l.dvFalloff = falloff;
    l.dwFlags = D3DLIGHT_ACTIVE;
    setLight(l);
    device->SetLightState(D3DLIGHTSTATE_AMBIENT, 0);
    ASSERT_EQ(D3D_OK,
              dest->ProcessVertices(D3DVOP_TRANSFORM | D3DVOP_LIGHT, 0, 3, source, 0, device, 0));

    // Red: material 1, light 1, times N.L (the cosine of the angle) and the
    // spot factor: 1 inside theta / 2, 0 outside phi / 2, and between them
    // ((cos a - cos(phi / 2)) / (cos(theta / 2) - cos(phi / 2))) ^ falloff.
    auto spotRed = [&](double x) {
        const double angle = std::atan(x);
        const double cosA = std::cos(angle);
        double spot;
        if (angle <= theta / 2.0)
            spot = 1.0;
        else if (angle >= phi / 2.0)
            spot = 0.0;
        else
            spot = std::pow(
                (cosA - std::cos(phi / 2.0)) / (std::cos(theta / 2.0) - std::cos(phi / 2.0)),
                falloff);
        return static_cast<int>(std::lround(cosA * spot * 255.0));
    };
    const int inside = spotRed(0.1), between = spotRed(0.35), outside = spotRed(0.7);
    ASSERT_GT(inside, 250);  // the cases are what they claim to be
    ASSERT_GT(between, 20);
    ASSERT_LT(between, 200);
    ASSERT_EQ(0, outside);
    EXPECT_NEAR(inside, channel(processed(0).diffuse, 16), 1);
    EXPECT_NEAR(between, channel(processed(1).diffuse, 16), 1);
    EXPECT_NEAR(outside, channel(processed(2).diffuse, 16), 1);
    // Green follows with the material's 0.5.
    EXPECT_NEAR(std::lround(between * 0.5), channel(processed(1).diffuse, 8), 1);
}
