// Display profiles: the built-in one, one loaded from a file with a second
// adapter, and files that are refused.
#include "ddraw_fixture.h"

#include <cstring>
#include <fstream>
#include <sstream>
#include <vector>

namespace {

// Each adapter as "GUID description (name) monitor", or "- description
// (name)" for the one without a GUID.
std::vector<std::string> enumerate(DWORD flags) {
    std::vector<std::string> found;
    auto collect = [](GUID* guid, LPSTR description, LPSTR name, LPVOID context,
                      HMONITOR monitor) -> BOOL {
        std::ostringstream line;
        line << (guid ? platform::display::guidToString(*guid) : "-") << " " << description << " ("
             << name << ")";
        if (guid)
            line << " " << monitor;
        static_cast<std::vector<std::string>*>(context)->push_back(line.str());
        return TRUE;
    };
    EXPECT_EQ(DD_OK, DirectDrawEnumerateExA(collect, &found, flags));
    return found;
}

class ProfileTest : public DirectDrawTest {
protected:
    ProfileTest() { profile = "two_adapters.cfg"; }
};

// The secondary adapter is enumerated with its GUID, with the flag only, and
// found by it with the file's memory and depth formats and no overlays; an
// unknown GUID finds nothing.
TEST_F(ProfileTest, SecondaryAdapterIsEnumeratedAndFoundByItsGuid) {
    const std::string primary = "- Primary Display Driver (display)";
    EXPECT_EQ((std::vector<std::string>{primary,
                                        "{6A1B2C3D-4E5F-4071-8293-A4B5C6D7E8F9} "
                                        "Voodoo2 3D Accelerator (voodoo2) 0x20002"}),
              enumerate(DDENUM_ATTACHEDSECONDARYDEVICES | DDENUM_DETACHEDSECONDARYDEVICES |
                        DDENUM_NONDISPLAYDEVICES));
    EXPECT_EQ(std::vector<std::string>{primary}, enumerate(0));

    GUID guid{};
    ASSERT_TRUE(platform::display::parseGuid("{6A1B2C3D-4E5F-4071-8293-A4B5C6D7E8F9}", &guid));
    // A digit short, or an x where a dash belongs, is no GUID.
    GUID bad{};
    EXPECT_FALSE(platform::display::parseGuid("{6A1B2C3D-4E5F-4071-8293-A4B5C6D7E8F}", &bad));
    EXPECT_FALSE(platform::display::parseGuid("{6A1B2C3Dx4E5F-4071-8293-A4B5C6D7E8F9}", &bad));
    IDirectDraw4* secondary = newDirectDraw(&guid);
    ASSERT_NE(nullptr, secondary);
    DDCAPS caps{};
    caps.dwSize = sizeof(caps);
    ASSERT_EQ(DD_OK, secondary->GetCaps(&caps, nullptr));
    EXPECT_EQ(8388608u, caps.dwVidMemTotal);
    EXPECT_EQ(0u, caps.dwCaps & DDCAPS_OVERLAY);
    EXPECT_EQ(DDBD_16, caps.dwZBufferBitDepths);
    ASSERT_EQ(DD_OK, secondary->SetCooperativeLevel(window(), DDSCL_NORMAL));
    std::swap(dd, secondary);
    EXPECT_EQ(DDERR_NOOVERLAYHW,
              createResult(surfaceDesc(DDSCAPS_OVERLAY | DDSCAPS_VIDEOMEMORY, 32, 32, kR5G6B5)));
    // Depth buffers only in its devices' one depth format.
    for (DWORD bits : {16u, 24u})
        EXPECT_EQ(bits == 16 ? DD_OK : DDERR_INVALIDPIXELFORMAT,
                  createResult(
                      surfaceDesc(DDSCAPS_ZBUFFER, 8, 8, {kPF, DDPF_ZBUFFER, 0, bits, 0, 0, 0, 0})))
            << bits;
    std::swap(dd, secondary);
    EXPECT_EQ(0u, secondary->Release());
    guid.Data1 ^= 1;
    IDirectDraw* none = nullptr;
    EXPECT_EQ(DDERR_INVALIDDIRECTDRAWGUID, DirectDrawCreate(&guid, &none, nullptr));
    EXPECT_EQ(nullptr, none);
}

TEST_F(ProfileTest, DisplayModesOfTheProfileAreEnumerated) {
    std::vector<std::string> modes;
    // Serves both structures, DDSURFACEDESC2 and the older DDSURFACEDESC.
    auto cb = [](auto* d, LPVOID ctx) -> HRESULT {
        static_cast<std::vector<std::string>*>(ctx)->push_back(
            std::to_string(d->dwWidth) + "x" + std::to_string(d->dwHeight) + "x" +
            std::to_string(d->ddpfPixelFormat.dwRGBBitCount));
        EXPECT_EQ(sizeof(*d), d->dwSize);
        return DDENUMRET_OK;
    };
    ASSERT_EQ(DD_OK, dd->EnumDisplayModes(0, nullptr, &modes, cb));
    EXPECT_EQ((std::vector<std::string>{"640x480x16", "800x600x16", "800x600x32", "1024x768x32",
                                        "1024x768x24"}),
              modes);
    // The older structure, as read by a plain IDirectDraw.
    DDSURFACEDESC old{};
    old.dwSize = sizeof(old);
    IDirectDraw* again = nullptr;
    ASSERT_EQ(DD_OK, dd->QueryInterface(IID_IDirectDraw, reinterpret_cast<void**>(&again)));
    ASSERT_EQ(DD_OK, again->GetDisplayMode(&old));
    EXPECT_EQ(800u, old.dwWidth);
    EXPECT_EQ(16u, old.ddpfPixelFormat.dwRGBBitCount);
    old.dwFlags = DDSD_WIDTH;  // as a template: the modes 800 wide
    modes.clear();
    ASSERT_EQ(DD_OK, again->EnumDisplayModes(0, &old, &modes, cb));
    EXPECT_EQ((std::vector<std::string>{"800x600x16", "800x600x32"}), modes);
    old.dwFlags = DDSD_HEIGHT;  // the modes 768 high
    old.dwHeight = 768;
    modes.clear();
    ASSERT_EQ(DD_OK, again->EnumDisplayModes(0, &old, &modes, cb));
    EXPECT_EQ((std::vector<std::string>{"1024x768x32", "1024x768x24"}), modes);
    old.dwSize = sizeof(DDSURFACEDESC2);
    EXPECT_EQ(DDERR_INVALIDPARAMS, again->EnumDisplayModes(0, &old, &modes, cb));
    EXPECT_EQ(1u, again->Release());
}

// A refused file names itself and what is wrong, and leaves the built-in
// profile in place: one primary adapter without a GUID. (Its devices are
// checked through EnumDevices, its modes and desktop through SetDisplayMode.)
TEST(ProfileFiles, BadFilesAreRefusedAndTheBuiltInProfileStays) {
    const struct {
        const char* file;
        const char* problem;
    } cases[] = {
        {"corrupt.cfg", "line 4"}, {"bad_value.cfg", "warp"}, {"missing.cfg", "cannot be read"}};
    for (const auto& c : cases) {
        platform::testing::useDefaultDisplayProfile();
        std::string error;
        EXPECT_FALSE(platform::testing::loadDisplayProfile(dataPath(c.file), &error));
        EXPECT_NE(std::string::npos, error.find(c.file)) << error;
        EXPECT_NE(std::string::npos, error.find(c.problem)) << error;
        EXPECT_EQ("built-in", platform::testing::displayProfileSource());
    }
    EXPECT_EQ(std::vector<std::string>{"- Primary Display Driver (display)"},
              enumerate(DDENUM_ATTACHEDSECONDARYDEVICES));
}

// A description longer than the device identifier's field is cut to it and
// still ends within it.
TEST(ProfileIdentifier, LongDescriptionIsCutToTheField) {
    const std::string path = ::testing::TempDir() + "ddraw_long_description.cfg";
    std::ofstream(path) << "adapters = ( { primary = true; name = \"display\"; description = \""
                        << std::string(600, 'D')
                        << "\"; devices = ( { standard = \"hal\"; } ); } );\n";
    std::string error;
    ASSERT_TRUE(platform::testing::loadDisplayProfile(path, &error)) << error;
    IDirectDraw* dd = nullptr;
    IDirectDraw4* dd4 = nullptr;
    ASSERT_EQ(DD_OK, DirectDrawCreate(nullptr, &dd, nullptr));
    ASSERT_EQ(DD_OK, dd->QueryInterface(IID_IDirectDraw4, reinterpret_cast<void**>(&dd4)));
    DDDEVICEIDENTIFIER id{};
    ASSERT_EQ(DD_OK, dd4->GetDeviceIdentifier(&id, 0));
    EXPECT_EQ(std::string(MAX_DDDEVICEID_STRING - 1, 'D'),
              std::string(id.szDescription, strnlen(id.szDescription, sizeof(id.szDescription))));
    EXPECT_STREQ("display", id.szDriver);
    EXPECT_EQ(1u, dd4->Release());
    EXPECT_EQ(0u, dd->Release());
    platform::testing::useDefaultDisplayProfile();
}

}  // namespace
