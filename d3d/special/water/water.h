// A water surface over the water cells of a map: a grid bent onto the
// spherical world, moved by a damped height field that random drops keep
// disturbing, lit by the scene lights while the device processes its
// vertices, and drawn with two scrolling, refracted layers of one texture.
#pragma once

#include "surface_device.h"
#include "surface_grid.h"

#include <engine/core/deferred.h>
#include <engine/core/degrading_listener.h>
#include <engine/core/material.h>
#include <engine/core/water.h>

#include <memory>
#include <string>

class RenderMaterial;

class Water : public WaterInterface, public DegradingListener {
public:
    // The source vertex: position, normal and two texture coordinate pairs.
    struct SourceVertex {
        float x, y, z;
        float nx, ny, nz;
        float tu1, tv1, tu2, tv2;
    };
    static constexpr DWORD sourceFormat = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX2;

    // Settings read from the configuration file; the defaults are these.
    struct Settings {
        int detail = 4;
        float minHeight = -0.2f;
        float maxHeight = 0.3f;
        float desireFactor = 0.25f;
        float velocityFactor = 0.99f;
        float strengthFactor = 0.125f;
        float initialDrops = 0.0f;
        float dropsFrequency = 1.0f;
        // How much the flat normal weighs against the slopes, and how far the
        // refraction bends the texture coordinates.
        float normalsImpact = 1.0f;
        float textureImpact = 0.0f;
        std::string textureName;
        water::GridLayout layout;  // detail unused here
        float texture1Step[2] = {0, 0};
        float texture2Step[2] = {0, 0};
    };

    static constexpr const char* configPath = "/Configs/Effects/Water.cfg";
    static constexpr int deferredKey = 10;

    // The flag is the factory's; every water surface is built alike.
    explicit Water(bool fromFactory = true);
    ~Water() override;
    Water(const Water&) = delete;
    Water& operator=(const Water&) = delete;

    void initialize(int width, int height, const bool* mask) override;
    void release() override;
    // Per view: drops for the frame's time, then queued for the alpha phase.
    void render(RenderView& view) override;
    void qualityChanged(DegradingManager* manager) override;

    // Reads the file into the settings, for the current quality level.
    void readConfiguration(const std::string& path);
    // The file initialize and a quality change read (configPath unless set).
    void setConfigFile(const std::string& path) { configFile = path; }
    // Owed drops for a frame of `seconds`: made, and their number returned.
    int makeDrops(float seconds);
    void addDrop(int x, int y, float strength);
    // One step of the height field for a frame of `seconds`.
    void simulate(float seconds);
    // The source vertices for the current heights (which it clamps and
    // recentres) and the eye; `vertices` holds the vertex count.
    void fillVertices(SourceVertex* vertices);

    // The deferred operations.
    void transformDeferred();
    void renderDeferred();

    bool isBuilt() const { return built; }
    const Settings& getSettings() const { return settings; }
    Settings& editSettings() { return settings; }
    const water::SurfaceGrid& getGrid() const { return grid; }
    water::SurfaceGrid& editGrid() { return grid; }
    float getDropAccumulator() const { return dropAccumulator; }
    float getMeanHeight() const { return meanHeight; }
    const Material& getMaterial() const { return material; }
    SupportStatus getMetaStateStatus() const { return metaStateStatus; }
    const water::SurfaceTextures& getTextures() const { return textures; }
    bool buffersReady() const { return buffers.ready; }
    void setEye(const Vector& value) { eye = value; }
    DeferredAlphaObjectInterface& getDeferred() { return deferred; }

    // The refraction table of every water surface: (a, b) by the cosine
    // between the eye and the normal, in 256 steps.
    static const float (&refraction())[256][2];
    static water::ScrollOffsets& offsets();

private:
    class Deferred : public DeferredAlphaObjectInterface {
    public:
        explicit Deferred(Water& owner) : owner(owner) {}
        void render() override { owner.renderDeferred(); }
        void transform() override { owner.transformDeferred(); }

    private:
        Water& owner;
    };

    void build();
    void buildRefraction();

    std::string configFile = configPath;
    water::MapCells map;
    Settings settings;
    water::SurfaceGrid grid;
    float dropAccumulator = 0.0f;
    float meanHeight = 0.0f;
    Material material;
    RenderMaterial* renderMaterial = nullptr;
    MultipleStatesMetaState metaState;
    SupportStatus metaStateStatus = STATUS_NOT_KNOWN;
    water::SurfaceTextures textures;
    water::SurfaceBuffers buffers;
    Vector eye;  // in the grid's space
    // The surface's placement in the world (the identity unless the engine
    // moved it), taken per view.
    TMatrix placement;
    Vector offset;
    bool built = false;
    Deferred deferred{*this};
};
