#include "demo_scene.h"

#include "mesh_builders.h"
#include "placement.h"

#include <engine/core/globals.h>
#include <engine/core/render_driver.h>
#include <engine/core/render_light.h>
#include <engine/core/render_light_factory.h>
#include <engine/core/render_timer.h>
#include <engine/core/render_view.h>
#include <engine/core/render_view_factory.h>

#include <algorithm>
#include <cmath>

namespace scene {
namespace {

constexpr float halfPi = 1.5707963f;

Material texturedMaterial(const Texture& texture, const Color& specular, float shininess) {
    Material material;
    // Slot 1 is the one the driver draws as the surface's texture.
    material.setTexture(1, &texture);
    material.setSpecular(specular);
    material.setShininess(shininess);
    return material;
}

MeshMaterial meshMaterial(const Material& material) {
    MeshMaterial used;
    used.flags = MeshMaterial::TEXTURED;
    used.material = &material;
    return used;
}

Light makeLight(LightType type, const Color& color) {
    Light light(type);
    light.setColor(color);
    return light;
}

// Indices into the lights, in the order they are made.
enum LightIndex { AMBIENT, SUN, LAMP, SPOT };

}  // namespace

SceneContent::SceneContent()
    : groundMaterial(texturedMaterial(checker, Color(0, 0, 0), 0)),
      brickMaterial(texturedMaterial(bricks, Color(0.1f, 0.1f, 0.1f), 0.1f)),
      marbleMaterial(texturedMaterial(marble, Color(0.7f, 0.7f, 0.7f), 0.5f)),
      ringMaterial(texturedMaterial(checker, Color(0.4f, 0.4f, 0.4f), 0.3f)),
      glassMaterial(texturedMaterial(glass, Color(0.9f, 0.9f, 0.9f), 0.8f)) {
    auto ground = makeGround(24.0f, 24, 6.0f, meshMaterial(groundMaterial));
    auto column = makeBox(Vector(1.0f, 1.5f, 1.0f), 6, meshMaterial(brickMaterial));
    addBendKeys(*column, 0.12f, -1.5f, 4.0f);
    auto ball = makeSphere(0.8f, 16, 24, meshMaterial(marbleMaterial));
    addPulseKeys(*ball, 0.15f, 1.2f);
    auto ring = makeTorus(0.9f, 0.32f, 32, 14, meshMaterial(ringMaterial));
    addPulseKeys(*ring, 0.08f, 2.0f);
    auto bubble = makeSphere(1.1f, 16, 24, meshMaterial(glassMaterial));
    addSquashKeys(*bubble, 0.18f, 1.6f);
    // The ground is not offered for picking: the pointer over it reports the
    // objects standing on it, or none.
    parts.push_back({"ground", std::move(ground), false});
    parts.push_back({"column", std::move(column), true});
    parts.push_back({"ball", std::move(ball), true});
    parts.push_back({"ring", std::move(ring), true});
    parts.push_back({"glass", std::move(bubble), true});

    lights.push_back(makeLight(AMBIENT_LIGHT, Color(0.16f, 0.16f, 0.2f)));
    lights.push_back(makeLight(DIRECTIONAL_LIGHT, Color(0.55f, 0.52f, 0.45f)));
    lights.push_back(makeLight(POINT_LIGHT, Color(1.0f, 0.5f, 0.15f)));
    lights.push_back(makeLight(SPOT_LIGHT, Color(0.1f, 0.4f, 1.0f)));
    lights[SUN].setGlobalTransformation(lookAlong(Vector(-0.35f, -1.0f, -0.5f)), Vector());
    lights[LAMP].setRange(7.0f);
    lights[SPOT].setRange(14.0f);
    lights[SPOT].setCutoff(0.6f);
    placeLights(0.0f);
}

std::vector<SceneContent::Pose> SceneContent::posesAt(float t) const {
    std::vector<Pose> poses(parts.size());
    // ground: still, at rest.
    // column: standing on the ground, turning slowly, bending.
    poses[1] = {TMatrix::rotation(Vector(0, 1, 0), 0.2f * t), Vector(0, 1.5f, 0), t};
    // ball: rolling round the column and bouncing, pulsing.
    const float orbit = 1.0f + 0.5f * t;
    poses[2] = {TMatrix::rotation(Vector(0, 1, 0), -1.3f * t),
                Vector(3.6f * std::cos(orbit), 0.95f + 0.5f * std::fabs(std::sin(2.2f * t)),
                       3.6f * std::sin(orbit)),
                t};
    // ring: standing up, spinning about a tilted axis, breathing.
    poses[3] = {TMatrix::rotation(Vector(0.3f, 1.0f, 0.2f), 0.8f * t) *
                    TMatrix::rotation(Vector(1, 0, 0), halfPi),
                Vector(-3.0f, 1.5f, -1.8f), t};
    // glass: squashing and stretching where it stands.
    poses[4] = {TMatrix(), Vector(-2.0f, 1.25f, 2.75f), t};
    return poses;
}

void SceneContent::placeLights(float t) {
    const float angle = -0.6f * t;
    lights[LAMP].setGlobalTransformation(TMatrix(), Vector(3.0f * std::cos(angle), 2.2f,
                                                           3.0f * std::sin(angle)));
    // The spot hangs high above the column and lights the ground between the
    // column and the camera, wandering a little from side to side.
    const Vector camera = cameraPlace(t).position;
    const Vector spotFrom(0.0f, 8.0f, 0.0f);
    const Vector spotTo(0.45f * camera.x + 1.5f * std::sin(0.7f * t), 0.0f,
                        0.45f * camera.z + 1.5f * std::cos(0.7f * t));
    lights[SPOT].setGlobalTransformation(lookAlong(spotTo - spotFrom), spotFrom);
}

// ---------------------------------------------------------------------------

SceneSession::SceneSession(RenderDriver& driver, SceneContent& content, Settings settings)
    : driver(driver), content(content), settings(std::move(settings)) {
    if (!theRenderViewFactory || !theRenderLightFactory || !theRenderMeshFactory) {
        why = std::string("the driver has no ") +
              (!theRenderViewFactory    ? "view"
               : !theRenderLightFactory ? "light"
                                        : "mesh") +
              " factory";
        return;
    }
    camera.setNearDistance(0.3f);
    camera.setFieldOfView(1.35f);
    viewport.setAspect(this->settings.aspect);
    view.setCamera(&camera);
    view.setViewport(&viewport);
    RenderView* renderView = theRenderViewFactory->create(view);
    if (!renderView) {
        why = "the view factory made no render view";
        return;
    }
    view.setRenderView(renderView);
    for (Light& light : content.getLights()) {
        RenderLight* made = theRenderLightFactory->create(light);
        if (!made)
            continue;
        made->activate(*renderView);
        renderLights.push_back(made);
    }
    for (const SceneContent::Part& part : content.getParts()) {
        auto object = std::make_unique<SceneObject>(part.name, *part.mesh, this->settings.pickReport);
        object->setPickable(part.pickable && this->settings.pickReport);
        objects.push_back(std::move(object));
    }
    if (theRenderDecalFactory && theRenderImageFactory) {
        poolImage = std::make_unique<Image3D>("/Textures/glass.tga", true, 0);
        pool = std::make_unique<Decal3D>(poolImage.get(), TILING_NONE, true);
        const Vector corners[4] = {{1.2f, 0.02f, 1.2f}, {3.4f, 0.02f, 1.2f},
                                   {1.2f, 0.02f, 3.4f}, {3.4f, 0.02f, 3.4f}};
        pool->setCorners(corners);
    }
    if (this->settings.effects)
        effects = std::make_unique<SceneEffects>(view, objects, this->settings.effects,
                                                 this->settings.contourTarget);
    if (this->settings.effects & (EFFECT_HALOS | EFFECT_SMOKE | EFFECT_SPARKS))
        lightEffects = std::make_unique<LightEffects>(*objects[1], this->settings.effects);
    if (this->settings.effects & EFFECTS_MAPPING_MIRROR)
        mappingMirror = std::make_unique<MappingMirrorEffects>(objects, this->settings.effects);
    if (this->settings.effects & EFFECT_LIGHTING)
        lightingEffects = std::make_unique<LightingEffects>(objects, this->settings.effects);
    if (this->settings.effects & (EFFECT_WATER | EFFECT_SWAMP))
        surfaceEffects = std::make_unique<SurfaceEffects>(view, this->settings.effects);
    update(0.0f);
    driver.registerView(&view);
    registered = true;
}

SceneSession::~SceneSession() {
    if (registered)
        driver.unregisterView(&view);
    lightEffects.reset();
    mappingMirror.reset();
    lightingEffects.reset();
    surfaceEffects.reset();
    pool.reset();
    poolImage.reset();
    effects.reset();
    objects.clear();
    RenderView* renderView = view.getRenderView();
    for (RenderLight* light : renderLights) {
        if (renderView)
            light->deactivate(*renderView);
        theRenderLightFactory->destroy(light);
    }
    if (renderView) {
        view.setRenderView(nullptr);
        theRenderViewFactory->destroy(renderView);
    }
}

void SceneSession::update(float seconds) {
    const CameraPlace place = cameraPlace(seconds);
    camera.setGlobalTransformation(place.orientation, place.position);
    content.placeLights(seconds);
    const std::vector<SceneContent::Pose> poses = content.posesAt(seconds);
    for (std::size_t i = 0; i < objects.size() && i < poses.size(); ++i) {
        objects[i]->setTransformation(poses[i].orientation, poses[i].position);
        objects[i]->setAnimationTime(poses[i].animationTime);
    }
    if (effects)
        effects->update(seconds, settings.pickReport ? settings.pickReport->current() : std::string());
    if (lightEffects) {
        const std::vector<Light>& lights = content.getLights();
        // A long pause (the gallery's jump to its time) counts as one short step.
        const float step = std::clamp(seconds - lastUpdate, 0.0f, 0.1f);
        lightEffects->update({&lights[LAMP], &lights[SPOT]}, step);
    }
    lastUpdate = seconds;
}

void SceneSession::SceneView::draw() {
    const float seconds = session.settings.clock ? session.settings.clock() : 0.0f;
    // The engine's render clocks follow the scene's: effects animate by them.
    theDelayedRenderTimer->update(theRenderTimer->getTime());
    theRenderTimer->update(seconds);
    thePausedRenderTimer->update(seconds);
    session.update(seconds);
    if (session.settings.beforeView)
        session.settings.beforeView();
    View::draw();
    if (session.settings.pickReport)
        session.settings.pickReport->frameDone();
}

void SceneSession::SceneView::drawContent(RenderView& renderView) {
    if (session.lightEffects)
        session.lightEffects->renderHalos(renderView);
    for (std::size_t i = 0; i < session.renderLights.size(); ++i) {
        const Light& light = session.renderLights[i]->getLight();
        session.driver.renderLight(session.renderLights[i], light.getGlobalTM(), light.getGlobalOff());
    }
    for (const auto& object : session.objects)
        session.driver.renderMesh(object.get());
    if (session.mappingMirror)
        session.mappingMirror->render(session.driver);
    if (session.pool && session.pool->getRenderMesh())
        session.driver.renderMesh(session.pool.get());
    for (RenderMeshShellInterface* mesh : session.settings.extraMeshes)
        session.driver.renderMesh(mesh);
    if (session.lightEffects)
        session.lightEffects->renderParticles();
}

}  // namespace scene
