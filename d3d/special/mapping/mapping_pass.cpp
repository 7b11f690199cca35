#include "special/mapping/mapping_pass.h"

#include "special/driver_lock.h"

#include "driver.h"
#include "driver_filter.h"
#include "marked_vertex_buffer.h"
#include "rmesh.h"
#include "states.h"
#include "tmanager.h"

#include <engine/resources.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace mapping {

namespace {

const char* const sourcePath = "3d/driver/d3d/special/mapping/mapping";

}  // namespace

MappedTexture::~MappedTexture() {
    const special::DriverLock lock;
    release();
}

void MappedTexture::release() {
    if (texture && theD3DTextureManager) {
        texture->invalidate(0);
        theD3DTextureManager->destroyTexture(texture);
    }
    texture = nullptr;
}

void MappedTexture::set(const std::string& name) {
    const special::DriverLock lock;
    release();
    if (name.empty() || !theD3DTextureManager)
        return;
    // The manager would hand out a container without an image; a mapped
    // pass without its texture would paint the mesh flat, so none is drawn.
    if (!theResourceManager || !theResourceManager->exists(name)) {
        if (missing != name)
            DRIVER_FILTER << (debug::Warning(debug::Context(sourcePath, __LINE__), 1.0f)
                              << "Mapping texture '" << name
                              << "' not found; the mapped pass is not drawn");
        missing = name;
        return;
    }
    texture = theD3DTextureManager->createTexture(name.c_str(), true, 1);
    if (texture && theD3DRenderDriver)
        texture->restore(theD3DRenderDriver->getDirectDraw(), theD3DRenderDriver->getD3DDevice(), 0,
                         false);
}

int textureSetCount(DWORD fvf) {
    return int((fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT);
}

DWORD withTextureSets(DWORD fvf, int sets) {
    return (fvf & ~DWORD(D3DFVF_TEXCOUNT_MASK)) | (DWORD(sets) << D3DFVF_TEXCOUNT_SHIFT);
}

int diffuseOffset(DWORD fvf) {
    int offset = 0;
    switch (fvf & D3DFVF_POSITION_MASK) {
        case D3DFVF_XYZ:
            offset = 12;
            break;
        case D3DFVF_XYZRHW:
            offset = 16;
            break;
        default:
            // XYZB1 .. XYZB5: the position and one to five blend weights.
            offset = 12 + 4 * int(((fvf & D3DFVF_POSITION_MASK) - D3DFVF_XYZRHW) / 2);
            break;
    }
    if (fvf & D3DFVF_NORMAL)
        offset += 12;
    if (fvf & D3DFVF_RESERVED1)
        offset += 4;
    return offset;
}

int textureOffset(DWORD fvf, int set) {
    int offset = diffuseOffset(fvf);
    if (fvf & D3DFVF_DIFFUSE)
        offset += 4;
    if (fvf & D3DFVF_SPECULAR)
        offset += 4;
    return offset + 8 * set;
}

bool ensureTextureSet(D3DOneLevelRenderMesh& mesh, int set) {
    MarkedVertexBuffer* buffer = mesh.getVertexBuffer();
    if (!buffer)
        return false;
    const DWORD destination = DWORD(buffer->getDestinationVertexFormat());
    if (textureSetCount(destination) >= set + 1)
        return buffer->isValid();
    buffer->recreate(buffer->getSourceVertexFormat(), int(withTextureSets(destination, set + 1)));
    TransformInformation once{TransformInformation::LIGHT | 0x1u};
    mesh.transform(&once);
    return buffer->isValid();
}

void refreshClipping(D3DOneLevelRenderMesh& mesh) {
    MarkedVertexBuffer* buffer = mesh.getVertexBuffer();
    if (!buffer || mesh.getClipState() != D3DOneLevelRenderMesh::CLIP_PARTLY)
        return;
    const std::size_t bytes =
        std::size_t(buffer->getVertexTotal()) * std::size_t(buffer->getDestinationVertexSize());
    const unsigned char* data = buffer->lockDestinationBuffer(DDLOCK_READONLY);
    if (!data)
        return;
    const std::vector<unsigned char> lit(data, data + bytes);
    buffer->unlockDestinationBuffer();
    TransformInformation unlit{0x1u};
    mesh.transform(&unlit);
    if (unsigned char* back = buffer->lockDestinationBuffer(DDLOCK_WRITEONLY)) {
        std::memcpy(back, lit.data(), bytes);
        buffer->unlockDestinationBuffer();
    }
}

void drawRegularSets(const D3DOneLevelRenderMesh& mesh, DrawOptions options) {
    const MarkedVertexBuffer* buffer = mesh.getVertexBuffer();
    if (!buffer || !buffer->isValid() || !g_pDevice || !theRenderStateManager)
        return;
    DWORD flags = D3DDP_DONOTLIGHT;
    if (mesh.getClipState() != D3DOneLevelRenderMesh::CLIP_PARTLY)
        flags |= D3DDP_DONOTCLIP;
    theRenderStateManager->flush();
    for (const MarkedVertexBuffer::SetEntry& entry : buffer->getRegularSetIndices()) {
        if (options.skipColorKeyed && entry.kind == MarkedVertexBuffer::KIND_COLORKEY)
            continue;
        const bool uncull = options.noCullingForTwoSided && entry.twoSided;
        DWORD cull = 0;
        if (uncull) {
            cull = theRenderStateManager->getState(RS_CULLMODE);
            theRenderStateManager->setState(RS_CULLMODE, D3DCULL_NONE);
            theRenderStateManager->flush();
        }
        g_pDevice->DrawPrimitiveVB(static_cast<D3DPRIMITIVETYPE>(entry.primitiveType),
                                   buffer->getDestination(), DWORD(entry.firstVertex),
                                   DWORD(entry.vertexCount), flags);
        if (uncull) {
            theRenderStateManager->setState(RS_CULLMODE, cull);
            theRenderStateManager->flush();
        }
    }
}

int priorityOfClass(int priorityClass) {
    switch (priorityClass) {
        case 0:
            return 7;
        case 1:
            return 8;
        case 2:
            return 9;
        default:
            return 0;
    }
}

int alpha256(float alpha) {
    if (!(alpha == alpha))
        return 0;
    return int(std::clamp(std::lround(alpha * 256.0f), 0L, 256L));
}

DWORD packTruncated(float red, float green, float blue, float alpha) {
    const auto byte = [](float c) {
        return DWORD(std::clamp(c == c ? c : 0.0f, 0.0f, 1.0f) * 255.0f);
    };
    return byte(alpha) << 24 | byte(red) << 16 | byte(green) << 8 | byte(blue);
}

DWORD scaleColor(DWORD color, int alpha) {
    DWORD scaled = 0;
    for (int shift = 0; shift < 32; shift += 8)
        scaled |= (((color >> shift) & 0xFFu) * DWORD(alpha) / 256u) << shift;
    return scaled;
}

}  // namespace mapping
