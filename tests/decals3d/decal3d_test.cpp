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
    // Top, left, bottom, right at depth z: clockwise on the screen, or with
    // left and right swapped, its back.
    static void place(Decal3D& decal, float top, float left, float bottom, float right, float z) {
        const Vector corners[4] = {
            {top, left, z}, {top, right, z}, {bottom, left, z}, {bottom, right, z}};
        decal.setCorners(corners);
    }
    static D3DRenderDecal3D& renderOf(const Decal3D& decal) {
        return *dynamic_cast<D3DRenderDecal3D*>(decal.getRenderMesh());
    }
    static constexpr Rgb kRed{201, 0, 0};
};

}  // namespace

// Only a double-sided decal shows its back side. A new mapping (mirrored)
// and new corners reach the next frame.
TEST_F(Decal3DTest, ADecalShowsItsImageOnTheQuadAndBorrowsTheImagesTexture) {
    Image3D halves = image("halves"), red = image("red");
    Decal3D decal(&halves, TILING_NONE, false), both(&red, TILING_NONE, true),
        front(&red, TILING_NONE, false);
    place(decal, 1, -1, -1, 1, 5);
    place(both, 1, -2, -1, -3.5f, 5);
    place(front, 1, 3.5f, -1, 2, 5);
    ASSERT_NO_FATAL_FAILURE(drawScene({&decal, &both, &front}));
    expectIn(0, -0.5f, 5, kRed, {255, 255, 39});
    expectIn(0, 0.5f, 5, {0, 0, 201}, {39, 255, 255});
    for (const Vector2D& p :
         {Vector2D(0, -1.5f), Vector2D(0, 1.5f), Vector2D(1.5f, 0), Vector2D(-1.5f, 0)})
        expectBlack(p.u, p.v, 5);
    expectIn(0, -2.75f, 5, kRed);
    expectBlack(0, 2.75f, 5);

    for (int corner = 0; corner < 4; ++corner)
        decal.setMapping(corner, float(1 - corner % 2), float(corner / 2));
    place(decal, 1, 0, -1, 2, 5);
    ASSERT_NO_FATAL_FAILURE(drawScene({&decal}));
    expectIn(0, 0.5f, 5, {0, 0, 201});
    expectIn(0, 1.5f, 5, kRed);
    expectBlack(0, -0.5f, 5);

    // Kept: the image's texture is only lent to the decal's map: it keeps its
    // surface after the decal goes, and the other decal still shows it.
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
    EXPECT_EQ(std::make_pair(theD3DRenderMaterialManager->getMaterialCount(),
                             redImage->getSurface() != nullptr),
              std::make_pair(materials + 1, true));
    ASSERT_NO_FATAL_FAILURE(drawScene({&second}));
    expectIn(0, 2.5f, 5, kRed);
    expectBlack(0, 0, 5);
}

// A translucent decal waits for the alpha pass, or is drawn once at once
// when asked to draw its alpha part without deferring; an opaque one is
// never deferred.
TEST_F(Decal3DTest, ATranslucentDecalIsBlendedInTheAlphaPassAnOpaqueOneDrawnAtOnce) {
    using RI = RenderInformation;
    Image3D glass = image("glass"), red = image("red");
    Decal3D pane(&glass, TILING_NONE, false), solid(&red, TILING_NONE, false),
        direct(&glass, TILING_NONE, false);
    place(pane, 1, -1, -1, 1, 4);
    place(solid, 1, 2, -1, 3, 4);
    place(direct, 3, -1, 2, 1, 4);
    RenderMeshShell wall(build().material(material("green")).quad(0, 2, -4, -2, 0, 8).finish());
    wall.setLighting(false);
    std::vector<unsigned> drawn;
    ASSERT_NO_FATAL_FAILURE(drawScene({&wall}, [&] {
        drawn.push_back(draws());
        theRenderDriver->renderMesh(&pane);
        drawn.push_back(draws());
        theRenderDriver->renderMesh(&solid);
        drawn.push_back(draws());
        drawMesh(renderOf(direct), RI::REGULAR | RI::ALPHA);
        drawn.push_back(draws());
    }));  // the wall after the pane, still under it
    drawn.push_back(draws());
    for (unsigned& count : drawn)
        count -= drawn[0];
    EXPECT_EQ(drawn, (std::vector<unsigned>{0, 0, 1, 2, 4}));
    expectGlassOverWall();
    expectIn(0, 2.5f, 4, kRed);
}
