// The texture manager with its texture cache, and the texture and plain
// surface containers it owns. The images themselves live in
// image_container.cpp, image_files.cpp and image_surface.cpp.
#include "tmanager.h"

#include "driver.h"
#include "driver_filter.h"
#include "dxerror.h"
#include "image_container.h"
#include "surface_container.h"
#include "texture_container.h"

#include <engine/debug.h>
#include <engine/resources.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <list>
#include <memory>

D3DTextureManager* theD3DTextureManager = nullptr;

namespace {

const char* const sourcePath = "3d/driver/d3d/tmanager";
// Per thread: the factories run on engine threads, restoring on the core thread.
thread_local HRESULT hr = S_OK;

std::atomic<unsigned long> texturesSize{0};
std::atomic<unsigned long> surfacesSize{0};

unsigned long surfaceBytes(const DDSURFACEDESC2& d) {
    return static_cast<unsigned long>(d.lPitch) * d.dwHeight;
}

debug::Context here(int line) {
    return debug::Context(sourcePath, line);
}

void copyName(char (&target)[260], const std::string& text) {
    std::snprintf(target, sizeof target, "%s", text.c_str());
}

IDirectDraw4* driverDirectDraw() {
    return theD3DRenderDriver ? theD3DRenderDriver->getDirectDraw() : nullptr;
}

IDirect3DDevice3* driverDevice() {
    return theD3DRenderDriver ? theD3DRenderDriver->getD3DDevice() : nullptr;
}

// "maps/wall.tga" at level 2 is "maps/2/wall.tga".
std::string levelFileName(const std::string& name, int level) {
    const std::size_t slash = name.rfind('/');
    const std::size_t at = slash == std::string::npos ? 0 : slash + 1;
    return name.substr(0, at) + std::to_string(level) + "/" + name.substr(at);
}

// Loads or associates one image; throws with the reason when it cannot.
std::unique_ptr<ImageContainer> createImage(const char* name, bool associate) {
    auto image = std::make_unique<ImageContainer>();
    if (associate) {
        if (!name || !image->associate(name))
            throw debug::Exception("Can't associate image");
    } else if (!name || !image->load(name)) {
        throw debug::Exception("Can't load image");
    }
    return image;
}

// What the device accepts as texture sizes.
struct TextureLimits {
    DWORD textureCaps = 0;
    DWORD minWidth = 1, minHeight = 1;
    DWORD maxWidth = 0, maxHeight = 0;  // 0: no limit given
};

bool readLimits(IDirect3DDevice3* device, TextureLimits& limits) {
    D3DDEVICEDESC hardware{};
    D3DDEVICEDESC software{};
    hardware.dwSize = sizeof hardware;
    software.dwSize = sizeof software;
    if (!DX_TEST(hr = device->GetCaps(&hardware, &software), sourcePath))
        return false;
    const bool useHardware = hardware.dwFlags != 0;
    const D3DDEVICEDESC& caps = useHardware ? hardware : software;
    limits.textureCaps = caps.dpcTriCaps.dwTextureCaps;
    limits.minWidth = caps.dwMinTextureWidth;
    limits.minHeight = caps.dwMinTextureHeight;
    // Hardware of the time could not take textures below 4 texels a side.
    if (useHardware) {
        limits.minWidth = std::max<DWORD>(limits.minWidth, 4);
        limits.minHeight = std::max<DWORD>(limits.minHeight, 4);
    }
    limits.maxWidth = caps.dwMaxTextureWidth;
    limits.maxHeight = caps.dwMaxTextureHeight;
    return true;
}

DWORD roundUpToPowerOfTwo(DWORD value) {
    DWORD result = 1;
    while (result < value && result < 0x80000000u)
        result <<= 1;
    return result;
}

DWORD clampSide(DWORD value, DWORD minimum, DWORD maximum) {
    value = std::max(value, minimum);
    return maximum ? std::min(value, maximum) : value;
}

DWORD floorLog2(DWORD value) {
    DWORD result = 0;
    while (value > 1) {
        value >>= 1;
        ++result;
    }
    return result;
}

// What EnumTextureFormats is asked to find.
struct FormatRequest {
    DWORD depth = 16;
    bool hasAlpha = false;
    AlphaFormat alphaFormat = ALPHA_NONE;
    bool palette = false;
    bool fourCC = false;
    bool found = false;
    DDPIXELFORMAT* result = nullptr;
};

int setBits(DWORD mask) {
    int bits = 0;
    for (; mask; mask &= mask - 1)
        ++bits;
    return bits;
}

bool formatMatches(const DDPIXELFORMAT& f, const FormatRequest& request) {
    if (f.dwFlags & (DDPF_LUMINANCE | DDPF_BUMPLUMINANCE | DDPF_BUMPDUDV))
        return false;
    if (request.palette)
        return (f.dwFlags & DDPF_PALETTEINDEXED8) != 0;
    if (f.dwRGBBitCount < 16 || (f.dwFlags & DDPF_FOURCC))
        return false;
    const bool alphaPixels = (f.dwFlags & DDPF_ALPHAPIXELS) != 0;
    if (request.hasAlpha) {
        if (!alphaPixels)
            return false;
        const int alphaBits = setBits(f.dwRGBAlphaBitMask);
        if (!((request.alphaFormat == ALPHA_COLORKEY && alphaBits == 1) ||
              (request.alphaFormat == ALPHA_GRADED && alphaBits == 4)))
            return false;
    } else if (alphaPixels) {
        return false;
    }
    return f.dwRGBBitCount == request.depth;
}

HRESULT CALLBACK matchTextureFormat(DDPIXELFORMAT* format, void* context) {
    auto* request = static_cast<FormatRequest*>(context);
    if (!format || !formatMatches(*format, *request))
        return D3DENUMRET_OK;
    *request->result = *format;
    request->found = true;
    return D3DENUMRET_CANCEL;
}

bool findFormat(IDirect3DDevice3* device, bool hasAlpha, AlphaFormat alpha, DDPIXELFORMAT& out) {
    FormatRequest request;
    request.hasAlpha = hasAlpha;
    request.alphaFormat = alpha;
    request.result = &out;
    device->EnumTextureFormats(matchTextureFormat, &request);
    return request.found;
}

// Graded alpha falls back to one-bit alpha, and that to none.
bool chooseFormat(IDirect3DDevice3* device, const ImageContainer& image, DDPIXELFORMAT& out) {
    AlphaFormat alpha = image.getAlphaFormat();
    const bool hasAlpha = image.hasAlpha();
    if (findFormat(device, hasAlpha, alpha, out))
        return true;
    if (hasAlpha && alpha == ALPHA_GRADED) {
        alpha = ALPHA_COLORKEY;
        if (findFormat(device, true, alpha, out))
            return true;
    }
    return hasAlpha && alpha == ALPHA_COLORKEY && findFormat(device, false, ALPHA_NONE, out);
}

// `image` halved `count` times into `scratch` when both sides allow it
// exactly; otherwise `image` itself.
ImageContainer* reduce(ImageContainer* image, int count, std::list<ImageContainer>& scratch) {
    if (count <= 0 || count >= 31)
        return image;
    const int unit = 1 << count;
    if (image->getWidth() % unit != 0 || image->getHeight() % unit != 0)
        return image;
    for (int i = 0; i < count; ++i) {
        scratch.emplace_back();
        image->halve(scratch.back());
        image = &scratch.back();
    }
    return image;
}

// Holds one reference of a surface for a scope.
class SurfaceReference {
public:
    explicit SurfaceReference(IDirectDrawSurface4* surface = nullptr) : surface_(surface) {}
    ~SurfaceReference() { reset(); }
    SurfaceReference(const SurfaceReference&) = delete;
    SurfaceReference& operator=(const SurfaceReference&) = delete;
    void reset(IDirectDrawSurface4* surface = nullptr) {
        if (surface_)
            surface_->Release();
        surface_ = surface;
    }
    IDirectDrawSurface4* get() const { return surface_; }

private:
    IDirectDrawSurface4* surface_;
};

template <typename Container>
void appendUnique(std::vector<Container*>& list, Container* item) {
    if (std::find(list.begin(), list.end(), item) == list.end())
        list.push_back(item);
}

template <typename Container>
void removeFirst(std::vector<Container*>& list, const Container* item) {
    const auto found = std::find(list.begin(), list.end(), item);
    if (found != list.end())
        list.erase(found);
}

std::string kilobytes(unsigned long bytes) {
    char text[64];
    std::snprintf(text, sizeof text, "%.2f kb", double(bytes) / 1024.0);
    return text;
}

}  // namespace

