#include "swamp.h"

#include "surface_settings.h"

#include "../driver_lock.h"

#include "../../driver.h"
#include "../../driver_filter.h"
#include "../../rview.h"

#include <engine/class_registry.h>
#include <engine/core/degrading_manager.h>
#include <engine/core/globals.h>
#include <engine/core/land_camera.h>
#include <engine/core/render_timer.h>
#include <engine/core/view.h>
#include <engine/core/spherical.h>
#include <engine/debug.h>

#include <algorithm>
#include <cmath>

REGISTER_CLASS(Swamp);

namespace {

const char* const sourcePath = "3d/driver/d3d/special/water/swamp";

driver::random::MinimalUniformSeed swampRandom(0.5f);
water::ScrollOffsets swampOffsets;

float frameSeconds() {
    return theRenderTimer ? static_cast<float>(theRenderTimer->getFrameTime()) : 0.0f;
}

}  // namespace

Swamp::Swamp(bool) {
    // Layers add their light to what lies below.
    water::buildSurfaceMetaState(metaState,
                          {{RS_SRCBLEND, D3DBLEND_ONE}, {RS_DESTBLEND, D3DBLEND_INVSRCCOLOR}});
    if (theDegradingManager)
        theDegradingManager->registerListener(this);
}

Swamp::~Swamp() {
    if (theDegradingManager)
        theDegradingManager->unregisterListener(this);
}

water::ScrollOffsets& Swamp::offsets() {
    return swampOffsets;
}

void Swamp::initialize(int w, int h, const bool* cells) {
    const special::DriverLock lock;
    if (built)
        release();
    map.assign(w, h, cells);
    readConfiguration(configFile);
    build();
}

void Swamp::readConfiguration(const std::string& path) {
    const water::SurfaceSettings file(path, water::currentQualityLevel());
    Settings& s = settings;
    file.readGrid(&s.detail, &s.minHeight, &s.maxHeight);
    int passes = s.renderPassCount;
    if (file.read("renderPassCount", &passes) && passes >= 0)
        s.renderPassCount = passes;
    float opacity = s.opacity;
    if (file.read("opacity", &opacity) && opacity >= 0.0f)
        s.opacity = opacity;
    file.read("priority", &s.priority);
    deferred.deferredKey = s.priority;
    file.read("textureName", &s.textureName);
    file.readPair("texture1Scale", s.layout.texture1Scale);
    file.readPair("texture2Scale", s.layout.texture2Scale);
    file.readPair("texture1Random", s.layout.texture1Random);
    file.readPair("texture1Step", s.texture1Step);
    file.readPair("texture2Step", s.texture2Step);
}

void Swamp::build() {
    settings.layout.detail = settings.detail;
    if (!grid.build(map.width, map.height, map.cells.get(), settings.layout, swampRandom)) {
        DRIVER_FILTER << (debug::Error(debug::Context(sourcePath, __LINE__))
                          << "Swamp: map refused (no cells, no mask, or more than "
                          << water::SurfaceGrid::maxVertices << " vertices at detail "
                          << settings.detail << "); nothing is drawn");
        built = false;
        return;
    }
    built = true;
    buffers.create(sourceFormat, grid.getVertexCount());
    metaState.update();
    metaStateStatus = metaState.supported();
    textures.load(settings.textureName, "Swamp");
}

void Swamp::release() {
    const special::DriverLock lock;
    built = false;
    textures.release();
    grid.clear();
    buffers.release();
}

void Swamp::qualityChanged(DegradingManager*) {
    if (!built)
        return;
    release();
    readConfiguration(configFile);
    build();
}

std::uint8_t Swamp::brightness(float d, float opacity) {
    // An opacity above 1 saturates at white.
    const float b = std::clamp(2.0f * d - 0.3f, 0.0f, std::max(0.0f, opacity));
    return static_cast<std::uint8_t>(std::clamp(water::integerPart(b * 255.0f), 0, 255));
}

