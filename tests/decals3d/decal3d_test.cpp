// 3D decals in whole frames on a 640 x 480 mode: the image on the quad, the
// alpha pass for translucent images, sidedness, and the decal's map in the
// material's texture.
#include "../meshes/meshes_fixture.h"

#include "rdecal3d.h"
#include "rimage.h"

#include <engine/core/decal.h>

#include <algorithm>
#include <tuple>

namespace {

class Decal3DTest : public MeshesTest {
protected:
    static Image3D image(const char* name) {
        return Image3D(("/Images/Meshes/" + std::string(name) + ".tga").c_str(), true, 0);
    }
    // Top, left, bottom, right at depth z, clockwise on the screen unless
    // `backward`.
    static void place(Decal3D& decal, float top, float left, float bottom, float right, float z,
                      bool backward = false) {
        if (backward)
            std::swap(left, right);
        const Vector corners[4] = {
            {top, left, z}, {top, right, z}, {bottom, left, z}, {bottom, right, z}};
        decal.setCorners(corners);
    }
    static D3DRenderDecal3D& renderOf(const Decal3D& decal) {
        return *dynamic_cast<D3DRenderDecal3D*>(decal.getRenderMesh());
    }
    static constexpr Rgb kBlack{0, 0, 0}, kStrong{201, 0, 0};
};

}  // namespace

TEST_F(Decal3DTest, TheFactorysBaseKeyMeshIsOneTexturedStripOfFourCorners) {
    const BaseKeyMesh& mesh = theD3DRenderDecalFactory->getBaseDecalKeyMesh();
    const KeyMesh& key = mesh.getKeyMesh();
    ASSERT_EQ(std::make_tuple(key.getGeometryVertexCount(), key.getNormalCount(),
                              key.getTextureVertexCount(), mesh.getStripCount()),
              std::make_tuple(4, 1, 4, 1));
    EXPECT_EQ(key.normals[0].z, 1.0f);
    const MeshSet& strip = mesh.getStrips()[0];
    ASSERT_EQ(strip.vertexCount(), 4);
    for (int v = 0; v < 4; ++v)
        EXPECT_TRUE(strip.vertex(v).geometry == v && strip.vertex(v).normal == 0 &&
                    strip.vertex(v).texture == v);
    ASSERT_EQ(mesh.getMaterialSet(0).size(), 1u);
    const MeshMaterial& material = mesh.getMaterialSet(0)[0];
    EXPECT_EQ(material.flags, unsigned(MeshMaterial::TEXTURED));
    ASSERT_TRUE(material.material && material.material->getTexture(1));
    EXPECT_EQ(material.material->getTexture(1)->getFrameCount(), 0);
}

TEST_F(Decal3DTest, ADecalShowsItsImageOnTheQuadAndTheBackgroundElsewhere) {
    Image3D halves = image("halves");
    Decal3D decal(&halves, TILING_NONE, false);
    ASSERT_NE(decal.getRenderMesh(), nullptr);
    place(decal, 1, -1, -1, 1, 5);
    ASSERT_NO_FATAL_FAILURE(drawScene({&decal}));
    expectIn(at(0, -0.5f, 5), kStrong, {255, 255, 39});
    expectIn(at(0, 0.5f, 5), {0, 0, 201}, {39, 255, 255});
    for (const Rgb& outside : {at(0, -1.5f, 5), at(0, 1.5f, 5), at(1.5f, 0, 5), at(-1.5f, 0, 5)})
        expectIn(outside, kBlack, kBlack);

    // A new mapping (mirrored) and new corners reach the next frame.
    for (int corner = 0; corner < 4; ++corner)
        decal.setMapping(corner, float(1 - corner % 2), float(corner / 2));
    place(decal, 1, 0, -1, 2, 5);
    ASSERT_NO_FATAL_FAILURE(drawScene({&decal}));
    expectIn(at(0, 0.5f, 5), {0, 0, 201});
    expectIn(at(0, 1.5f, 5), kStrong);
    expectIn(at(0, -0.5f, 5), kBlack, kBlack);
}

