// Shared set-up of the screen shot tests: plain surfaces of a DirectDraw
// object of their own in chosen RGB layouts, pixel patterns, and files read
// back from a write directory of this process.
#pragma once

#include "../images/image_support.h"

#include <engine/resources.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

// A 565 pixel as an image holds it: channels shifted up, low bits and alpha 0.
inline uint32_t expand565(uint32_t p) {
    return (p >> 11 & 0x1F) << 19 | (p >> 5 & 0x3F) << 10 | (p & 0x1F) << 3;
}
// Neighbouring pixels and rows differ, and every channel takes many values.
inline uint32_t pattern565(int x, int y, int seed) {
    return (x * 37 + y * 1031 + seed * 4099) & 0xFFFF;
}

// Writes raw 16- or 32-bit pixel values into a surface through its pitch.
template <typename Fn>
void writePixels(IDirectDrawSurface4* s, Fn value) {
    DDSURFACEDESC2 d{};
    d.dwSize = sizeof d;
    ASSERT_EQ(DD_OK, s->Lock(nullptr, &d, DDLOCK_WAIT, nullptr));
    const DWORD bytes = d.ddpfPixelFormat.dwRGBBitCount / 8;
    for (DWORD y = 0; y < d.dwHeight; ++y)
        for (DWORD x = 0; x < d.dwWidth; ++x) {
            const uint32_t v = value(int(x), int(y));
            std::memcpy(static_cast<uint8_t*>(d.lpSurface) + y * d.lPitch + x * bytes, &v, bytes);
        }
    ASSERT_EQ(DD_OK, s->Unlock(nullptr));
}

// Each test writes into an empty folder of this process; surfaces it makes
// are released after it.
class ImageTest : public ::testing::Test {
protected:
    using Files = std::filesystem::directory_iterator;
    struct Release {
        void operator()(IDirectDrawSurface4* s) const { s->Release(); }
    };

    void SetUp() override {
        platform::testing::clearInjectedFailures();
        std::filesystem::remove_all(dir());
        ASSERT_TRUE(theResourceManager->setWriteDir(dir().string()));
    }
    void TearDown() override { std::filesystem::remove_all(dir()); }

    static std::filesystem::path dir() {
        return std::filesystem::temp_directory_path() /
               ("d3ddriver_test_screenshot_" + std::to_string(getpid()));
    }
    static long fileCount() { return std::distance(Files(dir()), Files()); }
    static std::vector<uint8_t> readFile(const std::string& name) {
        return {std::istreambuf_iterator<char>(std::ifstream(dir() / name).rdbuf()), {}};
    }

    IDirectDrawSurface4* surface(DWORD width, DWORD height, const DDPIXELFORMAT& format) {
        surfaces.emplace_back(dd.create(width, height, format));
        return surfaces.back().get();
    }

    DirectDrawObject dd;
    std::vector<std::unique_ptr<IDirectDrawSurface4, Release>> surfaces;
};
