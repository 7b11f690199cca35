// Rates of the software device through its COM interfaces, as the driver
// uses it: DirectDraw surfaces, IDirect3D3, IDirect3DDevice3 and vertex
// buffers, rather than the rasteriser directly (see bench/raster for that).
//
// Draw: a field of textured, Gouraud-shaded, depth-tested quads drawn as
// D3DFVF_TLVERTEX triangle lists into a 640x480 R5G6B5 off-screen surface
// with a 16-bit z-buffer; two layers, the nearer drawn second so that both
// pass the depth test. Process: ProcessVertices of D3DFVF_XYZ | NORMAL |
// TEX1 (0x112) into D3DFVF_XYZRHW | DIFFUSE | SPECULAR | TEX1 (0x1C4) with a
// directional and a point light.
#include "../support/lights.h"

#include <d3d.h>
#include <platform/testing.h>

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

constexpr DWORD kWidth = 640, kHeight = 480;
constexpr int kQuad = 32;  // quads of 32 x 32 pixels: a 20 x 15 field per layer

void check(HRESULT hr, const char* what) {
    if (FAILED(hr))
        throw std::runtime_error(std::string(what) + " failed: 0x" + std::to_string(hr));
}

template <typename T>
void release(T*& p) {
    if (p)
        p->Release();
    p = nullptr;
}

const DDPIXELFORMAT kRgb565{sizeof(DDPIXELFORMAT), DDPF_RGB, 0, 16, 0xF800, 0x07E0, 0x001F, 0};

// DirectDraw, IDirect3D3, the target with its z-buffer, a device and a
// full-screen viewport; everything released in reverse.
class DeviceSetup {
public:
    DeviceSetup() {
        setenv("D3DDRIVER_HEADLESS", "1", 0);
        platform::testing::activateApplication();
        IDirectDraw* dd1 = nullptr;
        check(DirectDrawCreate(nullptr, &dd1, nullptr), "DirectDrawCreate");
        check(dd1->QueryInterface(IID_IDirectDraw4, reinterpret_cast<void**>(&dd)), "QI DD4");
        dd1->Release();
        check(dd->SetCooperativeLevel(nullptr, DDSCL_NORMAL), "SetCooperativeLevel");
        check(dd->QueryInterface(IID_IDirect3D3, reinterpret_cast<void**>(&d3d)), "QI D3D3");
        target = surface(kWidth, kHeight, DDSCAPS_OFFSCREENPLAIN | DDSCAPS_3DDEVICE, kRgb565);
        const DDPIXELFORMAT z{sizeof(DDPIXELFORMAT), DDPF_ZBUFFER, 0, 16, 0, 0xFFFF, 0, 0};
        zbuffer = surface(kWidth, kHeight, DDSCAPS_ZBUFFER, z);
        check(target->AddAttachedSurface(zbuffer), "AddAttachedSurface");
        check(d3d->CreateDevice(IID_IDirect3DHALDevice, target, &device, nullptr), "CreateDevice");
        check(d3d->CreateViewport(&viewport, nullptr), "CreateViewport");
        check(device->AddViewport(viewport), "AddViewport");
        D3DVIEWPORT2 v{sizeof(v), 0, 0, kWidth, kHeight, -1.0f, 1.0f, 2.0f, 2.0f, 0.0f, 1.0f};
        check(viewport->SetViewport2(&v), "SetViewport2");
        check(device->SetCurrentViewport(viewport), "SetCurrentViewport");
    }
    ~DeviceSetup() {
        release(viewport);
        release(device);
        release(zbuffer);
        release(target);
        release(d3d);
        release(dd);
    }
    DeviceSetup(const DeviceSetup&) = delete;
    DeviceSetup& operator=(const DeviceSetup&) = delete;

    IDirectDrawSurface4* surface(DWORD w, DWORD h, DWORD caps, const DDPIXELFORMAT& format) {
        DDSURFACEDESC2 d{};
        d.dwSize = sizeof(d);
        d.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
        d.dwWidth = w;
        d.dwHeight = h;
        d.ddsCaps.dwCaps = caps;
        d.ddpfPixelFormat = format;
        IDirectDrawSurface4* s = nullptr;
        check(dd->CreateSurface(&d, &s, nullptr), "CreateSurface");
        return s;
    }

    IDirectDraw4* dd = nullptr;
    IDirect3D3* d3d = nullptr;
    IDirectDrawSurface4* target = nullptr;
    IDirectDrawSurface4* zbuffer = nullptr;
    IDirect3DDevice3* device = nullptr;
    IDirect3DViewport3* viewport = nullptr;
};

