// ImageContainer: life cycle, association with a file, locks and halving.
#include "image_container.h"

#include <engine/debug.h>
#include <engine/resources.h>

#include <cctype>
#include <cstring>
#include <new>
#include <vector>

namespace {

// Compares the last four characters of `name` with `extension` (lower case),
// in any case.
bool hasExtension(const char* name, const char* extension) {
    const std::size_t length = std::strlen(name);
    if (length < 4)
        return false;
    for (int i = 0; i < 4; ++i)
        if (std::tolower(static_cast<unsigned char>(name[length - 4 + i])) != extension[i])
            return false;
    return true;
}

// Restores the resource manager's current path however the read ends.
class CurrentPathScope {
public:
    explicit CurrentPathScope(const char* path) {
        theResourceManager->pushCurrentPath();
        theResourceManager->setCurrentPath(path);
    }
    ~CurrentPathScope() { theResourceManager->popCurrentPath(); }
    CurrentPathScope(const CurrentPathScope&) = delete;
    CurrentPathScope& operator=(const CurrentPathScope&) = delete;
};

std::uint8_t average4(int a, int b, int c, int d) {
    return static_cast<std::uint8_t>((a + b + c + d + 2) / 4);
}

std::uint8_t average2(int a, int b) {
    return static_cast<std::uint8_t>((a + b + 1) / 2);
}

RGBAColor average(const RGBAColor& p, const RGBAColor& q, const RGBAColor& s, const RGBAColor& t) {
    return {average4(p.b, q.b, s.b, t.b), average4(p.g, q.g, s.g, t.g),
            average4(p.r, q.r, s.r, t.r), average4(p.a, q.a, s.a, t.a)};
}

RGBAColor average(const RGBAColor& p, const RGBAColor& q) {
    return {average2(p.b, q.b), average2(p.g, q.g), average2(p.r, q.r), average2(p.a, q.a)};
}

}  // namespace

ImageContainer::ImageContainer(const ImageContainer& other) {
    copyFrom(other);
}

ImageContainer& ImageContainer::operator=(const ImageContainer& other) {
    if (this != &other) {
        destroy();
        copyFrom(other);
    }
    return *this;
}

ImageContainer::~ImageContainer() {
    delete[] data;
}

void ImageContainer::copyFrom(const ImageContainer& other) {
    if (other.associated) {
        // The copy reads the file itself when it is locked.
        associated = true;
        std::memcpy(name, other.name, sizeof name);
        std::memcpy(path, other.path, sizeof path);
        lockCount = 0;
        return;
    }
    allocate(other.width, other.height);
    if (data && other.data)
        std::memcpy(data, other.data, sizeof(RGBAColor) * std::size_t(width) * height);
    alphaUsed = other.alphaUsed;
    alphaFormat = other.alphaFormat;
    colorKey = other.colorKey;
}

void ImageContainer::freePixels() {
    delete[] data;
    data = nullptr;
}

void ImageContainer::allocate(int newWidth, int newHeight) {
    freePixels();
    width = newWidth > 0 ? newWidth : 0;
    height = newHeight > 0 ? newHeight : 0;
    const std::size_t count = std::size_t(width) * height;
    if (count)
        data = new RGBAColor[count]();
}

void ImageContainer::allocateForRead(int newWidth, int newHeight, const char* message) {
    freePixels();
    width = height = 0;
    const std::size_t count = std::size_t(newWidth) * std::size_t(newHeight);
    if (count == 0)
        return;
    // Zeroed, as a short read leaves the rest of the pixels unread.
    data = new (std::nothrow) RGBAColor[count]();
    if (!data)
        throw debug::Exception(message);
    width = newWidth;
    height = newHeight;
}

bool ImageContainer::create(int newWidth, int newHeight, AlphaFormat) {
    destroy();
    allocate(newWidth, newHeight);
    return true;
}

void ImageContainer::forgetFile() {
    associated = false;
    name[0] = '\0';
    path[0] = '\0';
    lockCount = 0;
}

