#include "world_scene.h"

#include "mesh_builders.h"
#include "placement.h"

#include <engine/core/globals.h>
#include <engine/core/render_driver.h>
#include <engine/core/render_light.h>
#include <engine/core/render_light_factory.h>
#include <engine/core/render_timer.h>
#include <engine/core/render_view.h>
#include <engine/core/render_view_factory.h>
#include <engine/core/spherical.h>

#include <algorithm>
#include <cmath>

namespace scene {
namespace {

constexpr float twoPi = 6.2831853f;

// The pool and the swamp: ellipses of the ground, in cells from the map's
// centre; a cell whose centre lies inside belongs to them.
struct Basin {
    float x, y, radiusX, radiusY;
    // 0 at the centre, 1 on the rim.
    float reach(float gx, float gy) const {
        const float dx = (gx - x) / radiusX, dy = (gy - y) / radiusY;
        return dx * dx + dy * dy;
    }
};
constexpr Basin pool{-6.0f, 0.5f, 5.0f, 6.0f};
constexpr Basin swampBasin{6.0f, 0.5f, 4.5f, 6.0f};

float smooth(float from, float to, float v) {
    const float t = std::clamp((v - from) / (to - from), 0.0f, 1.0f);
    return t * t * (3.0f - 2.0f * t);
}

// The ground's height: a hollow under each basin, deep enough for the
// water's waves, with a low bank round it so that the still rim of the
// water does not lie in the ground.
float groundHeight(float gx, float gy) {
    float h = 0.0f;
    for (const Basin& b : {pool, swampBasin}) {
        const float e = b.reach(gx, gy);
        const float bank = 0.12f * smooth(0.9f, 1.35f, e) * (1.0f - smooth(1.35f, 2.2f, e));
        h += -0.8f * (1.0f - smooth(0.55f, 1.2f, e)) + bank;
    }
    return h;
}

// A point of the ground (ground coordinates, z the height above it) with
// the sloped normal carried onto the sphere.
SurfacePoint groundPoint(float gx, float gy, float tiles) {
    constexpr float d = 0.05f;
    const float h = groundHeight(gx, gy);
    const Vector slope(-(groundHeight(gx + d, gy) - h) / d, -(groundHeight(gx, gy + d) - h) / d,
                       1.0f);
    const TMatrix frame = sphericalPlacementMatrix({gx, gy, 0.0f});
    return {sphericalPlacementVector(groundToFlat({gx, gy, h})),
            normalized(frame * slope),
            {gx / tiles, -gy / tiles}};
}

// The ground: one grid, fine (1 unit) over the map and coarse (5 units)
// beyond it out to the far plane, so that it has no cracks where they meet.
constexpr float nearHalfX = 15.0f, nearHalfY = 10.0f, farHalf = 80.0f, farCell = 5.0f;

std::vector<float> gridLines(float nearHalf) {
    std::vector<float> lines;
    for (float v = -farHalf; v < -nearHalf; v += farCell)
        lines.push_back(v);
    for (float v = -nearHalf; v < nearHalf; v += 1.0f)
        lines.push_back(v);
    for (float v = nearHalf; v <= farHalf; v += farCell)
        lines.push_back(v);
    return lines;
}

std::unique_ptr<BaseKeyMesh> makeWorldGround(const MeshMaterial& material) {
    MeshBuilder builder;
    const std::vector<float> xs = gridLines(nearHalfX), ys = gridLines(nearHalfY);
    const int columns = static_cast<int>(xs.size()) - 1, rows = static_cast<int>(ys.size()) - 1;
    // s runs east, t north: dP/ds x dP/dt is up.
    builder.addGrid(columns, rows, [&](float s, float t) {
        const auto i = static_cast<std::size_t>(std::lround(s * static_cast<float>(columns)));
        const auto j = static_cast<std::size_t>(std::lround(t * static_cast<float>(rows)));
        return groundPoint(xs[i], ys[j], 4.0f);
    });
    return builder.finish({material});
}

// Where a y-up model stands: the flat frame carried to the ground point,
// turned by `heading` about the normal, lifted by `lift`.
WorldContent::Pose standOn(float gx, float gy, float lift, float heading = 0.0f) {
    const TMatrix flatToGroundAxes =
        TMatrix::fromColumns({1, 0, 0}, {0, 0, -1}, {0, 1, 0}).transposed();
    const TMatrix frame = sphericalPlacementMatrix({gx, gy, 0.0f}) * flatToGroundAxes *
                          TMatrix::rotation(Vector(0, 1, 0), heading);
    return {frame, sphericalPlacementVector(groundToFlat({gx, gy, lift})), 0.0f};
}

Material plainMaterial(const Texture* texture, const Color& color, const Color& specular,
                       float shininess) {
    Material material;
    if (texture)
        material.setTexture(1, texture);
    material.setColor(color);
    material.setSpecular(specular);
    material.setShininess(shininess);
    return material;
}

MeshMaterial meshMaterial(const Material& material) {
    MeshMaterial used;
    used.flags = material.getTexture(1) ? MeshMaterial::TEXTURED : 0u;
    used.material = &material;
    return used;
}

Light makeLight(LightType type, const Color& color) {
    Light light(type);
    light.setColor(color);
    return light;
}

// Where the mirror stands, in ground coordinates.
constexpr struct {
    float x, y;
} mirrorSpot{-3.5f, 9.5f};
constexpr float mirrorHeight = 5.6f;

// The column the camera walks past: just inside its path.
constexpr float vanishAngle = 2.2f;

Vector pathPoint(float angle, float inset) {
    return {(17.0f - inset) * std::cos(angle), (14.5f - inset) * std::sin(angle), 0.0f};
}

}  // namespace

WorldMap makeWorldMap() {
    WorldMap map;
    map.water.resize(WorldMap::width * WorldMap::height);
    map.swamp.resize(map.water.size());
    for (int y = 0; y < WorldMap::height; ++y)
        for (int x = 0; x < WorldMap::width; ++x) {
            // The cell's centre in ground coordinates.
            const float gx = x + 0.5f - WorldMap::width * 0.5f;
            const float gy = y + 0.5f - WorldMap::height * 0.5f;
            map.water[y * WorldMap::width + x] = pool.reach(gx, gy) < 1.0f;
            map.swamp[y * WorldMap::width + x] = swampBasin.reach(gx, gy) < 1.0f;
        }
    return map;
}

WorldContent::WorldContent()
    : grassMaterial(plainMaterial(&grass, Color(1, 1, 1), Color(0, 0, 0), 0)),
      stoneMaterial(plainMaterial(&bricks, Color(1, 1, 1), Color(0.1f, 0.1f, 0.1f), 0.1f)),
      chromeMaterial(plainMaterial(nullptr, Color(0.75f, 0.78f, 0.82f), Color(1, 1, 1), 0.9f)),
      frameMaterial(
          plainMaterial(&marble, Color(0.6f, 0.45f, 0.3f), Color(0.2f, 0.2f, 0.2f), 0.3f)),
      glassMaterial(plainMaterial(nullptr, Color(0.3f, 0.34f, 0.4f), Color(1, 1, 1), 0.9f)),
      ringMaterial(plainMaterial(&marble, Color(1.0f, 0.8f, 0.5f), Color(0.5f, 0.5f, 0.5f), 0.4f)),
      pillarMaterial(
          plainMaterial(&marble, Color(0.9f, 0.88f, 0.8f), Color(0.2f, 0.2f, 0.2f), 0.3f)),
      map(makeWorldMap()) {
    const auto add = [this](std::string name, std::unique_ptr<BaseKeyMesh> mesh, bool pickable,
                            const Pose& pose) {
        parts.push_back({std::move(name), std::move(mesh), pickable});
        restPoses.push_back(pose);
    };
    add("ground", makeWorldGround(meshMaterial(grassMaterial)), false, {TMatrix(), Vector(), 0.0f});
    // Between the pool and the swamp, to the north: the chrome ball on its pedestal.
    add("pedestal", makeBox(Vector(0.6f, 0.6f, 0.6f), 2, meshMaterial(stoneMaterial)), true,
        standOn(0.0f, 4.0f, 0.6f));
    add("ball", makeSphere(0.9f, 20, 28, meshMaterial(chromeMaterial)), true,
        standOn(0.0f, 4.0f, 2.1f));
    // North-west of them a mirror on a post, facing the ball and leaning
    // forward, above the height of everything it shows: the glass is drawn
    // over whatever stands before it, so nothing may stand between it and
    // the camera. The pane is a ground patch turned up about its x axis; its
    // front looks along the pose's column 1.
    WorldContent::Pose pane = standOn(mirrorSpot.x, mirrorSpot.y, mirrorHeight,
                                      std::atan2(-mirrorSpot.x, mirrorSpot.y));
    pane.orientation = pane.orientation * TMatrix::rotation(Vector(1, 0, 0), 1.5707963f + 0.3f);
    add("mirror", makeGround(4.0f, 4, 1.0f, meshMaterial(glassMaterial)), true, pane);
    add("mirror post", makeBox(Vector(0.12f, 0.5f * mirrorHeight, 0.12f), 1, meshMaterial(stoneMaterial)),
        false, standOn(mirrorSpot.x, mirrorSpot.y + 0.3f, 0.5f * mirrorHeight));
    // By the camera's path: the column it walks past.
    const Vector column = pathPoint(vanishAngle, 2.6f);
    add("column", makeBox(Vector(0.7f, 2.0f, 0.7f), 4, meshMaterial(stoneMaterial)), true,
        standOn(column.x, column.y, 2.0f));
    // The glowing ring south of the swamp, the highlighted statue south of the pool.
    add("ring", makeTorus(0.9f, 0.28f, 32, 12, meshMaterial(ringMaterial)), true,
        standOn(6.0f, -7.5f, 1.4f));
    add("statue", makeSphere(0.8f, 16, 24, meshMaterial(frameMaterial)), true,
        standOn(-6.0f, -7.5f, 0.8f));
    // The pillars spiralling out towards the horizon, into the fog.
    for (int i = 0; i < 12; ++i) {
        const float angle = 0.4f + twoPi * static_cast<float>(i) / 12.0f;
        const float radius = 21.0f + 4.0f * static_cast<float>(i);
        add("pillar " + std::to_string(i),
            makeBox(Vector(0.8f, 3.0f, 0.8f), 1, meshMaterial(pillarMaterial)), false,
            standOn(radius * std::cos(angle), radius * std::sin(angle), 3.0f));
    }

    lights.push_back(makeLight(AMBIENT_LIGHT, Color(0.28f, 0.28f, 0.32f)));
    lights.push_back(makeLight(DIRECTIONAL_LIGHT, Color(0.8f, 0.76f, 0.65f)));
    lights.back().setGlobalTransformation(lookAlong(Vector(-0.4f, -1.0f, -0.3f)), Vector());
}

std::vector<WorldContent::Pose> WorldContent::posesAt(float t) const {
    std::vector<Pose> poses = restPoses;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        poses[i].animationTime = t;
        if (parts[i].name == "ball")
            poses[i].orientation =
                poses[i].orientation * TMatrix::rotation(Vector(0, 1, 0), 0.5f * t);
        else if (parts[i].name == "ring")
            poses[i].orientation = poses[i].orientation *
                                   TMatrix::rotation(Vector(0, 1, 0), 0.7f * t) *
                                   TMatrix::rotation(Vector(1, 0, 0), 1.5707963f);
    }
    return poses;
}