std::string fullTextureName(const char* name) {
    if (!name)
        return std::string();
    if (name[0] == '/')
        return name;
    return theResourceManager->getCurrentPath() + name;
}

// ===========================================================================
// SurfaceStorage
// ===========================================================================

void SurfaceStorage::activate(const DDSURFACEDESC2& description) {
    deactivate();
    size = static_cast<std::uint32_t>(surfaceBytes(description));
    bits.reset(new std::uint8_t[size ? size : 1]);
}

void SurfaceStorage::deactivate() {
    bits.reset();
    size = 0;
    modified = false;
}

HRESULT SurfaceStorage::lockMatching(IDirectDrawSurface4* surface, DDSURFACEDESC2& locked) const {
    if (!surface || !bits)
        return DDERR_INVALIDPARAMS;
    locked = DDSURFACEDESC2{};
    locked.dwSize = sizeof locked;
    const HRESULT result = surface->Lock(nullptr, &locked, DDLOCK_WAIT, nullptr);
    if (FAILED(result))
        return result;
    if (surfaceBytes(locked) != size || !locked.lpSurface) {
        surface->Unlock(nullptr);
        return DDERR_INVALIDPARAMS;
    }
    return result;
}

HRESULT SurfaceStorage::paste(IDirectDrawSurface4* surface) {
    DDSURFACEDESC2 locked;
    const HRESULT result = lockMatching(surface, locked);
    if (FAILED(result))
        return result;
    std::memcpy(bits.get(), locked.lpSurface, size);
    modified = true;
    return surface->Unlock(nullptr);
}

HRESULT SurfaceStorage::copy(IDirectDrawSurface4* surface) {
    DDSURFACEDESC2 locked;
    const HRESULT result = lockMatching(surface, locked);
    if (FAILED(result))
        return result;
    std::memcpy(locked.lpSurface, bits.get(), size);
    modified = false;
    return surface->Unlock(nullptr);
}

// ===========================================================================
// TextureContainer
// ===========================================================================

unsigned long TextureContainer::getTexturesSize() {
    return texturesSize.load();
}

TextureContainer::~TextureContainer() {
    if (stages[0].restored != 0 || references != 0)
        DRIVER_FILTER << (debug::Error(here(__LINE__))
                          << "texture " << name << " has references " << references << ", restored "
                          << stages[0].restored);
    if (theD3DTextureManager)
        theD3DTextureManager->removeInvalidTexture(this);
    for (int stage = 0; stage < stageCount; ++stage)
        releaseStage(stage);
}

void TextureContainer::setName(const char* text) {
    copyName(name, fullTextureName(text));
}

bool TextureContainer::create(const char* fileName, int modeNumber, bool associate) {
    thread::Lock guard(this);
    if (references == 0) {
        mode =
            theD3DTextureManager ? theD3DTextureManager->getTextureMode(modeNumber) : TextureMode();
        setName(fileName);
        try {
            loadLevels(fileName, associate);
        } catch (const debug::Exception& e) {
            DRIVER_FILTER << (debug::Error(here(__LINE__))
                              << "Texture '" << name << "': " << e.what());
            deleteImages();
            return false;
        }
    }
    ++references;
    return true;
}

