#include "marked_vertex_buffer.h"

#include "rmesh.h"
#include "rtexture.h"
#include "states.h"

#include <algorithm>
#include <cstring>

namespace {

// Source layout: position at 0, normal at 12, texture coordinates at 24.
constexpr int positionOffset = 0;
constexpr int normalOffset = 12;
constexpr int textureOffset = 24;

constexpr DWORD lockForWriting = DDLOCK_WAIT | DDLOCK_WRITEONLY;

AlphaFormat slotOneAlphaFormat(const RenderMaterial& material) {
    const RenderTexture* texture = material.getTextures()[1];
    if (!texture || texture->getMaps().empty() || !texture->getMaps()[0])
        return ALPHA_NONE;
    return texture->getMaps()[0]->getAlphaFormat();
}

template <typename T>
bool inRange(int index, const std::vector<T>& array) {
    return index >= 0 && index < static_cast<int>(array.size());
}

}  // namespace

// ===========================================================================
// Construction
// ===========================================================================

MarkedVertexBuffer::MarkedVertexBuffer(const D3DOneLevelRenderMesh& mesh,
                                       const BaseKeyMesh& keyMesh, int sourceFormat,
                                       int destinationFormat)
    : sourceVertexSize(getVertexSize(sourceFormat)),
      sourceFormat(sourceFormat),
      destinationVertexSize(getVertexSize(destinationFormat)),
      destinationFormat(destinationFormat),
      keyMesh(keyMesh),
      mesh(mesh) {
    classify();
    sortLists();
    layOut();
    valid = restore();
}

MarkedVertexBuffer::~MarkedVertexBuffer() {
    if (source)
        source->Release();
    if (destination)
        destination->Release();
}

int MarkedVertexBuffer::getVertexSize(int format) {
    int size = 0;
    if (format & D3DFVF_XYZ)
        size += 12;
    if (format & D3DFVF_XYZRHW)
        size += 16;
    if (format & D3DFVF_NORMAL)
        size += 12;
    if (format & D3DFVF_DIFFUSE)
        size += 4;
    if (format & D3DFVF_SPECULAR)
        size += 4;
    size += 8 * ((format & 0xF00) >> 8);
    return size;
}

const RenderMaterial* MarkedVertexBuffer::renderMaterial(int material) const {
    const std::vector<RenderMaterial*>& materials = mesh.getRenderMaterials();
    return inRange(material, materials) ? materials[static_cast<size_t>(material)] : nullptr;
}

bool MarkedVertexBuffer::textured(int material) const {
    const BaseKeyMesh::MaterialSet& set = keyMesh.getMaterialSet(mesh.getMaterialSet());
    return inRange(material, set) && (set[static_cast<size_t>(material)].flags & MeshMaterial::TEXTURED);
}

bool MarkedVertexBuffer::twoSided(int material) const {
    const BaseKeyMesh::MaterialSet& set = keyMesh.getMaterialSet(mesh.getMaterialSet());
    return inRange(material, set) && (set[static_cast<size_t>(material)].flags & MeshMaterial::TWO_SIDED);
}

bool MarkedVertexBuffer::equalMaterials(int first, int second) const {
    if (first == second)
        return true;
    const RenderMaterial* a = renderMaterial(first);
    const RenderMaterial* b = renderMaterial(second);
    if (!a || !b)
        return a == b;
    if (a->getSource() == b->getSource())
        return true;
    const D3DMATERIAL& x = a->getData();
    const D3DMATERIAL& y = b->getData();
    return std::memcmp(&x.diffuse, &y.diffuse, sizeof x.diffuse) == 0 &&
           std::memcmp(&x.ambient, &y.ambient, sizeof x.ambient) == 0 &&
           std::memcmp(&x.specular, &y.specular, sizeof x.specular) == 0 &&
           std::memcmp(&x.emissive, &y.emissive, sizeof x.emissive) == 0 && x.power == y.power;
}

