// Render textures, maps and materials: the engine's textures and materials
// turned once into device objects and made current every frame.
#pragma once

#include "driver.h"
#include "image_container.h"
#include "thread/synchronized.h"

#include <engine/core/render_material_manager.h>
#include <engine/core/render_texture_manager.h>
#include <engine/core/texture.h>

#include <d3d.h>

#include <cstddef>
#include <vector>

class Material;
class RenderView;
class TextureInterface;

// ===========================================================================
// Maps and textures
// ===========================================================================

// One frame image: a texture of the texture manager, given back to it when
// the map dies.
class RenderMap {
public:
    // A shared texture made and restored for stage 0; null when the texture
    // manager gives none. `index` (the frame's) is not needed.
    static RenderMap* load(const char* name, int index, int mode);

    RenderMap() = default;
    explicit RenderMap(TextureInterface* texture);
    ~RenderMap();
    RenderMap(const RenderMap&) = delete;
    RenderMap& operator=(const RenderMap&) = delete;

    // Takes the texture over; a different one held before is given back.
    void setTexture(TextureInterface* texture);
    // Shows a texture that stays its owner's (a render image's): it is never
    // given back by this map. Null clears the map.
    void borrowTexture(TextureInterface* texture);
    TextureInterface* getTexture() const { return texture; }
    bool hasAlpha() const { return alpha; }
    // ALPHA_NONE without a texture or image.
    AlphaFormat getAlphaFormat() const;
    void makeCurrent(int stage) const;

private:
    void release();

    bool alpha = false;
    TextureInterface* texture = nullptr;
    bool owned = true;
};

// An animated sequence of maps, one per frame of the engine's texture.
class RenderTexture {
public:
    // Maps in frame order; a frame that cannot be loaded leaves a null map.
    explicit RenderTexture(const Texture& texture);
    ~RenderTexture();
    RenderTexture(const RenderTexture&) = delete;
    RenderTexture& operator=(const RenderTexture&) = delete;

    // Restarts the animation clock.
    void activate(RenderView& view);
    void deactivate(RenderView& view);

    // Binds the frame due now and sets the stage's addressing from the tiling.
    void makeCurrent(int stage);

    // The frame due now, from the paused render timer.
    int currentFrame() const;
    // Frame `frame` counted from the start, folded into `count` maps as the
    // animation type wants. Unknown types loop; a negative frame is frame 0.
    static int selectFrame(long long frame, int count, int animationType);
    // Frames elapsed after `seconds` at `rate`, rounded as the FPU conversion
    // of the product less 0.4997; 0 when negative or not a number.
    static long long elapsedFrames(double seconds, float rate);

    void setTextureTilingType(TextureTilingType type) { tilingType = type; }
    TextureTilingType getTilingType() const { return tilingType; }
    const std::vector<RenderMap*>& getMaps() const { return maps; }
    // A map that stays its caller's: it must be removed again before this
    // texture dies. Removing a map not in the list does nothing.
    void appendMap(RenderMap* map);
    void removeMap(RenderMap* map);
    bool hasAlpha() const { return alpha != 0; }
    float getStartTime() const { return startTime; }
    const Texture* getSource() const { return source; }

private:
    float startTime = 0.0f;
    const Texture* source;
    TextureTilingType tilingType;
    std::vector<RenderMap*> maps;  // owned; null for a frame not loaded
    int alpha = 0;
};

class D3DRenderTextureManager final : public RenderTextureManager {
public:
    D3DRenderTextureManager() = default;
    ~D3DRenderTextureManager() = default;
    D3DRenderTextureManager(const D3DRenderTextureManager&) = delete;
    D3DRenderTextureManager& operator=(const D3DRenderTextureManager&) = delete;

    RenderTexture* createTexture(const Texture& texture) override;
    void destroyTexture(RenderTexture* texture) override;
    // Null is ignored.
    void setCurrentTexture(RenderTexture* texture) override;
    void setCurrentTexture(RenderTexture* texture, int stage) override;
};

// ===========================================================================
// Materials
// ===========================================================================

class RenderMaterial {
public:
    static constexpr int textureCount = 5;

    // Makes the Direct3D material on the driver's device and the render
    // textures of the material's slots.
    explicit RenderMaterial(const Material& material);
    // Takes the material off the device first if it is current there.
    ~RenderMaterial();
    RenderMaterial(const RenderMaterial&) = delete;
    RenderMaterial& operator=(const RenderMaterial&) = delete;

    bool hasAlpha() const { return alpha; }
    bool hasSpecular() const { return data.power > 0.0f; }
    const D3DMATERIAL& getData() const { return data; }
    // Five entries, null where the material has no texture.
    RenderTexture* const* getTextures() const { return textures; }
    D3DMATERIALHANDLE getHandle() const { return handle; }
    IDirect3DMaterial3* getMaterial() const { return material; }
    const Material* getSource() const { return source; }
    // Whether a Direct3D material is held (false between invalidate and
    // restore, or when it could not be made).
    bool isValid() const { return material != nullptr; }

    void makeCurrentMaterial() const;
    // The texture of slot 1, or the white sample texture so that untextured
    // materials draw through the same modulating stage.
    void makeCurrentTexture(int stage) const;

    // Around a change of device: the Direct3D material is released and made
    // again from the kept values, with a new handle.
    void invalidate();
    void restore();

private:
    void createDeviceMaterial();

    const Material* source;
    IDirect3DMaterial3* material = nullptr;
    D3DMATERIAL data;
    D3DMATERIALHANDLE handle = 0;
    RenderTexture* textures[textureCount] = {};  // owned
    bool alpha = false;
};

class D3DRenderMaterialManager final : public RenderMaterialManager,
                                       public thread::SynchronizedObject {
public:
    D3DRenderMaterialManager();
    // Deletes the materials the engine left and releases the default one.
    ~D3DRenderMaterialManager();
    D3DRenderMaterialManager(const D3DRenderMaterialManager&) = delete;
    D3DRenderMaterialManager& operator=(const D3DRenderMaterialManager&) = delete;

    RenderMaterial* createMaterial(const Material& material) override;
    // Null and materials of no manager are ignored.
    void destroyMaterial(RenderMaterial* material) override;
    // Null is ignored.
    void setCurrentMaterial(RenderMaterial* material) override;

    // Once per device, from the video mode's start and end.
    void createDefaultMaterial();
    void setDefaultMaterial();
    void destroyDefaultMaterial();
    D3DMATERIALHANDLE getDefaultHandle() const { return defaultHandle; }
    const D3DMATERIAL& getDefaultData() const { return defaultData; }

    // Takes the material off the device when it is the current one.
    void flushMaterial(const RenderMaterial* material);
    // Around a mode change or lost surfaces.
    void invalidateAll();
    void restoreAll();

    std::size_t getMaterialCount() const;

private:
    std::vector<RenderMaterial*> materials;  // owned
    IDirect3DMaterial3* defaultMaterial = nullptr;
    D3DMATERIAL defaultData;
    D3DMATERIALHANDLE defaultHandle = 0;
    bool closing = false;
};

extern D3DDRIVER_API D3DRenderTextureManager* theD3DRenderTextureManager;
extern D3DDRIVER_API D3DRenderMaterialManager* theD3DRenderMaterialManager;
