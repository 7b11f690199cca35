// The factories of the driver's scene objects.
#pragma once

#include "driver.h"

#include <engine/core/material.h>
#include <engine/core/render_decal_factory.h>
#include <engine/core/render_light_factory.h>
#include <engine/core/render_mesh.h>
#include <engine/core/render_line_factory.h>
#include <engine/core/render_view_factory.h>
#include <engine/core/texture.h>

#include <list>

class D3DRenderLight;
class D3DRenderView;

// Every operation holds the driver lock, so views are never made or
// destroyed in the middle of a frame.
class D3DRenderViewFactory : public RenderViewFactory {
public:
    D3DRenderViewFactory() = default;
    // Views still alive when the library unloads are deleted with it.
    ~D3DRenderViewFactory() override;

    RenderView* create(View& view) override;
    // A view this factory did not make is left alone.
    void destroy(RenderView* view) override;

    // Around a change of video mode: the viewports go, then come back with
    // the render lights attached again.
    void invalidateAll();
    void restoreAll();

    // A light is going away: no view may keep it in its list.
    void forgetLight(D3DRenderLight* light);

    const std::list<RenderView*>& getViews() const { return views; }

private:
    std::list<RenderView*> views;
};

class D3DRenderLightFactory : public RenderLightFactory {
public:
    D3DRenderLightFactory() = default;
    ~D3DRenderLightFactory() override;

    RenderLight* create(Light& light) override;
    // A light this factory did not make is left alone.
    void destroy(RenderLight* light) override;

    // Around a change of video mode: the Direct3D lights go, then every
    // point, directional and spot light gets a new one.
    void invalidateAll();
    void restoreAll();

    // A view is going away: no light may keep referring to it.
    void forgetView(const D3DRenderView* view);

    const std::list<RenderLight*>& getLights() const { return lights; }

private:
    std::list<RenderLight*> lights;
};

// Published only as the engine's theRenderMeshFactory.
class D3DRenderMeshFactory final : public RenderMeshFactory {
public:
    D3DRenderMeshFactory() = default;
    ~D3DRenderMeshFactory() = default;
    D3DRenderMeshFactory(const D3DRenderMeshFactory&) = delete;
    D3DRenderMeshFactory& operator=(const D3DRenderMeshFactory&) = delete;

    OneLevelRenderMeshInterface* create(int materialSet, const BaseKeyMesh& mesh) override;
    // Anything but a mesh of this driver is left alone.
    void destroy(OneLevelRenderMeshInterface* mesh) override;
    // Effect meshes are not made yet: always null.
    EffectiveRenderMesh* createEffectMesh(const char* className) override;
};

// 2D decals become blits of their image at the end of the frame; 3D decals
// are meshes on one shared quad whose positions each decal's own key mesh
// supplies every frame.
class D3DDRIVER_API D3DRenderDecalFactory : public RenderDecalFactory {
public:
    D3DRenderDecalFactory();
    D3DRenderDecalFactory(const D3DRenderDecalFactory&) = delete;
    D3DRenderDecalFactory& operator=(const D3DRenderDecalFactory&) = delete;

    RenderDecal2D* createDecal2D(Decal2D& decal) override;
    // Null, with an error logged, when the decal's image is not a 3D render
    // image.
    OneLevelRenderMeshInterface* createDecal3D(Decal3D& decal) override;
    void destroy(RenderDecal2D* decal) override;
    void destroy(OneLevelRenderMeshInterface* decal) override;

    const BaseKeyMesh& getBaseDecalKeyMesh() const { return baseDecalKeyMesh; }

private:
    // The quad's texture has no image of its own: each decal adds its map.
    Texture decalTexture;
    Material decalMaterial;
    BaseKeyMesh baseDecalKeyMesh;
};

class D3DRenderLineFactory : public RenderLineFactory {
public:
    RenderLine* create(Line& line) override;
    void destroy(RenderLine* line) override;
};

extern D3DDRIVER_API D3DRenderViewFactory* theD3DRenderViewFactory;
extern D3DDRIVER_API D3DRenderLightFactory* theD3DRenderLightFactory;
extern D3DDRIVER_API D3DRenderDecalFactory* theD3DRenderDecalFactory;
