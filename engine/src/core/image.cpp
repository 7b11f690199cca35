#include <engine/core/globals.h>
#include <engine/core/image.h>

namespace {

RenderImageFactory* factory() {
    return theRenderImageFactory;
}

// A render image made from a file reports its size; a failed one leaves 0.
int widthOf(RenderImage* image) {
    return image ? image->getWidth() : 0;
}
int heightOf(RenderImage* image) {
    return image ? image->getHeight() : 0;
}

}  // namespace

Image2D::Image2D(int width, int height) : Image(width, height) {
    if (factory())
        renderImage = factory()->createImage2D(*this, width, height);
}

Image2D::Image2D(const char* file, bool cached) : Image(0, 0) {
    if (factory())
        renderImage = factory()->createImage2D(*this, file, cached);
    width = widthOf(renderImage);
    height = heightOf(renderImage);
}

Image2D::~Image2D() {
    if (renderImage && factory())
        factory()->destroy(renderImage);
}

Image3D::Image3D(int width, int height, int alpha) : Image(width, height) {
    if (factory())
        renderImage = factory()->createImage3D(*this, width, height, alpha);
}

Image3D::Image3D(const char* file, bool cached, int mode) : Image(0, 0) {
    if (factory())
        renderImage = factory()->createImage3D(*this, file, cached, mode);
    width = widthOf(renderImage);
    height = heightOf(renderImage);
}

Image3D::Image3D(RenderImage3D* renderImage)
    : Image(widthOf(renderImage), heightOf(renderImage)), renderImage(renderImage) {}

Image3D* Image3D::create(RenderImage3D* renderImage) {
    return new Image3D(renderImage);
}

Image3D::~Image3D() {
    if (renderImage && factory())
        factory()->destroy(renderImage);
}
