// The effect gallery: the demo scene drawn once per special effect, that
// effect alone, each picture written as PNG with an index.html naming them.
#pragma once

#include <functional>
#include <vector>
#include <ostream>
#include <string>

class RenderDriver;

namespace viewer {

struct GallerySettings {
    float aspect = 4.0f / 3.0f;
    // Draws one frame.
    std::function<void()> drawFrame;
};

// Throws std::runtime_error when a picture cannot be drawn or written.
void writeGallery(RenderDriver& driver, const std::string& folder, const GallerySettings& settings,
                  std::ostream& out);

// 32-bit pixels 0xAARRGGBB, top row first, written as an RGB PNG.
bool writePng(const std::string& file, unsigned width, unsigned height,
              const std::vector<unsigned>& pixels);

}  // namespace viewer
