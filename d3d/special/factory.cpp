#include "factory.h"

#include "contour/contour.h"
#include "glow/glow.h"
#include "glow/vertex_fog.h"
#include "highlight/direct_highlight.h"
#include "highlight/highlight.h"
#include "highlight/universal_highlight.h"
#include "fading/fading.h"
#include "aureole.h"
#include "material_disappearance.h"
#include "opacity/camera_vanish.h"
#include "opacity/vertex_opacity.h"
#include "trace.h"
#include "water/swamp.h"
#include "water/water.h"
#include "rendering/rendering.h"
#include "halo/sprite.h"
#include "mapping/mapping.h"
#include "mapping/planar_mapping.h"
#include "mapping/spherical_mapping.h"
#include "mirror/invert_culling.h"
#include "mirror/mirror.h"
#include "mirror/reflection.h"
#include "particles/animator_visualization.h"
#include "particles/vb_sprite_visualization.h"

#include "../thread/synchronized.h"

#include <engine/class_registry.h>
#include <engine/core/globals.h>

#include <optional>

// The halo manager comes with the halo effects; a driver built without
// them has none.
#if __has_include("halo/halo_manager.h")
#include "halo/halo_manager.h"
#define D3D_SPECIAL_HAS_HALO_MANAGER 1
#endif

HaloManager* theD3DHaloManager = nullptr;

namespace {

// The driver lock, when there is a driver to hold it.
class DriverLock {
public:
    DriverLock() {
        if (theD3DRenderDriver)
            guard.emplace(static_cast<const thread::SynchronizedObject&>(*theD3DRenderDriver));
    }

private:
    std::optional<thread::Lock> guard;
};

// Effects this driver does not offer, or not yet: nothing is made.
template <typename T>
T* none() {
    return nullptr;
}

}  // namespace

D3DRenderSpecialEffectFactory::D3DRenderSpecialEffectFactory() {
#ifdef D3D_SPECIAL_HAS_HALO_MANAGER
    theD3DHaloManager = new HaloManager;
    theHaloManager = theD3DHaloManager;
    if (theD3DRenderDriver)
        theD3DRenderDriver->registerListener(theD3DHaloManager, 0);
#endif
}

D3DRenderSpecialEffectFactory::~D3DRenderSpecialEffectFactory() {
#ifdef D3D_SPECIAL_HAS_HALO_MANAGER
    if (theD3DRenderDriver)
        theD3DRenderDriver->unregisterListener(theD3DHaloManager);
    delete theD3DHaloManager;
    theHaloManager = nullptr;
#endif
    theD3DHaloManager = nullptr;
}

SpecialEffect* D3DRenderSpecialEffectFactory::createEffect(const char* className) {
    if (!className)
        return nullptr;
    DriverLock lock;
    return Class::clone<SpecialEffect>(className).release();
}

SpecialEffect* D3DRenderSpecialEffectFactory::createReserved1(const char*) {
    return none<SpecialEffect>();
}
SpecialEffect* D3DRenderSpecialEffectFactory::createReserved2() {
    return none<SpecialEffect>();
}
SpecialEffect* D3DRenderSpecialEffectFactory::createReserved3() {
    return none<SpecialEffect>();
}
SpecialEffect* D3DRenderSpecialEffectFactory::createReserved4() {
    return none<SpecialEffect>();
}
SpecialEffect* D3DRenderSpecialEffectFactory::createReserved5() {
    return none<SpecialEffect>();
}
SpecialEffect* D3DRenderSpecialEffectFactory::createReserved6(const char*) {
    return none<SpecialEffect>();
}
SpecialEffect* D3DRenderSpecialEffectFactory::createReserved7() {
    return none<SpecialEffect>();
}
SpecialEffect* D3DRenderSpecialEffectFactory::createReserved9() {
    return none<SpecialEffect>();
}
SpecialEffect* D3DRenderSpecialEffectFactory::createReserved12(int, int, int) {
    return none<SpecialEffect>();
}

