// The one-level render mesh inside real frames: culling by its box, the
// material set it uses, morphed data, picking, and how its translucent
// sets are drawn or deferred.
#include "meshes_fixture.h"

#include <cmath>

namespace {

// A recorder on the deferred lists: what had been drawn when it was drawn.
class DrawCountProbe : public DeferredAlphaObjectInterface {
public:
    void render() override { drawsSeen = platform::testing::callCount("IDirect3DDevice3::DrawPrimitiveVB"); }
    void transform() override {}
    unsigned drawsSeen = 0;
};

class RenderProbe : public DeferredRenderObject {
public:
    void render() override { drawsSeen = platform::testing::callCount("IDirect3DDevice3::DrawPrimitiveVB"); }
    void transform() override {}
    unsigned drawsSeen = 0;
};

IDirect3DVertexBuffer* lastDrawnBuffer() {
    const std::vector<ULONG_PTR> args = platform::testing::lastArguments("IDirect3DDevice3::DrawPrimitiveVB");
    return args.size() > 1 ? reinterpret_cast<IDirect3DVertexBuffer*>(args[1]) : nullptr;
}

}  // namespace

// ---------------------------------------------------------------------------
// Culling

TEST_F(MeshesTest, TheModelBoxDecidesTheClipState) {
    Material plain;
    MeshBuilder flat;
    flat.material(&plain, 0).quad(0, 0.5f, -0.5f, -0.5f, 0.5f, 4);
    ScopedMesh square(flat.finish());
    // Another key, to see whether a culled mesh was morphed.
    KeyMesh moved = square->getBaseKeyMesh().getKeyMesh();

    MeshBuilder deep;  // from just beyond the eye to far ahead
    deep.material(&plain, 0);
    BaseKeyMesh& deepKey = deep.quad(0, 0.001f, -0.001f, -0.001f, 0.001f, 5).finish();
    deepKey.getKeyMesh().vertices[0].z = 0.05f;
    deepKey.getKeyMesh().vertices[1].z = 0.05f;
    deepKey.finishTopology();
    ScopedMesh crossing(deepKey);

    int right = -1, edge = -1, inside = -1, nearPlane = -1, behind = -1;
    const KeyMesh* keyAfterCull = nullptr;
    frame([&](D3DRenderView& rv) {
        // Entirely right of the view: min y >= 1 (y' = y at depth 4 is 1 at y = 4 / factor).
        right = morphToBase(*square.get(), Vector(0, 4.5f / rv.getHorizontalFactor() + 0.5f, 0),
                            &moved).clipResult;
        keyAfterCull = square->getCurrentKeyMesh();

        // The top edge exactly on the border: max x' == 1.
        float top = 4.0f / rv.getVerticalFactor();
        while (rv.getVerticalFactor() / 4.0f * top < 1.0f)
            top = std::nextafter(top, 10.0f);
        while (rv.getVerticalFactor() / 4.0f * top > 1.0f)
            top = std::nextafter(top, 0.0f);
        ASSERT_EQ(rv.getVerticalFactor() / 4.0f * top, 1.0f);
        edge = morphToBase(*square.get(), Vector(top - 0.5f, 0, 0)).clipResult;
        inside = morphToBase(*square.get(), Vector(std::nextafter(top, 0.0f) - 0.5f, 0, 0))
                     .clipResult;

        nearPlane = morphToBase(*crossing.get()).clipResult;
        behind = morphToBase(*square.get(), Vector(0, 0, -10)).clipResult;
    });
    EXPECT_EQ(right, 0);
    EXPECT_EQ(keyAfterCull, &square->getBaseKeyMesh().getKeyMesh()) << "a culled mesh was morphed";
    EXPECT_EQ(edge, 1);
    EXPECT_EQ(inside, 2);
    EXPECT_EQ(nearPlane, 1);
    EXPECT_EQ(behind, 0);
}

TEST_F(MeshesTest, IdlingFramesCullEveryMesh) {
    Material plain;
    MeshBuilder builder;
    ScopedMesh mesh(builder.material(&plain, 0).quad(0, 1, -1, -1, 1, 5).finish());
    theRenderDriver->enableIdlingMode();
    int clip = -1;
    frame([&](D3DRenderView&) { clip = morphToBase(*mesh.get()).clipResult; });
    theRenderDriver->disableIdlingMode();
    EXPECT_EQ(clip, 0);
    frame([&](D3DRenderView&) { clip = morphToBase(*mesh.get()).clipResult; });
    EXPECT_EQ(clip, 2);
}