void TextureContainer::loadLevels(const char* fileName, bool associate) {
    deleteImages();
    images.resize(fileLevels);
    images[0] = createImage(fileName, associate);
    for (int level = 1; level < fileLevels; ++level) {
        const std::string levelName = levelFileName(fileName, level);
        // A hand-reduced level is optional: one that cannot be had is halved
        // from the level above when it is needed.
        try {
            images[level] = createImage(levelName.c_str(), associate);
        } catch (const debug::Exception&) {
            images[level].reset();
        }
    }
}

bool TextureContainer::create(int width, int height, AlphaFormat format, int modeNumber) {
    thread::Lock guard(this);
    if (references == 0) {
        mode =
            theD3DTextureManager ? theD3DTextureManager->getTextureMode(modeNumber) : TextureMode();
        std::snprintf(name, sizeof name, "custom texture %d x %d", width, height);
        try {
            if (width <= 0 || height <= 0)
                throw debug::Exception("Can't create image");
            deleteImages();
            images.resize(customLevels);
            images[0] = std::make_unique<ImageContainer>();
            images[0]->create(width, height, format);
        } catch (const debug::Exception& e) {
            DRIVER_FILTER << (debug::Error(here(__LINE__))
                              << "Texture '" << name << "': " << e.what());
            deleteImages();
            return false;
        }
    }
    ++references;
    return true;
}

bool TextureContainer::destroy() {
    thread::Lock guard(this);
    if (theD3DTextureManager)
        theD3DTextureManager->removeInvalidTexture(this);
    if (references > 0 && --references == 0)
        deleteImages();
    return true;
}

void TextureContainer::deleteImages() {
    for (auto& image : images)
        if (image)
            image->destroy();
    images.clear();
}

ImageContainer* TextureContainer::getLevel(int level) const {
    if (level < 0 || level >= static_cast<int>(images.size()))
        return nullptr;
    return images[level].get();
}

bool TextureContainer::restore(IDirectDraw4*, IDirect3DDevice3*, int stage, bool dynamic) {
    if (!validStage(stage))
        return false;
    thread::Lock guard(this);
    Stage& s = stages[stage];
    if (++s.restored == 1) {
        s.dynamic = dynamic;
        s.valid = makeStage(stage);
        if (!s.valid && theD3DTextureManager)
            theD3DTextureManager->addInvalidTexture(this);
    }
    return s.valid;
}

bool TextureContainer::invalidate(int stage) {
    if (!validStage(stage))
        return false;
    thread::Lock guard(this);
    Stage& s = stages[stage];
    if (s.restored > 0 && --s.restored == 0) {
        releaseStage(stage);
        s.storage.deactivate();
        s.valid = false;
    }
    return true;
}

bool TextureContainer::validate(int stage) {
    if (!validStage(stage))
        return false;
    thread::Lock guard(this);
    Stage& s = stages[stage];
    // A stage nobody restored has nothing to show.
    if (!s.valid && s.restored > 0)
        s.valid = makeStage(stage);
    return s.valid;
}

bool TextureContainer::validate() {
    thread::Lock guard(this);
    bool all = true;
    for (int stage = 0; stage < stageCount; ++stage)
        if (stages[stage].restored != 0 && !validate(stage))
            all = false;
    return all;
}

bool TextureContainer::recreate() {
    thread::Lock guard(this);
    for (Stage& s : stages)
        s.valid = false;
    return validate();
}

void TextureContainer::releaseStage(int stage) {
    Stage& s = stages[stage];
    if (s.texture) {
        if (theD3DTextureManager)
            theD3DTextureManager->flushTexture(this);
        s.texture->Release();
        s.texture = nullptr;
    }
    if (s.surface) {
        texturesSize -= surfaceBytes(s.description);
        s.surface->Release();
        s.surface = nullptr;
    }
}

bool TextureContainer::makeStage(int stage) {
    try {
        return remakeStage(stage);
    } catch (const debug::Exception& e) {
        // An associated image whose file went bad since it was found.
        DRIVER_FILTER << (debug::Error(here(__LINE__)) << "Texture '" << name << "': " << e.what());
        return false;
    }
}

namespace {

int wantedLevel(const TextureMode& mode) {
    if (mode.qualities.empty())
        return 0;
    const int q = std::max(g_driverSettings.textureScaleFactor, 0);
    const std::size_t index = std::min<std::size_t>(std::size_t(q), mode.qualities.size() - 1);
    return std::max(mode.qualities[index], 0);
}

// Fills the levels below the top of a mip chain: each from its hand-reduced
// image when there is one, else from the level above halved.
bool fillMipLevels(IDirectDrawSurface4* top, DWORD count, ImageContainer* topImage,
                   const TextureContainer& texture, int wanted,
                   std::list<ImageContainer>& scratch) {
    top->AddRef();
    SurfaceReference level(top);
    ImageContainer* previous = topImage;
    std::unique_ptr<ImageLock> previousLock;
    for (DWORD i = 1; i < count; ++i) {
        DDSCAPS2 caps{};
        caps.dwCaps = DDSCAPS_TEXTURE | DDSCAPS_MIPMAP;
        IDirectDrawSurface4* next = nullptr;
        if (!DX_TEST(hr = level.get()->GetAttachedSurface(&caps, &next), sourcePath))
            return false;
        level.reset(next);

        ImageContainer* image = texture.getLevel(wanted + int(i));
        std::unique_ptr<ImageLock> lock;
        if (image) {
            lock = std::make_unique<ImageLock>(*image);
            if (!image->getData()) {
                lock.reset();
                image = nullptr;
            }
        }
        if (!image) {
            scratch.emplace_back();
            previous->halve(scratch.back());
            image = &scratch.back();
        }
        if (!DX_TEST(hr = image->copy(level.get()), sourcePath))
            return false;
        previous = image;
        previousLock = std::move(lock);
    }
    return true;
}

}  // namespace

