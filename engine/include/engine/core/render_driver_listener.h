// RenderDriverListener: told of every frame and view the driver draws.
#pragma once

class RenderView;

// The float is the driver time of the current frame, in seconds. Every
// operation does nothing by default, so a listener overrides only what it needs.
class RenderDriverListener {
public:
    virtual void initView(RenderView* view) { (void)view; }
    virtual void termView(RenderView* view) { (void)view; }
    virtual void initFrame(float frameTime) { (void)frameTime; }
    virtual void termFrame(float frameTime) { (void)frameTime; }
    virtual ~RenderDriverListener() = default;
};
