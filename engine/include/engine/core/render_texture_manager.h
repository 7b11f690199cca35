// RenderTextureManager: turns the engine's textures into the driver's render
// textures and makes them current.
#pragma once

class Texture;
class RenderTexture;

// Called by position: keep the slot order. The driver owns the manager; it is
// never deleted through this interface.
class RenderTextureManager {
public:
    virtual RenderTexture* createTexture(const Texture& texture) = 0;
    // Null is allowed.
    virtual void destroyTexture(RenderTexture* texture) = 0;
    // For stage 0, or for the given stage.
    virtual void setCurrentTexture(RenderTexture* texture) = 0;
    virtual void setCurrentTexture(RenderTexture* texture, int stage) = 0;

protected:
    RenderTextureManager() = default;
    RenderTextureManager(const RenderTextureManager&) = default;
    RenderTextureManager& operator=(const RenderTextureManager&) = default;
    ~RenderTextureManager() = default;
};