void MarkedVertexBuffer::classify() {
    const auto add = [this](const std::vector<MeshSet>& sets, D3DPRIMITIVETYPE type) {
        for (size_t i = 0; i < sets.size(); ++i) {
            const MeshSet& set = sets[i];
            SetEntry entry{};
            entry.setIndex = static_cast<std::int32_t>(i);
            entry.material = set.material;
            entry.vertexCount = set.vertexCount();
            entry.twoSided = twoSided(set.material) ? 1 : 0;
            entry.primitiveType = type;
            const RenderMaterial* material = renderMaterial(set.material);
            const bool alpha = material && material->hasAlpha();
            const bool colorKeyed = alpha && slotOneAlphaFormat(*material) == ALPHA_COLORKEY;
            if (alpha && !colorKeyed) {
                entry.kind = KIND_TRANSLUCENT;
                alphaSetIndices.push_back(entry);
            } else {
                entry.kind = colorKeyed ? KIND_COLORKEY : KIND_OPAQUE;
                regularSetIndices.push_back(entry);
            }
        }
    };
    add(keyMesh.getStrips(), D3DPT_TRIANGLESTRIP);
    add(keyMesh.getFans(), D3DPT_TRIANGLEFAN);
}

void MarkedVertexBuffer::sortLists() {
    // Equal materials sort as their lowest equal index, so that the order is
    // a strict weak one even when equality and index order disagree.
    const int materialCount = static_cast<int>(mesh.getRenderMaterials().size());
    std::vector<int> representative(static_cast<size_t>(materialCount));
    for (int i = 0; i < materialCount; ++i) {
        representative[static_cast<size_t>(i)] = i;
        for (int j = 0; j < i; ++j)
            if (equalMaterials(i, j)) {
                representative[static_cast<size_t>(i)] = j;
                break;
            }
    }
    const auto rank = [&](int material) {
        return material >= 0 && material < materialCount
                   ? representative[static_cast<size_t>(material)]
                   : material;
    };
    const auto before = [&](const SetEntry& a, const SetEntry& b) {
        const bool keyedA = a.kind == KIND_COLORKEY;
        const bool keyedB = b.kind == KIND_COLORKEY;
        if (keyedA != keyedB)
            return keyedA;
        return rank(a.material) < rank(b.material);
    };
    std::sort(regularSetIndices.begin(), regularSetIndices.end(), before);
    std::sort(alphaSetIndices.begin(), alphaSetIndices.end(), before);
}

void MarkedVertexBuffer::layOut() {
    stripPositions.assign(static_cast<size_t>(keyMesh.getStripCount()), 0);
    fanPositions.assign(static_cast<size_t>(keyMesh.getFanCount()), 0);
    MaterialBatch open{0, 0, 0};
    const auto place = [&](SetEntry& entry) {
        entry.firstVertex = vertexTotal;
        std::vector<int>& positions =
            entry.primitiveType == D3DPT_TRIANGLESTRIP ? stripPositions : fanPositions;
        positions[static_cast<size_t>(entry.setIndex)] = static_cast<int>(setIndices.size());
        setIndices.push_back(entry);
        vertexTotal += entry.vertexCount;
        if (open.vertexCount != 0 && equalMaterials(open.material, entry.material)) {
            open.vertexCount += entry.vertexCount;
            return;
        }
        if (open.vertexCount != 0)
            materialBatches.push_back(open);
        open = {entry.material, entry.firstVertex, entry.vertexCount};
    };
    for (SetEntry& entry : regularSetIndices)
        place(entry);
    for (SetEntry& entry : alphaSetIndices)
        place(entry);
    if (open.vertexCount != 0)
        materialBatches.push_back(open);
}

// ===========================================================================
// Direct3D buffers
// ===========================================================================

IDirect3DVertexBuffer* MarkedVertexBuffer::createBuffer(int format) const {
    IDirect3D3* direct3D = theD3DRenderDriver ? theD3DRenderDriver->getDirect3D() : nullptr;
    if (!direct3D)
        return nullptr;
    D3DVERTEXBUFFERDESC description{};
    description.dwSize = sizeof description;
    description.dwCaps = D3DVBCAPS_SYSTEMMEMORY;
    description.dwFVF = static_cast<DWORD>(format);
    description.dwNumVertices = static_cast<DWORD>(vertexTotal > 0 ? vertexTotal : 1);
    IDirect3DVertexBuffer* buffer = nullptr;
    if (FAILED(direct3D->CreateVertexBuffer(&description, &buffer, 0, nullptr)))
        return nullptr;
    return buffer;
}

bool MarkedVertexBuffer::restore() {
    if (source)
        source->Release();
    if (destination)
        destination->Release();
    source = nullptr;
    destination = nullptr;
    source = createBuffer(sourceFormat);
    if (!source)
        return false;
    destination = createBuffer(destinationFormat);
    if (!destination)
        return false;
    return fill();
}

