// Helpers for the rasteriser tests: surfaces in memory, textures from colour
// lists, vertex builders and an independent reference for colour arithmetic.
#pragma once

#include "d3d/raster/rasterizer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

namespace rt {

using namespace platform::d3d::raster;

// round(a * b / 255), computed independently of the rasteriser's shortcut.
inline constexpr auto mul = [](int a, int b) { return int(std::lround(a * b / 255.0)); };
inline constexpr auto sat = [](int v) { return v < 0 ? 0 : (v > 255 ? 255 : v); };
// Channel i of a colour: 0 red, 1 green, 2 blue, 3 alpha.
inline constexpr auto ch = [](D3DCOLOR c, int i) {
    return int(c >> (i == 3 ? 24 : 16 - 8 * i) & 0xff);
};
inline constexpr auto red = [](D3DCOLOR c) { return ch(c, 0); };

inline DWORD load(const BYTE* p, DWORD bytes) {
    uint32_t v = 0;
    std::memcpy(&v, p, bytes);  // little-endian: a 16-bit value lands in the low half
    return v;
}

// A colour surface (and optionally a depth surface) in memory, bound to a
// Rasterizer. Pitches are padded to catch pitch mistakes.
class Canvas {
public:
    Canvas(DWORD width, DWORD height, PixelFormat format = PixelFormat::A8R8G8B8,
           DepthFormat depth = DepthFormat::None)
        : width_(width), format_(format), depthFormat_(depth) {
        pitch_ = static_cast<LONG>(width * bytesPerPixel(format) + 8);
        pixels_.assign(static_cast<size_t>(pitch_) * height, 0);
        EXPECT_TRUE(raster.setRenderTarget({pixels_.data(), pitch_, width, height, format}));
        if (depth != DepthFormat::None) {
            depthPitch_ = static_cast<LONG>(width * bytesPerDepth(depth) + 12);
            depth_.assign(static_cast<size_t>(depthPitch_) * height, 0);
            DepthBuffer d{depth_.data(), depthPitch_, width, height, depth};
            EXPECT_TRUE(raster.setDepthBuffer(&d));
        }
        // Tests state their own culling and start with plain colour output.
        rs(D3DRENDERSTATE_CULLMODE, D3DCULL_NONE);
        rs(D3DRENDERSTATE_SPECULARENABLE, FALSE);
    }

    RasterState& state() { return raster.state(); }
    void rs(DWORD s, DWORD v) { raster.state().setRenderState(s, v); }
    void tss(DWORD stage, DWORD t, DWORD v) { raster.state().setTextureStageState(stage, t, v); }
    // Stage 0 off: the diffuse colour is drawn.
    void untextured() { tss(0, D3DTSS_COLOROP, D3DTOP_DISABLE); }

    DWORD raw(int x, int y) const {
        return load(at(pixels_, pitch_, bytesPerPixel(format_), x, y), bytesPerPixel(format_));
    }
    D3DCOLOR pixel(int x, int y) const { return unpackColor(format_, raw(x, y)); }
    DWORD depthAt(int x, int y) const {
        return load(at(depth_, depthPitch_, bytesPerDepth(depthFormat_), x, y),
                    bytesPerDepth(depthFormat_));
    }
    void setDepthRaw(int x, int y, DWORD v) {
        std::memcpy(at(depth_, depthPitch_, 4, x, y), &v, 4);
    }

    // Bytes past the right edge of each row (must never be written).
    bool paddingUntouched() const {
        for (size_t i = 0; i < pixels_.size(); ++i) {
            if (i % pitch_ >= width_ * bytesPerPixel(format_) && pixels_[i] != 0)
                return false;
        }
        return true;
    }

    void clear(D3DCOLOR c) { raster.clear(D3DCLEAR_TARGET, nullptr, 0, c, 0.0f); }
    void clearDepth(float z) { raster.clear(D3DCLEAR_ZBUFFER, nullptr, 0, 0, z); }

