// The driver loaded headless with the repository's data, a write folder of
// its own in the temporary folder and a 640 x 480 x 16 full-screen mode;
// everything given back in reverse. Owners made after it (scenes, views)
// must be gone before it.
#pragma once

#include "driver.h"

#include <engine/types.h>
#include <engine/core/globals.h>
#include <engine/core/render_driver.h>
#include <engine/core/video_mode.h>
#include <engine/resources.h>
#include <platform/testing.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <system_error>
#include <unistd.h>

namespace bench {

class HeadlessDriver {
public:
    HeadlessDriver(const std::string& name, const Color& background)
        : writeDir(std::filesystem::temp_directory_path() / (name + "_" + std::to_string(getpid()))) {
        setenv("D3DDRIVER_HEADLESS", "1", 0);
        platform::testing::activateApplication();
        theResourceManager->setWriteDir(writeDir.string());
        if (!theResourceManager->setDataRoot(std::string(D3DDRIVER_SOURCE_DIR) + "/data"))
            throw std::runtime_error("no data folder");
        initDriver();
        const VideoMode* mode = nullptr;
        for (const VideoMode* m : theRenderDriver->getVideoModeList())
            if (!m->isWindowed() && m->isHardware() && m->getWidth() == 640 &&
                m->getHeight() == 480 && m->getColorDepth() == 16)
                mode = m;
        if (!mode)
            throw std::runtime_error("no 640x480x16 mode");
        theRenderDriver->initVideoMode(mode);
        theRenderDriver->setBackgroundColor(background, true);
    }
    ~HeadlessDriver() {
        theRenderDriver->termVideoMode();
        termDriver();
        std::error_code ec;
        std::filesystem::remove_all(writeDir, ec);
    }
    HeadlessDriver(const HeadlessDriver&) = delete;
    HeadlessDriver& operator=(const HeadlessDriver&) = delete;

private:
    std::filesystem::path writeDir;
};

// The headless driver with one of the viewer's scenes (Content, drawn by a
// Session) shown at 640 x 480 with the settings a benchmark asks for; without
// a clock of their own the scene's time goes 1/30 s a frame.
template <typename Content, typename Session>
class SessionSetup {
public:
    SessionSetup(const std::string& name, const Color& background) : driver(name, background) {}

    // Replaces the session shown, warmed up: textures loaded, buffers made.
    Session& show(typename Session::Settings settings) {
        session.reset();
        settings.aspect = 640.0f / 480.0f;
        if (!settings.clock)
            settings.clock = [this] { return static_cast<float>(frame++) / 30.0f; };
        session = std::make_unique<Session>(*theRenderDriver, content, settings);
        if (!session->ready())
            throw std::runtime_error(session->whyNot());
        for (int i = 0; i < 5; ++i)
            theRenderDriver->draw();
        return *session;
    }

private:
    HeadlessDriver driver;
    Content content;
    std::unique_ptr<Session> session;
    int frame = 0;
};

}  // namespace bench
