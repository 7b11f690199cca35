// Direct3D 6: interface identifiers, device GUIDs, the COM interfaces in
// their Windows vtable order, and the result codes.
#pragma once

#include "ddraw.h"
#include "d3dtypes.h"
#include "d3dcaps.h"
#include "unknwn.h"

#define D3D_OK DD_OK

inline constexpr IID IID_IDirect3D = {0x3bba0080, 0x2421, 0x11cf, {0xa3, 0x1a, 0x00, 0xaa, 0x00, 0xb9, 0x33, 0x56}};
inline constexpr IID IID_IDirect3D2 = {0x6aae1ec1, 0x662a, 0x11d0, {0x88, 0x9d, 0x00, 0xaa, 0x00, 0xbb, 0xb7, 0x6a}};
inline constexpr IID IID_IDirect3D3 = {0xbb223240, 0xe72b, 0x11d0, {0xa9, 0xb4, 0x00, 0xaa, 0x00, 0xc0, 0x99, 0x3e}};
inline constexpr IID IID_IDirect3DRGBDevice = {0xa4665c60, 0x2673, 0x11cf, {0xa3, 0x1a, 0x00, 0xaa, 0x00, 0xb9, 0x33, 0x56}};
inline constexpr IID IID_IDirect3DHALDevice = {0x84e63de0, 0x46aa, 0x11cf, {0x81, 0x6f, 0x00, 0x00, 0xc0, 0x20, 0x15, 0x6e}};
inline constexpr IID IID_IDirect3DRefDevice = {0x50936643, 0x13e9, 0x11d1, {0x89, 0xaa, 0x00, 0xa0, 0xc9, 0x05, 0x41, 0x29}};
inline constexpr IID IID_IDirect3DNullDevice = {0x8767df22, 0xbacc, 0x11d1, {0x89, 0x69, 0x00, 0xa0, 0xc9, 0x06, 0x29, 0xa8}};
inline constexpr IID IID_IDirect3DDevice3 = {0xb0ab3b60, 0x33d7, 0x11d1, {0xa9, 0x81, 0x00, 0xc0, 0x4f, 0xd7, 0xb1, 0x74}};
inline constexpr IID IID_IDirect3DDevice = {0x64108800, 0x957d, 0x11d0, {0x89, 0xab, 0x00, 0xa0, 0xc9, 0x05, 0x41, 0x29}};
inline constexpr IID IID_IDirect3DDevice2 = {0x93281501, 0x8cf8, 0x11d0, {0x89, 0xab, 0x00, 0xa0, 0xc9, 0x05, 0x41, 0x29}};
inline constexpr IID IID_IDirect3DExecuteBuffer = {0x4417c145, 0x33ad, 0x11cf, {0x81, 0x6f, 0x00, 0x00, 0xc0, 0x20, 0x15, 0x6e}};
inline constexpr IID IID_IDirect3DTexture = {0x2cdcd9e0, 0x25a0, 0x11cf, {0xa3, 0x1a, 0x00, 0xaa, 0x00, 0xb9, 0x33, 0x56}};
inline constexpr IID IID_IDirect3DTexture2 = {0x93281502, 0x8cf8, 0x11d0, {0x89, 0xab, 0x00, 0xa0, 0xc9, 0x05, 0x41, 0x29}};
inline constexpr IID IID_IDirect3DLight = {0x4417c142, 0x33ad, 0x11cf, {0x81, 0x6f, 0x00, 0x00, 0xc0, 0x20, 0x15, 0x6e}};
inline constexpr IID IID_IDirect3DMaterial = {0x4417c144, 0x33ad, 0x11cf, {0x81, 0x6f, 0x00, 0x00, 0xc0, 0x20, 0x15, 0x6e}};
inline constexpr IID IID_IDirect3DMaterial2 = {0x93281503, 0x8cf8, 0x11d0, {0x89, 0xab, 0x00, 0xa0, 0xc9, 0x05, 0x41, 0x29}};
inline constexpr IID IID_IDirect3DMaterial3 = {0xca9c46f4, 0xd3c5, 0x11d1, {0xb7, 0x5a, 0x00, 0x60, 0x08, 0x52, 0xb3, 0x12}};
inline constexpr IID IID_IDirect3DViewport = {0x4417c146, 0x33ad, 0x11cf, {0x81, 0x6f, 0x00, 0x00, 0xc0, 0x20, 0x15, 0x6e}};
inline constexpr IID IID_IDirect3DViewport2 = {0x93281500, 0x8cf8, 0x11d0, {0x89, 0xab, 0x00, 0xa0, 0xc9, 0x05, 0x41, 0x29}};
inline constexpr IID IID_IDirect3DViewport3 = {0xb0ab3b61, 0x33d7, 0x11d1, {0xa9, 0x81, 0x00, 0xc0, 0x4f, 0xd7, 0xb1, 0x74}};
inline constexpr IID IID_IDirect3DVertexBuffer = {0x7a503555, 0x4a83, 0x11d1, {0xa5, 0xdb, 0x00, 0xa0, 0xc9, 0x03, 0x67, 0xf8}};

