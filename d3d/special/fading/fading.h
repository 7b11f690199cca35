// A coloured, optionally textured and animated rectangle drawn over the
// picture in the deferred alpha phase: fades to a colour and overlays.
#pragma once

#include "../../texture_interface.h"

#include <engine/core/deferred.h>
#include <engine/core/effect_interfaces.h>

#include <d3d.h>

#include <vector>

class FadingEffect : public FadingEffectInterface {
public:
    // The flag is the factory's; every fading effect is drawn the same way.
    explicit FadingEffect(bool fromFactory = true);
    ~FadingEffect() override;
    FadingEffect(const FadingEffect&) = delete;
    FadingEffect& operator=(const FadingEffect&) = delete;

    void update(float) override {}
    void reset() override {}
    void render(RenderView& view) override;

    void setAlpha(float alpha) override;
    void setColor(const Color& color) override;
    void setTextures(const std::vector<std::string>& names) override;
    void setTag(int value) override { tag = value; }
    void setAnimationMode(int mode) override { animationMode = mode; }
    void setFrameRate(float framesPerSecond) override { frameRate = framesPerSecond; }
    void setStartTime(float time) override { startTime = time; }
    void setTextureTransform(const TMatrix& matrix, const Vector& offset) override;
    void setBlendMode(int mode) override { blendMode = mode; }
    void setDeferredKey(int key) override { deferred.deferredKey = key - 1000; }
    void setRectangle(float x, float y, float width, float height) override;

    // The frame of `count` shown `elapsed` seconds after the start, or -1
    // when the frame number falls outside the list.
    static int frameFor(float elapsed, float frameRate, int count, int mode);
    // The deferred draw.
    void draw();

    DWORD getColor() const { return color; }
    int getTag() const { return tag; }
    int getDeferredKey() const { return deferred.deferredKey; }
    const int* getRectangle() const { return rectangle; }
    std::size_t getTextureCount() const { return textures.size(); }
    TextureInterface* getTexture(std::size_t i) const { return textures[i]; }

private:
    class Deferred : public DeferredAlphaObjectInterface {
    public:
        explicit Deferred(FadingEffect& owner) : owner(owner) {}
        void render() override { owner.draw(); }
        void transform() override {}

    private:
        FadingEffect& owner;
    };

    void releaseTextures();

    DWORD color = 0;
    std::vector<TextureInterface*> textures;
    int tag = 0;
    int animationMode = 0;
    float frameRate = 0.0f;
    float startTime = 0.0f;
    TMatrix textureMatrix;
    Vector textureOffset;
    int blendMode = 0;
    int rectangle[4] = {0, 0, 0, 0};
    Deferred deferred{*this};
};
