// DirectDraw 6: interfaces, structures, flags and result codes, with the
// public names, values and field orders.
#pragma once

#include "windef.h"
#include "winerror.h"
#include "wingdi.h"

#define _FACDD 0x876
#define MAKE_DDHRESULT(code) MAKE_HRESULT(1, _FACDD, code)

#ifndef CLASS_E_NOAGGREGATION
#define CLASS_E_NOAGGREGATION ((HRESULT)0x80040110L)
#endif

#define DD_OK S_OK
#define DD_FALSE S_FALSE

// Result codes
#define DDERR_UNSUPPORTED E_NOTIMPL
#define DDERR_GENERIC E_FAIL
#define DDERR_NOTINITIALIZED CO_E_NOTINITIALIZED
#define DDERR_OUTOFMEMORY E_OUTOFMEMORY
#define DDERR_INVALIDPARAMS E_INVALIDARG
#define DDERR_ALREADYINITIALIZED MAKE_DDHRESULT(5)
#define DDERR_CANNOTATTACHSURFACE MAKE_DDHRESULT(10)
#define DDERR_CANNOTDETACHSURFACE MAKE_DDHRESULT(20)
#define DDERR_CURRENTLYNOTAVAIL MAKE_DDHRESULT(40)
#define DDERR_EXCEPTION MAKE_DDHRESULT(55)
#define DDERR_HEIGHTALIGN MAKE_DDHRESULT(90)
#define DDERR_INCOMPATIBLEPRIMARY MAKE_DDHRESULT(95)
#define DDERR_INVALIDCAPS MAKE_DDHRESULT(100)
#define DDERR_INVALIDCLIPLIST MAKE_DDHRESULT(110)
#define DDERR_INVALIDMODE MAKE_DDHRESULT(120)
#define DDERR_INVALIDOBJECT MAKE_DDHRESULT(130)
#define DDERR_INVALIDPIXELFORMAT MAKE_DDHRESULT(145)
#define DDERR_INVALIDRECT MAKE_DDHRESULT(150)
#define DDERR_LOCKEDSURFACES MAKE_DDHRESULT(160)
#define DDERR_NO3D MAKE_DDHRESULT(170)
#define DDERR_NOALPHAHW MAKE_DDHRESULT(180)
#define DDERR_NOCLIPLIST MAKE_DDHRESULT(205)
#define DDERR_NOCOLORCONVHW MAKE_DDHRESULT(210)
#define DDERR_NOCOOPERATIVELEVELSET MAKE_DDHRESULT(212)
#define DDERR_NOCOLORKEY MAKE_DDHRESULT(215)
#define DDERR_NOCOLORKEYHW MAKE_DDHRESULT(220)
#define DDERR_NODIRECTDRAWSUPPORT MAKE_DDHRESULT(222)
#define DDERR_NOEXCLUSIVEMODE MAKE_DDHRESULT(225)
#define DDERR_NOFLIPHW MAKE_DDHRESULT(230)
#define DDERR_NOGDI MAKE_DDHRESULT(240)
#define DDERR_NOMIRRORHW MAKE_DDHRESULT(250)
#define DDERR_NOTFOUND MAKE_DDHRESULT(255)
#define DDERR_NOOVERLAYHW MAKE_DDHRESULT(260)
#define DDERR_OVERLAPPINGRECTS MAKE_DDHRESULT(270)
#define DDERR_NORASTEROPHW MAKE_DDHRESULT(280)
#define DDERR_NOROTATIONHW MAKE_DDHRESULT(290)
#define DDERR_NOSTRETCHHW MAKE_DDHRESULT(310)
#define DDERR_NOT4BITCOLOR MAKE_DDHRESULT(316)
#define DDERR_NOT4BITCOLORINDEX MAKE_DDHRESULT(317)
#define DDERR_NOT8BITCOLOR MAKE_DDHRESULT(320)
#define DDERR_NOTEXTUREHW MAKE_DDHRESULT(330)
#define DDERR_NOVSYNCHW MAKE_DDHRESULT(335)
#define DDERR_NOZBUFFERHW MAKE_DDHRESULT(340)
#define DDERR_NOZOVERLAYHW MAKE_DDHRESULT(350)
#define DDERR_OUTOFCAPS MAKE_DDHRESULT(360)
#define DDERR_OUTOFVIDEOMEMORY MAKE_DDHRESULT(380)
#define DDERR_OVERLAYCANTCLIP MAKE_DDHRESULT(382)
#define DDERR_OVERLAYCOLORKEYONLYONEACTIVE MAKE_DDHRESULT(384)
#define DDERR_PALETTEBUSY MAKE_DDHRESULT(387)
#define DDERR_COLORKEYNOTSET MAKE_DDHRESULT(400)
#define DDERR_SURFACEALREADYATTACHED MAKE_DDHRESULT(410)
#define DDERR_SURFACEALREADYDEPENDENT MAKE_DDHRESULT(420)
#define DDERR_SURFACEBUSY MAKE_DDHRESULT(430)
#define DDERR_CANTLOCKSURFACE MAKE_DDHRESULT(435)
#define DDERR_SURFACEISOBSCURED MAKE_DDHRESULT(440)
#define DDERR_SURFACELOST MAKE_DDHRESULT(450)
#define DDERR_SURFACENOTATTACHED MAKE_DDHRESULT(460)
#define DDERR_TOOBIGHEIGHT MAKE_DDHRESULT(470)
#define DDERR_TOOBIGSIZE MAKE_DDHRESULT(480)
#define DDERR_TOOBIGWIDTH MAKE_DDHRESULT(490)
#define DDERR_UNSUPPORTEDFORMAT MAKE_DDHRESULT(510)
#define DDERR_UNSUPPORTEDMASK MAKE_DDHRESULT(520)
#define DDERR_INVALIDSTREAM MAKE_DDHRESULT(521)
#define DDERR_VERTICALBLANKINPROGRESS MAKE_DDHRESULT(537)
#define DDERR_WASSTILLDRAWING MAKE_DDHRESULT(540)
#define DDERR_XALIGN MAKE_DDHRESULT(560)
#define DDERR_INVALIDDIRECTDRAWGUID MAKE_DDHRESULT(561)
#define DDERR_DIRECTDRAWALREADYCREATED MAKE_DDHRESULT(562)
#define DDERR_NODIRECTDRAWHW MAKE_DDHRESULT(563)
#define DDERR_PRIMARYSURFACEALREADYEXISTS MAKE_DDHRESULT(564)
#define DDERR_NOEMULATION MAKE_DDHRESULT(565)
#define DDERR_REGIONTOOSMALL MAKE_DDHRESULT(566)
#define DDERR_CLIPPERISUSINGHWND MAKE_DDHRESULT(567)
#define DDERR_NOCLIPPERATTACHED MAKE_DDHRESULT(568)
#define DDERR_NOHWND MAKE_DDHRESULT(569)
#define DDERR_HWNDSUBCLASSED MAKE_DDHRESULT(570)
#define DDERR_HWNDALREADYSET MAKE_DDHRESULT(571)
#define DDERR_NOPALETTEATTACHED MAKE_DDHRESULT(572)
#define DDERR_NOPALETTEHW MAKE_DDHRESULT(573)
#define DDERR_BLTFASTCANTCLIP MAKE_DDHRESULT(574)
#define DDERR_NOBLTHW MAKE_DDHRESULT(575)
#define DDERR_NODDROPSHW MAKE_DDHRESULT(576)
#define DDERR_OVERLAYNOTVISIBLE MAKE_DDHRESULT(577)
#define DDERR_NOOVERLAYDEST MAKE_DDHRESULT(578)
#define DDERR_INVALIDPOSITION MAKE_DDHRESULT(579)
#define DDERR_NOTAOVERLAYSURFACE MAKE_DDHRESULT(580)
#define DDERR_EXCLUSIVEMODEALREADYSET MAKE_DDHRESULT(581)
#define DDERR_NOTFLIPPABLE MAKE_DDHRESULT(582)
#define DDERR_CANTDUPLICATE MAKE_DDHRESULT(583)
#define DDERR_NOTLOCKED MAKE_DDHRESULT(584)
#define DDERR_CANTCREATEDC MAKE_DDHRESULT(585)
#define DDERR_NODC MAKE_DDHRESULT(586)
#define DDERR_WRONGMODE MAKE_DDHRESULT(587)
#define DDERR_IMPLICITLYCREATED MAKE_DDHRESULT(588)
#define DDERR_NOTPALETTIZED MAKE_DDHRESULT(589)
#define DDERR_UNSUPPORTEDMODE MAKE_DDHRESULT(590)
#define DDERR_NOMIPMAPHW MAKE_DDHRESULT(591)
#define DDERR_INVALIDSURFACETYPE MAKE_DDHRESULT(592)
#define DDERR_NOOPTIMIZEHW MAKE_DDHRESULT(600)
#define DDERR_NOTLOADED MAKE_DDHRESULT(601)
#define DDERR_NOFOCUSWINDOW MAKE_DDHRESULT(602)
#define DDERR_DCALREADYCREATED MAKE_DDHRESULT(620)
#define DDERR_NONONLOCALVIDMEM MAKE_DDHRESULT(630)
#define DDERR_CANTPAGELOCK MAKE_DDHRESULT(640)
#define DDERR_CANTPAGEUNLOCK MAKE_DDHRESULT(660)
#define DDERR_NOTPAGELOCKED MAKE_DDHRESULT(680)
#define DDERR_MOREDATA MAKE_DDHRESULT(690)
#define DDERR_EXPIRED MAKE_DDHRESULT(691)
#define DDERR_VIDEONOTACTIVE MAKE_DDHRESULT(695)
#define DDERR_DEVICEDOESNTOWNSURFACE MAKE_DDHRESULT(699)

