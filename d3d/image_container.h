// ImageContainer: the driver's in-memory picture, 32-bit pixels with what is
// known of their transparency; the TGA and BMP files it is read from and the
// TGA files it is saved as; the surfaces it is copied to and from.
#pragma once

#include "driver.h"

#include <ddraw.h>
#include <engine/types.h>

#include <cstdint>
#include <string>

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
    static constexpr int nameSize = 260;

    ImageContainer() = default;
    // Copies of an associated image share its file, not its pixels.
    ImageContainer(const ImageContainer& other);
    ImageContainer& operator=(const ImageContainer& other);
    ~ImageContainer();

    // Replaces the pixels by width x height zero bytes. The image stays
    // opaque whatever `format` is: its users give the format they will need.
    bool create(int width, int height, AlphaFormat format);
    // Reads a ".tga" or ".bmp" file (the extension in any case) through the
    // resource manager. False when the file cannot be opened or the
    // extension is another; a file too short for its header throws
    // debug::Exception.
    bool load(const char* name);
    // Writes a 32-bit uncompressed TGA file through the resource manager,
    // whatever the name's extension. False when the file cannot be opened;
    // a short write throws debug::Exception.
    bool save(const char* name) const;
    // Binds the image to a file that is read on the first lock (restore) and
    // dropped on the last unlock (release). A null name leaves the image
    // plain; a file the resource manager does not find gives false.
    bool associate(const char* name);
    // Lock and unlock of an associated image; false for a plain one. A first
    // lock whose read fails (or throws) leaves the count as it was.
    bool restore();
    bool release();
    // Frees the pixels and forgets the size, the transparency and the file.
    bool destroy();

    // Writes this image at half its size into `target` (which may be this
    // image), each channel averaged with rounding.
    bool halve(ImageContainer& target);

    // Reads a 16- or 32-bit RGB surface, or a "UYVY" or "YUY2" one, into the
    // image, resizing it to the surface; other layouts leave the pixels as
    // they were. Returns the lock's failure or the unlock's result.
    HRESULT paste(IDirectDrawSurface4* surface);
    // Writes the image into a 16- or 32-bit RGB surface or a "UYVY" or
    // "YUY2" one, the nearest pixel when the sizes differ; other layouts are
    // locked and unlocked untouched.
    // halve, paste and copy lock an associated image for their run, so its
    // file's reader may throw from them.
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
    bool isAssociated() const { return associated; }
    int getLockCount() const { return lockCount; }
    // The resource path at association followed by the associated name.
    std::string getName() const;

private:
    void allocate(int newWidth, int newHeight);
    void freePixels();
    void copyFrom(const ImageContainer& other);
    void forgetFile();
    // Reads the associated file under the path that was current when it
    // was associated.
    bool readAssociated();
    // Picks the reader by the name's extension; false for another one.
    bool readFile(const char* fileName);
    bool readTGA(const char* fileName);
    bool readBMP(const char* fileName);
    void classifyAlpha();
    // Allocates the pixels of a file being read (none and a size of 0 x 0
    // when either side is 0); an allocation that fails throws `message`.
    void allocateForRead(int newWidth, int newHeight, const char* message);

    int width = 0;
    int height = 0;
    int alphaUsed = 0;  // alphaFormat is not ALPHA_NONE
    AlphaFormat alphaFormat = ALPHA_NONE;
    RGBAColor* data = nullptr;  // width x height, top row first
    RGBAColor colorKey{0, 0, 0, 0};
    bool modified = false;
    bool associated = false;
    char name[nameSize] = {};
    char path[nameSize] = {};
    int lockCount = 0;
};

// Holds a lock of an associated image for its scope, so that its pixels are
// there; a plain image is left alone. A lock that could not be taken is not
// given back.
class ImageLock {
public:
    explicit ImageLock(ImageContainer& image)
        : image_(image), locked_(image.isAssociated() && image.restore()) {}
    ~ImageLock() {
        if (locked_)
            image_.release();
    }
    ImageLock(const ImageLock&) = delete;
    ImageLock& operator=(const ImageLock&) = delete;

private:
    ImageContainer& image_;
    bool locked_;
};

// `color` (0xAARRGGBB) as a pixel value of `format`: each channel's top bits
// placed in its mask.
D3DDRIVER_API unsigned long DDColorMatch(const DDPIXELFORMAT& format, unsigned long color);
D3DDRIVER_API unsigned long DDColorMatch(const DDSURFACEDESC2& description, unsigned long color);
// Channels in 0..1, each rounded to the nearest of 0..255 (ties to even).
D3DDRIVER_API unsigned long DDColorMatch(const DDPIXELFORMAT& format, const Color& color);
D3DDRIVER_API unsigned long DDColorMatch(const DDSURFACEDESC2& description, const Color& color);
// Sets the source colour key to `value`, already in the surface's format.
D3DDRIVER_API HRESULT DDSetColorKey(IDirectDrawSurface4* surface, unsigned long value);
