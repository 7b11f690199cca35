// TextureContainer: one texture of the engine, its source image with any
// hand-reduced versions, and per texture stage a Direct3D texture surface
// made from it, which can be thrown away and made again at any time.
#pragma once

#include "image_container.h"
#include "surface_storage.h"
#include "texture_interface.h"
#include "thread/synchronized.h"

#include <d3d.h>
#include <ddraw.h>

#include <array>
#include <memory>
#include <string>
#include <vector>

// How the textures of one configured mode are made.
struct TextureMode {
    bool mipmaps = false;
    // Halvings per textureScaleFactor value; a short list repeats its last.
    std::vector<int> qualities{0};
};

class TextureContainer final : public TextureInterface, public thread::SynchronizedObject {
public:
    static constexpr int stageCount = 8;
    static constexpr int fileLevels = 11;    // level 0 and ten hand-reduced ones
    static constexpr int customLevels = 10;

    TextureContainer() = default;
    // Logs an error when references or restores of stage 0 are left.
    ~TextureContainer();
    TextureContainer(const TextureContainer&) = delete;
    TextureContainer& operator=(const TextureContainer&) = delete;

    // The first call reads (or, with `associate`, binds for reading on
    // demand) the image and its hand-reduced levels "<dir>/<n>/<file>"; every
    // successful call counts a reference. False when level 0 cannot be had.
    bool create(const char* name, int mode, bool associate);
    // The first call makes a zeroed width x height image.
    bool create(int width, int height, AlphaFormat format, int mode);
    // Drops a reference; the last one deletes the images.
    bool destroy();

    // TextureInterface. restore takes the driver's current DirectDraw and
    // device; the arguments are not used.
    bool restore(IDirectDraw4* directDraw, IDirect3DDevice3* device, int stage,
                 bool dynamic) override;
    bool invalidate(int stage) override;
    IDirectDrawSurface4* getSurface(int stage) override;
    IDirect3DTexture2* getTexture(int stage) override;
    DDSURFACEDESC2& getDescription(int stage) override;
    const char* getName() override { return name; }
    bool hasAlpha() override;
    int getImageWidth() override;
    int getImageHeight() override;
    int getTextureWidth(int stage) override;
    int getTextureHeight(int stage) override;
    // Stage 0's surface into its storage, and back.
    bool backup() override;
    bool recover() override;
    ImageContainer* getImage() override { return images.empty() ? nullptr : images[0].get(); }

    // Makes the surface of a stage that is not valid again.
    bool validate(int stage);
    // Every stage in use; true when all are valid.
    bool validate();
    // Every stage in use made anew, valid or not.
    bool recreate();

    // A name not starting with '/' is taken from the current resource path.
    void setName(const char* text);

    int getRestored(int stage) const;
    int getReferences() const { return references; }
    bool isValid(int stage) const;
    const TextureMode& getMode() const { return mode; }
    // The hand-reduced image of a level, or null.
    ImageContainer* getLevel(int level) const;
    // One line of the statistics text; returns the bytes of its surfaces.
    unsigned long describe(std::string& text);

    // Bytes (pitch x height of the top level) of every texture surface.
    static unsigned long getTexturesSize();

private:
    friend class D3DTextureManager;  // keeps restore counts across remakes

    struct Stage {
        IDirectDrawSurface4* surface = nullptr;
        IDirect3DTexture2* texture = nullptr;
        SurfaceStorage storage;
        DDSURFACEDESC2 description{};
        int restored = 0;
        bool valid = false;
        bool dynamic = false;
    };

    static bool validStage(int stage) { return stage >= 0 && stage < stageCount; }
    void loadLevels(const char* fileName, bool associate);
    void deleteImages();
    void releaseStage(int stage);
    bool makeStage(int stage);
    bool remakeStage(int stage);
    void setRestored(int stage, int count) { stages[stage].restored = count; }

    std::vector<std::unique_ptr<ImageContainer>> images;
    std::array<Stage, stageCount> stages;
    char name[260] = {};
    int references = 0;
    TextureMode mode;
};