bool MarkedVertexBuffer::fill() {
    void* data = nullptr;
    if (FAILED(source->Lock(lockForWriting, &data, nullptr)) || !data)
        return false;
    auto* bytes = static_cast<unsigned char*>(data);
    const KeyMesh* current = mesh.getCurrentKeyMesh();
    copyVertices(current ? *current : keyMesh.getKeyMesh(), bytes, GEOMETRY | NORMALS);
    copyVertices(keyMesh.getKeyMesh(), bytes, TEXTURE);
    return SUCCEEDED(source->Unlock());
}

bool MarkedVertexBuffer::lostSurfaceWrapper(long result) {
    if (result == 0)
        return valid;
    // Whatever failed, the buffers are rebuilt by the next validate().
    valid = false;
    turnToInvalid();
    return false;
}

void MarkedVertexBuffer::validate() {
    if (valid)
        return;
    valid = restore();
    turnToValid();
}

void MarkedVertexBuffer::recreate(int newSourceFormat, int newDestinationFormat) {
    sourceFormat = newSourceFormat;
    sourceVertexSize = getVertexSize(newSourceFormat);
    destinationFormat = newDestinationFormat;
    destinationVertexSize = getVertexSize(newDestinationFormat);
    valid = false;
    turnToInvalid();
    validate();
}

void MarkedVertexBuffer::addListener(MarkedVertexBufferListener* listener) {
    listeners.push_back(listener);
}

void MarkedVertexBuffer::removeListener(MarkedVertexBufferListener* listener) {
    const auto found = std::find(listeners.begin(), listeners.end(), listener);
    if (found != listeners.end())
        listeners.erase(found);
}

void MarkedVertexBuffer::turnToValid() {
    // A copy: a listener may remove itself while it is told.
    const std::vector<MarkedVertexBufferListener*> told = listeners;
    for (MarkedVertexBufferListener* listener : told)
        listener->turnToValid();
}

void MarkedVertexBuffer::turnToInvalid() {
    const std::vector<MarkedVertexBufferListener*> told = listeners;
    for (MarkedVertexBufferListener* listener : told)
        listener->turnToInvalid();
}

unsigned char* MarkedVertexBuffer::lockSourceBuffer(int flags) {
    void* data = nullptr;
    if (!valid || FAILED(source->Lock(static_cast<DWORD>(flags) | DDLOCK_WAIT, &data, nullptr)))
        return nullptr;
    return static_cast<unsigned char*>(data);
}

unsigned char* MarkedVertexBuffer::lockDestinationBuffer(int flags) {
    void* data = nullptr;
    if (!valid ||
        FAILED(destination->Lock(static_cast<DWORD>(flags) | DDLOCK_WAIT, &data, nullptr)))
        return nullptr;
    return static_cast<unsigned char*>(data);
}

void MarkedVertexBuffer::unlockSourceBuffer() {
    if (valid)
        source->Unlock();
}

void MarkedVertexBuffer::unlockDestinationBuffer() {
    if (valid)
        destination->Unlock();
}

// ===========================================================================
// Source vertices
// ===========================================================================

void MarkedVertexBuffer::copyVertices(const KeyMesh& key, unsigned char* data,
                                      unsigned parts) const {
    const auto copySets = [&](const std::vector<MeshSet>& sets, const std::vector<int>& positions) {
        for (size_t s = 0; s < sets.size(); ++s) {
            const MeshSet& set = sets[s];
            const SetEntry& entry = setIndices[static_cast<size_t>(positions[s])];
            unsigned char* out = data + static_cast<size_t>(entry.firstVertex) *
                                            static_cast<size_t>(sourceVertexSize);
            const bool withTexture = (parts & TEXTURE) && textured(set.material);
            for (int v = 0; v < set.vertexCount(); ++v, out += sourceVertexSize) {
                const MeshSetVertex& vertex = set.vertex(v);
                if ((parts & GEOMETRY) && inRange(vertex.geometry, key.vertices))
                    std::memcpy(out + positionOffset, &key.vertices[static_cast<size_t>(vertex.geometry)], 12);
                if ((parts & NORMALS) && inRange(vertex.normal, key.normals))
                    std::memcpy(out + normalOffset, &key.normals[static_cast<size_t>(vertex.normal)], 12);
                if (withTexture && inRange(vertex.texture, key.textureVertices))
                    std::memcpy(out + textureOffset,
                                &key.textureVertices[static_cast<size_t>(vertex.texture)], 8);
            }
        }
    };
    copySets(keyMesh.getStrips(), stripPositions);
    copySets(keyMesh.getFans(), fanPositions);
}

void MarkedVertexBuffer::updateGeometryAndNormalVertices(const KeyMesh& key,
                                                         unsigned char* data) const {
    copyVertices(key, data, GEOMETRY | NORMALS);
}

