// What the spherical and the planar mapping effects share: coordinates of
// their own written into a texture-coordinate set of the mesh's processed
// vertices, one set higher when an effect of the same kind is right below,
// and made again whenever the view or the vertex buffer changes.
#pragma once

#include "special/mapping/mapping_pass.h"

#include "marked_vertex_buffer.h"

#include <engine/core/mapping_interfaces.h>
#include <engine/core/render_mesh_interface.h>

class StateScope;

template <typename Interface>
class GeneratedMappingEffect : public Interface,
                               public EffectiveRenderMesh,
                               public MarkedVertexBufferListener {
public:
    int getEffectPriority() const override { return mapping::priorityOfClass(priorityClass); }
    void prepareView(RenderView* view) override;
    void render(RenderInformation* info) override;
    RenderMeshInterface* attach(RenderMeshInterface* chain) override;
    RenderMeshInterface* detach(bool relink) override;

    void enable() override { enabled = true; }
    void disable() override { enabled = false; }
    void invalidate() override { computed = false; }
    void setAlpha(float a) override;
    void setColor(float red, float green, float blue, float a) override;
    void setTexture(const std::string& name) override { texture.set(name); }
    void setBaseSet0() override { setBaseSet(0); }
    void setBaseSet1() override { setBaseSet(1); }
    void setRecomputeEveryFrame(bool on) override { recomputeEveryFrame = on; }
    void setBlendMode(int mode) override { blendMode = mode; }
    void setPriorityClass(int value) override { priorityClass = value; }
    void setMapping(const TMatrix& matrix, const Vector& vector) override;

    void turnToValid() override { computed = false; }
    void turnToInvalid() override { computed = false; }

    int getAlpha() const { return alpha; }
    DWORD getColor() const { return color; }
    int getBlendMode() const { return blendMode; }
    int getTextureSet() const { return textureSet; }
    bool isComputed() const { return computed; }
    bool isEnabled() const { return enabled; }
    // The effect of the same kind right below, or null.
    GeneratedMappingEffect* getChained() const { return chained; }

protected:
    GeneratedMappingEffect() = default;
    // Leaves the chain while the derived effect still stands.
    void leaveChain() { detach(true); }

    // Whether the mapped pass is drawn at all this frame.
    virtual bool drawsPass() const = 0;
    // Before anything of the render: the planar effect's invalidation.
    virtual void beginRender() {}
    // After the mesh's own drawing, before the mapped pass.
    virtual void prepareCoordinates(D3DOneLevelRenderMesh& mesh) { (void)mesh; }
    virtual void setBlendStates(StateScope& scope, bool alphaSelected) const = 0;
    virtual mapping::DrawOptions drawOptions() const = 0;

    void setBaseSet(int set);
    // The chained effect and the set follow the link right below.
    void followChain();

    mapping::MappedTexture texture;
    int blendMode = 2;
    int alpha = 256;
    DWORD color = 0;
    bool enabled = true;
    int priorityClass = 1;
    int baseSet = 0;
    int textureSet = 0;
    DWORD addressMode = D3DTADDRESS_WRAP;
    bool computed = false;
    bool recomputeEveryFrame = true;
    RenderView* lastView = nullptr;
    bool viewSeen = false;
    TMatrix mappingMatrix;
    Vector mappingVector;
    GeneratedMappingEffect* chained = nullptr;
    MarkedVertexBuffer* listened = nullptr;
};
