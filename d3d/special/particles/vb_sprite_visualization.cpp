#include "special/particles/vb_sprite_visualization.h"

#include "special/driver_lock.h"
#include "special/particles/sprite_buffer.h"

#include "driver.h"
#include "driver_filter.h"
#include "rview.h"
#include "states.h"
#include "tmanager.h"

#include <engine/core/effect_settings.h>
#include <engine/core/globals.h>
#include <engine/core/view.h>
#include <engine/core/spherical.h>
#include <engine/resources.h>

#include <algorithm>

namespace {

const char* const sourcePath = "3d/driver/d3d/special/particles/vbsprite";
const char* const textureFolder = "/Images/Effects/Particles/";

D3DRenderView* currentView() {
    return theD3DRenderDriver
               ? dynamic_cast<D3DRenderView*>(theD3DRenderDriver->getCurrentRenderView())
               : nullptr;
}

bool idling() {
    return theRenderDriver && theRenderDriver->inIdlingMode();
}

// Texture coordinates of the corners (-r, r), (-r, -r), (r, -r), (r, r): x up
// the screen, y to the right.
constexpr float cornerU[4] = {1.0f, 0.0f, 0.0f, 1.0f};
constexpr float cornerV[4] = {1.0f, 1.0f, 0.0f, 0.0f};

}  // namespace

REGISTER_CLASS(VBSpriteParticleVisualization);

VBSpriteParticleVisualization::VBSpriteParticleVisualization() {
    deferredKey = settings.renderPriority;
    depth = 0.0f;
}

VBSpriteParticleVisualization::~VBSpriteParticleVisualization() {
    const special::DriverLock lock;
    releaseTexture();
    if (bufferAcquired)
        sprites::SpriteBuffer::release();
}

void VBSpriteParticleVisualization::initialize(particles::ParticleBaseEngine* engine) {
    system = engine;
    if (!bufferAcquired) {
        sprites::SpriteBuffer::acquire();
        bufferAcquired = true;
    }
    const special::DriverLock lock;
    sprites::SpriteBuffer::ensure();
    loadTexture();
}

void VBSpriteParticleVisualization::configure(const config::Block& block,
                                              const config::Block* fallback) {
    if (settings.read(block, fallback))
        loadTexture();
    deferredKey = settings.renderPriority;
}

void VBSpriteParticleVisualization::setTextureName(const std::string& name) {
    settings.textureName = name;
    loadTexture();
}

void VBSpriteParticleVisualization::setRenderPriority(int priority) {
    settings.renderPriority = priority;
    deferredKey = priority;
}

bool VBSpriteParticleVisualization::setRendering(const std::string& mode) {
    const int value = sprites::renderingMode(mode);
    if (value < 0)
        return false;
    settings.rendering = value;
    return true;
}

void VBSpriteParticleVisualization::releaseTexture() {
    // The stage made on the device is given up before the texture.
    if (texture && textureRestored)
        texture->invalidate(0);
    textureRestored = false;
    if (texture && theD3DTextureManager)
        theD3DTextureManager->destroyTexture(texture);
    texture = nullptr;
    textureHasAlpha = false;
}

// A texture that is not there is reported once; the particles are then drawn
// in their colours alone.
void VBSpriteParticleVisualization::loadTexture() {
    const special::DriverLock lock;
    releaseTexture();
    if (settings.textureName.empty() || !theD3DTextureManager)
        return;
    const std::string path = textureFolder + settings.textureName;
    if (!theResourceManager->exists(path)) {
        if (!missingTextureReported)
            DRIVER_FILTER << (debug::Warning(debug::Context(sourcePath, __LINE__), 1.0f)
                              << "Particle texture '" << path
                              << "' not found; the particles are drawn untextured");
        missingTextureReported = true;
        return;
    }
    texture = theD3DTextureManager->createTexture(path.c_str(), true, 1);
    if (texture && theD3DRenderDriver) {
        texture->restore(theD3DRenderDriver->getDirectDraw(), theD3DRenderDriver->getD3DDevice(), 0,
                         false);
        textureRestored = true;
    }
    textureHasAlpha = texture && texture->hasAlpha();
}

void VBSpriteParticleVisualization::render(const TMatrix& matrix, const Vector& offset) {
    if (idling())
        return;
    sprites::SpriteBuffer::ensure();
    setTransformation(matrix, offset);
    D3DRenderView* view = currentView();
    if (!view)
        return;
    const float centerDepth = view->getZDepth(matrix * settings.centerPosition + offset);
    if (SEVertexFog::enabled && centerDepth > SEVertexFog::end)
        return;
    if (system && system->isMirrored()) {
        mirror.deferredKey = deferredKey;
        addToDeferredRenderObjectsList(&mirror);
    }
    if (!textureHasAlpha && settings.rendering == sprites::COMMON) {
        addToDeferredRenderObjectsList(this);
    } else {
        depth = centerDepth - settings.zBias;
        addToDeferredAlphaObjectsList(this);
    }
}

void VBSpriteParticleVisualization::render() {
    draw(getLocalMatrix(), getLocalOffset(), false);
}

void VBSpriteParticleVisualization::MirrorRenderer::render() {
    TMatrix matrix;
    Vector offset;
    reflect(owner.getLocalMatrix(), owner.getLocalOffset(), matrix, offset);
    owner.draw(matrix, offset, true);
}

