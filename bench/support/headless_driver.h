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

}  // namespace bench
