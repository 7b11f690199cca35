#include "special/contour/contour.h"
#include "special/factory.h"
#include "special/fading/fading.h"
#include "special/rendering/rendering.h"

#include "../support/mesh_scene.h"

#include <engine/core/effect_settings.h>
#include <engine/core/render_timer.h>

namespace {

using Factory = RenderSpecialEffectFactory;

class EffectsTest : public MeshesTest {
protected:
    Factory& factory() { return *theRenderSpecialEffectFactory; }

    // A pass blending with the given source factor and `stages` modulating
    // stages.
    static render::RenderPass pass(std::uint32_t sourceBlend, int stages = 1) {
        render::RenderPass p;
        p.blending = true;
        p.sourceBlend = sourceBlend;
        p.destinationBlend = D3DBLEND_ZERO;
        p.stages.resize(static_cast<std::size_t>(stages));
        return p;
    }
    static unsigned validations() {
        return platform::testing::callCount("IDirect3DDevice3::ValidateDevice");
    }
    static bool anyTextureBound() {
        for (DWORD s = 0; s < 8; ++s) {
            IDirect3DTexture2* texture = nullptr;
            g_pDevice->GetTexture(s, &texture);
            if (texture) {
                texture->Release();
                return true;
            }
        }
        return false;
    }
};

}  // namespace

TEST_F(EffectsTest, FactorySlotsWithoutAnEffectMakeNothing) {
    Factory& f = factory();
    for (SpecialEffect* made : {f.createReserved1("x"), f.createReserved2(), f.createReserved3(),
                                f.createReserved4(), f.createReserved5(), f.createReserved6("x"),
                                f.createReserved7(), f.createReserved9(),
                                f.createReserved12(1, 2, 3)})
        EXPECT_EQ(made, nullptr);
}

TEST_F(EffectsTest, EffectsAreMadeBySlotAndByClassNameWithTheirPrioritiesAndFlags) {
    Factory& f = factory();
    EXPECT_EQ(f.createEffect("NoSuchEffect"), nullptr);
    EXPECT_EQ(f.createEffect(nullptr), nullptr);
    EXPECT_EQ(theRenderMeshFactory->createEffectMesh("NoSuchEffect"), nullptr);
    EXPECT_EQ(theRenderMeshFactory->createEffectMesh("FadingEffect"), nullptr)
        << "not a mesh effect";

    const struct {
        const char* name;
        int priority;
        unsigned flags;
    } meshEffects[] = {{"MaterialDisappearanceEffect", 10, 0x0},
                       {"Contour", 0, 0x3},
                       {"AureoleEffect", 0, 0x9},
                       {"RenderingEffect", 11, 0x0}};
    for (const auto& expected : meshEffects) {
        std::unique_ptr<EffectiveRenderMesh> mesh(
            theRenderMeshFactory->createEffectMesh(expected.name));
        ASSERT_NE(mesh, nullptr) << expected.name;
        EXPECT_EQ(mesh->getEffectPriority(), expected.priority) << expected.name;
        EXPECT_EQ(mesh->getOverloadFlags(), expected.flags) << expected.name;
    }

    std::unique_ptr<SpecialEffect> byName(f.createEffect("TraceEffect"));
    EXPECT_NE(dynamic_cast<TraceEffectInterface*>(byName.get()), nullptr);
    std::unique_ptr<ModelSelectionInterface> contour(f.createContour());
    ASSERT_NE(contour, nullptr);
    EXPECT_FALSE(contour->isSelected());
    EXPECT_EQ(contour->getEffectMesh()->getEffectPriority(), 0);
    std::unique_ptr<MaterialDisappearanceEffectInterface>(f.createMaterialDisappearance());
    std::unique_ptr<RenderingEffectInterface>(f.createRendering());
    std::unique_ptr<AureoleEffectInterface>(f.createAureole());
    f.createTrace()->requestDeletion();
    f.createFading()->requestDeletion();
}

