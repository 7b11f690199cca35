// The engine's image factory: render images on surfaces and textures of the
// texture manager.
#include "rimage.h"
#include "tmanager.h"

namespace {

AlphaFormat alphaFormat(int alpha) {
    switch (alpha) {
    case 1:
        return ALPHA_COLORKEY;
    case 4:
        return ALPHA_GRADED;
    default:
        return ALPHA_NONE;
    }
}

RenderImage2D* imageOn(SurfaceInterface* surface) {
    return surface ? new D3DRenderImage2D(surface) : nullptr;
}

RenderImage3D* imageOn(TextureInterface* texture) {
    return texture ? new D3DRenderImage3D(texture) : nullptr;
}

}  // namespace

RenderImage2D* D3DRenderImageFactory::createImage2D(Image2D&, const char* file, bool cached) {
    thread::Lock guard(theD3DRenderDriver);
    return imageOn(theD3DTextureManager->createSurface(file, cached));
}

RenderImage2D* D3DRenderImageFactory::createImage2D(Image2D&, int width, int height) {
    thread::Lock guard(theD3DRenderDriver);
    return imageOn(theD3DTextureManager->createSurface(width, height));
}

RenderImage3D* D3DRenderImageFactory::createImage3D(Image3D&, const char* file, bool cached,
                                                    int mode) {
    thread::Lock guard(theD3DRenderDriver);
    return imageOn(theD3DTextureManager->createTexture(file, cached, mode));
}

RenderImage3D* D3DRenderImageFactory::createImage3D(Image3D&, int width, int height, int alpha) {
    thread::Lock guard(theD3DRenderDriver);
    return imageOn(theD3DTextureManager->createTexture(width, height, alphaFormat(alpha), 0));
}

void D3DRenderImageFactory::destroy(RenderImage2D* image) {
    thread::Lock guard(theD3DRenderDriver);
    delete image;
}

void D3DRenderImageFactory::destroy(RenderImage3D* image) {
    thread::Lock guard(theD3DRenderDriver);
    delete image;
}
