// Video playback as the engine sees it: videos made by the driver's video
// factory from AVI files, shown through their Image3D, and listeners told
// when playback runs past the end.
#pragma once

#include <string>

class Image3D;
class VideoInterface;

namespace timer {
class Timer;
}

// Virtual operations in their binding slot order.
class VideoListener {
public:
    virtual void videoFinished(VideoInterface* video) = 0;

protected:
    VideoListener() = default;
    VideoListener(const VideoListener&) = default;
    VideoListener& operator=(const VideoListener&) = default;
    ~VideoListener() = default;
};

// Virtual operations in their binding slot order. Videos go back to the
// factory that made them.
class VideoInterface {
public:
    virtual int getWidth() = 0;
    virtual int getHeight() = 0;
    virtual Image3D* getImage() = 0;
    // Seconds.
    virtual float getDuration() = 0;
    virtual void play() = 0;
    virtual void stop() = 0;
    virtual void pause() = 0;
    virtual void setPosition(float seconds) = 0;
    virtual void setTimer(timer::Timer* timer) = 0;
    virtual void registerListener(VideoListener* listener) = 0;
    virtual void unregisterListener(VideoListener* listener) = 0;
    virtual ~VideoInterface() = default;
};

// Virtual operations in their binding slot order.
class VideoFactoryInterface {
public:
    // Null when the file cannot be played.
    virtual VideoInterface* create(const std::string& file) = 0;
    // Null is allowed.
    virtual void destroy(VideoInterface* video) = 0;

protected:
    VideoFactoryInterface() = default;
    VideoFactoryInterface(const VideoFactoryInterface&) = default;
    VideoFactoryInterface& operator=(const VideoFactoryInterface&) = default;
    ~VideoFactoryInterface() = default;
};