// Mapping and mirrors.
MappingEffectInterface* D3DRenderSpecialEffectFactory::createMapping() {
    DriverLock lock;
    return new MappingEffect;
}
SphericalMappingEffectInterface* D3DRenderSpecialEffectFactory::createSphericalMapping() {
    DriverLock lock;
    return new SphericalMappingEffect;
}
PlanarMappingEffectInterface* D3DRenderSpecialEffectFactory::createPlanarMapping() {
    DriverLock lock;
    return new PlanarMappingEffect;
}
InvertCullingEffectInterface* D3DRenderSpecialEffectFactory::createInvertCulling() {
    DriverLock lock;
    return new InvertCullingEffect;
}
// Mirrors and reflections take no lock: the engine makes them inside frames.
MirrorEffectInterface* D3DRenderSpecialEffectFactory::createMirror() {
    return new MirrorEffect;
}
ReflectionEffectInterface* D3DRenderSpecialEffectFactory::createReflection() {
    return new ReflectionEffect;
}

// World surfaces: water/.
WaterInterface* D3DRenderSpecialEffectFactory::createWater() {
    DriverLock lock;
    return new Water(true);
}
SwampInterface* D3DRenderSpecialEffectFactory::createSwamp() {
    DriverLock lock;
    return new Swamp(true);
}

// Halos and particles: their classes live in halo/ and particles/.
SpriteHaloInterface* D3DRenderSpecialEffectFactory::createSpriteHalo() {
    DriverLock lock;
    return new SpriteHalo(true);
}
particles::SpriteBasedParticleVisualizationInterface*
D3DRenderSpecialEffectFactory::createSpriteParticleVisualization() {
    DriverLock lock;
    return new VBSpriteParticleVisualization;
}
particles::AnimatorBasedParticleVisualizationInterface*
D3DRenderSpecialEffectFactory::createAnimatorParticleVisualization() {
    DriverLock lock;
    return new AnimatorParticleVisualization;
}

// The framework's own effects.
ModelSelectionInterface* D3DRenderSpecialEffectFactory::createContour() {
    DriverLock lock;
    return new Contour(false);
}
MaterialDisappearanceEffectInterface* D3DRenderSpecialEffectFactory::createMaterialDisappearance() {
    DriverLock lock;
    return new MaterialDisappearanceEffect;
}
FadingEffectInterface* D3DRenderSpecialEffectFactory::createFading() {
    DriverLock lock;
    return new FadingEffect(true);
}
RenderingEffectInterface* D3DRenderSpecialEffectFactory::createRendering() {
    DriverLock lock;
    return new RenderingEffect;
}
TraceEffectInterface* D3DRenderSpecialEffectFactory::createTrace() {
    DriverLock lock;
    return new TraceEffect;
}
AureoleEffectInterface* D3DRenderSpecialEffectFactory::createAureole() {
    DriverLock lock;
    return new AureoleEffect;
}

// Translucent meshes.
OpacityEffectInterface* D3DRenderSpecialEffectFactory::createOpacity() {
    DriverLock lock;
    return new OpacityEffect;
}
VertexOpacityInterface* D3DRenderSpecialEffectFactory::createVertexOpacity() {
    DriverLock lock;
    return new VertexOpacity;
}
CameraVanishInterface* D3DRenderSpecialEffectFactory::createCameraVanish() {
    DriverLock lock;
    return new CameraVanish;
}

// Lighting of a mesh: highlights, glow and vertex fog.
GlowEffectInterface* D3DRenderSpecialEffectFactory::createGlow() {
    DriverLock lock;
    return new D3DGlowEffect;
}

VertexFogEffectInterface* D3DRenderSpecialEffectFactory::createVertexFog() {
    DriverLock lock;
    return new VertexFogEffect;
}

DirectHighlightInterface* D3DRenderSpecialEffectFactory::createDirectHighlight() {
    DriverLock lock;
    return new DirectHighlight;
}

HighlightInterface* D3DRenderSpecialEffectFactory::createHighlight() {
    DriverLock lock;
    return new Highlight;
}

IsotropicLightInterface* D3DRenderSpecialEffectFactory::createIsotropicLight() {
    DriverLock lock;
    return new IsotropicLight;
}

UniversalHighlightInterface* D3DRenderSpecialEffectFactory::createUniversalHighlight() {
    DriverLock lock;
    return new UniversalHighlight;
}