struct IDirect3D;
struct IDirect3D2;
struct IDirect3D3;
// Devices and materials before DirectX 6 are not offered; only their
// pointers appear in the older interfaces.
struct IDirect3DDevice;
struct IDirect3DDevice2;
struct IDirect3DMaterial;
struct IDirect3DMaterial2;
struct IDirect3DViewport;
struct IDirect3DViewport2;
struct IDirect3DTexture;
struct IDirect3DDevice3;
struct IDirect3DViewport3;
struct IDirect3DLight;
struct IDirect3DMaterial3;
struct IDirect3DTexture2;
struct IDirect3DVertexBuffer;
struct IDirectDrawSurface;
struct IDirectDrawSurface4;
struct _DDPIXELFORMAT;
// Structures of calls the driver never makes; only their pointers appear.
struct _D3DSTATS;
struct _D3DTRANSFORMDATA;
struct _D3DLIGHTDATA;

typedef IDirect3D* LPDIRECT3D;
typedef IDirect3D2* LPDIRECT3D2;
typedef IDirect3DDevice* LPDIRECT3DDEVICE;
typedef IDirect3DMaterial* LPDIRECT3DMATERIAL;
typedef IDirect3DMaterial2* LPDIRECT3DMATERIAL2;
typedef IDirect3DViewport* LPDIRECT3DVIEWPORT;
typedef IDirect3DViewport2* LPDIRECT3DVIEWPORT2;
typedef IDirect3DTexture* LPDIRECT3DTEXTURE;
typedef IDirect3D3* LPDIRECT3D3;
typedef IDirect3DDevice2* LPDIRECT3DDEVICE2;
typedef IDirect3DDevice3* LPDIRECT3DDEVICE3;
typedef IDirect3DViewport3* LPDIRECT3DVIEWPORT3;
typedef IDirect3DLight* LPDIRECT3DLIGHT;
typedef IDirect3DMaterial3* LPDIRECT3DMATERIAL3;
typedef IDirect3DTexture2* LPDIRECT3DTEXTURE2;
typedef IDirect3DVertexBuffer* LPDIRECT3DVERTEXBUFFER;
typedef _D3DSTATS* LPD3DSTATS;
typedef _D3DTRANSFORMDATA* LPD3DTRANSFORMDATA;
typedef _D3DLIGHTDATA* LPD3DLIGHTDATA;

typedef HRESULT(CALLBACK* LPD3DENUMPIXELFORMATSCALLBACK)(_DDPIXELFORMAT* lpDDPixFmt, LPVOID lpContext);

struct IDirect3D : IUnknown {
    STDMETHOD(Initialize)(REFCLSID id) PURE;
    STDMETHOD(EnumDevices)(LPD3DENUMDEVICESCALLBACK callback, LPVOID context) PURE;
    STDMETHOD(CreateLight)(LPDIRECT3DLIGHT* light, LPUNKNOWN outer) PURE;
    STDMETHOD(CreateMaterial)(LPDIRECT3DMATERIAL* material, LPUNKNOWN outer) PURE;
    STDMETHOD(CreateViewport)(LPDIRECT3DVIEWPORT* viewport, LPUNKNOWN outer) PURE;
    STDMETHOD(FindDevice)(LPD3DFINDDEVICESEARCH search, LPD3DFINDDEVICERESULT result) PURE;
};

