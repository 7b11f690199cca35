// The rasteriser on several threads against the one-thread path: the same
// draws give the same colour and depth bytes, and every point that reads
// pixels sees the draws made before it.
#include "device_fixture.h"

#include <functional>

using Scene = std::function<void()>;

class ThreadsTest : public DeviceTest {
protected:
    void TearDown() override {
        DeviceTest::TearDown();
        platform::testing::setRasterThreads(0);
    }

    // Colour then depth bytes of `scene` drawn on a fresh device.
    std::vector<uint8_t> draw(int threads, const Scene& scene) {
        platform::testing::setRasterThreads(threads);
        makeDevice();
        scene();
        LONG pitch = 0;
        std::vector<uint8_t> bytes = platform::testing::readSurfaceRaw(target, &pitch);
        if (zbuffer) {
            const std::vector<uint8_t> z = platform::testing::readSurfaceRaw(zbuffer, &pitch);
            bytes.insert(bytes.end(), z.begin(), z.end());
        }
        // Back to a bare DirectDraw object for the next run.
        DeviceTest::TearDown();
        viewport = nullptr;
        device = nullptr;
        zbuffer = nullptr;
        target = nullptr;
        d3d = nullptr;
        dd = nullptr;
        DeviceTest::SetUp();
        return bytes;
    }
};

// Fans from x0..x1, y0..y1 with perspective (rhw falls to the right), a
// colour per corner and uv from 0 to `uv`.
static HRESULT perspectiveQuad(IDirect3DDevice3* d, float x0, float y0, float x1, float y1, float z,
                               float uv) {
    TLVertex v[4] = {{x0, y0, z, 1.0f, 0xFFFF4020, 0xFF102030, 0, 0},
                     {x1, y0, z + 0.1f, 0.4f, 0x8020FF40, 0x80302010, uv, 0},
                     {x1, y1, z, 0.4f, 0x404020FF, 0x20000000, uv, uv},
                     {x0, y1, z - 0.1f, 1.0f, 0xFFFFFFFF, 0xFF000000, 0, uv}};
    return d->DrawPrimitive(D3DPT_TRIANGLEFAN, kTLFormat, v, 4, 0);
}

TEST_F(ThreadsTest, EveryStateCombinationDrawsTheSameBytesOnThreeThreadsAsOnOne) {
    auto textured = [this](const Scene& more) {
        IDirectDrawSurface4* s =
            texture(4, 4,
                    {0xFFFF0000, 0x80FFFF00, 0xFF00FF00, 0x0000FFFF, 0xFF0000FF, 0xFFFF00FF,
                     0x40FFFFFF, 0xFF000000, 0xFF808080, 0xC0102030, 0xFF405060, 0xFF708090,
                     0x20A0B0C0, 0xFFD0E0F0, 0xFF123456, 0xFF654321});
        DDCOLORKEY key{0x000000FF, 0x000000FF};
        s->SetColorKey(DDCKEY_SRCBLT, &key);
        bind(s);
        more();
        bind(nullptr);
        s->Release();
    };
    auto layers = [this] {
        for (int i = 0; i < 4; ++i)
            perspectiveQuad(device, -3.5f + i, 1.25f + 2 * i, 30.5f - i, 31.0f - i, 0.6f - 0.1f * i,
                            1.0f + i);
    };
    const struct {
        const char* name;
        Scene scene;
    } cases[] = {
        {"bilinear modulate, depth, specular, vertex fog, colour key, blend",
         [&] {
             textured([&] {
                 device->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTFG_LINEAR);
                 device->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTFN_LINEAR);
                 device->SetRenderState(D3DRENDERSTATE_SPECULARENABLE, TRUE);
                 device->SetRenderState(D3DRENDERSTATE_FOGENABLE, TRUE);
                 device->SetRenderState(D3DRENDERSTATE_FOGCOLOR, 0x00405060);
                 device->SetRenderState(D3DRENDERSTATE_COLORKEYENABLE, TRUE);
                 device->SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, TRUE);
                 device->SetRenderState(D3DRENDERSTATE_SRCBLEND, D3DBLEND_SRCALPHA);
                 device->SetRenderState(D3DRENDERSTATE_DESTBLEND, D3DBLEND_INVSRCALPHA);
                 layers();
             });
         }},
        {"wireframe, points, lines, flat shading, texture factor changes",
         [&] {
             device->SetRenderState(D3DRENDERSTATE_SHADEMODE, D3DSHADE_FLAT);
             device->SetRenderState(D3DRENDERSTATE_FILLMODE, D3DFILL_WIREFRAME);
             layers();
             device->SetRenderState(D3DRENDERSTATE_FILLMODE, D3DFILL_POINT);
             perspectiveQuad(device, 2, 3, 29, 27, 0.2f, 1);
             device->SetRenderState(D3DRENDERSTATE_FILLMODE, D3DFILL_SOLID);
             device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
             device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TFACTOR);
             TLVertex lines[6] = {{0, 0, 0.1f, 1, 0xFFFFFFFF, 0, 0, 0},
                                  {31, 30, 0.1f, 1, 0xFF00FF00, 0, 0, 0},
                                  {5, 31, 0.1f, 1, 0xFFFF0000, 0, 0, 0},
                                  {20, 1, 0.1f, 1, 0xFF0000FF, 0, 0, 0},
                                  {1, 15.6f, 0.1f, 1, 0xFFFFFF00, 0, 0, 0},
                                  {31, 16.4f, 0.1f, 1, 0xFF00FFFF, 0, 0, 0}};
             for (DWORD factor : {0xFF808080u, 0xFF20FF20u}) {
                 device->SetRenderState(D3DRENDERSTATE_TEXTUREFACTOR, factor);
                 device->DrawPrimitive(D3DPT_LINESTRIP, kTLFormat, lines, 6, 0);
                 device->SetRenderState(D3DRENDERSTATE_LASTPIXEL, FALSE);
                 device->DrawPrimitive(D3DPT_POINTLIST, kTLFormat, lines, 6, 0);
             }
         }},
        {"one long draw of overlapping translucent triangles, handed over as it is recorded",
         [&] {
             device->SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, TRUE);
             device->SetRenderState(D3DRENDERSTATE_SRCBLEND, D3DBLEND_SRCALPHA);
             device->SetRenderState(D3DRENDERSTATE_DESTBLEND, D3DBLEND_INVSRCALPHA);
             std::vector<TLVertex> v;
             for (int i = 0; i < 600; ++i) {
                 const float x = static_cast<float>((i * 7) % 26),
                             y = static_cast<float>((i * 13) % 26);
                 const D3DCOLOR c = 0x80000000u | (static_cast<DWORD>(i) * 0x010203u & 0xFFFFFFu);
                 v.push_back({x, y, 0.5f, 1, c, 0, 0, 0});
                 v.push_back({x + 6, y + 1, 0.5f, 1, c ^ 0x00FF00u, 0, 0, 0});
                 v.push_back({x + 2, y + 7, 0.5f, 1, c ^ 0xFF0000u, 0, 0, 0});
             }
             device->DrawPrimitive(D3DPT_TRIANGLELIST, kTLFormat, v.data(),
                                   static_cast<DWORD>(v.size()), 0);
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<uint8_t> one = draw(1, c.scene);
        const std::vector<uint8_t> three = draw(3, c.scene);
        ASSERT_FALSE(one.empty());
        EXPECT_TRUE(one == three);
    }
}

