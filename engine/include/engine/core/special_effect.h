// Special effects and the factory through which the engine asks the render
// driver for them. The driver returns objects of its own classes behind the
// engine's effect interfaces.
#pragma once

#include "engine/class_registry.h"

// Every effect. It is an Object so that effects can also be made by class
// name; Object adds nothing but the virtual destructor.
class SpecialEffect : public Object {
public:
    ~SpecialEffect() override = default;
};

// The effect interfaces behind the factory's slots; each is defined with
// the effects that implement it.
class WaterInterface;
class SwampInterface;
class GlowEffectInterface;
class ModelSelectionInterface;
class VertexFogEffectInterface;
class MaterialDisappearanceEffectInterface;
class MappingEffectInterface;
class SphericalMappingEffectInterface;
class PlanarMappingEffectInterface;
class SpriteHaloInterface;
class CameraVanishInterface;
class DirectHighlightInterface;
class HighlightInterface;
class IsotropicLightInterface;
class UniversalHighlightInterface;
class FadingEffectInterface;
class RenderingEffectInterface;
class OpacityEffectInterface;
class VertexOpacityInterface;
class TraceEffectInterface;
class AureoleEffectInterface;
class InvertCullingEffectInterface;
class MirrorEffectInterface;
class ReflectionEffectInterface;
namespace particles {
class SpriteBasedParticleVisualizationInterface;
class AnimatorBasedParticleVisualizationInterface;
}  // namespace particles

// Each creating operation returns a new object owned by the caller, or null
// when the driver does not offer that effect.
class RenderSpecialEffectFactory {
public:
    // Called by position: keep the slot order.
    virtual SpecialEffect* createEffect(const char* className) = 0;            // 0
    virtual SpecialEffect* createReserved1(const char* name) = 0;              // 1
    virtual SpecialEffect* createReserved2() = 0;                              // 2
    virtual SpecialEffect* createReserved3() = 0;                              // 3
    virtual SpecialEffect* createReserved4() = 0;                              // 4
    virtual SpecialEffect* createReserved5() = 0;                              // 5
    virtual SpecialEffect* createReserved6(const char* name) = 0;              // 6
    virtual SpecialEffect* createReserved7() = 0;                              // 7
    virtual WaterInterface* createWater() = 0;                                 // 8
    virtual SpecialEffect* createReserved9() = 0;                              // 9
    virtual SwampInterface* createSwamp() = 0;                                 // 10
    virtual GlowEffectInterface* createGlow() = 0;                             // 11
    virtual SpecialEffect* createReserved12(int a, int b, int c) = 0;          // 12
    virtual ModelSelectionInterface* createContour() = 0;                      // 13
    virtual VertexFogEffectInterface* createVertexFog() = 0;                   // 14
    virtual MaterialDisappearanceEffectInterface* createMaterialDisappearance() = 0;  // 15
    virtual MappingEffectInterface* createMapping() = 0;                       // 16
    virtual SphericalMappingEffectInterface* createSphericalMapping() = 0;     // 17
    virtual PlanarMappingEffectInterface* createPlanarMapping() = 0;           // 18
    virtual SpriteHaloInterface* createSpriteHalo() = 0;                       // 19
    virtual CameraVanishInterface* createCameraVanish() = 0;                   // 20
    virtual DirectHighlightInterface* createDirectHighlight() = 0;             // 21
    virtual HighlightInterface* createHighlight() = 0;                         // 22
    virtual IsotropicLightInterface* createIsotropicLight() = 0;               // 23
    virtual UniversalHighlightInterface* createUniversalHighlight() = 0;       // 24
    virtual FadingEffectInterface* createFading() = 0;                         // 25
    virtual RenderingEffectInterface* createRendering() = 0;                   // 26
    virtual OpacityEffectInterface* createOpacity() = 0;                       // 27
    virtual VertexOpacityInterface* createVertexOpacity() = 0;                 // 28
    virtual TraceEffectInterface* createTrace() = 0;                           // 29
    virtual AureoleEffectInterface* createAureole() = 0;                       // 30
    virtual InvertCullingEffectInterface* createInvertCulling() = 0;           // 31
    virtual MirrorEffectInterface* createMirror() = 0;                         // 32
    virtual ReflectionEffectInterface* createReflection() = 0;                 // 33
    virtual particles::SpriteBasedParticleVisualizationInterface*
    createSpriteParticleVisualization() = 0;                                   // 34
    virtual particles::AnimatorBasedParticleVisualizationInterface*
    createAnimatorParticleVisualization() = 0;                                 // 35

protected:
    RenderSpecialEffectFactory() = default;
    RenderSpecialEffectFactory(const RenderSpecialEffectFactory&) = default;
    RenderSpecialEffectFactory& operator=(const RenderSpecialEffectFactory&) = default;
    ~RenderSpecialEffectFactory() = default;
};
