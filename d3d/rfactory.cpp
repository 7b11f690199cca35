#include "rfactory.h"

#include "driver_filter.h"
#include "rdecal.h"
#include "rdecal3d.h"
#include "rimage.h"
#include "rlight.h"
#include "rmesh.h"
#include "rline.h"
#include "rview.h"
#include "tmanager.h"

#include <engine/class_registry.h>
#include <engine/core/decal.h>
#include <engine/core/render_mesh_interface.h>
#include <engine/debug.h>

#include <algorithm>
#include <optional>

D3DRenderViewFactory* theD3DRenderViewFactory = nullptr;
D3DRenderLightFactory* theD3DRenderLightFactory = nullptr;
D3DRenderDecalFactory* theD3DRenderDecalFactory = nullptr;

namespace {

const char* const sourcePath = "3d/driver/d3d/rfactory";

// The driver lock, when there is a driver to hold it.
class DriverLock {
public:
    DriverLock() {
        if (theD3DRenderDriver)
            guard.emplace(static_cast<const thread::SynchronizedObject&>(*theD3DRenderDriver));
    }

private:
    std::optional<thread::Lock> guard;
};

template <typename T>
bool removeFrom(std::list<T*>& list, T* object, const char* what) {
    const auto it = std::find(list.begin(), list.end(), object);
    if (it == list.end()) {
        DRIVER_FILTER << (debug::Error(debug::Context(sourcePath, __LINE__))
                          << "destroy: the " << what << " was not made by this factory");
        return false;
    }
    list.erase(it);
    return true;
}

}  // namespace

// ---------------------------------------------------------------------------
// Views

D3DRenderViewFactory::~D3DRenderViewFactory() {
    for (RenderView* view : views) {
        if (theD3DRenderLightFactory)
            theD3DRenderLightFactory->forgetView(static_cast<D3DRenderView*>(view));
        delete view;
    }
    views.clear();
}

RenderView* D3DRenderViewFactory::create(View& view) {
    DriverLock lock;
    RenderView* made = new D3DRenderView(view);
    views.push_back(made);
    return made;
}

void D3DRenderViewFactory::destroy(RenderView* view) {
    DriverLock lock;
    if (!view || !removeFrom(views, view, "view"))
        return;
    if (theD3DRenderLightFactory)
        theD3DRenderLightFactory->forgetView(static_cast<D3DRenderView*>(view));
    delete view;
}

void D3DRenderViewFactory::invalidateAll() {
    DriverLock lock;
    for (RenderView* view : views)
        static_cast<D3DRenderView*>(view)->invalidate();
}

void D3DRenderViewFactory::restoreAll() {
    DriverLock lock;
    for (RenderView* view : views)
        static_cast<D3DRenderView*>(view)->restore();
}

void D3DRenderViewFactory::forgetLight(D3DRenderLight* light) {
    DriverLock lock;
    for (RenderView* view : views)
        static_cast<D3DRenderView*>(view)->forgetLight(light);
}

// ---------------------------------------------------------------------------
// Lights

namespace {

void deleteLight(RenderLight* light) {
    if (theD3DRenderViewFactory)
        theD3DRenderViewFactory->forgetLight(static_cast<D3DRenderLight*>(light));
    delete light;
}

}  // namespace

D3DRenderLightFactory::~D3DRenderLightFactory() {
    for (RenderLight* light : lights)
        deleteLight(light);
    lights.clear();
}

RenderLight* D3DRenderLightFactory::create(Light& light) {
    DriverLock lock;
    RenderLight* made = new D3DRenderLight(light);
    lights.push_back(made);
    return made;
}

void D3DRenderLightFactory::destroy(RenderLight* light) {
    DriverLock lock;
    if (!light || !removeFrom(lights, light, "light"))
        return;
    deleteLight(light);
}

void D3DRenderLightFactory::invalidateAll() {
    DriverLock lock;
    for (RenderLight* light : lights)
        static_cast<D3DRenderLight*>(light)->invalidate();
}

void D3DRenderLightFactory::restoreAll() {
    DriverLock lock;
    for (RenderLight* light : lights)
        static_cast<D3DRenderLight*>(light)->restore();
}

void D3DRenderLightFactory::forgetView(const D3DRenderView* view) {
    DriverLock lock;
    for (RenderLight* light : lights)
        static_cast<D3DRenderLight*>(light)->forgetView(view);
}

// ===========================================================================
// The image factory: render images on surfaces and textures of the texture
// manager.
// ===========================================================================

namespace {

AlphaFormat alphaFormat(int alpha) {
    switch (alpha) {
    case 1:
        return ALPHA_COLORKEY;
    case 4:
        return ALPHA_GRADED;
    default:
        return ALPHA_NONE;
    }
}

RenderImage2D* imageOn(SurfaceInterface* surface) {
    return surface ? new D3DRenderImage2D(surface) : nullptr;
}

RenderImage3D* imageOn(TextureInterface* texture) {
    return texture ? new D3DRenderImage3D(texture) : nullptr;
}

}  // namespace

