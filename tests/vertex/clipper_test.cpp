// Primitive assembly and clipping: what the rasteriser receives.
#include "d3d/vertex/clipper.h"

#include "vertex_test_util.h"

namespace {

using namespace vertex_test;

// D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1: positions with a colour; drawn
// from their screen form, D3DFVF_TLVERTEX.
struct ColorVertex {
    float x, y, z;
    DWORD diffuse;
    float u, v;
};
constexpr DWORD kColorFvf = D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1;

// A vertex handed to the sink: its address, which processed vertex that is
// (-1 for a new one) and a copy.
struct Recorded {
    const BYTE* pointer;
    int id;
    D3DTLVERTEX v;
};
using Primitive = std::vector<Recorded>;

class RecordingSink : public PrimitiveSink {
public:
    void triangle(const BYTE* a, const BYTE* b, const BYTE* c, const BYTE* flat) override {
        triangles.push_back({record(a), record(b), record(c)});
        flats.push_back(record(flat));
    }
    void line(const BYTE* a, const BYTE* b) override { lines.push_back({record(a), record(b)}); }
    void point(const BYTE* a) override { points.push_back(record(a)); }

    std::vector<Primitive> triangles, lines;
    Primitive flats;  // the flat-shading vertex of each triangle
    Primitive points;
    std::vector<D3DTLVERTEX>* processed = nullptr;

private:
    Recorded record(const BYTE* p) const {
        const auto* v = reinterpret_cast<const D3DTLVERTEX*>(p);
        const bool old = v >= processed->data() && v < processed->data() + processed->size();
        return {p, old ? static_cast<int>(v - processed->data()) : -1, *v};
    }
};

std::vector<int> ids(const Primitive& p) {
    std::vector<int> out;
    for (const Recorded& r : p)
        out.push_back(r.id);
    return out;
}

// Projection near 1, far 100 onto a 200 x 200 viewport.
class ClipperTest : public ::testing::Test {
protected:
    void SetUp() override {
        transform.setTransform(D3DTRANSFORMSTATE_PROJECTION, perspective(1.0f, 100.0f));
        transform.setViewport(viewport(0, 0, 200, 200));
    }

    // Processes `in` with D3DVOP_CLIP into screen vertices and clip codes.
    void process(const std::vector<ColorVertex>& in) {
        const DWORD n = static_cast<DWORD>(in.size());
        sink.processed = &screen;
        screen.assign(n, D3DTLVERTEX{});
        codes.assign(n, 0);
        ASSERT_EQ(processVertices(transform, lighting, {D3DVOP_TRANSFORM | D3DVOP_CLIP, 0, 0, 0, n},
                                  {in.data(), kColorFvf, n},
                                  {screen.data(), D3DFVF_TLVERTEX, n, codes.data()}),
                  D3D_OK);
    }

    ProcessedVertices processed() const {
        return {screen.data(), D3DFVF_TLVERTEX, static_cast<DWORD>(screen.size()), codes.data()};
    }

