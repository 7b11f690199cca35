#include "d3d/device/caps.h"

#include "ddraw/pixel_format.h"

namespace platform::d3d::device {
namespace {

D3DPRIMCAPS primCaps(const display::DeviceCaps& c) {
    D3DPRIMCAPS p{};
    p.dwSize = sizeof(D3DPRIMCAPS);
    p.dwMiscCaps = D3DPMISCCAPS_MASKZ | D3DPMISCCAPS_CULLNONE | D3DPMISCCAPS_CULLCW |
                   D3DPMISCCAPS_CULLCCW;
    p.dwRasterCaps = c.rasterCaps;
    p.dwZCmpCaps = c.zCompareCaps;
    p.dwSrcBlendCaps = c.srcBlendCaps;
    p.dwDestBlendCaps = c.destBlendCaps;
    p.dwAlphaCmpCaps = c.alphaCompareCaps;
    p.dwShadeCaps = c.shadeCaps;
    p.dwTextureCaps = c.textureCaps;
    p.dwTextureFilterCaps = c.textureFilterCaps;
    p.dwTextureBlendCaps = c.textureBlendCaps;
    p.dwTextureAddressCaps = c.textureAddressCaps;
    return p;
}

}  // namespace

D3DDEVICEDESC describeDevice(const display::DeviceCaps& c) {
    D3DDEVICEDESC d{};
    d.dwSize = sizeof(D3DDEVICEDESC);
    d.dwFlags = D3DDD_COLORMODEL | D3DDD_DEVCAPS | D3DDD_TRANSFORMCAPS | D3DDD_LIGHTINGCAPS |
                D3DDD_BCLIPPING | D3DDD_LINECAPS | D3DDD_TRICAPS | D3DDD_DEVICERENDERBITDEPTH |
                D3DDD_DEVICEZBUFFERBITDEPTH | D3DDD_MAXBUFFERSIZE | D3DDD_MAXVERTEXCOUNT;
    d.dcmColorModel = static_cast<D3DCOLORMODEL>(c.colorModel);
    d.dwDevCaps = c.deviceCaps;
    d.dtcTransformCaps.dwSize = sizeof(D3DTRANSFORMCAPS);
    d.dtcTransformCaps.dwCaps = D3DTRANSFORMCAPS_CLIP;
    d.bClipping = TRUE;
    d.dlcLightingCaps.dwSize = sizeof(D3DLIGHTINGCAPS);
    d.dlcLightingCaps.dwCaps = D3DLIGHTCAPS_POINT | D3DLIGHTCAPS_SPOT | D3DLIGHTCAPS_DIRECTIONAL;
    d.dlcLightingCaps.dwLightingModel = D3DLIGHTINGMODEL_RGB;
    d.dlcLightingCaps.dwNumLights = 0;  // no limit
    d.dpcLineCaps = primCaps(c);
    d.dpcTriCaps = primCaps(c);
    d.dwDeviceRenderBitDepth = c.renderBitDepths;
    d.dwDeviceZBufferBitDepth = c.zBufferBitDepths;
    d.dwMaxBufferSize = 0;
    d.dwMaxVertexCount = c.maxVertexCount;
    d.dwMinTextureWidth = c.minTextureWidth;
    d.dwMinTextureHeight = c.minTextureHeight;
    d.dwMaxTextureWidth = c.maxTextureWidth;
    d.dwMaxTextureHeight = c.maxTextureHeight;
    d.dwMaxTextureRepeat = c.maxTextureRepeat;
    d.dwMaxTextureAspectRatio = c.maxTextureAspectRatio;
    d.dwMaxAnisotropy = 1;
    d.dwFVFCaps = D3DDP_MAXTEXCOORD;
    d.dwTextureOpCaps = c.textureOpCaps;
    d.wMaxTextureBlendStages = static_cast<WORD>(c.maxTextureBlendStages);
    d.wMaxSimultaneousTextures = static_cast<WORD>(c.maxSimultaneousTextures);
    return d;
}

void describeDevicePair(const display::DeviceProfile& device, D3DDEVICEDESC* hardware,
                        D3DDEVICEDESC* software) {
    D3DDEVICEDESC empty{};
    empty.dwSize = sizeof(D3DDEVICEDESC);
    const D3DDEVICEDESC full = describeDevice(device.caps);
    *hardware = device.hardware ? full : empty;
    *software = device.hardware ? empty : full;
}

DDPIXELFORMAT pixelFormatOf(const display::FormatDesc& f) {
    return ddraw::toPixelFormat(f);
}

bool sameFormat(const DDPIXELFORMAT& a, const display::FormatDesc& b) {
    const DDPIXELFORMAT p = pixelFormatOf(b);
    if (p.dwFlags != a.dwFlags)
        return false;
    if (a.dwFlags & DDPF_FOURCC)
        return a.dwFourCC == p.dwFourCC;
    return a.dwRGBBitCount == p.dwRGBBitCount && a.dwRBitMask == p.dwRBitMask &&
           a.dwGBitMask == p.dwGBitMask && a.dwBBitMask == p.dwBBitMask &&
           a.dwRGBAlphaBitMask == p.dwRGBAlphaBitMask;
}

}  // namespace platform::d3d::device
