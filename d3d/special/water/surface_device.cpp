#include "surface_device.h"

#include "../../driver.h"
#include "../../driver_filter.h"
#include "../../tmanager.h"

#include <engine/debug.h>
#include <engine/resources.h>

namespace water {

namespace {

const char* const sourcePath = "3d/driver/d3d/special/water/surface";

IDirect3DVertexBuffer* makeBuffer(IDirect3D3* direct3D, DWORD format, int count) {
    D3DVERTEXBUFFERDESC description{};
    description.dwSize = sizeof description;
    description.dwCaps = D3DVBCAPS_WRITEONLY | D3DVBCAPS_SYSTEMMEMORY;
    description.dwFVF = format;
    description.dwNumVertices = static_cast<DWORD>(count);
    IDirect3DVertexBuffer* buffer = nullptr;
    if (FAILED(direct3D->CreateVertexBuffer(&description, &buffer, 0, nullptr)))
        return nullptr;
    return buffer;
}

void addStage(MultipleStatesMetaState& state, int variant, int stage, DWORD colorOp,
              DWORD colorArg1, DWORD colorArg2, DWORD alphaOp, DWORD alphaArg1, DWORD alphaArg2) {
    state.add(TSS_COLOROP, stage, colorOp, variant);
    state.add(TSS_COLORARG1, stage, colorArg1, variant);
    state.add(TSS_COLORARG2, stage, colorArg2, variant);
    state.add(TSS_ALPHAOP, stage, alphaOp, variant);
    state.add(TSS_ALPHAARG1, stage, alphaArg1, variant);
    state.add(TSS_ALPHAARG2, stage, alphaArg2, variant);
    state.add(TSS_TEXCOORDINDEX, stage, static_cast<DWORD>(stage), variant);
    state.add(TSS_ADDRESSU, stage, D3DTADDRESS_WRAP, variant);
    state.add(TSS_ADDRESSV, stage, D3DTADDRESS_WRAP, variant);
}

void disableStage(MultipleStatesMetaState& state, int variant, int stage) {
    state.add(TSS_COLOROP, stage, D3DTOP_DISABLE, variant);
    state.add(TSS_ALPHAOP, stage, D3DTOP_DISABLE, variant);
}

}  // namespace

bool SurfaceBuffers::create(DWORD sourceFormat, int count) {
    release();
    IDirect3D3* direct3D = theD3DRenderDriver ? theD3DRenderDriver->getDirect3D() : nullptr;
    if (!direct3D || count <= 0)
        return ready = false;
    source = makeBuffer(direct3D, sourceFormat, count);
    if (source)
        destination = makeBuffer(direct3D, processedFormat, count);
    return ready = source && destination;
}

void SurfaceBuffers::release() {
    for (IDirect3DVertexBuffer** buffer : {&source, &destination})
        if (*buffer) {
            (*buffer)->Release();
            *buffer = nullptr;
        }
    ready = false;
}

void SurfaceTextures::load(const std::string& name, const char* what) {
    release();
    if (!theD3DTextureManager || name.empty())
        return;
    if (!theResourceManager->exists(name)) {
        if (!missingReported)
            DRIVER_FILTER << (debug::Warning(debug::Context(sourcePath, __LINE__), 1.0f)
                              << what << " texture '" << name
                              << "' not found; the surface is drawn untextured");
        missingReported = true;
        return;
    }
    first = theD3DTextureManager->createTexture(name.c_str(), true, 0);
    second = theD3DTextureManager->createTexture(name.c_str(), true, 0);
    if (theD3DRenderDriver) {
        IDirectDraw4* directDraw = theD3DRenderDriver->getDirectDraw();
        IDirect3DDevice3* device = theD3DRenderDriver->getD3DDevice();
        if (first)
            first->restore(directDraw, device, 0, false);
        if (second)
            second->restore(directDraw, device, 1, false);
    }
}

void SurfaceTextures::release() {
    int stage = 0;
    for (TextureInterface** texture : {&first, &second}) {
        if (*texture) {
            (*texture)->invalidate(stage);
            if (theD3DTextureManager)
                theD3DTextureManager->destroyTexture(*texture);
            *texture = nullptr;
        }
        ++stage;
    }
}

void SurfaceTextures::bind() const {
    if (!theD3DTextureManager)
        return;
    theD3DTextureManager->setTexture(first, 0);
    theD3DTextureManager->setTexture(second, 1);
}

void buildSurfaceMetaState(MultipleStatesMetaState& state,
                           const std::vector<std::pair<RenderStateType, DWORD>>& extra) {
    state.clear();
    // 0: both layers in two stages, lit colour on the first.
    addStage(state, 0, 0, D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_SELECTARG1,
             D3DTA_TEXTURE, D3DTA_DIFFUSE);
    addStage(state, 0, 1, D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_CURRENT, D3DTOP_SELECTARG2,
             D3DTA_TEXTURE, D3DTA_CURRENT);
    disableStage(state, 0, 2);
    // 1 and 2: the lit colour in a third stage, for devices that cannot
    // modulate a texture by the diffuse colour in the first; 2 without
    // blending between mipmap levels.
    for (int variant : {1, 2}) {
        addStage(state, variant, 0, D3DTOP_SELECTARG1, D3DTA_TEXTURE, D3DTA_DIFFUSE,
                 D3DTOP_SELECTARG1, D3DTA_TEXTURE, D3DTA_DIFFUSE);
        addStage(state, variant, 1, D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_CURRENT,
                 D3DTOP_SELECTARG2, D3DTA_TEXTURE, D3DTA_CURRENT);
        state.add(TSS_COLOROP, 2, D3DTOP_MODULATE, variant);
        state.add(TSS_COLORARG1, 2, D3DTA_DIFFUSE, variant);
        state.add(TSS_COLORARG2, 2, D3DTA_CURRENT, variant);
        state.add(TSS_ALPHAOP, 2, D3DTOP_SELECTARG2, variant);
        state.add(TSS_ALPHAARG2, 2, D3DTA_CURRENT, variant);
        disableStage(state, variant, 3);
    }
    for (int stage : {0, 1})
        state.add(TSS_MIPFILTER, stage, D3DTFP_POINT, 2);
    // 3: one layer only.
    addStage(state, 3, 0, D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_SELECTARG1,
             D3DTA_TEXTURE, D3DTA_DIFFUSE);
    disableStage(state, 3, 1);
    for (int variant = 0; variant < 4; ++variant)
        for (const auto& [type, value] : extra)
            state.add(type, value, variant);
}

void ScrollOffsets::advance(const float (&step1)[2], const float (&step2)[2], float dt) {
    for (int i = 0; i < 2; ++i) {
        first[i] += step1[i] * dt;
        second[i] += step2[i] * dt;
        first[i] -= std::floor(first[i]);
        second[i] -= std::floor(second[i]);
    }
}

}  // namespace water