// ---------------------------------------------------------------------------
// IUnknown is in unknwn.h, shared by every COM interface of the platform.
#include "unknwn.h"

// ---------------------------------------------------------------------------
// Interface identifiers
inline constexpr IID IID_IDirectDraw = {0x6C14DB80, 0xA733, 0x11CE,
                                        {0xA5, 0x21, 0x00, 0x20, 0xAF, 0x0B, 0xE5, 0x60}};
inline constexpr IID IID_IDirectDraw2 = {0xB3A6F3E0, 0x2B43, 0x11CF,
                                         {0xA2, 0xDE, 0x00, 0xAA, 0x00, 0xB9, 0x33, 0x56}};
inline constexpr IID IID_IDirectDraw4 = {0x9C59509A, 0x39BD, 0x11D1,
                                         {0x8C, 0x4A, 0x00, 0xC0, 0x4F, 0xD9, 0x30, 0xC5}};
inline constexpr IID IID_IDirectDrawSurface = {0x6C14DB81, 0xA733, 0x11CE,
                                               {0xA5, 0x21, 0x00, 0x20, 0xAF, 0x0B, 0xE5, 0x60}};
inline constexpr IID IID_IDirectDrawSurface2 = {0x57805885, 0x6EEC, 0x11CF,
                                                {0x94, 0x41, 0xA8, 0x23, 0x03, 0xC1, 0x0E, 0x27}};
inline constexpr IID IID_IDirectDrawSurface3 = {0xDA044E00, 0x69B2, 0x11D0,
                                                {0xA1, 0xD5, 0x00, 0xAA, 0x00, 0xB8, 0xDF, 0xBB}};
inline constexpr IID IID_IDirectDrawSurface4 = {
    0x0B2B8630, 0xAD35, 0x11D0, {0x8E, 0xA6, 0x00, 0x60, 0x97, 0x97, 0xEA, 0x5B}};
inline constexpr IID IID_IDirectDrawPalette = {0x6C14DB84, 0xA733, 0x11CE,
                                               {0xA5, 0x21, 0x00, 0x20, 0xAF, 0x0B, 0xE5, 0x60}};
inline constexpr IID IID_IDirectDrawClipper = {0x6C14DB85, 0xA733, 0x11CE,
                                               {0xA5, 0x21, 0x00, 0x20, 0xAF, 0x0B, 0xE5, 0x60}};
inline constexpr IID IID_IDirectDrawGammaControl = {
    0x69C11C3E, 0xB46B, 0x11D1, {0xAD, 0x7A, 0x00, 0xC0, 0x4F, 0xC2, 0x9B, 0x4E}};

// ---------------------------------------------------------------------------
// Flags

#define DDENUMRET_CANCEL 0
#define DDENUMRET_OK 1

// SetPrivateData
#define DDSPD_IUNKNOWNPOINTER 0x00000001u
#define DDSPD_VOLATILE 0x00000002u

// IDirectDraw4::EnumSurfaces
#define DDENUMSURFACES_ALL 0x00000001u
#define DDENUMSURFACES_MATCH 0x00000002u
#define DDENUMSURFACES_NOMATCH 0x00000004u
#define DDENUMSURFACES_CANBECREATED 0x00000008u
#define DDENUMSURFACES_DOESEXIST 0x00000010u

#define DD_ROP_SPACE 8

// Surface description fields
#define DDSD_CAPS 0x00000001u
#define DDSD_HEIGHT 0x00000002u
#define DDSD_WIDTH 0x00000004u
#define DDSD_PITCH 0x00000008u
#define DDSD_BACKBUFFERCOUNT 0x00000020u
#define DDSD_ZBUFFERBITDEPTH 0x00000040u
#define DDSD_ALPHABITDEPTH 0x00000080u
#define DDSD_LPSURFACE 0x00000800u
#define DDSD_PIXELFORMAT 0x00001000u
#define DDSD_CKDESTOVERLAY 0x00002000u
#define DDSD_CKDESTBLT 0x00004000u
#define DDSD_CKSRCOVERLAY 0x00008000u
#define DDSD_CKSRCBLT 0x00010000u
#define DDSD_MIPMAPCOUNT 0x00020000u
#define DDSD_REFRESHRATE 0x00040000u
#define DDSD_LINEARSIZE 0x00080000u
#define DDSD_TEXTURESTAGE 0x00100000u
#define DDSD_ALL 0x001FF9EEu

