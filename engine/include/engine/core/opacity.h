// The engine's interfaces of translucent meshes: a mesh translucent as a
// whole, one whose materials each have an opacity, and one that fades as the
// camera comes close, with the listener that hears of its changes and the
// engine's global switch for it.
#pragma once

#include "engine/core/render_mesh_interface.h"
#include "engine/core/special_effect.h"

class Animator;

class OpacityEffectInterface : public EffectiveRenderMesh, public SpecialEffect {
public:
    // Called by position: keep the slot order.
    // 0 invisible .. 1 opaque; values outside are clamped.
    virtual void setOpacity(float opacity) = 0;
    ~OpacityEffectInterface() override = default;
};

class VertexOpacityInterface : public EffectiveRenderMesh, public SpecialEffect {
public:
    // Called by position: keep the slot order.
    // The parts of the mesh with this material get this opacity (0 .. 1).
    virtual void setOpacity(int material, float opacity) = 0;
    // Draw the mesh's sets during the mesh's own render.
    virtual void drawAtOnce() = 0;
    // Draw them with the translucent objects at the end of the view.
    virtual void drawDeferred() = 0;
    ~VertexOpacityInterface() override = default;
};
using VertexOpacityEffectInterface = VertexOpacityInterface;

// Hears what a camera vanish changes. Opacities are 0 .. 1.
class CameraVanishListener {
public:
    // Called by position: keep the slot order.
    virtual void targetChanged(Animator* previous, Animator* current) = 0;
    virtual void opacityChanged(float previous, float current) = 0;
    virtual void flagChanged(bool previous, bool current) = 0;
    virtual void parametersChanged(float previousMinDistance, float previousMaxDistance,
                                   float previousMinAlpha, float previousMaxAlpha,
                                   float minDistance, float maxDistance, float minAlpha,
                                   float maxAlpha) = 0;
    virtual ~CameraVanishListener() = default;
};

class SECameraVanishInterface {
public:
    // Called by position: keep the slot order.
    virtual bool isEnabled() const = 0;
    virtual void enable() = 0;
    virtual void disable() = 0;
    // Not owned; null for none.
    virtual void setListener(CameraVanishListener* listener) = 0;
    // The animator whose render switch follows the fading: its mesh is
    // drawn only while the vanishing mesh is translucent. Not owned; reset
    // it before the animator goes.
    virtual void setTarget(Animator* target) = 0;
    virtual void setFlag(bool flag) = 0;
    // Depths beyond the near plane and the opacities at them.
    virtual void setParameters(float minDistance, float maxDistance, float minAlpha,
                               float maxAlpha) = 0;
    virtual float getOpacity() const = 0;
    virtual ~SECameraVanishInterface() = default;

protected:
    SECameraVanishInterface() = default;
    SECameraVanishInterface(const SECameraVanishInterface&) = default;
    SECameraVanishInterface& operator=(const SECameraVanishInterface&) = default;
};

// What the effect factory hands out: the camera vanish and the chain link
// to attach to the mesh that should fade.
class CameraVanishInterface : public SECameraVanishInterface {
public:
    virtual EffectiveRenderMesh* getEffectMesh() = 0;
};

// The engine's global switch for camera vanishing; on by default.
struct SECameraVanish {
    static bool getEnableState();
    static void setEnableState(bool on);
};