// A 256 x 256 R5G6B5 checker texture.
IDirectDrawSurface4* makeTexture(DeviceSetup& s) {
    IDirectDrawSurface4* t = s.surface(256, 256, DDSCAPS_TEXTURE, kRgb565);
    DDSURFACEDESC2 d{};
    d.dwSize = sizeof(d);
    check(t->Lock(nullptr, &d, DDLOCK_WAIT, nullptr), "Lock");
    for (DWORD y = 0; y < 256; ++y) {
        auto* row = reinterpret_cast<uint16_t*>(static_cast<BYTE*>(d.lpSurface) + y * d.lPitch);
        for (DWORD x = 0; x < 256; ++x)
            row[x] = ((x ^ y) & 16) ? 0xFFFF : static_cast<uint16_t>(x * 257 + y * 31);
    }
    check(t->Unlock(nullptr), "Unlock");
    return t;
}

// Two layers of quads, far (z 0.8) then near (z 0.2), with colours at the
// corners and texture coordinates across each quad.
std::vector<D3DTLVERTEX> quadField() {
    std::vector<D3DTLVERTEX> v;
    for (float z : {0.8f, 0.2f})
        for (int qy = 0; qy < int(kHeight) / kQuad; ++qy)
            for (int qx = 0; qx < int(kWidth) / kQuad; ++qx) {
                const float x0 = float(qx * kQuad), y0 = float(qy * kQuad);
                const float x1 = x0 + kQuad, y1 = y0 + kQuad;
                auto vertex = [&](float x, float y, D3DCOLOR c, float u, float tv) {
                    return D3DTLVERTEX{{x}, {y}, {z}, {1.0f}, {c}, {0xFF000000}, {u}, {tv}};
                };
                const D3DTLVERTEX a = vertex(x0, y0, 0xFFFF8040, 0, 0);
                const D3DTLVERTEX b = vertex(x1, y0, 0xFF40FF80, 1, 0);
                const D3DTLVERTEX c = vertex(x1, y1, 0xFF8040FF, 1, 1);
                const D3DTLVERTEX d = vertex(x0, y1, 0xFFFFFFFF, 0, 1);
                v.insert(v.end(), {a, b, c, a, c, d});
            }
    return v;
}

void BM_DrawTexturedQuadField(benchmark::State& state) {
    try {
        DeviceSetup s;
        IDirectDrawSurface4* surface = makeTexture(s);
        IDirect3DTexture2* texture = nullptr;
        check(surface->QueryInterface(IID_IDirect3DTexture2, reinterpret_cast<void**>(&texture)),
              "QI texture");
        IDirect3DDevice3* dev = s.device;
        check(dev->SetTexture(0, texture), "SetTexture");
        dev->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
        dev->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
        dev->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
        dev->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTFG_LINEAR);
        dev->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTFN_LINEAR);
        dev->SetRenderState(D3DRENDERSTATE_SHADEMODE, D3DSHADE_GOURAUD);
        dev->SetRenderState(D3DRENDERSTATE_ZENABLE, D3DZB_TRUE);
        dev->SetRenderState(D3DRENDERSTATE_ZWRITEENABLE, TRUE);
        dev->SetRenderState(D3DRENDERSTATE_ZFUNC, D3DCMP_LESSEQUAL);
        dev->SetRenderState(D3DRENDERSTATE_CULLMODE, D3DCULL_NONE);
        std::vector<D3DTLVERTEX> vertices = quadField();
        const DWORD count = DWORD(vertices.size());
        D3DRECT all{0, 0, LONG(kWidth), LONG(kHeight)};
        for (auto _ : state) {
            check(s.viewport->Clear2(1, &all, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0),
                  "Clear2");
            check(dev->BeginScene(), "BeginScene");
            check(
                dev->DrawPrimitive(D3DPT_TRIANGLELIST, D3DFVF_TLVERTEX, vertices.data(), count, 0),
                "DrawPrimitive");
            check(dev->EndScene(), "EndScene");
        }
        // A frame that drew nothing would make the rates meaningless.
        const std::vector<uint32_t> drawn = platform::testing::readSurfaceARGB(s.target);
        if ((drawn[(kHeight / 2) * kWidth + kWidth / 2] & 0xFFFFFF) == 0)
            throw std::runtime_error("the quads did not reach the target");
        const double frames = double(state.iterations());
        const double pixelsPerFrame = 2.0 * kWidth * kHeight;  // two layers, both drawn
        state.counters["Mpixels/s"] =
            benchmark::Counter(frames * pixelsPerFrame / 1e6, benchmark::Counter::kIsRate);
        state.counters["triangles/s"] =
            benchmark::Counter(frames * (count / 3), benchmark::Counter::kIsRate);
        dev->SetTexture(0, nullptr);
        texture->Release();
        surface->Release();
    } catch (const std::exception& e) {
        state.SkipWithError(e.what());
    }
}
BENCHMARK(BM_DrawTexturedQuadField)->Unit(benchmark::kMillisecond)->UseRealTime();

