#include "viewer.h"

#include "close_watcher.h"
#include "dialog_picture.h"
#include "driver_session.h"
#include "frame_counter.h"
#include "hud.h"
#include "load_overlay.h"
#include "mode_choice.h"
#include "registration.h"
#include "restore_check.h"
#include "gallery.h"
#include "scene/demo_scene.h"
#include "scene/world_scene.h"
#include "video_show.h"

#include <engine/core/globals.h>
#include <engine/core/render_driver.h>
#include <engine/core/screen_shooter.h>
#include <engine/core/window_interface.h>
#include <engine/debug.h>
#include <engine/resources.h>
#include <platform/testing_input.h>

#include <chrono>
#include <fstream>
#include <thread>
#include <cstdlib>
#include <functional>
#include <filesystem>
#include <iomanip>
#include <optional>
#include <stdexcept>
#include <vector>

namespace viewer {
namespace {

namespace fs = std::filesystem;

// Every failure ends the run with its message; the scoped objects on the way
// out give back the video mode and the library.
struct Failure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

Color toColor(std::uint32_t rgb) {
    const auto channel = [rgb](int shift) { return static_cast<float>((rgb >> shift) & 0xFF) / 255.0f; };
    return {channel(16), channel(8), channel(0), 1.0f};
}

// Written files go to the current folder unless the environment names one.
std::string writeBase() {
    const char* chosen = std::getenv("D3DDRIVER_WRITE_DIR");
    if (chosen && *chosen)
        return fs::absolute(chosen).lexically_normal().string();
    return fs::current_path().string();
}

void chooseDataRoot(const Options& options, std::ostream& out) {
    if (!options.dataDir.empty()) {
        std::error_code ec;
        const fs::path root = fs::absolute(options.dataDir, ec);
        if (ec || !fs::is_directory(root))
            throw Failure("--data: '" + options.dataDir + "' is not a folder");
        if (!theResourceManager->setDataRoot(root.string()))
            throw Failure("--data: cannot use '" + root.string() + "' as the data root");
    } else if (const char* fromEnv = std::getenv("D3DDRIVER_DATA"); fromEnv && *fromEnv) {
        // The resource manager takes it as it is: a missing folder would only
        // show later, as a write folder that cannot be mounted.
        std::error_code ec;
        const fs::path root = fs::absolute(fromEnv, ec);
        if (ec || !fs::is_directory(root, ec))
            throw Failure("D3DDRIVER_DATA: '" + std::string(fromEnv) + "' is not a folder");
    }
    const std::string root = theResourceManager->getDataRoot();
    if (root.empty())
        throw Failure("no data folder found; name one with --data DIR or D3DDRIVER_DATA");
    out << "data: " << root << "\n";
    // The driver reads its settings from there; without the file it says nothing.
    const fs::path settings = fs::path(root) / "Configs" / "system.cfg";
    std::error_code ec;
    if (!fs::is_regular_file(settings, ec))
        out << "note: " << settings.string() << " is missing; the driver uses its defaults\n";
}

std::optional<ShotTarget> prepareShotFolder(const Options& options) {
    if (options.screenshot.empty())
        return std::nullopt;
    ShotTarget target = splitShotPattern(options.screenshot, writeBase());
    std::error_code ec;
    fs::create_directories(target.folder, ec);
    if (ec || !fs::is_directory(target.folder))
        throw Failure("cannot make the screen-shot folder " + target.folder);
    return target;
}

const VideoMode& baseMode(const RenderDriver& driver, const Options& options) {
    const auto& modes = driver.getVideoModeList();
    if (options.mode) {
        if (const VideoMode* mode = findFullScreenMode(modes, *options.mode))
            return *mode;
        throw Failure("no full-screen mode " + modeSizeText(*options.mode) +
                      "; the driver offers:\n" + listFullScreenModes(modes));
    }
    if (const VideoMode* mode = driver.getDefaultVideoMode())
        return *mode;
    throw Failure("the driver has no default video mode (see /Configs/system.cfg); it offers:\n" +
                  listFullScreenModes(modes));
}

// A window needs the desktop's depth. When the chosen mode has another one,
// the same size at another depth (hardware first, in list order) is tried.
VideoMode* makeWindowedMode(RenderDriver& driver, const VideoMode& base, std::ostream& out) {
    if (VideoMode* made = driver.createWindowedVideoMode(&base, base.getWidth(), base.getHeight()))
        return made;
    // A copy: every windowed mode made is appended to the driver's list.
    const std::vector<VideoMode*> modes = driver.getVideoModeList();
    for (const bool hardware : {true, false}) {
        for (const VideoMode* other : modes) {
            if (other->isWindowed() || other->isHardware() != hardware ||
                other->getWidth() != base.getWidth() || other->getHeight() != base.getHeight())
                continue;
            if (VideoMode* made = driver.createWindowedVideoMode(other, base.getWidth(), base.getHeight())) {
                out << "note: " << modeSizeText({base.getWidth(), base.getHeight(), base.getColorDepth()})
                    << " cannot be shown in a window on this desktop; using " << describeMode(*other)
                    << " in a window\n";
                return made;
            }
        }
    }
    throw Failure("the driver cannot show " + describeMode(base) +
                  " or another mode of that size in a window on this desktop");
}

ScreenShooter& screenShooter() {
    if (!theScreenShooter)
        throw Failure("the driver has no screen shooter for this video mode");
    return *theScreenShooter;
}

// Hands the driver the system cursor's place over the render window, in
// 0 ... 1 of its width and height, taken at the pixel's centre.
void feedPointer(RenderDriver& driver) {
    if (!theRenderWindow)
        return;
    POINT point{};
    if (!GetCursorPos(&point) || !ScreenToClient(theRenderWindow->getHandle(), &point))
        return;
    const int width = theRenderWindow->getWidth();
    const int height = theRenderWindow->getHeight();
    if (width <= 0 || height <= 0)
        return;
    driver.setMousePointerPosition((static_cast<float>(point.x) + 0.5f) / static_cast<float>(width),
                                   (static_cast<float>(point.y) + 0.5f) / static_cast<float>(height));
}

// The mouse thread takes a move of the system cursor and puts the cursor
// back at the window's centre; the pointer has moved once that happened.
void waitForMouseSample(RenderDriver& driver) {
    HWND window = theRenderWindow ? theRenderWindow->getHandle() : nullptr;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    for (;;) {
        POINT point{};
        RECT client{};
        if (window && GetCursorPos(&point) && ScreenToClient(window, &point) &&
            GetClientRect(window, &client) && point.x == client.right / 2 &&
            point.y == client.bottom / 2)
            break;
        if (std::chrono::steady_clock::now() > deadline)
            throw Failure("the driver's mouse did not take the pointer move");
        std::this_thread::yield();
    }
    // Showing the cursor again waits for the sample in progress and places
    // the cursor at the new pointer.
    driver.showCursor();
}

// 32-bit, top-left origin, pixels 0xAARRGGBB.
bool writeTga32(const std::string& file, DWORD width, DWORD height,
                const std::vector<DWORD>& pixels) {
    if (width == 0 || height == 0 || width > 65535 || height > 65535 ||
        pixels.size() != static_cast<std::size_t>(width) * height)
        return false;
    std::ofstream stream(file, std::ios::binary);
    const unsigned char header[18] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                      static_cast<unsigned char>(width & 0xFF),
                                      static_cast<unsigned char>(width >> 8),
                                      static_cast<unsigned char>(height & 0xFF),
                                      static_cast<unsigned char>(height >> 8), 32, 0x28};
    stream.write(reinterpret_cast<const char*>(header), sizeof header);
    for (DWORD pixel : pixels) {
        const unsigned char bgra[4] = {static_cast<unsigned char>(pixel),
                                       static_cast<unsigned char>(pixel >> 8),
                                       static_cast<unsigned char>(pixel >> 16), 0xFF};
        stream.write(reinterpret_cast<const char*>(bgra), 4);
    }
    return static_cast<bool>(stream);
}

void movePointer(const PixelPoint& pixel) {
    if (!theRenderWindow || !platform::testing::postMouseMove(theRenderWindow->getHandle(), pixel.x, pixel.y))
        throw Failure("cannot move the mouse pointer to " + std::to_string(pixel.x) + "," +
                      std::to_string(pixel.y));
}

// The restore check's scene stands still at this time.
constexpr float stillSceneTime = 9.0f;

// Frames counted in fixed steps when their number is known, so that the same
// command draws the same pictures; the wall clock when running freely.
std::function<float()> sceneClock(bool fixedSteps) {
    if (fixedSteps)
        return [frame = 0]() mutable { return static_cast<float>(frame++) / sceneFramesPerSecond; };
    return [start = std::chrono::steady_clock::now()] {
        return std::chrono::duration<float>(std::chrono::steady_clock::now() - start).count();
    };
}

struct DrawResult {
    int frames = 0;
    double seconds = 0.0;
    bool closedByUser = false;
};

DrawResult drawFrames(RenderDriver& driver, int count, const FrameCounter& counter,
                      CloseWatcher& watcher) {
    const int before = counter.count();
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < count && !watcher.closeRequested(); ++i)
        driver.draw();
    const auto end = std::chrono::steady_clock::now();
    return {counter.count() - before, std::chrono::duration<double>(end - start).count(),
            watcher.closeRequested()};
}