void MarkedVertexBuffer::updateGeometryVertices(const KeyMesh& key, unsigned char* data) const {
    copyVertices(key, data, GEOMETRY);
}

void MarkedVertexBuffer::updateNormalVertices(const KeyMesh& key, unsigned char* data) const {
    copyVertices(key, data, NORMALS);
}

void MarkedVertexBuffer::updateTetxureVertices(const KeyMesh& key, unsigned char* data) const {
    copyVertices(key, data, TEXTURE);
}

void MarkedVertexBuffer::update(const KeyMesh& key, unsigned int flags) {
    if (!valid)
        return;
    void* locked = nullptr;
    if (!lostSurfaceWrapper(source->Lock(lockForWriting, &locked, nullptr)) || !locked)
        return;
    auto* data = static_cast<unsigned char*>(locked);
    const unsigned both = GEOMETRY | NORMALS;
    if ((flags & both) == both)
        updateGeometryAndNormalVertices(key, data);
    else if (flags & GEOMETRY)
        updateGeometryVertices(key, data);
    else if (flags & NORMALS)
        updateNormalVertices(key, data);
    if (flags & TEXTURE)
        updateTetxureVertices(key, data);
    if (valid)
        lostSurfaceWrapper(source->Unlock());
}

// ===========================================================================
// Processing and drawing
// ===========================================================================

void MarkedVertexBuffer::transform() {
    mesh.updateVertexBuffer();
    DWORD operation = D3DVOP_TRANSFORM;
    if (mesh.getClipState() == D3DOneLevelRenderMesh::CLIP_PARTLY)
        operation |= D3DVOP_CLIP;
    if (theRenderStateManager)
        theRenderStateManager->flush();
    if (valid)
        lostSurfaceWrapper(destination->ProcessVertices(operation, 0,
                                                        static_cast<DWORD>(vertexTotal), source,
                                                        0, g_pDevice, 0));
}

void MarkedVertexBuffer::transformAndLight() {
    mesh.updateVertexBuffer();
    DWORD operation = D3DVOP_TRANSFORM | D3DVOP_LIGHT;
    if (mesh.getClipState() == D3DOneLevelRenderMesh::CLIP_PARTLY)
        operation |= D3DVOP_CLIP;
    for (const MaterialBatch& batch : materialBatches) {
        const RenderMaterial* material = renderMaterial(batch.material);
        if (material)
            material->makeCurrentMaterial();
        else if (theD3DRenderMaterialManager)
            theD3DRenderMaterialManager->setDefaultMaterial();
        if (theRenderStateManager)
            theRenderStateManager->flush();
        if (!valid)
            continue;
        const DWORD first = static_cast<DWORD>(batch.firstVertex);
        lostSurfaceWrapper(destination->ProcessVertices(operation, first,
                                                        static_cast<DWORD>(batch.vertexCount),
                                                        source, first, g_pDevice, 0));
    }
}

void MarkedVertexBuffer::draw(const SetEntry& entry, bool colorKeyed) {
    RenderStateManager* states = theRenderStateManager;
    if (!states)
        return;
    if (const RenderMaterial* material = renderMaterial(entry.material))
        material->makeCurrentTexture(0);
    states->setState(RS_SPECULARENABLE, mesh.getSpecular() ? 1u : 0u);
    DWORD cullMode = 0;
    if (entry.twoSided) {
        cullMode = states->getState(RS_CULLMODE);
        states->setState(RS_CULLMODE, D3DCULL_NONE);
    }
    DWORD alphaOperation = 0;
    if (colorKeyed) {
        states->setState(RS_ALPHATESTENABLE, 1u);
        states->setState(RS_ALPHAFUNC, D3DCMP_GREATER);
        states->setState(RS_ALPHAREF, 127u);
        alphaOperation = states->getState(TSS_ALPHAOP, 0);
        // Alpha taken from the diffuse colour alone would hide the key.
        if (alphaOperation == D3DTOP_SELECTARG2) {
            states->setState(RS_ALPHAREF, 0u);
            states->setState(TSS_ALPHAOP, 0, D3DTOP_MODULATE);
        }
    }
    states->flush();
    if (valid && g_pDevice) {
        DWORD flags = D3DDP_DONOTLIGHT;
        if (mesh.getClipState() != D3DOneLevelRenderMesh::CLIP_PARTLY)
            flags |= D3DDP_DONOTCLIP;
        lostSurfaceWrapper(g_pDevice->DrawPrimitiveVB(
            static_cast<D3DPRIMITIVETYPE>(entry.primitiveType), destination,
            static_cast<DWORD>(entry.firstVertex), static_cast<DWORD>(entry.vertexCount), flags));
    }
    if (colorKeyed) {
        states->setState(RS_ALPHATESTENABLE, 0u);
        states->setState(TSS_ALPHAOP, 0, alphaOperation);
    }
    if (entry.twoSided)
        states->setState(RS_CULLMODE, cullMode);
}

