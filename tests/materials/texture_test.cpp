// Render textures and maps: frames loaded through the texture manager, the
// frame due at a given time for each animation type, tiling, and the texture
// a material binds.
#include "materials_fixture.h"

#include <engine/core/render_view.h>
#include <engine/core/view.h>

#include <cmath>
#include <memory>
#include <vector>

// ---------------------------------------------------------------------------
// Frame arithmetic, without a device

TEST(FrameSelection, FourFramesAtTwoPerSecondAfterTwoPointSixSeconds) {
    const long long frame = RenderTexture::elapsedFrames(2.6, 2.0f);
    EXPECT_EQ(frame, 5);
    EXPECT_EQ(RenderTexture::selectFrame(frame, 4, ANIMATION_LOOP), 1);
    EXPECT_EQ(RenderTexture::selectFrame(frame, 4, ANIMATION_BACK_AND_FORTH), 2);
    EXPECT_EQ(RenderTexture::selectFrame(frame, 4, ANIMATION_ONCE), 3);
}

TEST(FrameSelection, ElapsedFramesRoundDownExceptJustBelowAWholeFrame) {
    EXPECT_EQ(RenderTexture::elapsedFrames(0.0, 2.0f), 0);
    EXPECT_EQ(RenderTexture::elapsedFrames(0.49, 2.0f), 0);  // 0.98 frames
    EXPECT_EQ(RenderTexture::elapsedFrames(0.5, 2.0f), 1);
    EXPECT_EQ(RenderTexture::elapsedFrames(1.2, 2.0f), 2);  // 2.4 frames
    // Within 0.0003 of the next frame the conversion already counts it.
    EXPECT_EQ(RenderTexture::elapsedFrames(1.9999, 1.0f), 2);
    EXPECT_EQ(RenderTexture::elapsedFrames(1.9990, 1.0f), 1);
}

TEST(FrameSelection, BadClockValuesGiveTheFirstFrame) {
    EXPECT_EQ(RenderTexture::elapsedFrames(-3.0, 2.0f), 0);
    EXPECT_EQ(RenderTexture::elapsedFrames(3.0, -2.0f), 0);
    EXPECT_EQ(RenderTexture::elapsedFrames(3.0, std::nanf("")), 0);
    const long long huge = RenderTexture::elapsedFrames(1e30, 1e30f);
    EXPECT_GT(huge, 0);
    EXPECT_GE(RenderTexture::selectFrame(huge, 4, ANIMATION_LOOP), 0);
    EXPECT_LT(RenderTexture::selectFrame(huge, 4, ANIMATION_LOOP), 4);
}

TEST(FrameSelection, EachAnimationTypeWalksThreeFramesItsOwnWay) {
    struct Case {
        int type;
        std::vector<int> frames;  // for f = 0, 1, 2, ...
    };
    const Case cases[] = {{ANIMATION_LOOP, {0, 1, 2, 0, 1, 2, 0}},
                          {ANIMATION_BACK_AND_FORTH, {0, 1, 2, 2, 1, 0, 0, 1, 2, 2}},
                          {ANIMATION_ONCE, {0, 1, 2, 2, 2, 2, 2}}};
    for (const Case& c : cases)
        for (int f = 0; f < static_cast<int>(c.frames.size()); ++f)
            EXPECT_EQ(RenderTexture::selectFrame(f, 3, c.type), c.frames[f])
                << "type " << c.type << ", f " << f;
}

TEST(FrameSelection, OneFrameOrUnknownTypesStayInRange) {
    EXPECT_EQ(RenderTexture::selectFrame(7, 1, ANIMATION_LOOP), 0);
    EXPECT_EQ(RenderTexture::selectFrame(7, 0, ANIMATION_ONCE), 0);
    EXPECT_EQ(RenderTexture::selectFrame(-5, 4, ANIMATION_LOOP), 0);
    for (int f = 0; f < 12; ++f) {
        const int frame = RenderTexture::selectFrame(f, 4, 7);
        EXPECT_GE(frame, 0);
        EXPECT_LT(frame, 4);
    }
}

// ---------------------------------------------------------------------------
// Render textures on the device

