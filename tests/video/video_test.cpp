// Videos made by the driver's factory: refusals, the AVI services' start and
// end, the clock, the end notification, and the frames in the texture.
#include "../support/avi_clip.h"
#include "../support/log_capture.h"
#include "../support/render_image_fixture.h"

#include "video/video.h"
#include "video/video_factory.h"
#include "video/video_image.h"

#include <engine/core/video.h>
#include <engine/timer.h>

#include <fstream>
#include <iterator>
#include <memory>

namespace {

struct CountingListener : VideoListener {
    void videoFinished(VideoInterface* video) override { finished.push_back(video); }
    std::vector<VideoInterface*> finished;
};

class VideoTest : public VideoModeTest {
protected:
    void SetUp() override {
        VideoModeTest::SetUp();
        savedTimer = theTimer;
        theTimer = &gameClock;
        platform::testing::resetCallCounts();
    }
    void TearDown() override {
        theTimer = savedTimer;
        VideoModeTest::TearDown();
    }

    // A 10-frame clip at 10 frames per second, quadrants and a grey level
    // telling the frame.
    std::string clip(const std::string& name, aviclip::Spec spec = {}) {
        const std::string path = folder.file(name);
        EXPECT_EQ(aviclip::write(path, spec), "");
        return path;
    }
    // A copy of a clip with bytes of its stream header replaced, from `offset`
    // into the header's data (20: scale, 24: rate, 48: frame rectangle).
    std::string patched(const std::string& from, const std::string& name, std::size_t offset,
                        const std::vector<BYTE>& bytes) {
        std::ifstream in(from, std::ios::binary);
        std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        const std::size_t header = data.find("strh");
        EXPECT_NE(header, std::string::npos);
        data.replace(header + 8 + offset, bytes.size(),
                     std::string(bytes.begin(), bytes.end()));
        const std::string path = folder.file(name);
        std::ofstream(path, std::ios::binary) << data;
        return path;
    }
    D3DVideo* open(const std::string& path) {
        return dynamic_cast<D3DVideo*>(theVideoFactory->create(path));
    }
    // The texture's pixels as 0x00RRGGBB, after the image has been used once.
    static Pixels frameTexture(D3DVideo& video) {
        TextureInterface* texture = video.getVideoImage()->getTextureInterface();
        Pixels argb = platform::testing::readSurfaceARGB(texture->getSurface(0));
        for (auto& p : argb)
            p &= 0x00FFFFFFu;
        return argb;
    }
    static int channelDistance(std::uint32_t a, std::uint32_t b) {
        int worst = 0;
        for (int shift : {0, 8, 16})
            worst = std::max(worst, std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)));
        return worst;
    }

    aviclip::Folder folder;
    timer::ManualTimer gameClock{100.0};
    Timer* savedTimer = nullptr;
};

// Every refusal gives null, a warning naming the file, and leaves no video
// counted and the AVI services shut down again.
TEST_F(VideoTest, FilesThatCannotPlayAreRefusedWithAWarning) {
    const std::string good = clip("good.avi");
    const std::string text = folder.file("text.avi");
    std::ofstream(text) << "not a video";
    const struct {
        const char* what;
        std::string path;
        const char* failingCall;
    } cases[] = {
        {"missing", folder.file("missing.avi"), nullptr},
        {"not AVI", text, nullptr},
        {"no frame reader", good, "AVIStreamGetFrameOpen"},
        {"no stream information", good, "AVIStreamInfoA"},
        {"no frame rate", patched(good, "norate.avi", 24, {0, 0, 0, 0}), nullptr},
    };
    for (const auto& c : cases) {
        platform::testing::resetCallCounts();
        if (c.failingCall)
            platform::testing::failNextCall(c.failingCall, AVIERR_ERROR);
        LogCapture log;
        EXPECT_EQ(theVideoFactory->create(c.path), nullptr) << c.what;
        EXPECT_EQ(log.count("Driver", "Video '" + c.path + "' can't be played"), 1) << c.what;
        EXPECT_EQ(D3DVideo::counter.getValue(), 0) << c.what;
        EXPECT_EQ(platform::testing::callCount("AVIFileInit"), 1u) << c.what;
        EXPECT_EQ(platform::testing::callCount("AVIFileExit"), 1u) << c.what;
    }
    theVideoFactory->destroy(nullptr);
    // The size is the stream's frame rectangle, wherever it starts.
    const std::unique_ptr<D3DVideo> framed(
        open(patched(good, "framed.avi", 48, {8, 0, 4, 0, 40, 0, 28, 0})));
    ASSERT_NE(framed, nullptr);
    EXPECT_EQ(framed->getWidth(), 32);
    EXPECT_EQ(framed->getHeight(), 24);
}

