#include "surface_settings.h"

#include <engine/core/degrading_manager.h>
#include <engine/core/globals.h>

#include <vector>

namespace water {

namespace {

bool pairFrom(const config::Block& where, const char* key, float (&out)[2]) {
    const config::Property* property = nullptr;
    if (!where.getPropertyAccess(key, &property) || !property)
        return false;
    std::vector<float> values;
    if (!property->get(&values) || values.size() != 2)
        return false;
    out[0] = values[0];
    out[1] = values[1];
    return true;
}

}  // namespace

const char* SurfaceSettings::blockName(int qualityLevel) {
    static const char* const names[] = {"low", "normal", "high", "extra"};
    return qualityLevel >= 0 && qualityLevel < 4 ? names[qualityLevel] : nullptr;
}

SurfaceSettings::SurfaceSettings(const std::string& path, int qualityLevel) {
    found = file.readFile(path);
    if (const char* name = blockName(qualityLevel))
        if (!file.getPropertyAccess(name, &block))
            block = nullptr;
}

const config::Block& SurfaceSettings::where(const char* key) const {
    const config::Property* property = nullptr;
    if (block && block->getPropertyAccess(key, &property) && property)
        return *block;
    return file;
}

bool SurfaceSettings::readPair(const char* key, float (&out)[2]) const {
    return pairFrom(where(key), key, out);
}

void SurfaceSettings::readGrid(int* detail, float* minHeight, float* maxHeight) const {
    int level = *detail;
    if (read("detail", &level) && level > 0)
        *detail = level;
    float low = *minHeight;
    float high = *maxHeight;
    read("minHeight", &low);
    read("maxHeight", &high);
    if (low <= high) {
        *minHeight = low;
        *maxHeight = high;
    }
}

int currentQualityLevel() {
    return theDegradingManager ? theDegradingManager->getQualityLevel()
                               : DegradingManager::maxQualityLevel;
}

}  // namespace water
