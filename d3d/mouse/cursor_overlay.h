// The hardware cursor: an overlay surface holding the cursor image, moved
// over the screen by the display instead of being drawn into the frame.
#pragma once

#include "image_container.h"

#include <engine/types.h>

#include <ddraw.h>

class CursorOverlay {
public:
    CursorOverlay() = default;
    ~CursorOverlay();
    CursorOverlay(const CursorOverlay&) = delete;
    CursorOverlay& operator=(const CursorOverlay&) = delete;

    // Makes the overlay in the first pixel format the display accepts: a
    // flipping overlay first, then a single one. Without any, the cursor
    // stays invisible: later moves do nothing.
    void create(int width, int height, IDirectDraw4* directDraw, IDirectDrawSurface4* front);
    // Hides and releases the overlay and frees its image.
    void destroy(IDirectDrawSurface4* front);
    // Places the overlay's top-left corner at (x, y) on the screen, cut at
    // the screen's edges; hidden when not visible or entirely off screen.
    void move(int x, int y, bool visible, IDirectDrawSurface4* front);

    // The colour that shows the screen through the cursor.
    void setColorKey(const Color& key);
    // Takes the cursor picture from a surface.
    void setImage(IDirectDrawSurface4* source);

    IDirectDrawSurface4* getSurface() const { return surface; }
    int getWidth() const { return width; }
    int getHeight() const { return height; }
    const DDOVERLAYFX& getOverlayFx() const { return overlayFx; }

private:
    bool createSurface(IDirectDraw4* directDraw, const DDPIXELFORMAT& format, bool flipping);

    IDirectDrawSurface4* surface = nullptr;
    DDSURFACEDESC2 description = {};
    DDOVERLAYFX overlayFx = {};
    int width = 0;
    int height = 0;
    Color colorKey;
    ImageContainer image;
};
