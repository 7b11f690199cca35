// A way of showing the game: an adapter, a device on it and a display mode,
// full screen or in a window. The render driver offers a list of them and
// the engine picks one.
#pragma once

// The engine calls these by position: keep the slot order.
class VideoMode {
public:
    virtual const char* getName() const = 0;
    // The adapter's description.
    virtual const char* getDeviceName() const = 0;
    virtual const char* getModeName() const = 0;
    virtual int getWidth() const = 0;
    virtual int getHeight() const = 0;
    virtual int getColorDepth() const = 0;
    virtual bool isHardware() const = 0;
    virtual bool isWindowed() const = 0;
    virtual int getID() const = 0;
    virtual ~VideoMode() = default;
};
