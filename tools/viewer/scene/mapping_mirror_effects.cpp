#include "mapping_mirror_effects.h"

#include "mesh_builders.h"
#include "placement.h"

#include <engine/core/globals.h>
#include <engine/core/render_driver.h>

namespace scene {

namespace {

// Where the camera stands when the gallery takes its pictures.
constexpr float pictureSeconds = 3.0f;

// The ground point `fraction` of the way from the column to the camera.
Vector towardCamera(float fraction) {
    const Vector eye = cameraPlace(pictureSeconds).position;
    return Vector(eye.x * fraction, 0.0f, eye.z * fraction);
}

EffectiveRenderMesh* link(SpecialEffect* effect) {
    return dynamic_cast<EffectiveRenderMesh*>(effect);
}

}  // namespace

const std::vector<MappingMirrorEffectName>& mappingMirrorEffectNames() {
    static const std::vector<MappingMirrorEffectName> names = {
        {EFFECT_MAPPING, "mapping", "MappingEffect",
         "the column drawn again in the glass texture, added over its bricks"},
        {EFFECT_SPHERICAL_MAPPING, "spherical", "SphericalMappingEffect",
         "the ring in chrome: coordinates from its normals seen by the camera"},
        {EFFECT_PLANAR_MAPPING, "planar", "PlanarMappingEffect",
         "a warm light spot projected onto the ground from above"},
        {EFFECT_MIRROR, "mirror", "MirrorEffect",
         "a mirror lying on the ground with the scene reflected in it (ReflectionEffect)"},
        {EFFECT_INVERT_CULLING, "invert_culling", "InvertCullingEffect",
         "the column drawn with its front faces culled: its inside shows"}};
    return names;
}

MappingMirrorEffects::MappingMirrorEffects(const std::vector<std::unique_ptr<SceneObject>>& objects,
                                           unsigned which)
    : objects(objects) {
    RenderSpecialEffectFactory* factory = theRenderSpecialEffectFactory;
    if (!factory)
        return;
    if ((which & EFFECT_MAPPING) && put(factory->createMapping(), find("column"), overlay)) {
        overlay->setTexture("/Textures/glass.tga");
        overlay->setOverlay();
        overlay->setBlendMode(2);
    }
    if ((which & EFFECT_SPHERICAL_MAPPING) &&
        put(factory->createSphericalMapping(), find("ring"), chrome)) {
        chrome->setTexture("/Images/Effects/Mapping/chrome.tga");
        // u follows the camera's right, v its down: the sky is on top.
        chrome->setMapping(TMatrix(0, 1, 0, 1, 0, 0, 0, 0, 1), Vector());
        chrome->setBlendMode(0);
    }
    if ((which & EFFECT_PLANAR_MAPPING) &&
        put(factory->createPlanarMapping(), find("ground"), spot)) {
        constexpr float size = 5.0f;
        const Vector centre = towardCamera(0.35f);
        spot->setTexture("/Images/Effects/Mapping/spot.tga");
        spot->setBaseSet1();
        spot->setBlendMode(4);
        spot->setColor(1.0f, 0.85f, 0.55f, 1.0f);
        spot->setMapping(TMatrix(1 / size, 0, 0, 0, 0, 1 / size, 0, 1, 0),
                         Vector(0.5f - centre.x / size, 0.5f - centre.z / size, 0));
    }
    if (which & EFFECT_INVERT_CULLING)
        put(factory->createInvertCulling(), find("column"), insideOut);
    if (which & EFFECT_MIRROR) {
        mirror.reset(factory->createMirror());
        if (mirror && theRenderMeshFactory) {
            mirrorMaterial.setTexture(1, &mirrorTexture);
            MeshMaterial used;
            used.flags = MeshMaterial::TEXTURED;
            used.material = &mirrorMaterial;
            mirrorMesh = makeGround(4.0f, 4, 1.0f, used);
            mirrorObject = std::make_unique<SceneObject>("mirror", *mirrorMesh, nullptr);
            mirrorObject->setTransformation(TMatrix(), towardCamera(0.4f) + Vector(0, 0.02f, 0));
            mirrorObject->attachEffect(link(mirror.get()));
            for (const auto& object : objects) {
                if (object->getName() == "ground")
                    continue;
                std::unique_ptr<ReflectionEffectInterface> reflection(factory->createReflection());
                if (reflection && object->attachEffect(link(reflection.get())))
                    reflections.push_back(std::move(reflection));
            }
        }
    }
}

MappingMirrorEffects::~MappingMirrorEffects() {
    // Mesh effects leave their chains as they go; the mirror's own object
    // goes after its effect.
    reflections.clear();
    mirror.reset();
    mirrorObject.reset();
}

template <typename Interface>
bool MappingMirrorEffects::put(Interface* effect, SceneObject* object,
                               std::unique_ptr<Interface>& owner) {
    std::unique_ptr<Interface> made(effect);
    if (!made || !object || !object->attachEffect(link(made.get())))
        return false;
    owner = std::move(made);
    return true;
}

void MappingMirrorEffects::render(RenderDriver& driver) {
    if (mirrorObject)
        driver.renderMesh(mirrorObject.get());
}

unsigned MappingMirrorEffects::made() const {
    return (overlay ? unsigned(EFFECT_MAPPING) : 0u) |
           (chrome ? unsigned(EFFECT_SPHERICAL_MAPPING) : 0u) |
           (spot ? unsigned(EFFECT_PLANAR_MAPPING) : 0u) |
           (mirror && mirrorObject ? unsigned(EFFECT_MIRROR) : 0u) |
           (insideOut ? unsigned(EFFECT_INVERT_CULLING) : 0u);
}

SceneObject* MappingMirrorEffects::find(const std::string& name) const {
    for (const auto& object : objects)
        if (object->getName() == name)
            return object.get();
    return nullptr;
}

}  // namespace scene
