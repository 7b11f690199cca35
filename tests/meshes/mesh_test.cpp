// The one-level render mesh and its marked vertex buffer inside real frames:
// the layout of the sets, the reverse index, the lost-device cycle, culling
// by its box, the material set, morphed data, picking, and how its
// translucent sets are drawn or deferred.
#include "../support/mesh_scene.h"

#include <cmath>

namespace {

class RecordingListener : public MarkedVertexBufferListener {
public:
    void turnToValid() override { trace += 'V'; }
    void turnToInvalid() override { trace += 'I'; }
    std::string trace;
};

Vector sourcePosition(MarkedVertexBuffer& buffer, int vertex) {
    Vector position;
    const unsigned char* data = buffer.lockSourceBuffer(0);
    EXPECT_NE(data, nullptr);
    if (data)
        std::memcpy(&position, data + vertex * buffer.getSourceVertexSize(), sizeof position);
    buffer.unlockSourceBuffer();
    return position;
}

// A recorder on the deferred lists: how many draws there had been when it was drawn.
template <typename Base>
class DrawCountProbe : public Base {
public:
    void render() override {
        drawsSeen = platform::testing::callCount("IDirect3DDevice3::DrawPrimitiveVB");
    }
    void transform() override {}
    unsigned drawsSeen = 0;
};

// Only the upper left triangle of the quad: a strip of three vertices.
BaseKeyMesh& upperLeftTriangle(MeshBuilder& builder) {
    BaseKeyMesh& key = builder.finish();
    const_cast<MeshSet&>(key.getStrips()[0]).further.clear();
    key.finishTopology();
    return key;
}

}  // namespace

TEST(MarkedVertexBufferSizes, FollowTheFormatBits) {
    EXPECT_EQ(std::make_tuple(MarkedVertexBuffer::getVertexSize(0x3C4),
                              MarkedVertexBuffer::getVertexSize(0x112),
                              MarkedVertexBuffer::getVertexSize(0x1C4)),
              std::make_tuple(48, 32, 32));
}

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
    key.getKeyMesh().vertices.push_back(Vector(9, 9, 9));
    key.finishTopology();
    ScopedMesh mesh = makeMesh(key);
    MarkedVertexBuffer& buffer = *mesh->getVertexBuffer();

    const auto &regular = buffer.getRegularSetIndices(), &alpha = buffer.getAlphaSetIndices();
    ASSERT_EQ(std::make_pair(regular.size(), alpha.size()),
              std::make_pair(std::size_t(4), std::size_t(2)));
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
    EXPECT_TRUE(mesh->hasAlphaSets() && mesh->getDeferredAlphaObject());

    VertexBufferEntries entries;
    buffer.createEntries(&entries);
    ASSERT_EQ(entries.geometry.count.size(), 25u);
    EXPECT_EQ(std::make_tuple(entries.geometry.count[1], entries.geometry.count[12],
                              entries.geometry.count[24], entries.geometry.list.size(),
                              entries.normals.list.size(), entries.textures.list.size()),
              std::make_tuple(2, 0, 0, 24u, 24u, 20u));
    for (int element = 0; element < 25; ++element)
        for (int k = 0; k < entries.geometry.count[element]; ++k)
            EXPECT_EQ(
                sourcePosition(buffer, entries.geometry.list[entries.geometry.start[element] + k]),
                key.getKeyMesh().vertices[element])
                << element;
    // The untextured quad's texture vertices (4 .. 7) are never listed.
    std::vector<std::int16_t> textured(24, 1);
    std::fill(textured.begin() + 4, textured.begin() + 8, 0);
    EXPECT_EQ(entries.textures.count, textured);
}

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
    const unsigned processed = platform::testing::callCount(process);
    buffer.transform();
    EXPECT_EQ(platform::testing::callCount(process), processed);
    EXPECT_EQ(buffer.lockDestinationBuffer(0), nullptr);
    EXPECT_EQ(first.trace, "I");

    // A rebuild that fails is still reported, and the next one succeeds.
    platform::testing::failNextCall("IDirect3D3::CreateVertexBuffer", DDERR_OUTOFMEMORY);
    buffer.validate();
    EXPECT_FALSE(buffer.isValid());
    buffer.validate();
    EXPECT_TRUE(buffer.isValid());
    EXPECT_EQ(first.trace + second.trace, "IVVIVV");
    EXPECT_EQ(sourcePosition(buffer, 3), Vector(-1, 1, 5));  // refilled

    buffer.removeListener(&first);
    platform::testing::failNextCall("IDirect3DVertexBuffer::Lock", DDERR_SURFACELOST);
    buffer.update(mesh->getBaseKeyMesh().getKeyMesh(), 0x1);
    buffer.recreate(0x112, 0x1C4);
    EXPECT_EQ(std::make_tuple(buffer.isValid(), buffer.getDestinationVertexSize(),
                              first.trace + "/" + second.trace),
              std::make_tuple(true, 32, std::string("IVV/IVVIIV")));
}

