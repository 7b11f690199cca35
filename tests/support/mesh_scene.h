// The mesh, 2D decal and 3D decal tests: the driver loaded with its default
// 640 x 480 mode, small textures written for the test, one view whose content
// the test gives, key meshes built from quads, and the pixels of the last
// frame.
#pragma once

#include "application.h"
#include "d3dframe/d3dframe.h"
#include "image_container.h"
#include "rfactory.h"
#include "rmesh.h"
#include "rtexture.h"

#include "../views/views_fixture.h"

#include <engine/core/degrading_manager.h>
#include <engine/core/material.h>
#include <engine/core/render_mesh_shell.h>
#include <engine/core/texture.h>

#include <array>
#include <deque>
#include <functional>
#include <tuple>

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
        const Vector corners[4] = {
            {top, left, z}, {top, right, z}, {bottom, left, z}, {bottom, right, z}};
        MeshSet set;
        set.material = material;
        for (int i = 0; i < 4; ++i) {
            key.vertices.push_back(corners[i]);
            key.normals.push_back(normal);
            key.textureVertices.push_back(Vector2D(float(i % 2), float(i / 2)));
            // Clockwise on the screen either way, so the default culling keeps it.
            const int v = first + (fan && i > 1 ? 5 - i : i);
            if (i < 3)
                set.first[i] = {v, v, v};
            else
                set.further.push_back({v, v, v});
        }
        fan ? mesh.addFan(set) : mesh.addStrip(set);
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
struct MeshDeleter {
    void operator()(D3DOneLevelRenderMesh* mesh) const { theRenderMeshFactory->destroy(mesh); }
};
using ScopedMesh = std::unique_ptr<D3DOneLevelRenderMesh, MeshDeleter>;
inline ScopedMesh makeMesh(const BaseKeyMesh& mesh, int materialSet = 0) {
    return ScopedMesh(
        dynamic_cast<D3DOneLevelRenderMesh*>(theRenderMeshFactory->create(materialSet, mesh)));
}

struct Rgb {
    int r, g, b;
};

class MeshesTest : public DriverTest {
protected:
    void SetUp() override {
        DriverTest::SetUp();
        platform::testing::activateApplication();
        platform::testing::clearInjectedFailures();
        useData("no_file");
        // 4 x 4 textures by column: half-transparent blue is graded alpha, a
        // see-through first column a colour key; "halves" shows which way a
        // texture lies.
        const std::pair<const char*, std::array<std::uint32_t, 4>> images[] = {
            {"white", {~0u, ~0u, ~0u, ~0u}},
            {"red", {0xFFFF0000, 0xFFFF0000, 0xFFFF0000, 0xFFFF0000}},
            {"green", {0xFF00FF00, 0xFF00FF00, 0xFF00FF00, 0xFF00FF00}},
            {"glass", {0x800000FF, 0x800000FF, 0x800000FF, 0x800000FF}},
            {"keyed", {0, ~0u, ~0u, ~0u}},
            {"halves", {0xFFFF0000, 0xFFFF0000, 0xFF0000FF, 0xFF0000FF}}};
        for (const auto& [name, columns] : images) {
            ImageContainer image;
            image.create(4, 4, ALPHA_NONE);
            for (int i = 0; i < 16; ++i)
                std::memcpy(image.getData() + i, &columns[i % 4], 4);
            ASSERT_TRUE(image.save(("/Images/Meshes/" + std::string(name) + ".tga").c_str()));
        }
        initDriver();
        const VideoMode* mode = theRenderDriver->getDefaultVideoMode();
        ASSERT_TRUE(mode && mode->getWidth() == kWidth && mode->getHeight() == kHeight);
        theRenderDriver->initVideoMode(mode);
        ASSERT_TRUE(g_pDevice && theRenderMeshFactory);
        renderView = std::make_unique<ScopedRenderView>(view);
        view.setCamera(&camera);
        theRenderDriver->setBackgroundColor(Color(0, 0, 0, 1), true);
        theRenderDriver->registerView(&view);
    }
    void TearDown() override {
        builders.clear();
        materials.clear();
        textures.clear();
        if (theRenderDriver) {
            theRenderDriver->unregisterView(&view);
            renderView.reset();
            theRenderDriver->termVideoMode();
        }
        termDriver();
        g_sortAlpha = true;
        DriverTest::TearDown();
    }

