// The one-level render mesh and its marked vertex buffer inside real frames:
// the layout of the sets, the reverse index, the lost-device cycle, culling
// by its box, the material set, morphed data, picking, and how its
// translucent sets are drawn or deferred.
#include "../support/mesh_scene.h"
#include "states.h"

#include <engine/core/degrading_manager.h>

#include <cmath>

namespace {

struct RecordingListener : MarkedVertexBufferListener {
    void turnToValid() override { trace += 'V'; }
    void turnToInvalid() override { trace += 'I'; }
    std::string trace;
};

Vector sourcePosition(MarkedVertexBuffer& buffer, int vertex) {
    Vector position(-99, -99, -99);
    if (const unsigned char* data = buffer.lockSourceBuffer(0))
        std::memcpy(&position, data + vertex * buffer.getSourceVertexSize(), sizeof position);
    buffer.unlockSourceBuffer();
    return position;
}

// A recorder on the deferred lists: how many draws there had been when it was drawn.
template <typename Base>
struct DrawCountProbe : Base {
    void render() override { drawsSeen = draws(); }
    void transform() override {}
    unsigned drawsSeen = 0;
};

}  // namespace

// Colour-keyed sets first, then by material: equal materials side by side
// in one batch, which runs on into the translucent sets after them. For each
// source element, the buffer vertices that copy it.
TEST_F(MeshesTest, SetsAreLaidOutByKindAndMaterialAndIndexedBySourceElement) {
    Material *red = material(), *keyed = material("keyed");
    red->setFlags(Material::USE_COLOR);
    red->setColor(Color(1, 0, 0, 1));
    keyed->setEmissive(Color(0.5f, 0.5f, 0.5f, 1));
    MeshBuilder& b = build();
    b.material(red, 0).material(material("white")).material(material("white")).material(keyed);
    b.material(material("glass")).quad(1, 1, -1, 0, 0, 5).quad(0, 1, 0, 0, 1, 5);
    b.quad(3, 0, -1, -1, 0, 5, {0, 0, -1}, true).quad(2, 0, 0, -1, 1, 5);
    BaseKeyMesh& key = b.quad(4, 2, -1, 1, 0, 5).quad(4, 2, 0, 1, 1, 5).finish();
    // Geometry vertex 1 is shared with the fourth quad; 12 and 24 are used by none.
    const_cast<MeshSet&>(key.getStrips()[2]).first[0].geometry = 1;
    // Indices outside their lists (bad data) are left out of the reverse index.
    const_cast<MeshSet&>(key.getStrips()[0]).first[1].normal = -1;
    const_cast<MeshSet&>(key.getStrips()[0]).first[2].texture = 24;
    key.getKeyMesh().vertices.push_back(Vector(9, 9, 9));
    key.finishTopology();
    ScopedMesh mesh = makeMesh(key);
    MarkedVertexBuffer& buffer = *mesh->getVertexBuffer();

    const auto &regular = buffer.getRegularSetIndices(), &alpha = buffer.getAlphaSetIndices();
    ASSERT_EQ(std::make_pair(regular.size(), alpha.size()), std::make_pair(4ul, 2ul));
    EXPECT_EQ(std::make_tuple(regular[0].material, regular[0].kind, regular[0].primitiveType,
                              regular[1].material, regular[2].material + regular[3].material,
                              alpha[0].kind, alpha[1].material),
              std::make_tuple(3, int(MarkedVertexBuffer::KIND_COLORKEY), int(D3DPT_TRIANGLEFAN), 0,
                              3, int(MarkedVertexBuffer::KIND_TRANSLUCENT), 4));
    for (int i = 0; i < 6; ++i) {
        const auto& set = i < 4 ? regular[i] : alpha[i - 4];
        EXPECT_EQ(std::make_pair(set.firstVertex, buffer.getSetIndices()[i].setIndex),
                  std::make_pair(4 * i, set.setIndex));
    }
    EXPECT_TRUE(buffer.equalMaterials(1, 2) && buffer.equalMaterials(1, 4));
    EXPECT_FALSE(buffer.equalMaterials(0, 1) || buffer.equalMaterials(1, 3));
    std::vector<std::array<int, 3>> batches;
    for (const auto& batch : buffer.getMaterialBatches())
        batches.push_back({batch.material, batch.firstVertex, batch.vertexCount});
    EXPECT_EQ(batches, (std::vector<std::array<int, 3>>{
                           {3, 0, 4}, {0, 4, 4}, {regular[2].material, 8, 16}}));

    VertexBufferEntries entries;
    buffer.createEntries(&entries);
    const auto& geometry = entries.geometry;
    ASSERT_EQ(geometry.count.size(), 25u);
    EXPECT_EQ(std::make_tuple(geometry.count[1], geometry.count[12], geometry.count[24],
                              geometry.list.size(), entries.normals.list.size(),
                              entries.textures.list.size()),
              std::make_tuple(2, 0, 0, 24u, 23u, 19u));
    for (int element = 0; element < 25; ++element)
        for (int k = 0; k < geometry.count[element]; ++k)
            EXPECT_EQ(sourcePosition(buffer, geometry.list[geometry.start[element] + k]),
                      key.getKeyMesh().vertices[element])
                << element;
    // The untextured quad's texture vertices (4 .. 7) are never listed, nor
    // the one replaced by 24.
    std::vector<std::int16_t> textured(24, 1);
    std::fill(textured.begin() + 4, textured.begin() + 8, 0);
    textured[2] = 0;
    EXPECT_EQ(entries.textures.count, textured);
}

