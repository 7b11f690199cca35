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

// One light on a material of diffuse (1, 0.5, 0.25), three vertices to
// process into a buffer of screen vertices.
class ProcessTest : public DeviceTest {
protected:
    void SetUp() override {
        DeviceTest::SetUp();
        makeDevice();
        ASSERT_EQ(D3D_OK, d3d->CreateMaterial(&material, nullptr));
        setMaterial({1.0f, 0.5f, 0.25f, 1.0f});
        D3DMATERIALHANDLE h = 0;
        ASSERT_EQ(D3D_OK, material->GetHandle(device, &h));
        ASSERT_EQ(D3D_OK, device->SetLightState(D3DLIGHTSTATE_MATERIAL, h));
        device->SetLightState(D3DLIGHTSTATE_AMBIENT, 0);
        ASSERT_EQ(D3D_OK, d3d->CreateLight(&light, nullptr));
        ASSERT_EQ(D3D_OK, viewport->AddLight(light));
        D3DVERTEXBUFFERDESC in{sizeof(in), 0, D3DFVF_XYZ | D3DFVF_NORMAL, 3};
        D3DVERTEXBUFFERDESC out{sizeof(out), 0, D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_SPECULAR,
                                3};
        ASSERT_EQ(D3D_OK, d3d->CreateVertexBuffer(&in, &source, 0, nullptr));
        ASSERT_EQ(D3D_OK, d3d->CreateVertexBuffer(&out, &dest, 0, nullptr));
    }
    void TearDown() override {
        for (IUnknown* o : std::initializer_list<IUnknown*>{source, dest, light, material})
            if (o)
                o->Release();
        DeviceTest::TearDown();
    }
    void setMaterial(D3DCOLORVALUE diffuse, D3DCOLORVALUE ambient = {},
                     D3DCOLORVALUE emissive = {}) {
        D3DMATERIAL m{sizeof(m), diffuse, ambient, {}, emissive, 0, 0, 0};
        ASSERT_EQ(D3D_OK, material->SetMaterial(&m));
    }
    // A white light of the type, active, with the position, direction and
    // range, attenuation, cones and falloff given.
    void setLight(D3DLIGHTTYPE type, D3DVECTOR position, D3DVECTOR direction, float range = 0,
                  float a0 = 0, float a1 = 0, float theta = 0, float phi = 0, float falloff = 0,
                  DWORD flags = D3DLIGHT_ACTIVE) {
        D3DLIGHT2 l{sizeof(l), type, {1, 1, 1, 1}, position, direction, range, falloff, a0,
                    a1,        0,    theta,        phi,      flags};
        ASSERT_EQ(D3D_OK, light->SetLight(reinterpret_cast<D3DLIGHT*>(&l)));
    }
    void process(const std::vector<LitVertex>& v,
                 DWORD operations = D3DVOP_TRANSFORM | D3DVOP_LIGHT) {
        void* p;
        ASSERT_EQ(D3D_OK, source->Lock(DDLOCK_WAIT, &p, nullptr));
        std::memcpy(p, v.data(), v.size() * sizeof(LitVertex));
        ASSERT_EQ(D3D_OK, source->Unlock());
        ASSERT_EQ(D3D_OK,
                  dest->ProcessVertices(operations, 0, DWORD(v.size()), source, 0, device, 0));
    }
    OutVertex processed(int i) {
        void* p;
        EXPECT_EQ(D3D_OK, dest->Lock(DDLOCK_WAIT, &p, nullptr));
        OutVertex o;
        std::memcpy(&o, static_cast<BYTE*>(p) + i * sizeof(OutVertex), sizeof o);
        EXPECT_EQ(D3D_OK, dest->Unlock());
        return o;
    }

    IDirect3DMaterial3* material = nullptr;
    IDirect3DLight* light = nullptr;
    IDirect3DVertexBuffer* source = nullptr;
    IDirect3DVertexBuffer* dest = nullptr;
};

}  // namespace

