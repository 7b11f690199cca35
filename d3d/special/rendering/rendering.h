// Multi-pass renderings: passes turned into render states, and the choice of
// the first variant the current device can draw.
#pragma once

#include "../../driver.h"
#include "../../states.h"

#include <engine/core/effect_interfaces.h>
#include <engine/core/rendering.h>

// The states passes change, back to a known base: no fog, the regular or
// alpha meta state, modulation, clamped linear stage 0, no depth test or
// depth writes.
D3DDRIVER_API void restoreDefaultSettings(bool alpha);
// The pass's blending, fog and stage cascade, queued in the state manager.
D3DDRIVER_API void setupRenderPass(render::RenderPass& pass);
// Whether the device draws every pass; the states are as before afterwards.
D3DDRIVER_API SupportStatus isSupported(render::Rendering& rendering);
// The first variant not refused, and its status; all refused: `chosen` is
// null and the status is 1.
D3DDRIVER_API SupportStatus findVariant(render::RenderTypeDescriptor& descriptor,
                                        render::Rendering** chosen);

// Carries a description; the variant is chosen when first asked for and
// again while the last test was cut short.
class RenderingEffect : public RenderingEffectInterface {
public:
    RenderingEffect() = default;

    unsigned getOverloadFlags() const override { return 0; }
    int getEffectPriority() const override { return 11; }

    void setDescriptor(const render::RenderTypeDescriptor& descriptor) override;
    const render::Rendering* getRendering() override;
    SupportStatus getStatus() const { return status; }

private:
    render::RenderTypeDescriptor descriptor;
    render::Rendering* chosen = nullptr;
    SupportStatus status = STATUS_NOT_KNOWN;
};
