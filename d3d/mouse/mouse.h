// The game's mouse pointer: a thread that samples the system cursor while
// the cursor is enabled, turns its movement into a position over the window
// and into offsets, and moves the overlay cursor there.
#pragma once

#include "mouse/cursor_overlay.h"
#include "thread/active.h"
#include "thread/event.h"
#include "thread/synchronized.h"
#include "thread/waiting.h"

#include <engine/core/window_interface.h>
#include <engine/types.h>

#include <memory>

class Mouse : public thread::ActiveObject, public RenderWindowListener {
public:
    // Starts the sampling thread (blocked until the cursor is enabled) and
    // listens to the render window's focus.
    Mouse();
    ~Mouse() override;
    Mouse(const Mouse&) = delete;
    Mouse& operator=(const Mouse&) = delete;

    // The display can show an overlay cursor; says why not when it cannot.
    static bool isCursorSupported();
    // Ends the sampling thread; the destructor does it too.
    void stopSampling();

    bool enableCursor();
    bool disableCursor();
    bool showCursor();
    bool hideCursor();
    bool setCursorAxisSpeed(float x, float y);
    bool setCursorSize(int width, int height);
    // The cursor picture, read from a surface.
    bool setCursorImage(IDirectDrawSurface4* source);
    bool setCursorColorKey(const Color& key);
    // The movement since the last call; then zero.
    bool getCursorOffset(float* x, float* y);
    bool setCursorHotspot(int x, int y);
    // Moves the pointer (each in 0 ... 1 over the window) and the cursor.
    void setPointerPosition(float x, float y);

    float getPointerX() const { return pointerX; }
    float getPointerY() const { return pointerY; }
    bool isEnabled() const;
    CursorOverlay& getCursor() { return *cursor; }

    // RenderWindowListener: the cursor hides while the window lacks focus.
    void getFocus() override;
    void lostFocus() override;

    void run() override;
    // One sample of the system cursor, as the thread takes it every period:
    // the movement from the window centre moves the pointer, and the system
    // cursor goes back to the centre.
    void sample();

private:
    void placeCursor(float x, float y);

    std::unique_ptr<CursorOverlay> cursor;
    bool cursorShown = false;
    float axisSpeedX = 1.0f;
    float axisSpeedY = 1.0f;
    float pointerX = 0.5f;
    float pointerY = 0.5f;
    float cursorWidth = 0.0f;
    float cursorHeight = 0.0f;
    float offsetX = 0.0f;
    float offsetY = 0.0f;
    int hotspotX = 0;
    int hotspotY = 0;
    thread::Event enabledEvent{true};
    thread::Event stopEvent{true};
    thread::SynchronizedObject lock;
    std::unique_ptr<thread::WaitingObject> waiter;
    bool focused = false;
};
