// Drawing, clearing and vertex processing of the software device.
#include "d3d/device/device.h"

#include "core/call_log.h"
#include "d3d/device/material.h"
#include "d3d/device/texture.h"
#include "d3d/device/vertex_buffer.h"
#include "d3d/device/viewport.h"
#include "d3d/vertex/fvf.h"
#include "d3d/vertex/strided.h"
#include "ddraw/pixel_format.h"
#include "ddraw/surface.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace platform::d3d::device {
namespace {

float bitsToFloat(DWORD d) {
    float f;
    std::memcpy(&f, &d, sizeof f);
    return f;
}

HRESULT drawResult(raster::DrawStatus status) {
    switch (status) {
    case raster::DrawStatus::Ok: return D3D_OK;
    case raster::DrawStatus::NoRenderTarget: return DDERR_INVALIDPIXELFORMAT;
    case raster::DrawStatus::InvalidPrimitive: return D3DERR_INVALIDPRIMITIVETYPE;
    case raster::DrawStatus::InvalidVertices: return DDERR_INVALIDPARAMS;
    }
    return DDERR_GENERIC;
}

// Offset of the specular colour in screen vertices (x, y, z, rhw, diffuse).
constexpr DWORD kScreenSpecularOffset = 20;


// The rasteriser keeps no stencil: the stencil bits of the depth surface are
// written here, around the depth each pixel holds.
void clearStencil(ddraw::Surface& depth, const std::vector<D3DRECT>& rects, DWORD stencil) {
    const DWORD mask = depth.format().dwStencilBitMask;
    const DWORD bytes = ddraw::bytesPerPixel(depth.format());
    if (!mask || bytes == 0)
        return;
    const DWORD value = (stencil << __builtin_ctz(mask)) & mask;
    for (const D3DRECT& r : rects) {
        const LONG left = std::max<LONG>(r.x1, 0), top = std::max<LONG>(r.y1, 0);
        const LONG right = std::min<LONG>(r.x2, LONG(depth.width()));
        const LONG bottom = std::min<LONG>(r.y2, LONG(depth.height()));
        for (LONG y = top; y < bottom; ++y) {
            BYTE* row = depth.bits() + size_t(y) * size_t(depth.pitch());
            for (LONG x = left; x < right; ++x) {
                DWORD v = 0;
                std::memcpy(&v, row + size_t(x) * bytes, bytes);
                v = (v & ~mask) | value;
                std::memcpy(row + size_t(x) * bytes, &v, bytes);
            }
        }
    }
}

}  // namespace

// Collects what the clipper emits and hands it to the rasteriser as lists,
// since the clipper's vertices live only during its callbacks.
class Device::Batch final : public vertex::PrimitiveSink {
public:
    // `fog`: work out vertex fog for the emitted vertices (untransformed
    // drawing; processed buffers got theirs in ProcessVertices). `flat`:
    // flat shading is on.
    Batch(DWORD fvf, bool fog, bool flat)
        : fvf_(fvf), stride_(vertex::fvfVertexSize(fvf)),
          fog_(fog && (fvf & (D3DFVF_DIFFUSE | D3DFVF_SPECULAR)) ==
                          (D3DFVF_DIFFUSE | D3DFVF_SPECULAR)),
          flat_(flat) {
        vertex::decodeFvf(fvf, &layout_);
    }

    void triangle(const BYTE* v0, const BYTE* v1, const BYTE* v2, const BYTE* flat) override {
        append(triangles_, v0);
        append(triangles_, v1);
        append(triangles_, v2);
        // The list goes out flat-shaded from each triangle's first vertex, so
        // that one carries the colours of the vertex the primitive names.
        if (flat_ && flat != v0)
            takeColours(triangles_.data() + triangles_.size() - 3 * stride_, flat);
    }
    void line(const BYTE* v0, const BYTE* v1) override {
        append(lines_, v0);
        append(lines_, v1);
    }
    void point(const BYTE* v) override { append(points_, v); }

