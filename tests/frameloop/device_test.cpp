// The driver's use of the device around a frame: lost devices, clearing,
// the world matrix, depth reads, and frames asked for out of order.
#include "frame_loop_fixture.h"
#include "rimage.h"
#include "tmanager.h"

#include <engine/core/image.h>

#include <atomic>
#include <thread>

namespace {

using Kind = debug::Message::Kind;

// True when another thread can take the driver lock now; waits for it
// otherwise, so a lock that is never released hangs the test (and fails it
// by the test runner's timeout).
bool otherThreadTakesTheLock(D3DRenderDriver& driver) {
    std::atomic<bool> taken{false};
    std::thread other([&] {
        driver.lock();
        taken = true;
        driver.unlock();
    });
    other.join();
    return taken;
}

DDSURFACEDESC2 fullScreenMode() {
    DDSURFACEDESC2 d{};
    d.dwSize = sizeof(d);
    d.dwFlags = DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT | DDSD_REFRESHRATE;
    d.dwWidth = 640;
    d.dwHeight = 480;
    d.ddpfPixelFormat.dwSize = sizeof(DDPIXELFORMAT);
    d.ddpfPixelFormat.dwFlags = DDPF_RGB;
    d.ddpfPixelFormat.dwRGBBitCount = 16;
    return d;
}

}  // namespace

TEST_F(FrameLoopTest, LostDeviceSkipsTheFrameAndReleasesTheLock) {
    const DDSURFACEDESC2 mode = fullScreenMode();
    ASSERT_NO_FATAL_FAILURE(useFramework(D3DFW_FULLSCREEN | D3DFW_BACKBUFFER | D3DFW_ZBUFFER,
                                         &IID_IDirect3DHALDevice, &mode));
    RecordingListener listener;
    driver->registerListener(&listener);
    LogCapture log;
    platform::testing::resetCallCounts();
    platform::testing::deactivateApplication();

    EXPECT_FALSE(driver->initFrame(1.0f));
    EXPECT_TRUE(surfacesLost);
    EXPECT_TRUE(listener.calls.empty());
    EXPECT_EQ(platform::testing::callCount("IDirect3DDevice3::BeginScene"), 0u);
    EXPECT_EQ(driver->getFrameTime(), 0.0f);  // the clock did not move
    EXPECT_TRUE(log.records().empty());       // a lost device is not an error
    EXPECT_TRUE(otherThreadTakesTheLock(*driver));

    // Back again: frames are drawn.
    platform::testing::activateApplication();
    surfacesLost = false;
    ASSERT_NO_FATAL_FAILURE(useFramework(D3DFW_FULLSCREEN | D3DFW_BACKBUFFER | D3DFW_ZBUFFER,
                                         &IID_IDirect3DHALDevice, &mode));
    EXPECT_TRUE(frame(1.0));
    EXPECT_FALSE(surfacesLost);
    driver->unregisterListener(&listener);
}

TEST_F(FrameLoopTest, FailedBeginSceneSkipsTheFrameAndReleasesTheLock) {
    RecordingListener listener;
    driver->registerListener(&listener);
    platform::testing::failNextCall("IDirect3DDevice3::BeginScene", D3DERR_SCENE_IN_SCENE);
    EXPECT_FALSE(driver->initFrame(0.05f));
    EXPECT_FALSE(surfacesLost);
    EXPECT_TRUE(listener.calls.empty());
    EXPECT_TRUE(otherThreadTakesTheLock(*driver));
    EXPECT_TRUE(frame(0.06));
    EXPECT_EQ(listener.calls.size(), 2u);
    driver->unregisterListener(&listener);
}

TEST_F(FrameLoopTest, DriverLockIsFreeAgainAfterTermFrame) {
    ASSERT_TRUE(frame(0.05));
    EXPECT_TRUE(otherThreadTakesTheLock(*driver));
}

TEST_F(FrameLoopTest, SurfaceLostOnPresentIsNoted) {
    platform::testing::failNextCall("IDirectDrawSurface4::Blt", DDERR_SURFACELOST);
    ASSERT_TRUE(frame(0.05));
    EXPECT_TRUE(surfacesLost);
}

