#include "video_show.h"

#include "options.h"

#include <engine/core/globals.h>
#include <engine/core/render_driver.h>
#include <engine/core/video_mode.h>

#include <algorithm>
#include <exception>
#include <sstream>

namespace viewer {
namespace {

constexpr float textureSide = 512.0f;
constexpr int cornerWidth = 160;
constexpr int cornerHeight = 120;
constexpr int margin = 8;

// The screen stands on the ground to the right of the starting camera's
// view, facing the middle of the scene.
const Vector screenCorners[4] = {
    {-6.0f, 3.4f, 3.0f}, {-6.0f, 3.4f, -1.0f}, {-6.0f, 0.4f, 3.0f}, {-6.0f, 0.4f, -1.0f}};

}  // namespace

VideoShow::VideoShow(RenderDriver& driver, const VideoMode& mode, Settings given)
    : driver(driver), settings(std::move(given)) {
    if (!theVideoFactory || !theRenderDecalFactory || !theRenderImageFactory) {
        message = "video: the driver has no video factory";
        return;
    }
    video = theVideoFactory->create(settings.file);
    if (!video) {
        message = "video: cannot play '" + settings.file + "'; going on without it";
        return;
    }
    video->registerListener(this);
    if (settings.fixedSteps)
        video->setTimer(&stepClock);
    makeScreen();
    makeCorner(mode);
    std::ostringstream text;
    text << "video: " << settings.file << ", " << video->getWidth() << "x" << video->getHeight()
         << ", " << video->getDuration() << " s" << (settings.loop ? ", looping" : "");
    message = text.str();
    start();
}

VideoShow::~VideoShow() {
    cornerDecal.reset();
    cornerImage.reset();
    screenDecal.reset();
    if (video) {
        video->unregisterListener(this);
        theVideoFactory->destroy(video);
    }
}

RenderMeshShellInterface* VideoShow::screen() const {
    return screenDecal && screenDecal->getRenderMesh() ? screenDecal.get() : nullptr;
}

void VideoShow::makeScreen() {
    screenDecal = std::make_unique<Decal3D>(video->getImage(), TILING_NONE, true);
    screenDecal->setCorners(screenCorners);
    // Texture row 0 holds the picture's bottom row.
    const float s = std::min(float(video->getWidth()), textureSide) / textureSide;
    const float t = std::min(float(video->getHeight()), textureSide) / textureSide;
    screenDecal->setMapping(0, 0.0f, t);
    screenDecal->setMapping(1, s, t);
    screenDecal->setMapping(2, 0.0f, 0.0f);
    screenDecal->setMapping(3, s, 0.0f);
}

void VideoShow::makeCorner(const VideoMode& mode) {
    cornerImage = std::make_unique<Image2D>(cornerWidth, cornerHeight);
    if (!cornerImage->getRenderImage()) {
        cornerImage.reset();
        return;
    }
    cornerDecal = std::make_unique<Decal2D>(
        cornerImage.get(), float(mode.getWidth() - cornerWidth - margin),
        float(mode.getHeight() - cornerHeight - margin), float(cornerWidth), float(cornerHeight),
        float(mode.getWidth()), float(mode.getHeight()));
}

// play() reads theTimer for its start: the stepping clock starts there too.
void VideoShow::start() {
    if (settings.fixedSteps)
        stepClock.setTime(theTimer->getTime());
    stepsPlayed = 0;
    running = true;
    video->play();
}

void VideoShow::initFrame(float) {
    if (!video)
        return;
    if (settings.fixedSteps) {
        // The position follows the step count, a quarter step ahead: the
        // clock alone would carry the time that passed between play()'s
        // reading of theTimer and the stepping clock's start, and a step
        // landing exactly on a frame's start would pick either frame.
        if (running)
            video->setPosition((float(stepsPlayed) + 0.25f) / sceneFramesPerSecond);
        ++stepsPlayed;
        stepClock.advance(1.0 / sceneFramesPerSecond);
    }
    if (!cornerDecal || !cornerDecal->getRenderDecal())
        return;
    try {
        driver.renderDecal(cornerDecal->getRenderDecal());
    } catch (const std::exception&) {
        // A lost surface, say: the corner is drawn again next frame.
    }
}

// Copied when the frame is drawn, while the video's texture holds what the
// screen just showed: a change of texture quality between two frames remakes
// the texture blank until the screen draws it again, and the corner, a plain
// surface, keeps its copy through that. The next frame shows it.
void VideoShow::termFrame(float) {
    if (!video || !cornerDecal || !cornerDecal->getRenderDecal())
        return;
    try {
        copyToCorner();
    } catch (const std::exception&) {
        // A lost surface, say: the corner is copied again next frame.
    }
}

// The frame the screen showed last, turned upright: one row at a time, from
// the texture's rows in the reverse order.
void VideoShow::copyToCorner() {
    RenderImage* corner = cornerImage->getRenderImage();
    Image* frame = video->getImage();
    const int w = std::min(video->getWidth(), int(textureSide));
    const int h = std::min(video->getHeight(), int(textureSide));
    corner->beginDrawSession();
    try {
        for (int y = 0; y < cornerHeight; ++y) {
            const int row = h - 1 - y * h / cornerHeight;
            corner->drawImage(0, y, cornerWidth, 1, frame, 0, row, w, 1);
        }
    } catch (...) {
        corner->endDrawSession();
        throw;
    }
    corner->endDrawSession();
}

void VideoShow::videoFinished(VideoInterface*) {
    ++finished;
    running = false;
    if (settings.loop)
        start();
}

}  // namespace viewer