bool TextureContainer::remakeStage(int stage) {
    Stage& s = stages[stage];
    releaseStage(stage);
    IDirectDraw4* directDraw = driverDirectDraw();
    IDirect3DDevice3* device = driverDevice();
    if (!directDraw || !device || images.empty() || !images[0])
        return false;

    bool mipmaps = mode.mipmaps && g_driverSettings.mipmaps;
    TextureLimits limits;
    if (!readLimits(device, limits))
        return false;

    DDSURFACEDESC2 d{};
    d.dwSize = sizeof d;
    d.dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH | DDSD_PIXELFORMAT | DDSD_TEXTURESTAGE;
    d.ddsCaps.dwCaps = DDSCAPS_TEXTURE;
    d.ddsCaps.dwCaps2 = DDSCAPS2_TEXTUREMANAGE;
    d.dwTextureStage = DWORD(stage);
    if (s.dynamic) {
        d.ddsCaps.dwCaps &= ~(DDSCAPS_VIDEOMEMORY | DDSCAPS_SYSTEMMEMORY);
        d.ddsCaps.dwCaps2 &= ~(DDSCAPS2_HINTSTATIC | DDSCAPS2_OPAQUE);
        d.ddsCaps.dwCaps2 |= DDSCAPS2_HINTDYNAMIC;
    }

    // The reduction wanted, from the nearest hand-reduced level above it.
    const int wanted = wantedLevel(mode);
    int available = std::min(wanted, static_cast<int>(images.size()) - 1);
    while (available > 0 && !images[available])
        --available;
    ImageContainer* source = images[available].get();
    const ImageLock sourceLock(*source);
    if (!source->getData() || source->getWidth() <= 0 || source->getHeight() <= 0)
        return false;
    std::list<ImageContainer> scratch;
    ImageContainer* image = reduce(source, wanted - available, scratch);

    DWORD width = DWORD(image->getWidth());
    DWORD height = DWORD(image->getHeight());
    if (limits.textureCaps & D3DPTEXTURECAPS_POW2) {
        width = roundUpToPowerOfTwo(width);
        height = roundUpToPowerOfTwo(height);
    }
    width = clampSide(width, limits.minWidth, limits.maxWidth);
    height = clampSide(height, limits.minHeight, limits.maxHeight);
    if (limits.textureCaps & D3DPTEXTURECAPS_SQUAREONLY)
        width = height = std::max(width, height);
    d.dwWidth = width;
    d.dwHeight = height;

    if (mipmaps && (width != DWORD(image->getWidth()) || height != DWORD(image->getHeight()))) {
        DRIVER_FILTER << (debug::Warning(here(__LINE__)) << "can't generate mimaps for " << name);
        mipmaps = false;
    }
    if (width == 1 || height == 1)
        mipmaps = false;
    DWORD mipCount = 0;
    if (mipmaps) {
        mipCount = floorLog2(std::min(width, height));
        d.dwFlags |= DDSD_MIPMAPCOUNT;
        d.ddsCaps.dwCaps |= DDSCAPS_MIPMAP | DDSCAPS_COMPLEX;
        d.dwMipMapCount = mipCount;
    }

    d.ddpfPixelFormat.dwSize = sizeof d.ddpfPixelFormat;
    if (!chooseFormat(device, *image, d.ddpfPixelFormat))
        return false;

    if (!DX_TEST(hr = directDraw->CreateSurface(&d, &s.surface, nullptr), sourcePath)) {
        // DDERR_UNSUPPORTEDMODE, DDERR_NOEXCLUSIVEMODE and DDERR_SURFACELOST
        // mean the display is changing; like any other failure the stage
        // stays invalid and is tried again later.
        s.surface = nullptr;
        return false;
    }
    s.description = DDSURFACEDESC2{};
    s.description.dwSize = sizeof s.description;
    if (!DX_TEST(hr = s.surface->GetSurfaceDesc(&s.description), sourcePath)) {
        s.surface->Release();
        s.surface = nullptr;
        return false;
    }
    texturesSize += surfaceBytes(s.description);
    if (!DX_TEST(hr = s.surface->QueryInterface(IID_IDirect3DTexture2,
                                                reinterpret_cast<void**>(&s.texture)),
                 sourcePath)) {
        s.texture = nullptr;
        return false;
    }
    if (!DX_TEST(hr = image->copy(s.surface), sourcePath))
        return false;
    if (mipmaps && !fillMipLevels(s.surface, mipCount, image, *this, wanted, scratch))
        return false;

    // Run-time changes survive the remake; bits kept for a surface of
    // another size no longer fit and are dropped.
    if (s.storage.isActive()) {
        hr = s.storage.copy(s.surface);
        if (hr == DDERR_INVALIDPARAMS)
            s.storage.deactivate();
        else if (FAILED(hr))
            return false;
    }
    return true;
}

IDirectDrawSurface4* TextureContainer::getSurface(int stage) {
    return validStage(stage) ? stages[stage].surface : nullptr;
}

IDirect3DTexture2* TextureContainer::getTexture(int stage) {
    return validStage(stage) ? stages[stage].texture : nullptr;
}

DDSURFACEDESC2& TextureContainer::getDescription(int stage) {
    return stages[validStage(stage) ? stage : 0].description;
}

bool TextureContainer::hasAlpha() {
    const ImageContainer* image = getImage();
    return image && image->hasAlpha();
}

int TextureContainer::getImageWidth() {
    const ImageContainer* image = getImage();
    return image ? image->getWidth() : 0;
}

int TextureContainer::getImageHeight() {
    const ImageContainer* image = getImage();
    return image ? image->getHeight() : 0;
}

int TextureContainer::getTextureWidth(int stage) {
    return static_cast<int>(getDescription(stage).dwWidth);
}

int TextureContainer::getTextureHeight(int stage) {
    return static_cast<int>(getDescription(stage).dwHeight);
}

int TextureContainer::getRestored(int stage) const {
    return validStage(stage) ? stages[stage].restored : 0;
}