RenderImage2D* D3DRenderImageFactory::createImage2D(Image2D&, const char* file, bool cached) {
    thread::Lock guard(theD3DRenderDriver);
    return imageOn(theD3DTextureManager->createSurface(file, cached));
}

RenderImage2D* D3DRenderImageFactory::createImage2D(Image2D&, int width, int height) {
    thread::Lock guard(theD3DRenderDriver);
    return imageOn(theD3DTextureManager->createSurface(width, height));
}

RenderImage3D* D3DRenderImageFactory::createImage3D(Image3D&, const char* file, bool cached,
                                                    int mode) {
    thread::Lock guard(theD3DRenderDriver);
    return imageOn(theD3DTextureManager->createTexture(file, cached, mode));
}

RenderImage3D* D3DRenderImageFactory::createImage3D(Image3D&, int width, int height, int alpha) {
    thread::Lock guard(theD3DRenderDriver);
    return imageOn(theD3DTextureManager->createTexture(width, height, alphaFormat(alpha), 0));
}

void D3DRenderImageFactory::destroy(RenderImage2D* image) {
    thread::Lock guard(theD3DRenderDriver);
    delete image;
}

void D3DRenderImageFactory::destroy(RenderImage3D* image) {
    thread::Lock guard(theD3DRenderDriver);
    delete image;
}

// ---------------------------------------------------------------------------
// Meshes

OneLevelRenderMeshInterface* D3DRenderMeshFactory::create(int materialSet,
                                                          const BaseKeyMesh& mesh) {
    DriverLock lock;
    return new D3DOneLevelRenderMesh(materialSet, mesh);
}

void D3DRenderMeshFactory::destroy(OneLevelRenderMeshInterface* mesh) {
    DriverLock lock;
    delete dynamic_cast<D3DOneLevelRenderMesh*>(mesh);
}

EffectiveRenderMesh* D3DRenderMeshFactory::createEffectMesh(const char* className) {
    if (!className)
        return nullptr;
    DriverLock lock;
    return Class::clone<EffectiveRenderMesh>(className).release();
}
// ===========================================================================
// Decals and lines
// ===========================================================================

RenderDecal2D* D3DRenderDecalFactory::createDecal2D(Decal2D& decal) {
    DriverLock lock;
    return new D3DRenderDecal2D(decal);
}

D3DRenderDecalFactory::D3DRenderDecalFactory() {
    decalMaterial.setColor(Color(1.0f, 1.0f, 1.0f, 1.0f));
    decalMaterial.setEmissive(Color(0.0f, 0.0f, 0.0f, 1.0f));
    decalMaterial.setSpecular(Color(1.0f, 1.0f, 1.0f, 1.0f));
    decalMaterial.setShininess(0.0f);
    decalMaterial.setTexture(1, &decalTexture);

    // Four corners in the decal's order (top left, top right, bottom left,
    // bottom right) make one strip; the positions come from each decal.
    KeyMesh& key = baseDecalKeyMesh.getKeyMesh();
    key.resize(4, 1, 4);
    key.normals[0] = Vector(0.0f, 0.0f, 1.0f);
    MeshSet strip;
    strip.material = 0;
    for (int v = 0; v < 3; ++v)
        strip.first[v] = {v, 0, v};
    strip.further.push_back({3, 0, 3});
    baseDecalKeyMesh.addStrip(strip);
    baseDecalKeyMesh.addMaterialSet({MeshMaterial{MeshMaterial::TEXTURED, &decalMaterial}});
    baseDecalKeyMesh.finishTopology();
}

OneLevelRenderMeshInterface* D3DRenderDecalFactory::createDecal3D(Decal3D& decal) {
    DriverLock lock;
    Image* image = decal.getImage();
    if (!image || !dynamic_cast<D3DRenderImage3D*>(image->getRenderImage())) {
        DRIVER_FILTER << (debug::Error(debug::Context(sourcePath, __LINE__))
                          << "createDecal3D: a decal whose image is not a 3D render image is "
                             "not allowed");
        return nullptr;
    }
    return new D3DRenderDecal3D(decal, baseDecalKeyMesh);
}

// Unlike the other operations, destroying a decal takes no driver lock.
void D3DRenderDecalFactory::destroy(RenderDecal2D* decal) {
    delete decal;
}

void D3DRenderDecalFactory::destroy(OneLevelRenderMeshInterface* decal) {
    delete decal;
}

RenderLine* D3DRenderLineFactory::create(Line& line) {
    DriverLock lock;
    return new D3DRenderLine(line);
}

void D3DRenderLineFactory::destroy(RenderLine* line) {
    DriverLock lock;
    delete line;
}
