// The special-effect factory: every effect the engine asks for comes from
// here, made under the driver lock.
#pragma once

#include "../driver.h"

#include <engine/core/special_effect.h>

class HaloManager;

class D3DRenderSpecialEffectFactory final : public RenderSpecialEffectFactory {
public:
    // Makes the halo manager and has it hear the driver's views.
    D3DRenderSpecialEffectFactory();
    ~D3DRenderSpecialEffectFactory();
    D3DRenderSpecialEffectFactory(const D3DRenderSpecialEffectFactory&) = delete;
    D3DRenderSpecialEffectFactory& operator=(const D3DRenderSpecialEffectFactory&) = delete;

    SpecialEffect* createEffect(const char* className) override;
    SpecialEffect* createReserved1(const char* name) override;
    SpecialEffect* createReserved2() override;
    SpecialEffect* createReserved3() override;
    SpecialEffect* createReserved4() override;
    SpecialEffect* createReserved5() override;
    SpecialEffect* createReserved6(const char* name) override;
    SpecialEffect* createReserved7() override;
    WaterInterface* createWater() override;
    SpecialEffect* createReserved9() override;
    SwampInterface* createSwamp() override;
    GlowEffectInterface* createGlow() override;
    SpecialEffect* createReserved12(int a, int b, int c) override;
    ModelSelectionInterface* createContour() override;
    VertexFogEffectInterface* createVertexFog() override;
    MaterialDisappearanceEffectInterface* createMaterialDisappearance() override;
    MappingEffectInterface* createMapping() override;
    SphericalMappingEffectInterface* createSphericalMapping() override;
    PlanarMappingEffectInterface* createPlanarMapping() override;
    SpriteHaloInterface* createSpriteHalo() override;
    CameraVanishInterface* createCameraVanish() override;
    DirectHighlightInterface* createDirectHighlight() override;
    HighlightInterface* createHighlight() override;
    IsotropicLightInterface* createIsotropicLight() override;
    UniversalHighlightInterface* createUniversalHighlight() override;
    FadingEffectInterface* createFading() override;
    RenderingEffectInterface* createRendering() override;
    OpacityEffectInterface* createOpacity() override;
    VertexOpacityInterface* createVertexOpacity() override;
    TraceEffectInterface* createTrace() override;
    AureoleEffectInterface* createAureole() override;
    InvertCullingEffectInterface* createInvertCulling() override;
    MirrorEffectInterface* createMirror() override;
    ReflectionEffectInterface* createReflection() override;
    particles::SpriteBasedParticleVisualizationInterface* createSpriteParticleVisualization()
        override;
    particles::AnimatorBasedParticleVisualizationInterface* createAnimatorParticleVisualization()
        override;
};

// The halo manager, while the factory lives (null when the driver is built
// without halos).
extern D3DDRIVER_API HaloManager* theD3DHaloManager;
