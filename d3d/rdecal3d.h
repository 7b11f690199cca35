// 3D decals: a textured quadrilateral in the scene, drawn as a one-level
// mesh on the decal factory's base key mesh whose texture shows the decal's
// 3D image.
#pragma once

#include "driver.h"
#include "rmesh.h"
#include "rtexture.h"

class Decal3D;

// Draws the decal's set in the sorted alpha pass: a decal's set is always a
// regular one, whatever its image.
class D3DDeferredAlphaDecal : public D3DDeferredAlphaMesh {
public:
    explicit D3DDeferredAlphaDecal(D3DOneLevelRenderMesh* mesh) : D3DDeferredAlphaMesh(mesh) {}

    void render() override;
};

class D3DRenderDecal3D : public D3DOneLevelRenderMesh {
public:
    // `keyMesh` is the factory's base decal key mesh.
    D3DRenderDecal3D(Decal3D& decal, const BaseKeyMesh& keyMesh);
    // Takes the decal's map out of the material's texture first.
    ~D3DRenderDecal3D() override;

    using D3DOneLevelRenderMesh::morph;
    void morph(const KeyMesh& key, unsigned int flags) override;
    // Binds the image, sets tiling and sidedness, and sends a translucent
    // decal to the alpha pass instead of drawing it with the opaque ones.
    void render(RenderInformation* info) override;

    Decal3D& getBaseDecal() const { return decal; }
    bool hasAlpha() const { return hasAlphaFlag; }
    const RenderMap& getDecalMap() const { return decalMap; }
    // The material's texture that shows the decal map; null without one.
    RenderTexture* getDecalTexture() const { return decalTexture; }

    // The render flags a decal draws with, from what the engine asked.
    static unsigned adjustRenderFlags(unsigned flags, bool alpha);

private:
    Decal3D& decal;
    RenderMap decalMap;
    bool hasAlphaFlag = false;
    RenderTexture* decalTexture = nullptr;
};
