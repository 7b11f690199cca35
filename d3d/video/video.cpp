#include "video/video.h"

#include "dxerror.h"
#include "tmanager.h"
#include "video/frame_copy.h"
#include "video/video_image.h"

#include <engine/core/image.h>

#include <algorithm>

namespace {

const char* const sourcePath = "3d/driver/d3d/video/video";
HRESULT hr = S_OK;

bool tested(HRESULT result, const char* call, int line) {
    hr = result;
    return testResult(result, call, line, sourcePath);
}

// The video's frames go into a texture of this size, cropped or not filled.
constexpr int textureSide = 512;
// The texture mode of texture.cfg the frame texture is made with.
constexpr int frameTextureMode = 1;

}  // namespace

Counter D3DVideo::counter("video");

D3DVideo::D3DVideo(const std::string& file) {
    if (counter.increment() == 1)
        AVIFileInit();
    ready = open(file);
}

bool D3DVideo::open(const std::string& file) {
    if (AVIStreamOpenFromFileA(&stream, file.c_str(), streamtypeVIDEO, 0, OF_READ, nullptr) != 0)
        return false;
    frameReader = AVIStreamGetFrameOpen(stream, nullptr);
    if (!frameReader)
        return false;
    if (AVIStreamInfoA(stream, &info, sizeof info) != 0)
        return false;
    width = info.rcFrame.right - info.rcFrame.left;
    height = info.rcFrame.bottom - info.rcFrame.top;
    // A stream without a frame rate has no clock to play by.
    if (info.dwRate == 0 || info.dwScale == 0)
        return false;
    if (!theD3DTextureManager)
        return false;
    texture = theD3DTextureManager->createTexture(textureSide, textureSide, ALPHA_NONE,
                                                  frameTextureMode);
    if (!texture)
        return false;
    videoImage = new D3DVideoImage(texture, this);
    image = Image3D::create(videoImage);
    timer = theTimer;
    position = 0.0f;
    speed = 1.0f;
    duration = float(info.dwLength) * float(info.dwScale) / float(info.dwRate);
    state = STOPPED;
    return true;
}

D3DVideo::~D3DVideo() {
    // The image gives the video image, and with it the texture, back.
    delete image;
    if (frameReader)
        AVIStreamGetFrameClose(frameReader);
    if (stream)
        AVIStreamRelease(stream);
    if (counter.decrement() == 0)
        AVIFileExit();
}

void D3DVideo::play() {
    if (state == STOPPED)
        position = 0.0f;
    state = PLAYING;
    lastTime = static_cast<float>(theTimer->getTime());
}

void D3DVideo::setPosition(float seconds) {
    position = std::clamp(seconds, 0.0f, duration);
}

void D3DVideo::advanceClock() {
    if (state != PLAYING)
        return;
    const auto now = static_cast<float>(timer->getTime());
    position += (now - lastTime) * speed;
    lastTime = now;
    if (position > duration) {
        position = duration;
        state = STOPPED;
        deliver(&VideoListener::videoFinished, static_cast<VideoInterface*>(this));
    }
}

void D3DVideo::update() {
    advanceClock();
    const auto last = static_cast<long>(info.dwLength) - 1;
    const long index = std::clamp(
        static_cast<long>(position * float(info.dwRate) / float(info.dwScale)), 0L,
        std::max(last, 0L));
    const void* frame = AVIStreamGetFrame(frameReader, static_cast<LONG>(index));
    if (frame)
        copyFrame(static_cast<const BYTE*>(frame));
}

void D3DVideo::copyFrame(const BYTE* frame) {
    IDirectDrawSurface4* surface = texture->getSurface(0);
    if (!surface)
        return;
    DDSURFACEDESC2 description{};
    description.dwSize = sizeof description;
    if (!tested(surface->Lock(nullptr, &description, DDLOCK_WRITEONLY, nullptr), "Lock",
                __LINE__))
        return;
    copyVideoFrame(frame, width, height, description);
    tested(surface->Unlock(nullptr), "Unlock", __LINE__);
}
