// Reads a display profile written in libconfig syntax; see
// tests/ddraw/data/two_adapters.cfg for an example.
#include "display/display_profile.h"

#include <libconfig.h++>

#include <initializer_list>
#include <sstream>
#include <stdexcept>

namespace platform::display {
namespace {

// A problem in the file, with the setting it concerns.
struct ProfileError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

[[noreturn]] void fail(const libconfig::Setting& at, const std::string& what) {
    std::ostringstream text;
    const std::string path = at.getPath();
    text << "line " << at.getSourceLine() << ": "
         << (path.empty() ? std::string("top level") : path) << ": " << what;
    throw ProfileError(text.str());
}

DWORD readDword(const libconfig::Setting& group, const char* name, DWORD fallback,
                bool required = false) {
    if (!group.exists(name)) {
        if (required)
            fail(group, std::string("missing setting '") + name + "'");
        return fallback;
    }
    const libconfig::Setting& s = group[name];
    long long v;
    if (s.getType() == libconfig::Setting::TypeInt)
        v = static_cast<int>(s);
    else if (s.getType() == libconfig::Setting::TypeInt64)
        v = static_cast<long long>(s);
    else
        fail(s, "expected an integer");
    // Hex masks such as 0xFF000000 arrive as negative 32-bit integers.
    if (s.getType() == libconfig::Setting::TypeInt && v < 0)
        v += 0x100000000LL;
    if (v < 0 || v > 0xFFFFFFFFLL)
        fail(s, "integer out of range");
    return static_cast<DWORD>(v);
}

bool readBool(const libconfig::Setting& group, const char* name, bool fallback) {
    if (!group.exists(name))
        return fallback;
    const libconfig::Setting& s = group[name];
    if (s.getType() != libconfig::Setting::TypeBoolean)
        fail(s, "expected true or false");
    return static_cast<bool>(s);
}

std::string readString(const libconfig::Setting& group, const char* name,
                       const std::string& fallback, bool required = false) {
    if (!group.exists(name)) {
        if (required)
            fail(group, std::string("missing setting '") + name + "'");
        return fallback;
    }
    const libconfig::Setting& s = group[name];
    if (s.getType() != libconfig::Setting::TypeString)
        fail(s, "expected a string");
    return s.c_str();
}

GUID readGuid(const libconfig::Setting& group, const char* name) {
    const std::string text = readString(group, name, "", true);
    GUID g{};
    if (!parseGuid(text, &g))
        fail(group[name], "not a GUID: \"" + text + "\"");
    return g;
}

DisplayMode readMode(const libconfig::Setting& s) {
    if (!s.isGroup())
        fail(s, "a display mode must be a group { width; height; bpp; refresh; }");
    DisplayMode m;
    m.width = readDword(s, "width", 0, true);
    m.height = readDword(s, "height", 0, true);
    m.bitsPerPixel = readDword(s, "bpp", 0, true);
    m.refreshRate = readDword(s, "refresh", 60);
    if (m.width == 0 || m.height == 0)
        fail(s, "display mode of zero size");
    if (m.bitsPerPixel != 8 && m.bitsPerPixel != 16 && m.bitsPerPixel != 24 && m.bitsPerPixel != 32)
        fail(s, "bits per pixel must be 8, 16, 24 or 32");
    return m;
}

DWORD maskOfBits(DWORD bits) {
    return bits >= 32 ? 0xFFFFFFFFu : ((1u << bits) - 1u);
}

// Every mask of a format must be non-empty (optional ones may be 0), fit the
// bit count and not overlap the others.
void checkMasks(const libconfig::Setting& s, DWORD bits, std::initializer_list<DWORD> required,
                std::initializer_list<DWORD> optional) {
    DWORD used = 0;
    auto take = [&](DWORD m) {
        if ((m & ~maskOfBits(bits)) != 0)
            fail(s, "a mask does not fit the bit count");
        if ((m & used) != 0)
            fail(s, "masks overlap");
        used |= m;
    };
    for (DWORD m : required) {
        if (m == 0)
            fail(s, "a required mask is zero");
        take(m);
    }
    for (DWORD m : optional)
        take(m);
}

FormatDesc readRgbTexture(const libconfig::Setting& s) {
    FormatDesc f;
    f.kind = FormatDesc::Kind::Rgb;
    f.bitCount = readDword(s, "bits", 0, true);
    f.redMask = readDword(s, "r", 0, true);
    f.greenMask = readDword(s, "g", 0, true);
    f.blueMask = readDword(s, "b", 0, true);
    f.alphaMask = readDword(s, "a", 0);
    if (f.bitCount != 16 && f.bitCount != 32)
        fail(s, "RGB texture formats must have 16 or 32 bits");
    checkMasks(s, f.bitCount, {f.redMask, f.greenMask, f.blueMask}, {f.alphaMask});
    return f;
}

FormatDesc readLuminanceTexture(const libconfig::Setting& s) {
    FormatDesc f;
    f.kind = FormatDesc::Kind::Luminance;
    f.bitCount = readDword(s, "bits", 0, true);
    f.luminanceMask = readDword(s, "l", 0, true);
    f.alphaMask = readDword(s, "a", 0);
    if (f.bitCount != 8 && f.bitCount != 16)
        fail(s, "luminance formats must have 8 or 16 bits");
    checkMasks(s, f.bitCount, {f.luminanceMask}, {f.alphaMask});
    return f;
}

FormatDesc readBumpTexture(const libconfig::Setting& s) {
    FormatDesc f;
    f.kind = FormatDesc::Kind::Bump;
    f.bitCount = readDword(s, "bits", 0, true);
    f.bumpDuMask = readDword(s, "du", 0, true);
    f.bumpDvMask = readDword(s, "dv", 0, true);
    f.luminanceMask = readDword(s, "l", 0);
    if (f.bitCount != 16 && f.bitCount != 24 && f.bitCount != 32)
        fail(s, "bump formats must have 16, 24 or 32 bits");
    checkMasks(s, f.bitCount, {f.bumpDuMask, f.bumpDvMask}, {f.luminanceMask});
    return f;
}

FormatDesc readAlphaTexture(const libconfig::Setting& s) {
    FormatDesc f;
    f.kind = FormatDesc::Kind::Alpha;
    f.bitCount = readDword(s, "bits", 0, true);
    if (f.bitCount != 8)
        fail(s, "alpha-only formats must have 8 bits");
    return f;
}

FormatDesc readFourCCTexture(const libconfig::Setting& s) {
    FormatDesc f;
    f.kind = FormatDesc::Kind::FourCC;
    const std::string code = readString(s, "code", "", true);
    if (code.size() != 4)
        fail(s["code"], "a FOURCC code has four characters: \"" + code + "\"");
    f.fourCC = makeFourCC(code[0], code[1], code[2], code[3]);
    // The packed YUV formats have 16 bits per pixel; block-compressed ones none.
    const bool yuv = code == "UYVY" || code == "YUY2";
    f.bitCount = readDword(s, "bits", yuv ? 16u : 0u);
    if (f.bitCount > 32 || f.bitCount % 8 != 0)
        fail(s, "a FOURCC bit count must be 0, 8, 16, 24 or 32");
    return f;
}

// kind = "rgb" (the default), "luminance", "bump", "alpha" or "fourcc".
FormatDesc readTextureFormat(const libconfig::Setting& s) {
    if (!s.isGroup())
        fail(s, "a texture format must be a group");
    const std::string kind = readString(s, "kind", "rgb");
    if (kind == "rgb")
        return readRgbTexture(s);
    if (kind == "luminance")
        return readLuminanceTexture(s);
    if (kind == "bump")
        return readBumpTexture(s);
    if (kind == "alpha")
        return readAlphaTexture(s);
    if (kind == "fourcc")
        return readFourCCTexture(s);
    fail(s["kind"],
         "unknown texture format kind \"" + kind + "\" (rgb, luminance, bump, alpha or fourcc)");
}

FormatDesc readDepthFormat(const libconfig::Setting& s) {
    if (!s.isGroup())
        fail(s, "a depth format must be a group");
    FormatDesc f;
    f.kind = FormatDesc::Kind::Depth;
    f.bitCount = readDword(s, "bits", 0, true);
    f.stencilBits = readDword(s, "stencil", 0);
    if (f.bitCount != 16 && f.bitCount != 24 && f.bitCount != 32)
        fail(s, "depth formats must have 16, 24 or 32 bits");
    return f;
}

const DeviceProfile& standardDevice(const libconfig::Setting& s, const std::string& which) {
    static const DisplayProfile builtIn = defaultProfile();
    const auto& devices = builtIn.adapters.front().devices;
    const char* names[] = {"hal", "rgb", "ref", "null"};
    for (size_t i = 0; i < 4; ++i)
        if (which == names[i])
            return devices[i];
    fail(s, "unknown standard device \"" + which + "\" (hal, rgb, ref or null)");
}

void readCaps(const libconfig::Setting& s, DeviceCaps* c) {
    if (!s.isGroup())
        fail(s, "caps must be a group");
    c->colorModel = readDword(s, "colorModel", c->colorModel);
    c->deviceCaps = readDword(s, "deviceCaps", c->deviceCaps);
    c->rasterCaps = readDword(s, "rasterCaps", c->rasterCaps);
    c->zCompareCaps = readDword(s, "zCompareCaps", c->zCompareCaps);
    c->srcBlendCaps = readDword(s, "srcBlendCaps", c->srcBlendCaps);
    c->destBlendCaps = readDword(s, "destBlendCaps", c->destBlendCaps);
    c->alphaCompareCaps = readDword(s, "alphaCompareCaps", c->alphaCompareCaps);
    c->shadeCaps = readDword(s, "shadeCaps", c->shadeCaps);
    c->textureCaps = readDword(s, "textureCaps", c->textureCaps);
    c->textureFilterCaps = readDword(s, "textureFilterCaps", c->textureFilterCaps);
    c->textureBlendCaps = readDword(s, "textureBlendCaps", c->textureBlendCaps);
    c->textureAddressCaps = readDword(s, "textureAddressCaps", c->textureAddressCaps);
    c->textureOpCaps = readDword(s, "textureOpCaps", c->textureOpCaps);
    c->renderBitDepths = readDword(s, "renderBitDepths", c->renderBitDepths);
    c->zBufferBitDepths = readDword(s, "zBufferBitDepths", c->zBufferBitDepths);
    c->maxTextureBlendStages = readDword(s, "maxTextureBlendStages", c->maxTextureBlendStages);
    c->maxSimultaneousTextures =
        readDword(s, "maxSimultaneousTextures", c->maxSimultaneousTextures);
    c->minTextureWidth = readDword(s, "minTextureWidth", c->minTextureWidth);
    c->minTextureHeight = readDword(s, "minTextureHeight", c->minTextureHeight);
    c->maxTextureWidth = readDword(s, "maxTextureWidth", c->maxTextureWidth);
    c->maxTextureHeight = readDword(s, "maxTextureHeight", c->maxTextureHeight);
    c->maxTextureRepeat = readDword(s, "maxTextureRepeat", c->maxTextureRepeat);
    c->maxTextureAspectRatio = readDword(s, "maxTextureAspectRatio", c->maxTextureAspectRatio);
    c->maxVertexCount = readDword(s, "maxVertexCount", c->maxVertexCount);
}

DeviceProfile readDevice(const libconfig::Setting& s) {
    if (!s.isGroup())
        fail(s, "a device must be a group");
    DeviceProfile d;
    if (s.exists("standard"))
        d = standardDevice(s, readString(s, "standard", ""));
    else
        d.guid = readGuid(s, "guid");
    if (s.exists("guid"))
        d.guid = readGuid(s, "guid");
    d.name = readString(s, "name", d.name, d.name.empty());
    d.description = readString(s, "description", d.description);
    d.hardware = readBool(s, "hardware", d.hardware);
    if (s.exists("caps"))
        readCaps(s["caps"], &d.caps);
    if (s.exists("textureFormats")) {
        const libconfig::Setting& list = s["textureFormats"];
        if (!list.isList())
            fail(list, "expected a list ( ... ) of formats");
        d.textureFormats.clear();
        for (int i = 0; i < list.getLength(); ++i)
            d.textureFormats.push_back(readTextureFormat(list[i]));
    }
    if (s.exists("depthFormats")) {
        const libconfig::Setting& list = s["depthFormats"];
        if (!list.isList())
            fail(list, "expected a list ( ... ) of formats");
        d.depthFormats.clear();
        for (int i = 0; i < list.getLength(); ++i)
            d.depthFormats.push_back(readDepthFormat(list[i]));
    }
    if (d.caps.minTextureWidth > d.caps.maxTextureWidth ||
        d.caps.minTextureHeight > d.caps.maxTextureHeight)
        fail(s, "minimum texture size above the maximum");
    return d;
}

AdapterProfile readAdapter(const libconfig::Setting& s, const AdapterProfile& builtIn) {
    if (!s.isGroup())
        fail(s, "an adapter must be a group");
    AdapterProfile a;
    a.primary = readBool(s, "primary", false);
    if (!a.primary)
        a.guid = readGuid(s, "guid");
    a.description = readString(s, "description", "", true);
    a.driverName = readString(s, "name", "", true);
    a.monitor = reinterpret_cast<HMONITOR>(
        static_cast<uintptr_t>(readDword(s, "monitor", a.primary ? 0x10001u : 0u)));
    a.videoMemory = readDword(s, "videoMemory", builtIn.videoMemory);
    a.overlays = readBool(s, "overlays", false);
    a.maxVisibleOverlays = readDword(s, "maxVisibleOverlays", a.overlays ? 1u : 0u);
    a.gamma = readBool(s, "gamma", false);
    a.canRenderWindowed = readBool(s, "canRenderWindowed", a.primary);
    a.vendorId = readDword(s, "vendorId", 0);
    a.deviceId = readDword(s, "deviceId", 0);
    if (!s.exists("devices"))
        fail(s, "missing setting 'devices'");
    const libconfig::Setting& devices = s["devices"];
    if (!devices.isList())
        fail(devices, "expected a list ( ... ) of devices");
    for (int i = 0; i < devices.getLength(); ++i)
        a.devices.push_back(readDevice(devices[i]));
    if (s.exists("modes")) {
        const libconfig::Setting& modes = s["modes"];
        if (!modes.isList())
            fail(modes, "expected a list ( ... ) of modes");
        for (int i = 0; i < modes.getLength(); ++i)
            a.modes.push_back(readMode(modes[i]));
    } else {
        a.modes = builtIn.modes;
    }
    return a;
}

DisplayProfile readProfile(const libconfig::Config& config) {
    const libconfig::Setting& root = config.getRoot();
    const DisplayProfile builtIn = defaultProfile();
    DisplayProfile p;
    p.desktop = root.exists("desktop") ? readMode(root["desktop"]) : builtIn.desktop;
    if (!root.exists("adapters"))
        fail(root, "missing setting 'adapters'");
    const libconfig::Setting& adapters = root["adapters"];
    if (!adapters.isList() || adapters.getLength() == 0)
        fail(adapters, "expected a non-empty list ( ... ) of adapters");
    int primaries = 0;
    for (int i = 0; i < adapters.getLength(); ++i) {
        AdapterProfile a = readAdapter(adapters[i], builtIn.adapters.front());
        primaries += a.primary ? 1 : 0;
        if (a.primary)
            p.adapters.insert(p.adapters.begin(), std::move(a));
        else
            p.adapters.push_back(std::move(a));
    }
    if (primaries != 1)
        fail(adapters, "exactly one adapter must be primary");
    return p;
}

}  // namespace

std::unique_ptr<DisplayProfile> loadProfile(const std::string& path, std::string* error) {
    libconfig::Config config;
    try {
        config.readFile(path.c_str());
        auto profile = std::make_unique<DisplayProfile>(readProfile(config));
        profile->source = path;
        return profile;
    } catch (const libconfig::FileIOException&) {
        *error = path + ": cannot be read";
    } catch (const libconfig::ParseException& e) {
        *error = path + ": line " + std::to_string(e.getLine()) + ": " + e.getError();
    } catch (const ProfileError& e) {
        *error = path + ": " + e.what();
    } catch (const libconfig::SettingException& e) {
        *error = path + ": " + e.getPath() + ": " + e.what();
    }
    return nullptr;
}

}  // namespace platform::display