// Each reading point, right after a draw on three threads, sees its pixels;
// a texture written between two draws is sampled as it was at each draw.
TEST_F(ThreadsTest, ReadingPointsSeeTheDrawsBeforeThem) {
    platform::testing::setRasterThreads(3);
    makeDevice();
    diffuseOnly();
    DDSURFACEDESC2 d{};
    d.dwSize = sizeof(d);
    auto lockedPixel = [&](IDirectDrawSurface4* s, int x, int y) {
        EXPECT_EQ(DD_OK, s->Lock(nullptr, &d, DDLOCK_WAIT, nullptr));
        DWORD v = 0;
        std::memcpy(&v, static_cast<BYTE*>(d.lpSurface) + y * d.lPitch + x * 4, 4);
        s->Unlock(nullptr);
        return v & 0xFFFFFF;
    };
    clear(0xFF010203, 1.0f);
    EXPECT_EQ(0x010203u, lockedPixel(target, 3, 30));
    ASSERT_EQ(D3D_OK, quad(0, 0, 32, 32, 0.5f, 0xFF112233));
    EXPECT_EQ(0x112233u, lockedPixel(target, 3, 30));

    ASSERT_EQ(D3D_OK, quad(0, 16, 32, 32, 0.25f, 0xFF445566));
    HDC dc = nullptr;
    ASSERT_EQ(DD_OK, target->GetDC(&dc));
    EXPECT_EQ(0x665544u, GetPixel(dc, 7, 20) & 0xFFFFFF);  // COLORREF is 0x00BBGGRR
    target->ReleaseDC(dc);

    IDirectDrawSurface4* copy = surface(kWidth, kHeight, DDSCAPS_OFFSCREENPLAIN, kXRGB);
    ASSERT_EQ(D3D_OK, quad(0, 0, 8, 8, 0.1f, 0xFF778899));
    ASSERT_EQ(DD_OK, copy->BltFast(0, 0, target, nullptr, DDBLTFAST_WAIT));
    EXPECT_EQ(0x778899u, lockedPixel(copy, 2, 2));
    ASSERT_EQ(D3D_OK, quad(24, 0, 32, 8, 0.1f, 0xFFAABBCC));
    ASSERT_EQ(DD_OK, copy->Blt(nullptr, target, nullptr, DDBLT_WAIT, nullptr));
    EXPECT_EQ(0xAABBCCu, lockedPixel(copy, 30, 2));
    copy->Release();

    // Depth: the draw at 0.1 above is in the depth buffer at once.
    ASSERT_EQ(DD_OK, zbuffer->Lock(nullptr, &d, DDLOCK_WAIT, nullptr));
    uint16_t z = 0;
    std::memcpy(&z, static_cast<BYTE*>(d.lpSurface) + 2 * 2, 2);
    zbuffer->Unlock(nullptr);
    EXPECT_EQ(uint16_t(0.1f * 65535 + 0.5f), z);

    IDirectDrawSurface4* s = texture(1, 1, {0xFFFF0000});
    bind(s);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    ASSERT_EQ(D3D_OK, quad(0, 8, 16, 16, 0.05f, 0xFFFFFFFF));
    write(s, {0xFF0000FF});
    ASSERT_EQ(D3D_OK, quad(16, 8, 32, 16, 0.05f, 0xFFFFFFFF));
    EXPECT_EQ(0xFF0000u, rgb(4, 12));
    EXPECT_EQ(0x0000FFu, rgb(20, 12));
    bind(nullptr);
    s->Release();
}
