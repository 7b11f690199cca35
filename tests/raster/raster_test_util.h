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
inline int mul(int a, int b) { return static_cast<int>(std::lround(a * b / 255.0)); }
inline int sat(int v) { return v < 0 ? 0 : (v > 255 ? 255 : v); }

inline int red(D3DCOLOR c) { return static_cast<int>(RGBA_GETRED(c)); }
inline int green(D3DCOLOR c) { return static_cast<int>(RGBA_GETGREEN(c)); }
inline int blue(D3DCOLOR c) { return static_cast<int>(RGBA_GETBLUE(c)); }
inline int alpha(D3DCOLOR c) { return static_cast<int>(RGBA_GETALPHA(c)); }

// A colour surface (and optionally a depth surface) in memory, bound to a
// Rasterizer. Pitches are padded to catch pitch mistakes.
class Canvas {
public:
    Canvas(DWORD width, DWORD height, PixelFormat format = PixelFormat::A8R8G8B8,
           DepthFormat depth = DepthFormat::None)
        : width_(width), height_(height), format_(format), depthFormat_(depth)
    {
        pitch_ = static_cast<LONG>(width * bytesPerPixel(format) + 8);
        pixels_.assign(static_cast<size_t>(pitch_) * height, 0);
        RenderTarget t{pixels_.data(), pitch_, width, height, format};
        EXPECT_TRUE(raster.setRenderTarget(t));
        if (depth != DepthFormat::None) {
            depthPitch_ = static_cast<LONG>(width * bytesPerDepth(depth) + 12);
            depth_.assign(static_cast<size_t>(depthPitch_) * height, 0);
            DepthBuffer d{depth_.data(), depthPitch_, width, height, depth};
            EXPECT_TRUE(raster.setDepthBuffer(&d));
        }
        // Tests state their own culling and start with plain colour output.
        raster.state().setRenderState(D3DRENDERSTATE_CULLMODE, D3DCULL_NONE);
        raster.state().setRenderState(D3DRENDERSTATE_SPECULARENABLE, FALSE);
    }

    RasterState& state() { return raster.state(); }

    DWORD raw(int x, int y) const
    {
        const BYTE* p = pixels_.data() + static_cast<size_t>(y) * pitch_ +
                        static_cast<size_t>(x) * bytesPerPixel(format_);
        if (bytesPerPixel(format_) == 2) {
            uint16_t v;
            std::memcpy(&v, p, 2);
            return v;
        }
        uint32_t v;
        std::memcpy(&v, p, 4);
        return v;
    }

    D3DCOLOR pixel(int x, int y) const { return unpackColor(format_, raw(x, y)); }

    DWORD depthAt(int x, int y) const
    {
        const BYTE* p = depth_.data() + static_cast<size_t>(y) * depthPitch_ +
                        static_cast<size_t>(x) * bytesPerDepth(depthFormat_);
        if (bytesPerDepth(depthFormat_) == 2) {
            uint16_t v;
            std::memcpy(&v, p, 2);
            return v;
        }
        uint32_t v;
        std::memcpy(&v, p, 4);
        return v;
    }

    void setDepthRaw(int x, int y, DWORD v)
    {
        BYTE* p = depth_.data() + static_cast<size_t>(y) * depthPitch_ +
                  static_cast<size_t>(x) * bytesPerDepth(depthFormat_);
        if (bytesPerDepth(depthFormat_) == 2) {
            const uint16_t s = static_cast<uint16_t>(v);
            std::memcpy(p, &s, 2);
        } else {
            std::memcpy(p, &v, 4);
        }
    }

    // Bytes past the right edge of each row (must never be written).
    bool paddingUntouched() const
    {
        const size_t used = static_cast<size_t>(width_) * bytesPerPixel(format_);
        for (DWORD y = 0; y < height_; ++y) {
            for (size_t i = used; i < static_cast<size_t>(pitch_); ++i) {
                if (pixels_[y * pitch_ + i] != 0) return false;
            }
        }
        return true;
    }

