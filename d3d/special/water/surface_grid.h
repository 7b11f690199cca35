// The grid shared by water and swamp: nodes placed on the spherical world
// over the surface cells of a map, the vertices of the surface nodes, the
// triangles between them and which nodes may move.
#pragma once

#include "../../random/seed.h"

#include <engine/types.h>

#include <cstdint>
#include <memory>
#include <vector>


namespace water {

struct GridNode {
    Vector position;  // placed, undisplaced
    Vector axisX, axisY, up;
    Vector diagonalA, diagonalB;  // axisX + axisY, axisX - axisY
    float texture1[2] = {0, 0};
    float texture2[2] = {0, 0};
    float height = 0.0f;
    float velocity = 0.0f;
    bool water = false;
    bool fixed = true;
    int vertex = -1;
};

// What a build needs besides the map.
struct GridLayout {
    int detail = 4;
    float texture1Scale[2] = {0, 0};
    float texture2Scale[2] = {0, 0};
    float texture1Random[2] = {0, 0};
    float texture2Random[2] = {0, 0};
};

// The map a surface was given, kept for rebuilding it.
struct MapCells {
    // Copies the width x height mask; a map without cells or mask, or too
    // large to be drawn at any detail, is kept empty (false).
    bool assign(int width, int height, const bool* mask);

    int width = 0;
    int height = 0;
    std::unique_ptr<bool[]> cells;
};

class SurfaceGrid {
public:
    // The most vertices 16-bit indices can reach.
    static constexpr int maxVertices = 65536;
    static constexpr long long maxNodes = 64LL * maxVertices;
    // Whether the nodes of a width x height map at `detail` stay within
    // maxNodes; checked before any memory is taken for them.
    static bool nodesFit(int width, int height, int detail);

    // Builds over the width x height mask. False (and an empty grid) when the
    // map or the detail is refused or the vertices would not fit 16 bits.
    bool build(int width, int height, const bool* mask, const GridLayout& layout,
               driver::random::MinimalUniformSeed& random);
    void clear();

    int getColumns() const { return columns; }
    int getRows() const { return rows; }
    int getVertexCount() const { return static_cast<int>(vertexList.size()); }
    int getIndexCount() const { return static_cast<int>(indices.size()); }
    const std::vector<std::uint16_t>& getIndices() const { return indices; }
    const std::vector<int>& getVertexList() const { return vertexList; }
    std::vector<GridNode>& getNodes() { return nodes; }
    const std::vector<GridNode>& getNodes() const { return nodes; }

    GridNode* node(int x, int y) {
        return x < 0 || y < 0 || x >= columns || y >= rows ? nullptr : &nodes[index(x, y)];
    }
    const GridNode* node(int x, int y) const {
        return x < 0 || y < 0 || x >= columns || y >= rows ? nullptr : &nodes[index(x, y)];
    }
    // The height of a node, 0 outside the grid.
    float heightAt(int x, int y) const {
        const GridNode* n = node(x, y);
        return n ? n->height : 0.0f;
    }
    int index(int x, int y) const { return y * columns + x; }

private:
    void placeNodes(int width, int height, const bool* mask, const GridLayout& layout,
                    driver::random::MinimalUniformSeed& random);
    void numberVertices();
    void makeTriangles();

    int columns = 0;
    int rows = 0;
    std::vector<GridNode> nodes;
    std::vector<int> vertexList;
    std::vector<std::uint16_t> indices;
};

}  // namespace water
