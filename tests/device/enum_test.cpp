// Enumeration of devices, depth formats and texture formats from the profile.
#include "device_fixture.h"

namespace {

struct Seen {
    std::vector<std::string> names;
    std::vector<GUID> guids;
    std::vector<DWORD> hwFlags, swFlags;
    std::vector<WORD> swStages;
};

HRESULT CALLBACK onDevice(GUID* guid, LPSTR, LPSTR name, LPD3DDEVICEDESC hw, LPD3DDEVICEDESC sw,
                          LPVOID context) {
    auto* seen = static_cast<Seen*>(context);
    seen->names.push_back(name);
    seen->guids.push_back(*guid);
    seen->hwFlags.push_back(hw->dwFlags);
    seen->swFlags.push_back(sw->dwFlags);
    seen->swStages.push_back(sw->wMaxTextureBlendStages);
    EXPECT_EQ(252u, hw->dwSize);
    EXPECT_EQ(252u, sw->dwSize);
    return D3DENUMRET_OK;
}

HRESULT CALLBACK onFormat(DDPIXELFORMAT* format, LPVOID context) {
    static_cast<std::vector<DDPIXELFORMAT>*>(context)->push_back(*format);
    return D3DENUMRET_OK;
}

HRESULT CALLBACK stopAtFirst(DDPIXELFORMAT* format, LPVOID context) {
    static_cast<std::vector<DDPIXELFORMAT>*>(context)->push_back(*format);
    return D3DENUMRET_CANCEL;
}

}  // namespace

TEST_F(DeviceTest, EnumDevicesListsTheDefaultProfileInOrder) {
    Seen seen;
    ASSERT_EQ(D3D_OK, d3d->EnumDevices(onDevice, &seen));
    ASSERT_EQ(4u, seen.names.size());
    EXPECT_EQ("Direct3D HAL", seen.names[0]);
    EXPECT_EQ("RGB Emulation", seen.names[1]);
    EXPECT_EQ("Reference Rasterizer", seen.names[2]);
    EXPECT_TRUE(seen.guids[0] == IID_IDirect3DHALDevice);
    EXPECT_TRUE(seen.guids[3] == IID_IDirect3DNullDevice);
    // Hardware description filled only for the HAL; software ones carry the caps.
    EXPECT_NE(0u, seen.hwFlags[0]);
    EXPECT_EQ(0u, seen.swFlags[0]);
    EXPECT_EQ(0u, seen.hwFlags[1]);
    EXPECT_NE(0u, seen.swFlags[1]);
    EXPECT_EQ(8u, seen.swStages[1]);
    EXPECT_EQ(DDERR_INVALIDPARAMS, d3d->EnumDevices(nullptr, nullptr));
}

TEST_F(DeviceTest, FindDeviceByGuidAndByHardware) {
    D3DFINDDEVICESEARCH search{};
    search.dwSize = sizeof(search);
    search.dwFlags = D3DFDS_GUID;
    search.guid = IID_IDirect3DRefDevice;
    D3DFINDDEVICERESULT result{};
    result.dwSize = sizeof(result);
    ASSERT_EQ(D3D_OK, d3d->FindDevice(&search, &result));
    EXPECT_TRUE(result.guid == IID_IDirect3DRefDevice);
    EXPECT_EQ(0u, result.ddHwDesc.dwFlags);
    EXPECT_NE(0u, result.ddSwDesc.dwFlags);

    search.dwFlags = D3DFDS_HARDWARE;
    search.bHardware = TRUE;
    ASSERT_EQ(D3D_OK, d3d->FindDevice(&search, &result));
    EXPECT_TRUE(result.guid == IID_IDirect3DHALDevice);

    search.dwFlags = D3DFDS_GUID;
    search.guid = IID_IDirect3D3;  // not a device
    EXPECT_EQ(DDERR_NOTFOUND, d3d->FindDevice(&search, &result));
    search.dwSize = 12;
    EXPECT_EQ(DDERR_INVALIDPARAMS, d3d->FindDevice(&search, &result));
}

TEST_F(DeviceTest, ZBufferFormatsInProfileOrder) {
    std::vector<DDPIXELFORMAT> formats;
    ASSERT_EQ(D3D_OK, d3d->EnumZBufferFormats(IID_IDirect3DRGBDevice, onFormat, &formats));
    ASSERT_EQ(3u, formats.size());
    const DWORD bits[] = {16, 24, 32};
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(DDPF_ZBUFFER, formats[i].dwFlags);
        EXPECT_EQ(bits[i], formats[i].dwZBufferBitDepth);
        EXPECT_EQ(32u, formats[i].dwSize);
    }
    formats.clear();
    ASSERT_EQ(D3D_OK, d3d->EnumZBufferFormats(IID_IDirect3DRGBDevice, stopAtFirst, &formats));
    EXPECT_EQ(1u, formats.size());
    EXPECT_EQ(D3DERR_INVALID_DEVICE, d3d->EnumZBufferFormats(IID_IDirect3D3, onFormat, &formats));
}

TEST_F(DeviceTest, TextureFormatsInProfileOrder) {
    makeDevice();
    std::vector<DDPIXELFORMAT> formats;
    ASSERT_EQ(D3D_OK, device->EnumTextureFormats(onFormat, &formats));
    ASSERT_EQ(15u, formats.size());
    EXPECT_EQ(16u, formats[0].dwRGBBitCount);
    EXPECT_EQ(0xF800u, formats[0].dwRBitMask);
    EXPECT_EQ(DDPF_RGB | DDPF_ALPHAPIXELS, formats[2].dwFlags);
    EXPECT_EQ(0x8000u, formats[2].dwRGBAlphaBitMask);
    EXPECT_EQ(0xFF000000u, formats[4].dwRGBAlphaBitMask);
    EXPECT_EQ(DDPF_RGB, formats[5].dwFlags);
}

class TwoStageProfileTest : public DeviceTest {
protected:
    TwoStageProfileTest() { profile_ = "two_stage.cfg"; }
};

TEST_F(TwoStageProfileTest, EnumerationFollowsALoadedProfile) {
    Seen seen;
    ASSERT_EQ(D3D_OK, d3d->EnumDevices(onDevice, &seen));
    ASSERT_EQ(2u, seen.names.size());
    EXPECT_EQ("RGB Emulation", seen.names[0]);
    EXPECT_EQ(2u, seen.swStages[0]);
    std::vector<DDPIXELFORMAT> z;
    ASSERT_EQ(D3D_OK, d3d->EnumZBufferFormats(IID_IDirect3DRGBDevice, onFormat, &z));
    ASSERT_EQ(2u, z.size());
    EXPECT_EQ(32u, z[0].dwZBufferBitDepth);
    EXPECT_EQ(16u, z[1].dwZBufferBitDepth);
    makeDevice(IID_IDirect3DRGBDevice, 32);
    std::vector<DDPIXELFORMAT> t;
    ASSERT_EQ(D3D_OK, device->EnumTextureFormats(onFormat, &t));
    ASSERT_EQ(2u, t.size());
    EXPECT_EQ(32u, t[0].dwRGBBitCount);
    EXPECT_EQ(16u, t[1].dwRGBBitCount);
}
