#include "water.h"

#include "surface_settings.h"

#include "../driver_lock.h"

#include "../../driver.h"
#include "../../driver_filter.h"
#include "../../rtexture.h"
#include "../../rview.h"

#include <engine/class_registry.h>
#include <engine/core/degrading_manager.h>
#include <engine/core/globals.h>
#include <engine/core/render_timer.h>
#include <engine/core/view.h>
#include <engine/debug.h>

#include <algorithm>
#include <cmath>

REGISTER_CLASS(Water);

namespace {

const char* const sourcePath = "3d/driver/d3d/special/water/water";

driver::random::MinimalUniformSeed waterRandom(0.5f);
water::ScrollOffsets waterOffsets;
float refractionTable[256][2];

float frameSeconds() {
    return theRenderTimer ? static_cast<float>(theRenderTimer->getFrameTime()) : 0.0f;
}

// Depth of a point beyond the near plane of the camera.
float depthIn(const Camera& camera, const Vector& point) {
    return dot(point - camera.getGlobalOff(), camera.getGlobalTM().column(2)) -
           camera.getNearDistance();
}

}  // namespace

Water::Water(bool) {
    deferred.deferredKey = deferredKey;
    deferred.depth = 0.0f;
    material.setFlags(Material::USE_COLOR);
    material.setColor(Color(1, 1, 1, 1));
    material.setSpecular(Color(0.5f, 0.5f, 0.5f, 1));
    material.setEmissive(Color(0, 0, 0, 1));
    material.setShininess(4.0f);
    water::buildSurfaceMetaState(metaState, {{RS_SPECULARENABLE, 1}});
    if (theDegradingManager)
        theDegradingManager->registerListener(this);
}

Water::~Water() {
    if (theDegradingManager)
        theDegradingManager->unregisterListener(this);
}

const float (&Water::refraction())[256][2] {
    return refractionTable;
}

water::ScrollOffsets& Water::offsets() {
    return waterOffsets;
}

void Water::initialize(int w, int h, const bool* cells) {
    const special::DriverLock lock;
    if (built)
        release();
    map.assign(w, h, cells);
    readConfiguration(configFile);
    build();
}

void Water::readConfiguration(const std::string& path) {
    const water::SurfaceSettings file(path, water::currentQualityLevel());
    Settings& s = settings;
    file.readGrid(&s.detail, &s.minHeight, &s.maxHeight);
    file.read("desireFactor", &s.desireFactor);
    file.read("velocityFactor", &s.velocityFactor);
    file.read("strengthFactor", &s.strengthFactor);
    Color color = material.getColor();
    Color ambient = color;  // read for completeness; the device material has no use for it
    file.read("material.ambientColor", &ambient);
    if (file.read("material.diffuseColor", &color))
        material.setColor(color);
    color = material.getSpecular();
    if (file.read("material.specularColor", &color))
        material.setSpecular(color);
    color = material.getEmissive();
    if (file.read("material.emissiveColor", &color))
        material.setEmissive(color);
    float power = material.getShininess();
    if (file.read("material.specularPower", &power) && power >= 0.0f)
        material.setShininess(power);
    float drops = s.initialDrops;
    if (file.read("initialDrops", &drops) && drops >= 0.0f)
        s.initialDrops = drops;
    drops = s.dropsFrequency;
    if (file.read("dropsFrequency", &drops) && drops >= 0.0f)
        s.dropsFrequency = drops;
    file.read("normalsImpact", &s.normalsImpact);
    file.read("textureImpact", &s.textureImpact);
    file.read("textureName", &s.textureName);
    file.readPair("texture1Scale", s.layout.texture1Scale);
    file.readPair("texture2Scale", s.layout.texture2Scale);
    file.readPair("texture1Random", s.layout.texture1Random);
    file.readPair("texture1Step", s.texture1Step);
    file.readPair("texture2Step", s.texture2Step);
}