struct SourceVertex {
    float x, y, z, nx, ny, nz, u, v;
};

void BM_ProcessVerticesTwoLights(benchmark::State& state) {
    try {
        DeviceSetup s;
        const DWORD count = DWORD(state.range(0));
        IDirect3DMaterial3* material = nullptr;
        check(s.d3d->CreateMaterial(&material, nullptr), "CreateMaterial");
        D3DMATERIAL m = bench::shinyMaterial();
        check(material->SetMaterial(&m), "SetMaterial");
        D3DMATERIALHANDLE handle = 0;
        check(material->GetHandle(s.device, &handle), "GetHandle");
        check(s.device->SetLightState(D3DLIGHTSTATE_MATERIAL, handle), "material");
        s.device->SetLightState(D3DLIGHTSTATE_AMBIENT, 0x00202020);

        IDirect3DLight* lights[2] = {};
        auto l = bench::pointAndDirectionalLights({0.5f, 0.5f, -2.0f}, 100.0f, 0.1f);
        for (int i = 0; i < 2; ++i) {
            check(s.d3d->CreateLight(&lights[i], nullptr), "CreateLight");
            check(lights[i]->SetLight(reinterpret_cast<D3DLIGHT*>(&l[i])), "SetLight");
            check(s.viewport->AddLight(lights[i]), "AddLight");
        }

        constexpr DWORD kSourceFvf = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1;  // 0x112
        constexpr DWORD kDestFvf =
            D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_SPECULAR | D3DFVF_TEX1;  // 0x1C4
        static_assert(kSourceFvf == 0x112 && kDestFvf == 0x1C4, "the formats measured");
        D3DVERTEXBUFFERDESC sd{sizeof(D3DVERTEXBUFFERDESC), D3DVBCAPS_SYSTEMMEMORY, kSourceFvf,
                               count};
        D3DVERTEXBUFFERDESC dd{sizeof(D3DVERTEXBUFFERDESC), D3DVBCAPS_SYSTEMMEMORY, kDestFvf,
                               count};
        IDirect3DVertexBuffer* source = nullptr;
        IDirect3DVertexBuffer* dest = nullptr;
        check(s.d3d->CreateVertexBuffer(&sd, &source, 0, nullptr), "CreateVertexBuffer");
        check(s.d3d->CreateVertexBuffer(&dd, &dest, 0, nullptr), "CreateVertexBuffer");
        void* p = nullptr;
        check(source->Lock(DDLOCK_WAIT, &p, nullptr), "Lock");
        auto* sv = static_cast<SourceVertex*>(p);
        for (DWORD i = 0; i < count; ++i) {
            const float a = float(i) * 0.01f;
            sv[i] = {0.9f * std::sin(a),
                     0.9f * std::cos(a * 1.3f),
                     0.5f + 0.4f * std::sin(a * 0.7f),
                     std::sin(a),
                     std::cos(a),
                     -1.0f,
                     float(i % 64) / 64.0f,
                     float(i % 37) / 37.0f};
        }
        check(source->Unlock(), "Unlock");

        for (auto _ : state)
            check(dest->ProcessVertices(D3DVOP_TRANSFORM | D3DVOP_LIGHT, 0, count, source, 0,
                                        s.device, 0),
                  "ProcessVertices");
        state.counters["vertices/s"] =
            benchmark::Counter(double(state.iterations()) * count, benchmark::Counter::kIsRate);

        dest->Release();
        source->Release();
        for (auto* light : lights) {
            s.viewport->DeleteLight(light);
            light->Release();
        }
        material->Release();
    } catch (const std::exception& e) {
        state.SkipWithError(e.what());
    }
}
BENCHMARK(BM_ProcessVerticesTwoLights)->Arg(1024)->Arg(16384)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
