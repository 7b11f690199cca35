// Halos: glowing sprites over bright points of the scene that fade in while
// their point is seen and out while it is hidden, and the manager that
// decides which are seen.
#pragma once

#include "engine/core/render_object.h"
#include "engine/core/special_effect.h"
#include "engine/types.h"

class Animator;

class HaloInterface : public RenderObject {
public:
    // Called by position: keep the slot order.
    virtual void show() = 0;
    virtual void hide() = 0;
    // The world point the halo is drawn over, after any placement.
    virtual const Vector& getPosition() const = 0;
};

class SpriteHaloInterface : public HaloInterface, public SpecialEffect {
public:
    // Called by position: keep the slot order.
    virtual void enable() = 0;
    virtual void disable() = 0;
    // An image file; the previous texture goes.
    virtual void setTexture(const char* imageName) = 0;
    // Half-sizes at the near and far depths, as fractions of the screen width.
    virtual void setSizeNear(float size) = 0;
    virtual void setSizeFar(float size) = 0;
    virtual void setBrightness(float brightness) = 0;
    virtual void setColor(const Color& color) = 0;
    // Place the point on the surface of the spherical world.
    virtual void setSphericalPlacement(bool on) = 0;
    // Fade units (0 hidden .. 1 shown) per second.
    virtual void setFadeInSpeed(float speed) = 0;
    virtual void setFadeOutSpeed(float speed) = 0;
    // The depths over which size and intensity vary, and the depth of the
    // brightest look; set the three before drawing.
    virtual void setNearDepth(float depth) = 0;
    virtual void setFarDepth(float depth) = 0;
    virtual void setPeakDepth(float depth) = 0;
    // The least intensity the depth leaves.
    virtual void setMinimum(float minimum) = 0;
    // False: always shown, never hidden by the view, the horizon or obstacles.
    virtual void setClipTest(bool test) = 0;
};

class HaloManagerInterface {
public:
    // Called by position: keep the slot order.
    // Meshes of the animator hide the halos behind them.
    virtual void addObstacle(Animator* animator) = 0;
    virtual void delObstacle(Animator* animator) = 0;
    virtual void addHalo(HaloInterface* halo) = 0;
    virtual void delHalo(HaloInterface* halo) = 0;
    virtual ~HaloManagerInterface() = default;
};