    void clear(D3DCOLOR c) { raster.clear(D3DCLEAR_TARGET, nullptr, 0, c, 0.0f); }

    DWORD width() const { return width_; }
    DWORD height() const { return height_; }

    Rasterizer raster;

private:
    DWORD width_, height_;
    PixelFormat format_;
    DepthFormat depthFormat_;
    LONG pitch_ = 0, depthPitch_ = 0;
    std::vector<BYTE> pixels_;
    std::vector<BYTE> depth_;
};

inline Vertex vtx(float x, float y, D3DCOLOR diffuse = 0xffffffff, float u = 0, float v = 0,
                  float z = 0.5f, float rhw = 1.0f)
{
    Vertex r;
    r.x = x;
    r.y = y;
    r.z = z;
    r.rhw = rhw;
    r.diffuse = diffuse;
    r.tex[0][0] = u;
    r.tex[0][1] = v;
    return r;
}

// Axis-aligned quad as two triangles of a list: corners (x0, y0) .. (x1, y1),
// texture coordinates (u0, v0) .. (u1, v1) in set 0 and set 1.
inline std::vector<Vertex> quad(float x0, float y0, float x1, float y1, D3DCOLOR diffuse,
                                float u0 = 0, float v0 = 0, float u1 = 1, float v1 = 1,
                                float z = 0.5f)
{
    const Vertex a = vtx(x0, y0, diffuse, u0, v0, z), b = vtx(x1, y0, diffuse, u1, v0, z);
    const Vertex c = vtx(x1, y1, diffuse, u1, v1, z), d = vtx(x0, y1, diffuse, u0, v1, z);
    std::vector<Vertex> out = {a, b, c, a, c, d};
    for (Vertex& v : out) {
        v.tex[1][0] = v.tex[0][0];
        v.tex[1][1] = v.tex[0][1];
    }
    return out;
}

inline DrawStatus drawList(Rasterizer& r, const std::vector<Vertex>& v,
                           D3DPRIMITIVETYPE type = D3DPT_TRIANGLELIST)
{
    return r.draw(type, VertexSource::fromVertices(v.data(), static_cast<DWORD>(v.size())), 0,
                  static_cast<DWORD>(v.size()));
}

// A texture whose levels are filled from D3DCOLORs (row-major, repeating the
// list when it is shorter than the level).
class TestTexture {
public:
    explicit TestTexture(PixelFormat format) { tex.format = format; }
    TestTexture(PixelFormat format, DWORD width, DWORD height,
                const std::vector<D3DCOLOR>& colors)
    {
        tex.format = format;
        addLevel(width, height, colors);
    }

    void addLevel(DWORD width, DWORD height, const std::vector<D3DCOLOR>& colors)
    {
        const DWORD bpp = bytesPerPixel(tex.format);
        const LONG pitch = static_cast<LONG>(width * bpp + 4);
        storage_.emplace_back(static_cast<size_t>(pitch) * height, 0);
        std::vector<BYTE>& mem = storage_.back();
        for (DWORD y = 0; y < height; ++y) {
            for (DWORD x = 0; x < width; ++x) {
                const DWORD raw = packColor(tex.format, colors[(y * width + x) % colors.size()]);
                std::memcpy(mem.data() + y * pitch + x * bpp, &raw, bpp);
            }
        }
        sizes_.push_back({width, height});
        tex.levels.clear();
        for (size_t i = 0; i < storage_.size(); ++i) {
            const DWORD w = sizes_[i].first, h = sizes_[i].second;
            tex.levels.push_back(TextureLevel{storage_[i].data(),
                                              static_cast<LONG>(w * bpp + 4), w, h});
        }
    }

    Texture tex;

private:
    std::vector<std::vector<BYTE>> storage_;
    std::vector<std::pair<DWORD, DWORD>> sizes_;
};

inline DWORD floatBits(float f)
{
    DWORD d;
    std::memcpy(&d, &f, 4);
    return d;
}

}  // namespace rt
