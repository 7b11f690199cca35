// The demo scene: textured, lit, key-frame-animated meshes on a ground, one
// of them translucent, with ambient, directional, point and spot lights and a
// camera flying around, drawn by a View through the driver.
#pragma once

#include "light_effects.h"
#include "mapping_mirror_effects.h"
#include "lighting_effects.h"
#include "pick_report.h"
#include "scene_effects.h"
#include "surface_effects.h"

#include <engine/core/camera.h>
#include <engine/core/decal.h>
#include <engine/core/image.h>
#include <engine/core/key_mesh.h>
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

// The engine side of the scene: textures, materials, key meshes and lights.
// It needs no driver.
class SceneContent {
public:
    SceneContent();
    SceneContent(const SceneContent&) = delete;
    SceneContent& operator=(const SceneContent&) = delete;

    struct Part {
        std::string name;
        std::unique_ptr<BaseKeyMesh> mesh;
        bool pickable;
    };
    const std::vector<Part>& getParts() const { return parts; }
    std::vector<Light>& getLights() { return lights; }

    // Where each part is and how far its animation has run at `seconds`,
    // in the order of getParts().
    struct Pose {
        TMatrix orientation;
        Vector position;
        float animationTime = 0.0f;
    };
    std::vector<Pose> posesAt(float seconds) const;
    // Moves the moving lights to where they are at `seconds`.
    void placeLights(float seconds);

private:
    Texture checker{"/Textures/checker.tga"};
    Texture bricks{"/Textures/bricks.tga"};
    Texture marble{"/Textures/marble.tga"};
    Texture glass{"/Textures/glass.tga"};
    Material groundMaterial, brickMaterial, marbleMaterial, ringMaterial, glassMaterial;
    std::vector<Part> parts;
    std::vector<Light> lights;
};

// The driver side, for one video mode: a render view, the render lights
// activated in it and one mesh shell per part. Made while a video mode is
// set, with the driver's factories published; the view is registered with
// the driver for as long as the session lives.
class SceneSession {
public:
    struct Settings {
        float aspect = 4.0f / 3.0f;  // the screen's width over its height
        PickReport* pickReport = nullptr;  // non-null: the pickable parts ask for picks
        // The scene's time for the frame about to be drawn, in seconds.
        std::function<float()> clock;
        // Called before each frame's view, e.g. to hand the driver the pointer.
        std::function<void()> beforeView;
        // Drawn after the scene's own meshes (not owned), e.g. a video screen.
        std::vector<RenderMeshShellInterface*> extraMeshes;
        // The special effects shown (SceneEffect bits), and the mesh the
        // contour stays on (empty: the pointed one).
        unsigned effects = 0;
        std::string contourTarget;
    };
    SceneSession(RenderDriver& driver, SceneContent& content, Settings settings);
    ~SceneSession();
    SceneSession(const SceneSession&) = delete;
    SceneSession& operator=(const SceneSession&) = delete;

    // False when the driver lacks a factory the scene needs; why() says which.
    bool ready() const { return why.empty(); }
    const std::string& whyNot() const { return why; }
    const std::vector<std::unique_ptr<SceneObject>>& getObjects() const { return objects; }
    const Camera& getCamera() const { return camera; }
    // The effects the driver made (SceneEffect bits).
    unsigned effectsShown() const {
        return (effects ? effects->made() : 0u) | (lightEffects ? lightEffects->made() : 0u) |
               (mappingMirror ? mappingMirror->made() : 0u) |
               (lightingEffects ? lightingEffects->made() : 0u) |
               (surfaceEffects ? surfaceEffects->made() : 0u);
    }

private:
    class SceneView : public View {
    public:
        explicit SceneView(SceneSession& session) : session(session) {}
        void draw() override;

    protected:
        void drawContent(RenderView& view) override;

    private:
        SceneSession& session;
    };

    void update(float seconds);

    RenderDriver& driver;
    SceneContent& content;
    Settings settings;
    std::string why;
    Camera camera;
    Viewport viewport;
    SceneView view{*this};
    std::vector<RenderLight*> renderLights;
    std::vector<std::unique_ptr<SceneObject>> objects;
    // A pool of glass lying on the ground: a translucent 3D decal.
    std::unique_ptr<Image3D> poolImage;
    std::unique_ptr<Decal3D> pool;
    std::unique_ptr<SceneEffects> effects;
    std::unique_ptr<LightEffects> lightEffects;
    std::unique_ptr<MappingMirrorEffects> mappingMirror;
    std::unique_ptr<LightingEffects> lightingEffects;
    std::unique_ptr<SurfaceEffects> surfaceEffects;
    float lastUpdate = 0.0f;
    bool registered = false;
};

}  // namespace scene