// ---------------------------------------------------------------------------
// Materials and morphed data

TEST_F(MeshesTest, TheMaterialSetIndexWrapsAround) {
    Material a, b, c;
    MeshBuilder builder;
    builder.quad(0, 1, -1, -1, 1, 5);
    builder.mesh.addMaterialSet({{0, &a}});
    builder.mesh.addMaterialSet({{0, &b}, {0, &c}});
    builder.mesh.finishTopology();
    const std::size_t before = theD3DRenderMaterialManager->getMaterialCount();
    {
        ScopedMesh mesh(builder.mesh, 5);
        EXPECT_EQ(mesh->getMaterialSet(), 1);
        ASSERT_EQ(mesh->getRenderMaterials().size(), 2u);
        EXPECT_EQ(mesh->getRenderMaterials()[1]->getSource(), &c);
        EXPECT_EQ(theD3DRenderMaterialManager->getMaterialCount(), before + 2);
    }
    EXPECT_EQ(theD3DRenderMaterialManager->getMaterialCount(), before);
}

TEST_F(MeshesTest, ATwoKeyMorphBlendsIntoTheMeshsOwnData) {
    Material plain;
    MeshBuilder builder;
    ScopedMesh mesh(builder.material(&plain, 0).quad(0, 1, -1, -1, 1, 5).finish());
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
    EXPECT_FLOAT_EQ(uv[2].u, 0.75f);
    EXPECT_FLOAT_EQ(uv[2].v, 1.5f);
    EXPECT_FLOAT_EQ(mesh->getMorphedVerticesConst()[0].z, 8.0f);
    EXPECT_FLOAT_EQ(mesh->getModelBox().maximum.z, 8.0f);

    // A single key becomes current as it is; asking to rewrite it copies it.
    mesh->morph(first, MorphingInformation::GEOMETRY);
    EXPECT_EQ(mesh->getMorphedVerticesConst(), first.getVertices());
    Vector* own = mesh->getMorphedVertices();
    EXPECT_EQ(own, mesh->getOwnKeyMesh().getVertices());
    EXPECT_FLOAT_EQ(own[0].z, 5.0f);
}

// ---------------------------------------------------------------------------
// Picking

TEST_F(MeshesTest, PickLevelsTestTheBoxOrTheTriangle) {
    Material plain;
    MeshBuilder builder;
    builder.material(&plain, 0).quad(0, 1, -1, -1, 1, 5);
    BaseKeyMesh& key = builder.finish();
    // Only the upper left triangle of the quad: a strip of three vertices.
    const_cast<MeshSet&>(key.getStrips()[0]).further.clear();
    key.finishTopology();
    ScopedMesh mesh(key);

    struct Pick {
        float a, b;  // vertical, horizontal in clip units
    };
    struct Results {
        bool overTriangle, overBoxOnly, outside, deep, tooDeep;
        float depth;
    };
    const auto pickAt = [&](int level, D3DRenderView& rv) {
        theDegradingManager->setIntersectionLevel(level);
        const auto hit = [&](Pick p, bool depthTest, float maxDepth, float* depth) {
            D3DOneLevelRenderMesh::IntersectionSettings s;
            s.storeDepth = depth != nullptr;
            s.depth = depth;
            s.depthTest = depthTest;
            s.maxDepth = maxDepth;
            s.pointerY = p.a;
            s.pointerX = p.b;
            return mesh->findIntersection(s);
        };
        // World (x up, y right) at depth 5 to clip units.
        const auto at = [&rv](float x, float y) {
            return Pick{rv.getVerticalFactor() * x / 5, rv.getHorizontalFactor() * y / 5};
        };
        Results r{};
        r.overTriangle = hit(at(0.5f, -0.5f), false, 0, &r.depth);
        r.overBoxOnly = hit(at(-0.5f, 0.5f), false, 0, nullptr);
        r.outside = hit(at(2, 2), false, 0, nullptr);
        r.deep = hit(at(0.5f, -0.5f), true, 1000, nullptr);
        r.tooDeep = hit(at(0.5f, -0.5f), true, -1, nullptr);
        return r;
    };
    Results box{}, triangle{};
    frame([&](D3DRenderView& rv) {
        morphToBase(*mesh.get());
        TransformInformation transform;
        mesh->transform(&transform);
        box = pickAt(0, rv);
        triangle = pickAt(3, rv);
    });
    EXPECT_TRUE(box.overTriangle);
    EXPECT_TRUE(box.overBoxOnly);
    EXPECT_FALSE(box.outside);
    EXPECT_NEAR(box.depth, 5.0f - camera.getNearDistance(), 1e-4f);

    EXPECT_TRUE(triangle.overTriangle);
    EXPECT_FALSE(triangle.overBoxOnly);
    EXPECT_FALSE(triangle.outside);
    EXPECT_TRUE(triangle.deep);
    EXPECT_FALSE(triangle.tooDeep);
}

