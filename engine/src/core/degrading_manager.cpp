#include "engine/core/degrading_manager.h"

namespace {

bool knownOption(DegradingManager::Option option) {
    return option >= 0 && option < DegradingManager::OPTION_COUNT;
}

}  // namespace

std::uint32_t DegradingManager::neededBit(Option option) {
    // The driver builds its flags from the device's raster capabilities with
    // these bits; the ones in 0x25 are always present.
    switch (option) {
        case DITHERING:
            return 0x02;
        case SPECULAR:
            return 0x01;
        case ANTIALIASING:
            return 0x08;
        case SUB_PIXEL:
            return 0x10;
        case MIPMAPS:
            return 0x04;
        case ANISOTROPY:
            return 0x40;
        case W_BUFFER:
            return 0x80;
        case SHADOWS:
            return 0x01;
        case DETAIL_TEXTURES:
            return 0x04;
        case EFFECTS:
            return 0x20;
        case OPTION_COUNT:
            break;
    }
    return 0;
}

DegradingManager::DegradingManager() : capabilities_(&ownCapabilities_) {
    bindOptions();
}

DegradingManager::DegradingManager(const std::uint32_t* capabilityFlags)
    : capabilities_(capabilityFlags != nullptr ? capabilityFlags : &ownCapabilities_) {
    bindOptions();
}

DegradingManager::~DegradingManager() = default;

void DegradingManager::bindOptions() {
    for (int i = 0; i < OPTION_COUNT; ++i) {
        options_[i].value = 0;
        options_[i].neededBit = neededBit(static_cast<Option>(i));
        options_[i].capabilities = capabilities_;
    }
}

void DegradingManager::apply() {
    notifyListeners();
}

void DegradingManager::current() {
    notifyListeners();
}

bool DegradingManager::getOption(Option option) const {
    return knownOption(option) && options_[option].get();
}

bool DegradingManager::setOption(Option option, bool value) {
    if (!knownOption(option)) {
        return false;
    }
    options_[option].set(value);
    return true;
}

bool DegradingManager::setTextureQuality(int quality) {
    if (quality < minTextureQuality || quality > maxTextureQuality) {
        return false;
    }
    textureQuality_ = quality;
    return true;
}

bool DegradingManager::setQualityLevel(int level) {
    if (level < minQualityLevel || level > maxQualityLevel) {
        return false;
    }
    qualityLevel_ = level;
    return true;
}

void DegradingManager::registerListener(DegradingListener* listener) {
    listeners_.registerListener(listener);
}

void DegradingManager::unregisterListener(DegradingListener* listener) {
    listeners_.unregisterListener(listener);
}

void DegradingManager::notifyListeners() {
    listeners_.deliver(&DegradingListener::qualityChanged, this);
}