    Rasterizer raster;

private:
    template <class V>
    static auto at(V& mem, LONG pitch, DWORD bpp, int x, int y) -> decltype(mem.data()) {
        return mem.data() + static_cast<size_t>(y) * pitch + static_cast<size_t>(x) * bpp;
    }

    DWORD width_;
    PixelFormat format_;
    DepthFormat depthFormat_;
    LONG pitch_ = 0, depthPitch_ = 0;
    std::vector<BYTE> pixels_;
    std::vector<BYTE> depth_;
};

// A vertex with (u, v) in coordinate sets 0 and 1.
inline Vertex vtx(float x, float y, D3DCOLOR diffuse = 0xffffffff, float u = 0, float v = 0,
                  float z = 0.5f, float rhw = 1.0f) {
    return Vertex{x, y, z, rhw, diffuse, 0xff000000, {{u, v}, {u, v}}};
}

// Axis-aligned quad as two triangles of a list: corners (x0, y0) .. (x1, y1),
// texture coordinates (u0, v0) .. (u1, v1) in set 0 and set 1.
inline std::vector<Vertex> quad(float x0, float y0, float x1, float y1, D3DCOLOR diffuse,
                                float u0 = 0, float v0 = 0, float u1 = 1, float v1 = 1,
                                float z = 0.5f) {
    const Vertex a = vtx(x0, y0, diffuse, u0, v0, z), b = vtx(x1, y0, diffuse, u1, v0, z);
    const Vertex c = vtx(x1, y1, diffuse, u1, v1, z), d = vtx(x0, y1, diffuse, u0, v1, z);
    return {a, b, c, a, c, d};
}

// A quad over one pixel row from x = -0.5 to width - 0.5 whose attributes
// change from left to right: the left pair of vertices is a, the right b.
inline std::vector<Vertex> row(float width, Vertex a, Vertex b) {
    Vertex a2 = a, b2 = b;
    a.x = a2.x = -0.5f;
    b.x = b2.x = width - 0.5f;
    a.y = b.y = -0.5f;
    a2.y = b2.y = 0.5f;
    return {a, b, b2, a, b2, a2};
}

inline std::vector<Vertex> withSpecular(std::vector<Vertex> v, D3DCOLOR specular) {
    for (Vertex& p : v)
        p.specular = specular;
    return v;
}

inline DrawStatus drawList(Rasterizer& r, const std::vector<Vertex>& v,
                           D3DPRIMITIVETYPE type = D3DPT_TRIANGLELIST) {
    return r.draw(type, VertexSource::fromVertices(v.data(), static_cast<DWORD>(v.size())), 0,
                  static_cast<DWORD>(v.size()));
}

// A texture whose levels are filled from D3DCOLORs (row-major, repeating the
// list when it is shorter than the level).
class TestTexture {
public:
    explicit TestTexture(PixelFormat format) { tex.format = format; }
    TestTexture(PixelFormat format, DWORD width, DWORD height,
                const std::vector<D3DCOLOR>& colors) {
        tex.format = format;
        addLevel(width, height, colors);
    }

    void addLevel(DWORD width, DWORD height, const std::vector<D3DCOLOR>& colors) {
        const DWORD bpp = bytesPerPixel(tex.format);
        const LONG pitch = static_cast<LONG>(width * bpp + 4);
        storage_.emplace_back(static_cast<size_t>(pitch) * height, 0);
        for (DWORD i = 0; i < width * height; ++i) {
            const DWORD raw = packColor(tex.format, colors[i % colors.size()]);
            std::memcpy(storage_.back().data() + i / width * pitch + i % width * bpp, &raw, bpp);
        }
        // Earlier levels' memory does not move: each level is its own vector.
        tex.levels.push_back(TextureLevel{storage_.back().data(), pitch, width, height});
    }

    Texture tex;

private:
    std::vector<std::vector<BYTE>> storage_;
};

inline DWORD floatBits(float f) {
    DWORD d;
    std::memcpy(&d, &f, 4);
    return d;
}

}  // namespace rt
