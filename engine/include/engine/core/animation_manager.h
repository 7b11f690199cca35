// The engine's animation manager, as far as the driver uses it: the level of
// detail factor that scales the distances at which meshes lose detail.
#pragma once

class AnimationManager {
public:
    // 1 at start; read and written from any thread.
    static float getLODFactor();
    static void setLODFactor(float factor);
};
