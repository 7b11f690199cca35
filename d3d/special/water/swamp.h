// A swamp over the swamp cells of a map: the water surface's grid, standing
// still, drawn several times a frame, each layer a little further along the
// up direction with a blend that lightens what lies below; each vertex is as
// bright as the camera sees it steeply.
#pragma once

#include "surface_device.h"
#include "surface_grid.h"

#include <engine/core/deferred.h>
#include <engine/core/degrading_listener.h>
#include <engine/core/water.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class Swamp : public SwampInterface, public DegradingListener {
public:
    // The source vertex: position, a reserved word, diffuse and specular
    // colours and two texture coordinate pairs.
    struct SourceVertex {
        float x, y, z;
        DWORD reserved;
        DWORD diffuse;
        DWORD specular;
        float tu1, tv1, tu2, tv2;
    };
    static constexpr DWORD sourceFormat =
        D3DFVF_XYZ | D3DFVF_RESERVED1 | D3DFVF_DIFFUSE | D3DFVF_SPECULAR | D3DFVF_TEX2;

    // The file should give every key; these stand in for those it leaves out.
    struct Settings {
        int detail = 4;
        float minHeight = 0.0f;
        float maxHeight = 0.1f;
        int renderPassCount = 4;
        float opacity = 0.5f;
        int priority = 0;
        std::string textureName;
        water::GridLayout layout;
        float texture1Step[2] = {0, 0};
        float texture2Step[2] = {0, 0};
    };

    static constexpr const char* configPath = "/Configs/Effects/Swamp.cfg";

    explicit Swamp(bool fromFactory = true);
    ~Swamp() override;
    Swamp(const Swamp&) = delete;
    Swamp& operator=(const Swamp&) = delete;

    void initialize(int width, int height, const bool* mask) override;
    void release() override;
    // Per view: the eye and the layers' up direction, then queued.
    void render(RenderView& view) override;
    void qualityChanged(DegradingManager* manager) override;

    void readConfiguration(const std::string& path);
    // The file initialize and a quality change read (configPath unless set).
    void setConfigFile(const std::string& path) { configFile = path; }
    // The grey of a vertex whose up axis meets the eye direction at cosine d.
    static std::uint8_t brightness(float d, float opacity);
    // The offsets along up of the layers, in drawing order.
    std::vector<float> layerHeights() const;
    // The source vertices as seen from the eye.
    void fillVertices(SourceVertex* vertices) const;

    void transformDeferred();
    void renderDeferred();

    bool isBuilt() const { return built; }
    const Settings& getSettings() const { return settings; }
    Settings& editSettings() { return settings; }
    const water::SurfaceGrid& getGrid() const { return grid; }
    int getDeferredKey() const { return deferred.deferredKey; }
    const Vector& getUp() const { return up; }
    void setEye(const Vector& value) { eye = value; }
    void setUp(const Vector& value) { up = value; }
    bool buffersReady() const { return buffers.ready; }
    const water::SurfaceTextures& getTextures() const { return textures; }
    DeferredAlphaObjectInterface& getDeferred() { return deferred; }

    static water::ScrollOffsets& offsets();

private:
    class Deferred : public DeferredAlphaObjectInterface {
    public:
        explicit Deferred(Swamp& owner) : owner(owner) {}
        void render() override { owner.renderDeferred(); }
        void transform() override { owner.transformDeferred(); }

    private:
        Swamp& owner;
    };

    void build();

    std::string configFile = configPath;
    water::MapCells map;
    Settings settings;
    water::SurfaceGrid grid;
    MultipleStatesMetaState metaState;
    SupportStatus metaStateStatus = STATUS_NOT_KNOWN;
    water::SurfaceTextures textures;
    water::SurfaceBuffers buffers;
    Vector eye;  // in the grid's space
    // The surface's placement in the world (the identity unless the engine
    // moved it), taken per view.
    TMatrix placement;
    Vector offset;
    Vector up{0.0f, 1.0f, 0.0f};
    bool built = false;
    Deferred deferred{*this};
};
