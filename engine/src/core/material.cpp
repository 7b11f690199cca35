#include "engine/core/material.h"

namespace {

bool validSlot(int index) {
    return index >= 0 && index < Material::textureCount;
}

}  // namespace

const Texture* Material::getTexture(int index) const {
    return validSlot(index) ? textures[index] : nullptr;
}

void Material::setTexture(int index, const Texture* texture) {
    if (validSlot(index))
        textures[index] = texture;
}
