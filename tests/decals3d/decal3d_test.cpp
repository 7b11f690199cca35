// 3D decals in whole frames on a 640 x 480 mode: the image on the quad, the
// alpha pass for translucent images, sidedness, and the decal's map in the
// material's texture.
#include "../support/mesh_scene.h"

#include "rdecal3d.h"
#include "rimage.h"

#include <engine/core/decal.h>

namespace {

class Decal3DTest : public MeshesTest {
protected:
    static Image3D image(const char* name) {
        return Image3D(("/Images/Meshes/" + std::string(name) + ".tga").c_str(), true, 0);
    }
    // Top, left, bottom, right at depth z; clockwise on the screen unless
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
    static constexpr Rgb kBlack{0, 0, 0}, kRed{201, 0, 0};
};

}  // namespace

TEST_F(Decal3DTest, TheFactorysBaseKeyMeshIsOneTexturedStripOfFourCorners) {
    const BaseKeyMesh& mesh = theD3DRenderDecalFactory->getBaseDecalKeyMesh();
    const KeyMesh& key = mesh.getKeyMesh();
    ASSERT_EQ(std::make_tuple(key.getGeometryVertexCount(), key.getNormalCount(),
                              key.getTextureVertexCount(), mesh.getStripCount(),
                              mesh.getStrips()[0].vertexCount(), mesh.getMaterialSet(0).size()),
              std::make_tuple(4, 1, 4, 1, 4, std::size_t(1)));
    EXPECT_EQ(key.normals[0].z, 1.0f);
    for (int v = 0; v < 4; ++v) {
        const auto& vertex = mesh.getStrips()[0].vertex(v);
        EXPECT_EQ(std::make_tuple(vertex.geometry, vertex.normal, vertex.texture),
                  std::make_tuple(v, 0, v));
    }
    const MeshMaterial& material = mesh.getMaterialSet(0)[0];
    ASSERT_TRUE(material.material && material.material->getTexture(1));
    EXPECT_EQ(std::make_pair(material.flags, material.material->getTexture(1)->getFrameCount()),
              std::make_pair(unsigned(MeshMaterial::TEXTURED), 0));
}

// A new mapping (mirrored) and new corners reach the next frame.
TEST_F(Decal3DTest, ADecalShowsItsImageOnTheQuadAndTheBackgroundElsewhere) {
    Image3D halves = image("halves");
    Decal3D decal(&halves, TILING_NONE, false);
    ASSERT_NE(decal.getRenderMesh(), nullptr);
    place(decal, 1, -1, -1, 1, 5);
    ASSERT_NO_FATAL_FAILURE(drawScene({&decal}));
    expectIn(at(0, -0.5f, 5), kRed, {255, 255, 39});
    expectIn(at(0, 0.5f, 5), {0, 0, 201}, {39, 255, 255});
    for (const Rgb& outside : {at(0, -1.5f, 5), at(0, 1.5f, 5), at(1.5f, 0, 5), at(-1.5f, 0, 5)})
        expectIn(outside, kBlack, kBlack);
    for (int corner = 0; corner < 4; ++corner)
        decal.setMapping(corner, float(1 - corner % 2), float(corner / 2));
    place(decal, 1, 0, -1, 2, 5);
    ASSERT_NO_FATAL_FAILURE(drawScene({&decal}));
    expectIn(at(0, 0.5f, 5), {0, 0, 201});
    expectIn(at(0, 1.5f, 5), kRed);
    expectIn(at(0, -0.5f, 5), kBlack, kBlack);
}

