#include "mouse/mouse.h"

#include "driver.h"
#include "driver_filter.h"

#include <engine/core/globals.h>
#include <engine/debug.h>

#include <algorithm>
#include <cmath>

namespace {

float clampUnit(float v) {
    return std::min(1.0f, std::max(0.0f, v));
}

bool refuse(const char* reason) {
    DRIVER_FILTER << (debug::Message(0.0f) << reason);
    return false;
}

IDirectDrawSurface4* frontBuffer() {
    return theD3DRenderDriver ? theD3DRenderDriver->getFrontBuffer() : nullptr;
}

IDirectDraw4* directDraw() {
    return theD3DRenderDriver ? theD3DRenderDriver->getDirectDraw() : nullptr;
}

}  // namespace

Mouse::Mouse() : cursor(std::make_unique<CursorOverlay>()) {
    enabledEvent.reset();
    stopEvent.reset();
    thread::Event* events[] = {&stopEvent, &enabledEvent};
    waiter = std::make_unique<thread::WaitingObject>(events, 2, false);
    setPriority(getPriority() + 1);
    setPriority(getPriority() + 1);
    if (theRenderWindow) {
        theRenderWindow->registerListener(this);
        focused = theRenderWindow->hasFocus();
    }
    resume();
}

Mouse::~Mouse() {
    stopSampling();
    if (theRenderWindow)
        theRenderWindow->unregisterListener(this);
    cursor->destroy(frontBuffer());
}

void Mouse::stopSampling() {
    enabledEvent.reset();
    stopEvent.set();
    terminate();
}

bool Mouse::isCursorSupported() {
    const DDCAPS& caps = theCapabilities.driver;
    if (!(caps.dwCaps & DDCAPS_OVERLAY))
        return refuse("Display hardware not supports overlays");
    if (caps.dwMaxVisibleOverlays == caps.dwCurrVisibleOverlays)
        return refuse("Not enough free number of visible overlays");
    if ((caps.dwCaps & DDCAPS_ALIGNBOUNDARYSRC) && caps.dwAlignBoundarySrc >= 2)
        return refuse("Discreteness of overlay is over then one");
    if (!(caps.dwCKeyCaps & DDCKEYCAPS_SRCOVERLAY))
        return refuse("Display hardware not supports overlaying using the color key for the source");
    return true;
}

bool Mouse::isEnabled() const {
    return WaitForSingleObject(enabledEvent.getHandle(), 0) == WAIT_OBJECT_0;
}

bool Mouse::enableCursor() {
    thread::Lock guard(lock);
    if (cursorWidth > 0.0f && cursorHeight > 0.0f)
        cursor->create(static_cast<int>(cursorWidth), static_cast<int>(cursorHeight),
                       directDraw(), frontBuffer());
    enabledEvent.set();
    return true;
}

bool Mouse::disableCursor() {
    thread::Lock guard(lock);
    enabledEvent.reset();
    cursor->destroy(frontBuffer());
    return true;
}

bool Mouse::showCursor() {
    // The pointer is read under the lock the sampling thread writes it in.
    thread::Lock guard(lock);
    cursorShown = true;
    placeCursor(pointerX, pointerY);
    return true;
}

bool Mouse::hideCursor() {
    // The pointer is read under the lock the sampling thread writes it in.
    thread::Lock guard(lock);
    cursorShown = false;
    placeCursor(pointerX, pointerY);
    return true;
}

bool Mouse::setCursorAxisSpeed(float x, float y) {
    thread::Lock guard(lock);  // the sampling thread reads the speeds
    axisSpeedX = x;
    axisSpeedY = y;
    return true;
}

bool Mouse::setCursorSize(int width, int height) {
    thread::Lock guard(lock);
    cursorWidth = static_cast<float>(width);
    cursorHeight = static_cast<float>(height);
    cursor->create(width, height, directDraw(), frontBuffer());
    return true;
}

bool Mouse::setCursorImage(IDirectDrawSurface4* source) {
    thread::Lock guard(lock);
    cursor->setImage(source);
    return true;
}

bool Mouse::setCursorColorKey(const Color& key) {
    thread::Lock guard(lock);
    cursor->setColorKey(key);
    return true;
}

bool Mouse::getCursorOffset(float* x, float* y) {
    thread::Lock guard(lock);  // the sampling thread adds to the offsets
    if (x)
        *x = offsetX;
    if (y)
        *y = offsetY;
    offsetX = 0.0f;
    offsetY = 0.0f;
    return true;
}

bool Mouse::setCursorHotspot(int x, int y) {
    thread::Lock guard(lock);
    hotspotX = x;
    hotspotY = y;
    return true;
}

void Mouse::setPointerPosition(float x, float y) {
    placeCursor(clampUnit(x), clampUnit(y));
}

void Mouse::placeCursor(float x, float y) {
    if (!theRenderWindow)
        return;
    WindowInterface& window = *theRenderWindow;
    thread::Lock guard(lock);
    const int px = static_cast<int>(x * static_cast<float>(window.getWidth()) +
                                    static_cast<float>(window.getX() - hotspotX));
    const int py = static_cast<int>(y * static_cast<float>(window.getHeight()) +
                                    static_cast<float>(window.getY() - hotspotY));
    const bool visible = cursorShown && window.isActive() && window.hasFocus();
    cursor->move(px, py, visible, frontBuffer());
}

void Mouse::getFocus() {
    thread::Lock guard(lock);
    focused = true;
    placeCursor(pointerX, pointerY);
}

void Mouse::lostFocus() {
    thread::Lock guard(lock);
    focused = false;
    placeCursor(pointerX, pointerY);
}

void Mouse::run() {
    for (;;) {
        if (waiter->wait() == 0)
            return;  // stopEvent
        if (!theRenderWindow || !theRenderWindow->hasFocus() || !theRenderWindow->isActive()) {
            sleep(0.1f);
            continue;
        }
        sample();
        sleep(g_driverSettings.mousePeriod);
    }
}

void Mouse::sample() {
    WindowInterface& window = *theRenderWindow;
    const int width = window.getWidth();
    const int height = window.getHeight();
    if (width <= 0 || height <= 0)
        return;
    thread::Lock guard(lock);
    const POINT centre = {width / 2 + window.getX(), height / 2 + window.getY()};
    POINT cursorPosition = {};
    GetCursorPos(&cursorPosition);
    const int dx = cursorPosition.x - centre.x;
    const int dy = cursorPosition.y - centre.y;
    if (dx == 0 && dy == 0)
        return;
    SetCursorPos(centre.x, centre.y);
    const float moveX = static_cast<float>(dx) * axisSpeedX / static_cast<float>(width);
    const float moveY = static_cast<float>(dy) * axisSpeedY / static_cast<float>(height);
    offsetX += moveX;
    offsetY += moveY;
    pointerX = clampUnit(pointerX + moveX);
    pointerY = clampUnit(pointerY + moveY);
    if (theRenderDriver)
        theRenderDriver->setMousePointerPosition(pointerX, pointerY);
}
