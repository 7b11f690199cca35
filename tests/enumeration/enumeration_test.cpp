// Enumeration of drivers, devices and modes through display profiles, the
// default device selection, and the driver's video mode list built on them.
#include "d3dframe/d3denum.h"
#include "driver.h"

#include <platform/testing.h>

#include <gtest/gtest.h>

#include <sstream>
#include <string>

class Enumeration : public ::testing::Test {
protected:
    void TearDown() override {
        modes.clear();
        D3DEnum_Free();
        D3DEnum_SetDirectDrawNames(nullptr, nullptr);
        platform::testing::clearInjectedFailures();
        platform::testing::useDefaultDisplayProfile();
    }
    static void useProfile(const std::string& file) {
        const std::string data = std::string(D3DDRIVER_SOURCE_DIR) + "/tests/enumeration/data/";
        ASSERT_TRUE(platform::testing::loadDisplayProfile(data + file + ".cfg")) << file;
    }
    // Every record: each driver with its name, and when it has an identifier
    // (held in its record) its monitor; each device with its kind, desktop
    // compatibility, windowed flag and whether it is its driver's current
    // one; each mode, the device's current one starred. The selected driver
    // is marked.
    static std::string dump() {
        D3DEnum_DriverInfo* selected = nullptr;
        D3DEnum_GetSelected(&selected, nullptr);
        std::ostringstream out;
        for (const D3DEnum_DriverInfo* d = D3DEnum_GetFirstDriver(); d; d = d->next) {
            out << d->description << " (" << d->name;
            if (d->guidPointer)
                out << (d->guidPointer == &d->guid ? ", guid" : ", bad guid") << ", monitor "
                    << reinterpret_cast<uintptr_t>(d->monitor);
            out << ")" << (d == selected ? " selected" : "") << "\n";
            for (const D3DEnum_DeviceInfo* v = d->firstDevice; v; v = v->next) {
                out << "  " << v->name << (v->hardware ? " hw" : " sw")
                    << (v->desktopCompatible ? " desktop" : "") << (v->windowed ? " windowed" : "")
                    << (d->currentDevice == v ? " current" : "") << ":";
                for (const D3DEnum_ModeInfo* m = v->firstMode; m; m = m->next)
                    out << (m == v->firstMode ? " " : ", ") << m->text
                        << (m == v->currentMode ? "*" : "");
                out << "\n";
            }
        }
        return out.str();
    }
    // The selected device, windowed or not, and its driver unless the first.
    static std::string selection() {
        D3DEnum_DriverInfo* driver = nullptr;
        D3DEnum_DeviceInfo* device = nullptr;
        if (D3DEnum_GetSelected(&driver, &device) != D3DENUM_OK || !device)
            return "none";
        return device->name + std::string(device->windowed ? " windowed" : " full screen") +
               (driver != D3DEnum_GetFirstDriver() ? std::string(" on ") + driver->description
                                                   : "");
    }
    const VideoMode* find(const std::string& name) const {
        for (const VideoMode* m : modes.getVideoModeList())
            if (name == m->getName())
                return m;
        return nullptr;
    }
    D3DVideoModeList modes;
};

int filterCalls = 0;
HRESULT refuseHardware(const DDCAPS* caps, const D3DDEVICEDESC* desc) {
    ++filterCalls;
    EXPECT_EQ(caps->dwSize, sizeof(DDCAPS));
    return desc->dwDevCaps & D3DDEVCAPS_HWRASTERIZATION ? E_FAIL : S_OK;
}

const char* const kPrimaryModes = ": 800 x 600 x 16, 640 x 480 x 16*, 1024 x 768 x 32\n";
const char* const kVoodoo = "Voodoo2 3D Accelerator (voodoo2, guid, monitor ";

