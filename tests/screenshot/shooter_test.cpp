// The screen shooter on a full-screen 640 x 480 R5G6B5 back buffer reached
// through the driver, as the frame loop and the engine reach it; shots into
// given surfaces; the gamma control.
#include "application.h"
#include "driver.h"
#include "screensh.h"
#include "shot_support.h"

#include "../support/log_capture.h"

#include <engine/core/globals.h>
#include <engine/debug.h>

#include <thread>

namespace {

constexpr int kWidth = 640, kHeight = 480;

// The driver's own shooter, in the default video mode: 640 x 480, R5G6B5.
class ShooterTest : public ImageTest {
protected:
    void SetUp() override {
        ImageTest::SetUp();
        initDriver();
        theRenderDriver->initVideoMode(theRenderDriver->getDefaultVideoMode());
        ASSERT_NE(nullptr, shooter = theD3DScreenShooter);
    }
    void TearDown() override {
        theRenderDriver->termVideoMode();
        termDriver();
        ImageTest::TearDown();
    }

    // Draws a picture numbered `seed` into the back buffer.
    void paintBackBuffer(int seed) {
        writePixels(theD3DRenderDriver->getBackBuffer(),
                    [seed](int x, int y) { return pattern565(x, y, seed); });
    }

    // The file is a 640 x 480 32-bit TGA holding picture `seed`.
    static void expectShot(const std::string& name, int seed) {
        SCOPED_TRACE(name);
        const std::vector<uint8_t> file = readFile(name);
        ASSERT_EQ(18u + kWidth * kHeight * 4u, file.size());
        // Image type, width, height and bits per pixel; then pixels top row first.
        EXPECT_EQ(
            (std::vector<uint8_t>{2, 0x80, 0x02, 0xE0, 0x01, 32}),
            (std::vector<uint8_t>{file[2], file[12], file[13], file[14], file[15], file[16]}));
        int wrong = 0;
        for (int i = 0; i < kWidth * kHeight; ++i) {
            RGBAColor pixel;
            std::memcpy(&pixel, &file[18 + 4 * i], 4);
            wrong += word(pixel) != expand565(pattern565(i % kWidth, i / kWidth, seed));
        }
        EXPECT_EQ(0, wrong) << "pixels differing from the back buffer";
    }

    int errors() const { return log.countKind("Driver", debug::Message::Kind::Error); }

