// The driver's side of one engine light: a Direct3D light for point,
// directional and spot lights; ambient lights only add to their view's
// ambient level.
#pragma once

#include <engine/core/render_light.h>

#include <d3d.h>

class D3DRenderView;

class D3DRenderLight : public RenderLight {
public:
    // Makes the Direct3D light when the type needs one and a device exists.
    explicit D3DRenderLight(Light& light);
    // Leaves the view it shines in, then releases the Direct3D light.
    ~D3DRenderLight() override;

    void render(TMatrix orientation, Vector position) override;
    void activate(RenderView& view) override;
    void deactivate(RenderView& view) override;

    operator IDirect3DLight*() const { return pLight; }
    const D3DLIGHT2& getDescription() const { return description; }
    // The view of the last activate; null after deactivate.
    D3DRenderView* getRenderView() const { return view; }
    bool needsDirect3DLight() const;

    // Around a change of video mode (the light factory calls these). The
    // description survives and is sent again by the next render or activate.
    void invalidate();
    void restore();
    // The view is going away: stop referring to it.
    void forgetView(const D3DRenderView* gone);

private:
    void createLight();
    void Update(const TMatrix& orientation, const Vector& position);

    D3DLIGHT2 description;
    IDirect3DLight* pLight = nullptr;
    D3DRenderView* view = nullptr;
};
