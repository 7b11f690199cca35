// The configuration keys of sprite particle visualizations.
#pragma once

#include <string>

#include <engine/types.h>

namespace config {
class Block;
}

namespace sprites {

// The blending of the sprites, by their "rendering" names.
enum RenderingMode { COMMON = 0, SPARK = 1, DARK = 2, ALPHA = 3 };
// -1 for a name that is none of "common", "spark", "dark", "alpha".
int renderingMode(const std::string& name);

struct SpriteSettings {
    std::string textureName;
    bool showTrace = false;
    float radius = 0.05f;
    bool useParticleSize = false;
    bool useParticleSpace = false;
    bool rotateWithCamera = true;
    bool sortParticles = false;
    Vector centerPosition;
    float zBias = 0.0f;
    float opacity = 1.0f;
    bool affectSceneLight = false;
    int renderPriority = 17;
    int rendering = COMMON;

    // Each key is taken from `block`, or when absent there (or of another
    // type) from `fallback`; a key found in neither, or an unknown "rendering"
    // name, leaves the value as it was. True when "textureName" was read.
    bool read(const config::Block& block, const config::Block* fallback);
};

}  // namespace sprites
