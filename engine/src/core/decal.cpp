#include <engine/core/decal.h>
#include <engine/core/globals.h>
#include <engine/core/render_2d.h>
#include <engine/core/render_decal_factory.h>

Decal::Decal(Image* image) : image(image) {
    mapping[0] = {0.0f, 0.0f};
    mapping[1] = {1.0f, 0.0f};
    mapping[2] = {0.0f, 1.0f};
    mapping[3] = {1.0f, 1.0f};
}

void Decal::setMapping(int corner, float s, float t) {
    if (corner < 0 || corner >= static_cast<int>(mapping.size()))
        return;
    mapping[static_cast<std::size_t>(corner)] = {s, t};
}

Decal2D::Decal2D(Image2D* image, float x, float y, float width, float height,
                 float logicalWidth, float logicalHeight)
    : Decal(image),
      x(x),
      y(y),
      width(width),
      height(height),
      logicalWidth(logicalWidth),
      logicalHeight(logicalHeight) {
    if (theRenderDecalFactory)
        renderDecal = theRenderDecalFactory->createDecal2D(*this);
}

Decal2D::~Decal2D() {
    if (renderDecal && theRenderDecalFactory)
        theRenderDecalFactory->destroy(renderDecal);
}

void Decal2D::setPosition(float newX, float newY) {
    x = newX;
    y = newY;
}

void Decal2D::setDepth(std::int32_t value) {
    depth = value;
    if (renderDecal)
        renderDecal->setKey(value);
}

Decal3D::Decal3D(Image3D* image, TextureTilingType tiling, bool doubleSided)
    : Decal(image), tiling(tiling), doubleSided(doubleSided) {
    if (theRenderDecalFactory)
        renderMesh = theRenderDecalFactory->createDecal3D(*this);
}

Decal3D::~Decal3D() {
    if (renderMesh && theRenderDecalFactory)
        theRenderDecalFactory->destroy(renderMesh);
}

RenderDecal2D::RenderDecal2D(Decal2D& decal) : key(decal.getDepth()), decal(&decal) {}
