#include "rendering.h"

#include "../../dxerror.h"
#include "../../image_container.h"
#include "../../rview.h"
#include "../../tmanager.h"

#include <engine/class_registry.h>

#include <cstring>

REGISTER_CLASS(RenderingEffect);

namespace {

constexpr int allStages = 8;

DWORD floatBits(float value) {
    DWORD bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

const D3DDEVICEDESC& deviceDescription() {
    return theCapabilities.hardware.dwFlags ? theCapabilities.hardware : theCapabilities.software;
}

// Capability bits a pass needs before the device is asked at all.
bool capabilitiesAllow(const render::RenderPass& pass) {
    const D3DPRIMCAPS& tri = theCapabilities.hardware.dpcTriCaps;
    if (pass.fog) {
        if (pass.fogKind == render::RenderPass::FOG_TABLE) {
            if (!(tri.dwRasterCaps & D3DPRASTERCAPS_FOGTABLE))
                return false;
        } else {
            if (!(tri.dwRasterCaps & D3DPRASTERCAPS_FOGVERTEX))
                return false;
            if (pass.rangeFog && !(tri.dwRasterCaps & D3DPRASTERCAPS_FOGRANGE))
                return false;
        }
    }
    if (pass.blending) {
        const auto factorBit = [](std::uint32_t factor) { return DWORD(1) << (factor - 1); };
        if (pass.sourceBlend >= 1 && pass.sourceBlend <= 11 &&
            !(tri.dwSrcBlendCaps & factorBit(pass.sourceBlend)))
            return false;
        if (pass.destinationBlend >= 1 && pass.destinationBlend <= 11 &&
            !(tri.dwDestBlendCaps & factorBit(pass.destinationBlend)))
            return false;
    }
    return pass.stages.size() <= deviceDescription().wMaxTextureBlendStages;
}

void bindSampleTextures(const render::RenderPass& pass) {
    if (!theD3DTextureManager)
        return;
    const int stages = std::min<int>(deviceDescription().wMaxTextureBlendStages,
                                     static_cast<int>(pass.stages.size()));
    for (int s = 0; s < stages; ++s) {
        const render::StageRecord& stage = pass.stages[s];
        if (stage.colorOp == D3DTOP_DISABLE && stage.alphaOp == D3DTOP_DISABLE)
            break;
        if (stage.colorArg1 == D3DTA_TEXTURE || stage.alphaArg1 == D3DTA_TEXTURE)
            theD3DTextureManager->setTexture(
                theD3DTextureManager->getSampleTexture(s, ALPHA_GRADED), s);
    }
}

void unbindAll() {
    if (theD3DTextureManager)
        theD3DTextureManager->flushTextures(0, allStages);
}

}  // namespace

void restoreDefaultSettings(bool alpha) {
    RenderStateManager& states = *theRenderStateManager;
    states.setState(RS_FOGENABLE, FALSE);
    states.setState(RS_FOGTABLEMODE, D3DFOG_NONE);
    states.setState(alpha ? MS_RENDER_ALPHA : MS_RENDER_REGULAR);
    states.setState(MS_MODULATE);
    states.setState(TSS_ADDRESSU, 0, D3DTADDRESS_CLAMP);
    states.setState(TSS_ADDRESSV, 0, D3DTADDRESS_CLAMP);
    states.setState(TSS_TEXCOORDINDEX, 0, 0);
    states.setState(TSS_MAGFILTER, 0, D3DTFG_LINEAR);
    states.setState(RS_ZENABLE, FALSE);
    states.setState(RS_ZWRITEENABLE, FALSE);
}

void setupRenderPass(render::RenderPass& pass) {
    RenderStateManager& states = *theRenderStateManager;
    if (pass.blending) {
        states.setState(RS_ALPHABLENDENABLE, TRUE);
        states.setState(RS_SRCBLEND, pass.sourceBlend);
        states.setState(RS_DESTBLEND, pass.destinationBlend);
    }
    if (pass.fog) {
        pass.fogColor->update();
        states.setState(RS_FOGCOLOR, colorToARGB(pass.fogColor->getValue()));
        states.setState(RS_FOGENABLE, TRUE);
        if (pass.fogKind == render::RenderPass::FOG_TABLE) {
            states.setState(RS_FOGTABLEMODE, DWORD(pass.fogMode + 1));
            if (pass.fogMode == render::RenderPass::FOG_LINEAR) {
                pass.fogStart->update();
                pass.fogEnd->update();
                states.setState(RS_FOGSTART, floatBits(pass.fogStart->getValue()));
                states.setState(RS_FOGEND, floatBits(pass.fogEnd->getValue()));
            } else {
                pass.fogDensity->update();
                states.setState(RS_FOGDENSITY, floatBits(pass.fogDensity->getValue()));
            }
        }
    }
    if (pass.stages.empty())
        return;
    int s = 0;
    for (const render::StageRecord& stage : pass.stages) {
        states.setState(TSS_COLOROP, s, stage.colorOp);
        states.setState(TSS_COLORARG1, s, stage.colorArg1);
        states.setState(TSS_COLORARG2, s, stage.colorArg2);
        states.setState(TSS_ALPHAOP, s, stage.alphaOp);
        states.setState(TSS_ALPHAARG1, s, stage.alphaArg1);
        states.setState(TSS_ALPHAARG2, s, stage.alphaArg2);
        states.setState(TSS_TEXCOORDINDEX, s, stage.texCoordIndex);
        ++s;
    }
    if (s < RenderStateManager::textureStageCount) {
        states.setState(TSS_COLOROP, s, D3DTOP_DISABLE);
        states.setState(TSS_ALPHAOP, s, D3DTOP_DISABLE);
    }
}

SupportStatus isSupported(render::Rendering& rendering) {
    RenderStateManager& states = *theRenderStateManager;
    states.pushAll();
    bool passed = true;
    for (render::RenderPass& pass : rendering) {
        if (!capabilitiesAllow(pass)) {
            passed = false;
            break;
        }
        restoreDefaultSettings(false);
        setupRenderPass(pass);
        states.flush();
        unbindAll();
        bindSampleTextures(pass);
        DWORD passes = 0;
        const HRESULT result = g_pDevice ? g_pDevice->ValidateDevice(&passes) : E_FAIL;
        unbindAll();
        if (result == DDERR_SURFACELOST) {
            states.popAll();
            return STATUS_NOT_KNOWN;
        }
        if (FAILED(result)) {
            passed = false;
            break;
        }
    }
    states.popAll();
    return passed ? STATUS_SUPPORTED : STATUS_NOT_SUPPORTED;
}

SupportStatus findVariant(render::RenderTypeDescriptor& descriptor, render::Rendering** chosen) {
    for (render::Rendering& rendering : descriptor) {
        *chosen = &rendering;
        const SupportStatus status = isSupported(rendering);
        if (status != STATUS_NOT_SUPPORTED)
            return status;
    }
    *chosen = nullptr;
    return STATUS_NOT_SUPPORTED;
}

void RenderingEffect::setDescriptor(const render::RenderTypeDescriptor& newDescriptor) {
    descriptor = newDescriptor;
    chosen = nullptr;
    status = STATUS_NOT_KNOWN;
}

const render::Rendering* RenderingEffect::getRendering() {
    if (status == STATUS_NOT_KNOWN && !descriptor.empty() && g_pDevice)
        status = findVariant(descriptor, &chosen);
    return status == STATUS_SUPPORTED ? chosen : nullptr;
}