bool TextureContainer::isValid(int stage) const {
    return validStage(stage) && stages[stage].valid;
}

bool TextureContainer::backup() {
    thread::Lock guard(this);
    Stage& s = stages[0];
    if (!s.valid || !s.surface)
        return false;
    if (!s.storage.isActive())
        s.storage.activate(s.description);
    return DX_TEST(hr = s.storage.paste(s.surface), sourcePath);
}

bool TextureContainer::recover() {
    thread::Lock guard(this);
    Stage& s = stages[0];
    if (!s.valid || !s.surface)
        return false;
    if (!s.storage.isActive())
        return true;
    return DX_TEST(hr = s.storage.copy(s.surface), sourcePath);
}

unsigned long TextureContainer::describe(std::string& text) {
    thread::Lock guard(this);
    unsigned long bytes = 0;
    std::string sizes;
    for (int stage = 0; stage < stageCount; ++stage) {
        const Stage& s = stages[stage];
        if (!s.surface)
            continue;
        bytes += surfaceBytes(s.description);
        char line[64];
        std::snprintf(line, sizeof line, ", stage %d: %lu x %lu", stage,
                      static_cast<unsigned long>(s.description.dwWidth),
                      static_cast<unsigned long>(s.description.dwHeight));
        sizes += line;
    }
    text += std::string(name) + ": " + kilobytes(bytes) + sizes + "\r\n";
    return bytes;
}

// ===========================================================================
// SurfaceContainer
// ===========================================================================

unsigned long SurfaceContainer::getSurfacesSize() {
    return surfacesSize.load();
}

SurfaceContainer::SurfaceContainer() {
    description.dwSize = sizeof description;
}

SurfaceContainer::~SurfaceContainer() {
    if (restored != 0 || references != 0)
        DRIVER_FILTER << (debug::Error(here(__LINE__)) << "surface " << name << " has references "
                                                       << references << ", restored " << restored);
    if (theD3DTextureManager)
        theD3DTextureManager->removeInvalidSurface(this);
    releaseSurface();
}

void SurfaceContainer::setName(const char* text) {
    copyName(name, fullTextureName(text));
}

bool SurfaceContainer::create(const char* fileName, bool associate) {
    thread::Lock guard(this);
    if (references == 0) {
        setName(fileName);
        try {
            image.destroy();
            if (associate) {
                if (!fileName || !image.associate(fileName))
                    throw debug::Exception("Can't associate image");
            } else if (!fileName || !image.load(fileName)) {
                throw debug::Exception("Can't load image");
            }
        } catch (const debug::Exception& e) {
            DRIVER_FILTER << (debug::Error(here(__LINE__))
                              << "Surface '" << name << "': " << e.what());
            image.destroy();
            return false;
        }
    }
    ++references;
    return true;
}

bool SurfaceContainer::create(int width, int height) {
    thread::Lock guard(this);
    if (references == 0) {
        std::snprintf(name, sizeof name, "custom surface %d x %d", width, height);
        if (width <= 0 || height <= 0) {
            DRIVER_FILTER << (debug::Error(here(__LINE__))
                              << "Surface '" << name << "': Can't create image");
            return false;
        }
        image.create(width, height, ALPHA_NONE);
    }
    ++references;
    return true;
}

bool SurfaceContainer::destroy() {
    thread::Lock guard(this);
    if (theD3DTextureManager)
        theD3DTextureManager->removeInvalidSurface(this);
    if (references > 0 && --references == 0)
        image.destroy();
    return true;
}

bool SurfaceContainer::restore(IDirectDraw4* directDraw) {
    thread::Lock guard(this);
    if (++restored == 1) {
        valid = makeSurface(directDraw);
        if (!valid && theD3DTextureManager)
            theD3DTextureManager->addInvalidSurface(this);
    }
    return valid;
}

bool SurfaceContainer::invalidate() {
    thread::Lock guard(this);
    if (restored > 0 && --restored == 0) {
        releaseSurface();
        storage.deactivate();
        valid = false;
    }
    return true;
}

bool SurfaceContainer::validate() {
    thread::Lock guard(this);
    if (!valid && restored > 0)
        valid = makeSurface(driverDirectDraw());
    return valid || restored == 0;
}

bool SurfaceContainer::recreate() {
    thread::Lock guard(this);
    valid = false;
    return validate();
}

void SurfaceContainer::releaseSurface() {
    if (clipper) {
        if (surface)
            surface->SetClipper(nullptr);
        clipper->Release();
        clipper = nullptr;
    }
    if (surface) {
        surfacesSize -= surfaceBytes(description);
        surface->Release();
        surface = nullptr;
    }
}

bool SurfaceContainer::makeSurface(IDirectDraw4* directDraw) {
    try {
        return remake(directDraw);
    } catch (const debug::Exception& e) {
        DRIVER_FILTER << (debug::Error(here(__LINE__)) << "Surface '" << name << "': " << e.what());
        return false;
    }
}

bool SurfaceContainer::remake(IDirectDraw4* directDraw) {
    releaseSurface();
    if (!directDraw)
        return false;
    const ImageLock lock(image);
    if (!image.getData() || image.getWidth() <= 0 || image.getHeight() <= 0)
        return false;

    DDSURFACEDESC2 d{};
    d.dwSize = sizeof d;
    d.dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH;
    d.ddsCaps.dwCaps = DWORD(flags) | DDSCAPS_OFFSCREENPLAIN;
    d.dwWidth = DWORD(image.getWidth());
    d.dwHeight = DWORD(image.getHeight());
    if (!DX_TEST(hr = directDraw->CreateSurface(&d, &surface, nullptr), sourcePath)) {
        surface = nullptr;
        return false;
    }
    description = DDSURFACEDESC2{};
    description.dwSize = sizeof description;
    if (!DX_TEST(hr = surface->GetSurfaceDesc(&description), sourcePath)) {
        surface->Release();
        surface = nullptr;
        return false;
    }
    surfacesSize += surfaceBytes(description);

    if (!DX_TEST(hr = image.copy(surface), sourcePath) || !attachClipper(directDraw))
        return false;
    if (hasColorKey && !applyColorKey())
        return false;
    if (storage.isActive()) {
        hr = storage.copy(surface);
        if (hr == DDERR_INVALIDPARAMS)
            storage.deactivate();
        else if (FAILED(hr))
            return false;
    }
    return true;
}

