// Texture: the engine's description of a surface image, one file per frame,
// with its tiling and animation.
#pragma once

#include <string>
#include <vector>

// Which texture coordinates repeat; the others clamp at the edges.
enum TextureTilingType {
    TILING_NONE = 0,
    TILING_U = 1,
    TILING_V = 2,
    TILING_UV = TILING_U | TILING_V
};

enum TextureAnimationType {
    ANIMATION_LOOP = 0,
    ANIMATION_BACK_AND_FORTH = 1,
    ANIMATION_ONCE = 2
};

class Texture {
public:
    Texture() = default;
    // One frame, or one per name, in order.
    explicit Texture(const std::string& frameName);
    explicit Texture(std::vector<std::string> frameNames);

    int getFrameCount() const { return static_cast<int>(frames.size()); }
    // Null outside 0 ... count - 1.
    const char* getFrameName(int index) const;
    void addFrame(const std::string& name) { frames.push_back(name); }

    // The texture.cfg mode the frames are made with.
    int getMode() const { return mode; }
    void setMode(int value) { mode = value; }

    TextureTilingType getTilingType() const { return tilingType; }
    void setTilingType(TextureTilingType type) { tilingType = type; }

    // A TextureAnimationType; other values are kept as given.
    int getAnimationType() const { return animationType; }
    void setAnimationType(int type) { animationType = type; }

    // Frames per second.
    float getFrameRate() const { return frameRate; }
    void setFrameRate(float rate) { frameRate = rate; }

private:
    std::vector<std::string> frames;
    int mode = 0;
    TextureTilingType tilingType = TILING_UV;
    int animationType = ANIMATION_LOOP;
    float frameRate = 1.0f;
};
