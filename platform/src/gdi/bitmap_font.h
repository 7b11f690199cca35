// The built-in fixed-pitch font of GDI text: ASCII 32 to 126 in cells of
// 6 x 8 pixels. Each glyph is eight rows; bit 0x80 is the cell's left
// column (always clear, it spaces the characters).
#pragma once

#include <cstdint>

namespace platform::gdi {

inline constexpr int kCellWidth = 6;
inline constexpr int kCellHeight = 8;

// Rows of the glyph for `c`; characters without a glyph show as '?'.
const uint8_t* glyphRows(unsigned char c);

}  // namespace platform::gdi
