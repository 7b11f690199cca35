#include "display/display_profile.h"

#include "core/app_state.h"

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <mutex>

namespace platform::display {

const AdapterProfile* DisplayProfile::primaryAdapter() const {
    for (const auto& adapter : adapters)
        if (adapter.primary)
            return &adapter;
    return nullptr;
}

const AdapterProfile* DisplayProfile::findAdapter(const GUID& guid) const {
    for (const auto& adapter : adapters)
        if (!adapter.primary && adapter.guid == guid)
            return &adapter;
    return nullptr;
}

int DisplayProfile::indexOf(const AdapterProfile* adapter) const {
    for (size_t i = 0; i < adapters.size(); ++i)
        if (&adapters[i] == adapter)
            return static_cast<int>(i);
    return -1;
}

std::string guidToString(const GUID& g) {
    char text[40];
    std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", g.Data1,
                  g.Data2, g.Data3, g.Data4[0], g.Data4[1], g.Data4[2], g.Data4[3], g.Data4[4],
                  g.Data4[5], g.Data4[6], g.Data4[7]);
    return text;
}

bool parseGuid(const std::string& text, GUID* guid) {
    std::string s = text;
    if (s.size() == 38 && s.front() == '{' && s.back() == '}')
        s = s.substr(1, 36);
    if (s.size() != 36 || s[8] != '-' || s[13] != '-' || s[18] != '-' || s[23] != '-')
        return false;
    auto hex = [&](size_t pos, size_t len, unsigned long* out) {
        unsigned long v = 0;
        for (size_t i = 0; i < len; ++i) {
            const char c = s[pos + i];
            int d;
            if (c >= '0' && c <= '9')
                d = c - '0';
            else if (c >= 'a' && c <= 'f')
                d = c - 'a' + 10;
            else if (c >= 'A' && c <= 'F')
                d = c - 'A' + 10;
            else
                return false;
            v = v * 16 + static_cast<unsigned long>(d);
        }
        *out = v;
        return true;
    };
    unsigned long v;
    GUID g{};
    if (!hex(0, 8, &v))
        return false;
    g.Data1 = static_cast<DWORD>(v);
    if (!hex(9, 4, &v))
        return false;
    g.Data2 = static_cast<WORD>(v);
    if (!hex(14, 4, &v))
        return false;
    g.Data3 = static_cast<WORD>(v);
    const size_t bytePos[8] = {19, 21, 24, 26, 28, 30, 32, 34};
    for (int i = 0; i < 8; ++i) {
        if (!hex(bytePos[i], 2, &v))
            return false;
        g.Data4[i] = static_cast<BYTE>(v);
    }
    *guid = g;
    return true;
}

