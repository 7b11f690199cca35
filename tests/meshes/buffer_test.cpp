// The marked vertex buffer of a mesh: vertex sizes, the order and batches
// of its sets, the reverse index, and its rebuild after a lost device.
#include "meshes_fixture.h"

#include <tuple>

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

// Material, first vertex and vertex count of each batch.
std::vector<std::array<int, 3>> batchesOf(const MarkedVertexBuffer& buffer) {
    std::vector<std::array<int, 3>> out;
    for (const auto& b : buffer.getMaterialBatches())
        out.push_back({b.material, b.firstVertex, b.vertexCount});
    return out;
}

}  // namespace

TEST(MarkedVertexBufferSizes, FollowTheFormatBits) {
    EXPECT_EQ(MarkedVertexBuffer::getVertexSize(0x3C4), 48);
    EXPECT_EQ(MarkedVertexBuffer::getVertexSize(0x112), 32);
    EXPECT_EQ(MarkedVertexBuffer::getVertexSize(0x1C4), 32);
}

TEST_F(MeshesTest, ColourKeyedSetsComeFirstAndEqualMaterialsShareABatch) {
    Material *keyed = material("keyed"), *red = material();
    keyed->setEmissive(Color(0.5f, 0.5f, 0.5f, 1));
    red->setFlags(Material::USE_COLOR);
    red->setColor(Color(1, 0, 0, 1));
    MeshBuilder builder;
    builder.material(material("white")).material(material("white")).material(keyed);
    builder.material(red, 0).quad(0, 1, -1, 0, 0, 5).quad(3, 1, 0, 0, 1, 5);
    builder.quad(2, 0, -1, -1, 0, 5, {0, 0, -1}, true).quad(1, 0, 0, -1, 1, 5);
    ScopedMesh mesh = makeMesh(builder.finish());
    MarkedVertexBuffer& buffer = *mesh->getVertexBuffer();

    const auto& regular = buffer.getRegularSetIndices();
    ASSERT_EQ(regular.size(), 4u);
    EXPECT_TRUE(buffer.getAlphaSetIndices().empty());
    // 0 and 1 are equal and may come in either order; 3 differs and is last.
    EXPECT_EQ(
        std::make_tuple(regular[0].material, regular[0].kind, regular[0].primitiveType,
                        regular[1].material + regular[2].material, regular[3].material),
        std::make_tuple(2, int(MarkedVertexBuffer::KIND_COLORKEY), int(D3DPT_TRIANGLEFAN), 1, 3));
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(std::make_pair(regular[i].firstVertex, buffer.getSetIndices()[i].setIndex),
                  std::make_pair(4 * i, regular[i].setIndex));
    EXPECT_TRUE(buffer.equalMaterials(0, 1));
    EXPECT_FALSE(buffer.equalMaterials(0, 3));
    EXPECT_EQ(batchesOf(buffer), (std::vector<std::array<int, 3>>{
                                     {2, 0, 4}, {regular[1].material, 4, 8}, {3, 12, 4}}));
    // Each set's vertices were copied to where its entry says.
    EXPECT_EQ(sourcePosition(buffer, regular[0].firstVertex), Vector(0, -1, 5));
    EXPECT_EQ(sourcePosition(buffer, regular[3].firstVertex), Vector(1, 0, 5));
}

TEST_F(MeshesTest, TranslucentSetsFollowTheRegularOnes) {
    MeshBuilder builder;
    builder.material(material("glass")).material(material("white"));
    builder.quad(0, 1, -1, 0, 0, 5).quad(1, 1, 0, 0, 1, 5).quad(0, 0, -1, -1, 0, 5);
    ScopedMesh mesh = makeMesh(builder.finish());
    const MarkedVertexBuffer& buffer = *mesh->getVertexBuffer();

    const auto& alpha = buffer.getAlphaSetIndices();
    ASSERT_EQ(alpha.size(), 2u);
    EXPECT_EQ(buffer.getRegularSetIndices().size(), 1u);
    EXPECT_EQ(std::make_tuple(alpha[0].kind, alpha[0].firstVertex, alpha[1].firstVertex),
              std::make_tuple(int(MarkedVertexBuffer::KIND_TRANSLUCENT), 4, 8));
    // Equal colours: one batch, running on from the regular sets.
    ASSERT_EQ(buffer.getMaterialBatches().size(), 1u);
    EXPECT_EQ(buffer.getMaterialBatches()[0].vertexCount, 12);
    EXPECT_TRUE(mesh->hasAlphaSets());
    EXPECT_NE(mesh->getDeferredAlphaObject(), nullptr);
}