TEST_F(MeshesTest, AnEmptyKeyMeshMakesOneVertexBuffersAndDrawsNothing) {
    BaseKeyMesh empty;
    ScopedMesh mesh = makeMesh(empty);
    MarkedVertexBuffer& buffer = *mesh->getVertexBuffer();
    EXPECT_EQ(
        std::make_tuple(buffer.isValid(), buffer.getVertexTotal(), buffer.getSetIndices().size()),
        std::make_tuple(true, 0, std::size_t(0)));
    for (IDirect3DVertexBuffer* made : {buffer.getSource(), buffer.getDestination()}) {
        D3DVERTEXBUFFERDESC description{};
        description.dwSize = sizeof description;
        ASSERT_EQ(made ? made->GetVertexBufferDesc(&description) : E_FAIL, D3D_OK);
        EXPECT_EQ(description.dwNumVertices, 1u);
    }
    unsigned drawn = 1;
    frame([&](D3DRenderView&) {
        const unsigned before = draws();
        mesh->morph(nullptr);
        drawMesh(*mesh, RenderInformation::REGULAR | RenderInformation::ALPHA);
        drawn = draws() - before;
    });
    EXPECT_EQ(drawn, 0u);
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

    int right = -1, edge = -1, inside = -1, nearPlane = -1, behind = -1, idle = -1, busy = -1;
    const KeyMesh* keyAfterCull = nullptr;
    frame([&](D3DRenderView& rv) {
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
    theRenderDriver->enableIdlingMode();
    frame([&](D3DRenderView&) { idle = morphToBase(*square).clipResult; });
    theRenderDriver->disableIdlingMode();
    frame([&](D3DRenderView&) { busy = morphToBase(*square).clipResult; });
    EXPECT_EQ(keyAfterCull, &square->getBaseKeyMesh().getKeyMesh()) << "a culled mesh was morphed";
    EXPECT_EQ(std::make_tuple(right, edge, inside, nearPlane, behind, idle, busy),
              std::make_tuple(0, 1, 2, 1, 0, 0, 2));
}

TEST_F(MeshesTest, TheMaterialSetIndexWrapsAround) {
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
    mesh.reset();
    EXPECT_EQ(theD3DRenderMaterialManager->getMaterialCount(), before);
}

TEST_F(MeshesTest, ATwoKeyMorphBlendsIntoTheMeshsOwnData) {
    ScopedMesh mesh = makeMesh(build().material(material(), 0).quad(0, 1, -1, -1, 1, 5).finish());
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
    const Vector* own = mesh->getMorphedVertices();
    EXPECT_EQ(std::make_pair(own, own[0].z),
              std::make_pair(mesh->getOwnKeyMesh().getVertices(), 5.0f));
}

// The box level hits over the triangle's box; the triangle level only over
// the triangle, nearer than the depth limit, also when its vertices are
// kept in clip form (a triangle far wider than the view).
TEST_F(MeshesTest, PickLevelsTestTheBoxOrTheTriangle) {
    ScopedMesh mesh =
        makeMesh(upperLeftTriangle(build().material(material(), 0).quad(0, 1, -1, -1, 1, 5)));
    ScopedMesh wide =
        makeMesh(upperLeftTriangle(build().material(material(), 0).quad(0, 1, -40, -1, 40, 5)));
    float depth = 0;
    std::vector<bool> box, triangle;
    int wideClip = -1;
    frame([&](D3DRenderView& rv) {
        const auto hit = [&](D3DOneLevelRenderMesh& m, float x, float y, float maxDepth = 0,
                             float* stored = nullptr) {
            D3DOneLevelRenderMesh::IntersectionSettings s;
            s.storeDepth = stored != nullptr;
            s.depth = stored;
            s.depthTest = maxDepth != 0;
            s.maxDepth = maxDepth;
            // World (x up, y right) at depth 5 to clip units.
            s.pointerY = rv.getVerticalFactor() * x / 5;
            s.pointerX = rv.getHorizontalFactor() * y / 5;
            return m.findIntersection(s);
        };
        wideClip = morphToBase(*wide).clipResult;
        for (D3DOneLevelRenderMesh* m : {mesh.get(), wide.get()}) {
            morphToBase(*m);
            TransformInformation transform;
            m->transform(&transform);
        }
        theDegradingManager->setIntersectionLevel(0);
        box = {hit(*mesh, 0.5f, -0.5f, 0, &depth), hit(*mesh, -0.5f, 0.5f), hit(*mesh, 2, 2)};
        theDegradingManager->setIntersectionLevel(3);
        triangle = {hit(*mesh, 0.5f, -0.5f),       hit(*mesh, -0.5f, 0.5f),     hit(*mesh, 2, 2),
                    hit(*mesh, 0.5f, -0.5f, 1000), hit(*mesh, 0.5f, -0.5f, -1), hit(*wide, 0.5f, 0),
                    hit(*wide, -0.5f, 0)};
    });
    EXPECT_NEAR(depth, 5.0f - camera.getNearDistance(), 1e-4f);
    EXPECT_EQ(box, (std::vector<bool>{1, 1, 0}));
    EXPECT_EQ(triangle, (std::vector<bool>{1, 0, 0, 1, 0, 1, 0}));
    EXPECT_EQ(wideClip, 1);
}

// Alpha flags on a mesh without alpha sets draw nothing more; alpha sets
// without the defer flag are drawn at once and not queued.
TEST_F(MeshesTest, AlphaSetsAreDrawnAtOnceWithoutTheDeferFlagAndNeverByAnOpaqueMesh) {
    ScopedMesh solid =
        makeMesh(build().material(material("white")).quad(0, 1, -1, -1, 1, 5).finish());
    ScopedMesh clear = makeMesh(build()
                                    .material(material("glass"))
                                    .quad(0, 1, -1, 0, 1, 5)
                                    .quad(0, 0, -1, -1, 1, 5)
                                    .finish());
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
    EXPECT_EQ(std::make_tuple(alphaOfSolid, regularOfSolid, alphaOfClear, draws() - start),
              std::make_tuple(0u, 1u, 2u, 3u));
}

class DeferredOrderTest : public MeshesTest, public ::testing::WithParamInterface<bool> {};

// Sorted: the far mesh, a probe between them, then the near mesh; else as
// queued. Opaque deferred objects come first.
TEST_P(DeferredOrderTest, AlphaObjectsFollowTheRenderListInDepthOrderWhenSorting) {
    ScopedMesh nearMesh =
        makeMesh(build().material(material("glass")).quad(0, 1, -1, -1, 1, 4).finish());
    ScopedMesh farMesh =
        makeMesh(build().material(material("glass")).quad(0, 1, -1, -1, 1, 9).finish());
    DrawCountProbe<DeferredRenderObject> opaque;
    DrawCountProbe<DeferredAlphaObjectInterface> between;
    unsigned before = 0, queued = 0;
    g_sortAlpha = GetParam();
    frame([&](D3DRenderView& rv) {
        before = draws();
        drawMesh(*nearMesh, RenderInformation::ALPHA | RenderInformation::DEFER_ALPHA);
        drawMesh(*farMesh, RenderInformation::ALPHA | RenderInformation::DEFER_ALPHA);
        queued = draws() - before;
        between.depth = rv.getZDepth(Vector(0, 0, 6));
        addToDeferredAlphaObjectsList(&between);
        addToDeferredRenderObjectsList(&opaque);
    });
    EXPECT_NEAR(nearMesh->getDeferredAlphaObject()->depth, 4.0f - camera.getNearDistance(), 1e-4f);
    const auto args = platform::testing::lastArguments("IDirect3DDevice3::DrawPrimitiveVB");
    ASSERT_GT(args.size(), 1u);
    EXPECT_EQ(
        std::make_tuple(queued, opaque.drawsSeen, between.drawsSeen, draws(), args[1]),
        std::make_tuple(
            0u, before, before + (GetParam() ? 1 : 2), before + 2,
            ULONG_PTR((GetParam() ? nearMesh : farMesh)->getVertexBuffer()->getDestination())));
}

INSTANTIATE_TEST_SUITE_P(Sorting, DeferredOrderTest, ::testing::Values(true, false));

// One texture change per material, not per set.
TEST_F(MeshesTest, DrawingATwoMaterialMeshAgainSendsFewDeviceCalls) {
    Material* second = material("green");
    second->setEmissive(Color(0.2f, 0.2f, 0.2f, 1));
    MeshBuilder& builder = build().material(material("red")).material(second);
    builder.quad(0, 1, -1, 0, 0, 5).quad(1, 1, 0, 0, 1, 5).quad(0, 0, -1, -1, 0, 5);
    ScopedMesh mesh = makeMesh(builder.quad(1, 0, 0, -1, 1, 5).finish());
    const char* const methods[] = {
        "IDirect3DDevice3::DrawPrimitiveVB", "IDirect3DDevice3::SetTexture",
        "IDirect3DDevice3::SetRenderState", "IDirect3DDevice3::SetTextureStageState"};
    unsigned counts[4] = {};
    frame([&](D3DRenderView&) {
        drawMesh(*mesh, RenderInformation::REGULAR);
        for (int i = 0; i < 4; ++i)
            counts[i] = platform::testing::callCount(methods[i]);
        drawMesh(*mesh, RenderInformation::REGULAR);
        for (int i = 0; i < 4; ++i)
            counts[i] = platform::testing::callCount(methods[i]) - counts[i];
    });
    EXPECT_EQ(counts[0], 4u);
    EXPECT_TRUE(counts[1] <= 2 && counts[2] <= 4 && counts[3] <= 2)
        << counts[1] << " " << counts[2] << " " << counts[3];
}
