#include "special/particles/sprite_settings.h"

#include <engine/config.h>

namespace sprites {

namespace {

template <typename T>
bool lookUp(const config::Block& block, const config::Block* fallback, const char* key, T* out) {
    return block.getProperty(key, out) || (fallback && fallback->getProperty(key, out));
}

}  // namespace

int renderingMode(const std::string& name) {
    static const char* const names[] = {"common", "spark", "dark", "alpha"};
    for (int mode = COMMON; mode <= ALPHA; ++mode)
        if (name == names[mode])
            return mode;
    return -1;
}

bool SpriteSettings::read(const config::Block& block, const config::Block* fallback) {
    const bool texture = lookUp(block, fallback, "textureName", &textureName);
    lookUp(block, fallback, "showTrace", &showTrace);
    lookUp(block, fallback, "radius", &radius);
    lookUp(block, fallback, "useParticleSize", &useParticleSize);
    lookUp(block, fallback, "useParticleSpace", &useParticleSpace);
    lookUp(block, fallback, "rotateWithCamera", &rotateWithCamera);
    lookUp(block, fallback, "sortParticles", &sortParticles);
    lookUp(block, fallback, "centerPosition", &centerPosition);
    lookUp(block, fallback, "zBias", &zBias);
    lookUp(block, fallback, "opacity", &opacity);
    lookUp(block, fallback, "affectSceneLight", &affectSceneLight);
    lookUp(block, fallback, "renderPriority", &renderPriority);
    std::string mode;
    if (lookUp(block, fallback, "rendering", &mode) && renderingMode(mode) >= 0)
        rendering = renderingMode(mode);
    return texture;
}

}  // namespace sprites
