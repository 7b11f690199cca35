// 3D decals in whole frames on a 640 x 480 mode: the image on the quad, the
// alpha pass for translucent images, sidedness, and the decal's map in the
// material's texture.
#include "../meshes/meshes_fixture.h"

#include "application.h"
#include "d3dframe/d3dframe.h"
#include "rdecal3d.h"
#include "rimage.h"

#include <engine/core/decal.h>
#include <engine/core/render_mesh_shell.h>

#include <algorithm>

namespace {

struct Rgb {
    int r, g, b;
};

class Decal3DTest : public MeshesTest {
protected:
    static Image3D image(const char* file) {
        return Image3D((std::string("/Images/Meshes/") + file).c_str(), true, 0);
    }
    // Top, left, bottom, right at depth z, clockwise on the screen unless
    // `backward`.
    static void place(Decal3D& decal, float top, float left, float bottom, float right, float z,
                      bool backward = false) {
        if (backward)
            std::swap(left, right);
        const Vector corners[4] = {{top, left, z}, {top, right, z}, {bottom, left, z},
                                   {bottom, right, z}};
        decal.setCorners(corners);
    }
    static D3DRenderDecal3D& renderOf(const Decal3D& decal) {
        return *dynamic_cast<D3DRenderDecal3D*>(decal.getRenderMesh());
    }

