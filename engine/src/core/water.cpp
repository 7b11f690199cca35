#include "engine/core/water.h"

CellMask::CellMask(int w, int h) {
    if (w <= 0 || h <= 0)
        return;
    width = w;
    height = h;
    cells = std::make_unique<bool[]>(static_cast<std::size_t>(w) * h);
}

CellMask CellMask::fromRows(const std::vector<std::string>& rows, char cell) {
    if (rows.empty())
        return {};
    const std::size_t w = rows.front().size();
    for (const std::string& row : rows)
        if (row.size() != w)
            return {};
    CellMask mask(static_cast<int>(w), static_cast<int>(rows.size()));
    for (int y = 0; y < mask.height; ++y)
        for (int x = 0; x < mask.width; ++x)
            mask.set(x, y, rows[y][x] == cell);
    return mask;
}

bool CellMask::get(int x, int y) const {
    if (x < 0 || y < 0 || x >= width || y >= height)
        return false;
    return cells[static_cast<std::size_t>(y) * width + x];
}

void CellMask::set(int x, int y, bool on) {
    if (x < 0 || y < 0 || x >= width || y >= height)
        return;
    cells[static_cast<std::size_t>(y) * width + x] = on;
}