TEST_F(MeshesTest, TrianglePickReadsClippedVerticesToo) {
    Material plain;
    MeshBuilder builder;
    // Far wider than the view, so its vertices are kept in clip form; only
    // the upper left triangle, whose diagonal runs through the centre.
    builder.material(&plain, 0).quad(0, 1, -40, -1, 40, 5);
    BaseKeyMesh& key = builder.finish();
    const_cast<MeshSet&>(key.getStrips()[0]).further.clear();
    key.finishTopology();
    ScopedMesh mesh(key);
    theDegradingManager->setIntersectionLevel(3);
    bool above = false, below = true;
    int clip = -1;
    frame([&](D3DRenderView& rv) {
        clip = morphToBase(*mesh.get()).clipResult;
        TransformInformation transform;
        mesh->transform(&transform);
        D3DOneLevelRenderMesh::IntersectionSettings s;
        s.pointerY = rv.getVerticalFactor() * 0.5f / 5;
        above = mesh->findIntersection(s);
        s.pointerY = -s.pointerY;
        below = mesh->findIntersection(s);
    });
    EXPECT_EQ(clip, 1);
    EXPECT_TRUE(above);
    EXPECT_FALSE(below);
}

// ---------------------------------------------------------------------------
// Drawing and deferring

TEST_F(MeshesTest, AlphaFlagsOnAMeshWithoutAlphaSetsDrawNothingMore) {
    Texture white = texture("white.tga");
    Material solid;
    solid.setTexture(1, &white);
    MeshBuilder builder;
    ScopedMesh mesh(builder.material(&solid).quad(0, 1, -1, -1, 1, 5).finish());
    EXPECT_EQ(mesh->getDeferredAlphaObject(), nullptr);
    unsigned alphaDraws = 99, regularDraws = 0, total = 0;
    frame([&](D3DRenderView&) {
        const unsigned start = calls("IDirect3DDevice3::DrawPrimitiveVB");
        drawMesh(*mesh.get(), RenderInformation::ALPHA | RenderInformation::DEFER_ALPHA);
        alphaDraws = calls("IDirect3DDevice3::DrawPrimitiveVB") - start;
        RenderInformation render;
        render.flags = RenderInformation::REGULAR;
        mesh->render(&render);
        regularDraws = calls("IDirect3DDevice3::DrawPrimitiveVB") - start;
        EXPECT_EQ(render.flags, 0u);
        total = start;
    });
    EXPECT_EQ(alphaDraws, 0u);
    EXPECT_EQ(regularDraws, 1u);
    EXPECT_EQ(calls("IDirect3DDevice3::DrawPrimitiveVB") - total, 1u) << "something was deferred";
}

TEST_F(MeshesTest, AlphaSetsWithoutTheDeferFlagAreDrawnAtOnce) {
    Texture glass = texture("glass.tga");
    Material clear;
    clear.setTexture(1, &glass);
    MeshBuilder builder;
    builder.material(&clear).quad(0, 1, -1, 0, 1, 5).quad(0, 0, -1, -1, 1, 5);
    ScopedMesh mesh(builder.finish());
    unsigned atOnce = 0, start = 0;
    frame([&](D3DRenderView&) {
        start = calls("IDirect3DDevice3::DrawPrimitiveVB");
        drawMesh(*mesh.get(), RenderInformation::ALPHA);
        atOnce = calls("IDirect3DDevice3::DrawPrimitiveVB") - start;
    });
    EXPECT_EQ(atOnce, 2u);
    EXPECT_EQ(calls("IDirect3DDevice3::DrawPrimitiveVB") - start, 2u) << "the sets were queued too";
}

