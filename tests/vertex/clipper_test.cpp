// Primitive assembly and clipping: what the rasteriser receives.
#include "d3d/vertex/clipper.h"

#include "vertex_test_util.h"

#include <d3d.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

namespace {

using namespace platform::d3d::vertex;
using namespace vertex_test;

// D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1: positions with a colour.
struct ColorVertex {
    float x, y, z;
    DWORD diffuse;
    float u, v;
};
constexpr DWORD kColorFvf = D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1;
// Screen form of it: D3DFVF_TLVERTEX.
constexpr DWORD kScreenFvf = D3DFVF_TLVERTEX;

struct Recorded {
    const BYTE* pointer;
    D3DTLVERTEX v;
};

class RecordingSink : public PrimitiveSink {
public:
    void triangle(const BYTE* a, const BYTE* b, const BYTE* c, const BYTE* flat) override {
        triangles.push_back({record(a), record(b), record(c)});
        flats.push_back(record(flat));
    }
    void line(const BYTE* a, const BYTE* b) override { lines.push_back({record(a), record(b)}); }
    void point(const BYTE* a) override { points.push_back(record(a)); }

    std::vector<std::vector<Recorded>> triangles;
    std::vector<Recorded> flats;  // the flat-shading vertex of each triangle
    std::vector<std::vector<Recorded>> lines;
    std::vector<Recorded> points;

private:
    static Recorded record(const BYTE* p) {
        Recorded r{p, {}};
        std::memcpy(&r.v, p, sizeof r.v);
        return r;
    }
};

class ClipperTest : public ::testing::Test {
protected:
    void SetUp() override {
        transform.setTransform(D3DTRANSFORMSTATE_PROJECTION, perspective(1.0f, 100.0f));
        transform.setViewport(viewport(0, 0, 200, 200));
    }

    // Processes `in` with D3DVOP_CLIP into screen vertices and clip codes.
    void process(const std::vector<ColorVertex>& in) {
        screen.assign(in.size(), D3DTLVERTEX{});
        codes.assign(in.size(), 0);
        ProcessRequest r;
        r.operations = D3DVOP_TRANSFORM | D3DVOP_CLIP;
        r.count = static_cast<DWORD>(in.size());
        ASSERT_EQ(processVertices(transform, lighting, r,
                                  {in.data(), kColorFvf, static_cast<DWORD>(in.size())},
                                  {screen.data(), kScreenFvf, r.count, codes.data()}),
                  D3D_OK);
    }

    ProcessedVertices processed() const {
        return {screen.data(), kScreenFvf, static_cast<DWORD>(screen.size()), codes.data()};
    }

    const BYTE* address(size_t i) const { return reinterpret_cast<const BYTE*>(&screen[i]); }

