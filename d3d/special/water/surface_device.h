// The device side shared by water and swamp: the pair of vertex buffers
// (untransformed source, processed destination) with their lost-buffer rule,
// the two textures made from one image, and the four texturing variants.
#pragma once

#include "../../states.h"

#include <d3d.h>

#include <string>
#include <vector>

class TextureInterface;

namespace water {

// Processed vertices, as ProcessVertices writes them for the draw.
constexpr DWORD processedFormat = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_SPECULAR | D3DFVF_TEX2;
static_assert(processedFormat == 0x2C4, "the processed surface vertex");

class SurfaceBuffers {
public:
    SurfaceBuffers() = default;
    ~SurfaceBuffers() { release(); }
    SurfaceBuffers(const SurfaceBuffers&) = delete;
    SurfaceBuffers& operator=(const SurfaceBuffers&) = delete;

    // Makes both buffers again for `count` vertices of `sourceFormat`; ready
    // only when both were made.
    bool create(DWORD sourceFormat, int count);
    void release();
    // A failed buffer operation makes the buffers unusable until the next
    // view makes them again; nothing is reported.
    bool check(HRESULT result) {
        if (FAILED(result))
            ready = false;
        return ready;
    }

    IDirect3DVertexBuffer* source = nullptr;
    IDirect3DVertexBuffer* destination = nullptr;
    bool ready = false;
};

class SurfaceTextures {
public:
    SurfaceTextures() = default;
    ~SurfaceTextures() { release(); }
    SurfaceTextures(const SurfaceTextures&) = delete;
    SurfaceTextures& operator=(const SurfaceTextures&) = delete;

    // Both textures from the one image, for stages 0 and 1. An image that is
    // not there is reported once per surface (`what` names it) and the
    // surface is drawn untextured.
    void load(const std::string& name, const char* what);
    void release();
    void bind() const;

    TextureInterface* first = nullptr;
    TextureInterface* second = nullptr;

private:
    bool missingReported = false;
};

// The four variants; `extra` render states go into every variant.
void buildSurfaceMetaState(MultipleStatesMetaState& state,
                           const std::vector<std::pair<RenderStateType, DWORD>>& extra);

// The integer part as the surfaces take it: the nearest integer to v - 0.4997.
inline int integerPart(float v);

// A texture coordinate pair plus the scrolling offset.
struct ScrollOffsets {
    float first[2] = {0, 0};
    float second[2] = {0, 0};
    // Moves by the steps over `dt` seconds, keeping only the fractions.
    void advance(const float (&step1)[2], const float (&step2)[2], float dt);
};

}  // namespace water

#include <cmath>

inline int water::integerPart(float v) {
    return static_cast<int>(std::nearbyint(v - 0.4997f));
}
