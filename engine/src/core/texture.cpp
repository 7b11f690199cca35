#include "engine/core/texture.h"

#include <utility>

Texture::Texture(const std::string& frameName) : frames{frameName} {}

Texture::Texture(std::vector<std::string> frameNames) : frames(std::move(frameNames)) {}

const char* Texture::getFrameName(int index) const {
    if (index < 0 || index >= getFrameCount())
        return nullptr;
    return frames[static_cast<size_t>(index)].c_str();
}