namespace {

Texture animatedTexture(int animationType) {
    Texture texture;
    for (int i = 0; i < 4; ++i)
        texture.addFrame(frameName(i));
    texture.setFrameRate(2.0f);
    texture.setAnimationType(animationType);
    return texture;
}

struct RenderTextureDeleter {
    void operator()(RenderTexture* texture) const {
        theD3DRenderTextureManager->destroyTexture(texture);
    }
};
using RenderTexturePtr = std::unique_ptr<RenderTexture, RenderTextureDeleter>;

RenderTexturePtr makeTexture(const Texture& texture) {
    return RenderTexturePtr(theD3DRenderTextureManager->createTexture(texture));
}

struct NoView : RenderView {
    explicit NoView(View& view) : RenderView(view) {}
    Color calculateIllumination(Vector) override { return Color(); }
};

}  // namespace

class RenderTextureTest : public MaterialsTest {
protected:
    // Activates at `start` and shows the frame due at `now` on stage 0.
    int shownFrame(RenderTexture& texture, double start, double now) {
        setPausedTime(start);
        texture.activate(view());
        setPausedTime(now);
        texture.makeCurrent(0);
        IDirect3DTexture2* bound = boundTexture(0);
        const auto& maps = texture.getMaps();
        for (size_t i = 0; i < maps.size(); ++i)
            if (maps[i] && maps[i]->getTexture()->getTexture(0) == bound)
                return static_cast<int>(i);
        return -1;
    }

    RenderView& view() { return renderView; }

    View engineView;
    NoView renderView{engineView};
};

TEST_F(RenderTextureTest, EveryFrameIsLoadedAndRestoredForStageZero) {
    const Texture source = animatedTexture(ANIMATION_LOOP);
    RenderTexturePtr texture = makeTexture(source);
    ASSERT_EQ(texture->getMaps().size(), 4u);
    std::vector<IDirect3DTexture2*> seen;
    for (RenderMap* map : texture->getMaps()) {
        ASSERT_NE(map, nullptr);
        ASSERT_NE(map->getTexture(), nullptr);
        IDirect3DTexture2* d3dTexture = map->getTexture()->getTexture(0);
        EXPECT_NE(d3dTexture, nullptr);
        for (IDirect3DTexture2* other : seen)
            EXPECT_NE(other, d3dTexture);
        seen.push_back(d3dTexture);
        EXPECT_FALSE(map->hasAlpha());
        EXPECT_EQ(map->getAlphaFormat(), ALPHA_NONE);
    }
    EXPECT_FALSE(texture->hasAlpha());
    EXPECT_EQ(texture->getSource(), &source);
}

TEST_F(RenderTextureTest, LoopShowsFrameOneAfterTwoPointSixSeconds) {
    const Texture source = animatedTexture(ANIMATION_LOOP);
    RenderTexturePtr texture = makeTexture(source);
    EXPECT_EQ(shownFrame(*texture, 0.0, 2.6), 1);
    EXPECT_EQ(shownFrame(*texture, 0.0, 0.2), 0);
    EXPECT_EQ(shownFrame(*texture, 0.0, 1.6), 3);
}

TEST_F(RenderTextureTest, BackAndForthShowsFrameTwoAfterTwoPointSixSeconds) {
    const Texture source = animatedTexture(ANIMATION_BACK_AND_FORTH);
    RenderTexturePtr texture = makeTexture(source);
    EXPECT_EQ(shownFrame(*texture, 0.0, 2.6), 2);
    EXPECT_EQ(shownFrame(*texture, 0.0, 3.6), 0);
    EXPECT_EQ(shownFrame(*texture, 0.0, 4.1), 0);  // forwards again
}

TEST_F(RenderTextureTest, OnceShowsTheLastFrameAfterTwoPointSixSeconds) {
    const Texture source = animatedTexture(ANIMATION_ONCE);
    RenderTexturePtr texture = makeTexture(source);
    EXPECT_EQ(shownFrame(*texture, 0.0, 2.6), 3);
    EXPECT_EQ(shownFrame(*texture, 0.0, 1.1), 2);
    EXPECT_EQ(shownFrame(*texture, 0.0, 100.0), 3);
}