namespace {

FormatDesc rgb(DWORD bits, DWORD r, DWORD g, DWORD b, DWORD a = 0) {
    FormatDesc f;
    f.kind = FormatDesc::Kind::Rgb;
    f.bitCount = bits;
    f.redMask = r;
    f.greenMask = g;
    f.blueMask = b;
    f.alphaMask = a;
    return f;
}

FormatDesc luminance(DWORD bits, DWORD l, DWORD a = 0) {
    FormatDesc f;
    f.kind = FormatDesc::Kind::Luminance;
    f.bitCount = bits;
    f.luminanceMask = l;
    f.alphaMask = a;
    return f;
}

FormatDesc bump(DWORD bits, DWORD du, DWORD dv, DWORD l = 0) {
    FormatDesc f;
    f.kind = FormatDesc::Kind::Bump;
    f.bitCount = bits;
    f.bumpDuMask = du;
    f.bumpDvMask = dv;
    f.luminanceMask = l;
    return f;
}

FormatDesc alphaOnly(DWORD bits) {
    FormatDesc f;
    f.kind = FormatDesc::Kind::Alpha;
    f.bitCount = bits;
    return f;
}

FormatDesc fourCC(char a, char b, char c, char d, DWORD bits) {
    FormatDesc f;
    f.kind = FormatDesc::Kind::FourCC;
    f.fourCC = makeFourCC(a, b, c, d);
    f.bitCount = bits;
    return f;
}

FormatDesc depth(DWORD bits, DWORD stencil = 0) {
    FormatDesc f;
    f.kind = FormatDesc::Kind::Depth;
    f.bitCount = bits;
    f.stencilBits = stencil;
    return f;
}

// Capability values (D3DPRASTERCAPS_*, D3DPTEXTURECAPS_*, ...), spelled out
// here because the Direct3D headers build on this layer, not the reverse.
constexpr DWORD kRasterDither = 0x1, kRasterZTest = 0x10, kRasterSubpixel = 0x20,
                kRasterFogVertex = 0x80, kRasterFogTable = 0x100, kRasterMipLodBias = 0x2000,
                kRasterFogRange = 0x10000;
constexpr DWORD kCmpAll = 0xFF;
constexpr DWORD kBlendAll = 0x1FFF;
constexpr DWORD kShadeGouraud = 0x8 | 0x200 | 0x4000 | 0x80000;
constexpr DWORD kTexPerspective = 0x1, kTexAlpha = 0x4, kTexTransparency = 0x8;
constexpr DWORD kFilterAll =
    0x1 | 0x2 | 0x4 | 0x8 | 0x10 | 0x20 | 0x100 | 0x200 | 0x10000 | 0x20000 | 0x1000000 | 0x2000000;
constexpr DWORD kAddressWrapMirrorClamp = 0x1 | 0x2 | 0x4;
constexpr DWORD kTexOpsCommon =
    0x1 | 0x2 | 0x4 | 0x8 | 0x10 | 0x20 | 0x40 | 0x80 | 0x200 | 0x800 | 0x1000 | 0x2000 | 0x8000;
constexpr DWORD kDevCommon = 0x1 | 0x10 | 0x40 | 0x100 | 0x400 | 0x800 | 0x2000;
constexpr DWORD kDevHardware = 0x200 | 0x80000;
constexpr DWORD kBlendModulate = 0x1 | 0x2 | 0x8 | 0x10 | 0x20 | 0x40 | 0x80;  // D3DPTBLENDCAPS_*
constexpr DWORD kDDBD16 = 0x400, kDDBD24 = 0x200, kDDBD32 = 0x100;

DeviceCaps standardCaps(bool hardware) {
    DeviceCaps c;
    c.deviceCaps = kDevCommon | (hardware ? kDevHardware : 0u);
    c.rasterCaps = kRasterDither | kRasterZTest | kRasterSubpixel | kRasterFogVertex |
                   kRasterFogTable | kRasterMipLodBias | kRasterFogRange;
    c.zCompareCaps = kCmpAll;
    c.alphaCompareCaps = kCmpAll;
    c.srcBlendCaps = kBlendAll;
    c.destBlendCaps = kBlendAll;
    c.shadeCaps = kShadeGouraud;
    c.textureCaps = kTexPerspective | kTexAlpha | kTexTransparency;
    c.textureFilterCaps = kFilterAll;
    c.textureBlendCaps = kBlendModulate;
    c.textureAddressCaps = kAddressWrapMirrorClamp;
    c.textureOpCaps = kTexOpsCommon;
    c.renderBitDepths = kDDBD16 | kDDBD32;
    c.zBufferBitDepths = kDDBD16 | kDDBD24 | kDDBD32;
    c.maxTextureBlendStages = hardware ? 2 : 8;
    c.maxSimultaneousTextures = hardware ? 2 : 8;
    c.minTextureWidth = c.minTextureHeight = 1;
    c.maxTextureWidth = c.maxTextureHeight = hardware ? 2048 : 4096;
    c.maxTextureRepeat = hardware ? 2048 : 32768;
    c.maxTextureAspectRatio = hardware ? 2048 : 0;
    return c;
}

// In the order a card of the time lists them, so that a caller must skip the
// luminance, bump and FOURCC entries it cannot use.
std::vector<FormatDesc> standardTextureFormats() {
    return {rgb(16, 0xF800, 0x07E0, 0x001F),
            rgb(16, 0x7C00, 0x03E0, 0x001F),
            rgb(16, 0x7C00, 0x03E0, 0x001F, 0x8000),
            rgb(16, 0x0F00, 0x00F0, 0x000F, 0xF000),
            rgb(32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000),
            rgb(32, 0xFF0000, 0xFF00, 0xFF),
            luminance(8, 0xFF),
            luminance(16, 0x00FF, 0xFF00),
            luminance(8, 0x0F, 0xF0),
            alphaOnly(8),
            bump(16, 0x00FF, 0xFF00),
            bump(16, 0x001F, 0x03E0, 0xFC00),
            bump(32, 0x0000FF, 0x00FF00, 0xFF0000),
            fourCC('D', 'X', 'T', '1', 0),
            fourCC('U', 'Y', 'V', 'Y', 16)};
}

std::vector<FormatDesc> standardDepthFormats() {
    return {depth(16), depth(24), depth(32)};
}

DeviceProfile device(const GUID& guid, const char* name, const char* description, bool hw) {
    DeviceProfile d;
    d.guid = guid;
    d.name = name;
    d.description = description;
    d.hardware = hw;
    d.caps = standardCaps(hw);
    d.textureFormats = standardTextureFormats();
    d.depthFormats = standardDepthFormats();
    return d;
}

std::vector<DisplayMode> standardModes() {
    std::vector<DisplayMode> modes;
    const DWORD sizes[][2] = {{640, 480}, {800, 600}, {1024, 768}, {1280, 1024}};
    for (DWORD bpp : {8u, 16u, 32u})
        for (const auto& s : sizes)
            modes.push_back({s[0], s[1], bpp, 60});
    return modes;
}

}  // namespace

