// The screen shooter on a full-screen 640 x 480 R5G6B5 back buffer reached
// through the driver, as the frame loop and the engine reach it.
#include "application.h"
#include "driver.h"
#include "screensh.h"
#include "shot_support.h"

#include "d3dframe/d3dframe.h"

#include <engine/debug.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace {

constexpr int kWidth = 640, kHeight = 480;

class ShooterTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { WriteDirectory::use(); }
    static void TearDownTestSuite() { WriteDirectory::remove(); }

    void SetUp() override {
        WriteDirectory::clear();
        platform::testing::useDefaultDisplayProfile();
        platform::testing::activateApplication();
        debug::System::setSink([this](const debug::Record& r) { records.push_back(r); });

        WNDCLASSA wc{};
        wc.lpfnWndProc = DefWindowProcA;
        wc.lpszClassName = "ShooterTest";
        RegisterClassA(&wc);  // a second registration fails harmlessly
        hWnd = CreateWindowExA(0, "ShooterTest", "Render Window", WS_POPUP | WS_VISIBLE, 0, 0,
                               kWidth, kHeight, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(nullptr, hWnd);

        DDSURFACEDESC2 mode{};
        mode.dwSize = sizeof mode;
        mode.dwFlags = DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
        mode.dwWidth = kWidth;
        mode.dwHeight = kHeight;
        mode.ddpfPixelFormat.dwSize = sizeof(DDPIXELFORMAT);
        mode.ddpfPixelFormat.dwFlags = DDPF_RGB;
        mode.ddpfPixelFormat.dwRGBBitCount = 16;
        // Surfaces only: no Direct3D device is needed to take shots.
        ASSERT_EQ(DD_OK, framework.InitializeFramework(hWnd, nullptr, nullptr, &mode,
                                                       D3DFW_FULLSCREEN | D3DFW_BACKBUFFER));
        g_pFramework = &framework;
        theD3DRenderDriver = new D3DRenderDriver;
        theD3DRenderDriver->updateD3DInterfaces();
        ASSERT_NE(nullptr, theD3DRenderDriver->getBackBuffer());
        ASSERT_NO_FATAL_FAILURE(expectR5G6B5(theD3DRenderDriver->getBackBuffer()));

        shooter = new D3DScreenShooter(kWidth, kHeight);
        ASSERT_TRUE(shooter->init());
        records.clear();
    }

    void TearDown() override {
        if (shooter) {
            shooter->release();
            delete shooter;
        }
        delete theD3DRenderDriver;
        theD3DRenderDriver = nullptr;
        g_pFramework = nullptr;
        framework.ReleaseObjects();
        if (hWnd)
            DestroyWindow(hWnd);
        platform::testing::useDefaultDisplayProfile();
        debug::System::setSink(nullptr);
    }

    static void expectR5G6B5(IDirectDrawSurface4* s) {
        DDSURFACEDESC2 d{};
        d.dwSize = sizeof d;
        ASSERT_EQ(DD_OK, s->GetSurfaceDesc(&d));
        ASSERT_EQ(16u, d.ddpfPixelFormat.dwRGBBitCount);
        ASSERT_EQ(0xF800u, d.ddpfPixelFormat.dwRBitMask);
        ASSERT_EQ(0x07E0u, d.ddpfPixelFormat.dwGBitMask);
        ASSERT_EQ(0x001Fu, d.ddpfPixelFormat.dwBBitMask);
    }

    // Draws a picture numbered `seed` into the back buffer.
    static void paintBackBuffer(int seed) {
        writePixels<uint16_t>(theD3DRenderDriver->getBackBuffer(),
                              [seed](int x, int y) { return pattern565(x, y, seed); });
    }

    // The file is a 640 x 480 32-bit TGA holding picture `seed`.
    static void expectShot(const std::string& name, int seed) {
        SCOPED_TRACE(name);
        const TgaFile file = WriteDirectory::read(name);
        ASSERT_TRUE(file.valid());
        EXPECT_EQ(2, file.header(2));
        EXPECT_EQ(32, file.header(16));
        EXPECT_EQ(kWidth, file.width());
        EXPECT_EQ(kHeight, file.height());
        ASSERT_EQ(size_t(kWidth) * kHeight * 4, file.pixelBytes());
        int wrong = 0;
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x)
                wrong += file.pixel(x, y) != expand565(pattern565(x, y, seed));
        EXPECT_EQ(0, wrong) << "pixels differing from the back buffer";
    }

    int errorCount() const {
        int n = 0;
        for (const auto& r : records)
            n += r.filter == "Driver" && r.kind == debug::Message::Kind::Error;
        return n;
    }

    CD3DFramework framework;
    HWND hWnd = nullptr;
    D3DScreenShooter* shooter = nullptr;
    std::vector<debug::Record> records;
};

