// ScreenShooter: saves the picture on the screen to numbered files.
#pragma once

class Image2D;

// Called by position: keep the slot order.
class ScreenShooter {
public:
    // A printf format with one integer: the number of the shot.
    virtual void setFileName(const char* pattern) = 0;
    // Copies the screen into an engine image.
    virtual bool shoot(Image2D* image) = 0;
    virtual bool shoot() = 0;
    // The next shot is number 0 again.
    virtual void reset() = 0;
    // Saves one picture per frame until stopRecord.
    virtual bool startRecord() = 0;
    virtual void stopRecord() = 0;
    virtual bool init() = 0;
    virtual void release() = 0;
    virtual ~ScreenShooter() = default;
};
