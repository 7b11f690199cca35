#include "rfonts.h"

#include "detached_clipper.h"
#include "driver_filter.h"
#include "dxerror.h"
#include "image_container.h"
#include "rimage.h"
#include "tmanager.h"

#include <engine/debug.h>
#include <engine/resources.h>

#include <cmath>
#include <cstdio>
#include <cstring>

BitmapFontRegistry theBitmapFonts;

namespace {

const char* const sourcePath = "3d/driver/d3d/rfonts";
const char* const driverSourcePath = "3d/driver/d3d/driver";
// Log readers know the two registration reports by these lines.
constexpr int missingSettingsLine = 960;
constexpr int loadingErrorLine = 1005;

// Fonts draw from more than one thread; each keeps its own last result.
thread_local HRESULT hr = S_OK;

bool tested(HRESULT result, int line) {
    hr = result;
    return testResult(result, "hr", line, sourcePath);
}

// Returns to the resource manager's directory of the moment it was made.
class SavedDirectory {
public:
    SavedDirectory() { theResourceManager->pushCurrentPath(); }
    ~SavedDirectory() { theResourceManager->popCurrentPath(); }
    SavedDirectory(const SavedDirectory&) = delete;
    SavedDirectory& operator=(const SavedDirectory&) = delete;
};

// 0xAARRGGBB of a colour in 0..1.
unsigned long packedColor(const Color& color) {
    const auto byte = [](float c) {
        return static_cast<unsigned long>(
            std::lround(std::fmin(std::fmax(c, 0.0f), 1.0f) * 255.0f));
    };
    return (byte(color.a) << 24) | (byte(color.r) << 16) | (byte(color.g) << 8) | byte(color.b);
}

// Whether the container's image can be read, so that a surface can be made
// from it; the file is only associated until then.
bool imageReadable(ImageContainer* image) {
    if (!image || !image->isAssociated())
        return false;
    try {
        if (!image->restore())
            return false;
    } catch (const std::exception&) {
        return false;
    }
    const bool hasPixels = image->getData() && image->getWidth() > 0 && image->getHeight() > 0;
    image->release();
    return hasPixels;
}

// Hands a container back to the texture manager unless released first.
template <typename Container, void (D3DTextureManager::*destroy)(Container*)>
class ContainerHandle {
public:
    explicit ContainerHandle(Container* container) : container(container) {}
    ~ContainerHandle() {
        if (container && theD3DTextureManager)
            (theD3DTextureManager->*destroy)(container);
    }
    ContainerHandle(const ContainerHandle&) = delete;
    ContainerHandle& operator=(const ContainerHandle&) = delete;
    Container* get() const { return container; }
    Container* release() {
        Container* held = container;
        container = nullptr;
        return held;
    }

private:
    Container* container;
};
using TextureHandle = ContainerHandle<TextureInterface, &D3DTextureManager::destroyTexture>;
using SurfaceHandle = ContainerHandle<SurfaceInterface, &D3DTextureManager::destroySurface>;

void logLoadingError(const char* text) {
    DRIVER_FILTER << (debug::Error(debug::Context(driverSourcePath, loadingErrorLine))
                      << "Font loading error: " << text);
}

}  // namespace

// ---------------------------------------------------------------------------
// BitmapFont
// ---------------------------------------------------------------------------

BitmapFont::BitmapFont(const char* name) : name(name ? name : "") {}

BitmapFont::~BitmapFont() {
    if (surface) {
        for (; restores > 0; --restores)
            surface->invalidate();
    }
    if (theD3DTextureManager) {
        theD3DTextureManager->destroyTexture(texture);
        theD3DTextureManager->destroySurface(surface);
    }
}

int BitmapFont::getTextHeight(const char*) {
    return settings.height;
}

int BitmapFont::getCharHeight(char) {
    return settings.height;
}

void BitmapFont::setImages(TextureInterface* fontTexture, SurfaceInterface* fontSurface) {
    texture = fontTexture;
    surface = fontSurface;
}

void BitmapFont::restore() {
    if (!surface)
        throw DrawException("BitmapFont::restore: surface getting failed");
    surface->restore(theD3DRenderDriver ? theD3DRenderDriver->getDirectDraw() : nullptr);
    ++restores;
    IDirectDrawSurface4* fontSurface = surface->getSurface();
    if (!fontSurface)
        throw DrawException("BitmapFont::restore: surface getting failed");
    // The container keeps the key too and sets it again on every surface it
    // makes anew (a change of video mode remakes them all).
    const unsigned long key = packedColor(settings.colorKey);
    surface->setColorKey(key);
    if (!tested(DDSetColorKey(fontSurface, DDColorMatch(surface->getDescription(), key)), __LINE__))
        throw DrawException("BitmapFont::restore: color key setting failed");
}

void BitmapFont::release() {
    if (!surface || restores == 0)
        return;
    surface->invalidate();
    --restores;
}

void BitmapFont::drawText(IDirectDrawSurface4* target, int x, int y, const char* text) {
    IDirectDrawSurface4* source = surface ? surface->getSurface() : nullptr;
    if (!source)
        throw DrawException("BitmapFont::restore: surface getting failed");
    if (!target || !text)
        return;
    DetachedClipper detached(
        target, [](HRESULT result) { return tested(result, __LINE__); },
        "BitmapFont::drawText: reset clipper failed");
    for (const char* c = text; *c; ++c) {
        const FontGlyph& glyph = settings.glyph(*c);
        copyGlyph(target, source, x, y, glyph);
        x += glyph.width + settings.spacing;
    }
    detached.reattach("BitmapFont::drawText: restore clipper failed");
}

