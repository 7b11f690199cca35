// The one dynamic vertex buffer that every sprite particle system writes its
// quads into, with the index list that makes triangles of them. It is made
// when the first system is initialised and kept while any system lives or
// until the device goes.
#pragma once

#include <d3d.h>

#include <array>
#include <atomic>

namespace sprites {

class SpriteBuffer {
public:
    static constexpr int vertexCount = 512;
    static constexpr int quadCount = vertexCount / 4;
    static constexpr int indexCount = quadCount * 6;

    // Counted users; the last release lets the buffer go.
    static void acquire();
    static void release();
    // Makes the buffer on the current device when it is not there (or was made
    // on another device); false without a device or when it cannot be made.
    static bool ensure();
    static bool exists();
    // Lets the buffer go; the device is going away.
    static void drop();

    // Null when the lock fails.
    static D3DLVERTEX* lock();
    static bool unlock();
    // Draws the first `quads` quads of the buffer as indexed triangles.
    static bool draw(int quads);

    // For quad q with first vertex v = 4q: (v, v+3, v+1), (v+1, v+3, v+2).
    static const std::array<WORD, indexCount>& indices();

private:
    static std::atomic<int> users;
    static IDirect3DVertexBuffer* buffer;
    static IDirect3DDevice3* bufferDevice;
};

}  // namespace sprites
