// Reading a surface's configuration file: the keys are looked up in the
// block of the engine's quality level, then at the top level of the file; a
// key found nowhere, or of the wrong type where it is found, leaves the
// member as it was.
#pragma once

#include <engine/config.h>

#include <string>

namespace water {

class SurfaceSettings {
public:
    // Quality levels 0 to 3 name the blocks "low", "normal", "high" and
    // "extra"; any other level, or a missing block, reads the top level.
    SurfaceSettings(const std::string& path, int qualityLevel);

    // The level's block name, or null for a level outside 0 to 3.
    static const char* blockName(int qualityLevel);

    template <typename T>
    bool read(const char* key, T* out) const {
        return where(key).getProperty(key, out);
    }
    // A list of exactly two numbers; anything else is ignored.
    bool readPair(const char* key, float (&out)[2]) const;

    bool fileRead() const { return found; }

    // The grid keys both surfaces share: "detail" (kept unless positive) and
    // "minHeight"/"maxHeight" (both kept when the minimum is above the maximum).
    void readGrid(int* detail, float* minHeight, float* maxHeight) const;

private:
    // The level's block when it holds the key (with whatever value), else the
    // top level.
    const config::Block& where(const char* key) const;

    config::Config file;
    config::Block* block = nullptr;
    bool found = false;
};

// The engine's current quality level (the highest without a degrading
// manager).
int currentQualityLevel();

}  // namespace water
