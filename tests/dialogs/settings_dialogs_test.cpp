// The debug dialogs with the driver loaded and a video mode set: opened
// through the render window's dialog operation (so on the core thread) or
// the hot keys, and used through the testing API as a person would.
#include "resource.h"
#include "tmanager.h"
#include "window/dialogs.h"

#include "../support/driver_fixture.h"

#include <engine/core/animation_manager.h>
#include <engine/core/degrading_manager.h>
#include <engine/core/effect_settings.h>
#include <engine/core/render_driver.h>
#include <engine/core/render_driver_listener.h>
#include <engine/core/sphere_vertex_fog.h>
#include <engine/core/window_interface.h>

#include <SDL.h>

#include <atomic>
#include <future>

namespace {

using namespace platform::testing;

class SettingsDialogs : public VideoModeTest, public RenderDriverListener {
protected:
    void SetUp() override {
        VideoModeTest::SetUp();
        SEContour::contourType = 0;
        SEVertexFog::enabled = false;
        SEVertexFog::start = 10.0f;
        SEVertexFog::end = 100.0f;
        AnimationManager::setLODFactor(1.0f);
        theD3DRenderDriver->registerListener(static_cast<RenderDriverListener*>(this));
    }
    void TearDown() override {
        if (opened.valid()) {
            while (HWND dialog = waitForDialog(0))
                EndDialog(dialog, 0);
            opened.get();
        }
        theD3DRenderDriver->unregisterListener(this);
        VideoModeTest::TearDown();
    }
    void initFrame(float) override { ++frames; }

    // Opens a dialog as the engine's thread would and returns it once it runs.
    HWND open(const char* name, DLGPROC procedure) {
        opened = std::async(std::launch::async, [=] {
            return theRenderWindow->dialogBox(nullptr, name, theRenderWindow->getHandle(),
                                              procedure, 0);
        });
        return waitForDialogs(1, 10000);
    }
    HWND openSettings() { return open("IDD_RENDER_SETTINGS", renderSettingsDialogProc); }
    int close(UINT key) {
        pressDialogKey(waitForDialog(0), key);
        return opened.get();
    }