// Surface capabilities
#define DDSCAPS_ALPHA 0x00000002u
#define DDSCAPS_BACKBUFFER 0x00000004u
#define DDSCAPS_COMPLEX 0x00000008u
#define DDSCAPS_FLIP 0x00000010u
#define DDSCAPS_FRONTBUFFER 0x00000020u
#define DDSCAPS_OFFSCREENPLAIN 0x00000040u
#define DDSCAPS_OVERLAY 0x00000080u
#define DDSCAPS_PALETTE 0x00000100u
#define DDSCAPS_PRIMARYSURFACE 0x00000200u
#define DDSCAPS_SYSTEMMEMORY 0x00000800u
#define DDSCAPS_TEXTURE 0x00001000u
#define DDSCAPS_3DDEVICE 0x00002000u
#define DDSCAPS_VIDEOMEMORY 0x00004000u
#define DDSCAPS_VISIBLE 0x00008000u
#define DDSCAPS_WRITEONLY 0x00010000u
#define DDSCAPS_ZBUFFER 0x00020000u
#define DDSCAPS_OWNDC 0x00040000u
#define DDSCAPS_MIPMAP 0x00400000u
#define DDSCAPS_ALLOCONLOAD 0x04000000u
#define DDSCAPS_LOCALVIDMEM 0x10000000u
#define DDSCAPS_NONLOCALVIDMEM 0x20000000u
#define DDSCAPS_STANDARDVGAMODE 0x40000000u

#define DDSCAPS2_HINTDYNAMIC 0x00000004u
#define DDSCAPS2_HINTSTATIC 0x00000008u
#define DDSCAPS2_TEXTUREMANAGE 0x00000010u
#define DDSCAPS2_OPAQUE 0x00000080u
#define DDSCAPS2_HINTANTIALIASING 0x00000100u

// Pixel format flags
#define DDPF_ALPHAPIXELS 0x00000001u
#define DDPF_ALPHA 0x00000002u
#define DDPF_FOURCC 0x00000004u
#define DDPF_PALETTEINDEXED4 0x00000008u
#define DDPF_PALETTEINDEXEDTO8 0x00000010u
#define DDPF_PALETTEINDEXED8 0x00000020u
#define DDPF_RGB 0x00000040u
#define DDPF_COMPRESSED 0x00000080u
#define DDPF_RGBTOYUV 0x00000100u
#define DDPF_YUV 0x00000200u
#define DDPF_ZBUFFER 0x00000400u
#define DDPF_PALETTEINDEXED1 0x00000800u
#define DDPF_PALETTEINDEXED2 0x00001000u
#define DDPF_ZPIXELS 0x00002000u
#define DDPF_STENCILBUFFER 0x00004000u
#define DDPF_ALPHAPREMULT 0x00008000u
#define DDPF_LUMINANCE 0x00020000u
#define DDPF_BUMPLUMINANCE 0x00040000u
#define DDPF_BUMPDUDV 0x00080000u

#define MAKEFOURCC(a, b, c, d)                                                      \
    ((DWORD)(BYTE)(a) | ((DWORD)(BYTE)(b) << 8) | ((DWORD)(BYTE)(c) << 16) |       \
     ((DWORD)(BYTE)(d) << 24))

// Bit depths
#define DDBD_1 0x00004000u
#define DDBD_2 0x00002000u
#define DDBD_4 0x00001000u
#define DDBD_8 0x00000800u
#define DDBD_16 0x00000400u
#define DDBD_24 0x00000200u
#define DDBD_32 0x00000100u

// Cooperative levels
#define DDSCL_FULLSCREEN 0x00000001u
#define DDSCL_ALLOWREBOOT 0x00000002u
#define DDSCL_NOWINDOWCHANGES 0x00000004u
#define DDSCL_NORMAL 0x00000008u
#define DDSCL_EXCLUSIVE 0x00000010u
#define DDSCL_ALLOWMODEX 0x00000040u
#define DDSCL_SETFOCUSWINDOW 0x00000080u
#define DDSCL_SETDEVICEWINDOW 0x00000100u
#define DDSCL_CREATEDEVICEWINDOW 0x00000200u
#define DDSCL_MULTITHREADED 0x00000400u
#define DDSCL_FPUSETUP 0x00000800u

// SetDisplayMode / EnumDisplayModes
#define DDSDM_STANDARDVGAMODE 0x00000001u
#define DDEDM_REFRESHRATES 0x00000001u
#define DDEDM_STANDARDVGAMODES 0x00000002u

// WaitForVerticalBlank
#define DDWAITVB_BLOCKBEGIN 0x00000001u
#define DDWAITVB_BLOCKBEGINEVENT 0x00000002u
#define DDWAITVB_BLOCKEND 0x00000004u

// DirectDrawEnumerateEx
#define DDENUM_ATTACHEDSECONDARYDEVICES 0x00000001u
#define DDENUM_DETACHEDSECONDARYDEVICES 0x00000002u
#define DDENUM_NONDISPLAYDEVICES 0x00000004u

// Lock
#define DDLOCK_SURFACEMEMORYPTR 0x00000000u
#define DDLOCK_WAIT 0x00000001u
#define DDLOCK_EVENT 0x00000002u
#define DDLOCK_READONLY 0x00000010u
#define DDLOCK_WRITEONLY 0x00000020u
#define DDLOCK_NOSYSLOCK 0x00000800u

// Blt
#define DDBLT_ASYNC 0x00000200u
#define DDBLT_COLORFILL 0x00000400u
#define DDBLT_DDFX 0x00000800u
#define DDBLT_DDROPS 0x00001000u
#define DDBLT_KEYDEST 0x00002000u
#define DDBLT_KEYDESTOVERRIDE 0x00004000u
#define DDBLT_KEYSRC 0x00008000u
#define DDBLT_KEYSRCOVERRIDE 0x00010000u
#define DDBLT_ROP 0x00020000u
#define DDBLT_ROTATIONANGLE 0x00040000u
#define DDBLT_ZBUFFER 0x00080000u
#define DDBLT_WAIT 0x01000000u
#define DDBLT_DEPTHFILL 0x02000000u

#define DDBLTFX_ARITHSTRETCHY 0x00000001u
#define DDBLTFX_MIRRORLEFTRIGHT 0x00000002u
#define DDBLTFX_MIRRORUPDOWN 0x00000004u
#define DDBLTFX_NOTEARING 0x00000008u

// BltFast
#define DDBLTFAST_NOCOLORKEY 0x00000000u
#define DDBLTFAST_SRCCOLORKEY 0x00000001u
#define DDBLTFAST_DESTCOLORKEY 0x00000002u
#define DDBLTFAST_WAIT 0x00000010u

// Flip
#define DDFLIP_WAIT 0x00000001u
#define DDFLIP_EVEN 0x00000002u
#define DDFLIP_ODD 0x00000004u

// Colour keys
#define DDCKEY_COLORSPACE 0x00000001u
#define DDCKEY_DESTBLT 0x00000002u
#define DDCKEY_DESTOVERLAY 0x00000004u
#define DDCKEY_SRCBLT 0x00000008u
#define DDCKEY_SRCOVERLAY 0x00000010u

// Overlays
#define DDOVER_HIDE 0x00000200u
#define DDOVER_KEYDEST 0x00000400u
#define DDOVER_KEYDESTOVERRIDE 0x00000800u
#define DDOVER_KEYSRC 0x00001000u
#define DDOVER_KEYSRCOVERRIDE 0x00002000u
#define DDOVER_SHOW 0x00004000u
#define DDOVER_DDFX 0x00080000u

#define DDOVERFX_ARITHSTRETCHY 0x00000001u
#define DDOVERFX_MIRRORLEFTRIGHT 0x00000002u
#define DDOVERFX_MIRRORUPDOWN 0x00000004u

// GetBltStatus / GetFlipStatus
#define DDGBS_CANBLT 0x00000001u
#define DDGBS_ISBLTDONE 0x00000002u
#define DDGFS_CANFLIP 0x00000001u
#define DDGFS_ISFLIPDONE 0x00000002u

