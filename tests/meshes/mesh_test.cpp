// The one-level render mesh inside real frames: culling by its box, the
// material set it uses, morphed data, picking, and how its translucent
// sets are drawn or deferred.
#include "meshes_fixture.h"

#include <cmath>
#include <tuple>

namespace {

// A recorder on the deferred lists: how many draws there had been when it was drawn.
template <typename Base>
class DrawCountProbe : public Base {
public:
    void render() override { drawsSeen = platform::testing::callCount(kDraw); }
    void transform() override {}
    static constexpr const char* kDraw = "IDirect3DDevice3::DrawPrimitiveVB";
    unsigned drawsSeen = 0;
};

IDirect3DVertexBuffer* lastDrawnBuffer() {
    const auto args = platform::testing::lastArguments("IDirect3DDevice3::DrawPrimitiveVB");
    return args.size() > 1 ? reinterpret_cast<IDirect3DVertexBuffer*>(args[1]) : nullptr;
}

// Only the upper left triangle of the quad: a strip of three vertices.
BaseKeyMesh& upperLeftTriangle(MeshBuilder& builder) {
    BaseKeyMesh& key = builder.finish();
    const_cast<MeshSet&>(key.getStrips()[0]).further.clear();
    key.finishTopology();
    return key;
}

}  // namespace

TEST_F(MeshesTest, TheModelBoxDecidesTheClipState) {
    MeshBuilder flat, deep;
    ScopedMesh square =
        makeMesh(flat.material(material(), 0).quad(0, 0.5f, -0.5f, -0.5f, 0.5f, 4).finish());
    // Another key, to see whether a culled mesh was morphed.
    KeyMesh moved = square->getBaseKeyMesh().getKeyMesh();
    // From just beyond the eye to far ahead.
    BaseKeyMesh& deepKey =
        deep.material(material(), 0).quad(0, 0.001f, -0.001f, -0.001f, 0.001f, 5).finish();
    deepKey.getKeyMesh().vertices[0].z = deepKey.getKeyMesh().vertices[1].z = 0.05f;
    deepKey.finishTopology();
    ScopedMesh crossing = makeMesh(deepKey);

    int right = -1, edge = -1, inside = -1, nearPlane = -1, behind = -1;
    const KeyMesh* keyAfterCull = nullptr;
    frame([&](D3DRenderView& rv) {
        // Entirely right of the view: min y' >= 1.
        right = morphToBase(*square, Vector(0, 4.5f / rv.getHorizontalFactor() + 0.5f, 0), &moved)
                    .clipResult;
        keyAfterCull = square->getCurrentKeyMesh();
        // The top edge exactly on the border: max x' == 1.
        float top = 4.0f / rv.getVerticalFactor();
        while (rv.getVerticalFactor() / 4.0f * top < 1.0f)
            top = std::nextafter(top, 10.0f);
        while (rv.getVerticalFactor() / 4.0f * top > 1.0f)
            top = std::nextafter(top, 0.0f);
        ASSERT_EQ(rv.getVerticalFactor() / 4.0f * top, 1.0f);
        edge = morphToBase(*square, Vector(top - 0.5f, 0, 0)).clipResult;
        inside = morphToBase(*square, Vector(std::nextafter(top, 0.0f) - 0.5f, 0, 0)).clipResult;
        nearPlane = morphToBase(*crossing).clipResult;
        behind = morphToBase(*square, Vector(0, 0, -10)).clipResult;
    });
    EXPECT_EQ(keyAfterCull, &square->getBaseKeyMesh().getKeyMesh()) << "a culled mesh was morphed";
    EXPECT_EQ(std::make_tuple(right, edge, inside, nearPlane, behind),
              std::make_tuple(0, 1, 2, 1, 0));
}

TEST_F(MeshesTest, IdlingFramesCullEveryMesh) {
    MeshBuilder builder;
    ScopedMesh mesh = makeMesh(builder.material(material(), 0).quad(0, 1, -1, -1, 1, 5).finish());
    theRenderDriver->enableIdlingMode();
    int idle = -1, busy = -1;
    frame([&](D3DRenderView&) { idle = morphToBase(*mesh).clipResult; });
    theRenderDriver->disableIdlingMode();
    frame([&](D3DRenderView&) { busy = morphToBase(*mesh).clipResult; });
    EXPECT_EQ(std::make_pair(idle, busy), std::make_pair(0, 2));
}

TEST_F(MeshesTest, TheMaterialSetIndexWrapsAround) {
    Material a, b, c;
    MeshBuilder builder;
    builder.quad(0, 1, -1, -1, 1, 5);
    builder.mesh.addMaterialSet({{0, &a}});
    builder.mesh.addMaterialSet({{0, &b}, {0, &c}});
    builder.mesh.finishTopology();
    const std::size_t before = theD3DRenderMaterialManager->getMaterialCount();
    {
        ScopedMesh mesh = makeMesh(builder.mesh, 5);
        EXPECT_EQ(mesh->getMaterialSet(), 1);
        ASSERT_EQ(mesh->getRenderMaterials().size(), 2u);
        EXPECT_EQ(mesh->getRenderMaterials()[1]->getSource(), &c);
        EXPECT_EQ(theD3DRenderMaterialManager->getMaterialCount(), before + 2);
    }
    EXPECT_EQ(theD3DRenderMaterialManager->getMaterialCount(), before);
}