class DeferredOrderTest : public MeshesTest,
                          public ::testing::WithParamInterface<bool> {};

TEST_P(DeferredOrderTest, AlphaObjectsFollowTheRenderListInDepthOrderWhenSorting) {
    const bool sorting = GetParam();
    Texture glass = texture("glass.tga");
    Material clear;
    clear.setTexture(1, &glass);
    MeshBuilder nearBuilder, farBuilder;
    ScopedMesh nearMesh(nearBuilder.material(&clear).quad(0, 1, -1, -1, 1, 4).finish());
    ScopedMesh farMesh(farBuilder.material(&clear).quad(0, 1, -1, -1, 1, 9).finish());
    RenderProbe opaque;
    DrawCountProbe between;
    unsigned before = 0;
    g_sortAlpha = sorting;
    frame([&](D3DRenderView& rv) {
        before = calls("IDirect3DDevice3::DrawPrimitiveVB");
        const unsigned flags = RenderInformation::ALPHA | RenderInformation::DEFER_ALPHA;
        drawMesh(*nearMesh.get(), flags);
        drawMesh(*farMesh.get(), flags);
        EXPECT_EQ(calls("IDirect3DDevice3::DrawPrimitiveVB"), before);
        between.depth = rv.getZDepth(Vector(0, 0, 6));
        addToDeferredAlphaObjectsList(&between);
        addToDeferredRenderObjectsList(&opaque);
    });
    EXPECT_NEAR(nearMesh->getDeferredAlphaObject()->depth, 4.0f - camera.getNearDistance(), 1e-4f);
    EXPECT_EQ(opaque.drawsSeen, before);
    EXPECT_EQ(calls("IDirect3DDevice3::DrawPrimitiveVB"), before + 2);
    if (sorting) {
        EXPECT_EQ(between.drawsSeen, before + 1);  // the far mesh only
        EXPECT_EQ(lastDrawnBuffer(), nearMesh.buffer().getDestination());
    } else {
        EXPECT_EQ(between.drawsSeen, before + 2);  // as queued
        EXPECT_EQ(lastDrawnBuffer(), farMesh.buffer().getDestination());
    }
}

INSTANTIATE_TEST_SUITE_P(Sorting, DeferredOrderTest, ::testing::Values(true, false));

TEST_F(MeshesTest, DrawingATwoMaterialMeshAgainSendsFewDeviceCalls) {
    Texture red = texture("red.tga"), green = texture("green.tga");
    Material first, second;
    first.setTexture(1, &red);
    second.setTexture(1, &green);
    second.setEmissive(Color(0.2f, 0.2f, 0.2f, 1));
    MeshBuilder builder;
    builder.material(&first).material(&second);
    builder.quad(0, 1, -1, 0, 0, 5).quad(1, 1, 0, 0, 1, 5).quad(0, 0, -1, -1, 0, 5)
        .quad(1, 0, 0, -1, 1, 5);
    ScopedMesh mesh(builder.finish());
    unsigned renderStates = 0, stageStates = 0, textures = 0, draws = 0;
    frame([&](D3DRenderView&) {
        const unsigned flags = RenderInformation::REGULAR;
        drawMesh(*mesh.get(), flags);
        const unsigned rs = calls("IDirect3DDevice3::SetRenderState");
        const unsigned ts = calls("IDirect3DDevice3::SetTextureStageState");
        const unsigned tx = calls("IDirect3DDevice3::SetTexture");
        const unsigned dr = calls("IDirect3DDevice3::DrawPrimitiveVB");
        drawMesh(*mesh.get(), flags);
        renderStates = calls("IDirect3DDevice3::SetRenderState") - rs;
        stageStates = calls("IDirect3DDevice3::SetTextureStageState") - ts;
        textures = calls("IDirect3DDevice3::SetTexture") - tx;
        draws = calls("IDirect3DDevice3::DrawPrimitiveVB") - dr;
    });
    EXPECT_EQ(draws, 4u);
    // One texture change per material, not per set.
    EXPECT_LE(textures, 2u);
    EXPECT_LE(renderStates, 4u);
    EXPECT_LE(stageStates, 2u);
}
