#include "profile_fixture.h"

#include <cstring>
#include <string>
#include <vector>

namespace {

std::vector<std::string> modeTexts(const D3DEnum_DeviceInfo* device) {
    std::vector<std::string> texts;
    for (const D3DEnum_ModeInfo* m = device->firstMode; m; m = m->next)
        texts.push_back(m->text);
    return texts;
}

class Adapters : public ProfileTest {
protected:
    void SetUp() override {
        useProfile("adapters.cfg");
        ASSERT_EQ(D3DEnum_Enumerate(nullptr), D3DENUM_OK);
        primary = D3DEnum_GetFirstDriver();
        ASSERT_NE(primary, nullptr);
    }
    D3DEnum_DriverInfo* primary = nullptr;
};

TEST_F(Adapters, PrimaryComesFirstWithoutIdentifier) {
    EXPECT_EQ(primary->guidPointer, nullptr);
    EXPECT_STREQ(primary->description, "Primary Display Driver");
    EXPECT_STREQ(primary->name, "display");
    EXPECT_EQ(primary->driverCaps.dwSize, sizeof(DDCAPS));
    EXPECT_EQ(primary->emulationCaps.dwSize, sizeof(DDCAPS));
    EXPECT_NE(primary->driverCaps.dwCaps2 & DDCAPS2_CANRENDERWINDOWED, 0u);
}

TEST_F(Adapters, NullDeviceIsSkippedAndOrderKept) {
    std::vector<std::string> names;
    for (const D3DEnum_DeviceInfo* d = primary->firstDevice; d; d = d->next)
        names.push_back(d->name);
    EXPECT_EQ(names,
              (std::vector<std::string>{"Direct3D HAL", "RGB Emulation", "Reference Rasterizer"}));
    EXPECT_EQ(primary->firstDevice->guidPointer, &primary->firstDevice->guid);
    EXPECT_TRUE(primary->firstDevice->guid == IID_IDirect3DHALDevice);
}

TEST_F(Adapters, HardwareFlagAndKeptDescription) {
    const D3DEnum_DeviceInfo* hal = primary->firstDevice;
    const D3DEnum_DeviceInfo* rgb = hal->next;
    EXPECT_TRUE(hal->hardware);
    EXPECT_NE(hal->description.dwFlags, 0u);
    EXPECT_FALSE(rgb->hardware);
    EXPECT_NE(rgb->description.dwFlags, 0u) << "software devices keep the software description";
}

TEST_F(Adapters, EightAndTwentyFourBitModesAreDropped) {
    for (const D3DEnum_DeviceInfo* d = primary->firstDevice; d; d = d->next)
        EXPECT_EQ(modeTexts(d),
                  (std::vector<std::string>{"800 x 600 x 16", "640 x 480 x 16", "1024 x 768 x 32"}))
            << d->name;
}

TEST_F(Adapters, ModeKeepsItsSurfaceDescription) {
    const D3DEnum_ModeInfo* m = primary->firstDevice->firstMode;
    EXPECT_EQ(m->description.dwSize, sizeof(DDSURFACEDESC2));
    EXPECT_EQ(m->description.dwWidth, 800u);
    EXPECT_EQ(m->description.dwHeight, 600u);
    EXPECT_EQ(m->description.ddpfPixelFormat.dwRGBBitCount, 16u);
}

TEST_F(Adapters, SixteenBitVgaModeIsCurrentEvenWhenLater) {
    for (const D3DEnum_DeviceInfo* d = primary->firstDevice; d; d = d->next) {
        ASSERT_NE(d->currentMode, nullptr);
        EXPECT_STREQ(d->currentMode->text, "640 x 480 x 16");
        EXPECT_EQ(d->currentMode, d->firstMode->next);
    }
}

TEST_F(Adapters, SecondaryAdapterKeepsOnlyHardwareDevices) {
    const D3DEnum_DriverInfo* voodoo = primary->next;
    ASSERT_NE(voodoo, nullptr);
    EXPECT_STREQ(voodoo->description, "Voodoo2 3D Accelerator");
    ASSERT_EQ(voodoo->guidPointer, &voodoo->guid);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(voodoo->monitor), 0x20002u);
    ASSERT_EQ(count(voodoo->firstDevice), 1);
    EXPECT_STREQ(voodoo->firstDevice->name, "3Dfx Voodoo2");
    EXPECT_TRUE(voodoo->firstDevice->hardware);
    EXPECT_EQ(voodoo->currentDevice, voodoo->firstDevice);
    // Renders 16 bits only.
    EXPECT_EQ(modeTexts(voodoo->firstDevice), std::vector<std::string>{"800 x 600 x 16"});
}

TEST_F(Adapters, SecondaryAdapterWithoutHardwareContributesNothing) {
    EXPECT_EQ(count(primary), 2);
    for (const D3DEnum_DriverInfo* d = primary; d; d = d->next)
        EXPECT_STRNE(d->description, "Second Monitor");
}

TEST_F(Adapters, DesktopDepthMakesPrimaryDevicesWindowed) {
    for (const D3DEnum_DeviceInfo* d = primary->firstDevice; d; d = d->next) {
        EXPECT_TRUE(d->desktopCompatible) << d->name;
        EXPECT_TRUE(d->windowed) << d->name;
    }
    const D3DEnum_DeviceInfo* voodoo = primary->next->firstDevice;
    EXPECT_FALSE(voodoo->desktopCompatible);
    EXPECT_FALSE(voodoo->windowed);
}

