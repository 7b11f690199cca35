// The handles through which the rest of the driver uses textures and plain
// surfaces. Both are made and destroyed only by the texture manager, so
// neither is deleted through these interfaces.
#pragma once

#include "image_container.h"

#include <d3d.h>
#include <ddraw.h>

// Virtual operations in their binding slot order.
class TextureInterface {
public:
    virtual bool restore(IDirectDraw4* directDraw, IDirect3DDevice3* device, int stage,
                         bool dynamic) = 0;
    virtual bool invalidate(int stage) = 0;
    virtual IDirectDrawSurface4* getSurface(int stage) = 0;
    virtual IDirect3DTexture2* getTexture(int stage) = 0;
    virtual DDSURFACEDESC2& getDescription(int stage) = 0;
    virtual const char* getName() = 0;
    virtual bool hasAlpha() = 0;
    virtual int getImageWidth() = 0;
    virtual int getImageHeight() = 0;
    virtual int getTextureWidth(int stage) = 0;
    virtual int getTextureHeight(int stage) = 0;
    virtual bool backup() = 0;
    virtual bool recover() = 0;
    virtual ImageContainer* getImage() = 0;

protected:
    TextureInterface() = default;
    TextureInterface(const TextureInterface&) = default;
    TextureInterface& operator=(const TextureInterface&) = default;
    ~TextureInterface() = default;
};

// Virtual operations in their binding slot order.
class SurfaceInterface {
public:
    virtual bool restore(IDirectDraw4* directDraw) = 0;
    virtual bool invalidate() = 0;
    virtual IDirectDrawSurface4* getSurface() = 0;
    virtual DDSURFACEDESC2& getDescription() = 0;
    virtual const char* getName() = 0;
    virtual bool hasAlpha() = 0;
    virtual int getImageWidth() = 0;
    virtual int getImageHeight() = 0;
    virtual int getSurfaceWidth() = 0;
    virtual int getSurfaceHeight() = 0;
    virtual bool backup() = 0;
    virtual bool recover() = 0;
    virtual ImageContainer* getImage() = 0;
    virtual void setColorKey(unsigned long color) = 0;

protected:
    SurfaceInterface() = default;
    SurfaceInterface(const SurfaceInterface&) = default;
    SurfaceInterface& operator=(const SurfaceInterface&) = default;
    ~SurfaceInterface() = default;
};