TEST_F(EffectsTest, VariantChoiceFallsBackWhenTheDeviceRefusesAFactor) {
    const Capabilities saved = theCapabilities;
    theCapabilities.hardware.dpcTriCaps.dwSrcBlendCaps &= ~DWORD(D3DPBLENDCAPS_DESTCOLOR);
    render::RenderTypeDescriptor descriptor = {{pass(D3DBLEND_DESTCOLOR)}, {pass(D3DBLEND_ONE)}};
    render::Rendering* chosen = nullptr;
    EXPECT_EQ(findVariant(descriptor, &chosen), STATUS_SUPPORTED);
    EXPECT_EQ(chosen, &descriptor[1]);
    EXPECT_FALSE(anyTextureBound());

    // Three stages on a device of two are refused before the device is asked.
    theCapabilities.hardware.wMaxTextureBlendStages = 2;
    theCapabilities.software.wMaxTextureBlendStages = 2;
    render::Rendering three = {pass(D3DBLEND_ONE, 3)};
    platform::testing::resetCallCounts();
    EXPECT_EQ(isSupported(three), STATUS_NOT_SUPPORTED);
    EXPECT_EQ(validations(), 0u);
    render::RenderTypeDescriptor none = {three};
    EXPECT_EQ(findVariant(none, &chosen), STATUS_NOT_SUPPORTED);
    EXPECT_EQ(chosen, nullptr);
    theCapabilities = saved;
}

TEST_F(EffectsTest, ALostSurfaceStopsTheChoiceAndGivesTheStatesBack) {
    theRenderStateManager->setState(RS_ZENABLE, TRUE);
    theRenderStateManager->flush();
    const std::size_t pushed = theRenderStateManager->pushedAllCount();
    render::RenderTypeDescriptor descriptor = {{pass(D3DBLEND_ONE), pass(D3DBLEND_ONE)},
                                               {pass(D3DBLEND_ONE)}};
    platform::testing::resetCallCounts();
    platform::testing::failNextCall("IDirect3DDevice3::ValidateDevice", DDERR_SURFACELOST);
    render::Rendering* chosen = nullptr;
    EXPECT_EQ(findVariant(descriptor, &chosen), STATUS_NOT_KNOWN);
    EXPECT_EQ(chosen, &descriptor[0]);
    EXPECT_EQ(validations(), 1u) << "neither the second pass nor the second variant is tried";
    EXPECT_EQ(theRenderStateManager->pushedAllCount(), pushed);
    EXPECT_EQ(theRenderStateManager->getState(RS_ZENABLE), DWORD(TRUE));
    EXPECT_FALSE(anyTextureBound());
}

TEST_F(EffectsTest, APassSetsBlendingTableFogAndTheStageCascade) {
    render::RenderPass p = pass(D3DBLEND_SRCALPHA, 2);
    p.destinationBlend = D3DBLEND_INVSRCALPHA;
    p.stages[1].colorOp = D3DTOP_ADD;
    p.fog = true;
    p.fogMode = render::RenderPass::FOG_LINEAR;
    p.fogColor->setValue(Color(1, 0, 0, 1));
    p.fogEnd->setValue(2.5f);
    setupRenderPass(p);
    RenderStateManager& s = *theRenderStateManager;
    EXPECT_EQ(s.getState(RS_SRCBLEND), DWORD(D3DBLEND_SRCALPHA));
    EXPECT_EQ(s.getState(RS_DESTBLEND), DWORD(D3DBLEND_INVSRCALPHA));
    EXPECT_EQ(s.getState(RS_FOGCOLOR), 0xFFFF0000u);
    EXPECT_EQ(s.getState(RS_FOGTABLEMODE), DWORD(D3DFOG_LINEAR));
    float end = 0;
    const DWORD bits = s.getState(RS_FOGEND);
    std::memcpy(&end, &bits, sizeof end);
    EXPECT_EQ(end, 2.5f);
    EXPECT_EQ(s.getState(TSS_COLOROP, 1), DWORD(D3DTOP_ADD));
    EXPECT_EQ(s.getState(TSS_COLOROP, 2), DWORD(D3DTOP_DISABLE));
    EXPECT_EQ(s.getState(TSS_ALPHAOP, 2), DWORD(D3DTOP_DISABLE));

    restoreDefaultSettings(true);
    EXPECT_EQ(s.getState(RS_ZENABLE), DWORD(FALSE));
    EXPECT_EQ(s.getState(RS_ZWRITEENABLE), DWORD(FALSE));
    EXPECT_EQ(s.getState(RS_ALPHABLENDENABLE), DWORD(TRUE));
    EXPECT_EQ(s.getState(RS_FOGENABLE), DWORD(FALSE));
}

