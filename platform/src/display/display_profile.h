// The display profile: which adapters, Direct3D devices, capabilities and
// display modes exist. It is data, so tests and users can describe other
// machines without touching code. The Direct3D side turns DeviceCaps into
// its own device descriptions.
#pragma once

#include <windef.h>

#include <memory>
#include <string>
#include <vector>

namespace platform::display {

// Well-known Direct3D device identifiers.
inline constexpr GUID kHalDeviceGuid = {
    0x84E63DE0, 0x46AA, 0x11CF, {0x81, 0x6F, 0x00, 0x00, 0xC0, 0x20, 0x15, 0x6E}};
inline constexpr GUID kRgbDeviceGuid = {
    0xA4665C60, 0x2673, 0x11CF, {0xA3, 0x1A, 0x00, 0xAA, 0x00, 0xB9, 0x33, 0x56}};
inline constexpr GUID kRefDeviceGuid = {
    0x50936643, 0x13E9, 0x11D1, {0x89, 0xAA, 0x00, 0xA0, 0xC9, 0x05, 0x41, 0x29}};
inline constexpr GUID kNullDeviceGuid = {
    0x8767DF22, 0xBACC, 0x11D1, {0x89, 0x69, 0x00, 0xA0, 0xC9, 0x06, 0x29, 0xA8}};

struct DisplayMode {
    DWORD width = 0;
    DWORD height = 0;
    DWORD bitsPerPixel = 0;
    DWORD refreshRate = 0;
};

// A pixel format in neutral form: kind plus bit count and masks.
//   Rgb        red/green/blue masks, alphaMask when it has alpha
//   Luminance  luminanceMask, alphaMask when it has alpha (A8L8, A4L4)
//   Bump       bumpDuMask/bumpDvMask, luminanceMask when it has one (L6V5U5)
//   Alpha      alpha only: bitCount bits of alpha
//   FourCC     fourCC code; bitCount is the YUV bit count (0 for compressed)
struct FormatDesc {
    enum class Kind { Rgb, Depth, FourCC, Palette8, Luminance, Bump, Alpha };
    Kind kind = Kind::Rgb;
    DWORD bitCount = 0;
    DWORD redMask = 0, greenMask = 0, blueMask = 0, alphaMask = 0;
    DWORD luminanceMask = 0;
    DWORD bumpDuMask = 0, bumpDvMask = 0;
    DWORD stencilBits = 0;  // depth formats
    DWORD fourCC = 0;
};

// The DWORD of a four-character code, first character in the low byte.
constexpr DWORD makeFourCC(char a, char b, char c, char d) {
    return DWORD(BYTE(a)) | (DWORD(BYTE(b)) << 8) | (DWORD(BYTE(c)) << 16) | (DWORD(BYTE(d)) << 24);
}

// Capabilities of a Direct3D device, independent of D3DDEVICEDESC.
struct DeviceCaps {
    DWORD colorModel = 2;  // D3DCOLOR_RGB
    DWORD deviceCaps = 0;
    DWORD rasterCaps = 0;
    DWORD zCompareCaps = 0;
    DWORD srcBlendCaps = 0;
    DWORD destBlendCaps = 0;
    DWORD alphaCompareCaps = 0;
    DWORD shadeCaps = 0;
    DWORD textureCaps = 0;
    DWORD textureFilterCaps = 0;
    DWORD textureBlendCaps = 0;
    DWORD textureAddressCaps = 0;
    DWORD textureOpCaps = 0;
    DWORD renderBitDepths = 0;   // DDBD_* of the render targets
    DWORD zBufferBitDepths = 0;  // DDBD_*
    DWORD maxTextureBlendStages = 1;
    DWORD maxSimultaneousTextures = 1;
    DWORD minTextureWidth = 1, minTextureHeight = 1;
    DWORD maxTextureWidth = 256, maxTextureHeight = 256;
    DWORD maxTextureRepeat = 0;
    DWORD maxTextureAspectRatio = 0;
    DWORD maxVertexCount = 65535;
};

struct DeviceProfile {
    GUID guid{};
    std::string name;
    std::string description;
    bool hardware = false;
    DeviceCaps caps;
    std::vector<FormatDesc> textureFormats;  // in enumeration order
    std::vector<FormatDesc> depthFormats;    // in enumeration order
};

struct AdapterProfile {
    bool primary = false;
    GUID guid{};  // meaningful for secondary adapters only
    std::string description;
    std::string driverName;
    HMONITOR monitor = nullptr;
    DWORD videoMemory = 0;  // bytes
    bool overlays = false;
    DWORD maxVisibleOverlays = 0;
    bool gamma = false;
    bool canRenderWindowed = true;
    DWORD vendorId = 0, deviceId = 0;
    std::vector<DeviceProfile> devices;
    std::vector<DisplayMode> modes;
};

struct DisplayProfile {
    std::string source;  // "built-in" or the file it came from
    DisplayMode desktop;
    std::vector<AdapterProfile> adapters;  // the primary first

    const AdapterProfile* primaryAdapter() const;
    const AdapterProfile* findAdapter(const GUID& guid) const;
    // Index of `adapter` in `adapters`, or -1.
    int indexOf(const AdapterProfile* adapter) const;
};

// The built-in profile: one primary adapter with the four standard devices.
DisplayProfile defaultProfile();

// Reads a profile in libconfig syntax. On error returns null and puts a
// message naming the file and the problem into `error`.
std::unique_ptr<DisplayProfile> loadProfile(const std::string& path, std::string* error);

// The profile in force. On first use it is read from the file named by
// D3DDRIVER_DISPLAY_PROFILE (a broken file is reported on stderr and the
// built-in profile used instead).
std::shared_ptr<const DisplayProfile> currentProfile();
// Replaces the profile in force and puts its desktop mode in place.
void setCurrentProfile(DisplayProfile profile);

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" and back.
std::string guidToString(const GUID& guid);
bool parseGuid(const std::string& text, GUID* guid);

}  // namespace platform::display