    // A material with the named texture in slot 1, or none; kept for the test.
    Material* material(const char* texture = nullptr) {
        Material& made = materials.emplace_back();
        if (texture)
            made.setTexture(
                1, &textures.emplace_back("/Images/Meshes/" + std::string(texture) + ".tga"));
        return &made;
    }
    MeshBuilder& build() { return builders.emplace_back(); }

    // One frame through the driver's frame loop; `content` runs inside the view.
    void frame(std::function<void(D3DRenderView&)> content) {
        view.content = std::move(content);
        theRenderDriver->draw();
        view.content = nullptr;
    }
    // A frame drawing the shells in order, after `before`; its pixels kept.
    void drawScene(std::vector<RenderMeshShellInterface*> shells,
                   const std::function<void()>& before = nullptr) {
        frame([&](D3DRenderView&) {
            if (before)
                before();
            for (RenderMeshShellInterface* shell : shells)
                theRenderDriver->renderMesh(shell);
        });
        pixels = platform::testing::readSurfaceARGB(g_pFramework->GetFrontBuffer());
        ASSERT_EQ(pixels.size(), std::size_t(kWidth) * kHeight);
    }
    // The pixel showing the world point (x up, y right) at depth z.
    Rgb at(float x, float y, float z) const {
        const int sx = int(kWidth / 2.0f * (1 + y / z));
        const int sy = int(kHeight / 2.0f * (1 - 4.0f / 3.0f * x / z));
        const uint32_t p = pixels.at(std::size_t(sy) * kWidth + std::size_t(sx));
        return {int((p >> 16) & 0xFF), int((p >> 8) & 0xFF), int(p & 0xFF)};
    }
    // Each channel of `c` within [lo, hi].
    static void expectIn(Rgb c, Rgb lo, Rgb hi = {255, 255, 255}) {
        EXPECT_TRUE(lo.r <= c.r && c.r <= hi.r && lo.g <= c.g && c.g <= hi.g && lo.b <= c.b &&
                    c.b <= hi.b)
            << c.r << ", " << c.g << ", " << c.b;
    }
    // Half-transparent blue at depth 4 over the green wall's corner (top 2,
    // left -4, bottom -2, right 0, depth 8), over the black background, and
    // the wall alone.
    void expectGlassOverWall() {
        expectIn(at(0.5f, -0.5f, 4), {0, 71, 71}, {255, 189, 189});
        expectIn(at(0.5f, 0.5f, 4), {0, 0, 71}, {255, 19, 189});
        expectIn(at(0, -3, 8), {0, 201, 0}, {255, 255, 19});
    }

    // Morphs the mesh to its base key (or `key`) with a clip test, as the shell does.
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
    // morph, transform (lit) and render with the given flags.
    static void drawMesh(D3DOneLevelRenderMesh& mesh, unsigned renderFlags) {
        morphToBase(mesh);
        TransformInformation transform;
        transform.flags = TransformInformation::LIGHT;
        mesh.transform(&transform);
        RenderInformation render;
        render.flags = renderFlags;
        mesh.render(&render);
    }
    static unsigned draws() {
        return platform::testing::callCount("IDirect3DDevice3::DrawPrimitiveVB");
    }

    static constexpr int kWidth = 640, kHeight = 480;
    ContentView view;
    Camera camera;
    std::unique_ptr<ScopedRenderView> renderView;
    std::vector<uint32_t> pixels;
    std::deque<Texture> textures;
    std::deque<Material> materials;
    std::deque<MeshBuilder> builders;
};
