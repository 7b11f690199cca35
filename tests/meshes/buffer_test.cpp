// The marked vertex buffer of a mesh: vertex sizes, the order and batches
// of its sets, the reverse index, and its rebuild after a lost device.
#include "meshes_fixture.h"

#include <cstring>

namespace {

using SetEntry = MarkedVertexBuffer::SetEntry;

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

}  // namespace

TEST(MarkedVertexBufferSizes, FollowTheFormatBits) {
    EXPECT_EQ(MarkedVertexBuffer::getVertexSize(0x3C4), 48);
    EXPECT_EQ(MarkedVertexBuffer::getVertexSize(0x112), 32);
    EXPECT_EQ(MarkedVertexBuffer::getVertexSize(0x1C4), 32);
}

TEST_F(MeshesTest, ColourKeyedSetsComeFirstAndEqualMaterialsShareABatch) {
    Texture white = texture("white.tga"), keyed = texture("keyed.tga");
    Material plain, twin, keyedMaterial, red;
    plain.setTexture(1, &white);
    twin.setTexture(1, &white);
    keyedMaterial.setTexture(1, &keyed);
    keyedMaterial.setEmissive(Color(0.5f, 0.5f, 0.5f, 1));
    red.setFlags(Material::USE_COLOR);
    red.setColor(Color(1, 0, 0, 1));
    MeshBuilder builder;
    builder.material(&plain).material(&twin).material(&keyedMaterial).material(&red, 0);
    builder.quad(0, 1, -1, 0, 0, 5).quad(3, 1, 0, 0, 1, 5).quad(2, 0, -1, -1, 0, 5, {0, 0, -1}, true)
        .quad(1, 0, 0, -1, 1, 5);
    ScopedMesh mesh(builder.finish());
    const MarkedVertexBuffer& buffer = mesh.buffer();

    const std::vector<SetEntry>& regular = buffer.getRegularSetIndices();
    ASSERT_EQ(regular.size(), 4u);
    EXPECT_TRUE(buffer.getAlphaSetIndices().empty());
    EXPECT_EQ(regular[0].material, 2);
    EXPECT_EQ(regular[0].kind, MarkedVertexBuffer::KIND_COLORKEY);
    EXPECT_EQ(regular[0].primitiveType, D3DPT_TRIANGLEFAN);
    // 0 and 1 are equal and may come in either order; 3 differs and is last.
    EXPECT_EQ(regular[1].material + regular[2].material, 1);
    EXPECT_EQ(regular[3].material, 3);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(regular[i].firstVertex, 4 * i);
        EXPECT_EQ(buffer.getSetIndices()[i].setIndex, regular[i].setIndex);
    }
    EXPECT_TRUE(buffer.equalMaterials(0, 1));
    EXPECT_FALSE(buffer.equalMaterials(0, 3));

    const auto& batches = buffer.getMaterialBatches();
    ASSERT_EQ(batches.size(), 3u);
    EXPECT_EQ(batches[0].material, 2);
    EXPECT_EQ(batches[0].vertexCount, 4);
    EXPECT_EQ(batches[1].firstVertex, 4);
    EXPECT_EQ(batches[1].vertexCount, 8);
    EXPECT_EQ(batches[2].material, 3);
    EXPECT_EQ(batches[2].firstVertex, 12);

    // Each set's vertices were copied to where its entry says.
    MarkedVertexBuffer& writable = mesh.buffer();
    const Vector fanCorner = sourcePosition(writable, regular[0].firstVertex);
    EXPECT_EQ(fanCorner, Vector(0, -1, 5));
    const Vector redCorner = sourcePosition(writable, regular[3].firstVertex);
    EXPECT_EQ(redCorner, Vector(1, 0, 5));
}

TEST_F(MeshesTest, TranslucentSetsFollowTheRegularOnes) {
    Texture glass = texture("glass.tga"), white = texture("white.tga");
    Material clear, solid;
    clear.setTexture(1, &glass);
    solid.setTexture(1, &white);
    MeshBuilder builder;
    builder.material(&clear).material(&solid);
    builder.quad(0, 1, -1, 0, 0, 5).quad(1, 1, 0, 0, 1, 5).quad(0, 0, -1, -1, 0, 5);
    ScopedMesh mesh(builder.finish());

    const auto& alpha = mesh.buffer().getAlphaSetIndices();
    ASSERT_EQ(alpha.size(), 2u);
    ASSERT_EQ(mesh.buffer().getRegularSetIndices().size(), 1u);
    EXPECT_EQ(alpha[0].kind, MarkedVertexBuffer::KIND_TRANSLUCENT);
    EXPECT_EQ(alpha[0].firstVertex, 4);
    EXPECT_EQ(alpha[1].firstVertex, 8);
    // Equal colours: one batch, running on from the regular sets.
    ASSERT_EQ(mesh.buffer().getMaterialBatches().size(), 1u);
    EXPECT_EQ(mesh.buffer().getMaterialBatches()[0].vertexCount, 12);
    EXPECT_TRUE(mesh->hasAlphaSets());
    EXPECT_NE(mesh->getDeferredAlphaObject(), nullptr);
}