// A clipper of the surface's own rectangle lets Blt calls clip at its edges.
bool SurfaceContainer::attachClipper(IDirectDraw4* directDraw) {
    if (!DX_TEST(hr = directDraw->CreateClipper(0, &clipper, nullptr), sourcePath)) {
        clipper = nullptr;
        return false;
    }
    struct {
        RGNDATAHEADER header;
        RECT rect;
    } region{};
    region.header.dwSize = sizeof(RGNDATAHEADER);
    region.header.iType = RDH_RECTANGLES;
    region.header.nCount = 1;
    region.header.nRgnSize = sizeof(RECT);
    region.header.rcBound = {0, 0, LONG(description.dwWidth), LONG(description.dwHeight)};
    region.rect = region.header.rcBound;
    return DX_TEST(hr = clipper->SetClipList(reinterpret_cast<RGNDATA*>(&region), 0), sourcePath) &&
           DX_TEST(hr = surface->SetClipper(clipper), sourcePath);
}

bool SurfaceContainer::applyColorKey() {
    return DX_TEST(hr = DDSetColorKey(surface, DDColorMatch(description, colorKey)), sourcePath);
}

void SurfaceContainer::setColorKey(unsigned long color) {
    thread::Lock guard(this);
    hasColorKey = true;
    colorKey = color;
    if (restored == 0 || !valid || !surface)
        return;
    if (!applyColorKey()) {
        valid = false;
        if (theD3DTextureManager)
            theD3DTextureManager->addInvalidSurface(this);
    }
}

bool SurfaceContainer::backup() {
    thread::Lock guard(this);
    if (!valid || !surface)
        return false;
    if (!storage.isActive())
        storage.activate(description);
    return DX_TEST(hr = storage.paste(surface), sourcePath);
}

bool SurfaceContainer::recover() {
    thread::Lock guard(this);
    if (!valid || !surface)
        return false;
    if (!storage.isActive())
        return true;
    return DX_TEST(hr = storage.copy(surface), sourcePath);
}

unsigned long SurfaceContainer::describe(std::string& text) {
    thread::Lock guard(this);
    const unsigned long bytes = surface ? surfaceBytes(description) : 0;
    text += std::string(name) + ": " + kilobytes(bytes);
    if (surface) {
        char line[64];
        std::snprintf(line, sizeof line, ", %lu x %lu",
                      static_cast<unsigned long>(description.dwWidth),
                      static_cast<unsigned long>(description.dwHeight));
        text += line;
    }
    text += "\r\n";
    return bytes;
}

// ===========================================================================
// D3DTextureManager: configuration
// ===========================================================================

D3DTextureManager::D3DTextureManager() {
    configuration.readFile("/Configs/texture.cfg");  // missing: no preloads, default modes
    readPreloads();
}

D3DTextureManager::~D3DTextureManager() {
    for (TextureContainer* texture : textures)
        delete texture;
    for (SurfaceContainer* surface : surfaces)
        delete surface;
    for (auto& [key, texture] : textureCache)
        delete texture;
    for (auto& [key, surface] : surfaceCache)
        delete surface;
}

void D3DTextureManager::readPreloads() {
    config::Block* cache = nullptr;
    if (!configuration.getPropertyAccess(config::NamePath("TextureCache"), &cache) || !cache)
        return;
    int defaultMode = 0;
    cache->getProperty(config::NamePath("Default.mode"), &defaultMode);
    std::vector<config::NameEntry> entries;
    cache->getProperties(entries);
    theResourceManager->pushCurrentPath();
    theResourceManager->setCurrentPath("/");
    for (const config::NameEntry& entry : entries)
        if (entry.block() && entry.name().compare(0, 6, "Entry_") == 0)
            readEntry(*entry.block(), defaultMode);
    theResourceManager->popCurrentPath();
}

// Names are made full while the root is current, so that the preloads do
// not depend on the directory current when a video mode starts.
void D3DTextureManager::readEntry(const config::Block& entry, int defaultMode) {
    int mode = defaultMode;
    entry.getProperty(config::NamePath("mode"), &mode);
    std::vector<std::string> names;
    entry.getProperty(config::NamePath("textures"), &names);
    for (const std::string& name : names)
        preloads.push_back(Preload{nullptr, fullTextureName(name.c_str()), mode});
}

TextureMode D3DTextureManager::getTextureMode(int mode) const {
    TextureMode result;
    const std::string key = "TextureModes.Mode_" + std::to_string(mode);
    configuration.getProperty(config::NamePath(key + ".mipmaps"), &result.mipmaps);
    configuration.getProperty(config::NamePath(key + ".qualities"), &result.qualities);
    if (result.qualities.empty())
        result.qualities.push_back(0);
    return result;
}

// ===========================================================================
// D3DTextureManager: creation and destruction
// ===========================================================================

TextureInterface* D3DTextureManager::createTexture(const char* name, bool cached, int mode) {
    thread::Lock guard(this);
    if (!cached) {
        auto* texture = new TextureContainer;
        texture->create(name, mode, true);
        textures.push_back(texture);
        return texture;
    }
    const std::string key = fullTextureName(name);
    const auto found = textureCache.find(key);
    TextureContainer* texture = found != textureCache.end() ? found->second : new TextureContainer;
    // A second create of a shared texture only counts a reference.
    texture->create(name, mode, true);
    if (found == textureCache.end())
        textureCache.emplace(key, texture);
    return texture;
}