    HRESULT flush(raster::Rasterizer& raster, const Device& device) {
        for (auto* list : {&triangles_, &lines_, &points_}) {
            if (list->empty())
                continue;
            const DWORD count = static_cast<DWORD>(list->size() / stride_);
            if (fog_)
                device.applyVertexFog(list->data(), stride_, count, nullptr);
            const auto source = raster::VertexSource::fromFVF(fvf_, list->data(), count);
            const D3DPRIMITIVETYPE type = list == &triangles_ ? D3DPT_TRIANGLELIST
                                          : list == &lines_   ? D3DPT_LINELIST
                                                              : D3DPT_POINTLIST;
            const HRESULT hr = drawResult(raster.draw(type, source, 0, count));
            if (FAILED(hr))
                return hr;
        }
        return D3D_OK;
    }

private:
    void append(std::vector<BYTE>& list, const BYTE* v) { list.insert(list.end(), v, v + stride_); }
    void takeColours(BYTE* to, const BYTE* from) const {
        if (layout_.diffuse >= 0)
            std::memcpy(to + layout_.diffuse, from + layout_.diffuse, sizeof(D3DCOLOR));
        if (layout_.specular >= 0)
            std::memcpy(to + layout_.specular, from + layout_.specular, sizeof(D3DCOLOR));
    }

    DWORD fvf_;
    DWORD stride_;
    bool fog_;
    bool flat_;
    vertex::FvfLayout layout_;
    std::vector<BYTE> triangles_, lines_, points_;
};

// ---------------------------------------------------------------------------
// Preparing a draw

HRESULT Device::bindTargets() {
    const HRESULT usable = target_->usable();
    if (FAILED(usable))
        return usable;
    const DDPIXELFORMAT& f = target_->format();
    const raster::PixelFormat format = raster::pixelFormatFromMasks(
        f.dwRGBBitCount, f.dwRBitMask, f.dwGBitMask, f.dwBBitMask,
        (f.dwFlags & DDPF_ALPHAPIXELS) ? f.dwRGBAlphaBitMask : 0);
    if (!raster_.setRenderTarget(raster::RenderTarget{target_->bits(), target_->pitch(),
                                                      target_->width(), target_->height(),
                                                      format}))
        return DDERR_INVALIDPIXELFORMAT;
    ddraw::Surface* z = target_->attachedWithCaps(DDSCAPS_ZBUFFER);
    if (!z) {
        raster_.setDepthBuffer(nullptr);
        return D3D_OK;
    }
    if (FAILED(z->usable()))
        return z->usable();
    const DDPIXELFORMAT& zf = z->format();
    const raster::DepthBuffer depth{
        z->bits(), z->pitch(), z->width(), z->height(),
        raster::depthFormatFromMask(zf.dwZBufferBitDepth, zf.dwZBitMask)};
    if (!raster_.setDepthBuffer(&depth))
        return DDERR_INVALIDPIXELFORMAT;
    return D3D_OK;
}

HRESULT Device::syncViewport() {
    if (!current_ || !current_->hasData())
        return D3DERR_NOCURRENTVIEWPORT;
    if (currentGeneration_ != current_->generation()) {
        const D3DVIEWPORT2& v = current_->data();
        const HRESULT hr = transform_.setViewport(v);
        if (FAILED(hr))
            return hr;
        raster_.state().setClipRect(RECT{static_cast<LONG>(v.dwX), static_cast<LONG>(v.dwY),
                                         static_cast<LONG>(v.dwX + v.dwWidth),
                                         static_cast<LONG>(v.dwY + v.dwHeight)});
        currentGeneration_ = current_->generation();
    }
    // Table fog runs on eye distance when the projection gives one and the
    // device says it can.
    D3DMATRIX projection;
    transform_.getTransform(D3DTRANSFORMSTATE_PROJECTION, &projection);
    const bool wFog = projection._34 != 0.0f && (profile_.caps.rasterCaps & D3DPRASTERCAPS_WFOG);
    const raster::FogSource source = wFog ? raster::FogSource::W : raster::FogSource::Z;
    if (raster_.state().fogSource() != source)
        raster_.state().setFogSource(source);
    return D3D_OK;
}

