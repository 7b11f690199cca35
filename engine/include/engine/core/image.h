// Engine images: a picture of a known size whose pixels live in a render
// image that the driver's image factory makes.
#pragma once

#include <engine/core/render_image.h>

class Image {
public:
    virtual ~Image() = default;
    // Null when the driver could not make the render image.
    virtual RenderImage* getRenderImage() = 0;

    int getWidth() const { return width; }
    int getHeight() const { return height; }

protected:
    Image(int width, int height) : width(width), height(height) {}
    Image(const Image&) = delete;
    Image& operator=(const Image&) = delete;

    int width;
    int height;
};

// Drawn on the screen with blits. Needs theRenderImageFactory.
class Image2D : public Image {
public:
    Image2D(int width, int height);
    Image2D(const char* file, bool cached);
    ~Image2D() override;

    RenderImage* getRenderImage() override { return renderImage; }
    RenderImage2D* getRenderImage2D() { return renderImage; }

private:
    RenderImage2D* renderImage = nullptr;
};

// Kept as a texture. Needs theRenderImageFactory.
class Image3D : public Image {
public:
    Image3D(int width, int height, int alpha);
    Image3D(const char* file, bool cached, int mode);
    // An image on a render image the driver made itself (a video's frames);
    // the image takes it over and gives it back to the factory when deleted.
    static Image3D* create(RenderImage3D* renderImage);
    ~Image3D() override;

    RenderImage* getRenderImage() override { return renderImage; }
    RenderImage3D* getRenderImage3D() { return renderImage; }

private:
    explicit Image3D(RenderImage3D* renderImage);

    RenderImage3D* renderImage = nullptr;
};
