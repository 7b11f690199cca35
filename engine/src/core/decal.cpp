#include <engine/core/decal.h>
#include <engine/core/globals.h>
#include <engine/core/render_2d.h>
#include <engine/core/render_decal_factory.h>

#include <cmath>

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
    keyMesh.resize(4, 1, 4);
    keyMesh.setFlags(KeyMesh::HAS_TEXTURE_VERTICES);
    updateKeyMesh();
    if (theRenderDecalFactory)
        renderMesh = theRenderDecalFactory->createDecal3D(*this);
}

void Decal3D::setCorners(const Vector (&corners)[4]) {
    for (std::size_t i = 0; i < 4; ++i)
        keyMesh.vertices[i] = corners[i];
    updateKeyMesh();
}

const Vector& Decal3D::getCorner(int index) const {
    static const Vector none;
    return index >= 0 && index < 4 ? keyMesh.vertices[static_cast<std::size_t>(index)] : none;
}

void Decal3D::updateKeyMesh() {
    for (std::size_t i = 0; i < 4; ++i)
        keyMesh.textureVertices[i] = Vector2D(mapping[i].s, mapping[i].t);
    // Turned to the eye when the corners run clockwise on the screen.
    const std::vector<Vector>& v = keyMesh.vertices;
    const Vector normal = cross(v[2] - v[0], v[1] - v[0]);
    const float length = std::sqrt(dot(normal, normal));
    keyMesh.normals[0] = length > 0.0f ? normal * (1.0f / length) : Vector(0.0f, 0.0f, -1.0f);
    keyMesh.updateBox();
}

void Decal3D::render() {
    if (!renderMesh)
        return;
    // The mapping may have changed since the last frame; four vertices are
    // rewritten every time.
    updateKeyMesh();
    morphing.flags = MorphingInformation::GEOMETRY | MorphingInformation::NORMALS |
                     MorphingInformation::TEXTURE | MorphingInformation::MODEL_BOX |
                     MorphingInformation::FORCE;
    if (!transformSent) {
        // The corners are in world space.
        morphing.flags |= MorphingInformation::NEW_TRANSFORM;
        morphing.worldMatrix = &worldMatrix;
        morphing.worldOffset = &worldOffset;
        transformSent = true;
    }
    morphing.keys[0] = &keyMesh;
    morphing.weights[0] = 1.0f;
    morphing.keyCount = 1;
    morphing.clipFlags = MorphingInformation::CLIP_TEST;
    renderMesh->morph(&morphing);
    if (morphing.clipResult == 0)
        return;

    TransformInformation transforming;
    renderMesh->transform(&transforming);

    RenderInformation rendering;
    rendering.flags = RenderInformation::REGULAR | RenderInformation::ALPHA |
                      RenderInformation::DEFER_ALPHA;
    rendering.deferredKey = deferredKey;
    renderMesh->render(&rendering);
}

Decal3D::~Decal3D() {
    if (renderMesh && theRenderDecalFactory)
        theRenderDecalFactory->destroy(renderMesh);
}

RenderDecal2D::RenderDecal2D(Decal2D& decal) : key(decal.getDepth()), decal(&decal) {}