void VBSpriteParticleVisualization::setBlending() {
    switch (settings.rendering) {
    case sprites::SPARK:
        theRenderStateManager->setState(RS_SRCBLEND, D3DBLEND_ONE);
        theRenderStateManager->setState(RS_DESTBLEND, D3DBLEND_INVSRCCOLOR);
        break;
    case sprites::DARK:
        theRenderStateManager->setState(RS_SRCBLEND, D3DBLEND_ZERO);
        theRenderStateManager->setState(RS_DESTBLEND, D3DBLEND_INVSRCCOLOR);
        break;
    case sprites::ALPHA:
        theRenderStateManager->setState(RS_SRCBLEND, D3DBLEND_SRCALPHA);
        theRenderStateManager->setState(RS_DESTBLEND, D3DBLEND_INVSRCALPHA);
        break;
    default:
        break;
    }
}

void VBSpriteParticleVisualization::draw(const TMatrix& matrix, const Vector& offset,
                                         bool mirrored) {
    drawnCount = 0;
    D3DRenderView* view = currentView();
    if (!view || !system || !theRenderStateManager || !theD3DRenderDriver ||
        !sprites::SpriteBuffer::ensure())
        return;
    const Camera& camera = view->getView().getFrameCamera();
    const TMatrix cameraInSystem = matrix.transposed() * camera.getGlobalTM();

    fogFactor = 1.0f;
    if (SEVertexFog::enabled) {
        const float d = view->getZDepth(matrix * settings.centerPosition + offset);
        if (d > SEVertexFog::end)
            return;
        fogFactor = std::clamp((SEVertexFog::end - d) / (SEVertexFog::end - SEVertexFog::start),
                               0.0f, 1.0f);
    }
    Color factor(1, 1, 1, 1);
    if (settings.affectSceneLight)
        factor = view->calculateIllumination(matrix * settings.centerPosition + offset);
    factor = factor * (settings.opacity * fogFactor);

    if (theD3DTextureManager)
        theD3DTextureManager->setTexture(texture, 0);
    theD3DRenderDriver->setWorldTransformation(matrix, offset);
    RenderStateManager& states = *theRenderStateManager;
    // The vertex alpha fades the sprites out whatever the last material chose.
    states.setState(MS_MODULATE_ALPHA);
    states.pushState(RS_CULLMODE);
    states.setState(RS_CULLMODE, D3DCULL_NONE);
    // The mirror image lies beyond the surface that shows it, so the depth
    // that surface wrote would hide all of it: it is drawn without the test.
    if (mirrored) {
        states.pushState(RS_ALPHABLENDENABLE);
        states.pushState(RS_ZWRITEENABLE);
        states.pushState(RS_ZENABLE);
        states.setState(RS_ALPHABLENDENABLE, TRUE);
        states.setState(RS_ZWRITEENABLE, FALSE);
        states.setState(RS_ZENABLE, D3DZB_FALSE);
    }
    setBlending();
    states.flush();
    buildQuads(*view, matrix, offset, cameraInSystem, factor);
    if (settings.rendering != sprites::COMMON)
        states.setState(MS_RENDER_ALPHA);
    if (mirrored) {
        states.popState(RS_ZENABLE);
        states.popState(RS_ZWRITEENABLE);
        states.popState(RS_ALPHABLENDENABLE);
    }
    states.popState(RS_CULLMODE);
}

bool VBSpriteParticleVisualization::buildQuads(D3DRenderView& view, const TMatrix& matrix,
                                               const Vector& offset,
                                               const TMatrix& cameraInSystem,
                                               const Color& factor) {
    const float r = settings.radius;
    const Vector eye = matrix.transposed() * (view.getView().getFrameCamera().getGlobalOff() - offset);

    order.clear();
    for (const particles::Particle* p = system->getFirstParticle(); p; p = p->next)
        order.emplace_back(settings.sortParticles ? view.getZDepth(matrix * p->position + offset)
                                                  : 0.0f,
                           p);
    if (settings.sortParticles)
        std::stable_sort(order.begin(), order.end(),
                         [](const auto& a, const auto& b) { return a.first > b.first; });

    D3DLVERTEX* vertices = sprites::SpriteBuffer::lock();
    if (!vertices)
        return false;
    int written = 0;
    for (const auto& [particleDepth, particle] : order) {
        (void)particleDepth;
        Vector position = particle->position;
        if (settings.zBias != 0.0f)
            position += normalized(eye - position) * settings.zBias;
        const float up = settings.useParticleSize ? particle->height : r;
        const float right = settings.useParticleSize ? particle->width : r;
        const Vector corners[4] = {{-up, right, 0}, {-up, -right, 0}, {up, -right, 0}, {up, right, 0}};
        const DWORD color = colorToARGB(particle->color * factor);
        for (int i = 0; i < 4; ++i) {
            Vector corner = corners[i];
            if (settings.useParticleSpace)
                corner = particle->frame * corner + particle->offset;
            if (settings.rotateWithCamera)
                corner = cameraInSystem * corner;
            const Vector at = position + corner;
            D3DLVERTEX& v = vertices[written++];
            v.x = at.x;
            v.y = at.y;
            v.z = at.z;
            v.dwReserved = 0;
            v.color = color;
            v.specular = 0;
            v.tu = cornerU[i];
            v.tv = cornerV[i];
        }
        if (written == sprites::SpriteBuffer::vertexCount) {
            if (!sprites::SpriteBuffer::unlock() ||
                !sprites::SpriteBuffer::draw(sprites::SpriteBuffer::quadCount))
                return false;
            drawnCount += sprites::SpriteBuffer::quadCount;
            written = 0;
            vertices = sprites::SpriteBuffer::lock();
            if (!vertices)
                return false;
        }
    }
    if (!sprites::SpriteBuffer::unlock())
        return false;
    if (written > 0) {
        if (!sprites::SpriteBuffer::draw(written / 4))
            return false;
        drawnCount += written / 4;
    }
    return true;
}
