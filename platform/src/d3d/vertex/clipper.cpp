#include "d3d/vertex/clipper.h"

#include <d3d.h>

#include <algorithm>
#include <cstring>
#include <utility>

namespace platform::d3d::vertex {

struct PrimitiveClipper::Batch {
    FvfLayout layout;
    const BYTE* base;
    const DWORD* codes;  // null: every vertex inside
    const ScreenMapping* screen;
    PrimitiveSink* sink;
    int attributes;  // floats interpolated per vertex
};

namespace {

bool validType(D3DPRIMITIVETYPE type) {
    return type >= D3DPT_POINTLIST && type <= D3DPT_TRIANGLEFAN;
}

// Signed distance to one clip plane, non-negative inside.
float planeDistance(DWORD plane, const Vec4& c) {
    switch (plane) {
        case D3DCLIP_LEFT:
            return c.x + c.w;
        case D3DCLIP_RIGHT:
            return c.w - c.x;
        case D3DCLIP_TOP:
            return c.w - c.y;
        case D3DCLIP_BOTTOM:
            return c.y + c.w;
        case D3DCLIP_FRONT:
            return c.z;
        default:
            return c.w - c.z;  // D3DCLIP_BACK
    }
}

constexpr DWORD kPlanes[] = {D3DCLIP_FRONT, D3DCLIP_LEFT,   D3DCLIP_RIGHT,
                             D3DCLIP_TOP,   D3DCLIP_BOTTOM, D3DCLIP_BACK};

void unpackColor(const BYTE* p, float* out) {
    DWORD c;
    std::memcpy(&c, p, sizeof c);
    out[0] = static_cast<float>(c & 0xff);
    out[1] = static_cast<float>((c >> 8) & 0xff);
    out[2] = static_cast<float>((c >> 16) & 0xff);
    out[3] = static_cast<float>(c >> 24);
}

DWORD channel(float v, int shift) {
    const float clamped = v > 0.0f ? (v < 255.0f ? v : 255.0f) : 0.0f;
    return static_cast<DWORD>(clamped + 0.5f) << shift;
}

void packColorBytes(const float* in, BYTE* p) {
    const DWORD c = channel(in[0], 0) | channel(in[1], 8) | channel(in[2], 16) | channel(in[3], 24);
    std::memcpy(p, &c, sizeof c);
}

}  // namespace

void PrimitiveClipper::load(const Batch& b, const BYTE* vertex, ClipVertex* out) const {
    float position[4];
    std::memcpy(position, vertex, sizeof position);
    const size_t index = static_cast<size_t>(vertex - b.base) / b.layout.size;
    const bool outside = b.codes != nullptr && b.codes[index] != 0;
    out->c = outside ? readClipForm(position) : readScreenForm(position, *b.screen);
    out->original = outside ? nullptr : vertex;
    float* a = out->attr;
    if (b.layout.diffuse >= 0) {
        unpackColor(vertex + b.layout.diffuse, a);
        a += 4;
    }
    if (b.layout.specular >= 0) {
        unpackColor(vertex + b.layout.specular, a);
        a += 4;
    }
    if (b.layout.texCount > 0) {
        std::memcpy(a, vertex + b.layout.texCoords, 8 * b.layout.texCount);
    }
}

const BYTE* PrimitiveClipper::emit(const Batch& b, const ClipVertex& v, int slot) {
    if (v.original != nullptr) {
        return v.original;
    }
    BYTE* out = scratch_.data() + kMaxVertexSize * static_cast<size_t>(slot);
    float position[4];
    writeScreenForm(v.c, *b.screen, position);
    std::memcpy(out, position, sizeof position);
    const float* a = v.attr;
    if (b.layout.reserved >= 0) {
        std::memset(out + b.layout.reserved, 0, 4);
    }
    if (b.layout.diffuse >= 0) {
        packColorBytes(a, out + b.layout.diffuse);
        a += 4;
    }
    if (b.layout.specular >= 0) {
        packColorBytes(a, out + b.layout.specular);
        a += 4;
    }
    if (b.layout.texCount > 0) {
        std::memcpy(out + b.layout.texCoords, a, 8 * b.layout.texCount);
    }
    return out;
}

namespace {

// Point on the edge from `in` (inside) to `out` (outside) where the plane
// cuts it. Always interpolating from the inside end makes an edge shared by
// two triangles cut at the same point whichever way each walks it.
template <typename V>
void intersect(const V& in, float dIn, const V& out, float dOut, int attributes, V* result) {
    const float t = dIn / (dIn - dOut);
    result->c = {in.c.x + (out.c.x - in.c.x) * t, in.c.y + (out.c.y - in.c.y) * t,
                 in.c.z + (out.c.z - in.c.z) * t, in.c.w + (out.c.w - in.c.w) * t};
    for (int i = 0; i < attributes; ++i) {
        result->attr[i] = in.attr[i] + (out.attr[i] - in.attr[i]) * t;
    }
    result->original = nullptr;
}

}  // namespace

void PrimitiveClipper::clipTriangle(const Batch& b, const BYTE* const v[3], const BYTE* flat,
                                    DWORD clipUnion) {
    ClipVertex polygons[2][kMaxPolygon];
    ClipVertex* in = polygons[0];
    ClipVertex* out = polygons[1];
    int n = 3;
    for (int i = 0; i < 3; ++i) {
        load(b, v[i], &in[i]);
        if (!isFinite(in[i].c))
            return;  // no sensible part to draw
    }
    for (DWORD plane : kPlanes) {
        if ((clipUnion & plane) == 0)
            continue;
        int m = 0;
        for (int i = 0; i < n && m < kMaxPolygon; ++i) {
            const ClipVertex& p = in[i];
            const ClipVertex& q = in[(i + 1) % n];
            const float dp = planeDistance(plane, p.c);
            const float dq = planeDistance(plane, q.c);
            if (dp >= 0.0f) {
                out[m++] = p;
            }
            if ((dp >= 0.0f) != (dq >= 0.0f) && m < kMaxPolygon) {
                if (dp >= 0.0f) {
                    intersect(p, dp, q, dq, b.attributes, &out[m++]);
                } else {
                    intersect(q, dq, p, dp, b.attributes, &out[m++]);
                }
            }
        }
        std::swap(in, out);
        n = m;
        if (n < 3)
            return;
    }
    const BYTE* first = emit(b, in[0], 0);
    const BYTE* previous = emit(b, in[1], 1);
    for (int i = 2; i < n; ++i) {
        const BYTE* current = emit(b, in[i], i);
        b.sink->triangle(first, previous, current, flat);
        previous = current;
    }
}

void PrimitiveClipper::clipLine(const Batch& b, const BYTE* const v[2], DWORD clipUnion) {
    ClipVertex ends[2];
    load(b, v[0], &ends[0]);
    load(b, v[1], &ends[1]);
    if (!isFinite(ends[0].c) || !isFinite(ends[1].c))
        return;
    float t0 = 0.0f, t1 = 1.0f;
    for (DWORD plane : kPlanes) {
        if ((clipUnion & plane) == 0)
            continue;
        const float d0 = planeDistance(plane, ends[0].c);
        const float d1 = planeDistance(plane, ends[1].c);
        if (d0 < 0.0f && d1 < 0.0f)
            return;
        if (d0 < 0.0f)
            t0 = std::max(t0, d0 / (d0 - d1));
        if (d1 < 0.0f)
            t1 = std::min(t1, d0 / (d0 - d1));
    }
    if (t0 > t1)
        return;
    ClipVertex cut[2];
    const float ts[2] = {t0, t1};
    for (int e = 0; e < 2; ++e) {
        if (ts[e] == static_cast<float>(e) && ends[e].original != nullptr) {
            cut[e] = ends[e];
        } else {
            // Distances chosen so that the cut lands at parameter ts[e].
            intersect(ends[0], ts[e], ends[1], ts[e] - 1.0f, b.attributes, &cut[e]);
        }
    }
    b.sink->line(emit(b, cut[0], 0), emit(b, cut[1], 1));
}

template <typename IndexAt>
void PrimitiveClipper::assemble(const Batch& b, D3DPRIMITIVETYPE type, DWORD count,
                                IndexAt indexAt) {
    const DWORD stride = b.layout.size;
    auto vertex = [&](DWORD i) { return b.base + static_cast<size_t>(indexAt(i)) * stride; };
    auto code = [&](DWORD i) { return b.codes != nullptr ? b.codes[indexAt(i)] : 0u; };

    // Triangle (i0, i1, i2) in drawing order; flat colours from vertex `flat`.
    auto triangle = [&](DWORD i0, DWORD i1, DWORD i2, DWORD flat) {
        const DWORD c0 = code(i0), c1 = code(i1), c2 = code(i2);
        const BYTE* const v[3] = {vertex(i0), vertex(i1), vertex(i2)};
        if ((c0 | c1 | c2) == 0) {
            b.sink->triangle(v[0], v[1], v[2], vertex(flat));
        } else if ((c0 & c1 & c2) == 0) {
            clipTriangle(b, v, vertex(flat), c0 | c1 | c2);
        }
    };
    auto line = [&](DWORD i0, DWORD i1) {
        const DWORD c0 = code(i0), c1 = code(i1);
        const BYTE* const v[2] = {vertex(i0), vertex(i1)};
        if ((c0 | c1) == 0) {
            b.sink->line(v[0], v[1]);
        } else if ((c0 & c1) == 0) {
            clipLine(b, v, c0 | c1);
        }
    };

    switch (type) {
        case D3DPT_POINTLIST:
            for (DWORD i = 0; i < count; ++i) {
                if (code(i) == 0)
                    b.sink->point(vertex(i));
            }
            break;
        case D3DPT_LINELIST:
            for (DWORD i = 0; i + 1 < count; i += 2)
                line(i, i + 1);
            break;
        case D3DPT_LINESTRIP:
            for (DWORD i = 0; i + 1 < count; ++i)
                line(i, i + 1);
            break;
        case D3DPT_TRIANGLELIST:
            for (DWORD i = 0; i + 2 < count; i += 3)
                triangle(i, i + 1, i + 2, i);
            break;
        case D3DPT_TRIANGLESTRIP:
            for (DWORD i = 0; i + 2 < count; ++i) {
                if (i % 2 == 0) {
                    triangle(i, i + 1, i + 2, i);
                } else {
                    triangle(i + 1, i, i + 2, i);
                }
            }
            break;
        case D3DPT_TRIANGLEFAN:
            for (DWORD i = 1; i + 1 < count; ++i)
                triangle(0, i, i + 1, i);
            break;
        default:
            break;
    }
}

namespace {

HRESULT checkDraw(D3DPRIMITIVETYPE type, DWORD fvf, FvfLayout* layout) {
    if (!validType(type)) {
        return D3DERR_INVALIDPRIMITIVETYPE;
    }
    const HRESULT hr = decodeFvf(fvf, layout);
    if (hr != D3D_OK)
        return hr;
    return layout->transformed ? D3D_OK : D3DERR_INVALIDVERTEXFORMAT;
}

int attributeCount(const FvfLayout& layout) {
    return (layout.diffuse >= 0 ? 4 : 0) + (layout.specular >= 0 ? 4 : 0) +
           2 * static_cast<int>(layout.texCount);
}

}  // namespace

HRESULT PrimitiveClipper::draw(const ScreenMapping& screen, D3DPRIMITIVETYPE type,
                               const ProcessedVertices& vertices, DWORD start, DWORD count,
                               DWORD flags, PrimitiveSink& sink) {
    Batch b{};
    const HRESULT hr = checkDraw(type, vertices.fvf, &b.layout);
    if (hr != D3D_OK)
        return hr;
    if (static_cast<unsigned long long>(start) + count > vertices.vertexCount ||
        (count > 0 && vertices.data == nullptr)) {
        return DDERR_INVALIDPARAMS;
    }
    b.base = static_cast<const BYTE*>(vertices.data);
    b.codes = (flags & D3DDP_DONOTCLIP) != 0 ? nullptr : vertices.clipCodes;
    b.screen = &screen;
    b.sink = &sink;
    b.attributes = attributeCount(b.layout);
    assemble(b, type, count, [start](DWORD i) { return start + i; });
    return D3D_OK;
}

HRESULT PrimitiveClipper::drawIndexed(const ScreenMapping& screen, D3DPRIMITIVETYPE type,
                                      const ProcessedVertices& vertices, const WORD* indices,
                                      DWORD indexCount, DWORD flags, PrimitiveSink& sink) {
    Batch b{};
    const HRESULT hr = checkDraw(type, vertices.fvf, &b.layout);
    if (hr != D3D_OK)
        return hr;
    if (indexCount > 0 && (indices == nullptr || vertices.data == nullptr)) {
        return DDERR_INVALIDPARAMS;
    }
    for (DWORD i = 0; i < indexCount; ++i) {
        if (indices[i] >= vertices.vertexCount)
            return DDERR_INVALIDPARAMS;
    }
    b.base = static_cast<const BYTE*>(vertices.data);
    b.codes = (flags & D3DDP_DONOTCLIP) != 0 ? nullptr : vertices.clipCodes;
    b.screen = &screen;
    b.sink = &sink;
    b.attributes = attributeCount(b.layout);
    assemble(b, type, indexCount, [indices](DWORD i) { return static_cast<DWORD>(indices[i]); });
    return D3D_OK;
}

HRESULT PrimitiveClipper::drawUntransformed(const TransformState& transform,
                                            const LightingState& lighting, D3DPRIMITIVETYPE type,
                                            DWORD fvf, const void* vertices, DWORD vertexCount,
                                            const WORD* indices, DWORD indexCount, DWORD flags,
                                            PrimitiveSink& sink) {
    if (!validType(type)) {
        return D3DERR_INVALIDPRIMITIVETYPE;
    }
    const DWORD screenFvf = screenFvfFor(fvf);
    const DWORD size = fvfVertexSize(screenFvf);
    if (fvfVertexSize(fvf) == 0 || size == 0) {
        return D3DERR_INVALIDVERTEXFORMAT;
    }
    processed_.resize(static_cast<size_t>(vertexCount) * size);
    codes_.resize(vertexCount);

    ProcessRequest request;
    request.operations = D3DVOP_TRANSFORM;
    if ((flags & D3DDP_DONOTCLIP) == 0)
        request.operations |= D3DVOP_CLIP;
    if ((flags & D3DDP_DONOTLIGHT) == 0)
        request.operations |= D3DVOP_LIGHT;
    request.count = vertexCount;
    const HRESULT hr = processVertices(transform, lighting, request, {vertices, fvf, vertexCount},
                                       {processed_.data(), screenFvf, vertexCount, codes_.data()});
    if (hr != D3D_OK) {
        return hr;
    }
    const ProcessedVertices screen{processed_.data(), screenFvf, vertexCount, codes_.data()};
    if (indices == nullptr) {
        return draw(transform.screen(), type, screen, 0, vertexCount, flags, sink);
    }
    return drawIndexed(transform.screen(), type, screen, indices, indexCount, flags, sink);
}

}  // namespace platform::d3d::vertex