TEST_F(FrameLoopTest, ClearColourReachesTheWholeBackBuffer) {
    driver->setBackgroundColor(Color(1.0f, 0.0f, 1.0f), true);
    clock.setTime(0.05);
    ASSERT_TRUE(driver->initFrame(0.05f));
    const std::vector<uint32_t> pixels = backBufferRGB();
    driver->termFrame();
    ASSERT_EQ(pixels.size(), static_cast<size_t>(kWidth * kHeight));
    EXPECT_EQ(std::count(pixels.begin(), pixels.end(), 0xFF00FFu),
              static_cast<long>(pixels.size()));
}

TEST_F(FrameLoopTest, WithoutClearTargetOnlyTheDepthBufferIsCleared) {
    DDBLTFX fx{};
    fx.dwSize = sizeof(fx);
    fx.dwFillColor = 0x00FF0000u;
    ASSERT_EQ(DD_OK, framework.GetBackBuffer()->Blt(nullptr, nullptr, nullptr,
                                                     DDBLT_COLORFILL | DDBLT_WAIT, &fx));
    driver->setBackgroundColor(Color(0.0f, 1.0f, 0.0f), false);
    clock.setTime(0.05);
    ASSERT_TRUE(driver->initFrame(0.05f));
    const std::vector<uint32_t> pixels = backBufferRGB();
    const std::vector<ULONG_PTR> clear = platform::testing::lastArguments("IDirect3DViewport3::Clear2");
    driver->termFrame();
    EXPECT_EQ(std::count(pixels.begin(), pixels.end(), 0xFF0000u),
              static_cast<long>(pixels.size()));
    ASSERT_GE(clear.size(), 3u);
    EXPECT_EQ(clear[0], 1u);
    EXPECT_EQ(clear[2], static_cast<ULONG_PTR>(D3DCLEAR_ZBUFFER));
}

TEST_F(FrameLoopTest, BackgroundImageIsStretchedOverTheViewportInsteadOfTheClear) {
    // Render images need the texture manager and the image factory, for
    // this test only.
    struct ImageServices {
        D3DTextureManager textures;
        D3DRenderImageFactory images;
        ImageServices() {
            theD3DTextureManager = &textures;
            theRenderImageFactory = &images;
        }
        ~ImageServices() {
            theRenderImageFactory = nullptr;
            theD3DTextureManager = nullptr;
        }
    } services;
    {
        // Red on the left, blue on the right: two pixels for the whole target.
        Image2D background(2, 1);
        DrawSettings settings;
        RenderImage* render = background.getRenderImage();
        ASSERT_NE(render, nullptr);
        render->setDrawSettings(&settings);
        render->beginDrawSession();
        settings.color = Color(1.0f, 0.0f, 0.0f);
        render->drawBar(0, 0, 1, 1);
        settings.color = Color(0.0f, 0.0f, 1.0f);
        render->drawBar(1, 0, 2, 1);
        render->endDrawSession();

        driver->setBackgroundImage(&background);
        driver->setBackgroundColor(Color(0.0f, 1.0f, 0.0f), true);
        clock.setTime(0.05);
        ASSERT_TRUE(driver->initFrame(0.05f));
        const std::vector<ULONG_PTR> clear =
            platform::testing::lastArguments("IDirect3DViewport3::Clear2");
        const unsigned long depth = driver->getZBufferValue(5, 5);
        const std::vector<uint32_t> pixels = backBufferRGB();
        driver->termFrame();
        driver->setBackgroundImage(nullptr);

        ASSERT_GE(clear.size(), 3u);
        EXPECT_EQ(clear[2], static_cast<ULONG_PTR>(D3DCLEAR_ZBUFFER));
        EXPECT_EQ(depth, 0xFFFFu);
        ASSERT_EQ(pixels.size(), static_cast<size_t>(kWidth * kHeight));
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x)
                ASSERT_EQ(pixels[static_cast<size_t>(y * kWidth + x)],
                          x < kWidth / 2 ? 0xFF0000u : 0x0000FFu)
                    << x << "," << y;
    }
}

TEST_F(FrameLoopTest, BackgroundImageWithoutPixelsIsReportedAndTheFrameGoesOn) {
    LogCapture log;
    Image2D background(2, 1);  // no image factory here, so no render image
    driver->setBackgroundImage(&background);
    EXPECT_TRUE(frame(0.05));
    driver->setBackgroundImage(nullptr);
    EXPECT_EQ(log.count("Driver", "initFrame: the background image has no render image"), 1);
}

