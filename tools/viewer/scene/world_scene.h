// The world scene: a patch of the spherical world with a water pool and a
// swamp laid over the cells of a map, a chrome ball, a mirror lying on the
// ground, a column the camera passes close by, a glowing ring and a row of pillars
// fading into the vertex fog towards the horizon, seen by a land camera
// walking round the pool.
#pragma once

#include "pick_report.h"
#include "world_effects.h"

#include <engine/core/key_mesh.h>
#include <engine/core/land_camera.h>
#include <engine/core/light.h>
#include <engine/core/material.h>
#include <engine/core/texture.h>
#include <engine/core/view.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class RenderLight;
class RenderDriver;

namespace scene {

// The map the water and the swamp lie on: width x height cells of one world
// unit, centred on the origin of the ground, row by row from the south.
struct WorldMap {
    static constexpr int width = 24;
    static constexpr int height = 16;
    std::vector<bool> water;  // width * height
    std::vector<bool> swamp;
};
WorldMap makeWorldMap();

// The engine side of the world: textures, materials, meshes and lights. It
// needs no driver.
class WorldContent {
public:
    WorldContent();
    WorldContent(const WorldContent&) = delete;
    WorldContent& operator=(const WorldContent&) = delete;

    struct Part {
        std::string name;
        std::unique_ptr<BaseKeyMesh> mesh;
        bool pickable;
    };
    const std::vector<Part>& getParts() const { return parts; }
    std::vector<Light>& getLights() { return lights; }
    const WorldMap& getMap() const { return map; }

    struct Pose {
        TMatrix orientation;
        Vector position;
        float animationTime = 0.0f;
    };
    // Where each part is at `seconds`, in the order of getParts().
    std::vector<Pose> posesAt(float seconds) const;

private:
    Texture grass{"/Textures/grass.tga"};
    Texture bricks{"/Textures/bricks.tga"};
    Texture marble{"/Textures/marble.tga"};
    Material grassMaterial, stoneMaterial, chromeMaterial, frameMaterial, glassMaterial,
        ringMaterial, pillarMaterial;
    WorldMap map;
    std::vector<Part> parts;
    std::vector<Pose> restPoses;
    std::vector<Light> lights;
};

// The land camera's walk: once round the pool every worldLoopSeconds,
// passing close by the vanishing column.
constexpr float worldLoopSeconds = 24.0f;
void placeWorldCamera(landcamera::Camera& camera, float seconds);

// The driver side, for one video mode, like SceneSession for the demo scene.
class WorldSession {
public:
    struct Settings {
        float aspect = 4.0f / 3.0f;
        PickReport* pickReport = nullptr;
        std::function<float()> clock;
        std::function<void()> beforeView;
        // WorldEffect bits; the highlight stays on `highlightTarget` (empty:
        // the pointed part).
        unsigned effects = 0;
        std::string highlightTarget;
    };
    WorldSession(RenderDriver& driver, WorldContent& content, Settings settings);
    ~WorldSession();
    WorldSession(const WorldSession&) = delete;
    WorldSession& operator=(const WorldSession&) = delete;

    bool ready() const { return why.empty(); }
    const std::string& whyNot() const { return why; }
    const std::vector<std::unique_ptr<SceneObject>>& getObjects() const { return objects; }
    const landcamera::Camera& getCamera() const { return camera; }
    // The effects the driver made (WorldEffect bits).
    unsigned effectsShown() const { return effects ? effects->made() : 0u; }

private:
    class WorldView : public View {
    public:
        explicit WorldView(WorldSession& session) : session(session) {}
        void draw() override;

    protected:
        void drawContent(RenderView& view) override;

    private:
        WorldSession& session;
    };

    void update(float seconds);

    RenderDriver& driver;
    WorldContent& content;
    Settings settings;
    std::string why;
    landcamera::Camera camera;
    Viewport viewport;
    WorldView view{*this};
    std::vector<RenderLight*> renderLights;
    std::vector<std::unique_ptr<SceneObject>> objects;
    std::unique_ptr<WorldEffects> effects;
    bool registered = false;
};

}  // namespace scene
