// View: one picture of the scene, drawn every frame in render-priority order.
#pragma once

#include <vector>

#include "engine/core/camera.h"
#include "engine/core/render_object.h"
#include "engine/core/viewport.h"

class RenderView;

class View {
public:
    View() = default;
    explicit View(int renderPriority) : renderPriority(renderPriority) {}
    View(const View&) = delete;
    View& operator=(const View&) = delete;
    virtual ~View() = default;

    // Higher priorities are drawn first.
    int getRenderPriority() const { return renderPriority; }
    void setRenderPriority(int priority) { renderPriority = priority; }

    // The driver's part of the view; the view does not own it.
    RenderView* getRenderView() const { return renderView; }
    void setRenderView(RenderView* view) { renderView = view; }

    // The camera and viewport the frame is drawn with: the ones set, or the
    // view's own defaults. Neither is owned when set from outside.
    Camera* getCamera() const { return camera; }
    void setCamera(Camera* c) { camera = c; }
    Camera& getFrameCamera() { return camera ? *camera : ownCamera; }
    Viewport& getFrameViewport() { return viewport ? *viewport : ownViewport; }
    void setViewport(Viewport* v) { viewport = v; }

    // Brackets the view's content and its registered objects with the
    // driver's initView and termView. A view without a render view draws
    // nothing.
    virtual void draw();

    // Scene objects drawn after the content, in order of registration. The
    // view holds a reference to each; registering twice is one registration.
    void registerObject(RenderObject* object);
    void unregisterObject(RenderObject* object);
    bool isRegistered(const RenderObject* object) const;
    std::size_t getRegisteredObjectCount() const { return objects.size(); }

protected:
    // The scene content, rendered between initView and termView.
    virtual void drawContent(RenderView& view) { (void)view; }

private:
    int renderPriority = 0;
    RenderView* renderView = nullptr;
    Camera* camera = nullptr;
    Viewport* viewport = nullptr;
    Camera ownCamera;
    Viewport ownViewport;
    std::vector<RenderObjectKey> objects;
};