void Device::syncTextures() {
    for (DWORD stage = 0; stage < textures_.size(); ++stage)
        if (textures_[stage] && textures_[stage]->refresh())
            raster_.state().touch();
}

vertex::LightingState Device::lighting() const {
    vertex::LightingState state;
    D3DMATERIAL material{};
    material.dwSize = sizeof(D3DMATERIAL);
    Material::lookup(lightStates_[D3DLIGHTSTATE_MATERIAL], &material);
    state.setMaterial(material);
    state.setAmbient(lightStates_[D3DLIGHTSTATE_AMBIENT]);
    if (current_) {
        std::vector<D3DLIGHT2> lights;
        for (const D3DLIGHT2& l : current_->lightDescriptions())
            if (SUCCEEDED(vertex::LightingState::validateLight(l)))
                lights.push_back(l);
        state.setLights(lights.data(), static_cast<DWORD>(lights.size()));
    }
    return state;
}

// Vertex fog (D3DLIGHTSTATE_FOGMODE): the fog factor of each vertex's eye
// distance w goes into its specular alpha.
void Device::applyVertexFog(BYTE* vertices, DWORD stride, DWORD count,
                            const DWORD* clipCodes) const {
    const DWORD mode = lightStates_[D3DLIGHTSTATE_FOGMODE];
    if (mode == D3DFOG_NONE)
        return;
    const float start = bitsToFloat(lightStates_[D3DLIGHTSTATE_FOGSTART]);
    const float end = bitsToFloat(lightStates_[D3DLIGHTSTATE_FOGEND]);
    const float density = bitsToFloat(lightStates_[D3DLIGHTSTATE_FOGDENSITY]);
    for (DWORD i = 0; i < count; ++i) {
        BYTE* v = vertices + static_cast<size_t>(i) * stride;
        float xyzw[4];
        std::memcpy(xyzw, v, sizeof xyzw);
        // Clip-form vertices keep w itself; screen-form ones keep 1 / w.
        const float w = (clipCodes && clipCodes[i]) ? xyzw[3]
                        : xyzw[3] != 0.0f          ? 1.0f / xyzw[3]
                                                   : 0.0f;
        float f = 1.0f;
        if (mode == D3DFOG_LINEAR)
            f = end != start ? (end - w) / (end - start) : (w < end ? 1.0f : 0.0f);
        else if (mode == D3DFOG_EXP)
            f = std::exp(-density * w);
        else if (mode == D3DFOG_EXP2)
            f = std::exp(-(density * w) * (density * w));
        f = f < 0.0f ? 0.0f : (f > 1.0f ? 1.0f : f);
        DWORD specular;
        std::memcpy(&specular, v + kScreenSpecularOffset, sizeof specular);
        specular = (specular & 0x00FFFFFFu) | (static_cast<DWORD>(std::lround(f * 255.0f)) << 24);
        std::memcpy(v + kScreenSpecularOffset, &specular, sizeof specular);
    }
}

// ---------------------------------------------------------------------------
// Drawing

HRESULT Device::drawTransformed(D3DPRIMITIVETYPE type, DWORD fvf, const void* vertices,
                                DWORD vertexCount, const WORD* indices, DWORD indexCount) {
    const auto source = raster::VertexSource::fromFVF(fvf, vertices, vertexCount);
    if (!source.valid())
        return D3DERR_INVALIDVERTEXFORMAT;
    if (indices)
        return drawResult(raster_.drawIndexed(type, source, indices, indexCount));
    return drawResult(raster_.draw(type, source, 0, vertexCount));
}