// Vertex sizes follow the format bits (0x3C4: three texture coordinate pairs).
TEST_F(MeshesTest, ListenersHearOfEveryFailureAndEveryRebuild) {
    ScopedMesh mesh = makeMesh(build().material(material(), 0).quad(0, 1, -1, -1, 1, 5).finish());
    MarkedVertexBuffer& buffer = *mesh->getVertexBuffer();
    ASSERT_TRUE(buffer.isValid());
    RecordingListener first, second;
    buffer.addListener(&first);
    buffer.addListener(&second);
    const char* const process = "IDirect3DVertexBuffer::ProcessVertices";
    platform::testing::failNextCall(process, DDERR_SURFACELOST);
    buffer.transform();
    EXPECT_FALSE(buffer.isValid());
    // Invalid: nothing is processed, drawn or locked, and nothing more is told.
    const char* const draw = "IDirect3DDevice3::DrawPrimitiveVB";
    const unsigned processed = platform::testing::callCount(process),
                   drawn = platform::testing::callCount(draw);
    buffer.transform();
    buffer.renderRegularSet();
    EXPECT_EQ(
        std::make_tuple(platform::testing::callCount(process), platform::testing::callCount(draw),
                        buffer.lockDestinationBuffer(0), first.trace),
        std::make_tuple(processed, drawn, nullptr, "I"));

    // A rebuild that fails is still reported, and the next one succeeds.
    platform::testing::failNextCall("IDirect3D3::CreateVertexBuffer", DDERR_OUTOFMEMORY);
    buffer.validate();
    EXPECT_FALSE(buffer.isValid());
    buffer.validate();
    EXPECT_TRUE(buffer.isValid());
    EXPECT_EQ(first.trace + second.trace, "IVVIVV");
    EXPECT_EQ(sourcePosition(buffer, 3), Vector(-1, 1, 5));  // refilled
    KeyMesh raised = mesh->getBaseKeyMesh().getKeyMesh();
    raised.vertices[3].z = 6;
    buffer.update(raised, MorphingInformation::GEOMETRY | MorphingInformation::NORMALS);
    EXPECT_EQ(sourcePosition(buffer, 3), Vector(-1, 1, 6));

    buffer.removeListener(&first);
    platform::testing::failNextCall("IDirect3DVertexBuffer::Lock", DDERR_SURFACELOST);
    buffer.update(mesh->getBaseKeyMesh().getKeyMesh(), 0x1);
    buffer.recreate(0x112, 0x1C4);
    EXPECT_EQ(std::make_tuple(
                  buffer.isValid(), buffer.getSourceVertexSize(), buffer.getDestinationVertexSize(),
                  MarkedVertexBuffer::getVertexSize(0x3C4), first.trace + "/" + second.trace),
              std::make_tuple(true, 32, 32, 48, std::string("IVV/IVVIIV")));
}