struct IDirect3D2 : IUnknown {
    STDMETHOD(EnumDevices)(LPD3DENUMDEVICESCALLBACK callback, LPVOID context) PURE;
    STDMETHOD(CreateLight)(LPDIRECT3DLIGHT* light, LPUNKNOWN outer) PURE;
    STDMETHOD(CreateMaterial)(LPDIRECT3DMATERIAL2* material, LPUNKNOWN outer) PURE;
    STDMETHOD(CreateViewport)(LPDIRECT3DVIEWPORT2* viewport, LPUNKNOWN outer) PURE;
    STDMETHOD(FindDevice)(LPD3DFINDDEVICESEARCH search, LPD3DFINDDEVICERESULT result) PURE;
    STDMETHOD(CreateDevice)(REFCLSID deviceGuid, IDirectDrawSurface* target,
                            LPDIRECT3DDEVICE2* device) PURE;
};

struct IDirect3D3 : IUnknown {
    STDMETHOD(EnumDevices)(LPD3DENUMDEVICESCALLBACK callback, LPVOID context) PURE;
    STDMETHOD(CreateLight)(LPDIRECT3DLIGHT* light, LPUNKNOWN outer) PURE;
    STDMETHOD(CreateMaterial)(LPDIRECT3DMATERIAL3* material, LPUNKNOWN outer) PURE;
    STDMETHOD(CreateViewport)(LPDIRECT3DVIEWPORT3* viewport, LPUNKNOWN outer) PURE;
    STDMETHOD(FindDevice)(LPD3DFINDDEVICESEARCH search, LPD3DFINDDEVICERESULT result) PURE;
    STDMETHOD(CreateDevice)(REFCLSID deviceGuid, IDirectDrawSurface4* target, LPDIRECT3DDEVICE3* device,
                            LPUNKNOWN outer) PURE;
    STDMETHOD(CreateVertexBuffer)(LPD3DVERTEXBUFFERDESC desc, LPDIRECT3DVERTEXBUFFER* buffer, DWORD flags,
                                  LPUNKNOWN outer) PURE;
    STDMETHOD(EnumZBufferFormats)(REFCLSID deviceGuid, LPD3DENUMPIXELFORMATSCALLBACK callback,
                                  LPVOID context) PURE;
    STDMETHOD(EvictManagedTextures)() PURE;
};

