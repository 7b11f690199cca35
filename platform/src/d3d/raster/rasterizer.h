// The software rasteriser behind every Direct3D 6 device of the platform.
//
// No COM here: the IDirect3DDevice3 implementation owns a Rasterizer, points it
// at the locked memory of its render target and depth surfaces, forwards
// render states, texture stage states and texture bindings, and calls draw()
// and clear(). Everything this header names is plain data owned by the caller.
//
// How a draw call runs (Mesa softpipe shape):
//   1. pipeline  - when any state changed since the last draw, the states are
//                  compiled into a Pipeline: the list of per-fragment stages to
//                  run and the constants they need (pipeline.cpp).
//   2. assembly  - the primitive type walks the vertices; culling and fill mode
//                  are applied (rasterizer.cpp).
//   3. setup     - fixed-point edges (24.8) and attribute planes (setup.cpp).
//   4. raster    - each covered row becomes spans of up to 64 pixels
//                  (raster.cpp); points and lines produce one-pixel spans.
//   5. fragments - each span runs the compiled stages over arrays of pixels:
//                  interpolate, depth test, texture sample + combine per stage,
//                  colour key, specular add, fog, alpha test, depth write,
//                  blend, write (one stage_*.cpp file each).
//
// With one thread, steps 4 and 5 run inside draw() and clear(). With more
// (D3DDRIVER_RASTER_THREADS, default: every core), draw() stops after setup:
// the primitives and clears are recorded and binned by bands of rows
// (draw_queue.cpp), and finish() rasterises the bands on a pool of workers.
// The pictures are the same bit for bit. Whoever reads or changes the memory
// of a surface, or frees it, calls finishPendingDraws() first.
//
// Conventions (those of Direct3D 6):
//   - Pixel centres are at integer screen coordinates: pixel (x, y) is sampled
//     at (x, y). A pixel is covered when its centre is inside the triangle, or
//     on a top or left edge (top-left rule), so triangles sharing an edge never
//     leave gaps or draw a pixel twice.
//   - Texel centres are at (i + 0.5) / width in texture coordinates.
//   - D3DCULL_CW removes triangles whose vertices run clockwise on the screen
//     (y pointing down); D3DCULL_CCW (the default) removes counter-clockwise ones.
//   - Colours are 0xAARRGGBB; the alpha of the specular colour is the vertex fog
//     factor (255 = no fog).
//   - Flat shading takes diffuse and specular (with its fog alpha) from the
//     first vertex of each triangle; for fans that is the second vertex of the
//     triangle (vertex i + 1), as Direct3D does.
//
// Ownership: every pointer given to the Rasterizer (pixels, depth, textures,
// vertices) stays owned by the caller and must stay valid while the call that
// uses it runs; textures bound with RasterState::setTexture must stay valid
// until they are unbound or the next draw no longer uses them.
#pragma once

#include <d3dtypes.h>
#include <windef.h>

#include <array>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <vector>

