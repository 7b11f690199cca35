// The driver's halo: a screen-aligned sprite over a point of the scene that
// fades in while the halo manager finds the point visible and out while it
// does not, sized and brightened by the point's depth.
#pragma once

#include <engine/core/deferred.h>
#include <engine/core/halo.h>

#include <d3d.h>

class TextureInterface;

class SpriteHalo : public SpriteHaloInterface {
public:
    // With `clipTest` false the halo is always shown.
    explicit SpriteHalo(bool clipTest = true);
    ~SpriteHalo() override;

    // Per view: places the point and has it tested, or hides it behind the
    // horizon.
    void render(RenderView& view) override;

    void show() override { visible = true; }
    void hide() override { visible = false; }
    const Vector& getPosition() const override { return placedPosition; }

    void enable() override { enabled = true; }
    void disable() override { enabled = false; }
    void setTexture(const char* imageName) override;
    void setSizeNear(float size) override { sizeNear = size; }
    void setSizeFar(float size) override { sizeFar = size; }
    void setBrightness(float value) override { brightness = value; }
    void setColor(const Color& value) override { color = value; }
    void setSphericalPlacement(bool on) override { sphericalPlacement = on; }
    void setFadeInSpeed(float speed) override { fadeInSpeed = speed; }
    void setFadeOutSpeed(float speed) override { fadeOutSpeed = speed; }
    void setNearDepth(float value) override;
    void setFarDepth(float value) override;
    void setPeakDepth(float value) override;
    void setMinimum(float value) override { minimum = value; }
    void setClipTest(bool test) override { alwaysShown = !test; }

    bool isVisible() const { return visible; }
    float getFade() const { return fade; }
    float getPower() const { return power; }
    // The last draw's results.
    float getIntensity() const { return intensity; }
    float getScreenX() const { return screenX; }
    float getScreenY() const { return screenY; }
    float getDepth() const { return depth; }

private:
    class DeferredPart : public DeferredAlphaObjectInterface {
    public:
        explicit DeferredPart(SpriteHalo& owner) : owner(owner) {
            deferredKey = -2;
            depth = 0.0f;
        }
        void render() override { owner.draw(); }
        void transform() override {}

    private:
        SpriteHalo& owner;
    };

    void draw();
    void updatePower();
    void releaseTexture();
    void queue();

    float sizeNear = 0.05f;
    float sizeFar = 0.01f;
    float brightness = 1.0f;
    TextureInterface* texture = nullptr;
    bool textureRestored = false;  // its stage made on the device by setTexture
    bool enabled = true;
    bool visible = false;
    bool sphericalPlacement = false;
    float fade = 0.0f;
    float screenX = 0.0f;
    float screenY = 0.0f;
    float depth = 0.0f;
    float fadeInSpeed = 4.0f;
    float fadeOutSpeed = 4.0f;
    float nearDepth = 1.0f;
    float farDepth = 100.0f;
    float peakDepth = 10.0f;
    float minimum = 0.0f;
    float power = 1.0f;
    float intensity = 0.0f;
    Vector placedPosition;
    Color color{1.0f, 1.0f, 1.0f, 1.0f};
    bool alwaysShown = false;
    DeferredPart deferred{*this};
};