// Gamma
#define DDSGR_CALIBRATE 0x00000001u

// Driver capabilities
#define DDCAPS_3D 0x00000001u
#define DDCAPS_ALIGNBOUNDARYDEST 0x00000002u
#define DDCAPS_ALIGNSIZEDEST 0x00000004u
#define DDCAPS_ALIGNBOUNDARYSRC 0x00000008u
#define DDCAPS_ALIGNSIZESRC 0x00000010u
#define DDCAPS_ALIGNSTRIDE 0x00000020u
#define DDCAPS_BLT 0x00000040u
#define DDCAPS_BLTQUEUE 0x00000080u
#define DDCAPS_BLTFOURCC 0x00000100u
#define DDCAPS_BLTSTRETCH 0x00000200u
#define DDCAPS_GDI 0x00000400u
#define DDCAPS_OVERLAY 0x00000800u
#define DDCAPS_OVERLAYCANTCLIP 0x00001000u
#define DDCAPS_OVERLAYFOURCC 0x00002000u
#define DDCAPS_OVERLAYSTRETCH 0x00004000u
#define DDCAPS_PALETTE 0x00008000u
#define DDCAPS_ZBLTS 0x00100000u
#define DDCAPS_COLORKEY 0x00400000u
#define DDCAPS_ALPHA 0x00800000u
#define DDCAPS_COLORKEYHWASSIST 0x01000000u
#define DDCAPS_NOHARDWARE 0x02000000u
#define DDCAPS_BLTCOLORFILL 0x04000000u
#define DDCAPS_BLTDEPTHFILL 0x10000000u
#define DDCAPS_CANCLIP 0x20000000u
#define DDCAPS_CANCLIPSTRETCHED 0x40000000u
#define DDCAPS_CANBLTSYSMEM 0x80000000u

#define DDCAPS2_CERTIFIED 0x00000001u
#define DDCAPS2_NO2DDURING3DSCENE 0x00000002u
#define DDCAPS2_NONLOCALVIDMEM 0x00000200u
#define DDCAPS2_WIDESURFACES 0x00001000u
#define DDCAPS2_COPYFOURCC 0x00008000u
#define DDCAPS2_PRIMARYGAMMA 0x00020000u
#define DDCAPS2_CANRENDERWINDOWED 0x00080000u
#define DDCAPS2_CANCALIBRATEGAMMA 0x00100000u
#define DDCAPS2_FLIPINTERVAL 0x00200000u
#define DDCAPS2_FLIPNOVSYNC 0x00400000u
#define DDCAPS2_CANMANAGETEXTURE 0x00800000u

#define DDCKEYCAPS_DESTBLT 0x00000001u
#define DDCKEYCAPS_DESTOVERLAY 0x00000010u
#define DDCKEYCAPS_SRCBLT 0x00000200u
#define DDCKEYCAPS_SRCOVERLAY 0x00002000u

#define DDFXCAPS_BLTSHRINKX 0x00000400u
#define DDFXCAPS_BLTSHRINKY 0x00001000u
#define DDFXCAPS_BLTSTRETCHX 0x00004000u
#define DDFXCAPS_BLTSTRETCHY 0x00010000u
#define DDFXCAPS_OVERLAYSHRINKX 0x00080000u
#define DDFXCAPS_OVERLAYSHRINKY 0x00200000u
#define DDFXCAPS_OVERLAYSTRETCHX 0x00800000u
#define DDFXCAPS_OVERLAYSTRETCHY 0x02000000u

// ---------------------------------------------------------------------------
// Structures

typedef struct _DDCOLORKEY {
    DWORD dwColorSpaceLowValue;
    DWORD dwColorSpaceHighValue;
} DDCOLORKEY, *LPDDCOLORKEY;

typedef struct _DDPIXELFORMAT {
    DWORD dwSize;
    DWORD dwFlags;
    DWORD dwFourCC;
    union {
        DWORD dwRGBBitCount;
        DWORD dwYUVBitCount;
        DWORD dwZBufferBitDepth;
        DWORD dwAlphaBitDepth;
        DWORD dwLuminanceBitCount;
        DWORD dwBumpBitCount;
    };
    union {
        DWORD dwRBitMask;
        DWORD dwYBitMask;
        DWORD dwStencilBitDepth;
        DWORD dwLuminanceBitMask;
        DWORD dwBumpDuBitMask;
    };
    union {
        DWORD dwGBitMask;
        DWORD dwUBitMask;
        DWORD dwZBitMask;
        DWORD dwBumpDvBitMask;
    };
    union {
        DWORD dwBBitMask;
        DWORD dwVBitMask;
        DWORD dwStencilBitMask;
        DWORD dwBumpLuminanceBitMask;
    };
    union {
        DWORD dwRGBAlphaBitMask;
        DWORD dwYUVAlphaBitMask;
        DWORD dwLuminanceAlphaBitMask;
        DWORD dwRGBZBitMask;
        DWORD dwYUVZBitMask;
    };
} DDPIXELFORMAT, *LPDDPIXELFORMAT;

typedef struct _DDSCAPS {
    DWORD dwCaps;
} DDSCAPS, *LPDDSCAPS;

typedef struct _DDSCAPS2 {
    DWORD dwCaps;
    DWORD dwCaps2;
    DWORD dwCaps3;
    DWORD dwCaps4;
} DDSCAPS2, *LPDDSCAPS2;

typedef struct _DDSURFACEDESC {
    DWORD dwSize;
    DWORD dwFlags;
    DWORD dwHeight;
    DWORD dwWidth;
    union {
        LONG lPitch;
        DWORD dwLinearSize;
    };
    DWORD dwBackBufferCount;
    union {
        DWORD dwMipMapCount;
        DWORD dwZBufferBitDepth;
        DWORD dwRefreshRate;
    };
    DWORD dwAlphaBitDepth;
    DWORD dwReserved;
    LPVOID lpSurface;
    DDCOLORKEY ddckCKDestOverlay;
    DDCOLORKEY ddckCKDestBlt;
    DDCOLORKEY ddckCKSrcOverlay;
    DDCOLORKEY ddckCKSrcBlt;
    DDPIXELFORMAT ddpfPixelFormat;
    DDSCAPS ddsCaps;
} DDSURFACEDESC, *LPDDSURFACEDESC;

typedef struct _DDSURFACEDESC2 {
    DWORD dwSize;
    DWORD dwFlags;
    DWORD dwHeight;
    DWORD dwWidth;
    union {
        LONG lPitch;
        DWORD dwLinearSize;
    };
    DWORD dwBackBufferCount;
    union {
        DWORD dwMipMapCount;
        DWORD dwRefreshRate;
    };
    DWORD dwAlphaBitDepth;
    DWORD dwReserved;
    LPVOID lpSurface;
    DDCOLORKEY ddckCKDestOverlay;
    DDCOLORKEY ddckCKDestBlt;
    DDCOLORKEY ddckCKSrcOverlay;
    DDCOLORKEY ddckCKSrcBlt;
    DDPIXELFORMAT ddpfPixelFormat;
    DDSCAPS2 ddsCaps;
    DWORD dwTextureStage;
} DDSURFACEDESC2, *LPDDSURFACEDESC2;