DrawResult runUntilClosed(RenderDriver& driver, const FrameCounter& counter,
                          CloseWatcher& watcher) {
    const int before = counter.count();
    const auto start = std::chrono::steady_clock::now();
    driver.start();
    watcher.waitForClose();
    driver.stop();
    const auto end = std::chrono::steady_clock::now();
    return {counter.count() - before, std::chrono::duration<double>(end - start).count(), true};
}

void reportShots(const ShotTarget& target, int first, int count, std::ostream& out) {
    std::vector<std::string> missing;
    for (int n = first; n < first + count; ++n) {
        const fs::path file = fs::path(target.folder) / shotName(target.fileName, n);
        if (!fs::is_regular_file(file))
            missing.push_back(file.string());
    }
    const auto name = [&](int n) { return (fs::path(target.folder) / shotName(target.fileName, n)).string(); };
    if (!missing.empty())
        throw Failure("the driver did not write " + missing.front() +
                      (missing.size() > 1 ? " and " + std::to_string(missing.size() - 1) + " more" : ""));
    if (count == 1)
        out << "screenshot: " << name(first) << "\n";
    else
        out << "screenshots: " << count << " files, " << name(first) << " .. "
            << name(first + count - 1) << "\n";
}

class Run {
public:
    Run(const Options& options, std::ostream& out) : options(options), out(out) {}