TEST_F(ProcessTest, DirectionalPointAndAmbientLightFollowTheFormula) {
    // Facing the light head on (normal towards -z, light shining along +z).
    const std::vector<LitVertex> v = {{0, 0, 0.5f, 0, 0, -1}};
    setLight(D3DLIGHT_DIRECTIONAL, {0, 0, 0}, {0, 0, 1});
    process(v);
    OutVertex o = processed(0);
    EXPECT_NEAR(255, channel(o.diffuse, 16), 1);
    EXPECT_NEAR(expected(0.5f, 1, 1), channel(o.diffuse, 8), 1);
    EXPECT_NEAR(expected(0.25f, 1, 1), channel(o.diffuse, 0), 1);

    // A point light 2 units in front with linear attenuation: a = 1 / (1 * d).
    setLight(D3DLIGHT_POINT, {0, 0, -1.5f}, {0, 0, 1}, 100, 0, 1);
    process({v[0]});
    o = processed(0);
    EXPECT_NEAR(expected(1.0f, 1, 0.5f), channel(o.diffuse, 16), 1);
    EXPECT_NEAR(expected(0.5f, 1, 0.5f), channel(o.diffuse, 8), 1);

    // Inactive lights and the ambient term.
    setLight(D3DLIGHT_POINT, {0, 0, -1.5f}, {0, 0, 1}, 100, 0, 1, 0, 0, 0, 0);
    setMaterial({}, {1.0f, 1.0f, 1.0f, 1.0f});
    device->SetLightState(D3DLIGHTSTATE_AMBIENT, 0x00204060);
    process({v[0]});
    EXPECT_EQ(0x204060u, processed(0).diffuse & 0xFFFFFF);
}

TEST_F(ProcessTest, ProcessedVerticesAreDrawnAndClipped) {
    // Identity transforms: clip space is model space; the viewport maps
    // x -1..1 to 0..32. The third vertex lies far right, outside.
    setMaterial({}, {}, {1.0f, 1.0f, 1.0f, 1.0f});
    process({{-1.0f, 1.0f, 0.5f, 0, 0, -1},
             {0.0f, -1.0f, 0.5f, 0, 0, -1},
             {3.0f, 1.0f, 0.5f, 0, 0, -1}},
            D3DVOP_TRANSFORM | D3DVOP_CLIP | D3DVOP_LIGHT);
    // The outside vertex holds its clip form: x' = (x + w) / 2.
    EXPECT_FLOAT_EQ(2.0f, processed(2).x);
    EXPECT_FLOAT_EQ(16.0f, processed(1).x);
    diffuseOnly();
    ASSERT_EQ(D3D_OK, device->DrawPrimitiveVB(D3DPT_TRIANGLELIST, dest, 0, 3, D3DDP_DONOTLIGHT));
    EXPECT_EQ(0xFFFFFFu, rgb(20, 1));
    EXPECT_EQ(0xFFFFFFu, rgb(31, 0));
    EXPECT_EQ(0u, rgb(1, 30));
}

