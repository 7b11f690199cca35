// An AVI video played into a 512 × 512 texture: the AVI file services decode
// the frame at the playback position whenever the video's image is drawn.
#pragma once

#include "driver.h"
#include "states.h"

#include <engine/core/subscribe_deliverer.h>
#include <engine/core/video.h>
#include <engine/timer.h>

#include <vfw.h>

#include <string>

class D3DVideoImage;
class TextureInterface;

class D3DDRIVER_API D3DVideo : public VideoInterface, public SubscribeDeliverer<VideoListener> {
public:
    enum State { PLAYING = 0, STOPPED = 1, PAUSED = 2 };

    // Opens the file; isReady() tells whether everything could be made.
    explicit D3DVideo(const std::string& file);
    ~D3DVideo() override;
    D3DVideo(const D3DVideo&) = delete;
    D3DVideo& operator=(const D3DVideo&) = delete;

    int getWidth() override { return width; }
    int getHeight() override { return height; }
    Image3D* getImage() override { return image; }
    float getDuration() override { return duration; }
    void play() override;
    void stop() override { state = STOPPED; }
    void pause() override { state = PAUSED; }
    void setPosition(float seconds) override;
    void setTimer(timer::Timer* newTimer) override { timer = newTimer; }
    void registerListener(VideoListener* listener) override {
        SubscribeDeliverer<VideoListener>::registerListener(listener);
    }
    void unregisterListener(VideoListener* listener) override {
        SubscribeDeliverer<VideoListener>::unregisterListener(listener);
    }

    // Advances the clock and copies the frame at the position into the
    // texture; the video image calls it whenever its texture is used.
    void update();

    bool isReady() const { return ready; }
    int getState() const { return state; }
    float getPosition() const { return position; }
    float getSpeed() const { return speed; }
    D3DVideoImage* getVideoImage() const { return videoImage; }

    // Live videos; the AVI file services are up while it is above zero.
    static Counter counter;

private:
    bool open(const std::string& file);
    void advanceClock();
    void copyFrame(const BYTE* frame);

    float duration = 0.0f;
    int width = 0;
    int height = 0;
    int state = STOPPED;
    timer::Timer* timer = nullptr;
    float speed = 1.0f;
    float lastTime = 0.0f;
    float position = 0.0f;
    PAVISTREAM stream = nullptr;
    PGETFRAME frameReader = nullptr;
    AVISTREAMINFOA info{};
    D3DVideoImage* videoImage = nullptr;
    Image3D* image = nullptr;
    TextureInterface* texture = nullptr;
    bool ready = false;
};
