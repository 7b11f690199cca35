// Primitive assembly and clipping for drawing: turns lists, strips and fans
// of processed vertices into screen-space triangles (and lines and points)
// for the rasteriser.
//
// A triangle whose vertices all have clip code 0 goes out as pointers into
// the caller's vertices, nothing copied. A triangle wholly outside one plane
// is dropped. Any other is clipped in homogeneous space (Sutherland-Hodgman)
// against the planes its vertices violate, its colours and texture
// coordinates interpolated, and goes out as a fan of new screen vertices in
// the same format and winding.
#pragma once

#include "d3d/vertex/fvf.h"
#include "d3d/vertex/lighting.h"
#include "d3d/vertex/process.h"
#include "d3d/vertex/transform.h"

#include <d3dtypes.h>
#include <windef.h>

#include <array>
#include <vector>

namespace platform::d3d::vertex {

// Receives screen-space primitives. The vertices are in the format of the
// vertices being drawn (for untransformed drawing, screenFvfFor of their
// format) and stay valid only during the call. Triangle winding is the
// primitive's own: odd strip triangles come out as (v1, v0, v2).
//
// `flat` is the vertex whose colours a flat-shaded triangle takes, by the
// Direct3D rule the rasteriser also follows: the first vertex of a list or
// strip triangle in drawing order, the second of a fan triangle. Every piece
// of a clipped triangle names the same unclipped vertex.
class PrimitiveSink {
public:
    virtual ~PrimitiveSink() = default;
    virtual void triangle(const BYTE* v0, const BYTE* v1, const BYTE* v2, const BYTE* flat) = 0;
    virtual void line(const BYTE* /*v0*/, const BYTE* /*v1*/) {}
    virtual void point(const BYTE* /*v*/) {}
};

// Transformed vertices, as ProcessVertices left them or as the application
// gave them. Without clip codes every vertex counts as inside.
struct ProcessedVertices {
    const void* data = nullptr;
    DWORD fvf = 0;
    DWORD vertexCount = 0;
    const DWORD* clipCodes = nullptr;
};

class PLATFORM_API PrimitiveClipper {
public:
    // Vertices start .. start + count - 1. D3DDP_DONOTCLIP skips clipping.
    // D3DERR_INVALIDPRIMITIVETYPE for an unknown type,
    // D3DERR_INVALIDVERTEXFORMAT for untransformed vertices,
    // DDERR_INVALIDPARAMS for a range outside the vertices or missing memory.
    HRESULT draw(const ScreenMapping& screen, D3DPRIMITIVETYPE type,
                 const ProcessedVertices& vertices, DWORD start, DWORD count, DWORD flags,
                 PrimitiveSink& sink);
    // As draw, through a list of indices into the vertices; an index beyond
    // them gives DDERR_INVALIDPARAMS before anything is drawn.
    HRESULT drawIndexed(const ScreenMapping& screen, D3DPRIMITIVETYPE type,
                        const ProcessedVertices& vertices, const WORD* indices, DWORD indexCount,
                        DWORD flags, PrimitiveSink& sink);
    // Untransformed vertices: transformed, clipped unless D3DDP_DONOTCLIP and
    // lit unless D3DDP_DONOTLIGHT, into screenFvfFor(fvf), then drawn.
    // `indices` may be null for a non-indexed draw of every vertex.
    HRESULT drawUntransformed(const TransformState& transform, const LightingState& lighting,
                              D3DPRIMITIVETYPE type, DWORD fvf, const void* vertices,
                              DWORD vertexCount, const WORD* indices, DWORD indexCount, DWORD flags,
                              PrimitiveSink& sink);

    static constexpr DWORD kMaxAttributes = 4 + 4 + 2 * D3DDP_MAXTEXCOORD;

private:
    struct ClipVertex {
        Vec4 c;
        float attr[kMaxAttributes];
        const BYTE* original;  // the caller's vertex when it is unchanged
    };
    // Largest polygon: a triangle cut by six planes.
    static constexpr int kMaxPolygon = 3 + 6;
    static constexpr size_t kMaxVertexSize = 96;

    struct Batch;

    template <typename IndexAt>
    void assemble(const Batch& batch, D3DPRIMITIVETYPE type, DWORD count, IndexAt indexAt);
    void clipTriangle(const Batch& batch, const BYTE* const v[3], const BYTE* flat,
                      DWORD clipUnion);
    void clipLine(const Batch& batch, const BYTE* const v[2], DWORD clipUnion);
    void load(const Batch& batch, const BYTE* vertex, ClipVertex* out) const;
    const BYTE* emit(const Batch& batch, const ClipVertex& v, int slot);

    std::array<BYTE, kMaxVertexSize*(kMaxPolygon + 1)> scratch_{};
    std::vector<BYTE> processed_;
    std::vector<DWORD> codes_;
};

}  // namespace platform::d3d::vertex
