// Particles drawn as camera-facing textured quads, written straight into the
// shared sprite buffer and drawn 128 at a time, with one of four blendings,
// optionally sorted far to near, faded by the vertex fog and lit by the scene.
#pragma once

#include "special/particles/sprite_settings.h"

#include <engine/core/deferred.h>
#include <engine/core/particles/particle_engine.h>
#include <engine/core/special_effect.h>
#include <engine/core/transformable.h>

#include <d3d.h>

#include <vector>

class D3DRenderView;
class TextureInterface;

class VBSpriteParticleVisualization : public particles::SpriteBasedParticleVisualizationInterface,
                                      public DeferredAlphaObjectInterface,
                                      public Transformable,
                                      public SpecialEffect {
public:
    VBSpriteParticleVisualization();
    ~VBSpriteParticleVisualization() override;

    void initialize(particles::ParticleBaseEngine* system) override;
    void configure(const config::Block& block, const config::Block* fallback) override;
    void render(const TMatrix& matrix, const Vector& offset) override;

    void setTextureName(const std::string& name) override;
    void setRadius(float radius) override { settings.radius = radius; }
    void setUseParticleSize(bool on) override { settings.useParticleSize = on; }
    void setUseParticleSpace(bool on) override { settings.useParticleSpace = on; }
    void setRotateWithCamera(bool on) override { settings.rotateWithCamera = on; }
    void setSortParticles(bool on) override { settings.sortParticles = on; }
    void setCenterPosition(const Vector& center) override { settings.centerPosition = center; }
    void setZBias(float bias) override { settings.zBias = bias; }
    void setOpacity(float opacity) override { settings.opacity = opacity; }
    void setAffectSceneLight(bool on) override { settings.affectSceneLight = on; }
    void setRenderPriority(int priority) override;
    bool setRendering(const std::string& mode) override;

    // Deferred drawing.
    void render() override;
    void transform() override {}

    const sprites::SpriteSettings& getSettings() const { return settings; }
    int getDrawnCount() const { return drawnCount; }
    float getFogFactor() const { return fogFactor; }
    TextureInterface* getTexture() const { return texture; }

private:
    // Draws the particles with the system's matrix, or its mirror image.
    class MirrorRenderer : public DeferredAlphaObjectInterface {
    public:
        explicit MirrorRenderer(VBSpriteParticleVisualization& owner) : owner(owner) {}
        void render() override;
        void transform() override {}

    private:
        VBSpriteParticleVisualization& owner;
    };

    void loadTexture();
    void releaseTexture();
    void draw(const TMatrix& matrix, const Vector& offset, bool mirrored);
    // The quads, written and drawn; false when the buffer failed.
    bool buildQuads(D3DRenderView& view, const TMatrix& matrix, const Vector& offset,
                    const TMatrix& cameraInSystem, const Color& factor);
    void setBlending();

    particles::ParticleBaseEngine* system = nullptr;
    sprites::SpriteSettings settings;
    TextureInterface* texture = nullptr;
    bool textureHasAlpha = false;
    bool textureRestored = false;
    bool missingTextureReported = false;
    float fogFactor = 1.0f;
    int drawnCount = 0;
    bool bufferAcquired = false;
    MirrorRenderer mirror{*this};
    std::vector<std::pair<float, const particles::Particle*>> order;
};