// Culled: right of the view (and then not morphed), behind the eye, in
// idling frames; partly inside: on the border or through the near plane.
TEST_F(MeshesTest, TheModelBoxDecidesTheClipState) {
    ScopedMesh square =
        makeMesh(build().material(material(), 0).quad(0, 0.5f, -0.5f, -0.5f, 0.5f, 4).finish());
    KeyMesh moved = square->getBaseKeyMesh().getKeyMesh();
    BaseKeyMesh& deepKey =
        build().material(material(), 0).quad(0, 0.001f, -0.001f, -0.001f, 0.001f, 5).finish();
    deepKey.getKeyMesh().vertices[0].z = deepKey.getKeyMesh().vertices[1].z = 0.05f;
    deepKey.finishTopology();
    ScopedMesh crossing = makeMesh(deepKey);

    std::vector<int> clip;
    const KeyMesh* keyAfterCull = nullptr;
    frame([&](D3DRenderView& rv) {
        const float right = 4.5f / rv.getHorizontalFactor() + 0.5f;
        clip.push_back(morphToBase(*square, Vector(0, right, 0), &moved).clipResult);
        keyAfterCull = square->getCurrentKeyMesh();
        // The top edge exactly on the border: max x' == 1.
        float top = 4.0f / rv.getVerticalFactor();
        while (rv.getVerticalFactor() / 4.0f * top < 1.0f)
            top = std::nextafter(top, 10.0f);
        while (rv.getVerticalFactor() / 4.0f * top > 1.0f)
            top = std::nextafter(top, 0.0f);
        ASSERT_EQ(rv.getVerticalFactor() / 4.0f * top, 1.0f);
        clip.push_back(morphToBase(*square, Vector(top - 0.5f, 0, 0)).clipResult);
        clip.push_back(
            morphToBase(*square, Vector(std::nextafter(top, 0.0f) - 0.5f, 0, 0)).clipResult);
        clip.push_back(morphToBase(*crossing).clipResult);
        clip.push_back(morphToBase(*square, Vector(0, 0, -10)).clipResult);
    });
    for (bool idling : {true, false}) {
        idling ? theRenderDriver->enableIdlingMode() : theRenderDriver->disableIdlingMode();
        frame([&](D3DRenderView&) { clip.push_back(morphToBase(*square).clipResult); });
    }
    EXPECT_EQ(keyAfterCull, &square->getBaseKeyMesh().getKeyMesh()) << "a culled mesh was morphed";
    // Right, on the edge, inside, through the near plane, behind, idling, busy.
    EXPECT_EQ(clip, (std::vector<int>{0, 1, 2, 1, 0, 0, 2}));
}