namespace platform::d3d::raster {

// ---------------------------------------------------------------------------
// Memory formats

// Colour formats of render targets and textures. Channel layouts as in
// DirectDraw's masks, e.g. R5G6B5 = 0xF800 / 0x07E0 / 0x001F.
enum class PixelFormat : uint8_t {
    Unknown,
    R5G6B5,
    X1R5G5B5,
    A1R5G5B5,
    A4R4G4B4,
    X8R8G8B8,
    A8R8G8B8,
};

DWORD bytesPerPixel(PixelFormat format);
bool hasAlpha(PixelFormat format);
// Maps DirectDraw pixel format masks to a format; Unknown when not supported.
PixelFormat pixelFormatFromMasks(DWORD bitCount, DWORD redMask, DWORD greenMask, DWORD blueMask,
                                 DWORD alphaMask);
// Converts one 0xAARRGGBB colour to the raw pixel value of a format (as stored,
// in the low 16 bits for 16-bit formats) and back.
DWORD packColor(PixelFormat format, D3DCOLOR color);
D3DCOLOR unpackColor(PixelFormat format, DWORD raw);

// Depth buffer formats. D24X8 keeps the depth value in the low 24 bits of a
// 32-bit word (depth mask 0x00FFFFFF) and D15S1 in the low 15 bits of a
// 16-bit word; the bits above (stencil or unused) are left as they were.
enum class DepthFormat : uint8_t {
    None,
    D16,
    D15S1,
    D24X8,
    D32,
};

DWORD bytesPerDepth(DepthFormat format);
// Maps a DirectDraw z-buffer description; None when not supported.
DepthFormat depthFormatFromMask(DWORD bitDepth, DWORD zBitMask);
// The stored value of a depth z in 0..1 (clamped): z * (2^bits - 1), rounded.
DWORD quantizeDepth(DepthFormat format, float z);

// A colour surface to draw into: locked memory, pitch in bytes.
struct RenderTarget {
    BYTE* pixels = nullptr;
    LONG pitch = 0;
    DWORD width = 0;
    DWORD height = 0;
    PixelFormat format = PixelFormat::Unknown;
};

// A depth surface of the same size as the render target.
struct DepthBuffer {
    BYTE* data = nullptr;
    LONG pitch = 0;
    DWORD width = 0;
    DWORD height = 0;
    DepthFormat format = DepthFormat::None;
};

// Largest texture width or height the rasteriser samples; larger textures
// read as opaque white.
constexpr DWORD kMaxTextureSize = 16384;

// One mip level of a texture (level 0 is the largest).
struct TextureLevel {
    const BYTE* pixels = nullptr;
    LONG pitch = 0;
    DWORD width = 0;
    DWORD height = 0;
};

// A texture as the rasteriser sees it. Sizes need not be powers of two.
// colorKey is a raw pixel value in the texture's own format; texels whose
// colour bits (alpha and unused bits excluded) equal it are transparent when
// D3DRENDERSTATE_COLORKEYENABLE is on: the fragment is not written at all.
struct Texture {
    PixelFormat format = PixelFormat::Unknown;
    std::vector<TextureLevel> levels;
    bool colorKeyEnabled = false;
    DWORD colorKey = 0;
};

// ---------------------------------------------------------------------------
// Vertices

constexpr int kMaxTextureStages = 8;
constexpr int kMaxTexCoordSets = 8;

// A transformed vertex: screen x, y; z in 0..1; rhw = 1 / eye-space w.
struct Vertex {
    float x = 0, y = 0, z = 0, rhw = 1;
    D3DCOLOR diffuse = 0xffffffff;
    D3DCOLOR specular = 0xff000000;
    float tex[kMaxTexCoordSets][2] = {};
};

// Where the fields of strided vertex data are. Position is always x, y, z, rhw
// at offset 0 (D3DFVF_XYZRHW). Offsets of -1: the field is absent (diffuse
// then reads as opaque white, specular as black with fog factor 255, absent
// coordinate sets as 0).
struct VertexSource {
    const BYTE* data = nullptr;
    DWORD stride = 0;
    DWORD count = 0;  // vertices available at data
    LONG diffuseOffset = -1;
    LONG specularOffset = -1;
    LONG texOffset = -1;  // first (u, v) pair; pairs follow one another
    DWORD texCount = 0;