typedef struct _DDCAPS_DX6 {
    DWORD dwSize;
    DWORD dwCaps;
    DWORD dwCaps2;
    DWORD dwCKeyCaps;
    DWORD dwFXCaps;
    DWORD dwFXAlphaCaps;
    DWORD dwPalCaps;
    DWORD dwSVCaps;
    DWORD dwAlphaBltConstBitDepths;
    DWORD dwAlphaBltPixelBitDepths;
    DWORD dwAlphaBltSurfaceBitDepths;
    DWORD dwAlphaOverlayConstBitDepths;
    DWORD dwAlphaOverlayPixelBitDepths;
    DWORD dwAlphaOverlaySurfaceBitDepths;
    DWORD dwZBufferBitDepths;
    DWORD dwVidMemTotal;
    DWORD dwVidMemFree;
    DWORD dwMaxVisibleOverlays;
    DWORD dwCurrVisibleOverlays;
    DWORD dwNumFourCCCodes;
    DWORD dwAlignBoundarySrc;
    DWORD dwAlignSizeSrc;
    DWORD dwAlignBoundaryDest;
    DWORD dwAlignSizeDest;
    DWORD dwAlignStrideAlign;
    DWORD dwRops[DD_ROP_SPACE];
    DDSCAPS ddsOldCaps;
    DWORD dwMinOverlayStretch;
    DWORD dwMaxOverlayStretch;
    DWORD dwMinLiveVideoStretch;
    DWORD dwMaxLiveVideoStretch;
    DWORD dwMinHwCodecStretch;
    DWORD dwMaxHwCodecStretch;
    DWORD dwReserved1;
    DWORD dwReserved2;
    DWORD dwReserved3;
    DWORD dwSVBCaps;
    DWORD dwSVBCKeyCaps;
    DWORD dwSVBFXCaps;
    DWORD dwSVBRops[DD_ROP_SPACE];
    DWORD dwVSBCaps;
    DWORD dwVSBCKeyCaps;
    DWORD dwVSBFXCaps;
    DWORD dwVSBRops[DD_ROP_SPACE];
    DWORD dwSSBCaps;
    DWORD dwSSBCKeyCaps;
    DWORD dwSSBFXCaps;
    DWORD dwSSBRops[DD_ROP_SPACE];
    DWORD dwMaxVideoPorts;
    DWORD dwCurrVideoPorts;
    DWORD dwSVBCaps2;
    DWORD dwNLVBCaps;
    DWORD dwNLVBCaps2;
    DWORD dwNLVBCKeyCaps;
    DWORD dwNLVBFXCaps;
    DWORD dwNLVBRops[DD_ROP_SPACE];
    DDSCAPS2 ddsCaps;
} DDCAPS_DX6, *LPDDCAPS_DX6;
typedef DDCAPS_DX6 DDCAPS;
typedef DDCAPS* LPDDCAPS;

struct IDirectDrawSurface;
struct IDirectDrawSurface4;
typedef IDirectDrawSurface* LPDIRECTDRAWSURFACE;
typedef IDirectDrawSurface4* LPDIRECTDRAWSURFACE4;

typedef struct _DDBLTFX {
    DWORD dwSize;
    DWORD dwDDFX;
    DWORD dwROP;
    DWORD dwDDROP;
    DWORD dwRotationAngle;
    DWORD dwZBufferOpCode;
    DWORD dwZBufferLow;
    DWORD dwZBufferHigh;
    DWORD dwZBufferBaseDest;
    DWORD dwZDestConstBitDepth;
    union {
        DWORD dwZDestConst;
        LPDIRECTDRAWSURFACE lpDDSZBufferDest;
    };
    DWORD dwZSrcConstBitDepth;
    union {
        DWORD dwZSrcConst;
        LPDIRECTDRAWSURFACE lpDDSZBufferSrc;
    };
    DWORD dwAlphaEdgeBlendBitDepth;
    DWORD dwAlphaEdgeBlend;
    DWORD dwReserved;
    DWORD dwAlphaDestConstBitDepth;
    union {
        DWORD dwAlphaDestConst;
        LPDIRECTDRAWSURFACE lpDDSAlphaDest;
    };
    DWORD dwAlphaSrcConstBitDepth;
    union {
        DWORD dwAlphaSrcConst;
        LPDIRECTDRAWSURFACE lpDDSAlphaSrc;
    };
    union {
        DWORD dwFillColor;
        DWORD dwFillDepth;
        DWORD dwFillPixel;
        LPDIRECTDRAWSURFACE lpDDSPattern;
    };
    DDCOLORKEY ddckDestColorkey;
    DDCOLORKEY ddckSrcColorkey;
} DDBLTFX, *LPDDBLTFX;

typedef struct _DDOVERLAYFX {
    DWORD dwSize;
    DWORD dwAlphaEdgeBlendBitDepth;
    DWORD dwAlphaEdgeBlend;
    DWORD dwReserved;
    DWORD dwAlphaDestConstBitDepth;
    union {
        DWORD dwAlphaDestConst;
        LPDIRECTDRAWSURFACE lpDDSAlphaDest;
    };
    DWORD dwAlphaSrcConstBitDepth;
    union {
        DWORD dwAlphaSrcConst;
        LPDIRECTDRAWSURFACE lpDDSAlphaSrc;
    };
    DDCOLORKEY dckDestColorkey;
    DDCOLORKEY dckSrcColorkey;
    DWORD dwDDFX;
    DWORD dwFlags;
} DDOVERLAYFX, *LPDDOVERLAYFX;

typedef struct _DDGAMMARAMP {
    WORD red[256];
    WORD green[256];
    WORD blue[256];
} DDGAMMARAMP, *LPDDGAMMARAMP;

#define MAX_DDDEVICEID_STRING 512

typedef struct tagDDDEVICEIDENTIFIER {
    char szDriver[MAX_DDDEVICEID_STRING];
    char szDescription[MAX_DDDEVICEID_STRING];
    LONGLONG liDriverVersion;
    DWORD dwVendorId;
    DWORD dwDeviceId;
    DWORD dwSubSysId;
    DWORD dwRevision;
    GUID guidDeviceIdentifier;
} DDDEVICEIDENTIFIER, *LPDDDEVICEIDENTIFIER;

static_assert(sizeof(DDCOLORKEY) == 8, "DDCOLORKEY is 8 bytes");
static_assert(sizeof(DDPIXELFORMAT) == 32, "DDPIXELFORMAT is 32 bytes");
static_assert(sizeof(DDSCAPS2) == 16, "DDSCAPS2 is 16 bytes");
static_assert(sizeof(DDCAPS) == 380, "DDCAPS (DirectX 6) is 380 bytes");
static_assert(sizeof(DDGAMMARAMP) == 1536, "DDGAMMARAMP is 1536 bytes");
static_assert(sizeof(DDDEVICEIDENTIFIER) == 1064, "DDDEVICEIDENTIFIER is 1064 bytes");

// ---------------------------------------------------------------------------
// Callbacks

typedef BOOL(WINAPI* LPDDENUMCALLBACKA)(GUID* guid, LPSTR description, LPSTR name,
                                         LPVOID context);
typedef BOOL(WINAPI* LPDDENUMCALLBACKEXA)(GUID* guid, LPSTR description, LPSTR name,
                                           LPVOID context, HMONITOR monitor);
typedef HRESULT(WINAPI* LPDDENUMMODESCALLBACK)(LPDDSURFACEDESC desc, LPVOID context);
typedef HRESULT(WINAPI* LPDDENUMMODESCALLBACK2)(LPDDSURFACEDESC2 desc, LPVOID context);
typedef HRESULT(WINAPI* LPDDENUMSURFACESCALLBACK)(LPDIRECTDRAWSURFACE surface,
                                                  LPDDSURFACEDESC desc, LPVOID context);