    void execute() {
        chooseDataRoot(options, out);
        const std::optional<ShotTarget> shots = prepareShotFolder(options);
        std::string error;
        std::unique_ptr<LoadOverlay> overlay = LoadOverlay::mount(options.fps, &error);
        if (!overlay)
            throw Failure(error);
        DriverLibrary library;
        if (!library.loaded())
            throw Failure("cannot load the driver D3DDriver.dll (libd3ddriver.so next to d3dview), error " +
                          std::to_string(library.loadError()));
        if (!theRenderDriver)
            throw Failure("the driver library loaded but published no render driver");
        const std::string writeFolder = shots ? shots->folder : writeBase();
        if (!theResourceManager->setWriteDir(writeFolder))
            throw Failure("cannot write to " + writeFolder);
        overlay.reset();
        // An exception thrown in the driver has its type and code in the
        // library: it is read and ended here, before the library is unloaded.
        try {
            withDriver(*theRenderDriver, shots);
        } catch (const Failure&) {
            throw;
        } catch (const std::exception& e) {
            throw Failure(std::string("unexpected failure: ") + e.what());
        } catch (...) {
            throw Failure("unexpected failure: an exception of unknown type");
        }
    }

private:
    void withDriver(RenderDriver& driver, const std::optional<ShotTarget>& shots) {
        const VideoMode& base = baseMode(driver, options);
        std::optional<OwnedVideoMode> windowed;
        const VideoMode* mode = &base;
        if (options.windowed) {
            windowed.emplace(driver, makeWindowedMode(driver, base, out));
            mode = windowed->get();
        }
        const bool headless = platform::testing::presenterIsHeadless();
        out << "mode: " << describeMode(*mode) << "\n"
            << "display: " << (headless ? "headless" : "window") << "\n";

        if (!headless && !options.frames && !theApplication)
            throw Failure("the driver has no application shell to tell when the window closes");
        FrameCounter counter;
        CloseWatcher watcher;
        DriverListenerRegistration counting(&driver, &counter, 0);
        ApplicationListenerRegistration watching(theApplication, &watcher, 0);
        VideoModeSession session(driver, mode);
        if (driver.getCurrentVideoMode() != mode)
            throw Failure("the driver did not set the video mode " + describeMode(*mode));
        driver.setBackgroundColor(toColor(options.background), true);
        std::unique_ptr<scene::SceneContent> content;
        std::unique_ptr<scene::PickReport> picks;
        // The video outlives the scene that shows its screen.
        std::unique_ptr<VideoShow> video;
        std::optional<DriverListenerRegistration> videoShowing;
        std::unique_ptr<scene::SceneSession> shown;
        if (options.scene && options.pick)
            picks = std::make_unique<scene::PickReport>(out);
        // The heads-up display goes with the scene; the restore check keeps
        // its picture still, so it has none (the frame time would change).
        std::unique_ptr<Hud> hud;
        std::optional<DriverListenerRegistration> showing;
        if (!options.gallery.empty()) {
            GallerySettings gallery;
            gallery.aspect = static_cast<float>(mode->getWidth()) / static_cast<float>(mode->getHeight());
            gallery.drawFrame = [&] { drawFrames(driver, 1, counter, watcher); };
            try {
                writeGallery(driver, (fs::path(writeBase()) / options.gallery).string(), gallery, out);
            } catch (const std::runtime_error& e) {
                throw Failure(std::string("gallery: ") + e.what());
            }
            return;
        }
        if (options.scene && options.hud && !options.restoreCheck) {
            Hud::Settings hudSettings;
            if (picks)
                hudSettings.pointed = [report = picks.get()] { return report->current(); };
            hudSettings.cursor = !headless || options.cursor;
            hud = std::make_unique<Hud>(driver, *mode, std::move(hudSettings));
            for (const std::string& note : hud->notes())
                out << note << "\n";
            showing.emplace(&driver, hud.get(), 0);
        }
        // With the overlay cursor the driver's mouse owns the pointer: it
        // turns the system cursor's moves into pointer moves.
        const bool driverMouse = hud && hud->cursorShown();
        if (options.pointer) {
            movePointer(*options.pointer);
            if (driverMouse)
                waitForMouseSample(driver);
        }
        // Like the heads-up display, the video would change the still picture.
        if (options.scene && !options.restoreCheck && !options.world) {
            video = std::make_unique<VideoShow>(driver, *mode, videoSettings(headless));
            out << video->note() << "\n";
            if (video->playing())
                videoShowing.emplace(&driver, video.get(), 0);
        }
        std::unique_ptr<scene::WorldContent> worldContent;
        std::unique_ptr<scene::WorldSession> world;
        if (options.scene && options.world) {
            worldContent = std::make_unique<scene::WorldContent>();
            world = showWorld(driver, *worldContent, picks.get(), headless, driverMouse);
        } else if (options.scene) {
            content = std::make_unique<scene::SceneContent>();
            scene::SceneSession::Settings settings;
            settings.aspect = static_cast<float>(mode->getWidth()) / static_cast<float>(mode->getHeight());
            settings.pickReport = picks.get();
            settings.effects = options.effects ? scene::EFFECT_ALL : 0u;
            if (options.restoreCheck)
                settings.clock = [] { return stillSceneTime; };
            else
                settings.clock = sceneClock(options.frames || headless);
            if ((options.pick || options.pointer) && !driverMouse)
                settings.beforeView = [&driver] { feedPointer(driver); };
            if (video && video->screen())
                settings.extraMeshes.push_back(video->screen());
            shown = std::make_unique<scene::SceneSession>(driver, *content, std::move(settings));
            if (!shown->ready()) {
                if (options.pick)
                    throw Failure("no scene to pick in: " + shown->whyNot());
                out << "scene: not shown, " << shown->whyNot() << "\n";
            } else {
                out << "scene: " << shown->getObjects().size() << " meshes, "
                    << content->getLights().size() << " lights\n";
            }
        }
        if (options.restoreCheck)
            checkRestore(driver, *mode, counter, watcher, shots);
        else
            draw(driver, counter, watcher, headless, shots);
        if (options.showDialog) {
            try {
                ShownDialog shown(options.showDialog);
                writePresented(options.presented);
            } catch (const std::runtime_error& e) {
                throw Failure(e.what());
            }
        } else if (!options.presented.empty()) {
            writePresented(options.presented);
        }
    }