TEST_F(MeshesTest, ATwoKeyMorphBlendsIntoTheMeshsOwnData) {
    MeshBuilder builder;
    ScopedMesh mesh = makeMesh(builder.material(material(), 0).quad(0, 1, -1, -1, 1, 5).finish());
    KeyMesh first = mesh->getBaseKeyMesh().getKeyMesh();
    KeyMesh second = first;
    for (int i = 0; i < 4; ++i) {
        first.textureVertices[i] = Vector2D(0, 0);
        second.textureVertices[i] = Vector2D(1, 2);
        second.vertices[i].z = 9;
    }
    first.updateBox();
    second.updateBox();

    mesh->morph(first, second, 0.25f, 0.75f,
                MorphingInformation::GEOMETRY | MorphingInformation::TEXTURE);
    const Vector2D* uv = mesh->getMorphedTextureVerticesConst();
    ASSERT_EQ(uv, mesh->getOwnKeyMesh().getTextureVertices());
    EXPECT_EQ(std::make_tuple(uv[2].u, uv[2].v, mesh->getMorphedVerticesConst()[0].z,
                              mesh->getModelBox().maximum.z),
              std::make_tuple(0.75f, 1.5f, 8.0f, 8.0f));

    // A single key becomes current as it is; asking to rewrite it copies it.
    mesh->morph(first, MorphingInformation::GEOMETRY);
    EXPECT_EQ(mesh->getMorphedVerticesConst(), first.getVertices());
    Vector* own = mesh->getMorphedVertices();
    EXPECT_EQ(own, mesh->getOwnKeyMesh().getVertices());
    EXPECT_EQ(own[0].z, 5.0f);
}

TEST_F(MeshesTest, PickLevelsTestTheBoxOrTheTriangle) {
    MeshBuilder builder;
    ScopedMesh mesh =
        makeMesh(upperLeftTriangle(builder.material(material(), 0).quad(0, 1, -1, -1, 1, 5)));
    // Over the triangle, over its box only, outside, over the triangle
    // nearer than 1000 and nearer than -1.
    float depth = 0;
    const auto picks = [&](int level, D3DRenderView& rv) {
        theDegradingManager->setIntersectionLevel(level);
        const auto hit = [&](float x, float y, float maxDepth, float* storeDepth = nullptr) {
            D3DOneLevelRenderMesh::IntersectionSettings s;
            s.storeDepth = storeDepth != nullptr;
            s.depth = storeDepth;
            s.depthTest = maxDepth != 0;
            s.maxDepth = maxDepth;
            // World (x up, y right) at depth 5 to clip units.
            s.pointerY = rv.getVerticalFactor() * x / 5;
            s.pointerX = rv.getHorizontalFactor() * y / 5;
            return mesh->findIntersection(s);
        };
        return std::vector<bool>{hit(0.5f, -0.5f, 0, &depth), hit(-0.5f, 0.5f, 0), hit(2, 2, 0),
                                 hit(0.5f, -0.5f, 1000), hit(0.5f, -0.5f, -1)};
    };
    std::vector<bool> box, triangle;
    frame([&](D3DRenderView& rv) {
        morphToBase(*mesh);
        TransformInformation transform;
        mesh->transform(&transform);
        box = picks(0, rv);
        EXPECT_NEAR(depth, 5.0f - camera.getNearDistance(), 1e-4f);
        triangle = picks(3, rv);
    });
    ASSERT_EQ(box.size(), 5u);
    EXPECT_EQ(std::vector<bool>(box.begin(), box.begin() + 3), (std::vector<bool>{1, 1, 0}));
    EXPECT_EQ(triangle, (std::vector<bool>{1, 0, 0, 1, 0}));
}

TEST_F(MeshesTest, TrianglePickReadsClippedVerticesToo) {
    // Far wider than the view, so its vertices are kept in clip form; the
    // triangle's diagonal runs through the centre.
    MeshBuilder builder;
    ScopedMesh mesh =
        makeMesh(upperLeftTriangle(builder.material(material(), 0).quad(0, 1, -40, -1, 40, 5)));
    theDegradingManager->setIntersectionLevel(3);
    bool above = false, below = true;
    int clip = -1;
    frame([&](D3DRenderView& rv) {
        clip = morphToBase(*mesh).clipResult;
        TransformInformation transform;
        mesh->transform(&transform);
        D3DOneLevelRenderMesh::IntersectionSettings s;
        s.pointerY = rv.getVerticalFactor() * 0.5f / 5;
        above = mesh->findIntersection(s);
        s.pointerY = -s.pointerY;
        below = mesh->findIntersection(s);
    });
    EXPECT_EQ(std::make_tuple(clip, above, below), std::make_tuple(1, true, false));
}

