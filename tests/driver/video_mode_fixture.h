// The driver loaded and the default video mode set, with the application
// active, so that images, fonts and textures get real surfaces.
#pragma once

#include "application.h"

#include "../support/driver_fixture.h"

#include <engine/core/globals.h>
#include <platform/testing_display.h>

class VideoModeTest : public DriverTest {
protected:
    void SetUp() override {
        DriverTest::SetUp();
        platform::testing::activateApplication();
        useData("no_file");
        initDriver();
        ASSERT_NE(theD3DRenderDriver, nullptr);
        theRenderDriver->initVideoMode(theRenderDriver->getDefaultVideoMode());
        ASSERT_NE(g_pDevice, nullptr);
    }
    void TearDown() override {
        theRenderDriver->termVideoMode();
        termDriver();
        DriverTest::TearDown();
    }
};