DisplayProfile defaultProfile() {
    DisplayProfile p;
    p.source = "built-in";
    p.desktop = {1024, 768, 32, 60};
    AdapterProfile a;
    a.primary = true;
    a.description = "Primary Display Driver";
    a.driverName = "display";
    a.monitor = reinterpret_cast<HMONITOR>(static_cast<uintptr_t>(0x10001));
    a.videoMemory = 16u * 1024u * 1024u;
    a.overlays = true;
    a.maxVisibleOverlays = 1;
    a.gamma = true;
    a.canRenderWindowed = true;
    a.vendorId = 0x1234;
    a.deviceId = 0x0006;
    a.devices.push_back(device(kHalDeviceGuid, "Direct3D HAL",
                               "Microsoft Direct3D Hardware acceleration through Direct3D HAL",
                               true));
    a.devices.push_back(device(kRgbDeviceGuid, "RGB Emulation",
                               "Microsoft Direct3D RGB Software Emulation", false));
    a.devices.push_back(
        device(kRefDeviceGuid, "Reference Rasterizer", "Microsoft Reference Rasterizer", false));
    DeviceProfile null =
        device(kNullDeviceGuid, "Null device", "Microsoft Direct3D Null Device", false);
    null.caps = DeviceCaps{};
    null.textureFormats.clear();
    null.depthFormats.clear();
    a.devices.push_back(null);
    a.modes = standardModes();
    p.adapters.push_back(std::move(a));
    return p;
}

namespace {

struct CurrentState {
    std::mutex mutex;
    std::shared_ptr<const DisplayProfile> profile;
};

CurrentState& current() {
    static CurrentState s;
    return s;
}

void applyDesktop(const DisplayProfile& p) {
    core::setDesktopMode(
        {p.desktop.width, p.desktop.height, p.desktop.bitsPerPixel, p.desktop.refreshRate});
}

}  // namespace

std::shared_ptr<const DisplayProfile> currentProfile() {
    std::shared_ptr<const DisplayProfile> made;
    {
        std::lock_guard<std::mutex> lock(current().mutex);
        if (current().profile)
            return current().profile;
        const char* path = std::getenv("D3DDRIVER_DISPLAY_PROFILE");
        std::unique_ptr<DisplayProfile> loaded;
        if (path && *path) {
            std::string error;
            loaded = loadProfile(path, &error);
            if (!loaded)
                std::cerr << "display profile refused, using the built-in one: " << error
                          << std::endl;
        }
        made = loaded ? std::shared_ptr<const DisplayProfile>(std::move(loaded))
                      : std::make_shared<const DisplayProfile>(defaultProfile());
        current().profile = made;
    }
    applyDesktop(*made);
    return made;
}

void setCurrentProfile(DisplayProfile profile) {
    auto made = std::make_shared<const DisplayProfile>(std::move(profile));
    {
        std::lock_guard<std::mutex> lock(current().mutex);
        current().profile = made;
    }
    applyDesktop(*made);
}

}  // namespace platform::display