// Lighting gives the specular colour, never a fog factor: its alpha is 0,
// so vertex fog without D3DLIGHTSTATE_FOGMODE fogs lit vertices fully.
// With it, the fog factor is the alpha.
TEST_F(ProcessTest, OnlyFogModeGivesTheSpecularAlpha) {
    // Head on to a directional light seen from the origin: N.H = 1.
    D3DMATERIAL m{sizeof(m), {}, {}, {1.0f, 0.5f, 0.25f, 1.0f}, {}, 10.0f, 0, 0};
    ASSERT_EQ(D3D_OK, material->SetMaterial(&m));
    setLight(D3DLIGHT_DIRECTIONAL, {0, 0, 0}, {0, 0, 1});
    process({{0, 0, 0.5f, 0, 0, -1}});
    EXPECT_EQ(0x00FF8040u, processed(0).specular);

    device->SetRenderState(D3DRENDERSTATE_FOGENABLE, TRUE);
    device->SetRenderState(D3DRENDERSTATE_FOGCOLOR, 0x00FFFFFF);
    diffuseOnly();
    LitVertex v[3] = {{-1, -1, 0.5f, 0, 0, -1}, {3, -1, 0.5f, 0, 0, -1}, {-1, 3, 0.5f, 0, 0, -1}};
    ASSERT_EQ(D3D_OK, device->DrawPrimitive(D3DPT_TRIANGLELIST, D3DFVF_XYZ | D3DFVF_NORMAL, v, 3, 0));
    EXPECT_EQ(0xFFFFFFu, rgb(16, 16));

    // D3DLIGHTSTATE_FOGMODE puts each lit vertex's fog factor, from its eye
    // distance (w = 1 under the identity transforms), into the specular alpha.
    auto bits = [](float f) {
        DWORD d;
        std::memcpy(&d, &f, 4);
        return d;
    };
    device->SetLightState(D3DLIGHTSTATE_FOGSTART, bits(0.0f));
    device->SetLightState(D3DLIGHTSTATE_FOGEND, bits(2.0f));
    device->SetLightState(D3DLIGHTSTATE_FOGDENSITY, bits(0.5f));
    const struct {
        DWORD mode;
        int alpha;
    } cases[] = {{D3DFOG_LINEAR, 128},  // (2 - 1) / (2 - 0)
                 {D3DFOG_EXP, 155},     // e^-0.5
                 {D3DFOG_EXP2, 199}};   // e^-(0.5^2)
    for (const auto& c : cases) {
        ASSERT_EQ(D3D_OK, device->SetLightState(D3DLIGHTSTATE_FOGMODE, c.mode));
        process({{0, 0, 0.5f, 0, 0, -1}});
        EXPECT_NEAR(c.alpha, channel(processed(0).specular, 24), 1) << c.mode;
    }
    // Drawn, untransformed vertices are fogged by their factors too: about
    // half way from the lit colour (black) to the fog colour at the middle.
    ASSERT_EQ(D3D_OK, device->SetLightState(D3DLIGHTSTATE_FOGMODE, D3DFOG_LINEAR));
    ASSERT_EQ(D3D_OK, device->DrawPrimitive(D3DPT_TRIANGLELIST, D3DFVF_XYZ | D3DFVF_NORMAL, v, 3, 0));
    EXPECT_NEAR(0x80, channel(rgb(16, 16), 8), 8);
}

// Screen positions of transformed vertices inside the clip volume, for a
// viewport at (4, 2) of 20 x 10 pixels whose clip volume is x -2..2,
// y -2..3, depth 0.25..0.75, under a projection with w = z and
// z' = 2 (z - 1):
//   sx = 4 + (x/w + 2) * 20 / 4, sy = 2 + (3 - y/w) * 10 / 5,
//   sz = 0.25 + 0.5 * z'/w, rhw = 1 / w.
TEST_F(ProcessTest, TransformedPositionsFollowTheViewportFormulas) {
    D3DVIEWPORT2 vp{sizeof(vp), 4, 2, 20, 10, -2.0f, 3.0f, 4.0f, 5.0f, 0.25f, 0.75f};
    ASSERT_EQ(D3D_OK, viewport->SetViewport2(&vp));
    D3DMATRIX p{};
    p._11 = p._22 = p._34 = 1.0f;
    p._33 = 2.0f;
    p._43 = -2.0f;
    ASSERT_EQ(D3D_OK, device->SetTransform(D3DTRANSFORMSTATE_PROJECTION, &p));
    struct Case {
        LitVertex in;
        float sx, sy, sz, rhw;
    };
    const Case cases[] = {
        {{0, 0, 2, 0, 0, -1}, 14.0f, 8.0f, 0.75f, 0.5f},               // centre, far plane
        {{-2.7f, 3.75f, 1.5f, 0, 0, -1}, 5.0f, 3.0f, 0.583333f, 0.666667f},  // x/w -1.8, y/w 2.5
        {{2.375f, -2.375f, 1.25f, 0, 0, -1}, 23.5f, 11.8f, 0.45f, 0.8f},    // x/w 1.9, y/w -1.9
    };
    std::vector<LitVertex> in;
    for (const Case& c : cases)
        in.push_back(c.in);
    process(in, D3DVOP_TRANSFORM | D3DVOP_CLIP);
    for (size_t i = 0; i < in.size(); ++i) {
        const OutVertex o = processed(int(i));
        EXPECT_NEAR(cases[i].sx, o.x, 1e-4f) << i;
        EXPECT_NEAR(cases[i].sy, o.y, 1e-4f) << i;
        EXPECT_NEAR(cases[i].sz, o.z, 1e-5f) << i;
        EXPECT_NEAR(cases[i].rhw, o.rhw, 1e-5f) << i;
    }
}