    std::unique_ptr<scene::WorldSession> showWorld(RenderDriver& driver,
                                                   scene::WorldContent& content,
                                                   scene::PickReport* picks, bool headless,
                                                   bool driverMouse) {
        scene::WorldSession::Settings settings;
        const VideoMode* mode = driver.getCurrentVideoMode();
        settings.aspect =
            static_cast<float>(mode->getWidth()) / static_cast<float>(mode->getHeight());
        settings.pickReport = picks;
        settings.effects = options.effects ? scene::WORLD_ALL : 0u;
        // Without a pointer to follow, the highlight stays on the statue.
        if (!options.pick && !options.pointer)
            settings.highlightTarget = "statue";
        if (options.restoreCheck)
            settings.clock = [] { return stillSceneTime; };
        else
            settings.clock = sceneClock(options.frames || headless);
        if ((options.pick || options.pointer) && !driverMouse)
            settings.beforeView = [&driver] { feedPointer(driver); };
        driver.setBackgroundColor(scene::worldSkyColor(), true);
        auto world = std::make_unique<scene::WorldSession>(driver, content, std::move(settings));
        if (!world->ready()) {
            if (options.pick)
                throw Failure("no scene to pick in: " + world->whyNot());
            out << "scene: not shown, " << world->whyNot() << "\n";
            return world;
        }
        out << "scene: world, " << world->getObjects().size() << " meshes, "
            << content.getLights().size() << " lights\n";
        if (options.effects) {
            std::string shown, missing;
            for (const scene::WorldEffectName& effect : scene::worldEffectNames())
                ((world->effectsShown() & effect.effect) ? shown : missing) +=
                    std::string(" ") + effect.name;
            out << "effects:" << (shown.empty() ? " none" : shown) << "\n";
            if (!missing.empty())
                out << "effects not offered by the driver:" << missing << "\n";
        }
        return world;
    }

