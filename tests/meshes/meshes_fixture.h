// The driver loaded with a 640 x 480 mode, small TGA textures written to a
// data folder of the test's own, one view whose content the test gives, and
// key meshes built from quads.
#pragma once

#include "rfactory.h"
#include "rmesh.h"
#include "rtexture.h"
#include "states.h"

#include "../views/views_fixture.h"

#include <engine/core/degrading_manager.h>
#include <engine/core/material.h>
#include <engine/core/texture.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <unistd.h>

// A view whose content runs on the core thread during the frame.
class ContentView : public View {
public:
    std::function<void(D3DRenderView&)> content;

protected:
    void drawContent(RenderView& view) override {
        if (content)
            content(static_cast<D3DRenderView&>(view));
    }
};

// A key mesh made of quads facing the camera at the origin (camera x up,
// y right, z forward), each a strip or a fan of its own four vertices.
class MeshBuilder {
public:
    // Top, left, bottom, right in world units at depth z.
    MeshBuilder& quad(int material, float top, float left, float bottom, float right, float z,
                      Vector normal = Vector(0, 0, -1), bool fan = false) {
        KeyMesh& key = mesh.getKeyMesh();
        const int first = key.getGeometryVertexCount();
        const Vector corners[4] = {{top, left, z}, {top, right, z}, {bottom, left, z},
                                   {bottom, right, z}};
        const Vector2D uvs[4] = {{0, 0}, {1, 0}, {0, 1}, {1, 1}};
        for (int i = 0; i < 4; ++i) {
            key.vertices.push_back(corners[i]);
            key.normals.push_back(normal);
            key.textureVertices.push_back(uvs[i]);
        }
        // Clockwise on the screen either way, so the default culling keeps it.
        const int order[4] = {0, 1, 2, 3};
        const int fanOrder[4] = {0, 1, 3, 2};
        MeshSet set;
        set.material = material;
        for (int i = 0; i < 4; ++i) {
            const int v = first + (fan ? fanOrder[i] : order[i]);
            if (i < 3)
                set.first[i] = {v, v, v};
            else
                set.further.push_back({v, v, v});
        }
        if (fan)
            mesh.addFan(set);
        else
            mesh.addStrip(set);
        return *this;
    }
    MeshBuilder& material(const Material* engineMaterial, unsigned flags = MeshMaterial::TEXTURED) {
        materials.push_back({flags, engineMaterial});
        return *this;
    }
    // Call once, after the quads and materials.
    BaseKeyMesh& finish() {
        mesh.addMaterialSet(materials);
        mesh.finishTopology();
        return mesh;
    }

    BaseKeyMesh mesh;
    BaseKeyMesh::MaterialSet materials;
};

// A render mesh made and given back through the engine's factory pointer.
class ScopedMesh {
public:
    ScopedMesh(const BaseKeyMesh& mesh, int materialSet = 0)
        : made(dynamic_cast<D3DOneLevelRenderMesh*>(
              theRenderMeshFactory->create(materialSet, mesh))) {}
    ~ScopedMesh() { theRenderMeshFactory->destroy(made); }
    ScopedMesh(const ScopedMesh&) = delete;
    ScopedMesh& operator=(const ScopedMesh&) = delete;

    D3DOneLevelRenderMesh* operator->() const { return made; }
    D3DOneLevelRenderMesh* get() const { return made; }
    MarkedVertexBuffer& buffer() const { return *made->getVertexBuffer(); }

private:
    D3DOneLevelRenderMesh* made;
};

class MeshesTest : public DriverTest {
protected:
    static void SetUpTestSuite() {
        dataRoot() = std::filesystem::temp_directory_path() /
                     ("d3ddriver_test_meshes_" + std::to_string(getpid()));
        writeSolid("white.tga", 0xFFFFFFFF);
        writeSolid("red.tga", 0xFFFF0000);
        writeSolid("green.tga", 0xFF00FF00);
        // Half-transparent blue: graded alpha.
        writeSolid("glass.tga", 0x800000FF);
        // A see-through stripe in a white texture: a colour key.
        writeImage("keyed.tga", [](int x, int) { return x == 0 ? 0x00000000u : 0xFFFFFFFFu; });
        // Left half red, right half blue: shows which way a texture lies.
        writeImage("halves.tga", [](int x, int) { return x < 2 ? 0xFFFF0000u : 0xFF0000FFu; });
        // Mounted again with the write folder: it must exist first.
        ASSERT_TRUE(theResourceManager->setDataRoot(dataRoot().string()));
        DriverTest::SetUpTestSuite();
    }
    static void TearDownTestSuite() {
        std::error_code ec;
        std::filesystem::remove_all(dataRoot(), ec);
        DriverTest::TearDownTestSuite();
    }

