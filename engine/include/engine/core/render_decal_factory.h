// The driver's factory of decals' render sides.
#pragma once

class Decal2D;
class Decal3D;
class RenderDecal2D;
class OneLevelRenderMeshInterface;

// Virtual operations in their binding slot order. Every product goes back to
// this factory.
class RenderDecalFactory {
public:
    virtual ~RenderDecalFactory() = default;
    virtual RenderDecal2D* createDecal2D(Decal2D& decal) = 0;
    virtual OneLevelRenderMeshInterface* createDecal3D(Decal3D& decal) = 0;
    virtual void destroy(RenderDecal2D* decal) = 0;
    virtual void destroy(OneLevelRenderMeshInterface* decal) = 0;
};