TEST_F(ShooterTest, ShotsAreNumberedFilesOfTheBackBuffer) {
    shooter->setFileName("shot%02d.tga");
    for (int seed = 0; seed < 3; ++seed) {
        paintBackBuffer(seed);
        EXPECT_TRUE(shooter->shoot());
    }
    EXPECT_EQ(3, shooter->getShotCounter());
    EXPECT_EQ(3u, WriteDirectory::fileCount());
    expectShot("shot00.tga", 0);
    expectShot("shot01.tga", 1);
    expectShot("shot02.tga", 2);
    EXPECT_EQ(0, errorCount());
}

TEST_F(ShooterTest, ResetStartsTheNumbersAgain) {
    shooter->setFileName("shot%02d.tga");
    paintBackBuffer(0);
    ASSERT_TRUE(shooter->shoot());
    ASSERT_TRUE(shooter->shoot());
    shooter->reset();
    EXPECT_EQ(0, shooter->getShotCounter());
    paintBackBuffer(7);
    ASSERT_TRUE(shooter->shoot());
    expectShot("shot00.tga", 7);
    expectShot("shot01.tga", 0);
    EXPECT_EQ(2u, WriteDirectory::fileCount());
}

TEST_F(ShooterTest, ANewPatternReplacesTheOldOne) {
    shooter->setFileName("first%d.tga");
    shooter->setFileName("second%d.tga");
    paintBackBuffer(3);
    ASSERT_TRUE(shooter->shoot());
    EXPECT_FALSE(WriteDirectory::exists("first0.tga"));
    expectShot("second0.tga", 3);
}

TEST_F(ShooterTest, WithoutAPatternNothingIsWritten) {
    EXPECT_FALSE(shooter->shoot());
    shooter->setFileName("shot%02d.tga");
    shooter->setFileName(nullptr);
    EXPECT_FALSE(shooter->shoot());
    shooter->startRecord();
    shooter->termFrame();
    EXPECT_EQ(0, shooter->getShotCounter());
    EXPECT_EQ(0u, WriteDirectory::fileCount());
}

TEST_F(ShooterTest, RecordingWritesOneFilePerFrameUntilStopped) {
    shooter->setFileName("frame%03d.tga");
    shooter->termFrame();  // not recording yet
    EXPECT_EQ(0u, WriteDirectory::fileCount());

    EXPECT_TRUE(shooter->startRecord());
    EXPECT_TRUE(shooter->isRecording());
    for (int seed = 0; seed < 3; ++seed) {
        paintBackBuffer(seed);
        shooter->termFrame();
        EXPECT_EQ(size_t(seed) + 1, WriteDirectory::fileCount());
    }
    shooter->stopRecord();
    shooter->termFrame();
    shooter->termFrame();
    EXPECT_EQ(3u, WriteDirectory::fileCount());
    expectShot("frame000.tga", 0);
    expectShot("frame001.tga", 1);
    expectShot("frame002.tga", 2);
}

TEST_F(ShooterTest, UnusablePatternsFailWithAnError) {
    const std::string overlong = std::string(300, 'a') + "%d.tga";
    const std::string tooLongOnceFormatted = std::string(250, 'b') + "%012d.tga";
    for (const std::string& pattern :
         {std::string("%s.tga"), std::string("%n.tga"), std::string("a%db%d.tga"),
          std::string("%*d.tga"), std::string("%ld.tga"), std::string("%f.tga"),
          std::string("shot%"), overlong, tooLongOnceFormatted}) {
        SCOPED_TRACE(pattern);
        records.clear();
        shooter->setFileName(pattern.c_str());
        EXPECT_FALSE(shooter->shoot());
        EXPECT_EQ(1, errorCount());
    }
    EXPECT_EQ(0, shooter->getShotCounter());
    EXPECT_EQ(0u, WriteDirectory::fileCount());
}

