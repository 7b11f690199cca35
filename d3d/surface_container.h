// SurfaceContainer: a plain off-screen DirectDraw surface made from an image,
// which can be thrown away and made again from that image at any time.
#pragma once

#include "image_container.h"
#include "thread/synchronized.h"

#include <ddraw.h>

class SurfaceContainer : public thread::SynchronizedObject {
public:
    SurfaceContainer();
    ~SurfaceContainer();
    SurfaceContainer(const SurfaceContainer&) = delete;
    SurfaceContainer& operator=(const SurfaceContainer&) = delete;

    // The first call makes an opaque width x height image named
    // "custom surface <width> x <height>"; every call counts a reference.
    bool create(int width, int height);
    // Drops a reference; the last one frees the image.
    bool destroy();

    // The first outstanding restore makes the surface on `directDraw` from
    // the image; later ones only count. Returns whether the surface exists.
    bool restore(IDirectDraw4* directDraw);
    // The last outstanding restore's invalidate releases the surface and its
    // clipper; the image stays.
    bool invalidate();

    // Extra DDSCAPS bits for the next surface made (DDSCAPS_SYSTEMMEMORY...).
    void setFlags(unsigned long value) { flags = value; }

    IDirectDrawSurface4* getSurface() const { return surface; }
    const DDSURFACEDESC2& getDescription() const { return description; }
    const char* getName() const { return name; }
    ImageContainer* getImage() { return &image; }
    bool hasAlpha() const { return image.hasAlpha(); }
    int getImageWidth() const { return image.getWidth(); }
    int getImageHeight() const { return image.getHeight(); }
    int getSurfaceWidth() const { return static_cast<int>(description.dwWidth); }
    int getSurfaceHeight() const { return static_cast<int>(description.dwHeight); }
    bool isValid() const { return valid; }
    int getRestored() const { return restored; }
    int getReferences() const { return references; }

    // Bytes (pitch x height) of every plain surface in existence.
    static unsigned long getSurfacesSize();

private:
    bool makeSurface(IDirectDraw4* directDraw);
    bool attachClipper(IDirectDraw4* directDraw);
    void releaseSurface();

    ImageContainer image;
    IDirectDrawSurface4* surface = nullptr;
    IDirectDrawClipper* clipper = nullptr;
    char name[260] = {};
    DDSURFACEDESC2 description{};
    int restored = 0;
    int references = 0;
    unsigned long flags = 0;
    bool valid = false;
};
