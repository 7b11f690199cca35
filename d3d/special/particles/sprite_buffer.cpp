#include "special/particles/sprite_buffer.h"

#include "driver.h"

namespace sprites {

std::atomic<int> SpriteBuffer::users{0};
IDirect3DVertexBuffer* SpriteBuffer::buffer = nullptr;
IDirect3DDevice3* SpriteBuffer::bufferDevice = nullptr;

void SpriteBuffer::acquire() {
    ++users;
}

void SpriteBuffer::release() {
    if (--users == 0)
        drop();
}

bool SpriteBuffer::exists() {
    return buffer != nullptr;
}

bool SpriteBuffer::ensure() {
    if (buffer && bufferDevice == g_pDevice)
        return true;
    drop();
    IDirect3D3* direct3D = theD3DRenderDriver ? theD3DRenderDriver->getDirect3D() : nullptr;
    if (!direct3D || !g_pDevice)
        return false;
    D3DVERTEXBUFFERDESC description{};
    description.dwSize = sizeof description;
    description.dwCaps = D3DVBCAPS_SYSTEMMEMORY | D3DVBCAPS_WRITEONLY;
    description.dwFVF = D3DFVF_LVERTEX;
    description.dwNumVertices = vertexCount;
    if (FAILED(direct3D->CreateVertexBuffer(&description, &buffer, 0, nullptr))) {
        buffer = nullptr;
        return false;
    }
    bufferDevice = g_pDevice;
    return true;
}

void SpriteBuffer::drop() {
    if (buffer)
        buffer->Release();
    buffer = nullptr;
    bufferDevice = nullptr;
}

D3DLVERTEX* SpriteBuffer::lock() {
    void* data = nullptr;
    if (!buffer || FAILED(buffer->Lock(DDLOCK_WAIT | DDLOCK_WRITEONLY, &data, nullptr)))
        return nullptr;
    return static_cast<D3DLVERTEX*>(data);
}

bool SpriteBuffer::unlock() {
    return buffer && SUCCEEDED(buffer->Unlock());
}

bool SpriteBuffer::draw(int quads) {
    if (!buffer || !g_pDevice || quads <= 0)
        return false;
    return SUCCEEDED(g_pDevice->DrawIndexedPrimitiveVB(
        D3DPT_TRIANGLELIST, buffer, const_cast<WORD*>(indices().data()),
        static_cast<DWORD>(quads * 6), D3DDP_WAIT | D3DDP_DONOTLIGHT));
}

const std::array<WORD, SpriteBuffer::indexCount>& SpriteBuffer::indices() {
    static const std::array<WORD, indexCount> list = [] {
        std::array<WORD, indexCount> made{};
        for (int q = 0; q < quadCount; ++q) {
            const WORD v = static_cast<WORD>(4 * q);
            const WORD quad[6] = {v, WORD(v + 3), WORD(v + 1), WORD(v + 1), WORD(v + 3), WORD(v + 2)};
            for (int i = 0; i < 6; ++i)
                made[static_cast<std::size_t>(q * 6 + i)] = quad[i];
        }
        return made;
    }();
    return list;
}

}  // namespace sprites