TEST_F(MeshesTest, EntriesListTheBufferVerticesOfEachSourceElement) {
    Texture white = texture("white.tga");
    Material textured, plain;
    textured.setTexture(1, &white);
    MeshBuilder builder;
    builder.material(&textured).material(&plain, 0);
    builder.quad(0, 1, -1, 0, 0, 5).quad(1, 1, 0, 0, 1, 5);
    BaseKeyMesh& key = builder.finish();
    // Geometry vertex 1 is shared by both quads; vertex 8 is used by none.
    MeshSet& second = const_cast<MeshSet&>(key.getStrips()[1]);
    second.first[0].geometry = 1;
    key.getKeyMesh().vertices.push_back(Vector(9, 9, 9));
    key.finishTopology();
    ScopedMesh mesh(key);

    VertexBufferEntries entries;
    mesh.buffer().createEntries(&entries);
    ASSERT_EQ(entries.geometry.count.size(), 9u);
    EXPECT_EQ(entries.geometry.count[8], 0);
    EXPECT_EQ(entries.geometry.count[1], 2);
    EXPECT_EQ(entries.geometry.count[4], 0);  // replaced by the shared vertex
    EXPECT_EQ(entries.geometry.list.size(), 8u);
    for (int element = 0; element < 9; ++element)
        for (int k = 0; k < entries.geometry.count[element]; ++k) {
            const int v = entries.geometry.list[entries.geometry.start[element] + k];
            EXPECT_EQ(sourcePosition(mesh.buffer(), v), key.getKeyMesh().vertices[element])
                << "element " << element << ", buffer vertex " << v;
        }
    // The untextured quad's texture vertices (4 .. 7) are never listed.
    ASSERT_EQ(entries.textures.count.size(), 8u);
    for (int t = 0; t < 8; ++t)
        EXPECT_EQ(entries.textures.count[t], t < 4 ? 1 : 0) << "texture vertex " << t;
    EXPECT_EQ(entries.textures.list.size(), 4u);
    EXPECT_EQ(entries.normals.list.size(), 8u);
}

TEST_F(MeshesTest, ListenersHearOfEveryFailureAndEveryRebuild) {
    Material plain;
    MeshBuilder builder;
    builder.material(&plain, 0).quad(0, 1, -1, -1, 1, 5);
    ScopedMesh mesh(builder.finish());
    MarkedVertexBuffer& buffer = mesh.buffer();
    ASSERT_TRUE(buffer.isValid());
    RecordingListener first, second;
    buffer.addListener(&first);
    buffer.addListener(&second);

    platform::testing::failNextCall("IDirect3DVertexBuffer::ProcessVertices", DDERR_SURFACELOST);
    buffer.transform();
    EXPECT_FALSE(buffer.isValid());
    // Invalid: nothing is processed, drawn or locked, and nothing more is told.
    const unsigned processed = calls("IDirect3DVertexBuffer::ProcessVertices");
    buffer.transform();
    EXPECT_EQ(calls("IDirect3DVertexBuffer::ProcessVertices"), processed);
    EXPECT_EQ(buffer.lockDestinationBuffer(0), nullptr);
    EXPECT_EQ(first.trace, "I");

    // A rebuild that fails is still reported, and the next one succeeds.
    platform::testing::failNextCall("IDirect3D3::CreateVertexBuffer", DDERR_OUTOFMEMORY);
    buffer.validate();
    EXPECT_FALSE(buffer.isValid());
    buffer.validate();
    EXPECT_TRUE(buffer.isValid());
    EXPECT_EQ(first.trace, "IVV");
    EXPECT_EQ(second.trace, "IVV");
    EXPECT_EQ(sourcePosition(buffer, 3), Vector(-1, 1, 5));  // refilled

    buffer.removeListener(&first);
    platform::testing::failNextCall("IDirect3DVertexBuffer::Lock", DDERR_SURFACELOST);
    buffer.update(mesh->getBaseKeyMesh().getKeyMesh(), 0x1);
    buffer.recreate(0x112, 0x1C4);
    EXPECT_TRUE(buffer.isValid());
    EXPECT_EQ(buffer.getDestinationVertexSize(), 32);
    EXPECT_EQ(first.trace, "IVV");
    EXPECT_EQ(second.trace, "IVVIIV");
}

TEST_F(MeshesTest, AnEmptyKeyMeshMakesOneVertexBuffersAndDrawsNothing) {
    BaseKeyMesh empty;
    ScopedMesh mesh(empty);
    MarkedVertexBuffer& buffer = mesh.buffer();
    EXPECT_TRUE(buffer.isValid());
    EXPECT_EQ(buffer.getVertexTotal(), 0);
    EXPECT_TRUE(buffer.getSetIndices().empty());
    for (IDirect3DVertexBuffer* made : {buffer.getSource(), buffer.getDestination()}) {
        ASSERT_NE(made, nullptr);
        D3DVERTEXBUFFERDESC description{};
        description.dwSize = sizeof description;
        ASSERT_EQ(made->GetVertexBufferDesc(&description), D3D_OK);
        EXPECT_EQ(description.dwNumVertices, 1u);
    }
    unsigned draws = 0;
    frame([&](D3DRenderView&) {
        const unsigned before = calls("IDirect3DDevice3::DrawPrimitiveVB");
        mesh->morph(nullptr);
        drawMesh(*mesh.get(), RenderInformation::REGULAR | RenderInformation::ALPHA);
        draws = calls("IDirect3DDevice3::DrawPrimitiveVB") - before;
    });
    EXPECT_EQ(draws, 0u);
}
