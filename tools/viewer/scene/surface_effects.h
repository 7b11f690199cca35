// The demo's world surfaces: a pool of water with drops and a swamp beside
// it, laid over cells of the ground's 24 x 24 map. Both are asked of the
// driver's effect factory; a slot that makes nothing is skipped.
#pragma once

#include <engine/core/view.h>
#include <engine/core/water.h>

namespace scene {

class SurfaceEffects {
public:
    // The size of the map, in cells of one world unit, centred on the origin
    // as the ground is.
    static constexpr int mapSize = 24;

    // The surfaces of `which` (EFFECT_WATER, EFFECT_SWAMP of scene_effects.h),
    // registered with the view.
    SurfaceEffects(View& view, unsigned which);
    ~SurfaceEffects();
    SurfaceEffects(const SurfaceEffects&) = delete;
    SurfaceEffects& operator=(const SurfaceEffects&) = delete;

    // The surfaces made (scene_effects.h bits).
    unsigned made() const;

    // The cells of each: the water's pool and the swamp beside it.
    static CellMask waterCells();
    static CellMask swampCells();

private:
    void add(MapSurfaceInterface* surface, const CellMask& cells, float lift);

    View& view;
    WaterInterface* water = nullptr;
    SwampInterface* swamp = nullptr;
};

}  // namespace scene