HRESULT Device::drawUntransformed(D3DPRIMITIVETYPE type, DWORD fvf, const void* vertices,
                                  DWORD vertexCount, const WORD* indices, DWORD indexCount,
                                  DWORD flags) {
    Batch batch(vertex::screenFvfFor(fvf), true, flatShading());
    const HRESULT hr = clipper_.drawUntransformed(transform_, lighting(), type, fvf, vertices,
                                                  vertexCount, indices, indexCount, flags, batch);
    if (FAILED(hr))
        return hr;
    return batch.flush(raster_, *this);
}

HRESULT Device::drawProcessed(D3DPRIMITIVETYPE type, const VertexBuffer& buffer, DWORD start,
                              DWORD count, const WORD* indices, DWORD indexCount, DWORD flags) {
    const DWORD fvf = buffer.fvf();
    if (!indices && (start > buffer.vertexCount() || count > buffer.vertexCount() - start))
        return DDERR_INVALIDPARAMS;
    if ((fvf & D3DFVF_POSITION_MASK) != D3DFVF_XYZRHW) {
        if (indices)
            return drawUntransformed(type, fvf, buffer.data(), buffer.vertexCount(), indices,
                                     indexCount, flags);
        const BYTE* first =
            static_cast<const BYTE*>(buffer.data()) + size_t(start) * vertex::fvfVertexSize(fvf);
        return drawUntransformed(type, fvf, first, count, nullptr, 0, flags);
    }
    const DWORD* codes = buffer.clipCodes();
    if (!codes || (flags & D3DDP_DONOTCLIP)) {
        // Nothing to clip: straight to the rasteriser, keeping the primitive.
        const auto source = raster::VertexSource::fromFVF(fvf, buffer.data(), buffer.vertexCount());
        if (!source.valid())
            return D3DERR_INVALIDVERTEXFORMAT;
        if (indices)
            return drawResult(raster_.drawIndexed(type, source, indices, indexCount));
        return drawResult(raster_.draw(type, source, start, count));
    }
    Batch batch(fvf, false, flatShading());
    const vertex::ProcessedVertices processed{buffer.data(), fvf, buffer.vertexCount(), codes};
    const HRESULT hr =
        indices ? clipper_.drawIndexed(transform_.screen(), type, processed, indices, indexCount,
                                       flags, batch)
                : clipper_.draw(transform_.screen(), type, processed, start, count, flags, batch);
    if (FAILED(hr))
        return hr;
    return batch.flush(raster_, *this);
}

HRESULT Device::DrawPrimitive(D3DPRIMITIVETYPE type, DWORD vertexFormat, LPVOID vertices,
                              DWORD vertexCount, DWORD flags) {
    PLATFORM_RECORD_CALL("IDirect3DDevice3::DrawPrimitive", (ULONG_PTR)type, vertexFormat,
                         (ULONG_PTR)vertices, vertexCount, flags);
    return drawVertices(type, vertexFormat, vertices, vertexCount, nullptr, 0, flags);
}

HRESULT Device::DrawIndexedPrimitive(D3DPRIMITIVETYPE type, DWORD vertexFormat, LPVOID vertices,
                                     DWORD vertexCount, LPWORD indices, DWORD indexCount,
                                     DWORD flags) {
    PLATFORM_RECORD_CALL("IDirect3DDevice3::DrawIndexedPrimitive", (ULONG_PTR)type, vertexFormat,
                         (ULONG_PTR)vertices, vertexCount, (ULONG_PTR)indices, indexCount, flags);
    if (!indices)
        return DDERR_INVALIDPARAMS;
    return drawVertices(type, vertexFormat, vertices, vertexCount, indices, indexCount, flags);
}

