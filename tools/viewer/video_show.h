// The viewer's video: an AVI clip played by the driver's video factory, shown
// on a screen standing in the scene (a 3D decal) and, smaller, as a 2D image
// in the bottom-right corner. The driver stores the frame's rows bottom-up
// in the top-left part of its 512 × 512 texture, so the screen's mapping
// takes that part upside down and the corner copies it row by row.
#pragma once

#include <engine/core/decal.h>
#include <engine/core/image.h>
#include <engine/core/render_driver_listener.h>
#include <engine/core/video.h>
#include <engine/timer.h>

#include <atomic>
#include <memory>
#include <string>

class RenderDriver;
class RenderMeshShellInterface;
class VideoMode;

namespace viewer {

class VideoShow : public RenderDriverListener, public VideoListener {
public:
    struct Settings {
        std::string file;          // a path of the operating system
        bool loop = false;         // play again from the start at the end
        bool fixedSteps = false;  // 1/30 s per frame instead of the game clock
    };

    // Needs the video mode set and the driver's factories published. A file
    // that cannot be played leaves the show empty; note() says why.
    VideoShow(RenderDriver& driver, const VideoMode& mode, Settings settings);
    ~VideoShow() override;
    VideoShow(const VideoShow&) = delete;
    VideoShow& operator=(const VideoShow&) = delete;

    bool playing() const { return video != nullptr; }
    const std::string& note() const { return message; }
    // The screen for the scene to draw; null without a video.
    RenderMeshShellInterface* screen() const;
    int timesFinished() const { return finished; }

    void initFrame(float frameTime) override;
    void termFrame(float frameTime) override;
    void videoFinished(VideoInterface* finishedVideo) override;

private:
    void makeScreen();
    void makeCorner(const VideoMode& mode);
    void copyToCorner();
    void start();

    RenderDriver& driver;
    Settings settings;
    std::string message;
    VideoInterface* video = nullptr;
    timer::ManualTimer stepClock;
    // With fixed steps: scene frames since play(), and whether it plays.
    int stepsPlayed = 0;
    bool running = false;
    std::unique_ptr<Decal3D> screenDecal;
    std::unique_ptr<Image2D> cornerImage;
    std::unique_ptr<Decal2D> cornerDecal;
    std::atomic<int> finished{0};
};

}  // namespace viewer
