// ImageContainer: the driver's in-memory picture, 32-bit pixels with what is
// known of their transparency, and the TGA file it is saved as.
#pragma once

#include <ddraw.h>

#include <cstdint>

// One pixel in memory order blue, green, red, alpha: read as a little-endian
// word it is 0xAARRGGBB, like a Direct3D colour and a 32-bit TGA pixel.
struct RGBAColor {
    std::uint8_t b;
    std::uint8_t g;
    std::uint8_t r;
    std::uint8_t a;
};
static_assert(sizeof(RGBAColor) == 4, "a pixel is one 32-bit word");

// The number of alpha bits a texture of the image needs.
enum AlphaFormat {
    ALPHA_NONE = 0,     // opaque
    ALPHA_COLORKEY = 1, // some pixels fully transparent
    ALPHA_GRADED = 4,   // intermediate alphas
};

class ImageContainer {
public:
    ImageContainer() = default;
    ImageContainer(const ImageContainer& other);
    ImageContainer& operator=(const ImageContainer& other);
    ~ImageContainer();

    // Replaces the pixels by width x height zero bytes. The image stays
    // opaque whatever `format` is: its users give the format they will need.
    bool create(int width, int height, AlphaFormat format);
    // Writes a 32-bit uncompressed TGA file through the resource manager,
    // whatever the name's extension. False when the file cannot be opened;
    // a short write throws debug::Exception.
    bool save(const char* name) const;
    // Frees the pixels and forgets the size and the transparency.
    bool destroy();

    // Reads a 16- or 32-bit RGB surface into the image, resizing it to the
    // surface; other depths leave the pixels as they were. Returns the
    // lock's failure or the unlock's result.
    HRESULT paste(IDirectDrawSurface4* surface);
    // Writes the image into a 16- or 32-bit RGB surface, the nearest pixel
    // when the sizes differ. The packed YUV layouts are not written here.
    HRESULT copy(IDirectDrawSurface4* surface) const;

    int getWidth() const { return width; }
    int getHeight() const { return height; }
    RGBAColor* getData() { return data; }
    const RGBAColor* getData() const { return data; }
    AlphaFormat getAlphaFormat() const { return alphaFormat; }
    bool hasAlpha() const { return alphaUsed != 0; }
    bool hasColorKey() const { return alphaFormat == ALPHA_COLORKEY; }
    RGBAColor getColorKey() const { return colorKey; }
    bool isModified() const { return modified; }
    void setModified(bool value) { modified = value; }

private:
    void allocate(int newWidth, int newHeight);
    void copyFrom(const ImageContainer& other);

    int width = 0;
    int height = 0;
    int alphaUsed = 0;  // alphaFormat is not ALPHA_NONE
    AlphaFormat alphaFormat = ALPHA_NONE;
    RGBAColor* data = nullptr;  // width x height, top row first
    RGBAColor colorKey{0, 0, 0, 0};
    bool modified = false;
};
