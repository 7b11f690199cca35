// The mesh, 2D decal and 3D decal tests: the driver loaded with its default
// 640 x 480 mode, small textures written for the test, one view whose content
// the test gives, key meshes built from quads, and the pixels of the last
// frame.
#pragma once

#include "application.h"
#include "image_container.h"
#include "rmesh.h"
#include "rtexture.h"

#include "../views/views_fixture.h"

#include <engine/core/material.h>
#include <engine/core/render_mesh_shell.h>
#include <engine/core/texture.h>

#include <deque>

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
            (i < 3 ? set.first[i] : set.further.emplace_back()) = {v, v, v};
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
using ScopedMesh = std::unique_ptr<D3DOneLevelRenderMesh, void (*)(D3DOneLevelRenderMesh*)>;
inline ScopedMesh makeMesh(const BaseKeyMesh& mesh, int materialSet = 0) {
    return {dynamic_cast<D3DOneLevelRenderMesh*>(theRenderMeshFactory->create(materialSet, mesh)),
            [](D3DOneLevelRenderMesh* gone) { theRenderMeshFactory->destroy(gone); }};
}

inline unsigned draws() {
    return platform::testing::callCount("IDirect3DDevice3::DrawPrimitiveVB");
}

using Rgb = std::array<int, 3>;

class MeshesTest : public VideoModeTest {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(VideoModeTest::SetUp());
        ASSERT_TRUE(theRenderMeshFactory);
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
        renderView = std::make_unique<ScopedRenderView>(view);
        view.setCamera(&camera);
        theRenderDriver->setBackgroundColor(Color(0, 0, 0, 1), true);
        theRenderDriver->registerView(&view);
    }
    void TearDown() override {
        builders.clear();
        materials.clear();
        textures.clear();
        for (auto& light : lights)
            light->deactivate(**renderView);
        lights.clear();
        if (theRenderDriver) {
            theRenderDriver->unregisterView(&view);
            renderView.reset();
        }
        g_sortAlpha = true;
        VideoModeTest::TearDown();
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
    // A white sun shining along +z and a quarter of ambient light from here on.
    void light() {
        sky.setColor(Color(0.25f, 0.25f, 0.25f, 1));
        for (Light* made : {&sun, &sky})
            lights.emplace_back(*made)->activate(**renderView);
    }

    // One frame through the driver's frame loop; `content` runs inside the view.
    void frame(const std::function<void(D3DRenderView&)>& content) {
        view.content = [&](RenderView& rv) { content(static_cast<D3DRenderView&>(rv)); };
        theRenderDriver->draw();
        view.content = nullptr;
    }
    // A frame drawing the shells in order, after `before`; its pixels kept.
    void drawScene(std::vector<RenderMeshShellInterface*> shells,
                   const std::function<void()>& before = {}) {
        frame([&](D3DRenderView&) {
            if (!lights.empty())  // the sun shines from its activation on
                theRenderDriver->renderLight(lights[1].get(), sky.getGlobalTM(),
                                             sky.getGlobalOff());
            if (before)
                before();
            for (RenderMeshShellInterface* shell : shells)
                theRenderDriver->renderMesh(shell);
        });
        pixels = platform::testing::readSurfaceARGB(g_pFramework->GetFrontBuffer());
        ASSERT_EQ(pixels.size(), std::size_t(kWidth) * kHeight);
    }
    // The pixel showing the world point (x up, y right) at depth z has each
    // channel within [lo, hi].
    void expectIn(float x, float y, float z, Rgb lo, Rgb hi = {255, 255, 255}) const {
        const std::size_t sx = kWidth / 2.0f * (1 + y / z);
        const std::size_t sy = kHeight / 2.0f * (1 - 4.0f / 3.0f * x / z);
        const uint32_t p = pixels.at(sy * kWidth + sx);
        for (int i = 0; i < 3; ++i) {
            const int c = p >> (16 - 8 * i) & 0xFF;
            EXPECT_TRUE(lo[i] <= c && c <= hi[i]) << x << ", " << y << ": " << std::hex << p;
        }
    }
    void expectBlack(float x, float y, float z) const { expectIn(x, y, z, {}, {}); }
    // Half-transparent blue at depth 4 over the green wall's corner (top 2,
    // left -4, bottom -2, right 0, depth 8), over the black background, and
    // the wall alone.
    void expectGlassOverWall() const {
        expectIn(0.5f, -0.5f, 4, {0, 71, 71}, {255, 189, 189});
        expectIn(0.5f, 0.5f, 4, {0, 0, 71}, {255, 19, 189});
        expectIn(0, -3, 8, {0, 201, 0}, {255, 255, 19});
    }

    // Morphs the mesh to its base key (or `key`) with a clip test, as the shell does.
    static MorphingInformation morphToBase(D3DOneLevelRenderMesh& mesh, const Vector& offset = {},
                                           const KeyMesh* key = nullptr) {
        static const TMatrix identity;
        using MI = MorphingInformation;
        MI info;
        info.flags = MI::GEOMETRY | MI::NORMALS | MI::TEXTURE | MI::MODEL_BOX | MI::NEW_TRANSFORM;
        info.worldMatrix = &identity;
        info.worldOffset = &offset;
        info.keys[0] = key ? key : &mesh.getBaseKeyMesh().getKeyMesh();
        info.clipFlags = MI::CLIP_TEST;
        mesh.morph(&info);
        return info;
    }
    // morph, transform (lit) and render with the given flags.
    static void drawMesh(D3DOneLevelRenderMesh& mesh, unsigned renderFlags) {
        morphToBase(mesh);
        TransformInformation transform{TransformInformation::LIGHT};
        mesh.transform(&transform);
        RenderInformation render;
        render.flags = renderFlags;
        mesh.render(&render);
    }

    static constexpr int kWidth = 640, kHeight = 480;
    SceneView view;
    Camera camera;
    std::unique_ptr<ScopedRenderView> renderView;
    std::vector<uint32_t> pixels;
    std::deque<Texture> textures;
    std::deque<Material> materials;
    std::deque<MeshBuilder> builders;
    Light sun{DIRECTIONAL_LIGHT}, sky{AMBIENT_LIGHT};
    std::deque<ScopedRenderLight> lights;
};