    std::atomic<int> frames{0};
    std::future<int> opened;
};

// Every setting the dialog shows, as one comparable value.
auto settings() {
    const DegradingManager& m = *theDegradingManager;
    std::vector<bool> options;
    for (int o = 0; o < DegradingManager::OPTION_COUNT; ++o)
        options.push_back(m.getOption(static_cast<DegradingManager::Option>(o)));
    const SphereVertexFogManager& land = *theSphereVertexFogManager;
    return std::make_tuple(options, m.getQualityLevel(), m.getDetailLevel(), m.getTextureQuality(),
                           g_driverSettings.showStatistic, g_driverSettings.showFPS,
                           SEContour::contourType, AnimationManager::getLODFactor(),
                           SEVertexFog::enabled, SEVertexFog::start, SEVertexFog::end,
                           SEVertexFog::color.r, g_driverSettings.mousePeriod, land.getSpan(),
                           land.getScale(), land.getMinimum(), land.isEnabled());
}

// Dragged to 150, the level of detail bar makes OK set 1.5; the
// texture level and the frame-rate switch take effect in the driver. A
// feature the device cannot do shows its (off) state in a disabled box that
// takes no click.
// Then confirming what is shown keeps every setting (the level of detail
// rounded to two decimals), and a frequency of 0 or less keeps the sampling
// period; Cancel after the bars moved and boxes changed keeps them too. The
// loop draws no frame while a dialog is open.
TEST_F(SettingsDialogs, OkAppliesTheEditsAndConfirmingUnchangedOrCancellingChangesNothing) {
    HWND dialog = openSettings();
    ASSERT_NE(dialog, nullptr);
    dragTrackBar(dialog, IDC_RS_LOD_BAR, 150);
    clickDialogItem(dialog, IDC_RS_TEXTURES_1X4);
    clickDialogItem(dialog, IDC_RS_FPS);
    clickDialogItem(dialog, IDC_RS_HIGHLIGHT);
    clickDialogItem(dialog, IDC_RS_WBUFFER);
    clickDialogItem(dialog, IDC_RS_DITHERING);  // on before
    EXPECT_EQ(std::make_pair(IsWindowEnabled(GetDlgItem(dialog, IDC_RS_WBUFFER)),
                             IsDlgButtonChecked(dialog, IDC_RS_WBUFFER)),
              std::make_pair(FALSE, 0u));
    dragTrackBar(dialog, IDC_RS_EFFECTS_BAR, 0);
    replaceDialogItemText(dialog, IDC_RS_MOUSE_FREQUENCY, "50");
    replaceDialogItemText(dialog, IDC_RS_FOG_END, "12.345678901234567");  // 15 characters read
    clickDialogItem(dialog, IDOK);
    EXPECT_EQ(opened.get(), IDOK);
    EXPECT_EQ(std::make_tuple(AnimationManager::getLODFactor(), g_driverSettings.textureScaleFactor,
                              g_driverSettings.showFPS, SEContour::contourType,
                              theDegradingManager->getQualityLevel(), g_driverSettings.mousePeriod,
                              SEVertexFog::end, g_driverSettings.dithering,
                              theDegradingManager->getOption(DegradingManager::W_BUFFER)),
              std::make_tuple(1.5f, 2, true, 1, 0, 0.02f, 12.3456789012345f, false, false));

    theDegradingManager->setQualityLevel(1);
    theDegradingManager->setTextureQuality(1);
    theDegradingManager->apply();
    g_driverSettings.showFPS = true;
    SEContour::contourType = 1;
    SEVertexFog::start = 2.5f;
    SEVertexFog::end = 12.5f;  // the edit's two decimals
    theSphereVertexFogManager->setSpan(250.0f);
    AnimationManager::setLODFactor(1.25f);
    const auto before = settings();
    AnimationManager::setLODFactor(1.234f);
    theRenderDriver->start();
    dialog = openSettings();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(
        dialogItemText(dialog, IDC_RS_LOD) + " " + dialogItemText(dialog, IDC_RS_MOUSE_FREQUENCY),
        "1.23 50.00");
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDC_RS_STATISTIC)));
    replaceDialogItemText(dialog, IDC_RS_MOUSE_FREQUENCY, "0");
    clickDialogItem(dialog, IDOK);
    EXPECT_EQ(opened.get(), IDOK);
    AnimationManager::setLODFactor(AnimationManager::getLODFactor() == 1.23f ? 1.25f : -1.0f);
    EXPECT_EQ(settings(), before);
    dialog = openSettings();
    const int framesWhenOpen = frames;
    dragTrackBar(dialog, IDC_RS_LOD_BAR, 20);
    dragTrackBar(dialog, IDC_RS_EFFECTS_BAR, 1);
    clickDialogItem(dialog, IDC_RS_FPS);
    clickDialogItem(dialog, IDC_RS_FOG_ENABLE);
    EXPECT_EQ(frames, framesWhenOpen);
    EXPECT_EQ(close(VK_ESCAPE), IDCANCEL);
    theRenderDriver->stop();
    EXPECT_EQ(settings(), before);
}

// The colour button opens the colour dialog with 16 grey custom colours
// (16 x i); the colour confirmed there becomes the fog colour, alpha kept.
TEST_F(SettingsDialogs, TheColourButtonChoosesTheFogColour) {
    SEVertexFog::color = Color(0.0f, 1.0f, 0.0f, 0.25f);
    HWND dialog = openSettings();
    ASSERT_NE(dialog, nullptr);
    clickDialogItem(dialog, IDC_RS_FOG_COLOR, false);  // runs until the colour dialog ends
    HWND colours = waitForDialogs(2, 10000);
    ASSERT_NE(colours, nullptr);
    EXPECT_EQ(dialogItemText(colours, 706) + dialogItemText(colours, 707), "0255");
    clickDialogItem(colours, 720 + 5);  // the sixth grey, 16 x 5
    clickDialogItem(colours, IDOK);
    EXPECT_EQ(close(VK_ESCAPE), IDCANCEL);  // the colour is set at once, not by OK
    EXPECT_EQ(std::make_tuple(SEVertexFog::color.r, SEVertexFog::color.g, SEVertexFog::color.a),
              std::make_tuple(80 / 255.0f, 80 / 255.0f, 0.25f));
}

