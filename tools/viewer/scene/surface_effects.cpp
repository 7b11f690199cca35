#include "surface_effects.h"

#include "scene_effects.h"

#include <engine/core/globals.h>

#include <cmath>

namespace scene {

namespace {

// Cells whose centre lies within the ellipse round (cx, cz) in world units.
CellMask ellipse(float cx, float cz, float rx, float rz) {
    constexpr int n = SurfaceEffects::mapSize;
    CellMask mask(n, n);
    for (int row = 0; row < n; ++row)
        for (int column = 0; column < n; ++column) {
            // Row r runs at z = n / 2 - r - 0.5 through its cells' centres.
            const float x = column - n * 0.5f + 0.5f;
            const float z = n * 0.5f - row - 0.5f;
            const float u = (x - cx) / rx;
            const float v = (z - cz) / rz;
            mask.set(column, row, u * u + v * v <= 1.0f);
        }
    return mask;
}

}  // namespace

CellMask SurfaceEffects::waterCells() {
    // Between the camera's usual path and the column, clear of the glass pool.
    return ellipse(3.4f, -1.7f, 1.9f, 1.7f);
}

CellMask SurfaceEffects::swampCells() {
    return ellipse(-0.6f, -4.8f, 2.3f, 1.5f);
}

SurfaceEffects::SurfaceEffects(View& v, unsigned which) : view(v) {
    RenderSpecialEffectFactory* factory = theRenderSpecialEffectFactory;
    if (!factory)
        return;
    // The ground is flat where the surfaces bend with the world: lifted a
    // little, the water's troughs and the swamp's lowest layer stay above it.
    if ((which & EFFECT_WATER) && (water = factory->createWater()))
        add(water, waterCells(), 0.3f);
    if ((which & EFFECT_SWAMP) && (swamp = factory->createSwamp()))
        add(swamp, swampCells(), 0.06f);
}

void SurfaceEffects::add(MapSurfaceInterface* surface, const CellMask& cells, float lift) {
    surface->setLocalOffset(Vector(0.0f, lift, 0.0f));
    surface->initialize(cells.getWidth(), cells.getHeight(), cells.data());
    view.registerObject(surface);
}

SurfaceEffects::~SurfaceEffects() {
    for (MapSurfaceInterface* surface :
         {static_cast<MapSurfaceInterface*>(water), static_cast<MapSurfaceInterface*>(swamp)})
        if (surface) {
            view.unregisterObject(surface);
            surface->release();
            surface->requestDeletion();
        }
}

unsigned SurfaceEffects::made() const {
    return (water ? EFFECT_WATER : 0u) | (swamp ? EFFECT_SWAMP : 0u);
}

}  // namespace scene