    VideoShow::Settings videoSettings(bool headless) const {
        VideoShow::Settings settings;
        settings.file = options.video.empty()
                            ? (fs::path(theResourceManager->getDataRoot()) / "Videos/demo.avi").string()
                            : options.video;
        settings.loop = options.videoLoop;
        settings.fixedSteps = options.frames || headless;
        return settings;
    }

    void writePresented(const std::string& name) {
        const fs::path file = fs::path(writeBase()) / name;
        std::error_code ec;
        if (file.has_parent_path())
            fs::create_directories(file.parent_path(), ec);
        const platform::testing::PresentedFrame frame = platform::testing::lastPresentedFrame();
        if (frame.number == 0 || !writeTga32(file.string(), frame.width, frame.height, frame.pixels))
            throw Failure("cannot write the presented frame to " + file.string());
        out << "presented: " << file.string() << "\n";
    }

    void checkRestore(RenderDriver& driver, const VideoMode& mode, const FrameCounter& counter,
                      CloseWatcher& watcher, const std::optional<ShotTarget>& shots) {
        if (shots)
            screenShooter().setFileName(shots->fileName.c_str());
        out.flush();
        const auto drawn = [&](int count) {
            // Frames are skipped while the application is inactive; a few
            // more tries cover the one after a task switch.
            const int before = counter.count();
            for (int tries = 0; counter.count() - before < count && tries < count * 10; ++tries)
                drawFrames(driver, 1, counter, watcher);
            if (counter.count() - before < count)
                throw Failure("the driver did not draw the frames of the restore check");
        };
        RestoreCheckResult result;
        try {
            result = runRestoreCheck(driver, mode, drawn);
        } catch (const std::runtime_error& e) {
            throw Failure(std::string("restore check: ") + e.what());
        }
        reportRestoreCheck(result, out);
        if (shots) {
            if (!screenShooter().shoot())
                throw Failure("the screen shot failed");
            reportShots(*shots, 0, 1, out);
        }
        if (!result.same())
            throw Failure("restore check failed: the picture changed");
    }

