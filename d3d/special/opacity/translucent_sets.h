// What the opacity effects share: the rounding of an opacity, the fading of
// processed vertex colours, and the drawing of a mesh's sets through the
// two meta states of translucent drawing.
#pragma once

#include "../../states.h"

#include <engine/core/render_mesh.h>

#include <cstdint>

class D3DOneLevelRenderMesh;
class MarkedVertexBuffer;
class RenderView;

namespace translucent {

// 0 .. 255, rounded to the nearest, ties to even; NaN counts as opaque.
std::uint16_t toOpacity(float opacity);

// One processed vertex of the mesh's vertex format: the diffuse alpha and
// the specular red, green and blue become (opacity * byte) >> 8.
void fadeVertex(unsigned char* vertex, unsigned opacity);

// The buffer's processed vertices carry both colours where fadeVertex
// expects them.
bool hasVertexColours(const MarkedVertexBuffer& buffer);

// Fades every processed vertex of the mesh; nothing when its buffer
// cannot be locked.
void fadeMesh(D3DOneLevelRenderMesh& mesh, unsigned opacity);

// The depth the deferred alpha list sorts the mesh by in the view (0
// without one).
float sortDepth(RenderView* view, const D3DOneLevelRenderMesh& mesh);

class TranslucentSets {
public:
    // Asks the device whether it blends the texture's alpha with the
    // diffuse one; without a state manager the answer stays "not known".
    TranslucentSets();

    int getAlphaSetState() const { return alphaSetState; }
    int getRegularSetState() const { return regularSetState; }
    SupportStatus getSupportStatus() const { return status; }

    // With the answer still not known, asks again.
    void retest();
    // Specular off, then the regular sets and the alpha sets, each under its
    // meta state, drawn by `below` with the record flags it is given.
    template <typename DrawBelow>
    void draw(DrawBelow&& below) {
        RenderStateManager* states = theRenderStateManager;
        if (!states)
            return;
        states->setState(RS_SPECULARENABLE, 0u);
        drawPass(*states, regularSetState, RenderInformation::REGULAR, below);
        drawPass(*states, alphaSetState, RenderInformation::ALPHA, below);
    }

private:
    template <typename DrawBelow>
    static void drawPass(RenderStateManager& states, int metaState, unsigned flags,
                         DrawBelow& below) {
        states.setState(metaState);
        RenderInformation info;
        info.flags = flags;
        below(info);
        states.unsetState(metaState);
    }

    int alphaSetState;
    int regularSetState;
    SupportStatus status = STATUS_NOT_KNOWN;
};

}  // namespace translucent