// A translucent decal waits for the alpha pass, or is drawn once at once
// when asked to draw its alpha part without deferring; an opaque one is
// never deferred.
TEST_F(Decal3DTest, ATranslucentDecalIsBlendedInTheAlphaPassAnOpaqueOneDrawnAtOnce) {
    using RI = RenderInformation;
    const unsigned all = RI::REGULAR | RI::ALPHA | RI::DEFER_ALPHA;
    EXPECT_EQ(std::make_tuple(D3DRenderDecal3D::adjustRenderFlags(all, true),
                              D3DRenderDecal3D::adjustRenderFlags(RI::REGULAR | RI::ALPHA, true),
                              D3DRenderDecal3D::adjustRenderFlags(RI::REGULAR, true),
                              D3DRenderDecal3D::adjustRenderFlags(all, false)),
              std::make_tuple(unsigned(RI::ALPHA | RI::DEFER_ALPHA),
                              unsigned(RI::REGULAR | RI::ALPHA), 0u, unsigned(RI::REGULAR)));
    Image3D glass = image("glass"), red = image("red");
    Decal3D pane(&glass, TILING_NONE, false), solid(&red, TILING_NONE, false),
        direct(&glass, TILING_NONE, false);
    place(pane, 1, -1, -1, 1, 4);
    place(solid, 1, 2, -1, 3, 4);
    place(direct, 3, -1, 2, 1, 4);
    RenderMeshShell wall(build().material(material("green")).quad(0, 2, -4, -2, 0, 8).finish());
    wall.setLighting(false);
    unsigned start = 0, paneDraws = 99, solidDraws = 0, directDraws = 0;
    ASSERT_NO_FATAL_FAILURE(drawScene({&wall}, [&] {
        start = draws();
        theRenderDriver->renderMesh(&pane);
        paneDraws = draws() - start;
        theRenderDriver->renderMesh(&solid);
        solidDraws = draws() - start - paneDraws;
        drawMesh(renderOf(direct), RI::REGULAR | RI::ALPHA);
        directDraws = draws() - start - paneDraws - solidDraws;
    }));  // the wall after the pane, still under it
    EXPECT_EQ(std::make_tuple(paneDraws, solidDraws, directDraws, draws() - start,
                              renderOf(pane).hasAlpha(), renderOf(solid).hasAlpha()),
              std::make_tuple(0u, 1u, 1u, 4u, true, false));
    expectGlassOverWall();
    expectIn(at(0, 2.5f, 4), kRed);
}

TEST_F(Decal3DTest, OnlyADoubleSidedDecalShowsItsBackSide) {
    Image3D red = image("red");
    Decal3D both(&red, TILING_NONE, true), front(&red, TILING_NONE, false);
    place(both, 1, -3, -1, -1, 5, true);
    place(front, 1, 1, -1, 3, 5, true);
    ASSERT_NO_FATAL_FAILURE(drawScene({&both, &front}));
    EXPECT_EQ(std::make_pair(renderOf(both).getVertexBuffer()->getRegularSetIndices()[0].twoSided,
                             renderOf(front).getVertexBuffer()->getRegularSetIndices()[0].twoSided),
              std::make_pair(std::uint8_t(1), std::uint8_t(0)));
    expectIn(at(0, -2, 5), kRed);
    expectIn(at(0, 2, 5), kBlack, kBlack);
}

// The image's texture is only lent to the decal's map: it keeps its
// surface after the decal goes, and the other decal still shows it.
TEST_F(Decal3DTest, TheDecalMapBorrowsTheImagesTextureAndLeavesWithTheDecal) {
    Image3D red = image("red");
    auto* redImage = dynamic_cast<D3DRenderImage3D*>(red.getRenderImage());
    ASSERT_NE(redImage, nullptr);
    const std::size_t materials = theD3DRenderMaterialManager->getMaterialCount();
    auto first = std::make_unique<Decal3D>(&red, TILING_UV, false);
    Decal3D second(&red, TILING_NONE, false);
    D3DRenderDecal3D& mesh = renderOf(*first);
    ASSERT_NE(mesh.getDecalTexture(), nullptr);
    EXPECT_EQ(std::make_pair(mesh.getDecalTexture()->getMaps(), mesh.getDecalMap().getTexture()),
              std::make_pair(std::vector<RenderMap*>{const_cast<RenderMap*>(&mesh.getDecalMap())},
                             (TextureInterface*)nullptr));
    place(*first, 1, -1, -1, 1, 5);
    place(second, 1, 2, -1, 3, 5);
    ASSERT_NO_FATAL_FAILURE(drawScene({first.get(), &second}));
    EXPECT_EQ(
        std::make_pair(mesh.getDecalMap().getTexture(), mesh.getDecalTexture()->getTilingType()),
        std::make_pair(redImage->getTextureInterface(), TILING_UV));
    first.reset();
    EXPECT_EQ(theD3DRenderMaterialManager->getMaterialCount(), materials + 1);
    EXPECT_NE(redImage->getSurface(), nullptr);
    ASSERT_NO_FATAL_FAILURE(drawScene({&second}));
    expectIn(at(0, 2.5f, 5), kRed);
    expectIn(at(0, 0, 5), kBlack, kBlack);
}
