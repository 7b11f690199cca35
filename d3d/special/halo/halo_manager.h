// The halo manager: collects the halos registered in a view, lets obstacle
// meshes hide the ones they cover, and at the end of the view tells each
// halo whether it is seen.
#pragma once

#include "special/halo/obstacle.h"
#include "thread/synchronized.h"

#include <engine/core/deferred.h>
#include <engine/core/halo.h>
#include <engine/core/render_driver_listener.h>

#include <map>
#include <memory>

class D3DOneLevelRenderMesh;

class HaloManager : public HaloManagerInterface,
                    public RenderDriverListener,
                    public DeferredAlphaObjectInterface,
                    public thread::SynchronizedObject {
public:
    struct Record {
        float depth = 0.0f;  // camera-space z
        float x = 0.0f;      // clip units, vertical
        float y = 0.0f;      // clip units, horizontal
        bool visible = false;
    };

    HaloManager();
    // Obstacles still registered leave their animators; the animators must
    // still be alive.
    ~HaloManager() override;
    HaloManager(const HaloManager&) = delete;
    HaloManager& operator=(const HaloManager&) = delete;

    // Queues the manager first on the view's alpha list.
    void initView(RenderView* view) override;

    void registerHalo(HaloInterface* halo);
    // Hides the registered halos that the mesh covers.
    void process(D3DOneLevelRenderMesh* mesh);
    // Shows or hides each registered halo, then forgets them.
    void render() override;
    void transform() override {}
    float getDepth() const { return 0.0f; }

    void addObstacle(Animator* animator) override;
    void delObstacle(Animator* animator) override;
    void addHalo(HaloInterface*) override {}
    void delHalo(HaloInterface*) override {}

    const std::map<HaloInterface*, Record>& getRecords() const { return halos; }
    bool isObstacle(Animator* animator) const;

private:
    std::map<HaloInterface*, Record> halos;
    std::map<Animator*, std::unique_ptr<ObstacleEffect>> obstacles;
};

// Whether halos are drawn at all: the degrading manager's effects switch.
bool halosEnabled();

// Made by the effect factory (special/factory.h), published there.
extern __attribute__((visibility("default"))) HaloManager* theD3DHaloManager;