    void drawScene(std::vector<RenderMeshShellInterface*> shells) {
        frame([&](D3DRenderView&) {
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
    static bool black(const Rgb& c) { return c.r + c.g + c.b == 0; }

    std::vector<uint32_t> pixels;
};

}  // namespace

TEST_F(Decal3DTest, TheFactorysBaseKeyMeshIsOneTexturedStripOfFourCorners) {
    const BaseKeyMesh& mesh = theD3DRenderDecalFactory->getBaseDecalKeyMesh();
    const KeyMesh& key = mesh.getKeyMesh();
    EXPECT_EQ(key.getGeometryVertexCount(), 4);
    ASSERT_EQ(key.getNormalCount(), 1);
    EXPECT_EQ(key.normals[0].z, 1.0f);
    EXPECT_EQ(key.getTextureVertexCount(), 4);
    ASSERT_EQ(mesh.getStripCount(), 1);
    const MeshSet& strip = mesh.getStrips()[0];
    ASSERT_EQ(strip.vertexCount(), 4);
    for (int v = 0; v < 4; ++v)
        EXPECT_TRUE(strip.vertex(v).geometry == v && strip.vertex(v).normal == 0 &&
                    strip.vertex(v).texture == v);
    ASSERT_EQ(mesh.getMaterialSet(0).size(), 1u);
    const MeshMaterial& material = mesh.getMaterialSet(0)[0];
    EXPECT_EQ(material.flags, unsigned(MeshMaterial::TEXTURED));
    ASSERT_NE(material.material, nullptr);
    ASSERT_NE(material.material->getTexture(1), nullptr);
    EXPECT_EQ(material.material->getTexture(1)->getFrameCount(), 0);
}

TEST_F(Decal3DTest, ADecalShowsItsImageOnTheQuadAndTheBackgroundElsewhere) {
    Image3D halves = image("halves.tga");
    Decal3D decal(&halves, TILING_NONE, false);
    ASSERT_NE(decal.getRenderMesh(), nullptr);
    place(decal, 1, -1, -1, 1, 5);
    ASSERT_NO_FATAL_FAILURE(drawScene({&decal}));
    const Rgb left = at(0, -0.5f, 5), right = at(0, 0.5f, 5);
    EXPECT_GT(left.r, 200);
    EXPECT_LT(left.b, 40);
    EXPECT_GT(right.b, 200);
    EXPECT_LT(right.r, 40);
    for (const Rgb& outside : {at(0, -1.5f, 5), at(0, 1.5f, 5), at(1.5f, 0, 5), at(-1.5f, 0, 5)})
        EXPECT_TRUE(black(outside));

    // A new mapping and new corners reach the next frame.
    decal.setMapping(0, 1, 0);
    decal.setMapping(1, 0, 0);
    decal.setMapping(2, 1, 1);
    decal.setMapping(3, 0, 1);
    place(decal, 1, 0, -1, 2, 5);
    ASSERT_NO_FATAL_FAILURE(drawScene({&decal}));
    EXPECT_GT(at(0, 0.5f, 5).b, 200);
    EXPECT_GT(at(0, 1.5f, 5).r, 200);
    EXPECT_TRUE(black(at(0, -0.5f, 5)));
}

TEST_F(Decal3DTest, ATranslucentDecalIsBlendedInTheAlphaPassAnOpaqueOneDrawnAtOnce) {
    Image3D glass = image("glass.tga"), red = image("red.tga");
    Decal3D pane(&glass, TILING_NONE, false), solid(&red, TILING_NONE, false);
    place(pane, 1, -1, -1, 1, 4);
    place(solid, 1, 2, -1, 3, 4);
    Texture green = texture("green.tga");
    Material greenMaterial;
    greenMaterial.setTexture(1, &green);
    MeshBuilder wallBuilder;
    wallBuilder.material(&greenMaterial).quad(0, 2, -4, -2, 0, 8);
    RenderMeshShell wall(wallBuilder.finish());
    wall.setLighting(false);

    unsigned paneDraws = 99, solidDraws = 0;
    frame([&](D3DRenderView&) {
        unsigned start = calls("IDirect3DDevice3::DrawPrimitiveVB");
        theRenderDriver->renderMesh(&pane);
        paneDraws = calls("IDirect3DDevice3::DrawPrimitiveVB") - start;
        start = calls("IDirect3DDevice3::DrawPrimitiveVB");
        theRenderDriver->renderMesh(&solid);
        solidDraws = calls("IDirect3DDevice3::DrawPrimitiveVB") - start;
        theRenderDriver->renderMesh(&wall);  // after the pane, still under it
    });
    EXPECT_EQ(paneDraws, 0u);
    EXPECT_EQ(solidDraws, 1u);
    EXPECT_TRUE(renderOf(pane).hasAlpha());
    EXPECT_FALSE(renderOf(solid).hasAlpha());

    pixels = platform::testing::readSurfaceARGB(g_pFramework->GetFrontBuffer());
    const Rgb overWall = at(0.5f, -0.5f, 4);
    EXPECT_GT(overWall.g, 70);
    EXPECT_LT(overWall.g, 190);
    EXPECT_GT(overWall.b, 70);
    EXPECT_LT(overWall.b, 190);
    const Rgb overNothing = at(0.5f, 0.5f, 4);
    EXPECT_LT(overNothing.g, 20);
    EXPECT_GT(overNothing.b, 70);
    EXPECT_LT(overNothing.b, 190);
    EXPECT_GT(at(0, 2.5f, 4).r, 200);
}

TEST_F(Decal3DTest, RenderFlagsDrawATranslucentDecalOnceAndAnOpaqueOneNeverDeferred) {
    using RI = RenderInformation;
    EXPECT_EQ(D3DRenderDecal3D::adjustRenderFlags(RI::REGULAR | RI::ALPHA | RI::DEFER_ALPHA, true),
              unsigned(RI::ALPHA | RI::DEFER_ALPHA));
    EXPECT_EQ(D3DRenderDecal3D::adjustRenderFlags(RI::REGULAR | RI::ALPHA, true),
              unsigned(RI::REGULAR | RI::ALPHA));
    EXPECT_EQ(D3DRenderDecal3D::adjustRenderFlags(RI::REGULAR, true), 0u);
    EXPECT_EQ(D3DRenderDecal3D::adjustRenderFlags(RI::REGULAR | RI::ALPHA | RI::DEFER_ALPHA, false),
              unsigned(RI::REGULAR));

    // A translucent decal asked to draw its alpha part at once draws once.
    Image3D glass = image("glass.tga");
    Decal3D pane(&glass, TILING_NONE, false);
    place(pane, 1, -1, -1, 1, 4);
    D3DRenderDecal3D& mesh = renderOf(pane);
    unsigned atOnce = 0, start = 0;
    frame([&](D3DRenderView&) {
        start = calls("IDirect3DDevice3::DrawPrimitiveVB");
        drawMesh(mesh, RI::REGULAR | RI::ALPHA);
        atOnce = calls("IDirect3DDevice3::DrawPrimitiveVB") - start;
    });
    EXPECT_EQ(atOnce, 1u);
    EXPECT_EQ(calls("IDirect3DDevice3::DrawPrimitiveVB") - start, 1u) << "it was queued too";
}

TEST_F(Decal3DTest, OnlyADoubleSidedDecalShowsItsBackSide) {
    Image3D red = image("red.tga");
    Decal3D both(&red, TILING_NONE, true), front(&red, TILING_NONE, false);
    place(both, 1, -3, -1, -1, 5, true);
    place(front, 1, 1, -1, 3, 5, true);
    ASSERT_NO_FATAL_FAILURE(drawScene({&both, &front}));
    EXPECT_EQ(renderOf(both).getVertexBuffer()->getRegularSetIndices()[0].twoSided, 1);
    EXPECT_EQ(renderOf(front).getVertexBuffer()->getRegularSetIndices()[0].twoSided, 0);
    EXPECT_GT(at(0, -2, 5).r, 200);
    EXPECT_TRUE(black(at(0, 2, 5)));
}

TEST_F(Decal3DTest, TheDecalMapBorrowsTheImagesTextureAndLeavesWithTheDecal) {
    Image3D red = image("red.tga");
    auto* redImage = dynamic_cast<D3DRenderImage3D*>(red.getRenderImage());
    ASSERT_NE(redImage, nullptr);
    const std::size_t materials = theD3DRenderMaterialManager->getMaterialCount();
    auto first = std::make_unique<Decal3D>(&red, TILING_UV, false);
    Decal3D second(&red, TILING_NONE, false);
    D3DRenderDecal3D& mesh = renderOf(*first);
    ASSERT_NE(mesh.getDecalTexture(), nullptr);
    EXPECT_EQ(mesh.getDecalTexture()->getMaps(),
              std::vector<RenderMap*>{const_cast<RenderMap*>(&mesh.getDecalMap())});
    EXPECT_EQ(mesh.getDecalMap().getTexture(), nullptr);
    place(*first, 1, -1, -1, 1, 5);
    place(second, 1, 2, -1, 3, 5);
    ASSERT_NO_FATAL_FAILURE(drawScene({first.get(), &second}));
    EXPECT_EQ(mesh.getDecalMap().getTexture(), redImage->getTextureInterface());
    EXPECT_EQ(mesh.getDecalTexture()->getTilingType(), TILING_UV);

    first.reset();
    EXPECT_EQ(theD3DRenderMaterialManager->getMaterialCount(), materials + 1);
    // The image's texture was only lent: it keeps its surface, and the other
    // decal still shows it.
    EXPECT_NE(redImage->getSurface(), nullptr);
    ASSERT_NO_FATAL_FAILURE(drawScene({&second}));
    EXPECT_GT(at(0, 2.5f, 5).r, 200);
    EXPECT_TRUE(black(at(0, 0, 5)));
}