typedef HRESULT(WINAPI* LPDDENUMSURFACESCALLBACK2)(LPDIRECTDRAWSURFACE4 surface,
                                                   LPDDSURFACEDESC2 desc, LPVOID context);
typedef LPDDENUMCALLBACKA LPDDENUMCALLBACK;
typedef LPDDENUMCALLBACKEXA LPDDENUMCALLBACKEX;

// ---------------------------------------------------------------------------
// Interfaces, methods in DirectX 6 order

struct IDirectDrawPalette;
typedef IDirectDrawPalette* LPDIRECTDRAWPALETTE;
typedef struct tagPALETTEENTRY {
    BYTE peRed;
    BYTE peGreen;
    BYTE peBlue;
    BYTE peFlags;
} PALETTEENTRY, *LPPALETTEENTRY;

struct IDirectDrawPalette : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetCaps(LPDWORD caps) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetEntries(DWORD flags, DWORD base, DWORD count,
                                                 LPPALETTEENTRY entries) = 0;
    virtual HRESULT STDMETHODCALLTYPE Initialize(struct IDirectDraw* dd, DWORD flags,
                                                 LPPALETTEENTRY entries) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetEntries(DWORD flags, DWORD start, DWORD count,
                                                 LPPALETTEENTRY entries) = 0;
};

// IDirectDraw4::CreatePalette and IDirectDrawPalette::GetCaps
#define DDPCAPS_4BIT 0x00000001
#define DDPCAPS_8BITENTRIES 0x00000002
#define DDPCAPS_8BIT 0x00000004
#define DDPCAPS_INITIALIZE 0x00000000
#define DDPCAPS_PRIMARYSURFACE 0x00000010
#define DDPCAPS_PRIMARYSURFACELEFT 0x00000020
#define DDPCAPS_ALLOW256 0x00000040
#define DDPCAPS_VSYNC 0x00000080
#define DDPCAPS_1BIT 0x00000100
#define DDPCAPS_2BIT 0x00000200

struct IDirectDrawClipper : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetClipList(LPRECT rect, LPRGNDATA clipList,
                                                  LPDWORD size) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetHWnd(HWND* window) = 0;
    virtual HRESULT STDMETHODCALLTYPE Initialize(struct IDirectDraw* dd, DWORD flags) = 0;
    virtual HRESULT STDMETHODCALLTYPE IsClipListChanged(BOOL* changed) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetClipList(LPRGNDATA clipList, DWORD flags) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetHWnd(DWORD flags, HWND window) = 0;

protected:
    ~IDirectDrawClipper() = default;
};
typedef IDirectDrawClipper* LPDIRECTDRAWCLIPPER;

struct IDirectDrawGammaControl : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetGammaRamp(DWORD flags, LPDDGAMMARAMP ramp) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetGammaRamp(DWORD flags, LPDDGAMMARAMP ramp) = 0;

protected:
    ~IDirectDrawGammaControl() = default;
};
typedef IDirectDrawGammaControl* LPDIRECTDRAWGAMMACONTROL;

struct IDirectDrawSurface4 : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE AddAttachedSurface(LPDIRECTDRAWSURFACE4 surface) = 0;
    virtual HRESULT STDMETHODCALLTYPE AddOverlayDirtyRect(LPRECT rect) = 0;
    virtual HRESULT STDMETHODCALLTYPE Blt(LPRECT destRect, LPDIRECTDRAWSURFACE4 source,
                                          LPRECT sourceRect, DWORD flags, LPDDBLTFX fx) = 0;
    virtual HRESULT STDMETHODCALLTYPE BltBatch(void* batch, DWORD count, DWORD flags) = 0;
    virtual HRESULT STDMETHODCALLTYPE BltFast(DWORD x, DWORD y, LPDIRECTDRAWSURFACE4 source,
                                              LPRECT sourceRect, DWORD trans) = 0;
    virtual HRESULT STDMETHODCALLTYPE DeleteAttachedSurface(DWORD flags,
                                                            LPDIRECTDRAWSURFACE4 surface) = 0;
    virtual HRESULT STDMETHODCALLTYPE EnumAttachedSurfaces(LPVOID context,
                                                           LPDDENUMSURFACESCALLBACK2 cb) = 0;
    virtual HRESULT STDMETHODCALLTYPE EnumOverlayZOrders(DWORD flags, LPVOID context,
                                                         LPDDENUMSURFACESCALLBACK2 cb) = 0;
    virtual HRESULT STDMETHODCALLTYPE Flip(LPDIRECTDRAWSURFACE4 target, DWORD flags) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetAttachedSurface(LPDDSCAPS2 caps,
                                                         LPDIRECTDRAWSURFACE4* surface) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetBltStatus(DWORD flags) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetCaps(LPDDSCAPS2 caps) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetClipper(LPDIRECTDRAWCLIPPER* clipper) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetColorKey(DWORD flags, LPDDCOLORKEY key) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetDC(HDC* dc) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetFlipStatus(DWORD flags) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetOverlayPosition(LPLONG x, LPLONG y) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetPalette(LPDIRECTDRAWPALETTE* palette) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetPixelFormat(LPDDPIXELFORMAT format) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetSurfaceDesc(LPDDSURFACEDESC2 desc) = 0;
    virtual HRESULT STDMETHODCALLTYPE Initialize(struct IDirectDraw* dd,
                                                 LPDDSURFACEDESC2 desc) = 0;
    virtual HRESULT STDMETHODCALLTYPE IsLost() = 0;
    virtual HRESULT STDMETHODCALLTYPE Lock(LPRECT rect, LPDDSURFACEDESC2 desc, DWORD flags,
                                           HANDLE event) = 0;
    virtual HRESULT STDMETHODCALLTYPE ReleaseDC(HDC dc) = 0;
    virtual HRESULT STDMETHODCALLTYPE Restore() = 0;
    virtual HRESULT STDMETHODCALLTYPE SetClipper(LPDIRECTDRAWCLIPPER clipper) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetColorKey(DWORD flags, LPDDCOLORKEY key) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetOverlayPosition(LONG x, LONG y) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetPalette(LPDIRECTDRAWPALETTE palette) = 0;
    virtual HRESULT STDMETHODCALLTYPE Unlock(LPRECT rect) = 0;
    virtual HRESULT STDMETHODCALLTYPE UpdateOverlay(LPRECT sourceRect,
                                                    LPDIRECTDRAWSURFACE4 destSurface,
                                                    LPRECT destRect, DWORD flags,
                                                    LPDDOVERLAYFX fx) = 0;
    virtual HRESULT STDMETHODCALLTYPE UpdateOverlayDisplay(DWORD flags) = 0;
    virtual HRESULT STDMETHODCALLTYPE UpdateOverlayZOrder(DWORD flags,
                                                          LPDIRECTDRAWSURFACE4 reference) = 0;
    // IDirectDrawSurface2
    virtual HRESULT STDMETHODCALLTYPE GetDDInterface(LPVOID* dd) = 0;
    virtual HRESULT STDMETHODCALLTYPE PageLock(DWORD flags) = 0;
    virtual HRESULT STDMETHODCALLTYPE PageUnlock(DWORD flags) = 0;
    // IDirectDrawSurface3
    virtual HRESULT STDMETHODCALLTYPE SetSurfaceDesc(LPDDSURFACEDESC2 desc, DWORD flags) = 0;
    // IDirectDrawSurface4
    virtual HRESULT STDMETHODCALLTYPE SetPrivateData(REFGUID tag, LPVOID data, DWORD size,
                                                     DWORD flags) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetPrivateData(REFGUID tag, LPVOID buffer,
                                                     LPDWORD size) = 0;
    virtual HRESULT STDMETHODCALLTYPE FreePrivateData(REFGUID tag) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetUniquenessValue(LPDWORD value) = 0;
    virtual HRESULT STDMETHODCALLTYPE ChangeUniquenessValue() = 0;

