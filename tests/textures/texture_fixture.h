// Shared set-up of the texture tests: images and "/Configs/texture.cfg"
// written into a folder of their own, a render window with a device framework
// on the real platform published as the driver's, and a fresh texture manager.
#pragma once

#include "application.h"
#include "driver.h"
#include "tmanager.h"

#include "../support/render_window.h"

#include <engine/debug.h>
#include <engine/resources.h>
#include <platform/testing.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

// Colours as 0xAARRGGBB.
inline constexpr uint32_t kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF0000FF;

// The bits a 16-bit 565 surface keeps of a colour; surfaces are compared
// through it so that the reading's low-bit fill does not matter.
inline uint32_t rgb565Bits(uint32_t argb) {
    return argb & 0x00F8FCF8;
}

class TextureTest : public RenderWindowTest {
public:
    // Files readable under "/": images from 0xAARRGGBB pixels, and texture.cfg.
    static void writeImage(const std::string& name, int w, int h,
                           const std::function<uint32_t(int, int)>& argb) {
        ImageContainer image;
        image.create(w, h, ALPHA_NONE);
        for (int i = 0; i < w * h; ++i) {
            const uint32_t c = argb(i % w, i / w);
            std::memcpy(&image.getData()[i], &c, sizeof c);
        }
        std::filesystem::create_directories((dir() / name).parent_path());
        ASSERT_TRUE(image.save(name.c_str())) << name;
    }
    static void writeSolid(const std::string& name, int w, int h, uint32_t argb) {
        writeImage(name, w, h, [argb](int, int) { return argb; });
    }
    static void writeTextureConfig(const std::string& text) {
        std::filesystem::create_directories(dir() / "Configs");
        std::ofstream(dir() / "Configs/texture.cfg") << text;
    }
    static std::filesystem::path dir() {
        return std::filesystem::temp_directory_path() /
               ("d3ddriver_test_textures_" + std::to_string(getpid()));
    }

protected:
    void SetUp() override { start(nullptr); }
    void TearDown() override {
        stop();
        std::filesystem::remove_all(dir());
    }

    // A profile from tests/textures/data, or the built-in one for null.
    void start(const char* profile, const GUID* deviceGuid = &IID_IDirect3DRGBDevice) {
        // An empty folder of this process as data root and write folder.
        std::filesystem::remove_all(dir());
        std::filesystem::create_directories(dir() / "data");
        ASSERT_TRUE(theResourceManager->setDataRoot((dir() / "data").string()));
        ASSERT_TRUE(theResourceManager->setWriteDir(dir().string()));
        theResourceManager->setCurrentPath("/");
        std::string error, data = std::string(D3DDRIVER_SOURCE_DIR) + "/tests/textures/data/";
        if (!profile)
            platform::testing::useDefaultDisplayProfile();
        else
            ASSERT_TRUE(platform::testing::loadDisplayProfile(data + profile, &error)) << error;
        platform::testing::clearInjectedFailures();
        records.clear();
        debug::System::setSink([this](const debug::Record& r) { records.push_back(r); });
        ASSERT_NO_FATAL_FAILURE(openWindow(0, 0, 64, 48));
        ASSERT_EQ(S_OK, framework.InitializeFramework(hWnd, nullptr, deviceGuid, nullptr,
                                                      D3DFW_BACKBUFFER | D3DFW_ZBUFFER));
        g_pFramework = &framework;
        g_pDevice = framework.GetD3DDevice();
        driver = std::make_unique<D3DRenderDriver>();
        theD3DRenderDriver = driver.get();
        driver->updateD3DInterfaces();
        g_driverSettings = DriverSettings();
        makeManager();
        platform::testing::resetCallCounts();
    }
    void stop() {
        manager.reset();
        theD3DTextureManager = nullptr;
        theD3DRenderDriver = nullptr;
        driver.reset();
        g_pDevice = nullptr;
        g_pFramework = nullptr;
        RenderWindowTest::TearDown();
        g_driverSettings = DriverSettings();
        debug::System::setSink(nullptr);
        platform::testing::useDefaultDisplayProfile();
    }

    // A new manager that reads the texture configuration as it is now.
    void makeManager() {
        manager.reset();
        manager = std::make_unique<D3DTextureManager>();
        theD3DTextureManager = manager.get();
    }

    // A shared texture from a file, restored for a stage, and its release.
    TextureInterface* restoredTexture(const char* name, int mode = 0, int stage = 0) {
        TextureInterface* texture = manager->createTexture(name, true, mode);
        EXPECT_TRUE(texture && texture->restore(nullptr, nullptr, stage, false)) << name;
        return texture;
    }
    void release(TextureInterface* texture, int stage = 0) {
        texture->invalidate(stage);
        manager->destroyTexture(texture);
    }
    // A plain surface of the manager's, made on the framework's DirectDraw.
    SurfaceInterface* restoredSurface(int width, int height) {
        SurfaceInterface* s = manager->createSurface(width, height);
        EXPECT_TRUE(s->restore(framework.GetDirectDraw()));
        return s;
    }
    void release(SurfaceInterface* surface) {
        surface->invalidate();
        manager->destroySurface(surface);
    }

    static std::vector<uint32_t> pixels(IDirectDrawSurface4* surface) {
        return platform::testing::readSurfaceARGB(surface);
    }
    static uint32_t firstPixel(TextureInterface* t) {
        return rgb565Bits(pixels(t->getSurface(0))[0]);
    }
    static TextureContainer* container(TextureInterface* t) {
        return static_cast<TextureContainer*>(t);
    }

    std::unique_ptr<D3DRenderDriver> driver;
    std::unique_ptr<D3DTextureManager> manager;
    std::vector<debug::Record> records;
};
