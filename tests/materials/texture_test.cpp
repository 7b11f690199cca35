// Render textures: frames loaded through the texture manager, the frame due
// at a given time for each animation type, and tiling.
#include "materials_fixture.h"

#include <engine/core/render_view.h>
#include <engine/core/view.h>

#include <cmath>
#include <memory>
#include <vector>

// Frames elapsed: rounded down, except within 0.0003 of the next frame;
// nothing for bad clock values.
TEST(FrameSelection, ElapsedFramesRoundDownExceptJustBelowAWholeFrame) {
    const struct {
        double seconds;
        float rate;
        long long frames;
    } cases[] = {{0.0, 2.0f, 0},  {0.49, 2.0f, 0},        {0.5, 2.0f, 1},   {1.2, 2.0f, 2},
                 {2.6, 2.0f, 5},  {1.9999, 1.0f, 2},      {1.999, 1.0f, 1}, {-3.0, 2.0f, 0},
                 {3.0, -2.0f, 0}, {3.0, std::nanf(""), 0}};
    for (const auto& c : cases)
        EXPECT_EQ(c.frames, RenderTexture::elapsedFrames(c.seconds, c.rate)) << c.seconds;
    const long long huge = RenderTexture::elapsedFrames(1e30, 1e30f);
    EXPECT_GT(huge, 0);
    const int frame = RenderTexture::selectFrame(huge, 4, ANIMATION_LOOP);
    EXPECT_TRUE(frame >= 0 && frame < 4) << frame;
}

// ---------------------------------------------------------------------------
// Render textures on the device

namespace {

struct RenderTextureDeleter {
    void operator()(RenderTexture* t) const { theD3DRenderTextureManager->destroyTexture(t); }
};
using RenderTexturePtr = std::unique_ptr<RenderTexture, RenderTextureDeleter>;

RenderTexturePtr makeTexture(const Texture& texture) {
    return RenderTexturePtr(theD3DRenderTextureManager->createTexture(texture));
}

struct NoView : RenderView {
    explicit NoView(View& view) : RenderView(view) {}
    Color calculateIllumination(Vector) override { return Color(); }
};

// The Direct3D texture of a map for stage 0.
IDirect3DTexture2* d3dTexture(const RenderMap* map) {
    return map->getTexture()->getTexture(0);
}

}  // namespace

class RenderTextureTest : public MaterialsTest {
protected:
    // Activates at `start` and binds the frame due at `now` to stage 0.
    int shownFrame(RenderTexture& texture, double start, double now) {
        setPausedTime(start);
        texture.activate(renderView);
        setPausedTime(now);
        texture.makeCurrent(0);
        const auto& maps = texture.getMaps();
        for (size_t i = 0; i < maps.size(); ++i)
            if (d3dTexture(maps[i]) == boundTexture(0))
                return int(i);
        return -1;
    }
    static void setPausedTime(double seconds) { thePausedRenderTimer->update(seconds); }

    View engineView;
    NoView renderView{engineView};
};

TEST_F(RenderTextureTest, EveryFrameIsLoadedAndTheFrameDueIsBound) {
    Texture source;
    for (int i = 0; i < 4; ++i)
        source.addFrame(frameName(i));
    source.setFrameRate(2.0f);
    RenderTexturePtr texture = makeTexture(source);
    ASSERT_EQ(4u, texture->getMaps().size());
    // Activation restarts the clock: frames are counted from its time. The
    // frame due found by its own texture shows the four loaded apart.
    const struct {
        int type;
        double start, now;
        int frame;
    } cases[] = {{ANIMATION_LOOP, 0.0, 2.6, 1},           {ANIMATION_LOOP, 0.0, 1.6, 3},
                 {ANIMATION_BACK_AND_FORTH, 0.0, 2.6, 2}, {ANIMATION_BACK_AND_FORTH, 0.0, 4.1, 0},
                 {ANIMATION_ONCE, 0.0, 100.0, 3},         {ANIMATION_ONCE, 10.0, 10.6, 1},
                 {ANIMATION_ONCE, 50.0, 50.1, 0}};
    for (const auto& c : cases) {
        source.setAnimationType(c.type);
        EXPECT_EQ(c.frame, shownFrame(*texture, c.start, c.now))
            << "type " << c.type << " from " << c.start << " at " << c.now;
    }

    Texture one(frameName(2));
    one.setFrameRate(30.0f);
    RenderTexturePtr still = makeTexture(one);
    EXPECT_EQ(0, shownFrame(*still, 0.0, 12.3));
    // A frame without a map takes the texture off the stage instead of
    // leaving the previous frame's bound.
    still->appendMap(nullptr);
    still->makeCurrent(0);  // frame 369 is the second of two
    EXPECT_EQ(nullptr, boundTexture(0));
}

// The tiling sets the addressing of the stage the texture is bound to; the
// manager binds to stage 0 or the given one, and nowhere outside the stages.
TEST_F(RenderTextureTest, TilingAndStagesOfBinding) {
    const struct {
        TextureTilingType tiling;
        DWORD u, v;
    } cases[] = {{TILING_U, D3DTADDRESS_WRAP, D3DTADDRESS_CLAMP},
                 {TILING_V, D3DTADDRESS_CLAMP, D3DTADDRESS_WRAP},
                 {TILING_UV, D3DTADDRESS_WRAP, D3DTADDRESS_WRAP},
                 {TILING_NONE, D3DTADDRESS_CLAMP, D3DTADDRESS_CLAMP}};
    Texture source(frameName(3));
    for (const auto& c : cases) {
        source.setTilingType(c.tiling);
        RenderTexturePtr texture = makeTexture(source);
        theD3DRenderTextureManager->setCurrentTexture(texture.get(), 2);
        EXPECT_EQ(c.u, held(&IDirect3DDevice3::GetTextureStageState, 2, D3DTSS_ADDRESSU));
        EXPECT_EQ(c.v, held(&IDirect3DDevice3::GetTextureStageState, 2, D3DTSS_ADDRESSV));
    }
    RenderTexturePtr texture = makeTexture(source);
    theD3DRenderTextureManager->setCurrentTexture(texture.get());
    EXPECT_EQ(d3dTexture(texture->getMaps()[0]), boundTexture(0));
    platform::testing::resetCallCounts();
    theD3DRenderTextureManager->setCurrentTexture(nullptr);
    theD3DRenderTextureManager->setCurrentTexture(texture.get(), 8);  // no such stage
    theD3DRenderTextureManager->setCurrentTexture(texture.get(), -1);
    theD3DRenderTextureManager->destroyTexture(nullptr);
    EXPECT_EQ(0u, calls("IDirect3DDevice3::SetTexture"));
    EXPECT_FALSE(theRenderStateManager->isChanged());
}