HRESULT Device::drawVertices(D3DPRIMITIVETYPE type, DWORD vertexFormat, const void* vertices,
                             DWORD vertexCount, const WORD* indices, DWORD indexCount,
                             DWORD flags) {
    if (!vertices && vertexCount)
        return DDERR_INVALIDPARAMS;
    if (vertex::fvfVertexSize(vertexFormat) == 0)
        return D3DERR_INVALIDVERTEXFORMAT;
    if (type < D3DPT_POINTLIST || type > D3DPT_TRIANGLEFAN)
        return D3DERR_INVALIDPRIMITIVETYPE;
    ddraw::DDLock lock(ddraw::ddrawMutex());
    HRESULT hr = bindTargets();
    if (SUCCEEDED(hr))
        hr = syncViewport();
    if (FAILED(hr) || null_ || vertexCount == 0 || (indices && indexCount == 0))
        return hr;
    syncTextures();
    if ((vertexFormat & D3DFVF_POSITION_MASK) == D3DFVF_XYZRHW)
        return drawTransformed(type, vertexFormat, vertices, vertexCount, indices, indexCount);
    return drawUntransformed(type, vertexFormat, vertices, vertexCount, indices,
                             indices ? indexCount : 0, flags);
}

// Strided vertices are packed first, so they draw exactly as packed ones.
HRESULT Device::DrawPrimitiveStrided(D3DPRIMITIVETYPE type, DWORD vertexFormat,
                                     LPD3DDRAWPRIMITIVESTRIDEDDATA data, DWORD vertexCount,
                                     DWORD flags) {
    PLATFORM_RECORD_CALL("IDirect3DDevice3::DrawPrimitiveStrided", (ULONG_PTR)type, vertexFormat,
                         (ULONG_PTR)data, vertexCount, flags);
    return drawStrided(type, vertexFormat, data, vertexCount, nullptr, 0, flags);
}

HRESULT Device::DrawIndexedPrimitiveStrided(D3DPRIMITIVETYPE type, DWORD vertexFormat,
                                            LPD3DDRAWPRIMITIVESTRIDEDDATA data, DWORD vertexCount,
                                            LPWORD indices, DWORD indexCount, DWORD flags) {
    PLATFORM_RECORD_CALL("IDirect3DDevice3::DrawIndexedPrimitiveStrided", (ULONG_PTR)type,
                         vertexFormat, (ULONG_PTR)data, vertexCount, (ULONG_PTR)indices,
                         indexCount, flags);
    if (!indices)
        return DDERR_INVALIDPARAMS;
    return drawStrided(type, vertexFormat, data, vertexCount, indices, indexCount, flags);
}

HRESULT Device::drawStrided(D3DPRIMITIVETYPE type, DWORD vertexFormat,
                            const D3DDRAWPRIMITIVESTRIDEDDATA* data, DWORD vertexCount,
                            const WORD* indices, DWORD indexCount, DWORD flags) {
    if (!data)
        return DDERR_INVALIDPARAMS;
    std::vector<BYTE> packed;
    const HRESULT hr = vertex::gatherStrided(vertexFormat, *data, vertexCount, &packed);
    if (FAILED(hr))
        return hr;
    return drawVertices(type, vertexFormat, packed.empty() ? nullptr : packed.data(), vertexCount,
                        indices, indexCount, flags);
}

HRESULT Device::DrawPrimitiveVB(D3DPRIMITIVETYPE type, LPDIRECT3DVERTEXBUFFER buffer,
                                DWORD startVertex, DWORD vertexCount, DWORD flags) {
    PLATFORM_RECORD_CALL("IDirect3DDevice3::DrawPrimitiveVB", (ULONG_PTR)type, (ULONG_PTR)buffer,
                         startVertex, vertexCount, flags);
    VertexBuffer* vb = buffer ? VertexBuffer::fromInterface(buffer) : nullptr;
    if (!vb)
        return DDERR_INVALIDPARAMS;
    if (vb->locked())
        return D3DERR_VERTEXBUFFERLOCKED;
    if (type < D3DPT_POINTLIST || type > D3DPT_TRIANGLEFAN)
        return D3DERR_INVALIDPRIMITIVETYPE;
    ddraw::DDLock lock(ddraw::ddrawMutex());
    HRESULT hr = bindTargets();
    if (SUCCEEDED(hr))
        hr = syncViewport();
    if (FAILED(hr) || null_ || vertexCount == 0)
        return hr;
    syncTextures();
    return drawProcessed(type, *vb, startVertex, vertexCount, nullptr, 0, flags);
}