    // Describes D3DFVF_XYZRHW data of the given flexible vertex format. The
    // result is not valid() for formats the rasteriser cannot draw (no
    // XYZRHW, reserved bits, more than 8 coordinate sets).
    static VertexSource fromFVF(DWORD fvf, const void* data, DWORD count);
    static VertexSource fromVertices(const Vertex* vertices, DWORD count);
    bool valid() const { return data != nullptr && stride >= 16; }
};

// Size in bytes of one vertex of a flexible vertex format (any position type).
DWORD vertexSizeFromFVF(DWORD fvf);

// ---------------------------------------------------------------------------
// State

// Number of texture stage state slots stored per stage (0 .. D3DTSS_BUMPENVLOFFSET).
constexpr DWORD kStageStateCount = D3DTSS_BUMPENVLOFFSET + 1;

// Which distance table fog (D3DRENDERSTATE_FOGTABLEMODE) is computed from.
// Direct3D uses eye-space w when the projection gives a meaningful w (any
// perspective projection, _34 != 0) and the device reports D3DPRASTERCAPS_WFOG,
// otherwise z. The device knows the projection matrix; the rasteriser does not,
// so it is told. Fog start/end/density are then in the same units: eye-space
// distance for W, 0..1 depth for Z.
enum class FogSource : uint8_t { W, Z };

// Every render state by its D3DRENDERSTATETYPE number (0 .. D3DRENDERSTATE_WRAP7,
// slot 0 unused), every texture stage state of 8 stages, the texture bound per
// stage and the clip rectangle (the viewport). Starts with the Direct3D 6
// defaults. Each change bumps version(), which tells the Rasterizer to compile
// a new pipeline before the next draw.
class RasterState {
public:
    RasterState();

    // Stores the value. As IDirect3DDevice3 does, the legacy texture states
    // (TEXTUREMAG, TEXTUREMIN, TEXTUREADDRESS[U|V], BORDERCOLOR, MIPMAPLODBIAS,
    // TEXTUREMAPBLEND, WRAPU, WRAPV) also set the matching states of stage 0.
    // Returns false (and changes nothing) for a number above the last DX6 state.
    bool setRenderState(DWORD state, DWORD value);
    DWORD renderState(DWORD state) const;

    // Returns false for a stage >= 8 or a state type outside 1..23.
    bool setTextureStageState(DWORD stage, DWORD type, DWORD value);
    DWORD textureStageState(DWORD stage, DWORD type) const;

    // nullptr unbinds: the stage's D3DTA_TEXTURE then reads opaque white.
    bool setTexture(DWORD stage, const Texture* texture);
    const Texture* texture(DWORD stage) const;

    // Pixels outside the rectangle (left/top inclusive, right/bottom exclusive)
    // are never drawn. Defaults to "no limit" (the render target bounds).
    void setClipRect(const RECT& rect);
    const RECT& clipRect() const { return clip_; }

    void setFogSource(FogSource source);
    FogSource fogSource() const { return fogSource_; }

    // D3DTBLEND_MODULATE set stage 0's alpha, untouched since: its alpha is
    // the texture's when the bound texture has alpha, else the diffuse one.
    bool legacyModulate() const { return legacyModulate_; }

    // Call after changing the format or levels of a bound texture in place.
    void touch() { ++version_; }
    uint64_t version() const { return version_; }

    static bool isValidRenderState(DWORD state) { return state >= 1 && state < kRenderStates; }

    static constexpr DWORD kRenderStates = D3DRENDERSTATE_COUNT_DX6;

private:
    void mapLegacyState(DWORD state, DWORD value);
    void setStage(DWORD stage, DWORD type, DWORD value);