    TransformState transform;
    LightingState lighting;
    PrimitiveClipper clipper;
    RecordingSink sink;
    std::vector<D3DTLVERTEX> screen;
    std::vector<DWORD> codes;
};

// A triangle at camera z = 2 with its third corner in front of the near
// plane (z = 0.5): the near plane cuts the two edges to it at 2/3 of the
// way, at camera (-1/3, 0, 1) and (1/3, 0, 1).
std::vector<ColorVertex> crossingNearPlane() {
    return {{-1.0f, -1.0f, 2.0f, 0xFFFF0000u, 0.0f, 0.0f},
            {1.0f, -1.0f, 2.0f, 0xFFFF0000u, 1.0f, 0.0f},
            {0.0f, 0.5f, 0.5f, 0xFF0000FFu, 0.0f, 3.0f}};
}

void expectCrossingNearPlaneResult(const RecordingSink& sink) {
    ASSERT_EQ(sink.triangles.size(), 2u) << "a quadrilateral, drawn as two triangles";
    const auto& t0 = sink.triangles[0];
    const auto& t1 = sink.triangles[1];
    // Fan from the first corner: (v0, v1, cut on v1-v2), (v0, cut on v1-v2, cut on v2-v0).
    EXPECT_NEAR(t0[0].v.sx, 50.0f, 1e-3f);
    EXPECT_NEAR(t0[0].v.sy, 150.0f, 1e-3f);
    EXPECT_NEAR(t0[1].v.sx, 150.0f, 1e-3f);
    EXPECT_NEAR(t0[1].v.sy, 150.0f, 1e-3f);
    const D3DTLVERTEX& cut12 = t0[2].v;
    const D3DTLVERTEX& cut20 = t1[2].v;
    EXPECT_EQ(t1[1].pointer, t0[2].pointer);
    EXPECT_NEAR(cut12.sx, 100.0f + 100.0f / 3.0f, 1e-3f);
    EXPECT_NEAR(cut12.sy, 100.0f, 1e-3f);
    EXPECT_NEAR(cut20.sx, 100.0f - 100.0f / 3.0f, 1e-3f);
    EXPECT_NEAR(cut20.sy, 100.0f, 1e-3f);
    for (const D3DTLVERTEX* v : {&cut12, &cut20}) {
        EXPECT_NEAR(v->sz, 0.0f, 1e-5f) << "on the near plane";
        EXPECT_NEAR(v->rhw, 1.0f, 1e-5f);
        // Colour and texture coordinates 2/3 of the way from red to blue.
        EXPECT_NEAR(red(v->color), 85, 1);
        EXPECT_NEAR(blue(v->color), 170, 1);
        EXPECT_EQ(alpha(v->color), 255);
        EXPECT_NEAR(v->tv, 2.0f, 1e-4f);
    }
    EXPECT_NEAR(cut12.tu, 1.0f / 3.0f, 1e-4f);
    EXPECT_NEAR(cut20.tu, 0.0f, 1e-4f);
}

TEST_F(ClipperTest, TriangleInsideGoesOutUncopied) {
    process({{-1, -1, 5, 0, 0, 0}, {1, -1, 5, 0, 0, 0}, {0, 1, 5, 0, 0, 0}});
    ASSERT_EQ(clipper.draw(transform.screen(), D3DPT_TRIANGLELIST, processed(), 0, 3, 0, sink),
              D3D_OK);
    ASSERT_EQ(sink.triangles.size(), 1u);
    EXPECT_EQ(sink.triangles[0][0].pointer, address(0));
    EXPECT_EQ(sink.triangles[0][1].pointer, address(1));
    EXPECT_EQ(sink.triangles[0][2].pointer, address(2));
}

TEST_F(ClipperTest, TriangleOutsideOnePlaneIsDropped) {
    process({{20, 0, 5, 0, 0, 0},
             {30, 0, 5, 0, 0, 0},
             {25, 30, 5, 0, 0, 0},  // right
             {0, 0, 0.2f, 0, 0, 0},
             {1, 0, 0.5f, 0, 0, 0},
             {0, 1, -3, 0, 0, 0}});  // near
    ASSERT_EQ(clipper.draw(transform.screen(), D3DPT_TRIANGLELIST, processed(), 0, 6, 0, sink),
              D3D_OK);
    EXPECT_TRUE(sink.triangles.empty());
}

TEST_F(ClipperTest, TriangleCrossingTheNearPlaneLosesItsHiddenPart) {
    process(crossingNearPlane());
    EXPECT_EQ(codes[2], static_cast<DWORD>(D3DCLIP_FRONT));
    ASSERT_EQ(clipper.draw(transform.screen(), D3DPT_TRIANGLELIST, processed(), 0, 3, 0, sink),
              D3D_OK);
    expectCrossingNearPlaneResult(sink);
    EXPECT_EQ(sink.triangles[0][0].pointer, address(0)) << "unclipped corners are not copied";
}

TEST_F(ClipperTest, UntransformedVerticesAreClippedTheSameWay) {
    const std::vector<ColorVertex> in = crossingNearPlane();
    ASSERT_EQ(clipper.drawUntransformed(transform, lighting, D3DPT_TRIANGLELIST, kColorFvf,
                                        in.data(), 3, nullptr, 0, D3DDP_DONOTLIGHT, sink),
              D3D_OK);
    expectCrossingNearPlaneResult(sink);
}

TEST_F(ClipperTest, SidePlanesKeepTheDrawingInsideTheViewport) {
    // A large triangle poking out of three sides.
    process({{-30, -5, 10, 0, 0, 0}, {30, -5, 10, 0, 0, 0}, {0, 40, 10, 0, 0, 0}});
    ASSERT_EQ(clipper.draw(transform.screen(), D3DPT_TRIANGLELIST, processed(), 0, 3, 0, sink),
              D3D_OK);
    ASSERT_FALSE(sink.triangles.empty());
    size_t onTop = 0;
    for (const auto& t : sink.triangles) {
        for (const Recorded& r : t) {
            EXPECT_GE(r.v.sx, -1e-3f);
            EXPECT_LE(r.v.sx, 200.0f + 1e-3f);
            EXPECT_GE(r.v.sy, -1e-3f);
            EXPECT_LE(r.v.sy, 200.0f + 1e-3f);
            onTop += std::fabs(r.v.sy) < 1e-3f ? 1 : 0;
        }
    }
    EXPECT_GT(onTop, 0u) << "the top is cut along the viewport edge";
}

TEST_F(ClipperTest, SharedEdgeIsCutAtTheSamePointFromBothSides) {
    // Two triangles sharing the edge (1, 2) that crosses the near plane, one
    // walking it as 1 -> 2 and the other as 2 -> 1.
    process({{-1, -1, 2, 0, 0, 0},
             {0, -1, 3, 0, 0, 0},
             {0.3f, 0.7f, 0.25f, 0, 0, 0},
             {2, 1, 2, 0, 0, 0}});
    const WORD indices[] = {0, 1, 2, 2, 1, 3};
    ASSERT_EQ(clipper.drawIndexed(transform.screen(), D3DPT_TRIANGLELIST, processed(), indices, 6,
                                  0, sink),
              D3D_OK);
    std::vector<D3DTLVERTEX> generated;
    for (const auto& t : sink.triangles) {
        for (const Recorded& r : t) {
            const bool original = r.pointer >= address(0) && r.pointer <= address(3);
            if (!original && std::fabs(r.v.sz) < 1e-6f)
                generated.push_back(r.v);
        }
    }
    // The cut on the shared edge must be bit-identical in both triangles.
    bool matched = false;
    for (size_t i = 0; i < generated.size(); ++i) {
        for (size_t j = i + 1; j < generated.size(); ++j) {
            matched = matched ||
                      (generated[i].sx == generated[j].sx && generated[i].sy == generated[j].sy &&
                       std::fabs(generated[i].sx - 100.0f) > 1e-3f);
        }
    }
    EXPECT_TRUE(matched);
}

TEST_F(ClipperTest, StripAndFanWinding) {
    process({{0, 0, 5, 0, 0, 0}, {1, 0, 5, 0, 0, 0}, {0, 1, 5, 0, 0, 0}, {1, 1, 5, 0, 0, 0}});
    ASSERT_EQ(clipper.draw(transform.screen(), D3DPT_TRIANGLESTRIP, processed(), 0, 4, 0, sink),
              D3D_OK);
    ASSERT_EQ(sink.triangles.size(), 2u);
    EXPECT_EQ(sink.triangles[1][0].pointer, address(2));
    EXPECT_EQ(sink.triangles[1][1].pointer, address(1));
    EXPECT_EQ(sink.triangles[1][2].pointer, address(3));
    sink.triangles.clear();
    ASSERT_EQ(clipper.draw(transform.screen(), D3DPT_TRIANGLEFAN, processed(), 0, 4, 0, sink),
              D3D_OK);
    ASSERT_EQ(sink.triangles.size(), 2u);
    EXPECT_EQ(sink.triangles[1][0].pointer, address(0));
    EXPECT_EQ(sink.triangles[1][1].pointer, address(2));
    EXPECT_EQ(sink.triangles[1][2].pointer, address(3));
}

TEST_F(ClipperTest, FlatVertexIsFirstOfListAndStripAndSecondOfFanTriangles) {
    process({{0, 0, 5, 0, 0, 0}, {1, 0, 5, 0, 0, 0}, {0, 1, 5, 0, 0, 0}, {1, 1, 5, 0, 0, 0}});
    ASSERT_EQ(clipper.draw(transform.screen(), D3DPT_TRIANGLESTRIP, processed(), 0, 4, 0, sink),
              D3D_OK);
    ASSERT_EQ(sink.flats.size(), 2u);
    EXPECT_EQ(sink.flats[0].pointer, address(0));
    EXPECT_EQ(sink.flats[1].pointer, address(1));  // drawn as (v2, v1, v3)
    sink.flats.clear();
    ASSERT_EQ(clipper.draw(transform.screen(), D3DPT_TRIANGLEFAN, processed(), 0, 4, 0, sink),
              D3D_OK);
    ASSERT_EQ(sink.flats.size(), 2u);
    EXPECT_EQ(sink.flats[0].pointer, address(1));
    EXPECT_EQ(sink.flats[1].pointer, address(2));
}

TEST_F(ClipperTest, EveryPieceOfAClippedTriangleNamesTheSameFlatVertex) {
    process(crossingNearPlane());
    ASSERT_EQ(clipper.draw(transform.screen(), D3DPT_TRIANGLELIST, processed(), 0, 3, 0, sink),
              D3D_OK);
    ASSERT_EQ(sink.flats.size(), 2u);
    EXPECT_EQ(sink.flats[0].pointer, address(0));
    EXPECT_EQ(sink.flats[1].pointer, address(0));
}

TEST_F(ClipperTest, DoNotClipPassesEverythingThrough) {
    process({{20, 0, 5, 0, 0, 0}, {30, 0, 5, 0, 0, 0}, {25, 30, 5, 0, 0, 0}});
    ASSERT_EQ(clipper.draw(transform.screen(), D3DPT_TRIANGLELIST, processed(), 0, 3,
                           D3DDP_DONOTCLIP, sink),
              D3D_OK);
    ASSERT_EQ(sink.triangles.size(), 1u);
    EXPECT_EQ(sink.triangles[0][0].pointer, address(0));
}

TEST_F(ClipperTest, LinesAndPoints) {
    process({{0, 0, 5, 0xFF000000u, 0, 0}, {10, 0, 5, 0xFF0000FFu, 2, 0}, {0, 20, 5, 0, 0, 0}});
    ASSERT_EQ(clipper.draw(transform.screen(), D3DPT_LINELIST, processed(), 0, 2, 0, sink), D3D_OK);
    ASSERT_EQ(sink.lines.size(), 1u);
    EXPECT_EQ(sink.lines[0][0].pointer, address(0));
    const D3DTLVERTEX& end = sink.lines[0][1].v;
    EXPECT_NEAR(end.sx, 200.0f, 1e-3f);  // cut at x = w, half way
    EXPECT_NEAR(end.tu, 1.0f, 1e-4f);
    EXPECT_NEAR(blue(end.color), 128, 1);
    ASSERT_EQ(clipper.draw(transform.screen(), D3DPT_POINTLIST, processed(), 0, 3, 0, sink),
              D3D_OK);
    ASSERT_EQ(sink.points.size(), 1u) << "only the point inside";
    EXPECT_EQ(sink.points[0].pointer, address(0));
}

TEST_F(ClipperTest, NonFiniteVerticesAreNeverDrawn) {
    const float nan = std::nanf("");
    process({{nan, 0, 5, 0, 0, 0}, {1, 0, 5, 0, 0, 0}, {0, 1, 5, 0, 0, 0}, {0, 0, 5, 0, 0, 0}});
    EXPECT_EQ(codes[0], kClipPlaneBits);
    const WORD indices[] = {0, 1, 2, 1, 0, 3, 0, 1};
    ASSERT_EQ(clipper.drawIndexed(transform.screen(), D3DPT_TRIANGLELIST, processed(), indices, 6,
                                  0, sink),
              D3D_OK);
    EXPECT_TRUE(sink.triangles.empty());
    ASSERT_EQ(clipper.drawIndexed(transform.screen(), D3DPT_LINELIST, processed(), indices + 6, 2,
                                  0, sink),
              D3D_OK);
    EXPECT_TRUE(sink.lines.empty());
}

TEST_F(ClipperTest, RefusesBadDraws) {
    process({{0, 0, 5, 0, 0, 0}, {1, 0, 5, 0, 0, 0}, {0, 1, 5, 0, 0, 0}});
    const ScreenMapping& s = transform.screen();
    EXPECT_EQ(clipper.draw(s, static_cast<D3DPRIMITIVETYPE>(7), processed(), 0, 3, 0, sink),
              D3DERR_INVALIDPRIMITIVETYPE);
    EXPECT_EQ(clipper.draw(s, D3DPT_TRIANGLELIST, processed(), 1, 3, 0, sink), DDERR_INVALIDPARAMS);
    ProcessedVertices untransformed = processed();
    untransformed.fvf = kColorFvf;
    EXPECT_EQ(clipper.draw(s, D3DPT_TRIANGLELIST, untransformed, 0, 3, 0, sink),
              D3DERR_INVALIDVERTEXFORMAT);
    const WORD indices[] = {0, 1, 2, 0, 1, 3};
    EXPECT_EQ(clipper.drawIndexed(s, D3DPT_TRIANGLELIST, processed(), indices, 6, 0, sink),
              DDERR_INVALIDPARAMS);
    EXPECT_TRUE(sink.triangles.empty()) << "nothing drawn before the bad index was found";
    EXPECT_EQ(clipper.drawUntransformed(transform, lighting, D3DPT_TRIANGLELIST, 0x1000, nullptr, 0,
                                        nullptr, 0, 0, sink),
              D3DERR_INVALIDVERTEXFORMAT);
}

}  // namespace
