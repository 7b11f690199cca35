#include "screensh.h"

#include "driver_filter.h"
#include "dxerror.h"
#include "rimage.h"

#include <engine/core/image.h>
#include <engine/debug.h>

#include <cctype>
#include <cstdio>
#include <cstring>

D3DScreenShooter* theD3DScreenShooter = nullptr;

namespace {

const char* const sourcePath = "3d/driver/d3d/screensh";
thread_local HRESULT hr = S_OK;

// Skips one printf conversion that may be given a single int: flags, a
// width and a precision in digits, then d, i, u, o, x or X. `p` is just past
// the '%'. Null when the conversion is anything else ("%s", "%n", "%*d",
// length modifiers...), which would read an argument that is not there.
const char* skipIntConversion(const char* p) {
    while (*p && std::strchr("-+ #0", *p))
        ++p;
    while (std::isdigit(static_cast<unsigned char>(*p)))
        ++p;
    if (*p == '.') {
        ++p;
        while (std::isdigit(static_cast<unsigned char>(*p)))
            ++p;
    }
    return *p && std::strchr("diuoxX", *p) ? p + 1 : nullptr;
}

// True when `pattern` holds at most one integer conversion ("%%" aside).
bool validPattern(const char* pattern) {
    int conversions = 0;
    for (const char* p = pattern; *p;) {
        if (*p++ != '%')
            continue;
        if (*p == '%') {
            ++p;
            continue;
        }
        p = skipIntConversion(p);
        if (!p || ++conversions > 1)
            return false;
    }
    return true;
}

void reportError(int line, const char* text, const char* pattern) {
    DRIVER_FILTER << (debug::Error(debug::Context(sourcePath, line))
                      << "Screen shot file name '" << pattern << "': " << text);
}

// BltFast does not clip: a clipper on the target must be off for the copy.
class ClipperOff {
public:
    explicit ClipperOff(IDirectDrawSurface4* surface) : surface(surface) {
        if (FAILED(surface->GetClipper(&clipper)))
            clipper = nullptr;
        if (clipper)
            surface->SetClipper(nullptr);
    }
    ~ClipperOff() {
        if (clipper) {
            surface->SetClipper(clipper);
            clipper->Release();
        }
    }
    ClipperOff(const ClipperOff&) = delete;
    ClipperOff& operator=(const ClipperOff&) = delete;

private:
    IDirectDrawSurface4* surface;
    IDirectDrawClipper* clipper = nullptr;
};

}  // namespace

// ===========================================================================
// D3DScreenShooter
// ===========================================================================

D3DScreenShooter::D3DScreenShooter(int width, int height) {
    captureSurface.create(width, height);
    captureSurface.setFlags(DDSCAPS_SYSTEMMEMORY);
}

D3DScreenShooter::~D3DScreenShooter() {
    thread::Lock guard(this);
    while (captureSurface.getRestored() > 0)
        captureSurface.invalidate();
    captureSurface.destroy();
}

void D3DScreenShooter::setFileName(const char* pattern) {
    thread::Lock guard(this);
    fileNamePattern.reset();
    if (!pattern)
        return;
    const std::size_t length = std::strlen(pattern) + 1;
    fileNamePattern.reset(new char[length]);
    std::memcpy(fileNamePattern.get(), pattern, length);
}

bool D3DScreenShooter::shoot(Image2D* image) {
    thread::Lock guard(this);
    D3DRenderDriver* driver = theD3DRenderDriver;
    auto* target = image ? dynamic_cast<D3DRenderImage*>(image->getRenderImage()) : nullptr;
    if (!driver || !target)
        return false;
    thread::Lock imageGuard(static_cast<const thread::SynchronizedObject&>(*target));
    IDirectDrawSurface4* surface = target->getSurface();
    if (!surface)
        return false;
    const DDSURFACEDESC2& description = target->getDescription();
    return save(driver->getBackBuffer(), driver->getScreenWidth(), driver->getScreenHeight(),
                surface, static_cast<int>(description.dwWidth),
                static_cast<int>(description.dwHeight));
}

bool D3DScreenShooter::shoot() {
    D3DRenderDriver* driver = theD3DRenderDriver;
    if (!driver)
        return false;
    // The driver lock makes the shot wait for the end of a frame in progress.
    // It is taken before the shooter's own lock, in the order of termFrame,
    // which runs with the driver lock held: the other order could deadlock.
    thread::Lock driverGuard(static_cast<const thread::SynchronizedObject&>(*driver));
    thread::Lock guard(this);
    return save(driver->getBackBuffer());
}