struct IDirect3DDevice3 : IUnknown {
    STDMETHOD(GetCaps)(LPD3DDEVICEDESC hardware, LPD3DDEVICEDESC software) PURE;
    STDMETHOD(GetStats)(LPD3DSTATS stats) PURE;
    STDMETHOD(AddViewport)(LPDIRECT3DVIEWPORT3 viewport) PURE;
    STDMETHOD(DeleteViewport)(LPDIRECT3DVIEWPORT3 viewport) PURE;
    STDMETHOD(NextViewport)(LPDIRECT3DVIEWPORT3 reference, LPDIRECT3DVIEWPORT3* viewport, DWORD flags) PURE;
    STDMETHOD(EnumTextureFormats)(LPD3DENUMPIXELFORMATSCALLBACK callback, LPVOID context) PURE;
    STDMETHOD(BeginScene)() PURE;
    STDMETHOD(EndScene)() PURE;
    STDMETHOD(GetDirect3D)(LPDIRECT3D3* d3d) PURE;
    STDMETHOD(SetCurrentViewport)(LPDIRECT3DVIEWPORT3 viewport) PURE;
    STDMETHOD(GetCurrentViewport)(LPDIRECT3DVIEWPORT3* viewport) PURE;
    STDMETHOD(SetRenderTarget)(IDirectDrawSurface4* target, DWORD flags) PURE;
    STDMETHOD(GetRenderTarget)(IDirectDrawSurface4** target) PURE;
    STDMETHOD(Begin)(D3DPRIMITIVETYPE type, DWORD vertexFormat, DWORD flags) PURE;
    STDMETHOD(BeginIndexed)(D3DPRIMITIVETYPE type, DWORD vertexFormat, LPVOID vertices, DWORD vertexCount,
                            DWORD flags) PURE;
    STDMETHOD(Vertex)(LPVOID vertex) PURE;
    STDMETHOD(Index)(WORD index) PURE;
    STDMETHOD(End)(DWORD flags) PURE;
    STDMETHOD(GetRenderState)(D3DRENDERSTATETYPE state, LPDWORD value) PURE;
    STDMETHOD(SetRenderState)(D3DRENDERSTATETYPE state, DWORD value) PURE;
    STDMETHOD(GetLightState)(D3DLIGHTSTATETYPE state, LPDWORD value) PURE;
    STDMETHOD(SetLightState)(D3DLIGHTSTATETYPE state, DWORD value) PURE;
    STDMETHOD(SetTransform)(D3DTRANSFORMSTATETYPE state, LPD3DMATRIX matrix) PURE;
    STDMETHOD(GetTransform)(D3DTRANSFORMSTATETYPE state, LPD3DMATRIX matrix) PURE;
    STDMETHOD(MultiplyTransform)(D3DTRANSFORMSTATETYPE state, LPD3DMATRIX matrix) PURE;
    STDMETHOD(DrawPrimitive)(D3DPRIMITIVETYPE type, DWORD vertexFormat, LPVOID vertices, DWORD vertexCount,
                             DWORD flags) PURE;
    STDMETHOD(DrawIndexedPrimitive)(D3DPRIMITIVETYPE type, DWORD vertexFormat, LPVOID vertices,
                                    DWORD vertexCount, LPWORD indices, DWORD indexCount, DWORD flags) PURE;
    STDMETHOD(SetClipStatus)(LPD3DCLIPSTATUS status) PURE;
    STDMETHOD(GetClipStatus)(LPD3DCLIPSTATUS status) PURE;
    STDMETHOD(DrawPrimitiveStrided)(D3DPRIMITIVETYPE type, DWORD vertexFormat,
                                    LPD3DDRAWPRIMITIVESTRIDEDDATA data, DWORD vertexCount, DWORD flags) PURE;
    STDMETHOD(DrawIndexedPrimitiveStrided)(D3DPRIMITIVETYPE type, DWORD vertexFormat,
                                           LPD3DDRAWPRIMITIVESTRIDEDDATA data, DWORD vertexCount,
                                           LPWORD indices, DWORD indexCount, DWORD flags) PURE;
    STDMETHOD(DrawPrimitiveVB)(D3DPRIMITIVETYPE type, LPDIRECT3DVERTEXBUFFER buffer, DWORD startVertex,
                               DWORD vertexCount, DWORD flags) PURE;
    STDMETHOD(DrawIndexedPrimitiveVB)(D3DPRIMITIVETYPE type, LPDIRECT3DVERTEXBUFFER buffer, LPWORD indices,
                                      DWORD indexCount, DWORD flags) PURE;
    STDMETHOD(ComputeSphereVisibility)(LPD3DVECTOR centers, LPD3DVALUE radii, DWORD count, DWORD flags,
                                       LPDWORD results) PURE;
    STDMETHOD(GetTexture)(DWORD stage, LPDIRECT3DTEXTURE2* texture) PURE;
    STDMETHOD(SetTexture)(DWORD stage, LPDIRECT3DTEXTURE2 texture) PURE;
    STDMETHOD(GetTextureStageState)(DWORD stage, D3DTEXTURESTAGESTATETYPE state, LPDWORD value) PURE;
    STDMETHOD(SetTextureStageState)(DWORD stage, D3DTEXTURESTAGESTATETYPE state, DWORD value) PURE;
    STDMETHOD(ValidateDevice)(LPDWORD passes) PURE;
};