void Water::build() {
    settings.layout.detail = settings.detail;
    if (!grid.build(map.width, map.height, map.cells.get(), settings.layout, waterRandom)) {
        DRIVER_FILTER << (debug::Error(debug::Context(sourcePath, __LINE__))
                          << "Water: map refused (no cells, no mask, or more than "
                          << water::SurfaceGrid::maxVertices << " vertices at detail "
                          << settings.detail << "); nothing is drawn");
        built = false;
        return;
    }
    buffers.create(sourceFormat, grid.getVertexCount());
    buildRefraction();
    dropAccumulator = settings.initialDrops * map.width * map.height;
    metaState.update();
    metaStateStatus = metaState.supported();
    textures.load(settings.textureName, "Water");
    if (theD3DRenderMaterialManager)
        renderMaterial = theD3DRenderMaterialManager->createMaterial(material);
    built = true;
}

void Water::buildRefraction() {
    for (int i = 0; i < 256; ++i) {
        const double c = i / 256.0;
        const double s1 = std::sin(std::acos(c));
        const double s2 = s1 / 1.333;
        const double c2 = std::cos(std::asin(s2));
        refractionTable[i][0] = static_cast<float>((s1 / s2) * c2 - c);
        refractionTable[i][1] = static_cast<float>(-s2 / s1);
    }
}

void Water::release() {
    const special::DriverLock lock;
    built = false;
    textures.release();
    if (renderMaterial && theD3DRenderMaterialManager)
        theD3DRenderMaterialManager->destroyMaterial(renderMaterial);
    renderMaterial = nullptr;
    grid.clear();
    buffers.release();
}

void Water::qualityChanged(DegradingManager*) {
    if (!built)
        return;
    release();
    readConfiguration(configFile);
    build();
}

int Water::makeDrops(float seconds) {
    dropAccumulator += seconds * settings.dropsFrequency * map.width * map.height;
    const int n = std::max(0, water::integerPart(dropAccumulator));
    dropAccumulator -= n;
    for (int i = 0; i < n; ++i) {
        const float strength = 0.5f - waterRandom.next();
        const int y = water::integerPart(waterRandom.next() * grid.getRows());
        const int x = water::integerPart(waterRandom.next() * grid.getColumns());
        addDrop(x, y, strength);
    }
    return n;
}

void Water::addDrop(int x, int y, float strength) {
    const int columns = grid.getColumns();
    const int rows = grid.getRows();
    if (columns <= 0 || rows <= 0)
        return;
    x = ((x % columns) + columns) % columns;
    y = ((y % rows) + rows) % rows;
    const float f = strength * settings.strengthFactor;
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) {
            water::GridNode* n = grid.node(x + dx, y + dy);
            if (!n || !n->water || n->fixed)
                continue;
            const int away = (dx != 0) + (dy != 0);
            n->velocity -= away == 0 ? f : (away == 1 ? f / 2 : f / 4);
        }
}

void Water::simulate(float seconds) {
    const float k = seconds * 30.0f;
    double mean = 0.0;
    const int columns = grid.getColumns();
    for (int index : grid.getVertexList()) {
        water::GridNode& n = grid.getNodes()[index];
        float target = 0.0f;
        if (n.fixed) {
            n.height = n.velocity = 0.0f;
        } else {
            const int x = index % columns;
            const int y = index / columns;
            target = (grid.heightAt(x - 1, y) + grid.heightAt(x + 1, y) + grid.heightAt(x, y - 1) +
                      grid.heightAt(x, y + 1)) / 12.0f +
                     (grid.heightAt(x - 1, y - 1) + grid.heightAt(x + 1, y - 1) +
                      grid.heightAt(x - 1, y + 1) + grid.heightAt(x + 1, y + 1)) / 6.0f;
        }
        const float acceleration = (target - n.height) * settings.desireFactor +
                                   (n.velocity * settings.velocityFactor - n.velocity);
        n.velocity += acceleration * k;
        mean += n.height + n.velocity;
    }
    const int count = grid.getVertexCount();
    meanHeight = count > 0 ? static_cast<float>(mean / count) : 0.0f;
}