void placeWorldCamera(landcamera::Camera& camera, float seconds) {
    // Round the basins anticlockwise, looking at the middle of the map.
    const float angle = vanishAngle - 1.4f + twoPi * seconds / worldLoopSeconds;
    const Vector at = pathPoint(angle, 0.0f);
    camera.setPosition({at.x, at.y, 3.4f + 0.6f * std::sin(0.5f * seconds)});
    camera.lookAt({0.0f, 1.5f, 0.0f});
}

// ---------------------------------------------------------------------------

WorldSession::WorldSession(RenderDriver& driver, WorldContent& content, Settings settings)
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
    camera.setFieldOfView(1.25f);
    viewport.setAspect(this->settings.aspect);
    view.setCamera(&camera);
    view.setViewport(&viewport);
    RenderView* renderView = theRenderViewFactory->create(view);
    if (!renderView) {
        why = "the view factory made no render view";
        return;
    }
    view.setRenderView(renderView);
    for (Light& light : content.getLights())
        if (RenderLight* made = theRenderLightFactory->create(light)) {
            made->activate(*renderView);
            renderLights.push_back(made);
        }
    for (const WorldContent::Part& part : content.getParts()) {
        auto object =
            std::make_unique<SceneObject>(part.name, *part.mesh, this->settings.pickReport);
        object->setPickable(part.pickable && this->settings.pickReport);
        objects.push_back(std::move(object));
    }
    update(0.0f);
    if (this->settings.effects)
        effects =
            std::make_unique<WorldEffects>(view, objects, content.getMap(), this->settings.effects,
                                           this->settings.highlightTarget);
    driver.registerView(&view);
    registered = true;
}

WorldSession::~WorldSession() {
    if (registered)
        driver.unregisterView(&view);
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

void WorldSession::update(float seconds) {
    placeWorldCamera(camera, seconds);
    const std::vector<WorldContent::Pose> poses = content.posesAt(seconds);
    for (std::size_t i = 0; i < objects.size() && i < poses.size(); ++i) {
        objects[i]->setTransformation(poses[i].orientation, poses[i].position);
        objects[i]->setAnimationTime(poses[i].animationTime);
    }
    if (effects)
        effects->update(seconds,
                        settings.pickReport ? settings.pickReport->current() : std::string());
}

void WorldSession::WorldView::draw() {
    const float seconds = session.settings.clock ? session.settings.clock() : 0.0f;
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

void WorldSession::WorldView::drawContent(RenderView& renderView) {
    (void)renderView;
    for (RenderLight* light : session.renderLights) {
        const Light& source = light->getLight();
        session.driver.renderLight(light, source.getGlobalTM(), source.getGlobalOff());
    }
    for (const auto& object : session.objects)
        session.driver.renderMesh(object.get());
}

}  // namespace scene