// Set 5 of two is set 1; its render materials go with the mesh. A two-key
// morph blends into the mesh's own data.
TEST_F(MeshesTest, TheMaterialSetWrapsAroundAndATwoKeyMorphBlendsIntoTheMeshsOwnData) {
    Material a, b, c;
    MeshBuilder& builder = build().quad(0, 1, -1, -1, 1, 5);
    builder.mesh.addMaterialSet({{0, &a}});
    builder.mesh.addMaterialSet({{0, &b}, {0, &c}});
    builder.mesh.finishTopology();
    const std::size_t before = theD3DRenderMaterialManager->getMaterialCount();
    ScopedMesh mesh = makeMesh(builder.mesh, 5);
    ASSERT_EQ(mesh->getRenderMaterials().size(), 2u);
    EXPECT_EQ(std::make_tuple(mesh->getMaterialSet(), mesh->getRenderMaterials()[1]->getSource(),
                              theD3DRenderMaterialManager->getMaterialCount()),
              std::make_tuple(1, &c, before + 2));
    KeyMesh first = mesh->getBaseKeyMesh().getKeyMesh(), second = first;
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
    const Vector* own = mesh->getMorphedVertices();
    EXPECT_EQ(std::make_pair(own, own[0].z),
              std::make_pair(mesh->getOwnKeyMesh().getVertices(), 5.0f));
    mesh.reset();
    EXPECT_EQ(theD3DRenderMaterialManager->getMaterialCount(), before);
}

// The box level hits over the triangle's box; the triangle level only over
// the triangle, nearer than the depth limit, also when its vertices are
// kept in clip form (a triangle far wider than the view). Between two quads
// apart, the eye's line meets the model's box (level 1) but no face's box
// (level 2).
TEST_F(MeshesTest, PickLevelsTestTheBoxOrTheTriangle) {
    const auto upperLeftTriangle = [&](float halfWidth) {
        BaseKeyMesh& key =
            build().material(material(), 0).quad(0, 1, -halfWidth, -1, halfWidth, 5).finish();
        const_cast<MeshSet&>(key.getStrips()[0]).further.clear();
        key.finishTopology();
        return makeMesh(key);
    };
    ScopedMesh mesh = upperLeftTriangle(1), wide = upperLeftTriangle(40);
    // Moved by an effect onto the near plane, short of its box: rhw exactly 1.
    ScopedMesh onNear = upperLeftTriangle(1);
    ScopedMesh apart = makeMesh(
        build().material(material(), 0).quad(0, 1, -3, -1, -1, 5).quad(0, 1, 1, -1, 3, 5).finish());
    // Two strips one above the other: a walk past the first one's end would
    // make a triangle across the gap, turned like theirs.
    ScopedMesh stacked = makeMesh(build()
                                      .material(material(), 0)
                                      .quad(0, 0.5f, -1.5f, -0.5f, -0.5f, 5)
                                      .quad(0, -1, -1.5f, -2, -0.5f, 5)
                                      .finish());
    // Tilted: eye depths 4 (top left), 6, 6 and 8 (bottom right), each corner
    // where a flat quad at depth 5 shows it; its box lies off the view's axis.
    BaseKeyMesh& tiltedKey =
        build().material(material(), 0).quad(0, 1.5f, 0.5f, 0.5f, 1.5f, 5).finish();
    for (int i = 0; i < 4; ++i)
        tiltedKey.getKeyMesh().vertices[i] *= (4.0f + 2 * (i % 2) + 2 * (i / 2)) / 5;
    tiltedKey.finishTopology();
    ScopedMesh tilted = makeMesh(tiltedKey);
    float depth = 0;
    std::vector<bool> box, triangle, line;
    int wideClip = -1;
    frame([&](D3DRenderView& rv) {
        // World (x up, y right) at depth 5 to clip units.
        const auto hit = [&](D3DOneLevelRenderMesh& m, float x, float y, float maxDepth = 0,
                             float* stored = nullptr) {
            D3DOneLevelRenderMesh::IntersectionSettings s{stored != nullptr,
                                                          maxDepth != 0,
                                                          stored,
                                                          maxDepth,
                                                          rv.getVerticalFactor() * x / 5,
                                                          rv.getHorizontalFactor() * y / 5};
            return m.findIntersection(s);
        };
        TransformInformation transform;
        wideClip = morphToBase(*wide).clipResult;
        for (auto* m : {mesh.get(), apart.get(), stacked.get(), tilted.get(), onNear.get()})
            morphToBase(*m);
        // At the near distance, in the same place on the screen as at depth 5.
        const float nearDistance = camera.getNearDistance(), k = nearDistance / 5;
        Vector* moved = onNear->getMorphedVertices();
        for (int i = 0; i < 4; ++i)
            moved[i] = Vector(moved[i].x * k, moved[i].y * k, nearDistance);
        for (auto* m : {mesh.get(), wide.get(), apart.get(), stacked.get(), tilted.get()})
            m->transform(&transform);
        onNear->transform(&transform);
        for (int level : {1, 2}) {
            theDegradingManager->setIntersectionLevel(level);
            for (float y : {0.0f, 2.0f, 3.5f})
                line.push_back(hit(*apart, 0, y));
            line.push_back(hit(*tilted, 0.5f, 2.75f));  // beside the box, inside its screen box
        }
        theDegradingManager->setIntersectionLevel(0);
        // The y edges of the box count, as its x edges do.
        box = {hit(*mesh, 0.5f, -0.5f, 0, &depth), hit(*mesh, -0.5f, 0.5f), hit(*mesh, 2, 2),
               hit(*mesh, 0.5f, -1), hit(*mesh, 0.5f, 1), hit(*tilted, 0.5f, 2.75f)};
        theDegradingManager->setIntersectionLevel(3);
        // Either side of a whole quad's diagonal: the strip's even and odd triangles.
        triangle = {
            hit(*mesh, 0.5f, -0.5f),       hit(*mesh, -0.5f, 0.5f),     hit(*mesh, 2, 2),
            hit(*mesh, 0.5f, -0.5f, 1000), hit(*mesh, 0.5f, -0.5f, -1), hit(*wide, 0.5f, 0),
            hit(*wide, -0.5f, 0),          hit(*apart, 0.9f, -2),       hit(*apart, -0.9f, -2),
            hit(*stacked, -0.67f, -1.17f),  // in the gap between the sets
            hit(*onNear, 0.5f, -0.5f),
            // At the centroid of the tilted quad's first triangle: the mean of
            // its corners' depths (the pick's depth is the eye depth, within 0.1 %).
            hit(*tilted, 7 / 6.0f, 5 / 6.0f, 16 / 3.0f + 0.1f),
            hit(*tilted, 7 / 6.0f, 5 / 6.0f, 16 / 3.0f - 0.1f)};
    });
    EXPECT_NEAR(depth, 5.0f - camera.getNearDistance(), 1e-4f);
    EXPECT_EQ(std::make_tuple(box, triangle, wideClip, line),
              std::make_tuple(std::vector<bool>{1, 1, 0, 1, 1, 1},
                              std::vector<bool>{1, 0, 0, 1, 0, 1, 0, 1, 1, 0, 1, 1, 0}, 1,
                              std::vector<bool>{1, 1, 0, 0, 0, 1, 0, 0}));
}