void Water::fillVertices(SourceVertex* vertices) {
    const int columns = grid.getColumns();
    const water::ScrollOffsets& scroll = waterOffsets;
    const std::vector<int>& list = grid.getVertexList();
    for (std::size_t i = 0; i < list.size(); ++i) {
        water::GridNode& n = grid.getNodes()[list[i]];
        Vector p = n.position;
        Vector normal = n.up;
        if (!n.fixed) {
            const int x = list[i] % columns;
            const int y = list[i] / columns;
            n.height = std::clamp(n.height + n.velocity - meanHeight, settings.minHeight,
                                  settings.maxHeight);
            p += n.up * n.height;
            const auto h = [&](int dx, int dy) { return grid.heightAt(x + dx, y + dy); };
            normal = n.up * settings.normalsImpact + n.axisX * (h(-1, 0) - h(1, 0)) +
                     n.axisY * (h(0, -1) - h(0, 1)) + n.diagonalA * (h(-1, -1) - h(1, 1)) +
                     n.diagonalB * (h(-1, 1) - h(1, -1));
            normal = normalized(normal);
        }
        SourceVertex& v = vertices[i];
        v = {p.x, p.y, p.z, normal.x, normal.y, normal.z,
             n.texture1[0] + scroll.first[0], n.texture1[1] + scroll.first[1],
             n.texture2[0] + scroll.second[0], n.texture2[1] + scroll.second[1]};
        // Bend both layers toward where the eye's ray goes under the surface.
        const Vector e = normalized(eye - p);
        const float c = dot(e, normal);
        const int row = std::isfinite(c) ? std::clamp(int(std::nearbyint(c * 255.0f)), 0, 255) : 0;
        const float a = refractionTable[row][0];
        const float b = refractionTable[row][1];
        const Vector t = (normal * a + e) * b;
        const float d = dot(t, p);
        const float s = (std::fabs(d) + d) * settings.textureImpact;
        v.tu1 += t.x * s;
        v.tv1 += t.y * s;
        v.tu2 += t.x * s;
        v.tv2 += t.y * s;
    }
}

void Water::render(RenderView& view) {
    if (!built || !theD3DRenderDriver || theD3DRenderDriver->inIdlingMode() ||
        grid.getVertexCount() == 0)
        return;
    if (!buffers.ready)
        buffers.create(sourceFormat, grid.getVertexCount());
    makeDrops(frameSeconds());
    Camera& camera = static_cast<D3DRenderView&>(view).getView().getFrameCamera();
    // The grid lies where the engine placed the surface (nowhere else than
    // the map's own place unless it moved it): the eye in the grid's space.
    placement = getGlobalMatrix();
    offset = getGlobalOffset();
    eye = placement.transposed() * (camera.getGlobalOff() - offset);
    const water::GridNode* centre = grid.node(grid.getColumns() / 2, grid.getRows() / 2);
    deferred.depth = depthIn(camera, placement * (centre ? centre->position : Vector()) + offset);
    addToDeferredAlphaObjectsList(&deferred);
}

void Water::transformDeferred() {
    if (!built)
        return;
    const float dt = frameSeconds();
    waterOffsets.advance(settings.texture1Step, settings.texture2Step, dt);
    simulate(dt);
    if (!buffers.ready)
        return;
    void* data = nullptr;
    if (!buffers.check(buffers.source->Lock(DDLOCK_WAIT | DDLOCK_WRITEONLY, &data, nullptr)))
        return;
    fillVertices(static_cast<SourceVertex*>(data));
    if (!buffers.check(buffers.source->Unlock()))
        return;
    theD3DRenderDriver->setWorldTransformation(placement, offset);
    if (renderMaterial)
        renderMaterial->makeCurrentMaterial();
    if (theRenderStateManager)
        theRenderStateManager->flush();
    buffers.check(buffers.destination->ProcessVertices(
        D3DVOP_TRANSFORM | D3DVOP_CLIP | D3DVOP_LIGHT, 0, static_cast<DWORD>(grid.getVertexCount()),
        buffers.source, 0, g_pDevice, 0));
}

void Water::renderDeferred() {
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
    if (buffers.ready && g_pDevice)
        buffers.check(g_pDevice->DrawIndexedPrimitiveVB(
            D3DPT_TRIANGLELIST, buffers.destination,
            const_cast<WORD*>(grid.getIndices().data()), static_cast<DWORD>(grid.getIndexCount()),
            D3DDP_DONOTLIGHT));
    metaState.unset();
}