// The primary driver comes first, without identifier; the null device and
// 8- and 24-bit modes are dropped. A filter sees each candidate (HAL, RGB
// and Ref of the primary, the Voodoo's HAL; software devices of secondary
// adapters never) and refuses.
// Without the extended enumeration, adapters come without monitor. Drivers
// without DirectDraw or Direct3D are skipped; without DirectDraw's library
// there is nothing. 640 x 480 x 16 is the current mode wherever it is
// listed, else the first kept one.
TEST_F(Enumeration, FilterOlderEnumerationAndFailures) {
    useProfile("no_640");
    ASSERT_EQ(D3DEnum_Enumerate(nullptr), D3DENUM_OK);
    EXPECT_EQ(dump(),
              "Primary Display Driver (display) selected\n"
              "  Direct3D HAL hw desktop windowed current: 1024 x 768 x 32*, 800 x 600 x 16\n");
    useProfile("adapters");
    filterCalls = 0;
    ASSERT_EQ(D3DEnum_Enumerate(refuseHardware), D3DENUM_OK);
    EXPECT_EQ(filterCalls, 4);
    EXPECT_EQ(dump(), std::string("Primary Display Driver (display) selected\n") +
                          "  RGB Emulation sw desktop windowed current" + kPrimaryModes +
                          "  Reference Rasterizer sw desktop windowed" + kPrimaryModes);

    const std::string voodooOnly = std::string(kVoodoo) + "131074) selected\n" +
                                   "  3Dfx Voodoo2 hw current: 800 x 600 x 16*\n";
    platform::testing::failNextCall("DirectDrawCreate", DDERR_GENERIC);
    EXPECT_EQ(D3DEnum_Enumerate(nullptr), D3DENUM_OK);
    EXPECT_EQ(dump(), voodooOnly);
    // The second query of the primary driver is the one for IDirect3D3.
    platform::testing::failNextCall("IDirectDraw4::QueryInterface", E_NOINTERFACE, 1);
    EXPECT_EQ(D3DEnum_Enumerate(nullptr), D3DENUM_OK);
    EXPECT_EQ(dump(), voodooOnly);

    D3DEnum_SetDirectDrawNames(nullptr, "NoSuchDirectDrawEnumerateExA");
    ASSERT_EQ(D3DEnum_Enumerate(nullptr), D3DENUM_OK);
    EXPECT_NE(dump().find(std::string(kVoodoo) + "0)\n"), std::string::npos) << dump();

    D3DEnum_SetDirectDrawNames("NOSUCHDDRAW.DLL", nullptr);
    EXPECT_EQ(D3DEnum_Enumerate(nullptr), D3DENUM_ERR_NO_DIRECTDRAW);
    EXPECT_EQ(dump(), "");
}

// The default passes: hardware windowed, software windowed, hardware full
// screen, software full screen, less those skipped; the explicit choices
// take the first match in list order and leave the windowed flag alone.
TEST_F(Enumeration, SelectionByPassesAndExplicitChoices) {
    const struct {
        const char* profile;
        unsigned flags;
        HRESULT result;
        const char* selected;
    } cases[] = {
        {"hal_16_only", 0, D3DENUM_OK, "RGB Emulation windowed"},
        {"no_window", 0, D3DENUM_OK, "Direct3D HAL full screen"},
        {"null_only", 0, D3DENUM_ERR_NO_DEVICE, "none"},
        {"adapters", D3DENUM_SKIP_HARDWARE, D3DENUM_OK, "RGB Emulation windowed"},
        {"adapters", D3DENUM_SKIP_WINDOWED, D3DENUM_OK, "Direct3D HAL full screen"},
        {"adapters", D3DENUM_SKIP_HARDWARE | D3DENUM_SKIP_WINDOWED, D3DENUM_OK,
         "RGB Emulation full screen"},
        {"hal_only", D3DENUM_SKIP_HARDWARE, D3DENUM_ERR_NO_MATCH_NO_REF, ""},
        {"hal_ref_unusable", D3DENUM_SKIP_HARDWARE, D3DENUM_ERR_NO_MATCH_REF_PRESENT, ""},
        {"adapters", D3DENUM_REF_DEVICE, D3DENUM_OK, "Reference Rasterizer windowed"},
        {"adapters", D3DENUM_RGB_DEVICE | D3DENUM_REF_DEVICE, D3DENUM_OK, "RGB Emulation windowed"},
        {"adapters", D3DENUM_PRIMARY_DRIVER, D3DENUM_OK, "Direct3D HAL windowed"},
        {"adapters", D3DENUM_SECONDARY_DRIVER | D3DENUM_SKIP_WINDOWED, D3DENUM_OK,
         "3Dfx Voodoo2 full screen on Voodoo2 3D Accelerator"},
        {"hal_only", D3DENUM_RGB_DEVICE, D3DENUM_ERR_NO_EXPLICIT_MATCH, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.profile) + " " + std::to_string(c.flags));
        useProfile(c.profile);
        EXPECT_EQ(D3DEnum_Enumerate(nullptr), c.flags ? D3DENUM_OK : c.result);
        if (c.flags) {
            EXPECT_EQ(D3DEnum_SelectDefault(c.flags), c.result);
        }
        if (*c.selected) {  // a failed choice leaves the earlier one
            EXPECT_EQ(selection(), c.selected);
        }
    }

    // Desktop compatibility is computed again at each selection, unless the
    // desktop cannot be read.
    for (bool readable : {true, false}) {
        useProfile("hal_16_only");
        ASSERT_EQ(D3DEnum_Enumerate(nullptr), D3DENUM_OK);
        const D3DEnum_DeviceInfo* hal = D3DEnum_GetFirstDriver()->firstDevice;
        ASSERT_FALSE(hal->desktopCompatible);
        useProfile("desktop16");  // the same records, on a 16-bit desktop
        if (!readable)
            platform::testing::failNextCall("DirectDrawCreate", DDERR_GENERIC);
        ASSERT_EQ(D3DEnum_SelectDefault(0), D3DENUM_OK);
        EXPECT_EQ(hal->desktopCompatible, readable);
        EXPECT_EQ(selection(), readable ? "Direct3D HAL windowed" : "RGB Emulation windowed");
    }
}