void D3DScreenShooter::reset() {
    thread::Lock guard(this);
    shotCounter = 0;
}

bool D3DScreenShooter::startRecord() {
    thread::Lock guard(this);
    recording = true;
    return true;
}

void D3DScreenShooter::stopRecord() {
    thread::Lock guard(this);
    recording = false;
}

bool D3DScreenShooter::init() {
    thread::Lock guard(this);
    while (captureSurface.getRestored() > 0)
        captureSurface.invalidate();
    IDirectDraw4* directDraw = theD3DRenderDriver ? theD3DRenderDriver->getDirectDraw() : nullptr;
    return captureSurface.restore(directDraw);
}

void D3DScreenShooter::release() {
    thread::Lock guard(this);
    while (captureSurface.getRestored() > 0)
        captureSurface.invalidate();
}

void D3DScreenShooter::termFrame() {
    thread::Lock guard(this);
    if (recording && theD3DRenderDriver)
        save(theD3DRenderDriver->getRenderSurface());
}

bool D3DScreenShooter::makeFileName(char* name) const {
    const char* pattern = fileNamePattern.get();
    if (!validPattern(pattern)) {
        reportError(__LINE__, "only one integer conversion may be used", pattern);
        return false;
    }
    const int length = std::snprintf(name, maxFileNameLength, pattern, shotCounter);
    if (length < 0 || length >= maxFileNameLength) {
        reportError(__LINE__, "the name is too long", pattern);
        return false;
    }
    return true;
}

bool D3DScreenShooter::save(IDirectDrawSurface4* source) {
    thread::Lock guard(this);
    if (!fileNamePattern)
        return false;
    char name[maxFileNameLength];
    if (!makeFileName(name))
        return false;

    thread::Lock captureGuard(captureSurface);
    IDirectDrawSurface4* capture = captureSurface.getSurface();
    if (!capture)
        return false;
    if (source) {
        ClipperOff clipperOff(capture);
        RECT rect = {0, 0, captureSurface.getSurfaceWidth(), captureSurface.getSurfaceHeight()};
        // A failed copy leaves the last picture in the image; it is saved
        // all the same.
        capture->BltFast(0, 0, source, &rect, DDBLTFAST_WAIT);
    }
    captureSurface.getImage()->paste(capture);

    ++shotCounter;
    try {
        return captureSurface.getImage()->save(name);
    } catch (const debug::Exception& e) {
        DRIVER_FILTER << (debug::Error(debug::Context(sourcePath, __LINE__))
                          << "Screen shot '" << name << "': " << e.what());
        return false;
    }
}

bool D3DScreenShooter::save(IDirectDrawSurface4* source, int sourceWidth, int sourceHeight,
                            IDirectDrawSurface4* target, int targetWidth, int targetHeight) {
    thread::Lock guard(this);
    if (!source || !target)
        return false;
    RECT sourceRect = {0, 0, sourceWidth, sourceHeight};
    if (sourceWidth == targetWidth && sourceHeight == targetHeight) {
        ClipperOff clipperOff(target);
        return DX_TEST(hr = target->BltFast(0, 0, source, &sourceRect, DDBLTFAST_NOCOLORKEY),
                       sourcePath);
    }
    RECT targetRect = {0, 0, targetWidth, targetHeight};
    return DX_TEST(hr = target->Blt(&targetRect, source, &sourceRect, 0, nullptr), sourcePath);
}

// ===========================================================================
// GammaControl
// ===========================================================================

GammaControl::GammaControl(IDirectDrawSurface4* primary) {
    if (!primary || !available())
        return;
    void* control = nullptr;
    if (SUCCEEDED(primary->QueryInterface(IID_IDirectDrawGammaControl, &control)))
        gammaControl = static_cast<IDirectDrawGammaControl*>(control);
}

GammaControl::~GammaControl() {
    if (gammaControl)
        gammaControl->Release();
}

bool GammaControl::available() {
    return ((theCapabilities.driver.dwCaps2 | theCapabilities.emulation.dwCaps2) &
            DDCAPS2_PRIMARYGAMMA) != 0;
}
