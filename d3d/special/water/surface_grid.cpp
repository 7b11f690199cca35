#include "surface_grid.h"

#include <engine/core/spherical.h>

#include <algorithm>

namespace water {

namespace {

void jitter(float (&texture)[2], const float (&random)[2], int detail,
            driver::random::MinimalUniformSeed& generator) {
    const float r1 = generator.next();
    const float r2 = generator.next();
    texture[0] += random[0] * 0.5f - r2 * random[0] / detail;
    texture[1] += random[1] * 0.5f - r1 * random[1] / detail;
}

}  // namespace

bool MapCells::assign(int w, int h, const bool* mask) {
    width = height = 0;
    cells.reset();
    if (w <= 0 || h <= 0 || !mask || static_cast<long long>(w) * h > SurfaceGrid::maxNodes)
        return false;
    width = w;
    height = h;
    cells = std::make_unique<bool[]>(static_cast<std::size_t>(w) * h);
    std::copy(mask, mask + static_cast<std::size_t>(w) * h, cells.get());
    return true;
}

bool SurfaceGrid::nodesFit(int width, int height, int detail) {
    const long long nodeCount = (static_cast<long long>(width) * detail + 1) *
                                (static_cast<long long>(height) * detail + 1);
    return nodeCount <= maxNodes;
}

void SurfaceGrid::clear() {
    columns = rows = 0;
    nodes.clear();
    vertexList.clear();
    indices.clear();
}

bool SurfaceGrid::build(int width, int height, const bool* mask, const GridLayout& layout,
                        driver::random::MinimalUniformSeed& random) {
    clear();
    const int detail = layout.detail;
    if (width <= 0 || height <= 0 || !mask || detail <= 0)
        return false;
    // A map far beyond what 16-bit indices can draw is refused before any
    // memory is taken for it.
    if (!nodesFit(width, height, detail))
        return false;
    columns = width * detail + 1;
    rows = height * detail + 1;
    nodes.assign(static_cast<std::size_t>(columns) * rows, GridNode{});
    placeNodes(width, height, mask, layout, random);
    numberVertices();
    if (static_cast<int>(vertexList.size()) > maxVertices) {
        clear();
        return false;
    }
    indices.reserve(static_cast<std::size_t>(width) * height * 6 * detail * detail);
    makeTriangles();
    return true;
}

void SurfaceGrid::placeNodes(int width, int height, const bool* mask, const GridLayout& layout,
                             driver::random::MinimalUniformSeed& random) {
    const int detail = layout.detail;
    for (int y = 0; y < rows; ++y)
        for (int x = 0; x < columns; ++x) {
            GridNode& n = nodes[index(x, y)];
            n.fixed = true;
            if (x >= 1 && x < columns - 1 && y >= 1 && y < rows - 1 &&
                mask[(y / detail) * width + x / detail])
                for (int dy = 0; dy < 2; ++dy)
                    for (int dx = 0; dx < 2; ++dx)
                        nodes[index(x + dx, y + dy)].water = true;
            const float lx = float(x) / detail - width * 0.5f;
            const float ly = float(y) / detail - height * 0.5f;
            TMatrix placed;
            // Ground coordinates: x east, y north (the map's rows), z up.
            sphericalPlacement(TMatrix(), Vector(lx, ly, 0.0f), 1.0f, false, placed, n.position);
            n.axisX = placed.column(0);
            n.axisY = placed.column(1);
            n.up = placed.column(2);
            n.diagonalA = n.axisX + n.axisY;
            n.diagonalB = n.axisX - n.axisY;
            n.texture1[0] = lx * layout.texture1Scale[0];
            n.texture1[1] = ly * layout.texture1Scale[1];
            n.texture2[0] = lx * layout.texture2Scale[0];
            n.texture2[1] = ly * layout.texture2Scale[1];
            jitter(n.texture1, layout.texture1Random, detail, random);
            jitter(n.texture2, layout.texture2Random, detail, random);
        }
}

void SurfaceGrid::numberVertices() {
    const auto water = [this](int x, int y) {
        const GridNode* n = node(x, y);
        return n && n->water;
    };
    for (int y = 0; y < rows; ++y)
        for (int x = 0; x < columns; ++x) {
            GridNode& n = nodes[index(x, y)];
            if (!n.water)
                continue;
            n.vertex = static_cast<int>(vertexList.size());
            vertexList.push_back(index(x, y));
            if (x > 0 && x < columns - 1 && y > 0 && y < rows - 1) {
                bool inner = true;
                for (int dy = -1; dy <= 1 && inner; ++dy)
                    for (int dx = -1; dx <= 1 && inner; ++dx)
                        inner = water(x + dx, y + dy);
                n.fixed = !inner;
            }
        }
}

void SurfaceGrid::makeTriangles() {
    for (int y = 0; y + 1 < rows; ++y)
        for (int x = 0; x + 1 < columns; ++x) {
            const GridNode& a = nodes[index(x, y)];
            const GridNode& b = nodes[index(x, y + 1)];
            const GridNode& c = nodes[index(x + 1, y)];
            const GridNode& d = nodes[index(x + 1, y + 1)];
            if (!(a.water && b.water && c.water && d.water))
                continue;
            for (const GridNode* n : {&a, &b, &c, &b, &d, &c})
                indices.push_back(static_cast<std::uint16_t>(n->vertex));
        }
}

}  // namespace water