HRESULT Device::DrawIndexedPrimitiveVB(D3DPRIMITIVETYPE type, LPDIRECT3DVERTEXBUFFER buffer,
                                       LPWORD indices, DWORD indexCount, DWORD flags) {
    PLATFORM_RECORD_CALL("IDirect3DDevice3::DrawIndexedPrimitiveVB", (ULONG_PTR)type,
                         (ULONG_PTR)buffer, (ULONG_PTR)indices, indexCount, flags);
    VertexBuffer* vb = buffer ? VertexBuffer::fromInterface(buffer) : nullptr;
    if (!vb || (!indices && indexCount))
        return DDERR_INVALIDPARAMS;
    if (vb->locked())
        return D3DERR_VERTEXBUFFERLOCKED;
    if (type < D3DPT_POINTLIST || type > D3DPT_TRIANGLEFAN)
        return D3DERR_INVALIDPRIMITIVETYPE;
    ddraw::DDLock lock(ddraw::ddrawMutex());
    HRESULT hr = bindTargets();
    if (SUCCEEDED(hr))
        hr = syncViewport();
    if (FAILED(hr) || null_ || indexCount == 0)
        return hr;
    syncTextures();
    return drawProcessed(type, *vb, 0, 0, indices, indexCount, flags);
}

// ---------------------------------------------------------------------------
// Clearing and processing

HRESULT Device::clear(const std::vector<D3DRECT>& rects, DWORD flags, D3DCOLOR color, float z,
                      DWORD stencil) {
    ddraw::DDLock lock(ddraw::ddrawMutex());
    const HRESULT hr = bindTargets();
    if (FAILED(hr))
        return hr;
    ddraw::Surface* depth = target_->attachedWithCaps(DDSCAPS_ZBUFFER);
    if ((flags & D3DCLEAR_ZBUFFER) && !depth)
        return D3DERR_ZBUFFER_NOTPRESENT;
    if ((flags & D3DCLEAR_STENCIL) &&
        (!depth || !(depth->format().dwFlags & DDPF_STENCILBUFFER)))
        return D3DERR_STENCILBUFFER_NOTPRESENT;
    if (null_ || rects.empty())
        return D3D_OK;
    raster_.clear(flags & (D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER), rects.data(),
                  static_cast<DWORD>(rects.size()), color, z);
    if (flags & D3DCLEAR_STENCIL) {
        raster_.finish();  // the depth clears and draws queued before it come first
        clearStencil(*depth, rects, stencil);
    }
    return D3D_OK;
}

HRESULT Device::process(const vertex::ProcessRequest& request,
                        const vertex::SourceVertices& source,
                        const vertex::DestinationVertices& destination) {
    ddraw::DDLock lock(ddraw::ddrawMutex());
    HRESULT hr = syncViewport();
    if (FAILED(hr))
        return hr;
    vertex::ProcessResult result;
    hr = vertex::processVertices(transform_, lighting(), request, source, destination, &result);
    if (FAILED(hr))
        return hr;
    vertex::FvfLayout layout;
    if ((request.operations & D3DVOP_LIGHT) && SUCCEEDED(vertex::decodeFvf(destination.fvf, &layout)) &&
        layout.specular == static_cast<int>(kScreenSpecularOffset)) {
        const DWORD first = request.destinationIndex;
        applyVertexFog(static_cast<BYTE*>(destination.data) + static_cast<size_t>(first) * layout.size,
                       layout.size, request.count,
                       destination.clipCodes ? destination.clipCodes + first : nullptr);
    }
    clipStatus_.dwStatus |= result.clipUnion;
    return D3D_OK;
}

}  // namespace platform::d3d::device