    HRESULT draw(D3DPRIMITIVETYPE type, DWORD start, DWORD count, DWORD flags = 0) {
        return clipper.draw(transform.screen(), type, processed(), start, count, flags, sink);
    }
    HRESULT drawIndexed(D3DPRIMITIVETYPE type, const std::vector<WORD>& indices) {
        return clipper.drawIndexed(transform.screen(), type, processed(), indices.data(),
                                   static_cast<DWORD>(indices.size()), 0, sink);
    }

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
const std::vector<ColorVertex> kCrossingNearPlane = {{-1, -1, 2, 0xFFFF0000u, 0, 0},
                                                     {1, -1, 2, 0xFFFF0000u, 1, 0},
                                                     {0, 0.5f, 0.5f, 0xFF0000FFu, 0, 3}};

void expectCrossingNearPlaneResult(const RecordingSink& sink) {
    ASSERT_EQ(sink.triangles.size(), 2u) << "a quadrilateral, drawn as two triangles";
    // Fan from the first corner: (v0, v1, cut on v1-v2), (v0, cut on v1-v2, cut on v2-v0).
    const Primitive &t0 = sink.triangles[0], &t1 = sink.triangles[1];
    EXPECT_EQ(t1[1].pointer, t0[2].pointer);
    const D3DTLVERTEX* got[4] = {&t0[0].v, &t0[1].v, &t0[2].v, &t1[2].v};
    // sx, sy, tu of the two corners and the two cuts.
    const float expected[4][3] = {
        {50, 150, 0}, {150, 150, 1}, {100 + 100 / 3.0f, 100, 1 / 3.0f}, {100 - 100 / 3.0f, 100, 0}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_NEAR(got[i]->sx, expected[i][0], 1e-3f) << i;
        EXPECT_NEAR(got[i]->sy, expected[i][1], 1e-3f) << i;
        EXPECT_NEAR(got[i]->tu, expected[i][2], 1e-4f) << i;
    }
    // The cuts lie on the near plane, colour and tv 2/3 of the way from v0 or v1 to v2.
    for (const D3DTLVERTEX* v : {got[2], got[3]}) {
        EXPECT_NEAR(v->sz, 0.0f, 1e-5f);
        EXPECT_NEAR(v->rhw, 1.0f, 1e-5f);
        EXPECT_NEAR(ch(v->color, 0), 85, 1);
        EXPECT_NEAR(ch(v->color, 2), 170, 1);
        EXPECT_EQ(ch(v->color, 3), 255);
        EXPECT_NEAR(v->tv, 2.0f, 1e-4f);
    }
}

TEST_F(ClipperTest, InsideGoesOutUncopiedOutsideIsDroppedUnlessNotClipping) {
    // Inside, right of the view volume, in front of the near plane.
    const std::vector<ColorVertex> v = {
        {-1, -1, 5, 0, 0, 0},  {1, -1, 5, 0, 0, 0},   {0, 1, 5, 0, 0, 0},
        {20, 0, 5, 0, 0, 0},   {30, 0, 5, 0, 0, 0},   {25, 30, 5, 0, 0, 0},
        {0, 0, 0.2f, 0, 0, 0}, {1, 0, 0.5f, 0, 0, 0}, {0, 1, -3, 0, 0, 0},
    };
    process(v);
    ASSERT_EQ(draw(D3DPT_TRIANGLELIST, 0, 9), D3D_OK);
    ASSERT_EQ(sink.triangles.size(), 1u);
    EXPECT_EQ(ids(sink.triangles[0]), (std::vector<int>{0, 1, 2}));
    ASSERT_EQ(draw(D3DPT_TRIANGLELIST, 3, 3, D3DDP_DONOTCLIP), D3D_OK);
    ASSERT_EQ(sink.triangles.size(), 2u);
    EXPECT_EQ(ids(sink.triangles[1]), (std::vector<int>{3, 4, 5}));
}

// Kept from the flat-shading fix: every piece of a clipped triangle names
// the same flat vertex, the unclipped first one. Untransformed vertices are
// clipped the same way.
TEST_F(ClipperTest, TriangleCrossingTheNearPlaneLosesItsHiddenPart) {
    process(kCrossingNearPlane);
    ASSERT_EQ(draw(D3DPT_TRIANGLELIST, 0, 3), D3D_OK);
    expectCrossingNearPlaneResult(sink);
    EXPECT_EQ(ids(sink.triangles[0])[0], 0) << "unclipped corners are not copied";
    EXPECT_EQ(ids(sink.flats), (std::vector<int>{0, 0}));
    sink.triangles.clear();
    ASSERT_EQ(
        clipper.drawUntransformed(transform, lighting, D3DPT_TRIANGLELIST, kColorFvf,
                                  kCrossingNearPlane.data(), 3, nullptr, 0, D3DDP_DONOTLIGHT, sink),
        D3D_OK);
    expectCrossingNearPlaneResult(sink);
}

TEST_F(ClipperTest, SidePlanesKeepTheDrawingInsideTheViewport) {
    // A large triangle poking out of three sides.
    process({{-30, -5, 10, 0, 0, 0}, {30, -5, 10, 0, 0, 0}, {0, 40, 10, 0, 0, 0}});
    ASSERT_EQ(draw(D3DPT_TRIANGLELIST, 0, 3), D3D_OK);
    size_t onTop = 0;
    for (const Primitive& t : sink.triangles) {
        for (const Recorded& r : t) {
            EXPECT_TRUE(std::fabs(r.v.sx - 100) <= 100.001f && std::fabs(r.v.sy - 100) <= 100.001f)
                << r.v.sx << "," << r.v.sy;
            onTop += std::fabs(r.v.sy) < 1e-3f ? 1 : 0;
        }
    }
    EXPECT_GT(onTop, 0u) << "the top is cut along the viewport edge";
}

// Two triangles share the edge (1, 2) that crosses the near plane, one
// walking it as 1 -> 2 and the other as 2 -> 1: the cut on it must be
// bit-identical in both, and their only common cut.
TEST_F(ClipperTest, SharedEdgeIsCutAtTheSamePointFromBothSides) {
    const std::vector<ColorVertex> v = {
        {-1, -1, 2, 0, 0, 0},
        {0, -1, 3, 0, 0, 0},
        {0.3f, 0.7f, 0.25f, 0, 0, 0},
        {2, 1, 2, 0, 0, 0},
    };
    process(v);
    const std::vector<WORD> triangles[2] = {{0, 1, 2}, {2, 1, 3}};
    std::set<std::pair<float, float>> cuts[2];  // the new vertices on the near plane
    for (int k = 0; k < 2; ++k) {
        sink.triangles.clear();
        ASSERT_EQ(drawIndexed(D3DPT_TRIANGLELIST, triangles[k]), D3D_OK);
        for (const Primitive& t : sink.triangles) {
            for (const Recorded& r : t) {
                if (std::fabs(r.v.sz) < 1e-6f)
                    cuts[k].insert({r.v.sx, r.v.sy});
            }
        }
    }
    ASSERT_EQ(cuts[0].size(), 2u);
    ASSERT_EQ(cuts[1].size(), 2u);
    size_t common = 0;
    for (const auto& cut : cuts[0])
        common += cuts[1].count(cut);
    EXPECT_EQ(common, 1u);
}

// Kept from the flat-shading fix: the flat vertex is the first of list and
// strip triangles in drawing order and the second of fan triangles; odd
// strip triangles come out as (v2, v1, v3).
TEST_F(ClipperTest, StripAndFanWindingAndFlatVertex) {
    process({{0, 0, 5, 0, 0, 0}, {1, 0, 5, 0, 0, 0}, {0, 1, 5, 0, 0, 0}, {1, 1, 5, 0, 0, 0}});
    ASSERT_EQ(draw(D3DPT_TRIANGLESTRIP, 0, 4), D3D_OK);
    ASSERT_EQ(draw(D3DPT_TRIANGLEFAN, 0, 4), D3D_OK);
    std::vector<std::vector<int>> got;
    for (const Primitive& t : sink.triangles)
        got.push_back(ids(t));
    EXPECT_EQ(got, (std::vector<std::vector<int>>{{0, 1, 2}, {2, 1, 3}, {0, 1, 2}, {0, 2, 3}}));
    EXPECT_EQ(ids(sink.flats), (std::vector<int>{0, 1, 1, 2}));
}

TEST_F(ClipperTest, LinesAndPoints) {
    process({{0, 0, 5, 0xFF000000u, 0, 0}, {10, 0, 5, 0xFF0000FFu, 2, 0}, {0, 20, 5, 0, 0, 0}});
    ASSERT_EQ(draw(D3DPT_LINELIST, 0, 2), D3D_OK);
    ASSERT_EQ(sink.lines.size(), 1u);
    EXPECT_EQ(ids(sink.lines[0])[0], 0);
    const D3DTLVERTEX& end = sink.lines[0][1].v;
    EXPECT_NEAR(end.sx, 200.0f, 1e-3f);  // cut at x = w, half way
    EXPECT_NEAR(end.tu, 1.0f, 1e-4f);
    EXPECT_NEAR(ch(end.color, 2), 128, 1);
    ASSERT_EQ(draw(D3DPT_POINTLIST, 0, 3), D3D_OK);
    EXPECT_EQ(ids(sink.points), (std::vector<int>{0})) << "only the point inside";
}

// Kept from the fix that made non-finite vertices count as outside every plane.
TEST_F(ClipperTest, NonFiniteVerticesAreNeverDrawn) {
    const float nan = std::nanf("");
    process({{nan, 0, 5, 0, 0, 0}, {1, 0, 5, 0, 0, 0}, {0, 1, 5, 0, 0, 0}, {0, 0, 5, 0, 0, 0}});
    EXPECT_EQ(codes[0], kClipPlaneBits);
    ASSERT_EQ(drawIndexed(D3DPT_TRIANGLELIST, {0, 1, 2, 1, 0, 3}), D3D_OK);
    EXPECT_TRUE(sink.triangles.empty());
    ASSERT_EQ(drawIndexed(D3DPT_LINELIST, {0, 1}), D3D_OK);
    EXPECT_TRUE(sink.lines.empty());
}

TEST_F(ClipperTest, RefusesBadDraws) {
    process({{0, 0, 5, 0, 0, 0}, {1, 0, 5, 0, 0, 0}, {0, 1, 5, 0, 0, 0}});
    EXPECT_EQ(draw(static_cast<D3DPRIMITIVETYPE>(7), 0, 3), D3DERR_INVALIDPRIMITIVETYPE);
    EXPECT_EQ(draw(D3DPT_TRIANGLELIST, 1, 3), DDERR_INVALIDPARAMS);
    ProcessedVertices untransformed = processed();
    untransformed.fvf = kColorFvf;
    EXPECT_EQ(clipper.draw(transform.screen(), D3DPT_TRIANGLELIST, untransformed, 0, 3, 0, sink),
              D3DERR_INVALIDVERTEXFORMAT);
    EXPECT_EQ(drawIndexed(D3DPT_TRIANGLELIST, {0, 1, 2, 0, 1, 3}), DDERR_INVALIDPARAMS);
    EXPECT_TRUE(sink.triangles.empty()) << "nothing drawn before the bad index was found";
    EXPECT_EQ(clipper.drawUntransformed(transform, lighting, D3DPT_TRIANGLELIST, 0x1000, nullptr, 0,
                                        nullptr, 0, 0, sink),
              D3DERR_INVALIDVERTEXFORMAT);
}

}  // namespace
