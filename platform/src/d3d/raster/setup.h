// Primitive setup: fixed-point edge equations of triangles (24.8, exact
// integer arithmetic) and the attribute planes of triangles, lines and points.
#pragma once

#include "fragment.h"

namespace platform::d3d::raster {

constexpr int kSubPixelBits = 8;
constexpr int64_t kSubPixel = int64_t{1} << kSubPixelBits;
// Vertices farther than this from the origin are not drawn (no 2D clipping).
constexpr float kGuardBand = 262144.0f;

// E(X, Y) = A X + B Y + C over 24.8 coordinates; inside is E > 0, or E == 0
// on a top or left edge.
struct Edges {
    int64_t a[3], b[3], c[3];
    bool topLeft[3];
    int yMin, yMax;  // pixel rows that may be covered
    int xMin, xMax;  // pixel columns that may be covered
};

enum class SetupResult { Draw, Culled, Empty };

// The Setup::attr planes setup fills for the pipeline (the only ones the
// stages read), as indices into out[kAttrCount]; returns how many.
int attributesUsed(const Pipeline& p, uint8_t* out);

// Reads vertex `index` of the source as the pipeline needs it.
void fetchVertex(const Pipeline& p, const VertexSource& src, DWORD index, SetupVertex& out);

// Builds edges and planes of triangle (v0, v1, v2), after culling by screen
// winding. `provoking` gives the colours under flat shading.
SetupResult setupTriangle(const Pipeline& p, const SetupVertex& v0, const SetupVertex& v1,
                          const SetupVertex& v2, const SetupVertex& provoking, Setup& s, Edges& e);

// Planes of a line (values change along the line only) and of a point.
bool setupLine(const Pipeline& p, const SetupVertex& v0, const SetupVertex& v1,
               const SetupVertex& provoking, Setup& s);
void setupPoint(const Pipeline& p, const SetupVertex& v, Setup& s);

// clear.cpp: fills a rectangle (already inside the surface).
void fillColor(const RenderTarget& t, const RECT& r, D3DCOLOR color);
void fillDepth(const DepthBuffer& d, const RECT& r, float z);

// raster.cpp: walks the covered pixels inside `bounds` (the pipeline's clip
// rectangle, or the part of it in one band of rows) and runs the pipeline on them.
void rasterTriangle(const Pipeline& p, const Setup& s, const Edges& e, const RECT& bounds,
                    Fragments& f, RasterStats& stats);
void rasterLine(const Pipeline& p, const SetupVertex& v0, const SetupVertex& v1, const Setup& s,
                bool lastPixel, const RECT& bounds, Fragments& f, RasterStats& stats);
void rasterPoint(const Pipeline& p, const SetupVertex& v, const Setup& s, const RECT& bounds,
                 Fragments& f, RasterStats& stats);

}  // namespace platform::d3d::raster
