// Screen lines: axis-aligned bars over the bounding box of their end points,
// filled on the render surface at the end of a frame.
#pragma once

#include "driver.h"

#include <engine/core/render_2d.h>

#include <ddraw.h>
#include <windows.h>

class Line;

class D3DDRIVER_API D3DRenderLine : public RenderLine {
public:
    explicit D3DRenderLine(Line& line) : RenderLine(line) {}

    // Onto the driver's render surface, scaled to its viewport.
    void render() override;

    // The filled rectangle on a viewport of width x height pixels; right and
    // bottom edges excluded.
    RECT bar(int width, int height) const;
};
