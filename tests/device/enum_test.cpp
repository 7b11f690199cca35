// Enumeration of devices and depth formats from the profile; texture formats
// are in texture_format_test.cpp.
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

// The depth of each format enumerated, stopping after `limit`.
std::vector<DWORD> zBufferDepths(IDirect3D3* d3d, const GUID& device, HRESULT expected = D3D_OK,
                                 size_t limit = 99) {
    std::pair<std::vector<DWORD>, size_t> seen{{}, limit};
    auto onFormat = [](DDPIXELFORMAT* f, LPVOID context) -> HRESULT {
        auto* seen = static_cast<std::pair<std::vector<DWORD>, size_t>*>(context);
        EXPECT_EQ(32u, f->dwSize);
        EXPECT_EQ(DDPF_ZBUFFER, f->dwFlags);
        seen->first.push_back(f->dwZBufferBitDepth);
        return seen->first.size() < seen->second ? D3DENUMRET_OK : D3DENUMRET_CANCEL;
    };
    EXPECT_EQ(expected, d3d->EnumZBufferFormats(device, onFormat, &seen));
    return seen.first;
}

}  // namespace

TEST_F(DeviceTest, DevicesAndDepthFormatsOfTheDefaultProfileInOrderAndFound) {
    Seen seen;
    ASSERT_EQ(D3D_OK, d3d->EnumDevices(onDevice, &seen));
    ASSERT_EQ(4u, seen.names.size());
    EXPECT_EQ("RGB Emulation", seen.names[1]);
    EXPECT_TRUE(seen.guids[0] == IID_IDirect3DHALDevice);
    EXPECT_TRUE(seen.guids[3] == IID_IDirect3DNullDevice);
    // Hardware description filled only for the HAL; software ones carry the caps.
    EXPECT_NE(0u, seen.hwFlags[0]);
    EXPECT_EQ(0u, seen.swFlags[0]);
    EXPECT_EQ(0u, seen.hwFlags[1]);
    EXPECT_NE(0u, seen.swFlags[1]);
    EXPECT_EQ(8u, seen.swStages[1]);
    EXPECT_EQ((std::vector<DWORD>{16, 24, 32}), zBufferDepths(d3d, IID_IDirect3DRGBDevice));
    EXPECT_EQ(std::vector<DWORD>{16}, zBufferDepths(d3d, IID_IDirect3DRGBDevice, D3D_OK, 1));
    EXPECT_TRUE(zBufferDepths(d3d, IID_IDirect3D3, D3DERR_INVALID_DEVICE).empty());

    // Found by GUID, by hardware and by the caps of their triangles.
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
    // By triangle caps: those the reference device has find a device, a
    // depth comparison no device has finds none.
    search.guid = IID_IDirect3DRefDevice;
    ASSERT_EQ(D3D_OK, d3d->FindDevice(&search, &result));
    search.dwFlags = D3DFDS_TRIANGLES | D3DFDS_ZCMPCAPS | D3DFDS_SHADECAPS;
    search.dpcPrimCaps = result.ddSwDesc.dpcTriCaps;
    EXPECT_EQ(D3D_OK, d3d->FindDevice(&search, &result));
    search.dpcPrimCaps.dwZCmpCaps = 0x80000000;
    EXPECT_EQ(DDERR_NOTFOUND, d3d->FindDevice(&search, &result));
    search.dwFlags = D3DFDS_ZCMPCAPS;  // caps count only for triangles or lines
    EXPECT_EQ(D3D_OK, d3d->FindDevice(&search, &result));
    search.dwSize = 12;
    EXPECT_EQ(DDERR_INVALIDPARAMS, d3d->FindDevice(&search, &result));
}

TEST_F(TwoStageTest, EnumerationFollowsALoadedProfile) {
    Seen seen;
    ASSERT_EQ(D3D_OK, d3d->EnumDevices(onDevice, &seen));
    ASSERT_EQ(2u, seen.names.size());
    EXPECT_EQ("RGB Emulation", seen.names[0]);
    EXPECT_EQ(2u, seen.swStages[0]);
    EXPECT_EQ((std::vector<DWORD>{32, 16}), zBufferDepths(d3d, IID_IDirect3DRGBDevice));
}