bool ImageContainer::destroy() {
    forgetFile();
    freePixels();
    width = height = 0;
    alphaUsed = 0;
    alphaFormat = ALPHA_NONE;
    colorKey = RGBAColor{0, 0, 0, 0};
    return true;
}

bool ImageContainer::load(const char* fileName) {
    destroy();
    if (!fileName)
        return false;
    return readFile(fileName);
}

bool ImageContainer::readFile(const char* fileName) {
    if (hasExtension(fileName, ".tga"))
        return readTGA(fileName);
    if (hasExtension(fileName, ".bmp"))
        return readBMP(fileName);
    return false;
}

bool ImageContainer::associate(const char* fileName) {
    destroy();
    if (!fileName)
        return true;
    const std::string current = theResourceManager->getCurrentPath();
    // A name cut short would lead to another file.
    if (std::strlen(fileName) >= sizeof name || current.size() >= sizeof path)
        return false;
    if (theResourceManager->fileExists(fileName) != 0)
        return false;
    std::strcpy(name, fileName);
    std::strcpy(path, current.c_str());
    associated = true;
    lockCount = 0;
    return true;
}

std::string ImageContainer::getName() const {
    return std::string(path) + name;
}

bool ImageContainer::readAssociated() {
    const CurrentPathScope scope(path);
    return readFile(name);
}

bool ImageContainer::restore() {
    if (!associated)
        return false;
    if (++lockCount > 1)
        return true;
    // A failed first read gives the lock back, so that the next lock tries
    // the file again and the count stays balanced.
    bool loaded = false;
    try {
        loaded = readAssociated();
    } catch (...) {
        --lockCount;
        freePixels();
        width = height = 0;
        throw;
    }
    if (!loaded) {
        --lockCount;
        freePixels();
        width = height = 0;
    }
    return loaded;
}

bool ImageContainer::release() {
    if (!associated)
        return false;
    if (lockCount > 0 && --lockCount == 0)
        freePixels();
    return true;
}

bool ImageContainer::halve(ImageContainer& target) {
    const ImageLock lock(*this);
    int targetWidth = width / 2;
    int targetHeight = height / 2;
    std::vector<RGBAColor> pixels;
    if (data && width >= 2 && height >= 2) {
        pixels.resize(std::size_t(targetWidth) * targetHeight);
        for (int y = 0; y < targetHeight; ++y) {
            const RGBAColor* top = data + std::size_t(2 * y) * width;
            const RGBAColor* bottom = top + width;
            RGBAColor* out = pixels.data() + std::size_t(y) * targetWidth;
            for (int x = 0; x < targetWidth; ++x)
                out[x] = average(top[2 * x], top[2 * x + 1], bottom[2 * x], bottom[2 * x + 1]);
        }
    } else if (data && height == 1 && width >= 2) {
        targetHeight = 1;
        pixels.resize(std::size_t(targetWidth));
        for (int x = 0; x < targetWidth; ++x)
            pixels[x] = average(data[2 * x], data[2 * x + 1]);
    } else {
        // A one-pixel-wide image has no half.
        targetWidth = 0;
    }

    const int keptAlpha = alphaUsed;
    const AlphaFormat keptFormat = alphaFormat;
    const RGBAColor keptKey = colorKey;
    target.destroy();
    target.allocate(targetWidth, targetHeight);
    if (target.data)
        std::memcpy(target.data, pixels.data(), pixels.size() * sizeof(RGBAColor));
    target.alphaUsed = keptAlpha;
    target.alphaFormat = keptFormat;
    target.colorKey = keptKey;
    return true;
}

void ImageContainer::classifyAlpha() {
    alphaFormat = ALPHA_NONE;
    const std::size_t count = std::size_t(width) * height;
    for (std::size_t i = 0; data && i < count; ++i) {
        const std::uint8_t a = data[i].a;
        if (a == 0 && alphaFormat == ALPHA_NONE) {
            colorKey = data[i];
            alphaFormat = ALPHA_COLORKEY;
        } else if (a != 0 && a != 255) {
            alphaFormat = ALPHA_GRADED;
            break;
        }
    }
    alphaUsed = alphaFormat != ALPHA_NONE;
}
