// RenderViewFactory: makes the driver's side of each engine view.
#pragma once

class View;
class RenderView;

// Called by position: keep the slot order. Every view made is given back to
// the same factory.
class RenderViewFactory {
public:
    RenderViewFactory() = default;
    RenderViewFactory(const RenderViewFactory&) = delete;
    RenderViewFactory& operator=(const RenderViewFactory&) = delete;

    virtual RenderView* create(View& view) = 0;
    virtual void destroy(RenderView* view) = 0;
    virtual ~RenderViewFactory() = default;
};
