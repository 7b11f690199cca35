// The end of a rendered frame: the deferred 2D list, and the frame-rate line
// drawn with GDI on the render target.
#include "frame_loop_fixture.h"
#include "frame_rate.h"

#include <engine/core/video_mode.h>

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace {

using Kind = debug::Message::Kind;

// Decals and lines that write their name into a shared trace when drawn, and
// can be told to throw instead.
enum class Failure { none, standard, debugException, other };

void drawOrFail(const std::string& name, Failure failure, std::vector<std::string>* trace) {
    switch (failure) {
    case Failure::none:
        trace->push_back(name);
        return;
    case Failure::standard:
        throw std::runtime_error("broken");
    case Failure::debugException:
        throw debug::Exception();
    case Failure::other:
        throw 42;
    }
}

class TracedDecal : public RenderDecal2D {
public:
    TracedDecal(std::string name, int key, std::vector<std::string>* trace,
                Failure failure = Failure::none)
        : RenderDecal2D(key), name(std::move(name)), trace(trace), failure(failure) {}
    void render() override { drawOrFail(name, failure, trace); }

private:
    std::string name;
    std::vector<std::string>* trace;
    Failure failure;
};

class TracedLine : public RenderLine {
public:
    TracedLine(std::string name, int key, std::vector<std::string>* trace)
        : RenderLine(key), name(std::move(name)), trace(trace) {}
    void render() override { trace->push_back(name); }

private:
    std::string name;
    std::vector<std::string>* trace;
};

class FixedMode : public VideoMode {
public:
    const char* getName() const override { return "test"; }
    const char* getDeviceName() const override { return "test"; }
    const char* getModeName() const override { return "test"; }
    int getWidth() const override { return 640; }
    int getHeight() const override { return 480; }
    int getColorDepth() const override { return 16; }
    bool isHardware() const override { return true; }
    bool isWindowed() const override { return false; }
    int getID() const override { return 0; }
};

// The statistics line's colours, without alpha.
constexpr uint32_t kYellow = 0xFFFF00u;
constexpr uint32_t kShadow = 0x646400u;
constexpr uint32_t kBlue = 0x0000FFu;

struct Extent {
    int count = 0, minX = 1 << 30, minY = 1 << 30, maxY = -1;
};

Extent extentOf(const std::vector<uint32_t>& pixels, int width, uint32_t colour) {
    Extent e;
    for (size_t i = 0; i < pixels.size(); ++i) {
        if (pixels[i] != colour)
            continue;
        const int x = static_cast<int>(i) % width, y = static_cast<int>(i) / width;
        ++e.count;
        e.minX = std::min(e.minX, x);
        e.minY = std::min(e.minY, y);
        e.maxY = std::max(e.maxY, y);
    }
    return e;
}

}  // namespace

TEST_F(FrameLoopTest, TwoDObjectsAreDrawnOnceAtTheEndByKeyLargerFirst) {
    std::vector<std::string> trace;
    TracedDecal low("low", 1, &trace), firstFive("first five", 5, &trace),
        secondFive("second five", 5, &trace), three("three", 3, &trace),
        negative("negative", -7, &trace);
    TracedLine lineFive("line five", 5, &trace);

    clock.setTime(0.05);
    ASSERT_TRUE(driver->initFrame(0.05f));
    driver->renderDecal(&low);
    driver->renderDecal(&firstFive);
    driver->renderLine(&lineFive);
    driver->renderDecal(&negative);
    driver->renderDecal(&secondFive);
    driver->renderDecal(&three);
    driver->renderDecal(nullptr);
    EXPECT_TRUE(trace.empty());
    driver->termFrame();

    const std::vector<std::string> expected = {"first five", "line five", "second five",
                                               "three",      "low",       "negative"};
    EXPECT_EQ(trace, expected);
    // The list was emptied: the next frame draws nothing of it.
    ASSERT_TRUE(frame(0.06));
    EXPECT_EQ(trace.size(), expected.size());
}

TEST_F(FrameLoopTest, ThrowingTwoDObjectIsReportedAndTheRestOfTheListSkipped) {
    for (Failure failure : {Failure::standard, Failure::debugException, Failure::other}) {
        std::vector<std::string> trace;
        TracedDecal first("first", 9, &trace), broken("broken", 5, &trace, failure),
            after("after", 1, &trace);
        RecordingListener listener;
        driver->registerListener(&listener);
        LogCapture log;
        clock.advance(0.02);
        ASSERT_TRUE(driver->initFrame(static_cast<float>(clock.getTime())));
        driver->renderDecal(&after);
        driver->renderDecal(&broken);
        driver->renderDecal(&first);
        driver->termFrame();
        driver->unregisterListener(&listener);

        EXPECT_EQ(trace, std::vector<std::string>{"first"});
        const auto records = log.records();
        ASSERT_EQ(records.size(), 1u);
        EXPECT_EQ(records[0].filter, "Driver");
        EXPECT_EQ(records[0].kind, Kind::Warning);
        EXPECT_EQ(records[0].text, "draw exception catched and skipped");
        EXPECT_FLOAT_EQ(records[0].level, 1.0f);
        EXPECT_EQ(records[0].context.path, "3d/driver/d3d/driver");
        // The frame went on to its end.
        ASSERT_EQ(listener.calls.size(), 2u);
        EXPECT_EQ(listener.calls[1].what, "termFrame");

        // The skipped object is not kept for the next frame.
        clock.advance(0.02);
        ASSERT_TRUE(frame(clock.getTime()));
        EXPECT_EQ(trace, std::vector<std::string>{"first"});
    }
}