TEST_F(RenderTextureTest, ActivateRestartsTheClock) {
    const Texture source = animatedTexture(ANIMATION_ONCE);
    RenderTexturePtr texture = makeTexture(source);
    EXPECT_EQ(shownFrame(*texture, 10.0, 10.6), 1);
    EXPECT_FLOAT_EQ(texture->getStartTime(), 10.0f);
    EXPECT_EQ(shownFrame(*texture, 50.0, 50.1), 0);
    texture->deactivate(view());
    EXPECT_FLOAT_EQ(texture->getStartTime(), 50.0f);
}

TEST_F(RenderTextureTest, AOneFrameTextureAlwaysShowsIt) {
    Texture source(frameName(2));
    source.setFrameRate(30.0f);
    RenderTexturePtr texture = makeTexture(source);
    ASSERT_EQ(texture->getMaps().size(), 1u);
    EXPECT_EQ(shownFrame(*texture, 0.0, 12.3), 0);
}

TEST_F(RenderTextureTest, ATextureSharedByTwoKeepsItsSurfaceWhenOneGoes) {
    Texture source(frameName(1));
    RenderTexturePtr first = makeTexture(source);
    RenderTexturePtr second = makeTexture(source);
    TextureInterface* shared = second->getMaps()[0]->getTexture();
    ASSERT_EQ(first->getMaps()[0]->getTexture(), shared);
    first.reset();
    ASSERT_NE(shared->getTexture(0), nullptr);
    second->makeCurrent(0);
    EXPECT_EQ(boundTexture(0), shared->getTexture(0));
}

TEST_F(RenderTextureTest, AFrameWithAlphaGivesTheTextureAlpha) {
    Texture source;
    source.addFrame(frameName(0));
    source.addFrame("/Images/Materials/glass.tga");
    RenderTexturePtr texture = makeTexture(source);
    ASSERT_EQ(texture->getMaps().size(), 2u);
    EXPECT_FALSE(texture->getMaps()[0]->hasAlpha());
    EXPECT_TRUE(texture->getMaps()[1]->hasAlpha());
    EXPECT_EQ(texture->getMaps()[1]->getAlphaFormat(), ALPHA_GRADED);
    EXPECT_TRUE(texture->hasAlpha());
}

TEST_F(RenderTextureTest, TilingSetsTheAddressingOfTheStage) {
    struct Case {
        TextureTilingType tiling;
        DWORD u;
        DWORD v;
    };
    const Case cases[] = {{TILING_U, D3DTADDRESS_WRAP, D3DTADDRESS_CLAMP},
                          {TILING_V, D3DTADDRESS_CLAMP, D3DTADDRESS_WRAP},
                          {TILING_UV, D3DTADDRESS_WRAP, D3DTADDRESS_WRAP},
                          {TILING_NONE, D3DTADDRESS_CLAMP, D3DTADDRESS_CLAMP}};
    Texture source(frameName(0));
    for (const Case& c : cases) {
        source.setTilingType(c.tiling);
        RenderTexturePtr texture = makeTexture(source);
        EXPECT_EQ(texture->getTilingType(), c.tiling);
        texture->makeCurrent(1);
        EXPECT_EQ(deviceStage(1, D3DTSS_ADDRESSU), c.u) << c.tiling;
        EXPECT_EQ(deviceStage(1, D3DTSS_ADDRESSV), c.v) << c.tiling;
    }
}

TEST_F(RenderTextureTest, TheManagerMakesCurrentForStageZeroOrTheGivenStage) {
    Texture source(frameName(3));
    RenderTexturePtr texture = makeTexture(source);
    IDirect3DTexture2* d3dTexture = texture->getMaps()[0]->getTexture()->getTexture(0);
    theD3DRenderTextureManager->setCurrentTexture(texture.get());
    EXPECT_EQ(boundTexture(0), d3dTexture);

    theD3DRenderTextureManager->setCurrentTexture(texture.get(), 2);
    const auto arguments = platform::testing::lastArguments("IDirect3DDevice3::SetTexture");
    ASSERT_EQ(arguments.size(), 2u);
    EXPECT_EQ(arguments[0], 2u);

    theD3DRenderTextureManager->setCurrentTexture(nullptr);
    theD3DRenderTextureManager->setCurrentTexture(texture.get(), 99);  // no such stage
    theD3DRenderTextureManager->setCurrentTexture(texture.get(), -1);
    EXPECT_EQ(boundTexture(0), d3dTexture);
    theD3DRenderTextureManager->destroyTexture(nullptr);
}