// Each viewport version extends the one before.
struct IDirect3DViewport : IUnknown {
    STDMETHOD(Initialize)(LPDIRECT3D d3d) PURE;
    STDMETHOD(GetViewport)(LPD3DVIEWPORT data) PURE;
    STDMETHOD(SetViewport)(LPD3DVIEWPORT data) PURE;
    STDMETHOD(TransformVertices)(DWORD count, LPD3DTRANSFORMDATA data, DWORD flags, LPDWORD offscreen) PURE;
    STDMETHOD(LightElements)(DWORD count, LPD3DLIGHTDATA data) PURE;
    STDMETHOD(SetBackground)(D3DMATERIALHANDLE material) PURE;
    STDMETHOD(GetBackground)(LPD3DMATERIALHANDLE material, LPBOOL valid) PURE;
    STDMETHOD(SetBackgroundDepth)(IDirectDrawSurface* surface) PURE;
    STDMETHOD(GetBackgroundDepth)(IDirectDrawSurface** surface, LPBOOL valid) PURE;
    STDMETHOD(Clear)(DWORD count, LPD3DRECT rects, DWORD flags) PURE;
    STDMETHOD(AddLight)(LPDIRECT3DLIGHT light) PURE;
    STDMETHOD(DeleteLight)(LPDIRECT3DLIGHT light) PURE;
    STDMETHOD(NextLight)(LPDIRECT3DLIGHT reference, LPDIRECT3DLIGHT* light, DWORD flags) PURE;
};

struct IDirect3DViewport2 : IDirect3DViewport {
    STDMETHOD(GetViewport2)(LPD3DVIEWPORT2 data) PURE;
    STDMETHOD(SetViewport2)(LPD3DVIEWPORT2 data) PURE;
};

struct IDirect3DViewport3 : IDirect3DViewport2 {
    STDMETHOD(SetBackgroundDepth2)(IDirectDrawSurface4* surface) PURE;
    STDMETHOD(GetBackgroundDepth2)(IDirectDrawSurface4** surface, LPBOOL valid) PURE;
    STDMETHOD(Clear2)(DWORD count, LPD3DRECT rects, DWORD flags, D3DCOLOR color, D3DVALUE z,
                      DWORD stencil) PURE;
};

struct IDirect3DLight : IUnknown {
    STDMETHOD(Initialize)(LPDIRECT3D d3d) PURE;
    STDMETHOD(SetLight)(LPD3DLIGHT light) PURE;
    STDMETHOD(GetLight)(LPD3DLIGHT light) PURE;
};

struct IDirect3DMaterial3 : IUnknown {
    STDMETHOD(SetMaterial)(LPD3DMATERIAL material) PURE;
    STDMETHOD(GetMaterial)(LPD3DMATERIAL material) PURE;
    STDMETHOD(GetHandle)(LPDIRECT3DDEVICE3 device, LPD3DMATERIALHANDLE handle) PURE;
};

// The material interfaces of DirectX 3 and 5; one object answers all three.
struct IDirect3DMaterial : IUnknown {
    STDMETHOD(Initialize)(LPDIRECT3D d3d) PURE;
    STDMETHOD(SetMaterial)(LPD3DMATERIAL material) PURE;
    STDMETHOD(GetMaterial)(LPD3DMATERIAL material) PURE;
    STDMETHOD(GetHandle)(LPDIRECT3DDEVICE device, LPD3DMATERIALHANDLE handle) PURE;
    STDMETHOD(Reserve)() PURE;
    STDMETHOD(Unreserve)() PURE;
};

struct IDirect3DMaterial2 : IUnknown {
    STDMETHOD(SetMaterial)(LPD3DMATERIAL material) PURE;
    STDMETHOD(GetMaterial)(LPD3DMATERIAL material) PURE;
    STDMETHOD(GetHandle)(LPDIRECT3DDEVICE2 device, LPD3DMATERIALHANDLE handle) PURE;
};

struct IDirect3DTexture : IUnknown {
    STDMETHOD(Initialize)(LPDIRECT3DDEVICE device, IDirectDrawSurface* surface) PURE;
    STDMETHOD(GetHandle)(LPDIRECT3DDEVICE device, LPD3DTEXTUREHANDLE handle) PURE;
    STDMETHOD(PaletteChanged)(DWORD start, DWORD count) PURE;
    STDMETHOD(Load)(LPDIRECT3DTEXTURE source) PURE;
    STDMETHOD(Unload)() PURE;
};

struct IDirect3DTexture2 : IUnknown {
    STDMETHOD(GetHandle)(LPDIRECT3DDEVICE2 device, LPD3DTEXTUREHANDLE handle) PURE;
    STDMETHOD(PaletteChanged)(DWORD start, DWORD count) PURE;
    STDMETHOD(Load)(LPDIRECT3DTEXTURE2 source) PURE;
};