void BitmapFont::copyGlyph(IDirectDrawSurface4* target, IDirectDrawSurface4* source, int x, int y,
                           const FontGlyph& glyph) {
    if (glyph.width == 0)
        return;  // nothing to copy, only the advance
    RECT from;
    from.left = glyph.x;
    from.top = glyph.y;
    from.right = glyph.x + glyph.width;
    from.bottom = glyph.y + settings.height;
    HRESULT result;
    do {
        result = target->BltFast(static_cast<DWORD>(x), static_cast<DWORD>(y), source, &from,
                                 DDBLTFAST_SRCCOLORKEY);
    } while (result == DDERR_WASSTILLDRAWING);
    if (!tested(result, __LINE__)) {
        if (result == DDERR_SURFACELOST)
            surfacesLost = true;
        throw DrawException("BitmapFont::drawText: BltFast failed");
    }
}

// ---------------------------------------------------------------------------
// BitmapFontRegistry
// ---------------------------------------------------------------------------

BitmapFont* BitmapFontRegistry::find(const char* name) const {
    if (!name)
        return nullptr;
    std::lock_guard<std::mutex> guard(mutex);
    for (const auto& font : fonts)
        if (font->getName() == name)
            return font.get();
    return nullptr;
}

BitmapFont* BitmapFontRegistry::registerFont(const char* name) {
    if (!name)
        return nullptr;
    if (BitmapFont* known = find(name))
        return known;

    const SavedDirectory saved;
    theResourceManager->setCurrentPath("/Configs/Fonts");
    // The file name's buffer holds 40 bytes: a longer name names no file.
    char settingsFile[40];
    const int length = std::snprintf(settingsFile, sizeof settingsFile, "%s.fnt", name);
    if (length < 0 || static_cast<std::size_t>(length) >= sizeof settingsFile ||
        theResourceManager->fileExists(settingsFile) != 0) {
        DRIVER_FILTER << (debug::Error(debug::Context(driverSourcePath, missingSettingsLine))
                          << "Font loading error: can't locate font config file " << name
                          << ".fnt");
        return nullptr;
    }

    // The engine gets null for every failure, never an exception: a text
    // thrown from here would point into this library.
    std::unique_ptr<BitmapFont> font;
    try {
        font = load(name, settingsFile);
    } catch (const char* text) {
        logLoadingError(text);
        return nullptr;
    } catch (const std::exception& e) {
        logLoadingError(e.what());
        return nullptr;
    } catch (...) {
        logLoadingError("unknown failure");
        return nullptr;
    }
    BitmapFont* registered = font.get();
    std::lock_guard<std::mutex> guard(mutex);
    fonts.push_back(std::move(font));
    return registered;
}

std::unique_ptr<BitmapFont> BitmapFontRegistry::load(const char* name,
                                                     const std::string& settingsFile) {
    const std::unique_ptr<resources::Stream> file = theResourceManager->openRead(settingsFile);
    if (!file)
        throw "can't read font settings";
    FontLineReader reader([&file] { return file->getChar(); });

    theResourceManager->setCurrentPath("/Images/Fonts");
    std::string image;
    switch (reader.readLine(image, FontSettings::imageNameSize)) {
        case FontLineReader::Status::TooLong:
            throw "can't read font settings";
        case FontLineReader::Status::End:
        case FontLineReader::Status::Line:
            break;
    }
    if (image.empty() || theResourceManager->fileExists(image) != 0)
        throw "required image not found";

    auto font = std::make_unique<BitmapFont>(name);
    if (!font->readSettings(reader))
        throw "can't read font settings";

    if (!theD3DTextureManager)
        throw "can't create image";
    TextureHandle texture(theD3DTextureManager->createTexture(image.c_str(), false, 0));
    if (!texture.get() || !imageReadable(texture.get()->getImage()))
        throw "can't create image";
    SurfaceHandle surface(theD3DTextureManager->createSurface(image.c_str(), false));
    if (!surface.get() || !imageReadable(surface.get()->getImage()))
        throw "can't create image";
    font->setImages(texture.release(), surface.release());
    font->restore();
    return font;
}

void BitmapFontRegistry::restoreAll() {
    std::lock_guard<std::mutex> guard(mutex);
    for (const auto& font : fonts) {
        try {
            font->restore();
        } catch (const DrawException& e) {
            DRIVER_FILTER << (debug::Error(debug::Context(sourcePath, __LINE__))
                              << "Font '" << font->getName() << "': " << e.what());
        }
    }
}

void BitmapFontRegistry::releaseAll() {
    std::lock_guard<std::mutex> guard(mutex);
    for (const auto& font : fonts)
        font->release();
}

void BitmapFontRegistry::clear() {
    std::vector<std::unique_ptr<BitmapFont>> gone;
    {
        std::lock_guard<std::mutex> guard(mutex);
        gone.swap(fonts);
    }
}

std::size_t BitmapFontRegistry::size() const {
    std::lock_guard<std::mutex> guard(mutex);
    return fonts.size();
}
