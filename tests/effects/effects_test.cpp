#include "special/aureole.h"
#include "special/contour/contour.h"
#include "special/factory.h"
#include "special/fading/fading.h"
#include "special/glow/glow.h"
#include "special/halo/halo_manager.h"
#include "special/halo/sprite.h"
#include "special/glow/vertex_fog.h"
#include "special/highlight/direct_highlight.h"
#include "special/highlight/highlight.h"
#include "special/highlight/universal_highlight.h"
#include "special/mapping/planar_mapping.h"
#include "special/mapping/spherical_mapping.h"
#include "special/material_disappearance.h"
#include "special/mirror/invert_culling.h"
#include "special/mirror/mirror.h"
#include "special/mirror/reflection.h"
#include "special/opacity/camera_vanish.h"
#include "special/opacity/opacity.h"
#include "special/opacity/vertex_opacity.h"
#include "special/rendering/rendering.h"
#include "special/trace.h"

#include "effect_scene.h"

#include <engine/core/effect_settings.h>
#include <engine/core/render_timer.h>

#include <type_traits>
#include <typeinfo>

namespace {

using Factory = RenderSpecialEffectFactory;
// A mesh effect a factory slot made, owned through the interface it came as;
// `Link` for the effects that hand out their chain link separately.
using Made = std::shared_ptr<EffectiveRenderMesh>;

template <auto slot, bool Link = false>
Made made(Factory& f) {
    auto* effect = (f.*slot)();
    std::shared_ptr<std::remove_pointer_t<decltype(effect)>> owner(effect);
    if constexpr (Link)
        return Made(owner, effect->getEffectMesh());
    else
        return Made(owner, dynamic_cast<EffectiveRenderMesh*>(effect));
}

class EffectsTest : public EffectScene {
protected:
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

// Every mesh effect: its factory slot and its class name make the same class,
// whose priority and flags place it in a mesh's chain.
TEST_F(EffectsTest, EveryMeshEffectIsMadeBySlotAndByNameWithItsPriorityAndFlags) {
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
        Made (*slot)(Factory&);
    } effects[] = {
        {"MaterialDisappearanceEffect", 10, 0x0, made<&Factory::createMaterialDisappearance>},
        {"Contour", 0, 0x3, made<&Factory::createContour, true>},
        {"AureoleEffect", 0, 0x9, made<&Factory::createAureole>},
        {"RenderingEffect", 11, 0x0, made<&Factory::createRendering>},
        {"D3DGlowEffect", 3, 0xC, made<&Factory::createGlow>},
        {"VertexFogEffect", 2, 0xE, made<&Factory::createVertexFog>},
        {"DirectHighlight", 0, 0x604, made<&Factory::createDirectHighlight>},
        {"Highlight", 0, 0x4, made<&Factory::createHighlight>},
        {"IsotropicLight", 0, 0x4, made<&Factory::createIsotropicLight>},
        {"UniversalHighlight", 5, 0x4, made<&Factory::createUniversalHighlight>},
        {"MappingEffect", 8, 0x9, made<&Factory::createMapping>},
        {"SphericalMappingEffect", 8, 0xD, made<&Factory::createSphericalMapping>},
        {"PlanarMappingEffect", 8, 0x9, made<&Factory::createPlanarMapping>},
        {"InvertCullingEffect", 11, 0x8, made<&Factory::createInvertCulling>},
        {"MirrorEffect", -4, 0x60F, made<&Factory::createMirror>},
        {"ReflectionEffect", -4, 0xF, made<&Factory::createReflection>},
        {"OpacityEffect", 4, 0xE, made<&Factory::createOpacity>},
        {"VertexOpacity", 4, 0xD, made<&Factory::createVertexOpacity>},
        {"CameraVanish", 3, 0xE, made<&Factory::createCameraVanish, true>},
    };
    for (const auto& expected : effects) {
        std::unique_ptr<EffectiveRenderMesh> byName(
            theRenderMeshFactory->createEffectMesh(expected.name));
        const Made bySlot = expected.slot(f);
        ASSERT_NE(byName, nullptr) << expected.name;
        ASSERT_NE(bySlot, nullptr) << expected.name;
        EXPECT_EQ(typeid(*bySlot), typeid(*byName)) << expected.name;
        EXPECT_EQ(byName->getEffectPriority(), expected.priority) << expected.name;
        EXPECT_EQ(byName->getOverloadFlags(), expected.flags) << expected.name;
        // Outside any chain, with or without records, an effect hands nothing
        // on and asks for no further drawing (vertex opacity takes the
        // regular drawing on itself).
        frame([&](D3DRenderView&) {
            byName->morph(nullptr);
            byName->transform(nullptr);
            byName->render(nullptr);
            MorphingInformation morph;
            morph.clipFlags = MorphingInformation::CLIP_TEST;
            TransformInformation transform{TransformInformation::LIGHT};
            RenderInformation render;
            render.flags = RenderInformation::REGULAR;
            byName->morph(&morph);
            byName->transform(&transform);
            byName->render(&render);
            EXPECT_EQ(transform.flags, unsigned(TransformInformation::LIGHT)) << expected.name;
            EXPECT_EQ(render.flags & ~unsigned(RenderInformation::REGULAR), 0u) << expected.name;
        });
    }
    EXPECT_EQ(view.getRegisteredObjectCount(), 0u);
    EXPECT_FALSE(std::unique_ptr<ModelSelectionInterface>(f.createContour())->isSelected());