struct IDirect3DVertexBuffer : IUnknown {
    STDMETHOD(Lock)(DWORD flags, LPVOID* data, LPDWORD size) PURE;
    STDMETHOD(Unlock)() PURE;
    STDMETHOD(ProcessVertices)(DWORD operation, DWORD destIndex, DWORD count, LPDIRECT3DVERTEXBUFFER source,
                               DWORD sourceIndex, LPDIRECT3DDEVICE3 device, DWORD flags) PURE;
    STDMETHOD(GetVertexBufferDesc)(LPD3DVERTEXBUFFERDESC desc) PURE;
    STDMETHOD(Optimize)(LPDIRECT3DDEVICE3 device, DWORD flags) PURE;
};

// Flags of IDirect3DDevice3::NextViewport and IDirect3DViewport3::NextLight.
#define D3DNEXT_NEXT 0x00000001
#define D3DNEXT_HEAD 0x00000002
#define D3DNEXT_TAIL 0x00000004

// Result codes
#define D3DERR_BADMAJORVERSION MAKE_DDHRESULT(700)
#define D3DERR_BADMINORVERSION MAKE_DDHRESULT(701)
#define D3DERR_INVALID_DEVICE MAKE_DDHRESULT(705)
#define D3DERR_INITFAILED MAKE_DDHRESULT(706)
#define D3DERR_DEVICEAGGREGATED MAKE_DDHRESULT(707)
#define D3DERR_EXECUTE_CREATE_FAILED MAKE_DDHRESULT(710)
#define D3DERR_EXECUTE_DESTROY_FAILED MAKE_DDHRESULT(711)
#define D3DERR_EXECUTE_LOCK_FAILED MAKE_DDHRESULT(712)
#define D3DERR_EXECUTE_UNLOCK_FAILED MAKE_DDHRESULT(713)
#define D3DERR_EXECUTE_LOCKED MAKE_DDHRESULT(714)
#define D3DERR_EXECUTE_NOT_LOCKED MAKE_DDHRESULT(715)
#define D3DERR_EXECUTE_FAILED MAKE_DDHRESULT(716)
#define D3DERR_EXECUTE_CLIPPED_FAILED MAKE_DDHRESULT(717)
#define D3DERR_TEXTURE_NO_SUPPORT MAKE_DDHRESULT(720)
#define D3DERR_TEXTURE_CREATE_FAILED MAKE_DDHRESULT(721)
#define D3DERR_TEXTURE_DESTROY_FAILED MAKE_DDHRESULT(722)
#define D3DERR_TEXTURE_LOCK_FAILED MAKE_DDHRESULT(723)
#define D3DERR_TEXTURE_UNLOCK_FAILED MAKE_DDHRESULT(724)
#define D3DERR_TEXTURE_LOAD_FAILED MAKE_DDHRESULT(725)
#define D3DERR_TEXTURE_SWAP_FAILED MAKE_DDHRESULT(726)
#define D3DERR_TEXTURE_LOCKED MAKE_DDHRESULT(727)
#define D3DERR_TEXTURE_NOT_LOCKED MAKE_DDHRESULT(728)
#define D3DERR_TEXTURE_GETSURF_FAILED MAKE_DDHRESULT(729)
#define D3DERR_MATRIX_CREATE_FAILED MAKE_DDHRESULT(730)
#define D3DERR_MATRIX_DESTROY_FAILED MAKE_DDHRESULT(731)
#define D3DERR_MATRIX_SETDATA_FAILED MAKE_DDHRESULT(732)
#define D3DERR_MATRIX_GETDATA_FAILED MAKE_DDHRESULT(733)
#define D3DERR_SETVIEWPORTDATA_FAILED MAKE_DDHRESULT(734)
#define D3DERR_INVALIDCURRENTVIEWPORT MAKE_DDHRESULT(735)
#define D3DERR_INVALIDPRIMITIVETYPE MAKE_DDHRESULT(736)
#define D3DERR_INVALIDVERTEXTYPE MAKE_DDHRESULT(737)
#define D3DERR_TEXTURE_BADSIZE MAKE_DDHRESULT(738)
#define D3DERR_INVALIDRAMPTEXTURE MAKE_DDHRESULT(739)
#define D3DERR_MATERIAL_CREATE_FAILED MAKE_DDHRESULT(740)
#define D3DERR_MATERIAL_DESTROY_FAILED MAKE_DDHRESULT(741)
#define D3DERR_MATERIAL_SETDATA_FAILED MAKE_DDHRESULT(742)
#define D3DERR_MATERIAL_GETDATA_FAILED MAKE_DDHRESULT(743)
#define D3DERR_INVALIDPALETTE MAKE_DDHRESULT(744)
#define D3DERR_ZBUFF_NEEDS_SYSTEMMEMORY MAKE_DDHRESULT(745)
#define D3DERR_ZBUFF_NEEDS_VIDEOMEMORY MAKE_DDHRESULT(746)
#define D3DERR_SURFACENOTINVIDMEM MAKE_DDHRESULT(747)
#define D3DERR_LIGHT_SET_FAILED MAKE_DDHRESULT(750)
#define D3DERR_LIGHTHASVIEWPORT MAKE_DDHRESULT(751)
#define D3DERR_LIGHTNOTINTHISVIEWPORT MAKE_DDHRESULT(752)
#define D3DERR_SCENE_IN_SCENE MAKE_DDHRESULT(760)
#define D3DERR_SCENE_NOT_IN_SCENE MAKE_DDHRESULT(761)
#define D3DERR_SCENE_BEGIN_FAILED MAKE_DDHRESULT(762)
#define D3DERR_SCENE_END_FAILED MAKE_DDHRESULT(763)
#define D3DERR_INBEGIN MAKE_DDHRESULT(770)
#define D3DERR_NOTINBEGIN MAKE_DDHRESULT(771)
#define D3DERR_NOVIEWPORTS MAKE_DDHRESULT(772)
#define D3DERR_VIEWPORTDATANOTSET MAKE_DDHRESULT(773)
#define D3DERR_VIEWPORTHASNODEVICE MAKE_DDHRESULT(774)
#define D3DERR_NOCURRENTVIEWPORT MAKE_DDHRESULT(775)
#define D3DERR_INVALIDVERTEXFORMAT MAKE_DDHRESULT(2048)
#define D3DERR_COLORKEYATTACHED MAKE_DDHRESULT(2050)
#define D3DERR_VERTEXBUFFEROPTIMIZED MAKE_DDHRESULT(2060)
#define D3DERR_VBUF_CREATE_FAILED MAKE_DDHRESULT(2061)
#define D3DERR_VERTEXBUFFERLOCKED MAKE_DDHRESULT(2062)
#define D3DERR_ZBUFFER_NOTPRESENT MAKE_DDHRESULT(2070)
#define D3DERR_STENCILBUFFER_NOTPRESENT MAKE_DDHRESULT(2071)
#define D3DERR_WRONGTEXTUREFORMAT MAKE_DDHRESULT(2072)
#define D3DERR_UNSUPPORTEDCOLOROPERATION MAKE_DDHRESULT(2073)
#define D3DERR_UNSUPPORTEDCOLORARG MAKE_DDHRESULT(2074)
#define D3DERR_UNSUPPORTEDALPHAOPERATION MAKE_DDHRESULT(2075)
#define D3DERR_UNSUPPORTEDALPHAARG MAKE_DDHRESULT(2076)
#define D3DERR_TOOMANYOPERATIONS MAKE_DDHRESULT(2077)
#define D3DERR_CONFLICTINGTEXTUREFILTER MAKE_DDHRESULT(2078)
#define D3DERR_UNSUPPORTEDFACTORVALUE MAKE_DDHRESULT(2079)
#define D3DERR_CONFLICTINGRENDERSTATE MAKE_DDHRESULT(2081)
#define D3DERR_UNSUPPORTEDTEXTUREFILTER MAKE_DDHRESULT(2082)
#define D3DERR_TOOMANYPRIMITIVES MAKE_DDHRESULT(2083)
#define D3DERR_INVALIDMATRIX MAKE_DDHRESULT(2084)
#define D3DERR_TOOMANYVERTICES MAKE_DDHRESULT(2085)
#define D3DERR_CONFLICTINGTEXTUREPALETTE MAKE_DDHRESULT(2086)
