// Material: the engine's description of how a surface takes the light, and
// the textures laid over it. The textures are not owned.
#pragma once

#include "engine/types.h"

class Texture;

class Material {
public:
    static constexpr int textureCount = 5;

    enum Flags : unsigned {
        // The material's colour replaces white as diffuse and ambient colour.
        USE_COLOR = 1u << 0
    };

    unsigned getFlags() const { return flags; }
    void setFlags(unsigned value) { flags = value; }

    const Color& getEmissive() const { return emissive; }
    void setEmissive(const Color& value) { emissive = value; }
    const Color& getColor() const { return color; }
    void setColor(const Color& value) { color = value; }
    const Color& getSpecular() const { return specular; }
    void setSpecular(const Color& value) { specular = value; }

    // 0 dull ... 1 most shiny.
    float getShininess() const { return shininess; }
    void setShininess(float value) { shininess = value; }

    // Null for an empty slot or an index outside 0 ... textureCount - 1.
    const Texture* getTexture(int index) const;
    // An index outside the slots changes nothing.
    void setTexture(int index, const Texture* texture);

private:
    unsigned flags = 0;
    Color emissive{0.0f, 0.0f, 0.0f, 1.0f};
    Color color{1.0f, 1.0f, 1.0f, 1.0f};
    Color specular{0.0f, 0.0f, 0.0f, 1.0f};
    float shininess = 0.0f;
    const Texture* textures[textureCount] = {};
};
