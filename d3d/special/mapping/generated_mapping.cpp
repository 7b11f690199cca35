#include "special/mapping/generated_mapping.h"

#include "special/overdraw.h"

#include "rmesh.h"
#include "tmanager.h"

#include <typeinfo>

template <typename Interface>
void GeneratedMappingEffect<Interface>::setAlpha(float a) {
    alpha = mapping::alpha256(a);
    computed = false;
}

template <typename Interface>
void GeneratedMappingEffect<Interface>::setColor(float red, float green, float blue, float a) {
    color = mapping::packTruncated(red, green, blue, a);
}

template <typename Interface>
void GeneratedMappingEffect<Interface>::setMapping(const TMatrix& matrix, const Vector& vector) {
    mappingMatrix = matrix;
    mappingVector = vector;
    computed = false;
}

template <typename Interface>
void GeneratedMappingEffect<Interface>::setBaseSet(int set) {
    baseSet = set;
    textureSet = baseSet + (chained ? 1 : 0);
    computed = false;
}

template <typename Interface>
void GeneratedMappingEffect<Interface>::followChain() {
    RenderMeshInterface* below = getAttached();
    chained = below && typeid(*below) == typeid(*this)
                  ? dynamic_cast<GeneratedMappingEffect*>(below)
                  : nullptr;
    textureSet = baseSet + (chained ? 1 : 0);
}

template <typename Interface>
RenderMeshInterface* GeneratedMappingEffect<Interface>::attach(RenderMeshInterface* chain) {
    viewSeen = false;
    lastView = nullptr;
    computed = false;
    RenderMeshInterface* front = EffectiveRenderMesh::attach(chain);
    followChain();
    // Equal priorities go below the links already there, so the one above
    // may now stand on this one.
    if (EffectiveRenderMesh* upper = getAbove(); upper && typeid(*upper) == typeid(*this)) {
        auto* effect = dynamic_cast<GeneratedMappingEffect*>(upper);
        effect->followChain();
        effect->computed = false;
    }
    if (D3DOneLevelRenderMesh* mesh = driverMesh(*this))
        if ((listened = mesh->getVertexBuffer()))
            listened->addListener(this);
    return front;
}

template <typename Interface>
RenderMeshInterface* GeneratedMappingEffect<Interface>::detach(bool relink) {
    if (listened)
        listened->removeListener(this);
    listened = nullptr;
    if (chained)
        chained->invalidate();
    EffectiveRenderMesh* upper = getAbove();
    RenderMeshInterface* was = EffectiveRenderMesh::detach(relink);
    if (upper && typeid(*upper) == typeid(*this)) {
        auto* effect = dynamic_cast<GeneratedMappingEffect*>(upper);
        effect->followChain();
        effect->computed = false;
    }
    chained = nullptr;
    textureSet = baseSet;
    return was;
}

template <typename Interface>
void GeneratedMappingEffect<Interface>::prepareView(RenderView* view) {
    if (!viewSeen || view != lastView) {
        computed = false;
        lastView = view;
        viewSeen = true;
    }
    // The preparation may build the buffer again; that is no news to us.
    if (listened)
        listened->removeListener(this);
    EffectiveRenderMesh::prepareView(view);
    if (listened)
        listened->addListener(this);
}

template <typename Interface>
void GeneratedMappingEffect<Interface>::render(RenderInformation* info) {
    D3DOneLevelRenderMesh* mesh = driverMesh(*this);
    if (!info || !(info->flags & RenderInformation::REGULAR) || !texture || !drawsPass() || !mesh) {
        EffectiveRenderMesh::render(info);
        return;
    }
    beginRender();
    // Set 0 holds the effect's coordinates: the mesh's own texture cannot
    // be drawn with them.
    if (textureSet != 0) {
        RenderInformation regular = *info;
        regular.flags = RenderInformation::REGULAR;
        regular.pickRequest = false;
        EffectiveRenderMesh::render(&regular);
    }
    info->flags &= ~unsigned(RenderInformation::REGULAR);
    mapping::refreshClipping(*mesh);
    prepareCoordinates(*mesh);
    if (theRenderStateManager) {
        if (theD3DTextureManager)
            theD3DTextureManager->setTexture(texture.get(), 0);
        const bool alphaSelected =
            theRenderStateManager->getState(TSS_ALPHAOP, 0) == D3DTOP_SELECTARG2;
        StateScope scope;
        scope.set(TSS_TEXCOORDINDEX, 0, DWORD(textureSet));
        scope.set(TSS_ADDRESSU, 0, addressMode);
        scope.set(TSS_ADDRESSV, 0, addressMode);
        setBlendStates(scope, alphaSelected);
        mapping::drawRegularSets(*mesh, drawOptions());
    }
    EffectiveRenderMesh::render(info);
}

template class GeneratedMappingEffect<SphericalMappingEffectInterface>;
template class GeneratedMappingEffect<PlanarMappingEffectInterface>;