// One mode per driver, device and mode, named after all three (the adapter's
// description first). A windowed variant needs the desktop's
// depth, now and when validated; bad arguments are refused; deleting leaves
// modes not in the list alone.
TEST_F(Enumeration, VideoModesWindowedAndDefault) {
    useProfile("adapters");  // 32-bit desktop
    modes.build();
    ASSERT_EQ(modes.getVideoModeList().size(), 10u);  // 3 x 3 primary, 1 Voodoo
    const VideoMode* full = find("Primary Display Driver Direct3D HAL 1024 x 768 x 32");
    VideoMode* windowed = modes.createWindowedVideoMode(full, 320, 200);
    ASSERT_NE(windowed, nullptr);
    EXPECT_STREQ(windowed->getName(), full->getName());
    EXPECT_TRUE(modes.validateVideoMode(windowed));
    EXPECT_EQ(modes.createWindowedVideoMode(nullptr, 640, 480), nullptr);
    EXPECT_EQ(modes.createWindowedVideoMode(full, 0, 480), nullptr);
    EXPECT_FALSE(modes.validateVideoMode(nullptr));
    modes.deleteVideoMode(windowed);
    modes.deleteVideoMode(nullptr);
    EXPECT_EQ(modes.getVideoModeList().size(), 10u);

    // The default: the first mode matching the wanted values (the device
    // text, case and all, within the name); a windowed one is made from the
    // first fitting mode and listed. Without a match, the fallback is the
    // software default.
    const struct {
        WantedVideoMode wanted;
        const char* chosen;
    } cases[] = {
        {{}, "Primary Display Driver Direct3D HAL 640 x 480 x 16"},
        {{800, 600, false, true, 16, "Voodoo"},
         "Voodoo2 3D Accelerator 3Dfx Voodoo2 800 x 600 x 16"},
        {{800, 600, false, true, 16, "voodoo"}, nullptr},
        {{1024, 768, false, false, 32, ""}, "Primary Display Driver RGB Emulation 1024 x 768 x 32"},
        {{512, 384, true, true, 16, ""}, "Primary Display Driver Direct3D HAL 1024 x 768 x 32"},
        {{640, 480, true, true, 16, "No Such Card"}, nullptr},
    };
    for (const auto& c : cases) {
        const size_t before = modes.getVideoModeList().size();
        const VideoMode* chosen = modes.chooseDefault(c.wanted);
        EXPECT_STREQ(chosen ? chosen->getName() : nullptr, c.chosen);
        if (chosen) {
            EXPECT_EQ(chosen->isWindowed(), c.wanted.windowed);
            EXPECT_EQ(chosen->getWidth(), c.wanted.xResolution);
            EXPECT_EQ(modes.getVideoModeList().size(), before + c.wanted.windowed);
        }
    }
    const VideoMode* fallback = modes.findFallback();
    ASSERT_STREQ(fallback ? fallback->getName() : nullptr,
                 "Primary Display Driver RGB Emulation 640 x 480 x 16");

    useProfile("null_only");
    modes.build();
    EXPECT_EQ(modes.chooseDefault(WantedVideoMode{}), nullptr);
    EXPECT_EQ(modes.findFallback(), nullptr);

    useProfile("desktop16");
    modes.build();
    full = find("Primary Display Driver Direct3D HAL 800 x 600 x 32");
    EXPECT_EQ(modes.createWindowedVideoMode(full, 640, 480), nullptr);
    EXPECT_EQ(modes.getVideoModeList().size(), 4u);
    EXPECT_TRUE(modes.validateVideoMode(full)) << "full-screen modes are always valid";
    windowed = modes.createWindowedVideoMode(
        find("Primary Display Driver Direct3D HAL 640 x 480 x 16"), 200, 100);
    ASSERT_NE(windowed, nullptr);
    useProfile("adapters");  // 32-bit desktop now
    EXPECT_FALSE(modes.validateVideoMode(windowed));
}