    // The effects that are no mesh's, and the halo manager the factory brings.
    std::unique_ptr<SpecialEffect> trace(f.createEffect("TraceEffect"));
    EXPECT_NE(dynamic_cast<TraceEffectInterface*>(trace.get()), nullptr);
    SpriteHaloInterface* halo = f.createSpriteHalo();
    EXPECT_NE(dynamic_cast<SpriteHalo*>(halo), nullptr);
    halo->requestDeletion();  // nobody holds it: it goes at once
    f.createTrace()->requestDeletion();
    f.createFading()->requestDeletion();
    EXPECT_NE(theD3DHaloManager, nullptr);
    EXPECT_EQ(theHaloManager, theD3DHaloManager);
}

// Each capability a pass needs: without it the pass is refused before the
// device is asked; with it the device validates the pass. The choice of a
// variant goes by the same test.
TEST_F(EffectsTest, APassIsRefusedForEachCapabilityTheDeviceLacksAndTheChoiceFallsBack) {
    D3DPRIMCAPS& tri = theCapabilities.hardware.dpcTriCaps;
    const auto fogged = [](int kind, bool range) {
        render::RenderPass p = pass(D3DBLEND_ONE);
        p.fog = true;
        p.fogKind = kind;
        p.rangeFog = range;
        return p;
    };
    render::RenderPass dest = pass(D3DBLEND_ONE);
    dest.destinationBlend = D3DBLEND_SRCALPHASAT;
    const struct {
        const char* name;
        render::RenderPass pass;
        DWORD* caps;
        DWORD taken;
    } cases[] = {
        {"source factor", pass(D3DBLEND_DESTCOLOR), &tri.dwSrcBlendCaps, D3DPBLENDCAPS_DESTCOLOR},
        {"last destination factor", dest, &tri.dwDestBlendCaps, D3DPBLENDCAPS_SRCALPHASAT},
        {"table fog", fogged(render::RenderPass::FOG_TABLE, false), &tri.dwRasterCaps,
         D3DPRASTERCAPS_FOGTABLE},
        {"vertex fog", fogged(render::RenderPass::FOG_VERTEX, false), &tri.dwRasterCaps,
         D3DPRASTERCAPS_FOGVERTEX},
        {"range fog", fogged(render::RenderPass::FOG_VERTEX, true), &tri.dwRasterCaps,
         D3DPRASTERCAPS_FOGRANGE},
    };
    const Capabilities saved = theCapabilities;
    for (const auto& c : cases) {
        render::Rendering rendering = {c.pass};
        platform::testing::resetCallCounts();
        EXPECT_EQ(isSupported(rendering), STATUS_SUPPORTED) << c.name;
        EXPECT_EQ(validations(), 1u) << c.name;
        *c.caps &= ~c.taken;
        platform::testing::resetCallCounts();
        EXPECT_EQ(isSupported(rendering), STATUS_NOT_SUPPORTED) << c.name;
        EXPECT_EQ(validations(), 0u) << c.name;
        theCapabilities = saved;
    }
    // Within the capabilities, the device refuses a stage argument it lacks.
    render::Rendering refused = {pass(D3DBLEND_ONE)};
    refused[0].stages[0].colorArg1 = 7;
    platform::testing::resetCallCounts();
    EXPECT_EQ(isSupported(refused), STATUS_NOT_SUPPORTED);
    EXPECT_EQ(validations(), 1u);
    // Validation starts from the base states and gives the caller's back: a
    // stage argument left invalid before is neither validated nor lost.
    RenderStateManager& s = *theRenderStateManager;
    s.setState(TSS_COLORARG1, 0, 7);
    s.flush();
    const std::size_t pushed = s.pushedAllCount();
    render::Rendering stageless = {pass(D3DBLEND_ONE, 0)};
    EXPECT_EQ(isSupported(stageless), STATUS_SUPPORTED);
    EXPECT_EQ(s.getState(TSS_COLORARG1, 0), 7u);
    EXPECT_EQ(s.pushedAllCount(), pushed);
    s.setState(TSS_COLORARG1, 0, D3DTA_TEXTURE);
    // The stage count comes from the hardware description when there is one.
    render::Rendering two = {pass(D3DBLEND_ONE, 2)};
    theCapabilities.hardware.wMaxTextureBlendStages = 2;
    theCapabilities.software.wMaxTextureBlendStages = 1;
    EXPECT_EQ(isSupported(two), STATUS_SUPPORTED);
    theCapabilities.hardware.wMaxTextureBlendStages = 1;
    platform::testing::resetCallCounts();
    EXPECT_EQ(isSupported(two), STATUS_NOT_SUPPORTED);
    EXPECT_EQ(validations(), 0u);
    theCapabilities = saved;

    // Only the stages that read a texture get a sample texture while the
    // device validates; the first disabled stage ends the cascade.
    const auto bindsFor = [](render::Rendering rendering) {
        platform::testing::resetCallCounts();
        EXPECT_EQ(isSupported(rendering), STATUS_SUPPORTED);
        return platform::testing::callCount("IDirect3DDevice3::SetTexture");
    };
    render::RenderPass diffuse = pass(D3DBLEND_ONE, 2);
    for (render::StageRecord& stage : diffuse.stages)
        stage.colorArg1 = stage.alphaArg1 = D3DTA_DIFFUSE;
    const unsigned none = bindsFor({diffuse});
    render::RenderPass second = diffuse;
    second.stages[1].alphaArg1 = D3DTA_TEXTURE;
    EXPECT_GT(bindsFor({second}), none);
    render::RenderPass cut = second;
    cut.stages[0].colorOp = cut.stages[0].alphaOp = D3DTOP_DISABLE;
    EXPECT_EQ(bindsFor({cut}), none);

    // The choice skips a variant whose factor the device lacks; a lost surface
    // stops it at once with the states given back. The effect chooses when
    // first asked, keeps a refusal, and asks again after a test cut short.
    theCapabilities.hardware.dpcTriCaps.dwSrcBlendCaps &= ~DWORD(D3DPBLENDCAPS_DESTCOLOR);
    theRenderStateManager->setState(RS_ZENABLE, TRUE);
    theRenderStateManager->flush();
    render::RenderTypeDescriptor descriptor = {
        {pass(D3DBLEND_DESTCOLOR)}, {pass(D3DBLEND_ONE), pass(D3DBLEND_ONE)}, {pass(D3DBLEND_ONE)}};
    render::Rendering* chosen = nullptr;
    platform::testing::resetCallCounts();
    platform::testing::failNextCall("IDirect3DDevice3::ValidateDevice", DDERR_SURFACELOST);
    EXPECT_EQ(findVariant(descriptor, &chosen), STATUS_NOT_KNOWN);
    EXPECT_EQ(chosen, &descriptor[1]);
    EXPECT_EQ(validations(), 1u) << "neither the second pass nor the next variant is tried";
    EXPECT_EQ(theRenderStateManager->pushedAllCount(), pushed);
    EXPECT_EQ(theRenderStateManager->getState(RS_ZENABLE), DWORD(TRUE));
    EXPECT_FALSE(anyTextureBound());
    EXPECT_EQ(findVariant(descriptor, &chosen), STATUS_SUPPORTED);
    EXPECT_EQ(chosen, &descriptor[1]);
    EXPECT_FALSE(anyTextureBound());

    RenderingEffect effect;
    effect.setDescriptor({{pass(D3DBLEND_DESTCOLOR)}, {pass(D3DBLEND_ONE)}});
    platform::testing::failNextCall("IDirect3DDevice3::ValidateDevice", DDERR_SURFACELOST);
    EXPECT_EQ(effect.getRendering(), nullptr);
    EXPECT_EQ(effect.getStatus(), STATUS_NOT_KNOWN);
    ASSERT_NE(effect.getRendering(), nullptr);
    EXPECT_EQ(effect.getRendering()->at(0).sourceBlend, std::uint32_t(D3DBLEND_ONE));
    effect.setDescriptor({{pass(D3DBLEND_DESTCOLOR)}});
    EXPECT_EQ(effect.getRendering(), nullptr);
    EXPECT_EQ(effect.getStatus(), STATUS_NOT_SUPPORTED);
    theCapabilities = saved;
}

// A parameter whose value is right only once it is brought up to date.
template <typename T>
struct Updated : render::Parameter<T> {
    explicit Updated(T v) : next(v) {}
    void update() override { this->value = next; }
    T next;
};

TEST_F(EffectsTest, APassSetsBlendingFogAndTheStageCascadeOverTheBase) {
    RenderStateManager& s = *theRenderStateManager;
    const auto floatState = [&](RenderStateType state) {
        float value = 0;
        const DWORD bits = s.getState(state);
        std::memcpy(&value, &bits, sizeof value);
        return value;
    };
    const struct {
        int kind, mode;
        DWORD tableMode;
        float start, end, density;
    } fogs[] = {
        {render::RenderPass::FOG_TABLE, render::RenderPass::FOG_LINEAR, D3DFOG_LINEAR, 1.5f, 3.5f,
         0.0f},
        {render::RenderPass::FOG_TABLE, render::RenderPass::FOG_EXP2, D3DFOG_EXP2, 0.0f, 0.0f,
         1.25f},
        {render::RenderPass::FOG_VERTEX, render::RenderPass::FOG_LINEAR, D3DFOG_NONE, 0.0f, 0.0f,
         0.0f},
    };
    // Away from the base first, so that restoring shows.
    const struct {
        RenderStateType state;
        DWORD away, base;
    } base[] = {{RS_ZENABLE, TRUE, FALSE},
                {RS_ZWRITEENABLE, TRUE, FALSE},
                {RS_FOGENABLE, TRUE, FALSE},
                {RS_FOGTABLEMODE, D3DFOG_EXP, D3DFOG_NONE}};
    const struct {
        TextureStageStateType state;
        DWORD away, base;
    } stageBase[] = {{TSS_ADDRESSU, D3DTADDRESS_WRAP, D3DTADDRESS_CLAMP},
                     {TSS_ADDRESSV, D3DTADDRESS_MIRROR, D3DTADDRESS_CLAMP},
                     {TSS_COLOROP, D3DTOP_ADD, D3DTOP_MODULATE},
                     {TSS_TEXCOORDINDEX, 1, 0},
                     {TSS_MAGFILTER, D3DTFG_POINT, D3DTFG_LINEAR}};
    for (const auto& b : base)
        s.setState(b.state, b.away);
    for (const auto& b : stageBase)
        s.setState(b.state, 0, b.away);
    restoreDefaultSettings(false);
    EXPECT_EQ(s.getState(RS_ALPHABLENDENABLE), DWORD(FALSE));
    for (const auto& b : base)
        EXPECT_EQ(s.getState(b.state), b.base) << b.state;
    for (const auto& b : stageBase)
        EXPECT_EQ(s.getState(b.state, 0), b.base) << b.state;
    restoreDefaultSettings(true);
    EXPECT_EQ(s.getState(RS_ALPHABLENDENABLE), DWORD(TRUE));

    for (const auto& fog : fogs) {
        restoreDefaultSettings(false);
        // Factors and a coordinate set neither base state uses.
        render::RenderPass p = pass(D3DBLEND_INVDESTCOLOR, 2);
        p.destinationBlend = D3DBLEND_SRCCOLOR;
        // The second stage unlike the base in every field.
        p.stages[1] = {D3DTA_CURRENT, D3DTA_TFACTOR, D3DTOP_ADD, D3DTA_DIFFUSE, D3DTA_SPECULAR,
                       D3DTOP_SELECTARG2, 0, 3};
        p.fog = true;
        p.fogKind = fog.kind;
        p.fogMode = fog.mode;
        p.fogColor = std::make_shared<Updated<Color>>(Color(1, 0, 0, 1));
        p.fogStart = std::make_shared<Updated<float>>(fog.start);
        p.fogEnd = std::make_shared<Updated<float>>(fog.end);
        p.fogDensity = std::make_shared<Updated<float>>(fog.density);
        s.setState(RS_FOGSTART, 0);
        s.setState(RS_FOGEND, 0);
        s.setState(RS_FOGDENSITY, 0);
        s.setState(TSS_COLOROP, 2, D3DTOP_MODULATE);
        s.setState(TSS_ALPHAOP, 2, D3DTOP_MODULATE);
        setupRenderPass(p);
        EXPECT_EQ(s.getState(RS_ALPHABLENDENABLE), DWORD(TRUE));
        EXPECT_EQ(s.getState(RS_SRCBLEND), DWORD(D3DBLEND_INVDESTCOLOR));
        EXPECT_EQ(s.getState(RS_DESTBLEND), DWORD(D3DBLEND_SRCCOLOR));
        EXPECT_EQ(s.getState(RS_FOGENABLE), DWORD(TRUE));
        EXPECT_EQ(s.getState(RS_FOGCOLOR), 0xFFFF0000u);
        EXPECT_EQ(s.getState(RS_FOGTABLEMODE), fog.tableMode) << fog.mode;
        EXPECT_EQ(floatState(RS_FOGSTART), fog.start) << fog.mode;
        EXPECT_EQ(floatState(RS_FOGEND), fog.end) << fog.mode;
        EXPECT_EQ(floatState(RS_FOGDENSITY), fog.density) << fog.mode;
        using R = render::StageRecord;
        const std::pair<TextureStageStateType, std::uint32_t R::*> stageStates[] = {
            {TSS_COLORARG1, &R::colorArg1}, {TSS_COLORARG2, &R::colorArg2},
            {TSS_COLOROP, &R::colorOp},     {TSS_ALPHAARG1, &R::alphaArg1},
            {TSS_ALPHAARG2, &R::alphaArg2}, {TSS_ALPHAOP, &R::alphaOp},
            {TSS_TEXCOORDINDEX, &R::texCoordIndex}};
        for (const auto& [state, field] : stageStates)
            EXPECT_EQ(s.getState(state, 1), p.stages[1].*field) << state;
        EXPECT_EQ(s.getState(TSS_COLOROP, 2), DWORD(D3DTOP_DISABLE));
        EXPECT_EQ(s.getState(TSS_ALPHAOP, 2), DWORD(D3DTOP_DISABLE));
    }
}

// Over the whole screen: black at full alpha hides the scene whatever the
// depth test; textured, the frame of its time, the colour halved before it
// meets the texture when adding light.
TEST_F(EffectsTest, AFadeCoversTheSceneWithItsColourOrTheFrameOfItsTime) {
    RenderMeshShell& shell = quad("green", 2, -2, -2, 2, 8);
    drawScene({&shell});
    expectIn(0, 0, 8, {0, 150, 0});
    auto* fade = static_cast<FadingEffect*>(factory().createFading());
    fade->setColor(Color(0, 0, 0));
    fade->setAlpha(1.0f);
    view.registerObject(fade);
    theRenderStateManager->setState(RS_ZENABLE, FALSE);
    drawScene({&shell});
    expectBlack(0, 0, 8);
    EXPECT_EQ(theRenderStateManager->getState(RS_ZENABLE), 1u);

    // 0.25 s at ten frames a second: frame 2 of three, the green one.
    fade->setColor(Color(1, 1, 1));
    fade->setTextures(
        {"/Images/Meshes/red.tga", "/Images/NoSuchImage.tga", "/Images/Meshes/green.tga"});
    fade->setFrameRate(10.0f);
    thePausedRenderTimer->update(0.25);
    drawScene({});
    EXPECT_EQ(centre(), 0x00FF00u) << std::hex << centre();
    fade->setBlendMode(1);
    fade->setAlpha(0.5f);
    thePausedRenderTimer->update(0.05);
    drawScene({});
    const std::uint32_t p = centre();
    EXPECT_NEAR(int(p >> 16 & 0xFF), 127, 8) << std::hex << p;
    EXPECT_EQ(p & 0xFFFF, 0u) << std::hex << p;
    view.unregisterObject(fade);
    fade->requestDeletion();
    thePausedRenderTimer->reset();
}

// A contour outlines its mesh, an aureole lights a ring around it; neither
// reaches farther. A dissolving material fades the mesh by its progress.
TEST_F(EffectsTest, AContourAndAnAureoleDrawAroundTheirMeshAndADissolvingMaterialFadesIt) {
    RenderMeshShell& shell = quad("green", 2, -2, -2, 2, 8);
    std::unique_ptr<ModelSelectionInterface> contour(factory().createContour());
    contour->setContourColor(Color(1, 0, 0));
    contour->select(true);
    ASSERT_TRUE(shell.attachEffect(contour->getEffectMesh()));
    SEContour::contourType = SEContour::OUTLINE;
    drawScene({&shell});
    // The quad's edges turn red; its inside stays green, the rest black.
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

    std::unique_ptr<AureoleEffectInterface> aureole(factory().createAureole());
    aureole->setColor(Color(1, 1, 1));
    aureole->setScale(1.5f);
    ASSERT_TRUE(shell.attachEffect(aureole.get()));
    drawScene({&shell});
    // The quad is 160 pixels square round the centre: the ring is brightest
    // 80 pixels out and dark again at 120.
    const auto grey = [&](int x, int y) { return int(at(x, y) & 0xFF); };
    EXPECT_GT(grey(320, 145), 60) << "inside the ring, above the quad";
    EXPECT_GT(grey(415, 240), 60) << "inside the ring, right of the quad";
    EXPECT_EQ(grey(320, 20), 0) << "beyond the ring";
    EXPECT_EQ(grey(320, 240), 0) << "the quad itself keeps its green";
    expectIn(0, 0, 8, {0, 150, 0}, {19, 255, 19});
    shell.detachEffect(aureole.get());

    // A dissolving material blends by its progress and then is gone.
    drawScene({&shell});
    const int full = int(centre() >> 8 & 0xFF);
    ASSERT_GT(full, 100);

    std::unique_ptr<MaterialDisappearanceEffectInterface> dissolve(
        factory().createMaterialDisappearance());
    ASSERT_TRUE(shell.attachEffect(dissolve.get()));
    dissolve->start(10.0f, 2.0f);
    thePausedRenderTimer->update(11.0);
    drawScene({&shell});
    const int half = int(centre() >> 8 & 0xFF);
    EXPECT_NEAR(half, full / 2, 12) << "half the colour over the black background";
    thePausedRenderTimer->update(12.5);
    drawScene({&shell});
    expectBlack(0, 0, 8);
    dissolve->setReverse(true);
    drawScene({&shell});
    EXPECT_EQ(int(centre() >> 8 & 0xFF), full) << "reversed: back in full";
    thePausedRenderTimer->reset();
}
