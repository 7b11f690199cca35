// MirrorEffect: on a mirror's own mesh. It draws the mesh see-through in the
// regular pass; later in the frame it draws it again at the back of the
// depth range, so that only what is reflected there (ReflectionEffect) can
// be drawn over it. While it is in a view, the two depth fillers are too.
#pragma once

#include "special/mirror/deferred_mesh.h"

#include <engine/core/deferred.h>
#include <engine/core/mirror_interfaces.h>
#include <engine/core/render_mesh_interface.h>

#include <set>

class View;

class MirrorEffect : public EffectiveRenderMesh,
                     public DeferredRenderObject,
                     public MirrorEffectInterface {
public:
    static constexpr unsigned overloadFlags = OVERLOAD_PREPARE_VIEW | OVERLOAD_MORPH |
                                              OVERLOAD_TRANSFORM | OVERLOAD_RENDER |
                                              OVERLOAD_BEGIN_VIEW | OVERLOAD_END_VIEW;
    static constexpr int priority = -4;
    static constexpr int key = 19;
    // Where the mirror's second drawing lands in the depth range.
    static constexpr float backDepth = 0.999f;

    MirrorEffect();
    ~MirrorEffect() override;
    MirrorEffect(const MirrorEffect&) = delete;
    MirrorEffect& operator=(const MirrorEffect&) = delete;

    unsigned getOverloadFlags() const override { return overloadFlags; }
    int getEffectPriority() const override { return priority; }
    void prepareView(RenderView* view) override;
    void morph(MorphingInformation* info) override;
    void transform(TransformInformation* info) override;
    void render(RenderInformation* info) override;
    void beginView(RenderView* view) override;
    void endView() override;
    RenderMeshInterface* attach(RenderMeshInterface* chain) override;
    RenderMeshInterface* detach(bool relink) override;

    // The deferred passes.
    void transform() override;
    void render() override;

    float getOpacity() const { return opacity; }
    void setOpacity(float value) { opacity = value; }
    const DeferredMeshRecords& getRecords() const { return records; }

private:
    void enterView(RenderView* view);
    void leaveViews();

    DeferredMeshRecords records;
    float opacity = 0.5f;
    // The views this mirror counts in.
    std::set<View*> views;
};