TEST_F(FrameLoopTest, WorldTransformationIsTheTransposedMatrixWithTheTranslation) {
    const TMatrix m(1, 2, 3, 4, 5, 6, 7, 8, 9);
    driver->setWorldTransformation(m, Vector(10, 11, 12));
    D3DMATRIX world{};
    ASSERT_EQ(DD_OK, g_pDevice->GetTransform(D3DTRANSFORMSTATE_WORLD, &world));
    const float expected[4][4] = {{1, 4, 7, 0}, {2, 5, 8, 0}, {3, 6, 9, 0}, {10, 11, 12, 1}};
    const float got[4][4] = {{world._11, world._12, world._13, world._14},
                             {world._21, world._22, world._23, world._24},
                             {world._31, world._32, world._33, world._34},
                             {world._41, world._42, world._43, world._44}};
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            EXPECT_EQ(got[r][c], expected[r][c]) << r << "," << c;
}

TEST_F(FrameLoopTest, DepthBufferReadsAllOnesAfterTheFrameClear) {
    ASSERT_EQ(framework.GetDepthFormat().dwZBufferBitDepth, 16u);
    IDirectDrawSurface4* depth = driver->getZBufferSurface();
    ASSERT_NE(depth, nullptr);
    EXPECT_EQ(depth, framework.GetZBuffer());
    depth->Release();

    // Zero it first, so the value read is the frame's clear.
    DDBLTFX fx{};
    fx.dwSize = sizeof(fx);
    fx.dwFillDepth = 0;
    ASSERT_EQ(DD_OK, framework.GetZBuffer()->Blt(nullptr, nullptr, nullptr,
                                                 DDBLT_DEPTHFILL | DDBLT_WAIT, &fx));
    EXPECT_EQ(driver->getZBufferValue(10, 20), 0u);
    clock.setTime(0.05);
    ASSERT_TRUE(driver->initFrame(0.05f));
    EXPECT_EQ(driver->getZBufferValue(10, 20), 0xFFFFu);
    EXPECT_EQ(driver->getZBufferValue(kWidth - 1, kHeight - 1), 0xFFFFu);
    // Outside the buffer the lock fails: 0, not a read out of bounds.
    EXPECT_EQ(driver->getZBufferValue(kWidth, 0), 0u);
    EXPECT_EQ(driver->getZBufferValue(-1, 0), 0u);
    driver->termFrame();
}

TEST_F(FrameLoopTest, NoDepthBufferReadsZero) {
    ASSERT_NO_FATAL_FAILURE(useFramework(D3DFW_BACKBUFFER));
    EXPECT_EQ(driver->getZBufferSurface(), nullptr);
    EXPECT_EQ(driver->getZBufferValue(1, 1), 0u);
}

TEST_F(FrameLoopTest, CheckSurfacesIsLogged) {
    LogCapture log;
    driver->checkSurfaces();
    const auto records = log.records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].text, "checkSurfaces");
    EXPECT_EQ(records[0].kind, Kind::Message);
    EXPECT_FLOAT_EQ(records[0].level, 1.0f);
}

TEST_F(FrameLoopTest, FramesOutOfOrderAreRefusedWithAnError) {
    LogCapture log;
    driver->termFrame();  // no frame yet
    EXPECT_EQ(log.count("Driver", "termFrame: no frame was initialised"), 1);
    clock.setTime(0.05);
    ASSERT_TRUE(driver->initFrame(0.05f));
    EXPECT_FALSE(driver->initFrame(0.06f));
    EXPECT_EQ(log.count("Driver", "initFrame: the previous frame was not terminated"), 1);
    driver->termFrame();
    EXPECT_TRUE(otherThreadTakesTheLock(*driver));
}

TEST_F(FrameLoopTest, RenderedFrameWithoutADeviceIsRefused) {
    g_pFramework = nullptr;
    g_pDevice = nullptr;
    driver->updateD3DInterfaces();
    LogCapture log;
    EXPECT_FALSE(driver->initFrame(0.05f));
    EXPECT_EQ(log.count("Driver", "initFrame: there is no device"), 1);
    EXPECT_FALSE(surfacesLost);
    EXPECT_TRUE(otherThreadTakesTheLock(*driver));
}
