#include "profile_fixture.h"

namespace {

D3DEnum_DeviceInfo* selectedDevice() {
    D3DEnum_DriverInfo* driver = nullptr;
    D3DEnum_DeviceInfo* device = nullptr;
    EXPECT_EQ(D3DEnum_GetSelected(&driver, &device), D3DENUM_OK);
    EXPECT_NE(driver, nullptr);
    return device;
}

class Passes : public ProfileTest {};

TEST_F(Passes, HardwareWindowedFirst) {
    useProfile("adapters.cfg");
    ASSERT_EQ(D3DEnum_Enumerate(nullptr), D3DENUM_OK);
    const D3DEnum_DeviceInfo* device = selectedDevice();
    ASSERT_NE(device, nullptr);
    EXPECT_STREQ(device->name, "Direct3D HAL");
    EXPECT_TRUE(device->windowed);
}

TEST_F(Passes, SoftwareWindowedBeforeHardwareFullScreen) {
    useProfile("hal_16_only.cfg");
    ASSERT_EQ(D3DEnum_Enumerate(nullptr), D3DENUM_OK);
    const D3DEnum_DeviceInfo* device = selectedDevice();
    ASSERT_NE(device, nullptr);
    EXPECT_STREQ(device->name, "RGB Emulation");
    EXPECT_TRUE(device->windowed);
}

TEST_F(Passes, HardwareFullScreenWhenNoWindowIsPossible) {
    useProfile("no_window.cfg");
    ASSERT_EQ(D3DEnum_Enumerate(nullptr), D3DENUM_OK);
    const D3DEnum_DeviceInfo* device = selectedDevice();
    ASSERT_NE(device, nullptr);
    EXPECT_STREQ(device->name, "Direct3D HAL");
    EXPECT_FALSE(device->windowed);
}

TEST_F(Passes, SkipHardwareGivesSoftwareWindowed) {
    useProfile("adapters.cfg");
    D3DEnum_Enumerate(nullptr);
    ASSERT_EQ(D3DEnum_SelectDefault(D3DENUM_SKIP_HARDWARE), D3DENUM_OK);
    const D3DEnum_DeviceInfo* device = selectedDevice();
    EXPECT_STREQ(device->name, "RGB Emulation");
    EXPECT_TRUE(device->windowed);
}

TEST_F(Passes, SkipWindowedGivesHardwareFullScreen) {
    useProfile("adapters.cfg");
    D3DEnum_Enumerate(nullptr);
    ASSERT_EQ(D3DEnum_SelectDefault(D3DENUM_SKIP_WINDOWED), D3DENUM_OK);
    const D3DEnum_DeviceInfo* device = selectedDevice();
    EXPECT_STREQ(device->name, "Direct3D HAL");
    EXPECT_FALSE(device->windowed);
}

TEST_F(Passes, SkipBothGivesSoftwareFullScreen) {
    useProfile("adapters.cfg");
    D3DEnum_Enumerate(nullptr);
    ASSERT_EQ(D3DEnum_SelectDefault(D3DENUM_SKIP_HARDWARE | D3DENUM_SKIP_WINDOWED), D3DENUM_OK);
    const D3DEnum_DeviceInfo* device = selectedDevice();
    EXPECT_STREQ(device->name, "RGB Emulation");
    EXPECT_FALSE(device->windowed);
}

TEST_F(Passes, NothingEnumeratedAtAll) {
    useProfile("null_only.cfg");
    EXPECT_EQ(D3DEnum_Enumerate(nullptr), D3DENUM_ERR_NO_DEVICE);
    EXPECT_EQ(D3DEnum_GetFirstDriver(), nullptr);
    EXPECT_EQ(D3DEnum_GetSelected(nullptr, nullptr), D3DENUM_ERR_NO_DEVICE);
}

TEST_F(Passes, NoMatchAndNoReferenceRasterizer) {
    useProfile("hal_only.cfg");
    ASSERT_EQ(D3DEnum_Enumerate(nullptr), D3DENUM_OK);
    EXPECT_EQ(D3DEnum_SelectDefault(D3DENUM_SKIP_HARDWARE), D3DENUM_ERR_NO_MATCH_NO_REF);
}

TEST_F(Passes, NoMatchAlthoughReferenceRasterizerWasSeen) {
    useProfile("hal_ref_unusable.cfg");
    ASSERT_EQ(D3DEnum_Enumerate(nullptr), D3DENUM_OK);
    EXPECT_EQ(count(D3DEnum_GetFirstDriver()->firstDevice), 1);
    EXPECT_EQ(D3DEnum_SelectDefault(D3DENUM_SKIP_HARDWARE), D3DENUM_ERR_NO_MATCH_REF_PRESENT);
}

// Desktop compatibility is computed again at each selection.
TEST_F(Passes, DesktopChangeIsSeenAtNextSelection) {
    useProfile("hal_16_only.cfg");
    ASSERT_EQ(D3DEnum_Enumerate(nullptr), D3DENUM_OK);
    const D3DEnum_DeviceInfo* hal = D3DEnum_GetFirstDriver()->firstDevice;
    ASSERT_FALSE(hal->desktopCompatible);
    useProfile("desktop16.cfg");  // same records, now a 16-bit desktop
    ASSERT_EQ(D3DEnum_SelectDefault(0), D3DENUM_OK);
    EXPECT_TRUE(hal->desktopCompatible);
    EXPECT_EQ(selectedDevice(), hal);
}

TEST_F(Passes, DesktopUnknownLeavesCompatibility) {
    useProfile("hal_16_only.cfg");
    ASSERT_EQ(D3DEnum_Enumerate(nullptr), D3DENUM_OK);
    const D3DEnum_DeviceInfo* hal = D3DEnum_GetFirstDriver()->firstDevice;
    useProfile("desktop16.cfg");
    platform::testing::failNextCall("DirectDrawCreate", DDERR_GENERIC);
    ASSERT_EQ(D3DEnum_SelectDefault(0), D3DENUM_OK);
    EXPECT_FALSE(hal->desktopCompatible);
    EXPECT_STREQ(selectedDevice()->name, "RGB Emulation");
}

class Explicit : public ProfileTest {
protected:
    void SetUp() override {
        useProfile("adapters.cfg");
        ASSERT_EQ(D3DEnum_Enumerate(nullptr), D3DENUM_OK);
    }
};

TEST_F(Explicit, RgbDevice) {
    ASSERT_EQ(D3DEnum_SelectDefault(D3DENUM_RGB_DEVICE), D3DENUM_OK);
    EXPECT_TRUE(selectedDevice()->guid == IID_IDirect3DRGBDevice);
}

TEST_F(Explicit, ReferenceRasterizer) {
    ASSERT_EQ(D3DEnum_SelectDefault(D3DENUM_REF_DEVICE), D3DENUM_OK);
    EXPECT_TRUE(selectedDevice()->guid == IID_IDirect3DRefDevice);
}

TEST_F(Explicit, PrimaryDriversOwnDevice) {
    ASSERT_EQ(D3DEnum_SelectDefault(D3DENUM_PRIMARY_DRIVER), D3DENUM_OK);
    D3DEnum_DriverInfo* driver = nullptr;
    D3DEnum_GetSelected(&driver, nullptr);
    EXPECT_EQ(driver, D3DEnum_GetFirstDriver());
    EXPECT_STREQ(selectedDevice()->name, "Direct3D HAL");
}

TEST_F(Explicit, SecondaryDriver) {
    ASSERT_EQ(D3DEnum_SelectDefault(D3DENUM_SECONDARY_DRIVER), D3DENUM_OK);
    D3DEnum_DriverInfo* driver = nullptr;
    D3DEnum_GetSelected(&driver, nullptr);
    EXPECT_EQ(driver, D3DEnum_GetFirstDriver()->next);
    EXPECT_STREQ(selectedDevice()->name, "3Dfx Voodoo2");
}

TEST_F(Explicit, FirstMatchInListOrderWins) {
    // RGB comes before the reference rasteriser on the primary driver.
    ASSERT_EQ(D3DEnum_SelectDefault(D3DENUM_RGB_DEVICE | D3DENUM_REF_DEVICE), D3DENUM_OK);
    EXPECT_STREQ(selectedDevice()->name, "RGB Emulation");
}

TEST_F(Explicit, DoesNotTouchWindowed) {
    D3DEnum_DeviceInfo* voodoo = D3DEnum_GetFirstDriver()->next->firstDevice;
    ASSERT_EQ(D3DEnum_SelectDefault(D3DENUM_SECONDARY_DRIVER | D3DENUM_SKIP_WINDOWED), D3DENUM_OK);
    EXPECT_FALSE(voodoo->windowed);
    D3DEnum_DeviceInfo* hal = D3DEnum_GetFirstDriver()->firstDevice;
    ASSERT_EQ(D3DEnum_SelectDefault(D3DENUM_PRIMARY_DRIVER), D3DENUM_OK);
    EXPECT_TRUE(hal->windowed);
}

TEST_F(Explicit, NoMatch) {
    useProfile("hal_only.cfg");
    ASSERT_EQ(D3DEnum_Enumerate(nullptr), D3DENUM_OK);
    EXPECT_EQ(D3DEnum_SelectDefault(D3DENUM_SECONDARY_DRIVER), D3DENUM_ERR_NO_EXPLICIT_MATCH);
    EXPECT_EQ(D3DEnum_SelectDefault(D3DENUM_RGB_DEVICE), D3DENUM_ERR_NO_EXPLICIT_MATCH);
}

}  // namespace
