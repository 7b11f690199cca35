// World surfaces laid over the cells of a map: water and swamp. The engine
// gives each the size of its map and a cell mask, registers it with its views
// and releases it before it is destroyed.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "engine/core/render_object.h"
#include "engine/core/special_effect.h"

// A map's cells, row by row: true where the surface lies. The map is centred
// on the world's origin in ground coordinates (spherical.h), one world unit
// per cell: column c spans x = c - width / 2 .. c + 1 - width / 2 (east) and
// row r spans y = r - height / 2 .. r + 1 - height / 2 (north, that is -z of
// the flat plane).
class CellMask {
public:
    CellMask() = default;
    CellMask(int width, int height);
    // One string per row, `cell` marking a surface cell; rows of different
    // lengths give an empty mask.
    static CellMask fromRows(const std::vector<std::string>& rows, char cell = '#');

    int getWidth() const { return width; }
    int getHeight() const { return height; }
    bool empty() const { return width == 0 || height == 0; }
    // Outside the map: false (and nothing set).
    bool get(int x, int y) const;
    void set(int x, int y, bool on);
    // width x height booleans, as the surfaces' initialize takes them; null
    // for an empty mask.
    const bool* data() const { return cells.get(); }

private:
    int width = 0;
    int height = 0;
    std::unique_ptr<bool[]> cells;
};

class MapSurfaceInterface : public RenderObject, public SpecialEffect {
public:
    // Called by position: keep the slot order (after RenderObject's).
    // The map's size in cells and its width x height mask, row by row. A
    // refused map (no cells, no mask, too many vertices) leaves the surface
    // unbuilt: it draws nothing.
    virtual void initialize(int width, int height, const bool* mask) = 0;
    // Gives back everything the last initialize made.
    virtual void release() = 0;
};

class WaterInterface : public MapSurfaceInterface {};
class SwampInterface : public MapSurfaceInterface {};