TEST_F(EffectsTest, FadingFramesAlphaColourAndRectangle) {
    // Three textures at ten frames a second: back and forth, then once.
    const float times[] = {0.0f, 0.25f, 0.35f, 0.65f};
    const int backAndForth[] = {0, 2, 2, 0};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(FadingEffect::frameFor(times[i], 10, 3, 1), backAndForth[i]) << times[i];
    EXPECT_EQ(FadingEffect::frameFor(5.0f, 10, 3, 2), 2) << "the last texture stays";
    EXPECT_EQ(FadingEffect::frameFor(0.45f, 10, 3, 0), 1);
    EXPECT_EQ(FadingEffect::frameFor(-1.0f, 10, 3, 0), -1);
    EXPECT_EQ(FadingEffect::frameFor(1.0f, 10, 3, 7), -1) << "beyond the list";

    FadingEffect fade;
    EXPECT_EQ(fade.getColor(), 0u);
    EXPECT_EQ(fade.getDeferredKey(), -1000);
    EXPECT_EQ(fade.getRectangle()[2], kWidth);
    fade.setAlpha(0.5f);
    EXPECT_EQ(fade.getColor() >> 24, 127u);
    fade.setAlpha(1.2f);
    EXPECT_EQ(fade.getColor() >> 24, 255u);
    fade.setColor(Color(1, 0.5f, 0, 0));
    EXPECT_EQ(fade.getColor(), 0xFFFF8000u) << "0.5 * 255 rounds to even";
    fade.setRectangle(0.25f, 0.5f, 0.5f, 0.25f);
    const int expected[4] = {160, 240, 320, 120};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(fade.getRectangle()[i], expected[i]);
    fade.setDeferredKey(3);
    EXPECT_EQ(fade.getDeferredKey(), -997);
}

TEST_F(EffectsTest, AFadeToBlackGivesBlackAndLeavesDepthTestingOn) {
    light();
    const Material* green = material("green");
    build().quad(0, 2, -2, -2, 2, 8).material(green);
    RenderMeshShell shell(builders.back().finish());
    drawScene({&shell});
    expectIn(0, 0, 8, {0, 150, 0});

    auto* fade = static_cast<FadingEffect*>(factory().createFading());
    fade->setColor(Color(0, 0, 0));
    fade->setAlpha(1.0f);
    view.registerObject(fade);
    theRenderStateManager->setState(RS_ZENABLE, FALSE);
    drawScene({&shell});
    expectBlack(0, 0, 8);
    expectBlack(1, 1, 8);
    EXPECT_EQ(theRenderStateManager->getState(RS_ZENABLE), 1u);

    // Half of a white overlay over black lifts the background to grey.
    fade->setColor(Color(1, 1, 1));
    fade->setAlpha(0.5f);
    drawScene({});
    expectIn(0, 0, 8, {120, 120, 120}, {135, 135, 135});
    view.unregisterObject(fade);
    fade->requestDeletion();
}

TEST_F(EffectsTest, AContourOutlinesItsMeshAndNothingElse) {
    light();
    const Material* green = material("green");
    build().quad(0, 2, -2, -2, 2, 8).material(green);
    RenderMeshShell shell(builders.back().finish());
    std::unique_ptr<ModelSelectionInterface> contour(factory().createContour());
    contour->setContourColor(Color(1, 0, 0));
    contour->select(true);
    ASSERT_TRUE(shell.attachEffect(contour->getEffectMesh()));
    SEContour::contourType = SEContour::OUTLINE;
    drawScene({&shell});
    // The quad's edges turn red; its inside stays green, the rest black.
    const auto at = [&](int x, int y) { return pixels.at(std::size_t(y) * kWidth + x) & 0xFFFFFF; };
    const int left = kWidth / 2 - kWidth / 8, top = kHeight / 2 - kHeight / 6;
    int redOnEdge = 0;
    for (int dx = -1; dx <= 1; ++dx)
        redOnEdge += at(kWidth / 2, top + dx) == 0xFF0000 || at(left + dx, kHeight / 2) == 0xFF0000;
    EXPECT_GT(redOnEdge, 0);
    expectIn(1.0f, -0.3f, 8, {0, 150, 0}, {19, 255, 19});
    expectBlack(3, 3, 8);

    contour->select(false);
    drawScene({&shell});
    expectIn(0, -1.99f, 8, {0, 150, 0}, {19, 255, 19});
    shell.detachEffect(contour->getEffectMesh());
}

