#include "ddraw_fixture.h"

#include <vector>

namespace {

struct Found {
    bool hasGuid;
    GUID guid;
    std::string description, name;
    HMONITOR monitor;
};

BOOL WINAPI collect(GUID* guid, LPSTR description, LPSTR name, LPVOID context, HMONITOR monitor) {
    auto* out = static_cast<std::vector<Found>*>(context);
    out->push_back({guid != nullptr, guid ? *guid : GUID{}, description, name, monitor});
    return TRUE;
}

class ProfileTest : public ::testing::Test {
protected:
    void TearDown() override { platform::testing::useDefaultDisplayProfile(); }
};

TEST_F(ProfileTest, BuiltInProfileHasOnePrimaryAdapterAndA32BitDesktop) {
    platform::testing::useDefaultDisplayProfile();
    std::vector<Found> found;
    ASSERT_EQ(DD_OK, DirectDrawEnumerateExA(collect, &found, DDENUM_ATTACHEDSECONDARYDEVICES));
    ASSERT_EQ(1u, found.size());
    EXPECT_FALSE(found[0].hasGuid);
    EXPECT_EQ(32u, platform::testing::currentDesktopMode().bitsPerPixel);
    EXPECT_EQ("built-in", platform::testing::displayProfileSource());
}

TEST_F(ProfileTest, FileWithTwoAdaptersEnumeratesPrimaryWithoutGuidAndSecondaryWithIt) {
    std::string error;
    ASSERT_TRUE(platform::testing::loadDisplayProfile(dataPath("two_adapters.cfg"), &error))
        << error;
    std::vector<Found> found;
    ASSERT_EQ(DD_OK, DirectDrawEnumerateExA(collect, &found, DDENUM_ATTACHEDSECONDARYDEVICES |
                                                                 DDENUM_DETACHEDSECONDARYDEVICES |
                                                                 DDENUM_NONDISPLAYDEVICES));
    ASSERT_EQ(2u, found.size());
    EXPECT_FALSE(found[0].hasGuid);
    EXPECT_EQ("Primary Display Driver", found[0].description);
    EXPECT_TRUE(found[1].hasGuid);
    EXPECT_EQ(0x6A1B2C3Du, found[1].guid.Data1);
    EXPECT_EQ(0xF9, found[1].guid.Data4[7]);
    EXPECT_EQ("Voodoo2 3D Accelerator", found[1].description);
    EXPECT_EQ("voodoo2", found[1].name);
    EXPECT_EQ(reinterpret_cast<HMONITOR>(static_cast<uintptr_t>(0x20002)), found[1].monitor);
    // The desktop of the file is in place.
    EXPECT_EQ(800u, platform::testing::currentDesktopMode().width);
    EXPECT_EQ(16u, platform::testing::currentDesktopMode().bitsPerPixel);
}

TEST_F(ProfileTest, SecondaryAdaptersAreLeftOutWithoutTheFlag) {
    ASSERT_TRUE(platform::testing::loadDisplayProfile(dataPath("two_adapters.cfg")));
    std::vector<Found> found;
    ASSERT_EQ(DD_OK, DirectDrawEnumerateExA(collect, &found, 0));
    EXPECT_EQ(1u, found.size());
}

TEST_F(ProfileTest, DirectDrawCreateFindsTheSecondaryAdapterByGuid) {
    ASSERT_TRUE(platform::testing::loadDisplayProfile(dataPath("two_adapters.cfg")));
    std::vector<Found> found;
    ASSERT_EQ(DD_OK, DirectDrawEnumerateExA(collect, &found, DDENUM_ATTACHEDSECONDARYDEVICES));
    ASSERT_EQ(2u, found.size());
    IDirectDraw* dd = nullptr;
    ASSERT_EQ(DD_OK, DirectDrawCreate(&found[1].guid, &dd, nullptr));
    IDirectDraw4* dd4 = nullptr;
    ASSERT_EQ(DD_OK, dd->QueryInterface(IID_IDirectDraw4, reinterpret_cast<void**>(&dd4)));
    DDCAPS caps{};
    caps.dwSize = sizeof(caps);
    ASSERT_EQ(DD_OK, dd4->GetCaps(&caps, nullptr));
    EXPECT_EQ(8388608u, caps.dwVidMemTotal);
    EXPECT_EQ(0u, caps.dwCaps & DDCAPS_OVERLAY);
    EXPECT_EQ(DDBD_16, caps.dwZBufferBitDepths);
    EXPECT_EQ(1u, dd4->Release());
    EXPECT_EQ(0u, dd->Release());

    GUID unknown = found[1].guid;
    unknown.Data1 ^= 1;
    IDirectDraw* none = nullptr;
    EXPECT_EQ(DDERR_INVALIDDIRECTDRAWGUID, DirectDrawCreate(&unknown, &none, nullptr));
    EXPECT_EQ(nullptr, none);
}

TEST_F(ProfileTest, CorruptFileIsRefusedWithItsNameAndLineAndTheDefaultStays) {
    std::string error;
    EXPECT_FALSE(platform::testing::loadDisplayProfile(dataPath("corrupt.cfg"), &error));
    EXPECT_NE(std::string::npos, error.find("corrupt.cfg")) << error;
    EXPECT_NE(std::string::npos, error.find("line 4")) << error;
    EXPECT_EQ("built-in", platform::testing::displayProfileSource());
}

TEST_F(ProfileTest, UnknownValueIsRefusedNamingTheSetting) {
    std::string error;
    EXPECT_FALSE(platform::testing::loadDisplayProfile(dataPath("bad_value.cfg"), &error));
    EXPECT_NE(std::string::npos, error.find("bad_value.cfg")) << error;
    EXPECT_NE(std::string::npos, error.find("warp")) << error;
    EXPECT_FALSE(platform::testing::loadDisplayProfile(dataPath("missing.cfg"), &error));
    EXPECT_NE(std::string::npos, error.find("cannot be read")) << error;
}

TEST_F(ProfileTest, DisplayModesOfTheProfileAreEnumerated) {
    ASSERT_TRUE(platform::testing::loadDisplayProfile(dataPath("two_adapters.cfg")));
    IDirectDraw* dd = nullptr;
    ASSERT_EQ(DD_OK, DirectDrawCreate(nullptr, &dd, nullptr));
    IDirectDraw4* dd4 = nullptr;
    ASSERT_EQ(DD_OK, dd->QueryInterface(IID_IDirectDraw4, reinterpret_cast<void**>(&dd4)));
    dd->Release();
    std::vector<std::string> modes;
    auto cb = [](LPDDSURFACEDESC2 d, LPVOID ctx) -> HRESULT {
        static_cast<std::vector<std::string>*>(ctx)->push_back(
            std::to_string(d->dwWidth) + "x" + std::to_string(d->dwHeight) + "x" +
            std::to_string(d->ddpfPixelFormat.dwRGBBitCount));
        EXPECT_EQ(sizeof(DDSURFACEDESC2), d->dwSize);
        return DDENUMRET_OK;
    };
    ASSERT_EQ(DD_OK, dd4->EnumDisplayModes(0, nullptr, &modes, cb));
    EXPECT_EQ((std::vector<std::string>{"640x480x16", "800x600x16", "800x600x32", "1024x768x32"}),
              modes);
    // The older structure, as read by a plain IDirectDraw.
    DDSURFACEDESC old{};
    old.dwSize = sizeof(old);
    IDirectDraw* again = nullptr;
    ASSERT_EQ(DD_OK, dd4->QueryInterface(IID_IDirectDraw, reinterpret_cast<void**>(&again)));
    ASSERT_EQ(DD_OK, again->GetDisplayMode(&old));
    EXPECT_EQ(800u, old.dwWidth);
    EXPECT_EQ(16u, old.ddpfPixelFormat.dwRGBBitCount);
    EXPECT_EQ(1u, again->Release());
    EXPECT_EQ(0u, dd4->Release());
}

TEST(ProfileGuid, TextRoundTrips) {
    GUID g{};
    ASSERT_TRUE(platform::display::parseGuid("{84E63DE0-46AA-11CF-816F-0000C020156E}", &g));
    EXPECT_TRUE(g == platform::display::kHalDeviceGuid);
    EXPECT_EQ("{84E63DE0-46AA-11CF-816F-0000C020156E}", platform::display::guidToString(g));
    EXPECT_FALSE(platform::display::parseGuid("{84E63DE0-46AA-11CF-816F-0000C020156}", &g));
    EXPECT_FALSE(platform::display::parseGuid("84E63DE0x46AA-11CF-816F-0000C020156E", &g));
}

TEST(ProfileDefaults, PrimaryAdapterOffersTheFourStandardDevices) {
    const auto p = platform::display::defaultProfile();
    ASSERT_EQ(1u, p.adapters.size());
    const auto& devices = p.adapters[0].devices;
    ASSERT_EQ(4u, devices.size());
    EXPECT_EQ("Direct3D HAL", devices[0].name);
    EXPECT_TRUE(devices[0].hardware);
    EXPECT_EQ("RGB Emulation", devices[1].name);
    EXPECT_EQ("Reference Rasterizer", devices[2].name);
    EXPECT_TRUE(devices[3].guid == platform::display::kNullDeviceGuid);
    ASSERT_EQ(3u, devices[0].depthFormats.size());
    EXPECT_EQ(16u, devices[0].depthFormats[0].bitCount);
    bool has800 = false, has1024 = false, has8bit = false;
    for (const auto& m : p.adapters[0].modes) {
        has800 = has800 || (m.width == 800 && m.height == 600);
        has1024 = has1024 || (m.width == 1024 && m.height == 768);
        has8bit = has8bit || m.bitsPerPixel == 8;
    }
    EXPECT_TRUE(has800 && has1024 && has8bit);
}

}  // namespace
