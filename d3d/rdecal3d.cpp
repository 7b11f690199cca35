#include "rdecal3d.h"

#include "rimage.h"

#include <engine/core/decal.h>

#include <memory>

namespace {

// The render texture in the slot the driver draws of the mesh's first
// material; null when the mesh has no render material.
RenderTexture* firstMaterialTexture(const D3DOneLevelRenderMesh& mesh) {
    const std::vector<RenderMaterial*>& materials = mesh.getRenderMaterials();
    if (materials.empty() || !materials.front())
        return nullptr;
    return materials.front()->getTextures()[1];
}

D3DRenderImage3D* renderImageOf(const Decal3D& decal) {
    Image* image = decal.getImage();
    return image ? dynamic_cast<D3DRenderImage3D*>(image->getRenderImage()) : nullptr;
}

}  // namespace

void D3DDeferredAlphaDecal::render() {
    if (getMesh() && getMesh()->getVertexBuffer())
        getMesh()->getVertexBuffer()->renderRegularSet();
}

D3DRenderDecal3D::D3DRenderDecal3D(Decal3D& decal, const BaseKeyMesh& keyMesh)
    : D3DOneLevelRenderMesh(0, keyMesh), decal(decal) {
    decalTexture = firstMaterialTexture(*this);
    if (decalTexture)
        decalTexture->appendMap(&decalMap);
    replaceDeferredAlphaObject(std::make_unique<D3DDeferredAlphaDecal>(this));
}

D3DRenderDecal3D::~D3DRenderDecal3D() {
    if (decalTexture)
        decalTexture->removeMap(&decalMap);
    decalMap.borrowTexture(nullptr);
}

void D3DRenderDecal3D::morph(const KeyMesh& key, unsigned int flags) {
    D3DOneLevelRenderMesh::morph(key, flags);
}

unsigned D3DRenderDecal3D::adjustRenderFlags(unsigned flags, bool alpha) {
    if (!alpha)
        return flags & ~(RenderInformation::ALPHA | RenderInformation::DEFER_ALPHA);
    // A translucent decal is drawn either at once or in the alpha pass,
    // never both.
    flags &= ~RenderInformation::REGULAR;
    if ((flags & RenderInformation::ALPHA) && !(flags & RenderInformation::DEFER_ALPHA))
        flags |= RenderInformation::REGULAR;
    return flags;
}

void D3DRenderDecal3D::render(RenderInformation* info) {
    if (!info)
        return;
    D3DRenderImage3D* image = renderImageOf(decal);
    decalMap.borrowTexture(image ? image->getTextureInterface() : nullptr);
    hasAlphaFlag = image && image->hasAlpha();
    if (decalTexture)
        decalTexture->setTextureTilingType(decal.getTextureTilingType());
    getVertexBuffer()->setRegularTwoSided(0, decal.isDoubleSided());
    info->flags = adjustRenderFlags(info->flags, hasAlphaFlag);
    D3DOneLevelRenderMesh::render(info);
}