TEST(FrameRateHistory, EarlyFramesCountFromZeroThenOverTheLastTenStamps) {
    FrameRateHistory history;
    // Frames every 0.1 s from 100 s on. Until the ring is full the oldest
    // entry is one of the initial zeros.
    for (int frame = 0; frame < 9; ++frame) {
        const double now = 100.0 + 0.1 * frame;
        EXPECT_DOUBLE_EQ(history.addFrame(now), 10.0 / now) << frame;
    }
    // Then ten frames over the nine intervals since the oldest stamp.
    EXPECT_NEAR(history.addFrame(100.9), 10.0 / 0.9, 1e-9);
    EXPECT_NEAR(history.addFrame(101.0), 10.0 / 0.9, 1e-9);
    double now = 101.0;
    for (int frame = 0; frame < 9; ++frame) {
        now += 0.05;
        history.addFrame(now);
    }
    EXPECT_NEAR(history.addFrame(now + 0.05), 10.0 / 0.45, 1e-6);
}

TEST(FrameRateHistory, EqualStampsGiveAnInfiniteRateNotAFault) {
    FrameRateHistory history;
    EXPECT_TRUE(std::isinf(history.addFrame(0.0)));
}

TEST(FrameRateText, NamesTheRateAndTheModeOrZerosWithoutOne) {
    FixedMode mode;
    EXPECT_EQ(formatFrameRate(59.996, &mode), "60.00 fps (640 x 480 x 16)");
    EXPECT_EQ(formatFrameRate(0.1, nullptr), "0.10 fps (0 x 0 x 0)");
}

TEST_F(FrameLoopTest, FrameRateLineIsDrawnInYellowWithAShadowWhenShown) {
    g_driverSettings.showFPS = true;
    driver->setBackgroundColor(Color(0.0f, 0.0f, 1.0f), true);
    LogCapture log;  // the current mode is asked for, and may not be there yet
    ASSERT_TRUE(frame(100.0));

    const std::vector<uint32_t> pixels = backBufferRGB();
    ASSERT_EQ(pixels.size(), static_cast<size_t>(kWidth * kHeight));
    const Extent text = extentOf(pixels, kWidth, kYellow);
    const Extent shadow = extentOf(pixels, kWidth, kShadow);
    ASSERT_GT(text.count, 0);
    ASSERT_GT(shadow.count, 0);
    // Text at (152, 2) in one line; its shadow one pixel down and right.
    EXPECT_GE(text.minX, 152);
    EXPECT_GE(text.minY, 2);
    EXPECT_LT(text.maxY, 2 + 16);
    EXPECT_GE(shadow.minX, 153);
    EXPECT_GE(shadow.minY, 3);
    EXPECT_EQ(shadow.minX, text.minX + 1);
    EXPECT_EQ(shadow.minY, text.minY + 1);
    // Nothing left of the line's start.
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < 150; ++x)
            ASSERT_EQ(pixels[static_cast<size_t>(y * kWidth + x)], kBlue) << x << "," << y;
}

TEST_F(FrameLoopTest, NoTextAndNoDeviceContextWithoutStatistics) {
    driver->setBackgroundColor(Color(0.0f, 0.0f, 1.0f), true);
    ASSERT_TRUE(frame(100.0));
    EXPECT_EQ(platform::testing::callCount("IDirectDrawSurface4::GetDC"), 0u);
    const std::vector<uint32_t> pixels = backBufferRGB();
    EXPECT_EQ(extentOf(pixels, kWidth, kYellow).count, 0);
    EXPECT_EQ(extentOf(pixels, kWidth, kBlue).count, kWidth * kHeight);
}

TEST_F(FrameLoopTest, StatisticsAloneOpenTheContextButDrawNothing) {
    g_driverSettings.showStatistic = true;
    driver->setBackgroundColor(Color(0.0f, 0.0f, 1.0f), true);
    ASSERT_TRUE(frame(100.0));
    EXPECT_EQ(platform::testing::callCount("IDirectDrawSurface4::GetDC"), 1u);
    EXPECT_EQ(platform::testing::callCount("IDirectDrawSurface4::ReleaseDC"), 1u);
    EXPECT_EQ(extentOf(backBufferRGB(), kWidth, kBlue).count, kWidth * kHeight);
}

TEST_F(FrameLoopTest, FramesArePresented) {
    const unsigned before = platform::testing::presentedFrames();
    ASSERT_TRUE(frame(0.05));
    ASSERT_TRUE(frame(0.06));
    EXPECT_EQ(platform::testing::presentedFrames(), before + 2);
    EXPECT_EQ(platform::testing::callCount("IDirect3DDevice3::EndScene"), 2u);
}
