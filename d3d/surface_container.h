// SurfaceContainer: a plain off-screen DirectDraw surface made from an image,
// which can be thrown away and made again from that image at any time.
#pragma once

#include "image_container.h"
#include "surface_storage.h"
#include "texture_interface.h"
#include "thread/synchronized.h"

#include <ddraw.h>

#include <string>

class SurfaceContainer final : public SurfaceInterface, public thread::SynchronizedObject {
public:
    SurfaceContainer();
    ~SurfaceContainer();
    SurfaceContainer(const SurfaceContainer&) = delete;
    SurfaceContainer& operator=(const SurfaceContainer&) = delete;

    // The first call reads (or, with `associate`, binds for reading on
    // demand) the image; every successful call counts a reference.
    bool create(const char* name, bool associate);
    // The first call makes an opaque width x height image named
    // "custom surface <width> x <height>"; every call counts a reference.
    bool create(int width, int height);
    // Drops a reference; the last one frees the image.
    bool destroy();

    // SurfaceInterface. The first outstanding restore makes the surface on
    // `directDraw` from the image; later ones only count. Returns whether the
    // surface exists.
    bool restore(IDirectDraw4* directDraw) override;
    // The last outstanding restore's invalidate releases the surface and its
    // clipper; the image stays.
    bool invalidate() override;
    IDirectDrawSurface4* getSurface() override { return surface; }
    DDSURFACEDESC2& getDescription() override { return description; }
    const char* getName() override { return name; }
    bool hasAlpha() override { return image.hasAlpha(); }
    int getImageWidth() override { return image.getWidth(); }
    int getImageHeight() override { return image.getHeight(); }
    int getSurfaceWidth() override { return static_cast<int>(description.dwWidth); }
    int getSurfaceHeight() override { return static_cast<int>(description.dwHeight); }
    bool backup() override;
    bool recover() override;
    ImageContainer* getImage() override { return &image; }
    // Records the source colour key (0xAARRGGBB) and sets it at once on a
    // valid surface; a refusal marks the surface not valid.
    void setColorKey(unsigned long color) override;

    // Remakes a surface in use that is not valid, on the driver's DirectDraw.
    bool validate();
    // Remakes a surface in use, valid or not.
    bool recreate();

    // Extra DDSCAPS bits for the next surface made (DDSCAPS_SYSTEMMEMORY...).
    void setFlags(unsigned long value) { flags = value; }
    // A name not starting with '/' is taken from the current resource path.
    void setName(const char* text);

    bool isValid() const { return valid; }
    int getRestored() const { return restored; }
    int getReferences() const { return references; }
    // One line of the statistics text; returns the bytes of the surface.
    unsigned long describe(std::string& text);

    // Bytes (pitch x height) of every plain surface in existence.
    static unsigned long getSurfacesSize();

private:
    friend class D3DTextureManager;  // keeps restore counts across remakes

    bool makeSurface(IDirectDraw4* directDraw);
    bool remake(IDirectDraw4* directDraw);
    bool attachClipper(IDirectDraw4* directDraw);
    bool applyColorKey();
    void releaseSurface();
    void setRestored(int count) { restored = count; }

    ImageContainer image;
    IDirectDrawSurface4* surface = nullptr;
    IDirectDrawClipper* clipper = nullptr;
    SurfaceStorage storage;
    char name[260] = {};
    DDSURFACEDESC2 description{};
    int restored = 0;
    int references = 0;
    unsigned long flags = 0;
    bool valid = false;
    bool hasColorKey = false;
    unsigned long colorKey = 0;
};
