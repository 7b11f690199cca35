// The engine's mesh shell: one object of the scene, with its key mesh, its
// animation time and place, driving its render mesh through morph,
// transform and render once per frame.
#pragma once

#include <memory>

#include "engine/core/render_mesh.h"
#include "engine/core/render_mesh_interface.h"
#include "engine/core/render_mesh_listener.h"

// What the driver's renderMesh calls.
class RenderMeshShellInterface {
public:
    virtual ~RenderMeshShellInterface() = default;
    virtual void render() = 0;
};

class RenderMeshShell : public RenderMeshShellInterface, public RenderMeshListener {
public:
    // Makes the render mesh through theRenderMeshFactory; without a factory
    // the shell draws nothing. The key mesh must outlive the shell.
    RenderMeshShell(const BaseKeyMesh& mesh, int materialSet = 0);
    ~RenderMeshShell() override;
    RenderMeshShell(const RenderMeshShell&) = delete;
    RenderMeshShell& operator=(const RenderMeshShell&) = delete;

    void setTransformation(const TMatrix& orientation, const Vector& position);
    const TMatrix& getOrientation() const { return orientation; }
    const Vector& getPosition() const { return position; }
    // Seconds into the key-frame animation; it loops over the animation's length.
    void setAnimationTime(float seconds);
    void setLighting(bool on) { lighting = on; }
    // Ask for a pick under the mouse pointer every frame; a hit makes the
    // shell a candidate for the pointed object.
    void setPickable(bool on) { pickable = on; }
    void setDeferredKey(int key) { deferredKey = key; }

    void render() override;

    // Mesh effects in front of the mesh, ordered by their priority. The
    // shell does not own them; an effect that goes leaves the chain.
    // False when there is no mesh to attach to or the effect is already in
    // a chain.
    bool attachEffect(EffectiveRenderMesh* effect);
    // False when the effect is not in this shell's chain.
    bool detachEffect(EffectiveRenderMesh* effect);
    // The link morph, transform and render go to: the front effect, or the
    // mesh itself; null without a mesh.
    RenderMeshInterface* getChain() const { return meshLink ? meshLink->getFront() : nullptr; }

    OneLevelRenderMeshInterface* getRenderMesh() const { return mesh; }
    const BaseKeyMesh& getKeyMesh() const { return keyMesh; }
    // The last frame's results.
    bool wasCulled() const { return morphing.clipResult == 0; }
    bool wasPicked() const { return picked; }
    float getPickedDepth() const { return pickedDepth; }

private:
    void chooseKeys();

    const BaseKeyMesh& keyMesh;
    OneLevelRenderMeshInterface* mesh = nullptr;
    std::unique_ptr<OneLevelMeshLink> meshLink;
    MorphingInformation morphing;
    TMatrix orientation;
    Vector position;
    float animationTime = 0.0f;
    bool transformChanged = true;
    bool keysChanged = true;
    bool morphPending = true;
    bool lighting = true;
    bool pickable = false;
    int deferredKey = 0;
    bool picked = false;
    float pickedDepth = 0.0f;
};
