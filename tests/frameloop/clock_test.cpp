// The driver clock: its 0.1 s cap, the offset that absorbs gaps, and idling
// frames that advance it by a fixed step without drawing.
#include "frame_loop_fixture.h"

namespace {

class Overlay : public RenderDecal2D {
public:
    explicit Overlay(int* draws) : draws(draws) {}
    void render() override { ++*draws; }
    int* draws;
};

}  // namespace

TEST_F(FrameLoopTest, FrameTimeFollowsTheClockInSmallSteps) {
    RecordingListener listener;
    driver->registerListener(&listener);
    ASSERT_TRUE(frame(0.05));
    EXPECT_FLOAT_EQ(driver->getFrameTime(), 0.05f);
    ASSERT_TRUE(frame(0.12));
    EXPECT_FLOAT_EQ(driver->getFrameTime(), 0.12f);
    ASSERT_EQ(listener.calls.size(), 4u);
    EXPECT_FLOAT_EQ(listener.calls[2].time, 0.12f);
    driver->unregisterListener(&listener);
}

TEST_F(FrameLoopTest, FiveSecondJumpAdvancesByATenthAndMovesTheOffset) {
    ASSERT_TRUE(frame(0.05));
    ASSERT_TRUE(frame(5.05));
    // 0.1 s of the 5 s gap is kept; the other 4.9 s go into the offset.
    EXPECT_NEAR(driver->getFrameTime(), 0.15f, 1e-5);
    ASSERT_TRUE(frame(5.10));
    EXPECT_NEAR(driver->getFrameTime(), 0.20f, 1e-5);
    ASSERT_TRUE(frame(5.13));
    EXPECT_NEAR(driver->getFrameTime(), 0.23f, 1e-5);
}

TEST_F(FrameLoopTest, FirstFrameAtALateClockStartsNearZero) {
    ASSERT_TRUE(frame(1000.0));
    EXPECT_NEAR(driver->getFrameTime(), 0.1f, 1e-5);
    ASSERT_TRUE(frame(1000.02));
    EXPECT_NEAR(driver->getFrameTime(), 0.12f, 1e-3);
}

TEST_F(FrameLoopTest, IdlingFramesStepByAHundredSecondsByDefault) {
    ASSERT_TRUE(frame(0.05));
    driver->enableIdlingMode();
    testing::internal::CaptureStdout();
    ASSERT_TRUE(frame(0.06));
    EXPECT_NEAR(driver->getFrameTime(), 100.05f, 1e-3);
    ASSERT_TRUE(frame(0.07));
    EXPECT_NEAR(driver->getFrameTime(), 200.05f, 1e-3);
    const std::string banner = "####################\n### idling frame ###\n####################\n";
    EXPECT_EQ(testing::internal::GetCapturedStdout(), banner + banner);
}

TEST_F(FrameLoopTest, IdlingStepFollowsTheIdlingRateAndRenderedFramesContinue) {
    ASSERT_TRUE(frame(0.05));
    driver->setIdlingFPS(25.0f);
    driver->enableIdlingMode();
    testing::internal::CaptureStdout();
    ASSERT_TRUE(frame(3.0));
    ASSERT_TRUE(frame(3.0));
    testing::internal::GetCapturedStdout();
    EXPECT_NEAR(driver->getFrameTime(), 0.13f, 1e-5);

    testing::internal::CaptureStdout();
    driver->disableIdlingMode();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "\n");
    // The next rendered frame continues from the idling time, not from 3 s.
    ASSERT_TRUE(frame(3.02));
    EXPECT_NEAR(driver->getFrameTime(), 0.15f, 1e-5);
}

TEST_F(FrameLoopTest, IdlingFramesNeitherClearNorBeginNorPresent) {
    const unsigned presented = platform::testing::presentedFrames();
    driver->enableIdlingMode();
    testing::internal::CaptureStdout();
    ASSERT_TRUE(frame(1.0));
    EXPECT_TRUE(driver->inIdlingMode());
    EXPECT_EQ(platform::testing::presentedFrames(), presented);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(platform::testing::callCount("IDirectDraw4::TestCooperativeLevel"), 0u);
    EXPECT_EQ(platform::testing::callCount("IDirect3DViewport3::Clear2"), 0u);
    EXPECT_EQ(platform::testing::callCount("IDirect3DDevice3::BeginScene"), 0u);
    EXPECT_EQ(platform::testing::callCount("IDirect3DDevice3::EndScene"), 0u);

    driver->disableIdlingMode();
    testing::internal::CaptureStdout();
    ASSERT_TRUE(frame(1.01));
    testing::internal::GetCapturedStdout();
    EXPECT_FALSE(driver->inIdlingMode());
    EXPECT_EQ(platform::testing::callCount("IDirect3DDevice3::BeginScene"), 1u);
}

TEST_F(FrameLoopTest, IdlingFramesDropTheir2DObjectsUndrawn) {
    int draws = 0;
    Overlay overlay(&draws);
    driver->enableIdlingMode();
    testing::internal::CaptureStdout();
    clock.setTime(1.0);
    ASSERT_TRUE(driver->initFrame(1.0f));
    driver->renderDecal(&overlay);
    driver->termFrame();
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(draws, 0);

    // Nothing of the idling frame is left for the next rendered one.
    driver->disableIdlingMode();
    testing::internal::CaptureStdout();
    ASSERT_TRUE(frame(1.02));
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(draws, 0);
}

TEST_F(FrameLoopTest, IdlingViewsAreNotPreparedAndHearNoPointerEvents) {
    CountingRenderView view(engineView);
    struct Pointed : RenderMeshListener {
        void pointerEntered(RenderMeshListener*) override { ++entered; }
        int entered = 0;
    } pointed;
    RecordingListener listener;
    driver->registerListener(&listener);
    driver->enableIdlingMode();
    testing::internal::CaptureStdout();
    ASSERT_TRUE(frame(1.0, view, [&] {
        EXPECT_EQ(driver->getCurrentRenderView(), &view);
        driver->registerPointedObject(&pointed, 1.0f);
    }));
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(view.renders, 0);
    EXPECT_EQ(pointed.entered, 0);
    EXPECT_EQ(driver->getCurrentRenderView(), nullptr);
    ASSERT_EQ(listener.calls.size(), 4u);
    EXPECT_EQ(listener.calls[1].what, "initView");
    EXPECT_EQ(listener.calls[2].what, "termView");
    EXPECT_EQ(listener.calls[2].view, &view);
    driver->unregisterListener(&listener);
}
