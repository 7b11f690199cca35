// IDirect3DDevice3 of the software device: state storage, viewports,
// textures, scenes and drawing through the vertex pipeline and the
// rasteriser into a DirectDraw render target.
#pragma once

#include "d3d/raster/rasterizer.h"
#include "d3d/vertex/clipper.h"
#include "d3d/vertex/lighting.h"
#include "d3d/vertex/process.h"
#include "d3d/vertex/transform.h"
#include "display/display_profile.h"

#include <d3d.h>

#include <array>
#include <atomic>
#include <vector>

namespace platform::ddraw {
class Surface;
}

namespace platform::d3d::device {

class Texture;
class Viewport;
class VertexBuffer;

class Device final : public IDirect3DDevice3 {
public:
    // `d3d` and `target` gain a reference each, held until the device dies.
    Device(IDirect3D3* d3d, ddraw::Surface* target, const display::DeviceProfile& profile);

    static Device* fromInterface(IDirect3DDevice3* device);

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, LPVOID* object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE GetCaps(LPD3DDEVICEDESC hardware, LPD3DDEVICEDESC software) override;
    HRESULT STDMETHODCALLTYPE GetStats(LPD3DSTATS stats) override;
    HRESULT STDMETHODCALLTYPE AddViewport(LPDIRECT3DVIEWPORT3 viewport) override;
    HRESULT STDMETHODCALLTYPE DeleteViewport(LPDIRECT3DVIEWPORT3 viewport) override;
    HRESULT STDMETHODCALLTYPE NextViewport(LPDIRECT3DVIEWPORT3 reference,
                                           LPDIRECT3DVIEWPORT3* viewport, DWORD flags) override;
    HRESULT STDMETHODCALLTYPE EnumTextureFormats(LPD3DENUMPIXELFORMATSCALLBACK callback,
                                                 LPVOID context) override;
    HRESULT STDMETHODCALLTYPE BeginScene() override;
    HRESULT STDMETHODCALLTYPE EndScene() override;
    HRESULT STDMETHODCALLTYPE GetDirect3D(LPDIRECT3D3* d3d) override;
    HRESULT STDMETHODCALLTYPE SetCurrentViewport(LPDIRECT3DVIEWPORT3 viewport) override;
    HRESULT STDMETHODCALLTYPE GetCurrentViewport(LPDIRECT3DVIEWPORT3* viewport) override;
    HRESULT STDMETHODCALLTYPE SetRenderTarget(IDirectDrawSurface4* target, DWORD flags) override;
    HRESULT STDMETHODCALLTYPE GetRenderTarget(IDirectDrawSurface4** target) override;
    HRESULT STDMETHODCALLTYPE Begin(D3DPRIMITIVETYPE type, DWORD vertexFormat,
                                    DWORD flags) override;
    HRESULT STDMETHODCALLTYPE BeginIndexed(D3DPRIMITIVETYPE type, DWORD vertexFormat,
                                           LPVOID vertices, DWORD vertexCount,
                                           DWORD flags) override;
    HRESULT STDMETHODCALLTYPE Vertex(LPVOID vertex) override;
    HRESULT STDMETHODCALLTYPE Index(WORD index) override;
    HRESULT STDMETHODCALLTYPE End(DWORD flags) override;
    HRESULT STDMETHODCALLTYPE GetRenderState(D3DRENDERSTATETYPE state, LPDWORD value) override;
    HRESULT STDMETHODCALLTYPE SetRenderState(D3DRENDERSTATETYPE state, DWORD value) override;
    HRESULT STDMETHODCALLTYPE GetLightState(D3DLIGHTSTATETYPE state, LPDWORD value) override;
    HRESULT STDMETHODCALLTYPE SetLightState(D3DLIGHTSTATETYPE state, DWORD value) override;
    HRESULT STDMETHODCALLTYPE SetTransform(D3DTRANSFORMSTATETYPE state, LPD3DMATRIX matrix) override;
    HRESULT STDMETHODCALLTYPE GetTransform(D3DTRANSFORMSTATETYPE state, LPD3DMATRIX matrix) override;
    HRESULT STDMETHODCALLTYPE MultiplyTransform(D3DTRANSFORMSTATETYPE state,
                                                LPD3DMATRIX matrix) override;
    HRESULT STDMETHODCALLTYPE DrawPrimitive(D3DPRIMITIVETYPE type, DWORD vertexFormat,
                                            LPVOID vertices, DWORD vertexCount,
                                            DWORD flags) override;
    HRESULT STDMETHODCALLTYPE DrawIndexedPrimitive(D3DPRIMITIVETYPE type, DWORD vertexFormat,
                                                   LPVOID vertices, DWORD vertexCount,
                                                   LPWORD indices, DWORD indexCount,
                                                   DWORD flags) override;
    HRESULT STDMETHODCALLTYPE SetClipStatus(LPD3DCLIPSTATUS status) override;
    HRESULT STDMETHODCALLTYPE GetClipStatus(LPD3DCLIPSTATUS status) override;
    HRESULT STDMETHODCALLTYPE DrawPrimitiveStrided(D3DPRIMITIVETYPE type, DWORD vertexFormat,
                                                   LPD3DDRAWPRIMITIVESTRIDEDDATA data,
                                                   DWORD vertexCount, DWORD flags) override;
    HRESULT STDMETHODCALLTYPE DrawIndexedPrimitiveStrided(D3DPRIMITIVETYPE type,
                                                          DWORD vertexFormat,
                                                          LPD3DDRAWPRIMITIVESTRIDEDDATA data,
                                                          DWORD vertexCount, LPWORD indices,
                                                          DWORD indexCount, DWORD flags) override;
    HRESULT STDMETHODCALLTYPE DrawPrimitiveVB(D3DPRIMITIVETYPE type, LPDIRECT3DVERTEXBUFFER buffer,
                                              DWORD startVertex, DWORD vertexCount,
                                              DWORD flags) override;
    HRESULT STDMETHODCALLTYPE DrawIndexedPrimitiveVB(D3DPRIMITIVETYPE type,
                                                     LPDIRECT3DVERTEXBUFFER buffer, LPWORD indices,
                                                     DWORD indexCount, DWORD flags) override;
    HRESULT STDMETHODCALLTYPE ComputeSphereVisibility(LPD3DVECTOR centers, LPD3DVALUE radii,
                                                      DWORD count, DWORD flags,
                                                      LPDWORD results) override;
    HRESULT STDMETHODCALLTYPE GetTexture(DWORD stage, LPDIRECT3DTEXTURE2* texture) override;
    HRESULT STDMETHODCALLTYPE SetTexture(DWORD stage, LPDIRECT3DTEXTURE2 texture) override;
    HRESULT STDMETHODCALLTYPE GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE state,
                                                   LPDWORD value) override;
    HRESULT STDMETHODCALLTYPE SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE state,
                                                   DWORD value) override;
    HRESULT STDMETHODCALLTYPE ValidateDevice(LPDWORD passes) override;

    // For viewports and vertex buffers.
    void targetSize(DWORD* width, DWORD* height) const;
    HRESULT clear(const std::vector<D3DRECT>& rects, DWORD flags, D3DCOLOR color, float z,
                  DWORD stencil);
    HRESULT process(const vertex::ProcessRequest& request, const vertex::SourceVertices& source,
                    const vertex::DestinationVertices& destination);
    // For the viewport being released by the device.
    void forgetViewport(Viewport* viewport);

    static constexpr DWORD kLightStates = D3DLIGHTSTATE_COLORVERTEX + 1;
    // Render states past the rasteriser's that are only stored.
    static constexpr DWORD kFirstStoredOnlyState = D3DRENDERSTATE_COUNT_DX6;
    static constexpr DWORD kStoredOnlyStates = D3DRENDERSTATE_COUNT_STORED - kFirstStoredOnlyState;