// Alpha from the diffuse colour alone would hide the key: the texture's
// alpha is brought in, and a diffuse alpha under a half still shows.
TEST_F(MeshesTest, AColourKeyHidesOnlyItsTexelsWhenAlphaIsTheDiffuses) {
    Material* keyed = material("keyed");
    keyed->setFlags(Material::USE_COLOR);
    keyed->setColor(Color(1, 1, 1, 0.4f));
    keyed->setEmissive(Color(1, 1, 1, 1));
    RenderMeshShell shell(build().material(keyed).quad(0, 1, -1, -1, 1, 4).finish());
    drawScene({&shell}, [] { theRenderStateManager->setState(TSS_ALPHAOP, 0, D3DTOP_SELECTARG2); });
    expectBlack(0, -0.75f, 4);  // the key column
    expectIn(0, 0.5f, 4, {250, 250, 250});
}

class DeferredOrderTest : public MeshesTest, public ::testing::WithParamInterface<bool> {};

// An empty key mesh gets one-vertex buffers and draws nothing; alpha flags
// on a mesh without alpha sets draw nothing more; alpha sets without the
// defer flag are drawn at once (two sets, two draws) and not queued.
// Deferred, sorted: the far mesh, a probe between them, then the near mesh;
// else as queued. Opaque deferred objects come first.
TEST_P(DeferredOrderTest, AlphaSetsAreDrawnAtOnceOrDeferredInDepthOrderWhenSorting) {
    const auto glass = [&](float z) {
        return makeMesh(build().material(material("glass")).quad(0, 1, -1, -1, 1, z).finish());
    };
    ScopedMesh nearMesh = glass(4), farMesh = glass(9), empty = makeMesh(build().finish());
    ScopedMesh solid =
        makeMesh(build().material(material("white")).quad(0, 1, -1, -1, 1, 5).finish());
    MeshBuilder& twoSets = build().material(material("glass")).quad(0, 1, -1, 0, 1, 5);
    ScopedMesh clear = makeMesh(twoSets.quad(0, 0, -1, -1, 1, 5).finish());
    MarkedVertexBuffer& buffer = *empty->getVertexBuffer();
    D3DVERTEXBUFFERDESC source{sizeof source, 0, 0, 0}, destination = source;
    ASSERT_TRUE(buffer.getSource() && buffer.getDestination());
    buffer.getSource()->GetVertexBufferDesc(&source);
    buffer.getDestination()->GetVertexBufferDesc(&destination);
    EXPECT_EQ(
        std::make_tuple(buffer.isValid(), buffer.getVertexTotal(), buffer.getSetIndices().size(),
                        source.dwNumVertices, destination.dwNumVertices),
        std::make_tuple(true, 0, 0ul, 1ul, 1ul));

    DrawCountProbe<DeferredRenderObject> opaque;
    DrawCountProbe<DeferredAlphaObjectInterface> between;
    RenderInformation regular;
    regular.flags = RenderInformation::REGULAR;
    std::vector<unsigned> drawn;
    unsigned start = 0;
    const auto step = [&] { drawn.push_back(draws() - start); };
    g_sortAlpha = GetParam();
    frame([&](D3DRenderView& rv) {
        using RI = RenderInformation;
        start = draws();
        empty->morph(nullptr);
        drawMesh(*empty, RI::REGULAR | RI::ALPHA);
        step();
        drawMesh(*solid, RI::ALPHA | RI::DEFER_ALPHA);
        step();
        solid->render(&regular);
        step();
        drawMesh(*clear, RI::ALPHA);
        step();
        drawMesh(*nearMesh, RI::ALPHA | RI::DEFER_ALPHA);
        drawMesh(*farMesh, RI::ALPHA | RI::DEFER_ALPHA);
        step();
        between.depth = rv.getZDepth(Vector(0, 0, 6));
        addToDeferredAlphaObjectsList(&between);
        addToDeferredRenderObjectsList(&opaque);
    });
    step();
    EXPECT_NEAR(nearMesh->getDeferredAlphaObject()->depth, 4.0f - camera.getNearDistance(), 1e-4f);
    const auto args = platform::testing::lastArguments("IDirect3DDevice3::DrawPrimitiveVB");
    ASSERT_GT(args.size(), 1u);
    EXPECT_EQ(
        std::make_tuple(drawn, regular.flags, opaque.drawsSeen - start, between.drawsSeen - start,
                        args[1]),
        std::make_tuple(
            std::vector<unsigned>{0, 0, 1, 3, 3, 5}, 0u, 3u, GetParam() ? 4u : 5u,
            ULONG_PTR((GetParam() ? nearMesh : farMesh)->getVertexBuffer()->getDestination())));
}

INSTANTIATE_TEST_SUITE_P(Sorting, DeferredOrderTest, ::testing::Values(true, false));