protected:
    ~IDirectDrawSurface4() = default;
};

// The surface interfaces before DirectX 6: the same slots as the first part
// of IDirectDrawSurface4, with the older structures. Each version extends
// the one before, so one vtable serves all three.
struct IDirectDrawSurface : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE AddAttachedSurface(LPDIRECTDRAWSURFACE surface) = 0;
    virtual HRESULT STDMETHODCALLTYPE AddOverlayDirtyRect(LPRECT rect) = 0;
    virtual HRESULT STDMETHODCALLTYPE Blt(LPRECT destRect, LPDIRECTDRAWSURFACE source,
                                          LPRECT sourceRect, DWORD flags, LPDDBLTFX fx) = 0;
    virtual HRESULT STDMETHODCALLTYPE BltBatch(void* batch, DWORD count, DWORD flags) = 0;
    virtual HRESULT STDMETHODCALLTYPE BltFast(DWORD x, DWORD y, LPDIRECTDRAWSURFACE source,
                                              LPRECT sourceRect, DWORD trans) = 0;
    virtual HRESULT STDMETHODCALLTYPE DeleteAttachedSurface(DWORD flags,
                                                            LPDIRECTDRAWSURFACE surface) = 0;
    virtual HRESULT STDMETHODCALLTYPE EnumAttachedSurfaces(LPVOID context,
                                                           LPDDENUMSURFACESCALLBACK cb) = 0;
    virtual HRESULT STDMETHODCALLTYPE EnumOverlayZOrders(DWORD flags, LPVOID context,
                                                         LPDDENUMSURFACESCALLBACK cb) = 0;
    virtual HRESULT STDMETHODCALLTYPE Flip(LPDIRECTDRAWSURFACE target, DWORD flags) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetAttachedSurface(LPDDSCAPS caps,
                                                         LPDIRECTDRAWSURFACE* surface) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetBltStatus(DWORD flags) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetCaps(LPDDSCAPS caps) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetClipper(LPDIRECTDRAWCLIPPER* clipper) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetColorKey(DWORD flags, LPDDCOLORKEY key) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetDC(HDC* dc) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetFlipStatus(DWORD flags) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetOverlayPosition(LPLONG x, LPLONG y) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetPalette(LPDIRECTDRAWPALETTE* palette) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetPixelFormat(LPDDPIXELFORMAT format) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetSurfaceDesc(LPDDSURFACEDESC desc) = 0;
    virtual HRESULT STDMETHODCALLTYPE Initialize(struct IDirectDraw* dd,
                                                 LPDDSURFACEDESC desc) = 0;
    virtual HRESULT STDMETHODCALLTYPE IsLost() = 0;
    virtual HRESULT STDMETHODCALLTYPE Lock(LPRECT rect, LPDDSURFACEDESC desc, DWORD flags,
                                           HANDLE event) = 0;
    virtual HRESULT STDMETHODCALLTYPE ReleaseDC(HDC dc) = 0;
    virtual HRESULT STDMETHODCALLTYPE Restore() = 0;
    virtual HRESULT STDMETHODCALLTYPE SetClipper(LPDIRECTDRAWCLIPPER clipper) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetColorKey(DWORD flags, LPDDCOLORKEY key) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetOverlayPosition(LONG x, LONG y) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetPalette(LPDIRECTDRAWPALETTE palette) = 0;
    // Before DirectX 6 Unlock took the pointer Lock returned.
    virtual HRESULT STDMETHODCALLTYPE Unlock(LPVOID surfaceData) = 0;
    virtual HRESULT STDMETHODCALLTYPE UpdateOverlay(LPRECT sourceRect,
                                                    LPDIRECTDRAWSURFACE destSurface,
                                                    LPRECT destRect, DWORD flags,
                                                    LPDDOVERLAYFX fx) = 0;
    virtual HRESULT STDMETHODCALLTYPE UpdateOverlayDisplay(DWORD flags) = 0;
    virtual HRESULT STDMETHODCALLTYPE UpdateOverlayZOrder(DWORD flags,
                                                          LPDIRECTDRAWSURFACE reference) = 0;

protected:
    ~IDirectDrawSurface() = default;
};

struct IDirectDrawSurface2 : IDirectDrawSurface {
    virtual HRESULT STDMETHODCALLTYPE GetDDInterface(LPVOID* dd) = 0;
    virtual HRESULT STDMETHODCALLTYPE PageLock(DWORD flags) = 0;
    virtual HRESULT STDMETHODCALLTYPE PageUnlock(DWORD flags) = 0;

protected:
    ~IDirectDrawSurface2() = default;
};
typedef IDirectDrawSurface2* LPDIRECTDRAWSURFACE2;

struct IDirectDrawSurface3 : IDirectDrawSurface2 {
    virtual HRESULT STDMETHODCALLTYPE SetSurfaceDesc(LPDDSURFACEDESC desc, DWORD flags) = 0;

protected:
    ~IDirectDrawSurface3() = default;
};
typedef IDirectDrawSurface3* LPDIRECTDRAWSURFACE3;

// The first DirectDraw interface, as DirectDrawCreate returns it. Its
// methods are those of IDirectDraw4 with the older structures.
struct IDirectDraw : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Compact() = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateClipper(DWORD flags, LPDIRECTDRAWCLIPPER* clipper,
                                                    IUnknown* outer) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreatePalette(DWORD flags, LPPALETTEENTRY entries,
                                                    LPDIRECTDRAWPALETTE* palette,
                                                    IUnknown* outer) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateSurface(LPDDSURFACEDESC desc,
                                                    LPDIRECTDRAWSURFACE* surface,
                                                    IUnknown* outer) = 0;
    virtual HRESULT STDMETHODCALLTYPE DuplicateSurface(LPDIRECTDRAWSURFACE source,
                                                       LPDIRECTDRAWSURFACE* copy) = 0;
    virtual HRESULT STDMETHODCALLTYPE EnumDisplayModes(DWORD flags, LPDDSURFACEDESC desc,
                                                       LPVOID context,
                                                       LPDDENUMMODESCALLBACK cb) = 0;
    virtual HRESULT STDMETHODCALLTYPE EnumSurfaces(DWORD flags, LPDDSURFACEDESC desc,
                                                   LPVOID context,
                                                   LPDDENUMSURFACESCALLBACK cb) = 0;
    virtual HRESULT STDMETHODCALLTYPE FlipToGDISurface() = 0;
    virtual HRESULT STDMETHODCALLTYPE GetCaps(LPDDCAPS driverCaps, LPDDCAPS helCaps) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetDisplayMode(LPDDSURFACEDESC desc) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetFourCCCodes(LPDWORD count, LPDWORD codes) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetGDISurface(LPDIRECTDRAWSURFACE* surface) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetMonitorFrequency(LPDWORD frequency) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetScanLine(LPDWORD line) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetVerticalBlankStatus(LPBOOL inBlank) = 0;
    virtual HRESULT STDMETHODCALLTYPE Initialize(GUID* guid) = 0;
    virtual HRESULT STDMETHODCALLTYPE RestoreDisplayMode() = 0;
    virtual HRESULT STDMETHODCALLTYPE SetCooperativeLevel(HWND window, DWORD flags) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetDisplayMode(DWORD width, DWORD height, DWORD bpp) = 0;
    virtual HRESULT STDMETHODCALLTYPE WaitForVerticalBlank(DWORD flags, HANDLE event) = 0;