TEST_F(EffectsTest, ADissolvingMaterialBlendsByItsProgressAndThenIsGone) {
    light();
    build().quad(0, 2, -2, -2, 2, 8).material(material("white"));
    RenderMeshShell shell(builders.back().finish());
    drawScene({&shell});
    const int full = int(pixels.at(240 * kWidth + 320) >> 8 & 0xFF);
    ASSERT_GT(full, 100);

    std::unique_ptr<MaterialDisappearanceEffectInterface> dissolve(
        factory().createMaterialDisappearance());
    ASSERT_TRUE(shell.attachEffect(dissolve.get()));
    dissolve->start(10.0f, 2.0f);
    thePausedRenderTimer->update(11.0);
    EXPECT_FLOAT_EQ(dissolve->getProgress(), 0.5f);
    drawScene({&shell});
    const int half = int(pixels.at(240 * kWidth + 320) >> 8 & 0xFF);
    EXPECT_NEAR(half, full / 2, 12) << "half the colour over the black background";
    thePausedRenderTimer->update(12.5);
    drawScene({&shell});
    expectBlack(0, 0, 8);
    dissolve->setReverse(true);
    drawScene({&shell});
    EXPECT_EQ(int(pixels.at(240 * kWidth + 320) >> 8 & 0xFF), full) << "reversed: back in full";
    thePausedRenderTimer->reset();
}

TEST_F(EffectsTest, AnAureoleLightsARingAroundItsMeshAndNothingFarther) {
    light();
    build().quad(0, 2, -2, -2, 2, 8).material(material("green"));
    RenderMeshShell shell(builders.back().finish());
    std::unique_ptr<AureoleEffectInterface> aureole(factory().createAureole());
    aureole->setColor(Color(1, 1, 1));
    aureole->setScale(1.5f);
    ASSERT_TRUE(shell.attachEffect(aureole.get()));
    drawScene({&shell});
    // The quad is 160 pixels square round the centre: the ring is brightest
    // 80 pixels out and dark again at 120.
    const auto grey = [&](int x, int y) { return int(pixels.at(std::size_t(y) * kWidth + x) & 0xFF); };
    EXPECT_GT(grey(320, 145), 60) << "inside the ring, above the quad";
    EXPECT_GT(grey(415, 240), 60) << "inside the ring, right of the quad";
    EXPECT_EQ(grey(320, 20), 0) << "beyond the ring";
    EXPECT_EQ(grey(320, 240), 0) << "the quad itself keeps its green";
    expectIn(0, 0, 8, {0, 150, 0}, {19, 255, 19});
}

TEST_F(EffectsTest, ATexturedFadeShowsTheFrameOfItsTimeWithThePremultipliedColour) {
    auto* fade = static_cast<FadingEffect*>(factory().createFading());
    fade->setTextures({"/Images/Meshes/red.tga", "/Images/NoSuchImage.tga", "/Images/Meshes/green.tga"});
    fade->setColor(Color(1, 1, 1));
    fade->setAlpha(1.0f);
    fade->setFrameRate(10.0f);
    view.registerObject(fade);
    // 0.25 s: frame 2 of three, the green one, over the whole screen.
    thePausedRenderTimer->update(0.25);
    drawScene({});
    const std::size_t middle = 240 * kWidth + 320;
    EXPECT_EQ(pixels.at(middle) & 0xFFFFFF, 0x00FF00u) << std::hex << pixels.at(middle);
    // Adding light, half alpha: the colour is halved before it meets the texture.
    fade->setBlendMode(1);
    fade->setAlpha(0.5f);
    thePausedRenderTimer->update(0.05);
    drawScene({});
    const std::uint32_t p = pixels.at(middle);
    EXPECT_NEAR(int(p >> 16 & 0xFF), 127, 8) << std::hex << p;
    EXPECT_EQ(p & 0xFFFF, 0u) << std::hex << p;
    view.unregisterObject(fade);
    fade->requestDeletion();
    thePausedRenderTimer->reset();
}
