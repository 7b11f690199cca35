// RenderDriver: the engine's interface to the render driver.
#pragma once

#include <atomic>
#include <vector>

#include "engine/types.h"
#include "engine/core/tmatrix.h"

class VideoMode;
class View;
class RenderView;
class RenderLight;
class RenderMeshShellInterface;
class RenderDecal2D;
class RenderLine;
class RenderMeshListener;
class RenderImage;
class Image2D;
class FontInterface;
class RenderDriverListener;

// The driver is called through these virtual operations by position: their
// order is binding and must not change. The driver's lock is not part of this
// class; the driver adds it as a base of its own.
class RenderDriver {
public:
    RenderDriver() = default;
    RenderDriver(const RenderDriver&) = delete;
    RenderDriver& operator=(const RenderDriver&) = delete;

    // Video modes.
    virtual void initVideoMode(const VideoMode* mode) = 0;
    virtual void termVideoMode() = 0;
    virtual void changeVideoMode(const VideoMode* mode) = 0;
    virtual bool validateVideoMode(const VideoMode* mode) = 0;

    // Frames and views.
    virtual bool initFrame(float time) = 0;
    virtual void termFrame() = 0;
    virtual void initView(RenderView& view) = 0;
    virtual void termView() = 0;
    virtual RenderView* getCurrentRenderView() = 0;

    virtual VideoMode* createWindowedVideoMode(const VideoMode* mode, int width, int height) = 0;
    virtual void deleteVideoMode(VideoMode* mode) = 0;
    virtual const std::vector<VideoMode*>& getVideoModeList() const = 0;
    virtual const VideoMode* getCurrentVideoMode() const = 0;
    virtual const VideoMode* getDefaultVideoMode() const = 0;

    virtual void renderLight(RenderLight* light, const TMatrix& orientation,
                             const Vector& position) = 0;
    virtual void renderMesh(RenderMeshShellInterface* mesh) = 0;
    virtual void renderDecal(RenderDecal2D* decal) = 0;
    virtual void renderLine(RenderLine* line) = 0;
    virtual void registerPointedObject(RenderMeshListener* listener, float distance) = 0;

    virtual void setMousePointerPosition(float x, float y) = 0;
    virtual float getXMousePointerPosition() const = 0;
    virtual float getYMousePointerPosition() const = 0;

    virtual void registerListener(RenderDriverListener* listener, int priority) = 0;
    virtual void unregisterListener(RenderDriverListener* listener) = 0;
    virtual Vector projectVector(const Vector& v, RenderView* view) = 0;
    virtual FontInterface* registerFont(const char* name) = 0;
    virtual void addInfoString(const char* text) = 0;
    virtual void registerView(View* view) = 0;
    virtual void unregisterView(View* view) = 0;

    // Run control.
    virtual void start() = 0;
    virtual void stop() = 0;
    virtual void draw() = 0;
    virtual void setFPS(float fps) = 0;

    // Hardware cursor; each answers whether it worked.
    virtual bool isCursorSupported() = 0;
    virtual bool enableCursor() = 0;
    virtual bool disableCursor() = 0;
    virtual bool showCursor() = 0;
    virtual bool hideCursor() = 0;
    virtual bool setCursorAxisSpeed(float x, float y) = 0;
    virtual bool setCursorSize(int width, int height) = 0;
    virtual bool setCursorImage(RenderImage* image) = 0;
    virtual bool setCursorColorKey(const Color& key) = 0;
    virtual bool getCursorOffset(float* x, float* y) = 0;
    virtual bool setCursorHotspot(int x, int y) = 0;

    virtual void setBackgroundImage(Image2D* image) = 0;
    virtual void setBackgroundColor(const Color& color, bool clear) = 0;
    virtual void enableIdlingMode() = 0;
    virtual void disableIdlingMode() = 0;
    virtual void setIdlingFPS(float fps) = 0;

    // Whether the frame in progress is an idling frame, as the driver last
    // reported it with setIdlingState. Scene code asks this to skip drawing.
    virtual bool inIdlingMode() const;

    virtual ~RenderDriver();

protected:
    // Set by the driver when a frame begins; read from any thread.
    void setIdlingState(bool idling) { idling_.store(idling, std::memory_order_relaxed); }

private:
    std::atomic<bool> idling_{false};
};
