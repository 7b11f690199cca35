// What the three mapping effects share: the texture they hold, the layout of
// the processed vertices they write coordinates into, and the second pass
// over the mesh's regular sets.
#pragma once

#include <d3d.h>

#include <string>

class D3DOneLevelRenderMesh;
class TextureInterface;

namespace mapping {

// The mapped texture: made by the texture manager and given back to it.
class MappedTexture {
public:
    MappedTexture() = default;
    ~MappedTexture();
    MappedTexture(const MappedTexture&) = delete;
    MappedTexture& operator=(const MappedTexture&) = delete;

    // Gives the held texture back and makes the named one; a file that is
    // not there leaves none, said once per name.
    void set(const std::string& name);
    TextureInterface* get() const { return texture; }
    explicit operator bool() const { return texture != nullptr; }

private:
    void release();

    TextureInterface* texture = nullptr;
    std::string missing;
};

// Byte offset of the diffuse colour in a vertex of format `fvf`.
int diffuseOffset(DWORD fvf);
// Byte offset of texture-coordinate set `set` in a vertex of format `fvf`.
int textureOffset(DWORD fvf, int set);
int textureSetCount(DWORD fvf);
// The same format with `sets` texture-coordinate sets.
DWORD withTextureSets(DWORD fvf, int sets);

// Makes the mesh's processed vertices hold set `set`: the buffer is made
// again with more sets and transformed once (lit). False when the buffer
// cannot be used.
bool ensureTextureSet(D3DOneLevelRenderMesh& mesh, int set);

// A mesh that needs clipping is transformed again (unlit) for current clip
// information, and its lit vertices are put back.
void refreshClipping(D3DOneLevelRenderMesh& mesh);

struct DrawOptions {
    bool noCullingForTwoSided = false;
    bool skipColorKeyed = false;
};
// Every regular set of the processed vertices once more, with the states
// in force.
void drawRegularSets(const D3DOneLevelRenderMesh& mesh, DrawOptions options);

// Chain priority of the spherical and planar effects' priority classes.
int priorityOfClass(int priorityClass);

// 0 .. 1 to 0 .. 256, rounded and clamped.
int alpha256(float alpha);
// Colour components clamped to 0 .. 1, times 255, truncated, as A R G B.
DWORD packTruncated(float red, float green, float blue, float alpha);
// Each byte of `color` times alpha / 256.
DWORD scaleColor(DWORD color, int alpha);

}  // namespace mapping