// Alpha flags on a mesh without alpha sets draw nothing more; alpha sets
// without the defer flag are drawn at once and not queued.
TEST_F(MeshesTest, AlphaSetsAreDrawnAtOnceWithoutTheDeferFlagAndNeverByAnOpaqueMesh) {
    MeshBuilder solidBuilder, clearBuilder;
    ScopedMesh solid =
        makeMesh(solidBuilder.material(material("white")).quad(0, 1, -1, -1, 1, 5).finish());
    clearBuilder.material(material("glass")).quad(0, 1, -1, 0, 1, 5).quad(0, 0, -1, -1, 1, 5);
    ScopedMesh clear = makeMesh(clearBuilder.finish());
    EXPECT_EQ(solid->getDeferredAlphaObject(), nullptr);
    unsigned start = 0, alphaOfSolid = 99, regularOfSolid = 0, alphaOfClear = 0;
    frame([&](D3DRenderView&) {
        start = draws();
        drawMesh(*solid, RenderInformation::ALPHA | RenderInformation::DEFER_ALPHA);
        alphaOfSolid = draws() - start;
        RenderInformation render;
        render.flags = RenderInformation::REGULAR;
        solid->render(&render);
        regularOfSolid = draws() - start;
        EXPECT_EQ(render.flags, 0u);
        drawMesh(*clear, RenderInformation::ALPHA);
        alphaOfClear = draws() - start - regularOfSolid;
    });
    EXPECT_EQ(std::make_tuple(alphaOfSolid, regularOfSolid, alphaOfClear),
              std::make_tuple(0u, 1u, 2u));
    EXPECT_EQ(draws() - start, 3u) << "something was deferred";
}

class DeferredOrderTest : public MeshesTest, public ::testing::WithParamInterface<bool> {};

TEST_P(DeferredOrderTest, AlphaObjectsFollowTheRenderListInDepthOrderWhenSorting) {
    MeshBuilder nearBuilder, farBuilder;
    ScopedMesh nearMesh =
        makeMesh(nearBuilder.material(material("glass")).quad(0, 1, -1, -1, 1, 4).finish());
    ScopedMesh farMesh =
        makeMesh(farBuilder.material(material("glass")).quad(0, 1, -1, -1, 1, 9).finish());
    DrawCountProbe<DeferredRenderObject> opaque;
    DrawCountProbe<DeferredAlphaObjectInterface> between;
    unsigned before = 0;
    g_sortAlpha = GetParam();
    frame([&](D3DRenderView& rv) {
        before = draws();
        drawMesh(*nearMesh, RenderInformation::ALPHA | RenderInformation::DEFER_ALPHA);
        drawMesh(*farMesh, RenderInformation::ALPHA | RenderInformation::DEFER_ALPHA);
        EXPECT_EQ(draws(), before);
        between.depth = rv.getZDepth(Vector(0, 0, 6));
        addToDeferredAlphaObjectsList(&between);
        addToDeferredRenderObjectsList(&opaque);
    });
    EXPECT_NEAR(nearMesh->getDeferredAlphaObject()->depth, 4.0f - camera.getNearDistance(), 1e-4f);
    EXPECT_EQ(opaque.drawsSeen, before);
    EXPECT_EQ(draws(), before + 2);
    // Sorted: the far mesh, the probe, the near mesh; else as queued.
    EXPECT_EQ(between.drawsSeen, before + (GetParam() ? 1 : 2));
    EXPECT_EQ(lastDrawnBuffer(),
              (GetParam() ? nearMesh : farMesh)->getVertexBuffer()->getDestination());
}

INSTANTIATE_TEST_SUITE_P(Sorting, DeferredOrderTest, ::testing::Values(true, false));

TEST_F(MeshesTest, DrawingATwoMaterialMeshAgainSendsFewDeviceCalls) {
    Material* second = material("green");
    second->setEmissive(Color(0.2f, 0.2f, 0.2f, 1));
    MeshBuilder builder;
    builder.material(material("red")).material(second);
    builder.quad(0, 1, -1, 0, 0, 5).quad(1, 1, 0, 0, 1, 5).quad(0, 0, -1, -1, 0, 5);
    ScopedMesh mesh = makeMesh(builder.quad(1, 0, 0, -1, 1, 5).finish());
    const char* const methods[] = {
        "IDirect3DDevice3::DrawPrimitiveVB", "IDirect3DDevice3::SetTexture",
        "IDirect3DDevice3::SetRenderState", "IDirect3DDevice3::SetTextureStageState"};
    unsigned counts[4] = {};
    frame([&](D3DRenderView&) {
        drawMesh(*mesh, RenderInformation::REGULAR);
        for (int i = 0; i < 4; ++i)
            counts[i] = calls(methods[i]);
        drawMesh(*mesh, RenderInformation::REGULAR);
        for (int i = 0; i < 4; ++i)
            counts[i] = calls(methods[i]) - counts[i];
    });
    EXPECT_EQ(counts[0], 4u);
    // One texture change per material, not per set.
    EXPECT_LE(counts[1], 2u);
    EXPECT_LE(counts[2], 4u);
    EXPECT_LE(counts[3], 2u);
}