std::vector<float> Swamp::layerHeights() const {
    std::vector<float> heights;
    const int count = settings.renderPassCount;
    for (int i = count - 1; i >= 0; --i)
        heights.push_back(settings.minHeight +
                          (settings.maxHeight - settings.minHeight) * float(i) / float(count));
    return heights;
}

void Swamp::fillVertices(SourceVertex* vertices) const {
    const std::vector<int>& list = grid.getVertexList();
    for (std::size_t i = 0; i < list.size(); ++i) {
        const water::GridNode& n = grid.getNodes()[list[i]];
        const float d = dot(n.up, normalized(eye - n.position));
        const DWORD grey = n.fixed ? 0 : brightness(d, settings.opacity);
        vertices[i] = {n.position.x,
                       n.position.y,
                       n.position.z,
                       0,
                       0xFF000000u | grey << 16 | grey << 8 | grey,
                       0,
                       n.texture1[0] + swampOffsets.first[0],
                       n.texture1[1] + swampOffsets.first[1],
                       n.texture2[0] + swampOffsets.second[0],
                       n.texture2[1] + swampOffsets.second[1]};
    }
}

void Swamp::render(RenderView& view) {
    if (!built || !theD3DRenderDriver || theD3DRenderDriver->inIdlingMode() ||
        grid.getVertexCount() == 0)
        return;
    if (!buffers.ready)
        buffers.create(sourceFormat, grid.getVertexCount());
    Camera& camera = static_cast<D3DRenderView&>(view).getView().getFrameCamera();
    // The grid lies where the engine placed the surface (nowhere else than
    // the map's own place unless it moved it): the eye in the grid's space.
    placement = getGlobalMatrix();
    offset = getGlobalOffset();
    eye = placement.transposed() * (camera.getGlobalOff() - offset);
    // A camera walking on the world lifts the layers along the ground's
    // normal under it; any other along its own view axis, toward itself.
    const auto* walker = dynamic_cast<const landcamera::Camera*>(
        static_cast<D3DRenderView&>(view).getView().getCamera());
    up = walker ? sphericalPlacementMatrix(walker->getGroundPoint()).column(2)
                : -camera.getGlobalTM().column(2);
    const water::GridNode* centre = grid.node(grid.getColumns() / 2, grid.getRows() / 2);
    const Vector middle = placement * (centre ? centre->position : Vector()) + offset;
    deferred.depth =
        dot(middle - camera.getGlobalOff(), camera.getGlobalTM().column(2)) - camera.getNearDistance();
    addToDeferredAlphaObjectsList(&deferred);
}

void Swamp::transformDeferred() {
    if (!built)
        return;
    swampOffsets.advance(settings.texture1Step, settings.texture2Step, frameSeconds());
    if (!buffers.ready)
        return;
    void* data = nullptr;
    if (!buffers.check(buffers.source->Lock(DDLOCK_WAIT | DDLOCK_WRITEONLY, &data, nullptr)))
        return;
    fillVertices(static_cast<SourceVertex*>(data));
    buffers.check(buffers.source->Unlock());
}

void Swamp::renderDeferred() {
    if (!built)
        return;
    if (metaStateStatus == STATUS_NOT_KNOWN) {
        metaState.update();
        metaStateStatus = metaState.supported();
    }
    if (metaStateStatus == STATUS_NOT_SUPPORTED)
        return;
    textures.bind();
    metaState.set();
    if (theRenderStateManager)
        theRenderStateManager->flush();
    for (float h : layerHeights()) {
        theD3DRenderDriver->setWorldTransformation(placement, offset + up * h);
        if (buffers.ready)
            buffers.check(buffers.destination->ProcessVertices(
                D3DVOP_TRANSFORM | D3DVOP_CLIP, 0, static_cast<DWORD>(grid.getVertexCount()),
                buffers.source, 0, g_pDevice, 0));
        if (buffers.ready && g_pDevice)
            buffers.check(g_pDevice->DrawIndexedPrimitiveVB(
                D3DPT_TRIANGLELIST, buffers.destination,
                const_cast<WORD*>(grid.getIndices().data()),
                static_cast<DWORD>(grid.getIndexCount()), D3DDP_DONOTLIGHT));
    }
    metaState.unset();
}