    std::array<DWORD, kRenderStates> render_{};
    std::array<std::array<DWORD, kStageStateCount>, kMaxTextureStages> stages_{};
    std::array<const Texture*, kMaxTextureStages> textures_{};
    RECT clip_{};
    FogSource fogSource_ = FogSource::W;
    bool legacyModulate_ = false;
    uint64_t version_ = 1;
};

// ---------------------------------------------------------------------------
// The rasteriser

enum class DrawStatus {
    Ok,
    NoRenderTarget,    // no target set, or its format is Unknown
    InvalidPrimitive,  // not a D3DPRIMITIVETYPE
    InvalidVertices,   // no data, or the range or an index lies past the vertices
};

// Counters since the Rasterizer was made or resetStats() was called.
struct RasterStats {
    uint64_t trianglesDrawn = 0;  // after culling, before coverage
    uint64_t trianglesCulled = 0;
    uint64_t pixelsShaded = 0;  // pixels that entered the fragment stages
};

struct Pipeline;
struct Fragments;
class DrawQueue;

// Threads that rasterise for a device: D3DDRIVER_RASTER_THREADS when it is a
// number from 1 to 64, otherwise (unset, or not such a number, which is
// reported once on the error stream) the number of cores.
int defaultRasterThreads();
// Tests and tools: a count that wins over the variable (0: back to it).
void setDefaultRasterThreads(int threads);

// Whether span loops that have a SIMD version use it (pipelines compiled from
// now on). Starts on unless D3DDRIVER_RASTER_SIMD=0; the scalar loops are the
// reference the SIMD ones equal bit for bit.
void setRasterSimd(bool on);

// Rasterises everything every Rasterizer has recorded. Safe from any thread.
void finishPendingDraws();

// Memory a reader or writer is about to touch: a surface's pixels.
struct MemoryRange {
    const BYTE* begin = nullptr;
    size_t bytes = 0;
};

// Rasterises what the Rasterizers that recorded work drawing into or reading
// from any of `ranges` have recorded; the others go on queueing. Safe from
// any thread.
void finishPendingDrawsUsing(std::initializer_list<MemoryRange> ranges);

class Rasterizer {
public:
    // threads <= 0: defaultRasterThreads().
    explicit Rasterizer(int threads = 1);
    ~Rasterizer();
    Rasterizer(const Rasterizer&) = delete;
    Rasterizer& operator=(const Rasterizer&) = delete;

    // Returns false (and draws nothing until a valid target is set) when the
    // memory, size, pitch or format is unusable.
    bool setRenderTarget(const RenderTarget& target);
    // nullptr: no depth buffer (depth test and write are off whatever ZENABLE
    // says). Returns false, leaving no depth buffer, when it is unusable.
    // Drawing is limited to the area both surfaces cover.
    bool setDepthBuffer(const DepthBuffer* depth);
    const RenderTarget& renderTarget() const { return target_; }

    RasterState& state() { return state_; }
    const RasterState& state() const { return state_; }

    // Draws count vertices of source from index first as the given primitive.
    DrawStatus draw(D3DPRIMITIVETYPE type, const VertexSource& source, DWORD first, DWORD count);
    // Draws with indices into source (each index must be below source.count).
    DrawStatus drawIndexed(D3DPRIMITIVETYPE type, const VertexSource& source, const WORD* indices,
                           DWORD indexCount);

    // Fills the rectangles (all of the target when rects is null or count 0)
    // with the colour (D3DCLEAR_TARGET) and/or depth z (D3DCLEAR_ZBUFFER).
    // Rectangles are clipped to the surfaces; the clip rectangle does not apply.
    void clear(DWORD flags, const D3DRECT* rects, DWORD count, D3DCOLOR color, float z);

    // Waits until every recorded draw and clear is in the surfaces.
    void finish();
    // The same, when recorded work draws into or reads one of the ranges.
    void finishIfUsing(std::initializer_list<MemoryRange> ranges);
    // 1 draws at once, inside draw(); more records and rasterises on as many
    // workers (the calling thread among them). Clamped to 1 .. 64.
    void setThreadCount(int threads);
    int threadCount() const { return threads_; }

    // With more than one thread, pixelsShaded counts the recorded draws once
    // finish() has run.
    const RasterStats& stats() const { return stats_; }
    void resetStats() { stats_ = RasterStats{}; }

private:
    const Pipeline& pipeline();
    template <class IndexFn>
    void assemble(D3DPRIMITIVETYPE type, const VertexSource& source, DWORD count, IndexFn index);
    void finishLocked();

    RenderTarget target_{};
    DepthBuffer depth_{};
    bool hasDepth_ = false;
    bool hasTarget_ = false;
    RasterState state_;
    std::unique_ptr<Pipeline> pipeline_;
    std::unique_ptr<Fragments> fragments_;
    RasterStats stats_;
    int threads_ = 1;
    std::unique_ptr<DrawQueue> queue_;  // null with one thread
    // Recording and finishing may come from different threads (a surface
    // lock on one while another draws).
    std::mutex mutex_;
};

}  // namespace platform::d3d::raster
