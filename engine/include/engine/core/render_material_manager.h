// RenderMaterialManager: turns the engine's materials into the driver's
// render materials and makes them current.
#pragma once

class Material;
class RenderMaterial;

// Called by position: keep the slot order. The driver owns the manager; it is
// never deleted through this interface.
class RenderMaterialManager {
public:
    virtual RenderMaterial* createMaterial(const Material& material) = 0;
    virtual void destroyMaterial(RenderMaterial* material) = 0;
    virtual void setCurrentMaterial(RenderMaterial* material) = 0;

protected:
    RenderMaterialManager() = default;
    RenderMaterialManager(const RenderMaterialManager&) = default;
    RenderMaterialManager& operator=(const RenderMaterialManager&) = default;
    ~RenderMaterialManager() = default;
};
