// Mesh effect chains. A mesh is drawn through a chain of links: effects in
// front, ordered by priority, and the one-level mesh at the end. Each effect
// overrides some operations and hands every other one to the next link that
// does something with it.
#pragma once

#include <climits>

#include "engine/core/render_mesh.h"

class RenderView;

class RenderMeshInterface {
public:
    // Bits of getOverloadFlags, each naming one operation below.
    enum OverloadFlags : unsigned {
        OVERLOAD_PREPARE_VIEW = 0x1,
        OVERLOAD_MORPH = 0x2,
        OVERLOAD_TRANSFORM = 0x4,
        OVERLOAD_RENDER = 0x8,
        OVERLOAD_KEY_MESH = 0x10,
        OVERLOAD_ONE_LEVEL_MESH = 0x20,
        OVERLOAD_WORLD_MATRIX = 0x40,
        OVERLOAD_WORLD_OFFSET = 0x80,
        OVERLOAD_RENDER_VIEW = 0x100,
        OVERLOAD_BEGIN_VIEW = 0x200,
        OVERLOAD_END_VIEW = 0x400,
        OVERLOAD_ALL = 0x7FF
    };

    RenderMeshInterface() = default;
    RenderMeshInterface(const RenderMeshInterface&) = delete;
    RenderMeshInterface& operator=(const RenderMeshInterface&) = delete;

    // Called by position: keep the slot order.
    virtual unsigned getOverloadFlags() const = 0;
    virtual const BaseKeyMesh* getKeyMesh() = 0;
    // The one-level mesh at the end of the chain.
    virtual OneLevelRenderMeshInterface* getOneLevelMesh() = 0;
    virtual void prepareView(RenderView* view) = 0;
    virtual void morph(MorphingInformation* info) = 0;
    virtual void transform(TransformInformation* info) = 0;
    virtual void render(RenderInformation* info) = 0;
    virtual const TMatrix* getWorldMatrix() = 0;
    virtual const Vector* getWorldOffset() = 0;
    // The view the mesh is being drawn in (the driver's render view).
    virtual RenderView* getRenderView() = 0;
    // Called as a pair around the drawing of one view.
    virtual void beginView(RenderView* view) = 0;
    virtual void endView() = 0;
    // Links this in front of the chain whose front link is given and
    // returns the chain's new front link.
    virtual RenderMeshInterface* attach(RenderMeshInterface* chain) = 0;
    // Unlinks this and returns the link it was attached to; with `relink`
    // the link above is joined to that one.
    virtual RenderMeshInterface* detach(bool relink) = 0;
    virtual ~RenderMeshInterface() = default;
    virtual int getEffectPriority() const = 0;
};

// A link of a chain: the default of every forwardable operation is the same
// call on that operation's next link, the nearest link below that overrides
// it (or the mesh at the end).
class EffectiveRenderMesh : public RenderMeshInterface {
public:
    // Index of each operation's next link, in the order of the overload bits.
    enum Link {
        LINK_PREPARE_VIEW,
        LINK_MORPH,
        LINK_TRANSFORM,
        LINK_RENDER,
        LINK_KEY_MESH,
        LINK_ONE_LEVEL_MESH,
        LINK_WORLD_MATRIX,
        LINK_WORLD_OFFSET,
        LINK_RENDER_VIEW,
        LINK_BEGIN_VIEW,
        LINK_END_VIEW,
        LINK_COUNT
    };

    EffectiveRenderMesh() = default;

    const BaseKeyMesh* getKeyMesh() override;
    OneLevelRenderMeshInterface* getOneLevelMesh() override;
    void prepareView(RenderView* view) override;
    void morph(MorphingInformation* info) override;
    void transform(TransformInformation* info) override;
    void render(RenderInformation* info) override;
    const TMatrix* getWorldMatrix() override;
    const Vector* getWorldOffset() override;
    RenderView* getRenderView() override;
    void beginView(RenderView* view) override;
    void endView() override;
    RenderMeshInterface* attach(RenderMeshInterface* chain) override;
    RenderMeshInterface* detach(bool relink) override;
    // A link still in a chain leaves it, so the chain never points at it.
    ~EffectiveRenderMesh() override;

    bool isAttached() const { return attached != nullptr; }
    RenderMeshInterface* getAttached() const { return attached; }
    RenderMeshInterface* getNextLink(Link link) const { return next[link]; }
    // The link in front of this one, null at the front.
    EffectiveRenderMesh* getAbove() const { return above; }

private:
    // Fills the next links of every link from `top` down to the mesh.
    static void relink(EffectiveRenderMesh* top);
    // The link right below gets to know which link is above it.
    static void setAboveOf(RenderMeshInterface* below, EffectiveRenderMesh* link);

    RenderMeshInterface* next[LINK_COUNT] = {};
    RenderMeshInterface* attached = nullptr;
    EffectiveRenderMesh* above = nullptr;
};

// The end of every chain: the one-level mesh itself. It overrides every
// operation; it is never attached to anything.
class OneLevelMeshLink : public RenderMeshInterface {
public:
    explicit OneLevelMeshLink(OneLevelRenderMeshInterface* mesh) : mesh(mesh) {}

    unsigned getOverloadFlags() const override { return OVERLOAD_ALL; }
    const BaseKeyMesh* getKeyMesh() override { return &mesh->getBaseKeyMesh(); }
    OneLevelRenderMeshInterface* getOneLevelMesh() override { return mesh; }
    void prepareView(RenderView*) override {}
    void morph(MorphingInformation* info) override { mesh->morph(info); }
    void transform(TransformInformation* info) override { mesh->transform(info); }
    void render(RenderInformation* info) override { mesh->render(info); }
    const TMatrix* getWorldMatrix() override { return &mesh->getWorldMatrix(); }
    const Vector* getWorldOffset() override { return &mesh->getWorldOffset(); }
    RenderView* getRenderView() override;
    void beginView(RenderView*) override {}
    void endView() override {}
    RenderMeshInterface* attach(RenderMeshInterface*) override { return this; }
    RenderMeshInterface* detach(bool) override { return nullptr; }
    int getEffectPriority() const override { return INT_MIN; }

    // The effect right in front of the mesh, kept by attach and detach so
    // that the chain's front can always be found from here.
    EffectiveRenderMesh* getAbove() const { return above; }
    void setAbove(EffectiveRenderMesh* link) { above = link; }
    // The front link of the chain ending here.
    RenderMeshInterface* getFront();

private:
    OneLevelRenderMeshInterface* mesh;
    EffectiveRenderMesh* above = nullptr;
};

// The engine's switch of a mesh: while disabled nothing below it is
// morphed, transformed or drawn. It stands in front of every effect.
class SERenderEnable : public EffectiveRenderMesh {
public:
    static constexpr int priority = 100;

    unsigned getOverloadFlags() const override {
        return OVERLOAD_MORPH | OVERLOAD_TRANSFORM | OVERLOAD_RENDER;
    }
    int getEffectPriority() const override { return priority; }
    void morph(MorphingInformation* info) override;
    void transform(TransformInformation* info) override;
    void render(RenderInformation* info) override;

    void enable() { enabled = true; }
    void disable() { enabled = false; }
    bool isEnabled() const { return enabled; }

private:
    bool enabled = true;
};
