// D3DTextureManager: owns every texture and plain surface, shares them by
// full name, keeps the lists that let every surface be thrown away and made
// again, binds textures to the stages without redundant calls, and preloads
// the textures that "/Configs/texture.cfg" names.
#pragma once

#include "driver.h"
#include "surface_container.h"
#include "texture_container.h"
#include "thread/synchronized.h"

#include <engine/config.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

class D3DTextureManager : public thread::SynchronizedObject {
public:
    // Reads "/Configs/texture.cfg" and its "TextureCache" preloads.
    D3DTextureManager();
    // Deletes every container still held.
    ~D3DTextureManager();
    D3DTextureManager(const D3DTextureManager&) = delete;
    D3DTextureManager& operator=(const D3DTextureManager&) = delete;

    // By name: images are associated and read on demand. A cached texture is
    // shared by every creation of the same full name; the container is
    // returned even when its image could not be had.
    TextureInterface* createTexture(const char* name, bool cached, int mode);
    SurfaceInterface* createSurface(const char* name, bool cached);
    // By size, never shared; null when the image cannot be made.
    TextureInterface* createTexture(int width, int height, AlphaFormat format, int mode);
    SurfaceInterface* createSurface(int width, int height);
    // An unshared container is deleted; a shared one only loses a reference
    // and stays cached for the next creation. Unknown pointers are ignored.
    void destroyTexture(TextureInterface* texture);
    void destroySurface(SurfaceInterface* surface);

    // Binds unless the stage holds the texture already (render thread).
    void setTexture(TextureInterface* texture, int stage);
    // Unbinds the stages unconditionally.
    void flushTextures(int first, int count);
    void flushTexture(int stage);
    // Unbinds every stage that holds this texture.
    void flushTexture(TextureInterface* texture);
    // A 1 x 1 white texture with alpha 0, made for the stage on first use.
    TextureInterface* getSampleTexture(int stage, AlphaFormat format);

    // Preloads made and restored for stage 0; released again.
    void initVideoMode();
    void termVideoMode();
    // Retries every container whose surface could not be made.
    void initFrame();
    void termFrame() {}

    void addInvalidTexture(TextureContainer* texture);
    void addInvalidSurface(SurfaceContainer* surface);
    void removeInvalidTexture(TextureContainer* texture);
    void removeInvalidSurface(SurfaceContainer* surface);
    bool isInvalid(const TextureContainer* texture) const;
    bool isInvalid(const SurfaceContainer* surface) const;

    // Every container made anew after surfaces were lost; true when all are.
    bool checkAll();
    // Around a change of device: every surface in use released, then made
    // again, with the restore counts kept.
    void invalidateAll();
    void restoreAll();
    // The same for the textures only (scale factor or mipmaps changed).
    void recreateTextures();

    unsigned long getTexturesSize() const;
    unsigned long getSurfacesSize() const;
    // Appends the statistics text of the texture statistics dialog.
    void getStatistic(std::string& text);
    void saveAll();

    TextureMode getTextureMode(int mode) const;

    struct Preload {
        TextureInterface* texture = nullptr;
        std::string name;  // full name
        int mode = 0;
    };
    const std::vector<Preload>& getPreloads() const { return preloads; }

    static constexpr int stageCount = TextureContainer::stageCount;

private:
    void readPreloads();
    void readEntry(const config::Block& entry, int defaultMode);
    template <typename Container>
    std::vector<Container*> snapshot(const std::vector<Container*>& list) const;
    void invalidateTextures();
    void restoreTextures();
    static void invalidateTexture(TextureContainer* texture);
    static void restoreTexture(TextureContainer* texture);
    static void invalidateSurface(SurfaceContainer* surface);
    static void restoreSurface(SurfaceContainer* surface);

    std::map<std::string, TextureContainer*> textureCache;
    std::map<std::string, SurfaceContainer*> surfaceCache;
    std::vector<TextureContainer*> textures;
    std::vector<SurfaceContainer*> surfaces;
    TextureInterface* stageTextures[stageCount] = {};
    config::Config configuration;
    std::vector<Preload> preloads;
    std::map<std::pair<int, int>, TextureInterface*> sampleTextures;
    // Guarded by a lock of their own: containers register from inside their
    // own lock, which must not wait for the manager's.
    thread::SynchronizedObject invalidLock;
    std::vector<SurfaceContainer*> invalidSurfaces;
    std::vector<TextureContainer*> invalidTextures;
};

extern D3DDRIVER_API D3DTextureManager* theD3DTextureManager;

// A name beginning with '/' as it is; any other after the current resource
// path. The key of the caches and the containers' own names.
std::string fullTextureName(const char* name);
