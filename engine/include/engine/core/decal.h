// Decals: a part of an image placed on the screen (2D) or on a quadrilateral
// in the scene (3D). Each asks the driver's decal factory for its render side
// when made and gives it back when destroyed.
#pragma once

#include <engine/core/image.h>
#include <engine/core/key_mesh.h>
#include <engine/core/render_mesh.h>
#include <engine/core/render_mesh_shell.h>
#include <engine/core/texture.h>
#include <engine/core/tmatrix.h>

#include <array>
#include <cstdint>

class RenderDecal2D;
class OneLevelRenderMeshInterface;

// A texture coordinate pair of one decal corner.
struct DecalMappingPoint {
    float s = 0.0f;
    float t = 0.0f;
};

// Corners in the order top left, top right, bottom left, bottom right.
using DecalMapping = std::array<DecalMappingPoint, 4>;

class Decal {
public:
    virtual ~Decal() = default;
    Decal(const Decal&) = delete;
    Decal& operator=(const Decal&) = delete;

    // Not owned; null when the decal shows nothing.
    Image* getImage() const { return image; }

    // Shows the whole image unless told otherwise.
    const DecalMapping& getMapping() const { return mapping; }
    void setMapping(int corner, float s, float t);

protected:
    explicit Decal(Image* image);

    Image* image;
    DecalMapping mapping;
};

// Placed in logical screen coordinates: (x, y, width, height) on a screen
// of logicalWidth x logicalHeight, whatever the video mode's pixel size.
class Decal2D : public Decal {
public:
    Decal2D(Image2D* image, float x, float y, float width, float height, float logicalWidth,
            float logicalHeight);
    ~Decal2D() override;

    float getX() const { return x; }
    float getY() const { return y; }
    float getWidth() const { return width; }
    float getHeight() const { return height; }
    float getScreenLogicalWidth() const { return logicalWidth; }
    float getScreenLogicalHeight() const { return logicalHeight; }
    void setPosition(float newX, float newY);

    // Decals of a larger depth are drawn first, so lower ones end on top.
    std::int32_t getDepth() const { return depth; }
    void setDepth(std::int32_t value);

    // Null without a decal factory.
    RenderDecal2D* getRenderDecal() const { return renderDecal; }

private:
    float x, y, width, height;
    float logicalWidth, logicalHeight;
    std::int32_t depth = 0;
    RenderDecal2D* renderDecal = nullptr;
};

// A textured quadrilateral in the scene, given by its four corners in world
// space (in the mapping's corner order). The driver's renderMesh draws it:
// unlit, in the image's own colours, and in the alpha pass when the image
// has alpha.
class Decal3D : public Decal, public RenderMeshShellInterface {
public:
    Decal3D(Image3D* image, TextureTilingType tiling, bool doubleSided);
    ~Decal3D() override;

    TextureTilingType getTextureTilingType() const { return tiling; }
    bool isDoubleSided() const { return doubleSided; }

    // Front side: the corners run clockwise as seen on the screen.
    void setCorners(const Vector (&corners)[4]);
    const Vector& getCorner(int index) const;
    // The positions and texture coordinates given to the mesh each frame.
    const KeyMesh& getKeyMesh() const { return keyMesh; }

    // Null when the driver could not make the mesh.
    OneLevelRenderMeshInterface* getRenderMesh() const { return renderMesh; }
    void setDeferredKey(int key) { deferredKey = key; }

    // Morph, transform and render of the mesh; nothing when culled.
    void render() override;
    bool wasCulled() const { return morphing.clipResult == 0; }

private:
    // Corners and mapping into the key mesh.
    void updateKeyMesh();

    TextureTilingType tiling;
    bool doubleSided;
    OneLevelRenderMeshInterface* renderMesh = nullptr;
    KeyMesh keyMesh;
    MorphingInformation morphing;
    TMatrix worldMatrix;
    Vector worldOffset;
    bool transformSent = false;
    int deferredKey = 0;
};