SurfaceInterface* D3DTextureManager::createSurface(const char* name, bool cached) {
    thread::Lock guard(this);
    if (!cached) {
        auto* surface = new SurfaceContainer;
        surface->create(name, true);
        surfaces.push_back(surface);
        return surface;
    }
    const std::string key = fullTextureName(name);
    const auto found = surfaceCache.find(key);
    SurfaceContainer* surface = found != surfaceCache.end() ? found->second : new SurfaceContainer;
    surface->create(name, true);
    if (found == surfaceCache.end())
        surfaceCache.emplace(key, surface);
    return surface;
}

TextureInterface* D3DTextureManager::createTexture(int width, int height, AlphaFormat format,
                                                   int mode) {
    thread::Lock guard(this);
    auto texture = std::make_unique<TextureContainer>();
    if (!texture->create(width, height, format, mode))
        return nullptr;
    textures.push_back(texture.get());
    return texture.release();
}

SurfaceInterface* D3DTextureManager::createSurface(int width, int height) {
    thread::Lock guard(this);
    auto surface = std::make_unique<SurfaceContainer>();
    if (!surface->create(width, height))
        return nullptr;
    surfaces.push_back(surface.get());
    return surface.release();
}

void D3DTextureManager::destroyTexture(TextureInterface* texture) {
    if (!texture)
        return;
    thread::Lock guard(this);
    const auto own = std::find(textures.begin(), textures.end(), texture);
    if (own != textures.end()) {
        TextureContainer* container = *own;
        textures.erase(own);
        container->destroy();
        // A stage must not keep a texture that is gone.
        flushTexture(container);
        delete container;
        return;
    }
    // Shared containers stay cached for the next creation of their name.
    for (auto& [key, cachedTexture] : textureCache)
        if (cachedTexture == texture) {
            cachedTexture->destroy();
            return;
        }
}

void D3DTextureManager::destroySurface(SurfaceInterface* surface) {
    if (!surface)
        return;
    thread::Lock guard(this);
    const auto own = std::find(surfaces.begin(), surfaces.end(), surface);
    if (own != surfaces.end()) {
        SurfaceContainer* container = *own;
        surfaces.erase(own);
        container->destroy();
        delete container;
        return;
    }
    for (auto& [key, cachedSurface] : surfaceCache)
        if (cachedSurface == surface) {
            cachedSurface->destroy();
            return;
        }
}

// ===========================================================================
// D3DTextureManager: binding
// ===========================================================================

void D3DTextureManager::setTexture(TextureInterface* texture, int stage) {
    if (stage < 0 || stage >= stageCount || stageTextures[stage] == texture)
        return;
    IDirect3DDevice3* device = g_pDevice;
    if (!device)
        return;
    device->SetTexture(DWORD(stage), texture ? texture->getTexture(stage) : nullptr);
    stageTextures[stage] = texture;
}

void D3DTextureManager::flushTextures(int first, int count) {
    IDirect3DDevice3* device = g_pDevice;
    const int begin = std::max(first, 0);
    const int end = std::min(first + std::max(count, 0), stageCount);
    for (int stage = begin; stage < end; ++stage) {
        if (device)
            device->SetTexture(DWORD(stage), nullptr);
        stageTextures[stage] = nullptr;
    }
}

void D3DTextureManager::flushTexture(int stage) {
    flushTextures(stage, 1);
}

void D3DTextureManager::flushTexture(TextureInterface* texture) {
    if (!texture)
        return;
    for (int stage = 0; stage < stageCount; ++stage)
        if (stageTextures[stage] == texture)
            setTexture(nullptr, stage);
}

TextureInterface* D3DTextureManager::getSampleTexture(int stage, AlphaFormat format) {
    if (stage < 0 || stage >= stageCount)
        return nullptr;
    thread::Lock guard(this);
    const auto key = std::make_pair(stage, static_cast<int>(format));
    const auto found = sampleTextures.find(key);
    if (found != sampleTextures.end())
        return found->second;
    TextureInterface* texture = createTexture(1, 1, format, 1);
    if (!texture)
        return nullptr;
    texture->getImage()->getData()[0] = RGBAColor{0xFF, 0xFF, 0xFF, 0x00};
    texture->restore(driverDirectDraw(), driverDevice(), stage, false);
    sampleTextures.emplace(key, texture);
    return texture;
}

// ===========================================================================
// D3DTextureManager: video modes and frames
// ===========================================================================

void D3DTextureManager::initVideoMode() {
    thread::Lock guard(this);
    // Textures and images the engine kept through the last mode's end.
    restoreAll();
    for (Preload& preload : preloads) {
        preload.texture = createTexture(preload.name.c_str(), true, preload.mode);
        if (preload.texture)
            preload.texture->restore(driverDirectDraw(), driverDevice(), 0, false);
    }
}

void D3DTextureManager::termVideoMode() {
    thread::Lock guard(this);
    for (auto& [key, texture] : sampleTextures) {
        texture->invalidate(key.first);
        destroyTexture(texture);
    }
    sampleTextures.clear();
    for (Preload& preload : preloads) {
        if (!preload.texture)
            continue;
        preload.texture->invalidate(0);
        destroyTexture(preload.texture);
        preload.texture = nullptr;
    }
    // The device's surfaces go with the mode: what the engine still holds
    // lets go of them now, so that it can be destroyed or restored later.
    invalidateAll();
}

template <typename Container>
std::vector<Container*> D3DTextureManager::snapshot(const std::vector<Container*>& list) const {
    thread::Lock guard(invalidLock);
    return list;
}

void D3DTextureManager::initFrame() {
    thread::Lock guard(this);
    for (SurfaceContainer* surface : snapshot(invalidSurfaces))
        if (surface->validate())
            removeInvalidSurface(surface);
    for (TextureContainer* texture : snapshot(invalidTextures))
        if (texture->validate())
            removeInvalidTexture(texture);
}

void D3DTextureManager::addInvalidTexture(TextureContainer* texture) {
    thread::Lock guard(invalidLock);
    appendUnique(invalidTextures, texture);
}

