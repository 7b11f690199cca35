#include "translucent_sets.h"

#include "../../rmesh.h"
#include "../../rview.h"

#include <algorithm>
#include <cmath>

namespace translucent {

namespace {
// Where the colours sit in a processed vertex (position and rhw first).
constexpr int diffuseOffset = 16;
constexpr int specularOffset = 20;
}  // namespace

std::uint16_t toOpacity(float opacity) {
    if (std::isnan(opacity))
        return 255;
    // nearbyint rounds ties to even in the default rounding mode.
    return static_cast<std::uint16_t>(std::nearbyint(std::clamp(opacity * 255.0f, 0.0f, 255.0f)));
}

void fadeVertex(unsigned char* vertex, unsigned opacity) {
    const auto fade = [opacity](unsigned char& byte) {
        byte = static_cast<unsigned char>((opacity * byte) >> 8);
    };
    fade(vertex[diffuseOffset + 3]);
    for (int i = 0; i < 3; ++i)
        fade(vertex[specularOffset + i]);
}

bool hasVertexColours(const MarkedVertexBuffer& buffer) {
    const int format = buffer.getDestinationVertexFormat();
    return (format & D3DFVF_POSITION_MASK) == D3DFVF_XYZRHW && (format & D3DFVF_DIFFUSE) &&
           (format & D3DFVF_SPECULAR);
}

void fadeMesh(D3DOneLevelRenderMesh& mesh, unsigned level) {
    MarkedVertexBuffer* buffer = mesh.getVertexBuffer();
    unsigned char* data =
        buffer && hasVertexColours(*buffer) ? buffer->lockDestinationBuffer(0) : nullptr;
    if (!data)
        return;
    const std::size_t stride = static_cast<std::size_t>(buffer->getDestinationVertexSize());
    for (int i = 0; i < buffer->getVertexTotal(); ++i)
        fadeVertex(data + static_cast<std::size_t>(i) * stride, level);
    buffer->unlockDestinationBuffer();
}

float sortDepth(RenderView* view, const D3DOneLevelRenderMesh& mesh) {
    // The world point of the box's centre, as the mesh sorts its own
    // translucent sets, so that both sort alike.
    const auto* d3dView = dynamic_cast<D3DRenderView*>(view);
    const Vector centre = mesh.getWorldMatrix() * mesh.getModelBox().center() + mesh.getWorldOffset();
    return d3dView ? d3dView->getZDepth(centre) : 0.0f;
}

TranslucentSets::TranslucentSets()
    : alphaSetState(MS_DIFFUSE_ALPHA), regularSetState(MS_DIFFUSE_ALPHA) {
    retest();
}

void TranslucentSets::retest() {
    if (status != STATUS_NOT_KNOWN || !theRenderStateManager)
        return;
    status = theRenderStateManager->checkState(MS_MODULATE_ALPHA);
    if (status == STATUS_SUPPORTED)
        alphaSetState = MS_MODULATE_ALPHA;
}

}  // namespace translucent
