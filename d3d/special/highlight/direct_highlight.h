// DirectHighlight: a light shining from the eye along the line of sight,
// switched on only while its mesh is lit, so the mesh stands out lit from
// the front.
#pragma once

#include <engine/core/highlight_interfaces.h>
#include <engine/core/render_mesh_interface.h>
#include <engine/core/special_effect.h>

#include <d3d.h>

class D3DRenderView;

class DirectHighlight : public EffectiveRenderMesh,
                        public DirectHighlightInterface,
                        public SpecialEffect {
public:
    static constexpr unsigned overloadFlags =
        OVERLOAD_TRANSFORM | OVERLOAD_BEGIN_VIEW | OVERLOAD_END_VIEW;

    DirectHighlight() = default;

    unsigned getOverloadFlags() const override { return overloadFlags; }
    int getEffectPriority() const override { return 0; }
    void transform(TransformInformation* info) override;
    void beginView(RenderView* view) override;
    void endView() override;
    RenderMeshInterface* attach(RenderMeshInterface* chain) override;
    RenderMeshInterface* detach(bool relink) override;

    void useLights(bool on) override { keepLights = on; }
    void setColor(const Color& c) override { color = c; }
    void enable() override { enabled = true; }
    void disable() override { enabled = false; }

    // The light kept in the view the mesh is drawn in, switched off.
    IDirect3DLight* getLight() const { return light; }

private:
    void addLight(D3DRenderView* view);
    void removeLight();

    Color color{1.0f, 1.0f, 1.0f, 1.0f};
    bool keepLights = false;
    bool enabled = true;
    IDirect3DLight* light = nullptr;
    D3DRenderView* lightView = nullptr;
};