// The statistics dialog shows the texture manager's text. (The hot keys that
// open it are the application tests' matter.)
TEST_F(SettingsDialogs, TheStatisticsDialogShowsTheTextureManagersText) {
    theD3DTextureManager->createTexture(64, 64, AlphaFormat(0), 0);
    HWND dialog = open("IDD_TEXTURE_STATISTIC", textureStatisticDialogProc);
    ASSERT_NE(dialog, nullptr);
    std::string expected;
    theD3DTextureManager->getStatistic(expected);
    EXPECT_EQ(dialogItemText(dialog, IDC_TS_TEXT), expected);
    EXPECT_EQ(close(VK_RETURN), IDOK);
}

// A left click at a point of the render window's client area as the user
// makes it: on a display through SDL's event queue, headless through the
// presenter's own input path.
void clickWindow(POINT at) {
    HWND window = theRenderWindow->getHandle();
    if (presenterIsHeadless()) {
        postMouseButton(window, 0, true, at.x, at.y);
        postMouseButton(window, 0, false, at.x, at.y);
        return;
    }
    Uint32 id = 1;
    while (id < 16 && !SDL_GetWindowFromID(id))
        ++id;
    for (Uint32 type : {Uint32{SDL_MOUSEBUTTONDOWN}, Uint32{SDL_MOUSEBUTTONUP}}) {
        SDL_Event event{};
        event.button.type = type;
        event.button.windowID = id;
        event.button.button = SDL_BUTTON_LEFT;
        event.button.state = type == SDL_MOUSEBUTTONDOWN ? SDL_PRESSED : SDL_RELEASED;
        event.button.x = at.x;
        event.button.y = at.y;
        SDL_PushEvent(&event);
    }
}

// Where an item of the dialog lies in the render window's client area.
POINT inWindow(HWND dialog, int id) {
    RECT item{};
    GetWindowRect(GetDlgItem(dialog, id), &item);
    POINT at{(item.left + item.right) / 2, (item.top + item.bottom) / 2};
    ScreenToClient(theRenderWindow->getHandle(), &at);
    return at;
}

// The dialog is drawn over the last frame (its caption bar at its place) and
// a click on a check box, then on OK, changes the setting.
TEST_F(SettingsDialogs, DrawnOverTheFrameAndUsedWithTheMouse) {
    theRenderDriver->draw();
    const bool fps = g_driverSettings.showFPS;
    HWND dialog = openSettings();
    ASSERT_NE(dialog, nullptr);
    const PresentedFrame frame = lastPresentedFrame();
    ASSERT_EQ(frame.width, 640u);
    RECT outer{};
    GetWindowRect(dialog, &outer);
    POINT caption{outer.right - 8, outer.top + 8};  // past the title text
    ScreenToClient(theRenderWindow->getHandle(), &caption);
    const POINT okAt = inWindow(dialog, IDOK);
    EXPECT_EQ(std::make_pair(frame.pixels[caption.y * 640 + caption.x],
                             frame.pixels[okAt.y * 640 + okAt.x - 20]),
              std::make_pair(DWORD{0xFF0A246A}, DWORD{0xFFD4D0C8}));
    clickWindow(inWindow(dialog, IDC_RS_FPS));
    clickWindow(okAt);
    EXPECT_EQ(opened.get(), IDOK);
    EXPECT_EQ(g_driverSettings.showFPS, !fps);
    EXPECT_NE(lastPresentedFrame().pixels[caption.y * 640 + caption.x], DWORD{0xFF0A246A});
}

}  // namespace
