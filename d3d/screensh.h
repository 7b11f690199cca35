// The screen shooter: numbered TGA files of the picture on the screen, once
// on request or once per frame while recording; and gamma control.
#pragma once

#include "driver.h"
#include "surface_container.h"
#include "thread/synchronized.h"

#include <engine/core/screen_shooter.h>

#include <ddraw.h>

#include <memory>

class D3DScreenShooter : public ScreenShooter, public thread::SynchronizedObject {
public:
    // Longest file name a pattern may produce, terminator included.
    static constexpr int maxFileNameLength = 260;

    // The capture surface (width x height, system memory) is made by init.
    D3DScreenShooter(int width, int height);
    ~D3DScreenShooter() override;
    D3DScreenShooter(const D3DScreenShooter&) = delete;
    D3DScreenShooter& operator=(const D3DScreenShooter&) = delete;

    // A printf format with at most one integer conversion (d, i, u, o, x, X
    // with flags, width and precision); null forgets the pattern.
    void setFileName(const char* pattern) override;
    // Copies the back buffer into the image's render image, stretched when
    // the sizes differ; false without a 2D or 3D render image.
    bool shoot(Image2D* image) override;
    // Saves the back buffer, after the frame in progress.
    bool shoot() override;
    void reset() override;
    bool startRecord() override;
    void stopRecord() override;
    // Makes the capture surface on the driver's DirectDraw object; a second
    // init makes it again.
    bool init() override;
    // Drops the capture surface; its image stays.
    void release() override;

    // Called by the frame loop, driver lock held: saves the render surface
    // while recording.
    void termFrame();
    // Copies `source` into the capture image and saves it under the next
    // number. False without a pattern, with an unusable one, or between
    // release and init (no capture surface); the counter only advances when
    // a file name was made.
    bool save(IDirectDrawSurface4* source);
    // Copies `source` (sourceWidth x sourceHeight) into `target`, stretched
    // when the sizes differ.
    bool save(IDirectDrawSurface4* source, int sourceWidth, int sourceHeight,
              IDirectDrawSurface4* target, int targetWidth, int targetHeight);

    int getShotCounter() const { return shotCounter; }
    bool isRecording() const { return recording; }

private:
    bool makeFileName(char* name) const;

    int shotCounter = 0;
    std::unique_ptr<char[]> fileNamePattern;
    bool recording = false;
    SurfaceContainer captureSurface;
};

// Gamma ramps of the primary surface.
class GammaControl {
public:
    // Takes the primary surface's gamma control when gamma is available.
    explicit GammaControl(IDirectDrawSurface4* primary);
    ~GammaControl();
    GammaControl(const GammaControl&) = delete;
    GammaControl& operator=(const GammaControl&) = delete;

    // Null when the primary offers no gamma ramps.
    operator IDirectDrawGammaControl*() const { return gammaControl; }

    // The driver or the emulation layer supports gamma ramps on the primary.
    static bool available();

private:
    IDirectDrawGammaControl* gammaControl = nullptr;
};

extern D3DDRIVER_API D3DScreenShooter* theD3DScreenShooter;