TEST_F(MeshesTest, EntriesListTheBufferVerticesOfEachSourceElement) {
    MeshBuilder builder;
    builder.material(material("white")).material(material(), 0);
    BaseKeyMesh& key = builder.quad(0, 1, -1, 0, 0, 5).quad(1, 1, 0, 0, 1, 5).finish();
    // Geometry vertex 1 is shared by both quads; vertex 8 is used by none.
    const_cast<MeshSet&>(key.getStrips()[1]).first[0].geometry = 1;
    key.getKeyMesh().vertices.push_back(Vector(9, 9, 9));
    key.finishTopology();
    ScopedMesh mesh = makeMesh(key);

    VertexBufferEntries entries;
    mesh->getVertexBuffer()->createEntries(&entries);
    ASSERT_EQ(entries.geometry.count.size(), 9u);
    // Vertex 4 is replaced by the shared vertex.
    EXPECT_EQ(std::make_tuple(entries.geometry.count[8], entries.geometry.count[1],
                              entries.geometry.count[4], entries.geometry.list.size()),
              std::make_tuple(0, 2, 0, 8u));
    for (int element = 0; element < 9; ++element)
        for (int k = 0; k < entries.geometry.count[element]; ++k) {
            const int v = entries.geometry.list[entries.geometry.start[element] + k];
            EXPECT_EQ(sourcePosition(*mesh->getVertexBuffer(), v),
                      key.getKeyMesh().vertices[element])
                << "element " << element << ", buffer vertex " << v;
        }
    // The untextured quad's texture vertices (4 .. 7) are never listed.
    EXPECT_EQ(entries.textures.count, (std::vector<std::int16_t>{1, 1, 1, 1, 0, 0, 0, 0}));
    EXPECT_EQ(entries.textures.list.size(), 4u);
    EXPECT_EQ(entries.normals.list.size(), 8u);
}

TEST_F(MeshesTest, ListenersHearOfEveryFailureAndEveryRebuild) {
    MeshBuilder builder;
    ScopedMesh mesh = makeMesh(builder.material(material(), 0).quad(0, 1, -1, -1, 1, 5).finish());
    MarkedVertexBuffer& buffer = *mesh->getVertexBuffer();
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
    EXPECT_EQ(first.trace + second.trace, "IVVIVV");
    EXPECT_EQ(sourcePosition(buffer, 3), Vector(-1, 1, 5));  // refilled

    buffer.removeListener(&first);
    platform::testing::failNextCall("IDirect3DVertexBuffer::Lock", DDERR_SURFACELOST);
    buffer.update(mesh->getBaseKeyMesh().getKeyMesh(), 0x1);
    buffer.recreate(0x112, 0x1C4);
    EXPECT_TRUE(buffer.isValid());
    EXPECT_EQ(buffer.getDestinationVertexSize(), 32);
    EXPECT_EQ(first.trace + "/" + second.trace, "IVV/IVVIIV");
}

TEST_F(MeshesTest, AnEmptyKeyMeshMakesOneVertexBuffersAndDrawsNothing) {
    BaseKeyMesh empty;
    ScopedMesh mesh = makeMesh(empty);
    MarkedVertexBuffer& buffer = *mesh->getVertexBuffer();
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
    unsigned drawn = 0;
    frame([&](D3DRenderView&) {
        const unsigned before = draws();
        mesh->morph(nullptr);
        drawMesh(*mesh, RenderInformation::REGULAR | RenderInformation::ALPHA);
        drawn = draws() - before;
    });
    EXPECT_EQ(drawn, 0u);
}