private:
    class Batch;

    ~Device();

    HRESULT bindTargets();
    HRESULT syncViewport();
    void syncTextures();
    vertex::LightingState lighting() const;
    void applyVertexFog(BYTE* vertices, DWORD stride, DWORD count, const DWORD* clipCodes) const;
    bool flatShading() const {
        return raster_.state().renderState(D3DRENDERSTATE_SHADEMODE) == D3DSHADE_FLAT;
    }
    HRESULT drawTransformed(D3DPRIMITIVETYPE type, DWORD fvf, const void* vertices,
                            DWORD vertexCount, const WORD* indices, DWORD indexCount);
    HRESULT drawUntransformed(D3DPRIMITIVETYPE type, DWORD fvf, const void* vertices,
                              DWORD vertexCount, const WORD* indices, DWORD indexCount,
                              DWORD flags);
    // DrawIndexedPrimitive without its call record; indices null: not indexed.
    HRESULT drawVertices(D3DPRIMITIVETYPE type, DWORD fvf, const void* vertices,
                         DWORD vertexCount, const WORD* indices, DWORD indexCount, DWORD flags);
    HRESULT drawStrided(D3DPRIMITIVETYPE type, DWORD fvf, const D3DDRAWPRIMITIVESTRIDEDDATA* data,
                        DWORD vertexCount, const WORD* indices, DWORD indexCount, DWORD flags);
    HRESULT drawProcessed(D3DPRIMITIVETYPE type, const VertexBuffer& buffer, DWORD start,
                          DWORD count, const WORD* indices, DWORD indexCount, DWORD flags);
    HRESULT validateStages() const;

    std::atomic<ULONG> refs_{1};
    IDirect3D3* d3d_;
    ddraw::Surface* target_;
    display::DeviceProfile profile_;
    bool null_;
    raster::Rasterizer raster_;
    vertex::TransformState transform_;
    vertex::PrimitiveClipper clipper_;
    std::array<DWORD, kLightStates> lightStates_{};
    std::array<DWORD, kStoredOnlyStates> storedOnlyStates_{};
    std::vector<Viewport*> viewports_;
    Viewport* current_ = nullptr;
    DWORD currentGeneration_ = 0;
    std::array<Texture*, raster::kMaxTextureStages> textures_{};
    bool inScene_ = false;
    D3DCLIPSTATUS clipStatus_{};
};

}  // namespace platform::d3d::device