protected:
    ~IDirectDraw() = default;
};
typedef IDirectDraw* LPDIRECTDRAW;

// IDirectDraw with the refresh rate in SetDisplayMode and GetAvailableVidMem
// at the end; still the older structures.
struct IDirectDraw2 : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Compact() = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateClipper(DWORD flags, LPDIRECTDRAWCLIPPER* clipper,
                                                    IUnknown* outer) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreatePalette(DWORD flags, LPPALETTEENTRY entries,
                                                    LPDIRECTDRAWPALETTE* palette,
                                                    IUnknown* outer) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateSurface(LPDDSURFACEDESC desc,
                                                    LPDIRECTDRAWSURFACE* surface,
                                                    IUnknown* outer) = 0;
    virtual HRESULT STDMETHODCALLTYPE DuplicateSurface(LPDIRECTDRAWSURFACE source,
                                                       LPDIRECTDRAWSURFACE* copy) = 0;
    virtual HRESULT STDMETHODCALLTYPE EnumDisplayModes(DWORD flags, LPDDSURFACEDESC desc,
                                                       LPVOID context,
                                                       LPDDENUMMODESCALLBACK cb) = 0;
    virtual HRESULT STDMETHODCALLTYPE EnumSurfaces(DWORD flags, LPDDSURFACEDESC desc,
                                                   LPVOID context,
                                                   LPDDENUMSURFACESCALLBACK cb) = 0;
    virtual HRESULT STDMETHODCALLTYPE FlipToGDISurface() = 0;
    virtual HRESULT STDMETHODCALLTYPE GetCaps(LPDDCAPS driverCaps, LPDDCAPS helCaps) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetDisplayMode(LPDDSURFACEDESC desc) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetFourCCCodes(LPDWORD count, LPDWORD codes) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetGDISurface(LPDIRECTDRAWSURFACE* surface) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetMonitorFrequency(LPDWORD frequency) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetScanLine(LPDWORD line) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetVerticalBlankStatus(LPBOOL inBlank) = 0;
    virtual HRESULT STDMETHODCALLTYPE Initialize(GUID* guid) = 0;
    virtual HRESULT STDMETHODCALLTYPE RestoreDisplayMode() = 0;
    virtual HRESULT STDMETHODCALLTYPE SetCooperativeLevel(HWND window, DWORD flags) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetDisplayMode(DWORD width, DWORD height, DWORD bpp,
                                                     DWORD refreshRate, DWORD flags) = 0;
    virtual HRESULT STDMETHODCALLTYPE WaitForVerticalBlank(DWORD flags, HANDLE event) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetAvailableVidMem(LPDDSCAPS caps, LPDWORD total,
                                                         LPDWORD free) = 0;

protected:
    ~IDirectDraw2() = default;
};
typedef IDirectDraw2* LPDIRECTDRAW2;

struct IDirectDraw4 : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Compact() = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateClipper(DWORD flags, LPDIRECTDRAWCLIPPER* clipper,
                                                    IUnknown* outer) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreatePalette(DWORD flags, LPPALETTEENTRY entries,
                                                    LPDIRECTDRAWPALETTE* palette,
                                                    IUnknown* outer) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateSurface(LPDDSURFACEDESC2 desc,
                                                    LPDIRECTDRAWSURFACE4* surface,
                                                    IUnknown* outer) = 0;
    virtual HRESULT STDMETHODCALLTYPE DuplicateSurface(LPDIRECTDRAWSURFACE4 source,
                                                       LPDIRECTDRAWSURFACE4* copy) = 0;
    virtual HRESULT STDMETHODCALLTYPE EnumDisplayModes(DWORD flags, LPDDSURFACEDESC2 desc,
                                                       LPVOID context,
                                                       LPDDENUMMODESCALLBACK2 cb) = 0;
    virtual HRESULT STDMETHODCALLTYPE EnumSurfaces(DWORD flags, LPDDSURFACEDESC2 desc,
                                                   LPVOID context,
                                                   LPDDENUMSURFACESCALLBACK2 cb) = 0;
    virtual HRESULT STDMETHODCALLTYPE FlipToGDISurface() = 0;
    virtual HRESULT STDMETHODCALLTYPE GetCaps(LPDDCAPS driverCaps, LPDDCAPS helCaps) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetDisplayMode(LPDDSURFACEDESC2 desc) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetFourCCCodes(LPDWORD count, LPDWORD codes) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetGDISurface(LPDIRECTDRAWSURFACE4* surface) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetMonitorFrequency(LPDWORD frequency) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetScanLine(LPDWORD line) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetVerticalBlankStatus(LPBOOL inBlank) = 0;
    virtual HRESULT STDMETHODCALLTYPE Initialize(GUID* guid) = 0;
    virtual HRESULT STDMETHODCALLTYPE RestoreDisplayMode() = 0;
    virtual HRESULT STDMETHODCALLTYPE SetCooperativeLevel(HWND window, DWORD flags) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetDisplayMode(DWORD width, DWORD height, DWORD bpp,
                                                     DWORD refreshRate, DWORD flags) = 0;
    virtual HRESULT STDMETHODCALLTYPE WaitForVerticalBlank(DWORD flags, HANDLE event) = 0;
    // IDirectDraw2
    virtual HRESULT STDMETHODCALLTYPE GetAvailableVidMem(LPDDSCAPS2 caps, LPDWORD total,
                                                         LPDWORD free) = 0;
    // IDirectDraw4
    virtual HRESULT STDMETHODCALLTYPE GetSurfaceFromDC(HDC dc, LPDIRECTDRAWSURFACE4* surface) = 0;
    virtual HRESULT STDMETHODCALLTYPE RestoreAllSurfaces() = 0;
    virtual HRESULT STDMETHODCALLTYPE TestCooperativeLevel() = 0;
    virtual HRESULT STDMETHODCALLTYPE GetDeviceIdentifier(LPDDDEVICEIDENTIFIER identifier,
                                                          DWORD flags) = 0;

protected:
    ~IDirectDraw4() = default;
};
typedef IDirectDraw4* LPDIRECTDRAW4;

// ---------------------------------------------------------------------------
// Entry points

extern "C" {
PLATFORM_API HRESULT WINAPI DirectDrawCreate(GUID* guid, LPDIRECTDRAW* dd, IUnknown* outer);
PLATFORM_API HRESULT WINAPI DirectDrawEnumerateA(LPDDENUMCALLBACKA callback, LPVOID context);
PLATFORM_API HRESULT WINAPI DirectDrawEnumerateExA(LPDDENUMCALLBACKEXA callback,
                                                   LPVOID context, DWORD flags);
}
#define DirectDrawEnumerate DirectDrawEnumerateA
#define DirectDrawEnumerateEx DirectDrawEnumerateExA
