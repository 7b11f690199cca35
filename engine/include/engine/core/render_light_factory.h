// RenderLightFactory: makes the driver's side of each engine light.
#pragma once

class Light;
class RenderLight;

// Called by position: keep the slot order. Every light made is given back to
// the same factory.
class RenderLightFactory {
public:
    RenderLightFactory() = default;
    RenderLightFactory(const RenderLightFactory&) = delete;
    RenderLightFactory& operator=(const RenderLightFactory&) = delete;

    virtual RenderLight* create(Light& light) = 0;
    virtual void destroy(RenderLight* light) = 0;
    virtual ~RenderLightFactory() = default;
};