    void draw(RenderDriver& driver, const FrameCounter& counter, CloseWatcher& watcher,
              bool headless, const std::optional<ShotTarget>& shots) {
        if (shots) {
            screenShooter().setFileName(shots->fileName.c_str());
            if (options.record && !screenShooter().startRecord())
                throw Failure("the screen shooter cannot record");
        }
        out.flush();  // the report so far, before a run that may take long
        DrawResult result;
        int wanted = 0;
        if (options.frames || headless) {
            wanted = options.frames.value_or(defaultHeadlessFrames);
            if (!options.frames)
                out << "headless: drawing " << wanted << " frames (choose with --frames N)\n";
            result = drawFrames(driver, wanted, counter, watcher);
        } else {
            out << "running until the window is closed or Escape is pressed" << std::endl;
            result = runUntilClosed(driver, counter, watcher);
            if (watcher.windowLost())
                throw Failure("the window cannot be shown (see the presenter's message above)");
        }
        if (shots && options.record)
            screenShooter().stopRecord();
        report(result, wanted);
        if (shots && !options.record) {
            if (!screenShooter().shoot())
                throw Failure("the screen shot failed");
            reportShots(*shots, 0, 1, out);
        } else if (shots) {
            reportShots(*shots, 0, result.frames, out);
        }
    }

    void report(const DrawResult& result, int wanted) {
        out << "frames drawn: " << result.frames << "\n";
        if (result.frames == 0)
            throw Failure("no frame was drawn (the window was not active, or the driver refused every frame)");
        out << "average frame time: " << std::fixed << std::setprecision(2)
            << result.seconds * 1000.0 / result.frames << " ms\n";
        if (wanted > 0 && result.frames < wanted && !result.closedByUser)
            out << "warning: " << wanted - result.frames
                << " frames were not drawn while the window was inactive\n";
    }

    const Options& options;
    std::ostream& out;
};

}  // namespace

int run(const Options& options, std::ostream& out, std::ostream& err) {
    if (options.help) {
        out << usageText("d3dview");
        return 0;
    }
    // The driver's hot keys for its debug dialogs listen to this filter.
    debug::Filter debugInput("DebugInput", options.debugInput ? 1.0f : 0.0f);
    try {
        Run(options, out).execute();
    } catch (const Failure& failure) {
        out.flush();
        err << "d3dview: " << failure.what() << "\n";
        return 1;
    } catch (const std::exception& e) {
        out.flush();
        err << "d3dview: unexpected failure: " << e.what() << "\n";
        return 1;
    }
    return 0;
}

}  // namespace viewer