    void SetUp() override {
        DriverTest::SetUp();
        platform::testing::activateApplication();
        platform::testing::clearInjectedFailures();
        ASSERT_TRUE(theResourceManager->setDataRoot(dataRoot().string()));
        initDriver();
        const VideoMode* mode = nullptr;
        for (const VideoMode* m : theRenderDriver->getVideoModeList())
            if (m->isHardware() && !m->isWindowed() && m->getWidth() == kWidth &&
                m->getHeight() == kHeight && m->getColorDepth() == 16)
                mode = m;
        ASSERT_NE(mode, nullptr);
        theRenderDriver->initVideoMode(mode);
        ASSERT_NE(g_pDevice, nullptr);
        ASSERT_NE(theRenderMeshFactory, nullptr);
        renderView = std::make_unique<ScopedRenderView>(view);
        view.setCamera(&camera);
        theRenderDriver->setBackgroundColor(Color(0, 0, 0, 1), true);
        theRenderDriver->registerView(&view);
    }
    void TearDown() override {
        if (theRenderDriver) {
            theRenderDriver->unregisterView(&view);
            renderView.reset();
            theRenderDriver->termVideoMode();
        }
        termDriver();
        platform::testing::clearInjectedFailures();
        g_sortAlpha = true;
        DriverTest::TearDown();
    }

    // One frame through the driver's frame loop; `content` runs inside the view.
    void frame(std::function<void(D3DRenderView&)> content) {
        view.content = std::move(content);
        theRenderDriver->draw();
        view.content = nullptr;
    }

    static Texture texture(const char* file) { return Texture(std::string("/Images/Meshes/") + file); }

    // Morphs the mesh to its base key with a clip test, as the shell does.
    static MorphingInformation morphToBase(D3DOneLevelRenderMesh& mesh,
                                           const Vector& offset = Vector(),
                                           const KeyMesh* key = nullptr) {
        static const TMatrix identity;
        MorphingInformation info;
        info.flags = MorphingInformation::GEOMETRY | MorphingInformation::NORMALS |
                     MorphingInformation::TEXTURE | MorphingInformation::MODEL_BOX |
                     MorphingInformation::NEW_TRANSFORM;
        info.worldMatrix = &identity;
        info.worldOffset = &offset;
        info.keys[0] = key ? key : &mesh.getBaseKeyMesh().getKeyMesh();
        info.keyCount = 1;
        info.clipFlags = MorphingInformation::CLIP_TEST;
        mesh.morph(&info);
        return info;
    }
    // morph, transform (lit) and render of the regular and alpha sets.
    static void drawMesh(D3DOneLevelRenderMesh& mesh, unsigned renderFlags,
                         const Vector& offset = Vector()) {
        morphToBase(mesh, offset);
        TransformInformation transform;
        transform.flags = TransformInformation::LIGHT;
        mesh.transform(&transform);
        RenderInformation render;
        render.flags = renderFlags;
        mesh.render(&render);
    }

    static unsigned calls(const char* method) { return platform::testing::callCount(method); }

    static constexpr int kWidth = 640, kHeight = 480;
    ContentView view;
    Camera camera;
    std::unique_ptr<ScopedRenderView> renderView;

private:
    static std::filesystem::path& dataRoot() {
        static std::filesystem::path root;
        return root;
    }
    static void writeImage(const std::string& name, const std::function<uint32_t(int, int)>& argb) {
        const auto path = dataRoot() / "Images" / "Meshes" / name;
        std::filesystem::create_directories(path.parent_path());
        std::vector<uint8_t> bytes(18, 0);
        bytes[2] = 2;  // uncompressed true colour
        bytes[12] = 4;
        bytes[14] = 4;
        bytes[16] = 32;
        bytes[17] = 0x20;  // top row first
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 4; ++x) {
                const uint32_t c = argb(x, y);
                for (int shift : {0, 8, 16, 24})
                    bytes.push_back(uint8_t(c >> shift));
            }
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    }
    static void writeSolid(const std::string& name, uint32_t argb) {
        writeImage(name, [argb](int, int) { return argb; });
    }
};