void D3DTextureManager::addInvalidSurface(SurfaceContainer* surface) {
    thread::Lock guard(invalidLock);
    appendUnique(invalidSurfaces, surface);
}

void D3DTextureManager::removeInvalidTexture(TextureContainer* texture) {
    thread::Lock guard(invalidLock);
    removeFirst(invalidTextures, texture);
}

void D3DTextureManager::removeInvalidSurface(SurfaceContainer* surface) {
    thread::Lock guard(invalidLock);
    removeFirst(invalidSurfaces, surface);
}

bool D3DTextureManager::isInvalid(const TextureContainer* texture) const {
    thread::Lock guard(invalidLock);
    return std::find(invalidTextures.begin(), invalidTextures.end(), texture) !=
           invalidTextures.end();
}

bool D3DTextureManager::isInvalid(const SurfaceContainer* surface) const {
    thread::Lock guard(invalidLock);
    return std::find(invalidSurfaces.begin(), invalidSurfaces.end(), surface) !=
           invalidSurfaces.end();
}

// ===========================================================================
// D3DTextureManager: lost surfaces and changes of device
// ===========================================================================

bool D3DTextureManager::checkAll() {
    thread::Lock guard(this);
    bool all = true;
    for (SurfaceContainer* surface : surfaces)
        all = surface->recreate() && all;
    for (TextureContainer* texture : textures)
        all = texture->recreate() && all;
    for (auto& [key, surface] : surfaceCache)
        all = surface->recreate() && all;
    for (auto& [key, texture] : textureCache)
        all = texture->recreate() && all;
    return all;
}

// Releases the surfaces of every stage in use while its count survives.
void D3DTextureManager::invalidateTexture(TextureContainer* texture) {
    thread::Lock guard(texture);
    for (int stage = 0; stage < stageCount; ++stage) {
        const int count = texture->getRestored(stage);
        if (count <= 0)
            continue;
        texture->setRestored(stage, 1);
        texture->invalidate(stage);
        texture->setRestored(stage, count);
    }
}

void D3DTextureManager::restoreTexture(TextureContainer* texture) {
    thread::Lock guard(texture);
    for (int stage = 0; stage < stageCount; ++stage) {
        const int count = texture->getRestored(stage);
        if (count <= 0)
            continue;
        texture->setRestored(stage, 0);
        texture->restore(driverDirectDraw(), driverDevice(), stage, false);
        texture->setRestored(stage, count);
    }
}

void D3DTextureManager::invalidateSurface(SurfaceContainer* surface) {
    thread::Lock guard(surface);
    const int count = surface->getRestored();
    if (count <= 0)
        return;
    surface->setRestored(1);
    surface->invalidate();
    surface->setRestored(count);
}

void D3DTextureManager::restoreSurface(SurfaceContainer* surface) {
    thread::Lock guard(surface);
    const int count = surface->getRestored();
    if (count <= 0)
        return;
    surface->setRestored(0);
    surface->restore(driverDirectDraw());
    surface->setRestored(count);
}

void D3DTextureManager::invalidateTextures() {
    for (TextureContainer* texture : textures)
        invalidateTexture(texture);
    for (auto& [key, texture] : textureCache)
        invalidateTexture(texture);
}

void D3DTextureManager::restoreTextures() {
    for (auto& [key, texture] : textureCache)
        restoreTexture(texture);
    for (TextureContainer* texture : textures)
        restoreTexture(texture);
}

void D3DTextureManager::invalidateAll() {
    thread::Lock guard(this);
    for (SurfaceContainer* surface : surfaces)
        invalidateSurface(surface);
    for (TextureContainer* texture : textures)
        invalidateTexture(texture);
    for (auto& [key, surface] : surfaceCache)
        invalidateSurface(surface);
    for (auto& [key, texture] : textureCache)
        invalidateTexture(texture);
}

void D3DTextureManager::restoreAll() {
    thread::Lock guard(this);
    for (SurfaceContainer* surface : surfaces)
        restoreSurface(surface);
    for (TextureContainer* texture : textures)
        restoreTexture(texture);
    for (auto& [key, surface] : surfaceCache)
        restoreSurface(surface);
    for (auto& [key, texture] : textureCache)
        restoreTexture(texture);
}

void D3DTextureManager::recreateTextures() {
    thread::Lock guard(this);
    invalidateTextures();
    restoreTextures();
}

// ===========================================================================
// D3DTextureManager: sizes and statistics
// ===========================================================================

unsigned long D3DTextureManager::getTexturesSize() const {
    return TextureContainer::getTexturesSize();
}

unsigned long D3DTextureManager::getSurfacesSize() const {
    return SurfaceContainer::getSurfacesSize();
}

void D3DTextureManager::getStatistic(std::string& text) {
    thread::Lock guard(this);
    unsigned long textureBytes = 0;
    unsigned long surfaceBytesTotal = 0;
    if (!textureCache.empty() || !textures.empty())
        text += "Textures:\r\n\r\n";
    for (auto& [key, texture] : textureCache)
        textureBytes += texture->describe(text);
    for (TextureContainer* texture : textures)
        textureBytes += texture->describe(text);
    if (!surfaceCache.empty() || !surfaces.empty())
        text += "\r\nSurfaces:\r\n\r\n";
    for (auto& [key, surface] : surfaceCache)
        surfaceBytesTotal += surface->describe(text);
    for (SurfaceContainer* surface : surfaces)
        surfaceBytesTotal += surface->describe(text);
    char totals[256];
    std::snprintf(totals, sizeof totals,
                  "\r\nOverall:\r\ntextures:\t%.2f kb\r\nsurfaces:\t%.2f kb\r\ntotal:\t%.2f kb\r\n",
                  double(textureBytes) / 1024.0, double(surfaceBytesTotal) / 1024.0,
                  double(textureBytes + surfaceBytesTotal) / 1024.0);
    text += totals;
}

void D3DTextureManager::saveAll() {
    thread::Lock guard(this);
}