// play, pause, stop and the position on the video's clock; play takes its
// start time from theTimer, the updates from the video's own timer. Passing
// the end stops the video at its length, and listeners hear it once.
TEST_F(VideoTest, ThePositionFollowsTheClockAndTheEndIsHeardOnce) {
    std::unique_ptr<D3DVideo> video(open(clip("clock.avi")));
    ASSERT_NE(video, nullptr);
    CountingListener listener;
    video->registerListener(&listener);
    D3DVideoImage& image = *video->getVideoImage();
    video->play();
    gameClock.advance(0.25);
    image.getTextureInterface();
    EXPECT_FLOAT_EQ(video->getPosition(), 0.25f);

    video->pause();
    gameClock.advance(0.5);
    image.getTextureInterface();
    video->play();  // from paused: on from the same place
    gameClock.advance(0.125);
    image.getTextureInterface();
    EXPECT_FLOAT_EQ(video->getPosition(), 0.375f);

    video->stop();
    video->play();  // from stopped: from the start
    EXPECT_EQ(video->getPosition(), 0.0f);

    timer::ManualTimer other(gameClock.getTime() + 0.5);
    video->setTimer(&other);
    other.advance(0.25);
    gameClock.advance(5.0);
    image.getTextureInterface();
    EXPECT_FLOAT_EQ(video->getPosition(), 0.75f);
    other.advance(0.15);
    image.getTextureInterface();
    EXPECT_TRUE(listener.finished.empty());
    other.advance(0.2);
    image.getTextureInterface();
    ASSERT_EQ(listener.finished, std::vector<VideoInterface*>{video.get()});
    EXPECT_EQ(video->getState(), D3DVideo::STOPPED);
    EXPECT_FLOAT_EQ(video->getPosition(), 1.0f);
    other.advance(1.0);
    image.getTextureInterface();
    EXPECT_EQ(listener.finished.size(), 1u);
}

// A video opens with the stream's frame size and length, on its
// image in a 512 x 512 texture; positions are clamped to the length. The frame
// at the position lands in the top-left corner of the texture, rows in the
// order the bitmap stores them (the picture's bottom row first). Two videos
// start the AVI services once and end them once; the factory goes with the
// driver.
TEST_F(VideoTest, AnOpenedVideoShowsTheFrameAtItsPositionInItsTexture) {
    const std::string path = clip("small.avi", {"rawvideo", 64, 48, 25});
    std::unique_ptr<D3DVideo> video(open(path));
    ASSERT_NE(video, nullptr);
    EXPECT_EQ(std::make_pair(video->getWidth(), video->getHeight()), std::make_pair(64, 48));
    EXPECT_FLOAT_EQ(video->getDuration(), 2.5f);
    for (const auto& [asked, kept] : {std::pair{-3.0f, 0.0f}, {7.0f, 2.5f}, {0.4f, 0.4f}}) {
        video->setPosition(asked);
        EXPECT_FLOAT_EQ(video->getPosition(), kept) << asked;
    }
    const Pixels before = frameTexture(*video);
    video->setPosition(0.65f);  // frame 6
    const Pixels pixels = frameTexture(*video);
    ASSERT_EQ(pixels.size(), 512u * 512u);
    const auto at = [&](int x, int y) { return pixels[std::size_t(y) * 512 + x]; };
    const std::uint32_t grey = 16 + 22 * 6;
    const struct {
        int x, y;
        std::uint32_t colour;
    } samples[] = {{12, 10, 0x0000FF},                       // stored first: the blue quadrant
                   {52, 10, grey << 16 | grey << 8 | grey},  // and the frame's grey
                   {12, 38, 0xFF0000},                       // the top half comes last
                   {52, 38, 0x00FF00}};
    for (const auto& s : samples)
        EXPECT_LE(channelDistance(at(s.x, s.y), s.colour), 8) << s.x << "," << s.y;
    // Outside the video's 64 × 48 the texture keeps what it had.
    EXPECT_EQ(at(64, 10), before[10 * 512 + 64]);
    EXPECT_EQ(at(10, 48), before[48 * 512 + 10]);
    video->setPosition(2.5f);  // the end: the last frame, 24
    const std::uint32_t last = 16 + 22 * (24 % 11);
    EXPECT_LE(channelDistance(frameTexture(*video)[10 * 512 + 52], last * 0x010101u), 8);

    VideoInterface* second = theVideoFactory->create(path);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(platform::testing::callCount("AVIFileInit"), 1u);
    theVideoFactory->destroy(second);
    EXPECT_EQ(platform::testing::callCount("AVIFileExit"), 0u);
    theVideoFactory->destroy(video.release());
    EXPECT_EQ(platform::testing::callCount("AVIFileExit"), 1u);
    EXPECT_EQ(platform::testing::callCount("AVIStreamRelease"), 2u);
    EXPECT_EQ(platform::testing::callCount("IGetFrame::Release"), 2u);  // the frame readers
    EXPECT_EQ(theVideoFactory, static_cast<VideoFactoryInterface*>(theD3DVideoFactory));
    termDriver();  // the factory goes with the driver
    EXPECT_TRUE(!theVideoFactory && !theD3DVideoFactory);
}

}  // namespace