void MarkedVertexBuffer::renderRegularSet(int i) {
    if (!inRange(i, regularSetIndices))
        return;
    const SetEntry& entry = regularSetIndices[static_cast<size_t>(i)];
    draw(entry, entry.kind == KIND_COLORKEY);
}

void MarkedVertexBuffer::setRegularTwoSided(int i, bool twoSided) {
    if (inRange(i, regularSetIndices))
        regularSetIndices[static_cast<size_t>(i)].twoSided = twoSided ? 1 : 0;
}

void MarkedVertexBuffer::renderAlphaSet(int i) {
    if (inRange(i, alphaSetIndices))
        draw(alphaSetIndices[static_cast<size_t>(i)], false);
}

void MarkedVertexBuffer::renderRegularSet() {
    for (int i = 0; i < static_cast<int>(regularSetIndices.size()); ++i)
        renderRegularSet(i);
}

void MarkedVertexBuffer::renderAlphaSet() {
    for (int i = 0; i < static_cast<int>(alphaSetIndices.size()); ++i)
        renderAlphaSet(i);
}

// ===========================================================================
// Reverse index
// ===========================================================================

void MarkedVertexBuffer::createEntries(VertexBufferEntries* entries) const {
    if (!entries)
        return;
    const KeyMesh& key = keyMesh.getKeyMesh();
    VertexBufferEntries::Block* blocks[3] = {&entries->geometry, &entries->normals,
                                             &entries->textures};
    const int sizes[3] = {key.getGeometryVertexCount(), key.getNormalCount(),
                          key.getTextureVertexCount()};
    for (int b = 0; b < 3; ++b) {
        blocks[b]->count.assign(static_cast<size_t>(sizes[b]), 0);
        blocks[b]->start.assign(static_cast<size_t>(sizes[b]), 0);
    }
    // Calls `visit(block, element, buffer vertex)` for every counted reference.
    const auto walk = [&](auto visit) {
        const auto walkSets = [&](const std::vector<MeshSet>& sets,
                                  const std::vector<int>& positions) {
            for (size_t s = 0; s < sets.size(); ++s) {
                const MeshSet& set = sets[s];
                const bool withTexture = textured(set.material);
                int v = setIndices[static_cast<size_t>(positions[s])].firstVertex;
                for (int i = 0; i < set.vertexCount(); ++i, ++v) {
                    const MeshSetVertex& vertex = set.vertex(i);
                    visit(0, vertex.geometry, v);
                    visit(1, vertex.normal, v);
                    if (withTexture)
                        visit(2, vertex.texture, v);
                }
            }
        };
        walkSets(keyMesh.getStrips(), stripPositions);
        walkSets(keyMesh.getFans(), fanPositions);
    };
    walk([&](int b, int element, int) {
        if (element >= 0 && element < sizes[b])
            ++blocks[b]->count[static_cast<size_t>(element)];
    });
    for (int b = 0; b < 3; ++b) {
        std::int16_t total = 0;
        for (int i = 0; i < sizes[b]; ++i) {
            blocks[b]->start[static_cast<size_t>(i)] = total;
            total = static_cast<std::int16_t>(total + blocks[b]->count[static_cast<size_t>(i)]);
        }
        blocks[b]->list.assign(static_cast<size_t>(static_cast<std::uint16_t>(total)), 0);
    }
    walk([&](int b, int element, int v) {
        if (element < 0 || element >= sizes[b])
            return;
        std::int16_t& start = blocks[b]->start[static_cast<size_t>(element)];
        const auto at = static_cast<size_t>(static_cast<std::uint16_t>(start));
        if (at < blocks[b]->list.size())
            blocks[b]->list[at] = static_cast<std::int16_t>(v);
        ++start;
    });
    for (int b = 0; b < 3; ++b)
        for (int i = 0; i < sizes[b]; ++i)
            blocks[b]->start[static_cast<size_t>(i)] = static_cast<std::int16_t>(
                blocks[b]->start[static_cast<size_t>(i)] - blocks[b]->count[static_cast<size_t>(i)]);
}
