// Shared set-up of the texture tests: a data folder of their own that the
// tests write TGA images and "/Configs/texture.cfg" into, a render window
// with a device framework on the real platform published as the driver's,
// and a fresh texture manager.
#pragma once

#include "application.h"
#include "d3dframe/d3dframe.h"
#include "driver.h"
#include "tmanager.h"

#include <engine/debug.h>
#include <engine/resources.h>
#include <platform/testing.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

// Colours as 0xAARRGGBB.
inline constexpr uint32_t kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF0000FF,
                          kWhite = 0xFFFFFFFF, kBlack = 0xFF000000;

// The bits a 16-bit 565 surface keeps of a colour; surfaces are compared
// through it so that the reading's low-bit fill does not matter.
inline uint32_t rgb565Bits(uint32_t argb) {
    return argb & 0x00F8FCF8;
}

// An uncompressed 32-bit TGA, top row first.
inline std::vector<uint8_t> tgaBytes(int width, int height,
                                     const std::function<uint32_t(int, int)>& argb) {
    std::vector<uint8_t> bytes(18, 0);
    bytes[2] = 2;
    bytes[12] = uint8_t(width & 0xFF);
    bytes[13] = uint8_t(width >> 8);
    bytes[14] = uint8_t(height & 0xFF);
    bytes[15] = uint8_t(height >> 8);
    bytes[16] = 32;
    bytes[17] = 0x20;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const uint32_t c = argb(x, y);
            bytes.push_back(uint8_t(c));        // blue
            bytes.push_back(uint8_t(c >> 8));   // green
            bytes.push_back(uint8_t(c >> 16));  // red
            bytes.push_back(uint8_t(c >> 24));  // alpha
        }
    return bytes;
}

class TextureTest : public ::testing::Test {
public:
    // Files under the data root.
    static void writeData(const std::string& relative, const std::vector<uint8_t>& bytes) {
        const auto path = root() / "data" / relative;
        std::filesystem::create_directories(path.parent_path());
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    }
    static void writeImage(const std::string& relative, int width, int height,
                           const std::function<uint32_t(int, int)>& argb) {
        writeData(relative, tgaBytes(width, height, argb));
    }
    static void writeSolid(const std::string& relative, int width, int height, uint32_t argb) {
        writeImage(relative, width, height, [argb](int, int) { return argb; });
    }

protected:
    static void SetUpTestSuite() {
        root() = std::filesystem::temp_directory_path() /
                 ("d3ddriver_test_textures_" + std::to_string(getpid()));
        std::filesystem::create_directories(root() / "data");
        ASSERT_TRUE(theResourceManager->setDataRoot((root() / "data").string()));
        ASSERT_TRUE(theResourceManager->setWriteDir((root() / "write").string()));
    }
    static void TearDownTestSuite() {
        std::error_code ec;
        std::filesystem::remove_all(root(), ec);
    }

    void SetUp() override { start(nullptr); }
    void TearDown() override { stop(); }

    // A profile from tests/textures/data, or the built-in one for null.
    void start(const char* profile, const GUID* deviceGuid = &IID_IDirect3DRGBDevice) {
        std::filesystem::remove_all(root() / "data");
        std::filesystem::create_directories(root() / "data");
        theResourceManager->setCurrentPath("/");
        if (profile) {
            std::string error;
            const std::string path =
                std::string(D3DDRIVER_SOURCE_DIR) + "/tests/textures/data/" + profile;
            ASSERT_TRUE(platform::testing::loadDisplayProfile(path, &error)) << error;
        } else {
            platform::testing::useDefaultDisplayProfile();
        }
        platform::testing::activateApplication();
        platform::testing::clearInjectedFailures();
        debug::System::setSink([this](const debug::Record& r) { records.push_back(r); });
        WNDCLASSA wc{};
        wc.lpfnWndProc = DefWindowProcA;
        wc.lpszClassName = "TextureTest";
        RegisterClassA(&wc);  // a second registration fails harmlessly
        hWnd = CreateWindowExA(0, "TextureTest", "Render Window", WS_POPUP | WS_VISIBLE, 0, 0, 64,
                               48, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(nullptr, hWnd);
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
        framework.ReleaseObjects();
        if (hWnd)
            DestroyWindow(hWnd);
        hWnd = nullptr;
        g_driverSettings = DriverSettings();
        debug::System::setSink(nullptr);
        platform::testing::clearInjectedFailures();
        platform::testing::useDefaultDisplayProfile();
    }

    // A new manager that reads the texture configuration as it is now.
    void makeManager() {
        manager.reset();
        manager = std::make_unique<D3DTextureManager>();
        theD3DTextureManager = manager.get();
    }
    void writeTextureConfig(const std::string& text) {
        writeData("Configs/texture.cfg", std::vector<uint8_t>(text.begin(), text.end()));
    }

    // A shared texture from a file, restored for a stage.
    TextureInterface* restoredTexture(const char* name, int mode = 0, int stage = 0) {
        TextureInterface* texture = manager->createTexture(name, true, mode);
        EXPECT_NE(nullptr, texture);
        if (texture) {
            EXPECT_TRUE(texture->restore(nullptr, nullptr, stage, false)) << name;
        }
        return texture;
    }
    void release(TextureInterface* texture, int stage = 0) {
        texture->invalidate(stage);
        manager->destroyTexture(texture);
    }

    static std::vector<uint32_t> pixels(IDirectDrawSurface4* surface) {
        return platform::testing::readSurfaceARGB(surface);
    }
    // The mip level below `surface`, with a reference the caller releases.
    static IDirectDrawSurface4* nextLevel(IDirectDrawSurface4* surface) {
        DDSCAPS2 caps{};
        caps.dwCaps = DDSCAPS_TEXTURE | DDSCAPS_MIPMAP;
        IDirectDrawSurface4* next = nullptr;
        return SUCCEEDED(surface->GetAttachedSurface(&caps, &next)) ? next : nullptr;
    }

    static unsigned calls(const std::string& method) {
        return platform::testing::callCount(method);
    }

    int countRecords(debug::Message::Kind kind, const std::string& text) const {
        int n = 0;
        for (const auto& r : records)
            n += (r.kind == kind && r.text == text) ? 1 : 0;
        return n;
    }

    static std::filesystem::path& root() {
        static std::filesystem::path path;
        return path;
    }

    CD3DFramework framework;
    HWND hWnd = nullptr;
    std::unique_ptr<D3DRenderDriver> driver;
    std::unique_ptr<D3DTextureManager> manager;
    std::vector<debug::Record> records;
};