    LogCapture log;
    D3DScreenShooter* shooter = nullptr;
};

// Shots and recorded frames are numbered files of the back buffer; reset
// starts the numbers again. Nothing is shot without a pattern, a driver or
// a capture surface.
TEST_F(ShooterTest, ShotsAndRecordedFramesAreNumberedFilesOfTheBackBuffer) {
    EXPECT_FALSE(shooter->shoot());
    shooter->setFileName("first%d.tga");
    shooter->setFileName(nullptr);
    EXPECT_FALSE(shooter->shoot());
    shooter->setFileName("shot%d.tga");
    D3DRenderDriver* driver = theD3DRenderDriver;
    theD3DRenderDriver = nullptr;
    EXPECT_FALSE(shooter->shoot());
    shooter->startRecord();
    shooter->termFrame();
    shooter->stopRecord();
    theD3DRenderDriver = driver;
    EXPECT_FALSE(shooter->shoot(static_cast<Image2D*>(nullptr)));
    ASSERT_TRUE(shooter->init());
    shooter->release();  // one release undoes any number of inits
    EXPECT_FALSE(shooter->shoot());
    EXPECT_EQ(0, fileCount());
    ASSERT_TRUE(shooter->init());

    paintBackBuffer(0);
    EXPECT_TRUE(shooter->shoot());
    shooter->termFrame();  // not recording yet
    EXPECT_TRUE(shooter->startRecord());
    for (int seed = 1; seed < 3; ++seed) {
        paintBackBuffer(seed);
        shooter->termFrame();
        EXPECT_EQ(seed + 1, fileCount());
    }
    shooter->stopRecord();
    shooter->termFrame();
    expectShot("shot0.tga", 0);
    shooter->reset();
    paintBackBuffer(7);
    ASSERT_TRUE(shooter->shoot());
    EXPECT_EQ(3, fileCount());
    expectShot("shot0.tga", 7);
    expectShot("shot1.tga", 1);
    expectShot("shot2.tga", 2);
    EXPECT_EQ(0, errors());
}

// At most one integer conversion, and the name must fit once formatted;
// anything else would read an argument that is not there.
TEST_F(ShooterTest, APatternMayHoldOneIntegerConversion) {
    std::vector<std::string> bad = {"%s.tga",  "%n.tga", "a%db%d.tga", "%*d.tga",
                                    "%ld.tga", "%f.tga", "shot%"};
    bad.push_back(std::string(300, 'a') + "%d.tga");
    bad.push_back(std::string(250, 'b') + "%012d.tga");  // too long once formatted
    for (const std::string& pattern : bad) {
        shooter->setFileName(pattern.c_str());
        EXPECT_FALSE(shooter->shoot()) << pattern;
    }
    shooter->setFileName("100%% shot %+5.3d.tga");
    ASSERT_TRUE(shooter->shoot());
    shooter->setFileName("fixed.tga");
    ASSERT_TRUE(shooter->shoot());
    EXPECT_TRUE(std::filesystem::exists(dir() / "100% shot  +000.tga"));
    EXPECT_TRUE(std::filesystem::exists(dir() / "fixed.tga"));
    EXPECT_EQ(2, fileCount());
    EXPECT_EQ(2, shooter->getShotCounter());
    EXPECT_EQ(9, errors()) << "one for each refused pattern";
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

// Same sizes go by BltFast past the target's clipper, which is put back;
// other sizes are stretched; a copy that does not fit fails.
TEST_F(ImageTest, ShotsIntoAGivenSurfaceCopyOrStretch) {
    D3DScreenShooter shooter{64, 32};
    IDirectDrawSurface4* source = surface(64, 32, kR5G6B5);
    IDirectDrawSurface4* same = surface(64, 32, kR5G6B5);
    IDirectDrawSurface4* taller = surface(64, 64, kR5G6B5);
    IDirectDrawClipper* clipper = nullptr;
    ASSERT_EQ(DD_OK, dd.get()->CreateClipper(0, &clipper, nullptr));
    ASSERT_EQ(DD_OK, same->SetClipper(clipper));
    clipper->Release();  // the surface holds it
    writePixels(source, [](int x, int y) { return pattern565(x, y, 1); });
    EXPECT_TRUE(shooter.save(source, 64, 32, same, 64, 32));
    const std::vector<uint32_t> from = platform::testing::readSurfaceARGB(source);
    EXPECT_EQ(from, platform::testing::readSurfaceARGB(same));
    ASSERT_EQ(DD_OK, same->GetClipper(&clipper));
    EXPECT_EQ(1u, clipper->Release()) << "the surface's own reference is left";

    EXPECT_TRUE(shooter.save(source, 64, 32, taller, 64, 64));
    const std::vector<uint32_t> pixels = platform::testing::readSurfaceARGB(taller);
    int wrong = 0;
    for (int i = 0; i < 64 * 64; ++i)
        wrong += pixels.at(i) != from.at(i / 128 * 64 + i % 64);
    EXPECT_EQ(0, wrong) << "rows not doubled";

    // Same size claimed, but the source rectangle does not fit the target.
    EXPECT_FALSE(shooter.save(source, 64, 32, surface(16, 8, kR5G6B5), 64, 32));
    EXPECT_FALSE(shooter.save(nullptr, 64, 32, same, 64, 32));
}

TEST_F(ShooterTest, GammaControlOnlyWhenTheDriverOrTheEmulationHasPrimaryGamma) {
    IDirectDrawSurface4* primary = g_pFramework->GetFrontBuffer();
    primary->AddRef();
    const ULONG references = primary->Release();
    const Capabilities saved = theCapabilities;
    const DWORD gamma = DDCAPS2_PRIMARYGAMMA;
    const DWORD cases[][3] = {{0, 0, 0}, {0, gamma, 1}, {gamma | 1, 0, 1}, {~gamma, 0, 0}};
    for (const auto& c : cases) {
        theCapabilities.driver.dwCaps2 = c[0];
        theCapabilities.emulation.dwCaps2 = c[1];
        {
            GammaControl control(primary);
            EXPECT_EQ(c[2] != 0, static_cast<IDirectDrawGammaControl*>(control) != nullptr);
        }
        primary->AddRef();
        EXPECT_EQ(references, primary->Release()) << "the control's reference went with it";
    }
    theCapabilities = saved;
}

}  // namespace
