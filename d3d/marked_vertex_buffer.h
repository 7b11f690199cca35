// The vertices of one render mesh in a pair of Direct3D vertex buffers:
// untransformed vertices copied from the key mesh, and the transformed (and
// lit) vertices that every draw reads. Each strip and fan is marked regular
// or translucent and laid out contiguously, sorted by material.
#pragma once

#include "driver.h"

#include <engine/core/key_mesh.h>

#include <d3d.h>

#include <cstdint>
#include <vector>

class D3DOneLevelRenderMesh;
class RenderMaterial;

// Told when the Direct3D buffers go away and when they are rebuilt; effects
// that lock the buffers themselves listen.
class MarkedVertexBufferListener {
public:
    virtual void turnToValid() {}
    virtual void turnToInvalid() {}

protected:
    MarkedVertexBufferListener() = default;
    MarkedVertexBufferListener(const MarkedVertexBufferListener&) = default;
    MarkedVertexBufferListener& operator=(const MarkedVertexBufferListener&) = default;
    ~MarkedVertexBufferListener() = default;
};

// For each source element, the buffer vertices that copy it: the buffer
// vertices of element i are list[start[i]] .. list[start[i] + count[i] - 1].
struct VertexBufferEntries {
    struct Block {
        std::vector<std::int16_t> count;
        std::vector<std::int16_t> start;
        std::vector<std::int16_t> list;
    };
    Block geometry;
    Block normals;
    Block textures;
};

class MarkedVertexBuffer : public MarkedVertexBufferListener {
public:
    enum Kind { KIND_OPAQUE = 0, KIND_COLORKEY = 1, KIND_TRANSLUCENT = 3 };

    // One strip or fan.
    struct SetEntry {
        std::int32_t setIndex;
        std::int32_t material;
        std::int32_t vertexCount;
        std::int32_t firstVertex;
        std::uint8_t twoSided;
        std::int32_t primitiveType;  // D3DPT_TRIANGLESTRIP or D3DPT_TRIANGLEFAN
        std::int32_t kind;
    };
    // A run of sets in buffer order whose materials are equal.
    struct MaterialBatch {
        std::int32_t material;
        std::int32_t firstVertex;
        std::int32_t vertexCount;
    };

    MarkedVertexBuffer(const D3DOneLevelRenderMesh& mesh, const BaseKeyMesh& keyMesh,
                       int sourceFormat, int destinationFormat);
    ~MarkedVertexBuffer();
    MarkedVertexBuffer(const MarkedVertexBuffer&) = delete;
    MarkedVertexBuffer& operator=(const MarkedVertexBuffer&) = delete;

    static int getVertexSize(int format);

    const std::vector<SetEntry>& getSetIndices() const { return setIndices; }
    const std::vector<SetEntry>& getAlphaSetIndices() const { return alphaSetIndices; }
    const std::vector<SetEntry>& getRegularSetIndices() const { return regularSetIndices; }
    // Lets the owner turn culling off or on for regular entry i.
    void setRegularTwoSided(int i, bool twoSided);
    const std::vector<MaterialBatch>& getMaterialBatches() const { return materialBatches; }
    int getVertexTotal() const { return vertexTotal; }
    int getSourceVertexFormat() const { return sourceFormat; }
    int getDestinationVertexFormat() const { return destinationFormat; }
    int getSourceVertexSize() const { return sourceVertexSize; }
    int getDestinationVertexSize() const { return destinationVertexSize; }
    IDirect3DVertexBuffer* getSource() const { return source; }
    IDirect3DVertexBuffer* getDestination() const { return destination; }

    bool isValid() const { return valid; }
    // Rebuilds invalid buffers; the listeners hear of every attempt.
    void validate();
    void recreate(int newSourceFormat, int newDestinationFormat);

    void addListener(MarkedVertexBufferListener* listener);
    void removeListener(MarkedVertexBufferListener* listener);
    void turnToValid() override;
    void turnToInvalid() override;

    // Rewrites source vertices from a key mesh: flags 0x1 positions,
    // 0x2 normals, 0x4 texture coordinates.
    void update(const KeyMesh& key, unsigned int flags);
    void updateGeometryAndNormalVertices(const KeyMesh& key, unsigned char* data) const;
    void updateGeometryVertices(const KeyMesh& key, unsigned char* data) const;
    void updateNormalVertices(const KeyMesh& key, unsigned char* data) const;
    void updateTetxureVertices(const KeyMesh& key, unsigned char* data) const;

    void transform();
    void transformAndLight();

    void renderRegularSet(int i);
    void renderAlphaSet(int i);
    void renderRegularSet();
    void renderAlphaSet();

    // Null when not valid or the lock fails.
    unsigned char* lockSourceBuffer(int flags);
    unsigned char* lockDestinationBuffer(int flags);
    void unlockSourceBuffer();
    void unlockDestinationBuffer();

    void createEntries(VertexBufferEntries* entries) const;

    // Whether two materials of the mesh's set draw the same.
    bool equalMaterials(int first, int second) const;

private:
    enum Part { GEOMETRY = 0x1, NORMALS = 0x2, TEXTURE = 0x4 };

    void classify();
    void sortLists();
    void layOut();
    bool restore();
    bool fill();
    bool lostSurfaceWrapper(long result);
    IDirect3DVertexBuffer* createBuffer(int format) const;
    // Writes the chosen parts of every set's vertices into locked source memory.
    void copyVertices(const KeyMesh& key, unsigned char* data, unsigned parts) const;
    void draw(const SetEntry& entry, bool colorKeyed);
    const RenderMaterial* renderMaterial(int material) const;
    bool textured(int material) const;
    bool twoSided(int material) const;

    std::vector<MarkedVertexBufferListener*> listeners;
    std::int32_t vertexTotal = 0;
    bool valid = false;
    IDirect3DVertexBuffer* source = nullptr;
    IDirect3DVertexBuffer* destination = nullptr;
    std::vector<SetEntry> setIndices;
    std::vector<SetEntry> alphaSetIndices;
    std::vector<SetEntry> regularSetIndices;
    std::vector<int> stripPositions;
    std::vector<int> fanPositions;
    std::vector<MaterialBatch> materialBatches;
    std::int32_t sourceVertexSize = 0;
    std::int32_t sourceFormat = 0;
    std::int32_t destinationVertexSize = 0;
    std::int32_t destinationFormat = 0;
    const BaseKeyMesh& keyMesh;
    const D3DOneLevelRenderMesh& mesh;
};