TEST_F(Adapters, HardwareDeviceIsTheDriversCurrentOne) {
    EXPECT_EQ(primary->currentDevice, primary->firstDevice);
}

TEST_F(Adapters, FreeEmptiesTheList) {
    D3DEnum_Free();
    EXPECT_EQ(D3DEnum_GetFirstDriver(), nullptr);
    EXPECT_EQ(D3DEnum_GetSelected(nullptr, nullptr), D3DENUM_ERR_NO_DEVICE);
}

TEST_F(Adapters, EnumeratingAgainReplacesTheLists) {
    ASSERT_EQ(D3DEnum_Enumerate(nullptr), D3DENUM_OK);
    EXPECT_EQ(count(D3DEnum_GetFirstDriver()), 2);
    EXPECT_EQ(count(D3DEnum_GetFirstDriver()->firstDevice), 3);
}

TEST_F(ProfileTest, WithoutSixteenBitVgaModeTheFirstKeptModeIsCurrent) {
    useProfile("no_640.cfg");
    ASSERT_EQ(D3DEnum_Enumerate(nullptr), D3DENUM_OK);
    const D3DEnum_DeviceInfo* hal = D3DEnum_GetFirstDriver()->firstDevice;
    EXPECT_EQ(hal->currentMode, hal->firstMode);
    EXPECT_STREQ(hal->currentMode->text, "1024 x 768 x 32");
}

// Filters ------------------------------------------------------------------

int filterCalls = 0;
HRESULT refuseHardware(const DDCAPS* caps, const D3DDEVICEDESC* desc) {
    ++filterCalls;
    EXPECT_EQ(caps->dwSize, sizeof(DDCAPS));
    return desc->dwDevCaps & 0x80000 ? E_FAIL : S_OK;  // D3DDEVCAPS_HWRASTERIZATION
}

TEST_F(ProfileTest, FilterRefusesDevices) {
    useProfile("adapters.cfg");
    filterCalls = 0;
    D3DEnum_Enumerate(refuseHardware);
    // HAL, RGB and Ref of the primary, the Voodoo's HAL; software devices of
    // secondary adapters never reach the filter.
    EXPECT_EQ(filterCalls, 4);
    const D3DEnum_DriverInfo* first = D3DEnum_GetFirstDriver();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(count(first), 1);
    EXPECT_EQ(count(first->firstDevice), 2);
    EXPECT_FALSE(first->firstDevice->hardware);
    EXPECT_STREQ(first->currentDevice->name, "RGB Emulation");
}

// Where DirectDraw comes from --------------------------------------------

TEST_F(ProfileTest, MissingDirectDrawLibrary) {
    D3DEnum_SetDirectDrawNames("NOSUCHDDRAW.DLL", nullptr);
    EXPECT_EQ(D3DEnum_Enumerate(nullptr), D3DENUM_ERR_NO_DIRECTDRAW);
    EXPECT_EQ(D3DEnum_GetFirstDriver(), nullptr);
}

TEST_F(ProfileTest, ExtendedEnumerationAsksForEverySecondaryKind) {
    useProfile("adapters.cfg");
    platform::testing::resetCallCounts();
    D3DEnum_Enumerate(nullptr);
    ASSERT_EQ(platform::testing::callCount("DirectDrawEnumerateExA"), 1u);
    EXPECT_EQ(platform::testing::callCount("DirectDrawEnumerateA"), 0u);
    EXPECT_EQ(platform::testing::lastArguments("DirectDrawEnumerateExA").at(2), 7u);
}

TEST_F(ProfileTest, OlderEnumerationWhenExtendedIsMissing) {
    useProfile("adapters.cfg");
    D3DEnum_SetDirectDrawNames(nullptr, "NoSuchDirectDrawEnumerateExA");
    platform::testing::resetCallCounts();
    EXPECT_EQ(D3DEnum_Enumerate(nullptr), D3DENUM_OK);
    EXPECT_EQ(platform::testing::callCount("DirectDrawEnumerateExA"), 0u);
    EXPECT_EQ(platform::testing::callCount("DirectDrawEnumerateA"), 1u);
    const D3DEnum_DriverInfo* first = D3DEnum_GetFirstDriver();
    ASSERT_EQ(count(first), 2);
    EXPECT_EQ(first->next->monitor, nullptr);
    EXPECT_STREQ(first->next->description, "Voodoo2 3D Accelerator");
}

// Failures of DirectDraw ---------------------------------------------------

TEST_F(ProfileTest, DriverWhoseDirectDrawCannotBeMadeIsSkipped) {
    useProfile("adapters.cfg");
    platform::testing::failNextCall("DirectDrawCreate", DDERR_GENERIC);
    EXPECT_EQ(D3DEnum_Enumerate(nullptr), D3DENUM_OK);
    const D3DEnum_DriverInfo* first = D3DEnum_GetFirstDriver();
    ASSERT_EQ(count(first), 1);
    EXPECT_STREQ(first->description, "Voodoo2 3D Accelerator");
}

TEST_F(ProfileTest, DriverWithoutDirect3DIsSkipped) {
    useProfile("adapters.cfg");
    // The second query of the primary driver is the one for IDirect3D3.
    platform::testing::failNextCall("IDirectDraw4::QueryInterface", E_NOINTERFACE, 1);
    EXPECT_EQ(D3DEnum_Enumerate(nullptr), D3DENUM_OK);
    ASSERT_EQ(count(D3DEnum_GetFirstDriver()), 1);
    EXPECT_NE(D3DEnum_GetFirstDriver()->guidPointer, nullptr);
}

}  // namespace