TEST_F(RenderTextureTest, DestroyingAMapGivesItsTextureBack) {
    RenderMap* map = RenderMap::load(frameName(1).c_str(), 0, 0);
    ASSERT_NE(map, nullptr);
    ASSERT_NE(map->getTexture(), nullptr);
    const unsigned long before = theD3DTextureManager->getTexturesSize();
    EXPECT_GT(before, 0u);
    delete map;
    EXPECT_LT(theD3DTextureManager->getTexturesSize(), before);
}

TEST_F(RenderTextureTest, AnEmptyMapHasNoAlphaAndBindsNothing) {
    RenderMap map;
    EXPECT_EQ(map.getTexture(), nullptr);
    EXPECT_FALSE(map.hasAlpha());
    EXPECT_EQ(map.getAlphaFormat(), ALPHA_NONE);
    Texture source(frameName(0));
    RenderTexturePtr texture = makeTexture(source);
    texture->makeCurrent(0);
    ASSERT_NE(boundTexture(0), nullptr);
    map.makeCurrent(0);
    EXPECT_EQ(boundTexture(0), nullptr);
}

// ---------------------------------------------------------------------------
// Textures of materials

class MaterialTextureTest : public RenderTextureTest {};

TEST_F(MaterialTextureTest, AMaterialMakesARenderTexturePerSlot) {
    Texture plain(frameName(0));
    Texture glass("/Images/Materials/glass.tga");
    Material source;
    source.setTexture(0, &plain);
    source.setTexture(3, &glass);
    RenderMaterial* material = theD3DRenderMaterialManager->createMaterial(source);
    RenderTexture* const* textures = material->getTextures();
    ASSERT_NE(textures[0], nullptr);
    EXPECT_EQ(textures[0]->getSource(), &plain);
    EXPECT_EQ(textures[1], nullptr);
    EXPECT_EQ(textures[2], nullptr);
    ASSERT_NE(textures[3], nullptr);
    EXPECT_EQ(textures[3]->getSource(), &glass);
    EXPECT_EQ(textures[4], nullptr);
    EXPECT_TRUE(material->hasAlpha());
    theD3DRenderMaterialManager->destroyMaterial(material);
}

TEST_F(MaterialTextureTest, WithoutATextureInSlotOneTheWhiteSampleIsBound) {
    Texture plain(frameName(0));
    Material source;
    source.setTexture(0, &plain);  // slot 0 is not the one drawn with
    RenderMaterial* material = theD3DRenderMaterialManager->createMaterial(source);
    EXPECT_FALSE(material->hasAlpha());
    for (int stage : {0, 1}) {
        material->makeCurrentTexture(stage);
        TextureInterface* sample = theD3DTextureManager->getSampleTexture(stage, ALPHA_NONE);
        ASSERT_NE(sample, nullptr);
        EXPECT_EQ(sample->getImageWidth(), 1);
        EXPECT_EQ(boundTexture(static_cast<DWORD>(stage)), sample->getTexture(stage)) << stage;
    }
    theD3DRenderMaterialManager->destroyMaterial(material);
}

TEST_F(MaterialTextureTest, TheTextureInSlotOneIsBoundWithItsTiling) {
    Texture tiled(frameName(2));
    tiled.setTilingType(TILING_U);
    Material source;
    source.setTexture(1, &tiled);
    RenderMaterial* material = theD3DRenderMaterialManager->createMaterial(source);
    material->makeCurrentTexture(0);
    const RenderMap* map = material->getTextures()[1]->getMaps()[0];
    EXPECT_EQ(boundTexture(0), map->getTexture()->getTexture(0));
    EXPECT_EQ(deviceStage(0, D3DTSS_ADDRESSU), static_cast<DWORD>(D3DTADDRESS_WRAP));
    EXPECT_EQ(deviceStage(0, D3DTSS_ADDRESSV), static_cast<DWORD>(D3DTADDRESS_CLAMP));
    theD3DRenderMaterialManager->destroyMaterial(material);
}