TEST_F(Decal3DTest, ATranslucentDecalIsBlendedInTheAlphaPassAnOpaqueOneDrawnAtOnce) {
    Image3D glass = image("glass"), red = image("red");
    Decal3D pane(&glass, TILING_NONE, false), solid(&red, TILING_NONE, false);
    place(pane, 1, -1, -1, 1, 4);
    place(solid, 1, 2, -1, 3, 4);
    MeshBuilder wallBuilder;
    RenderMeshShell wall(wallBuilder.material(material("green")).quad(0, 2, -4, -2, 0, 8).finish());
    wall.setLighting(false);

    unsigned paneDraws = 99, solidDraws = 0;
    ASSERT_NO_FATAL_FAILURE(drawScene({&wall}, [&] {
        unsigned start = draws();
        theRenderDriver->renderMesh(&pane);
        paneDraws = draws() - start;
        start = draws();
        theRenderDriver->renderMesh(&solid);
        solidDraws = draws() - start;
    }));  // the wall after the pane, still under it
    EXPECT_EQ(std::make_tuple(paneDraws, solidDraws, renderOf(pane).hasAlpha(),
                              renderOf(solid).hasAlpha()),
              std::make_tuple(0u, 1u, true, false));
    expectGlassOverWall();
    expectIn(at(0, 2.5f, 4), kStrong);
}

TEST_F(Decal3DTest, RenderFlagsDrawATranslucentDecalOnceAndAnOpaqueOneNeverDeferred) {
    using RI = RenderInformation;
    const unsigned all = RI::REGULAR | RI::ALPHA | RI::DEFER_ALPHA;
    EXPECT_EQ(D3DRenderDecal3D::adjustRenderFlags(all, true),
              unsigned(RI::ALPHA | RI::DEFER_ALPHA));
    EXPECT_EQ(D3DRenderDecal3D::adjustRenderFlags(RI::REGULAR | RI::ALPHA, true),
              unsigned(RI::REGULAR | RI::ALPHA));
    EXPECT_EQ(D3DRenderDecal3D::adjustRenderFlags(RI::REGULAR, true), 0u);
    EXPECT_EQ(D3DRenderDecal3D::adjustRenderFlags(all, false), unsigned(RI::REGULAR));

    // A translucent decal asked to draw its alpha part at once draws once.
    Image3D glass = image("glass");
    Decal3D pane(&glass, TILING_NONE, false);
    place(pane, 1, -1, -1, 1, 4);
    unsigned atOnce = 0, start = 0;
    frame([&](D3DRenderView&) {
        start = draws();
        drawMesh(renderOf(pane), RI::REGULAR | RI::ALPHA);
        atOnce = draws() - start;
    });
    EXPECT_EQ(atOnce, 1u);
    EXPECT_EQ(draws() - start, 1u) << "it was queued too";
}

TEST_F(Decal3DTest, OnlyADoubleSidedDecalShowsItsBackSide) {
    Image3D red = image("red");
    Decal3D both(&red, TILING_NONE, true), front(&red, TILING_NONE, false);
    place(both, 1, -3, -1, -1, 5, true);
    place(front, 1, 1, -1, 3, 5, true);
    ASSERT_NO_FATAL_FAILURE(drawScene({&both, &front}));
    EXPECT_EQ(renderOf(both).getVertexBuffer()->getRegularSetIndices()[0].twoSided, 1);
    EXPECT_EQ(renderOf(front).getVertexBuffer()->getRegularSetIndices()[0].twoSided, 0);
    expectIn(at(0, -2, 5), kStrong);
    expectIn(at(0, 2, 5), kBlack, kBlack);
}

// The image's texture is only lent to the decal's map.
TEST_F(Decal3DTest, TheDecalMapBorrowsTheImagesTextureAndLeavesWithTheDecal) {
    Image3D red = image("red");
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
    // The image keeps its surface, and the other decal still shows it.
    EXPECT_NE(redImage->getSurface(), nullptr);
    ASSERT_NO_FATAL_FAILURE(drawScene({&second}));
    expectIn(at(0, 2.5f, 5), kStrong);
    expectIn(at(0, 0, 5), kBlack, kBlack);
}
