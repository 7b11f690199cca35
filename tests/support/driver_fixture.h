// Points the data root at one of the configurations in tests/driver/data and
// gives each test fresh driver settings, as a freshly started process has;
// VideoModeTest also loads the driver and sets its default video mode.
#pragma once

#include "driver.h"

#include <engine/core/globals.h>
#include <engine/resources.h>
#include <platform/testing.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <unistd.h>

class DriverTest : public ::testing::Test {
protected:
    // Written files are mounted ahead of the data root: keep them apart from
    // anything a /Configs/system.cfg could be shadowed by.
    static void SetUpTestSuite() {
        const auto dir = std::filesystem::temp_directory_path() /
                         ("d3ddriver_test_driver_" + std::to_string(getpid()));
        ASSERT_TRUE(theResourceManager->setWriteDir(dir.string()));
    }
    static void TearDownTestSuite() {
        std::error_code ec;
        std::filesystem::remove_all(theResourceManager->getWriteDir(), ec);
    }
    void SetUp() override { g_driverSettings = DriverSettings(); }
    void TearDown() override { platform::testing::useDefaultDisplayProfile(); }

    // One of the folders under tests/driver/data.
    static void useData(const std::string& name) {
        const std::string root = std::string(D3DDRIVER_SOURCE_DIR) + "/tests/driver/data/" + name;
        ASSERT_TRUE(theResourceManager->setDataRoot(root)) << root;
    }
};

// The driver loaded and the default video mode (full screen, 640 x 480) set,
// with the application active, so that images, fonts, textures and views get
// real surfaces. A test may end the mode or the driver itself.
class VideoModeTest : public DriverTest {
protected:
    void SetUp() override {
        DriverTest::SetUp();
        platform::testing::activateApplication();
        platform::testing::clearInjectedFailures();
        useData("no_file");
        initDriver();
        theRenderDriver->initVideoMode(theRenderDriver->getDefaultVideoMode());
        ASSERT_NE(g_pDevice, nullptr);
    }
    void TearDown() override {
        if (theRenderDriver)
            theRenderDriver->termVideoMode();
        termDriver();
        DriverTest::TearDown();
    }
};