TEST_F(ShooterTest, LiteralPercentAndPlainNamesAreAccepted) {
    shooter->setFileName("100%% shot %+5.3d.tga");
    ASSERT_TRUE(shooter->shoot());
    EXPECT_TRUE(WriteDirectory::exists("100% shot  +000.tga"));
    shooter->setFileName("fixed.tga");
    ASSERT_TRUE(shooter->shoot());
    EXPECT_TRUE(WriteDirectory::exists("fixed.tga"));
    EXPECT_EQ(2, shooter->getShotCounter());
    EXPECT_EQ(0, errorCount());
}

TEST_F(ShooterTest, NoShotBetweenReleaseAndInit) {
    shooter->setFileName("shot%02d.tga");
    shooter->release();
    EXPECT_FALSE(shooter->shoot());
    EXPECT_EQ(0, shooter->getShotCounter());
    EXPECT_EQ(0u, WriteDirectory::fileCount());

    ASSERT_TRUE(shooter->init());
    paintBackBuffer(5);
    EXPECT_TRUE(shooter->shoot());
    expectShot("shot00.tga", 5);
}

TEST_F(ShooterTest, InitTwiceKeepsOneCaptureSurface) {
    ASSERT_TRUE(shooter->init());
    shooter->release();
    shooter->setFileName("shot%02d.tga");
    EXPECT_FALSE(shooter->shoot());  // one release undoes any number of inits
}

// A shot asked for during a frame waits for its end, and the frame's own
// termFrame (driver lock held) is not held up by the waiting shot.
TEST_F(ShooterTest, AShotDuringAFrameShowsTheFinishedFrame) {
    shooter->setFileName("shot%02d.tga");
    paintBackBuffer(1);
    bool shot = false;
    std::thread engine;
    {
        thread::Lock frame(static_cast<const thread::SynchronizedObject&>(*theD3DRenderDriver));
        engine = std::thread([&] { shot = shooter->shoot(); });
        paintBackBuffer(2);
        shooter->termFrame();
    }
    engine.join();
    EXPECT_TRUE(shot);
    expectShot("shot00.tga", 2);
}

TEST_F(ShooterTest, ShootingIntoNoImageFails) {
    EXPECT_FALSE(shooter->shoot(static_cast<Image2D*>(nullptr)));
    EXPECT_EQ(0, errorCount());
}

TEST_F(ShooterTest, WithoutADriverThereIsNothingToShoot) {
    shooter->setFileName("shot%02d.tga");
    D3DRenderDriver* driver = theD3DRenderDriver;
    theD3DRenderDriver = nullptr;
    EXPECT_FALSE(shooter->shoot());
    shooter->startRecord();
    shooter->termFrame();
    theD3DRenderDriver = driver;
    EXPECT_EQ(0u, WriteDirectory::fileCount());
}

// ---------------------------------------------------------------------------
// Copying between two given surfaces

class SurfaceCopyTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(nullptr, dd.get()); }

    static uint16_t quadrant(int x, int y, int width, int height) {
        static const uint16_t colours[4] = {0xF800, 0x07E0, 0x001F, 0xFFFF};
        return colours[(x * 2 / width) + 2 * (y * 2 / height)];
    }

    static IDirectDrawClipper* attachClipper(IDirectDraw4* dd, IDirectDrawSurface4* s, LONG w,
                                             LONG h) {
        IDirectDrawClipper* clipper = nullptr;
        EXPECT_EQ(DD_OK, dd->CreateClipper(0, &clipper, nullptr));
        struct {
            RGNDATAHEADER header;
            RECT rect;
        } region{};
        region.header.dwSize = sizeof(RGNDATAHEADER);
        region.header.iType = RDH_RECTANGLES;
        region.header.nCount = 1;
        region.header.rcBound = {0, 0, w, h};
        region.rect = region.header.rcBound;
        EXPECT_EQ(DD_OK, clipper->SetClipList(reinterpret_cast<RGNDATA*>(&region), 0));
        EXPECT_EQ(DD_OK, s->SetClipper(clipper));
        return clipper;
    }

    DirectDrawObject dd;
    D3DScreenShooter shooter{64, 32};
};