// Each state is set and validated, then put back as it was.
TEST_F(TwoStageTest, ValidateDeviceRefusesWhatTheProfileCannotDo) {
    makeDevice(IID_IDirect3DRGBDevice, 32);
    DWORD passes = 0;
    ASSERT_EQ(D3D_OK, device->ValidateDevice(&passes));
    EXPECT_EQ(1u, passes);
    const int kRender = -1;  // a render state rather than a stage's
    const struct {
        int stage;
        DWORD state, value;
        HRESULT expected;
        DWORD after;
    } cases[] = {
        {1, D3DTSS_COLOROP, D3DTOP_MODULATE, D3D_OK, D3DTOP_MODULATE},
        {2, D3DTSS_COLOROP, D3DTOP_MODULATE, D3DERR_TOOMANYOPERATIONS, D3DTOP_DISABLE},
        {1, D3DTSS_COLOROP, D3DTOP_ADD, D3DERR_UNSUPPORTEDCOLOROPERATION, D3DTOP_MODULATE},
        {0, D3DTSS_COLORARG1, 0x9, D3DERR_UNSUPPORTEDCOLORARG, D3DTA_TEXTURE},
        {0, D3DTSS_ALPHAOP, D3DTOP_ADDSIGNED, D3DERR_UNSUPPORTEDALPHAOPERATION, D3DTOP_SELECTARG1},
        {0, D3DTSS_ALPHAARG1, 0x40 | D3DTA_TEXTURE, D3DERR_UNSUPPORTEDALPHAARG, D3DTA_TEXTURE},
        // Source blend caps ONE and SRCALPHA, destination ONE and INVSRCALPHA.
        {kRender, D3DRENDERSTATE_SRCBLEND, D3DBLEND_SRCALPHA, D3D_OK, D3DBLEND_SRCALPHA},
        {kRender, D3DRENDERSTATE_DESTBLEND, D3DBLEND_INVSRCALPHA, D3D_OK, D3DBLEND_INVSRCALPHA},
        {kRender, D3DRENDERSTATE_ALPHABLENDENABLE, TRUE, D3D_OK, TRUE},
        {kRender, D3DRENDERSTATE_SRCBLEND, D3DBLEND_DESTCOLOR, D3DERR_UNSUPPORTEDFACTORVALUE,
         D3DBLEND_ONE},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "stage " << c.stage << ", state " << c.state);
        auto set = [&](DWORD value) {
            if (c.stage == kRender)
                device->SetRenderState(D3DRENDERSTATETYPE(c.state), value);
            else
                device->SetTextureStageState(c.stage, D3DTEXTURESTAGESTATETYPE(c.state), value);
        };
        set(c.value);
        EXPECT_EQ(c.expected, device->ValidateDevice(&passes));
        set(c.after);
    }
    // A texture in a format the device does not list.
    IDirectDrawSurface4* s =
        surface(2, 2, DDSCAPS_TEXTURE,
                {kFormatSize, DDPF_RGB | DDPF_ALPHAPIXELS, 0, 16, 0x0F00, 0x00F0, 0x000F, 0xF000});
    bind(s);
    EXPECT_EQ(D3DERR_WRONGTEXTUREFORMAT, device->ValidateDevice(&passes));
    bind(nullptr);
    EXPECT_EQ(D3D_OK, device->ValidateDevice(&passes));
    EXPECT_EQ(0u, s->Release());
}