TEST_F(SurfaceCopyTest, SameSizeCopiesPastTheTargetsClipper) {
    IDirectDrawSurface4* source = dd.create(64, 32, kR5G6B5);
    IDirectDrawSurface4* target = dd.create(64, 32, kR5G6B5);
    ASSERT_TRUE(source && target);
    writePixels<uint16_t>(source, [](int x, int y) { return pattern565(x, y, 1); });
    IDirectDrawClipper* clipper = attachClipper(dd.get(), target, 64, 32);

    EXPECT_TRUE(shooter.save(source, 64, 32, target, 64, 32));
    EXPECT_EQ(platform::testing::readSurfaceARGB(source),
              platform::testing::readSurfaceARGB(target));

    IDirectDrawClipper* after = nullptr;
    ASSERT_EQ(DD_OK, target->GetClipper(&after));
    EXPECT_EQ(clipper, after);  // put back
    after->Release();
    clipper->Release();
    target->Release();
    source->Release();
}

TEST_F(SurfaceCopyTest, OtherSizesAreStretched) {
    IDirectDrawSurface4* source = dd.create(32, 16, kR5G6B5);
    IDirectDrawSurface4* target = dd.create(64, 32, kR5G6B5);
    ASSERT_TRUE(source && target);
    writePixels<uint16_t>(source, [](int x, int y) { return quadrant(x, y, 32, 16); });
    writePixels<uint16_t>(target, [](int, int) { return uint16_t(0); });

    EXPECT_TRUE(shooter.save(source, 32, 16, target, 64, 32));
    const std::vector<uint32_t> from = platform::testing::readSurfaceARGB(source);
    const std::vector<uint32_t> pixels = platform::testing::readSurfaceARGB(target);
    ASSERT_EQ(32u * 16u, from.size());
    ASSERT_EQ(64u * 32u, pixels.size());
    int wrong = 0;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 64; ++x)
            wrong += pixels[y * 64 + x] != from[(y / 2) * 32 + x / 2];
    EXPECT_EQ(0, wrong) << "pixels outside their stretched quadrant";
    target->Release();
    source->Release();
}

TEST_F(SurfaceCopyTest, AFailingCopyIsReported) {
    IDirectDrawSurface4* source = dd.create(64, 32, kR5G6B5);
    IDirectDrawSurface4* target = dd.create(16, 8, kR5G6B5);
    ASSERT_TRUE(source && target);
    // Same size claimed, but the source rectangle does not fit the target.
    EXPECT_FALSE(shooter.save(source, 64, 32, target, 64, 32));
    EXPECT_FALSE(shooter.save(nullptr, 16, 8, target, 16, 8));
    target->Release();
    source->Release();
}

// ---------------------------------------------------------------------------

TEST(GammaControlTest, AvailableWhenTheDriverOrTheEmulationHasPrimaryGamma) {
    const Capabilities saved = theCapabilities;
    theCapabilities.driver.dwCaps2 = 0;
    theCapabilities.emulation.dwCaps2 = 0;
    EXPECT_FALSE(GammaControl::available());
    theCapabilities.emulation.dwCaps2 = DDCAPS2_PRIMARYGAMMA;
    EXPECT_TRUE(GammaControl::available());
    theCapabilities.emulation.dwCaps2 = 0;
    theCapabilities.driver.dwCaps2 = DDCAPS2_PRIMARYGAMMA | 0x1;
    EXPECT_TRUE(GammaControl::available());
    theCapabilities.driver.dwCaps2 = ~DWORD(DDCAPS2_PRIMARYGAMMA);
    EXPECT_FALSE(GammaControl::available());
    theCapabilities = saved;
}

TEST(GammaControlTest, TakesThePrimarysGammaControlOnlyWhenAvailable) {
    DirectDrawObject dd;
    DDSURFACEDESC2 d{};
    d.dwSize = sizeof d;
    d.dwFlags = DDSD_CAPS;
    d.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
    IDirectDrawSurface4* surface = nullptr;
    ASSERT_EQ(DD_OK, dd.get()->CreateSurface(&d, &surface, nullptr));
    const Capabilities saved = theCapabilities;
    theCapabilities.driver.dwCaps2 = 0;
    theCapabilities.emulation.dwCaps2 = 0;
    {
        GammaControl none(surface);
        EXPECT_EQ(nullptr, static_cast<IDirectDrawGammaControl*>(none));
    }
    theCapabilities.driver.dwCaps2 = DDCAPS2_PRIMARYGAMMA;
    {
        GammaControl control(surface);
        EXPECT_NE(nullptr, static_cast<IDirectDrawGammaControl*>(control));
    }
    theCapabilities = saved;
    EXPECT_EQ(0u, surface->Release());  // the control's reference went with it
}

}  // namespace
