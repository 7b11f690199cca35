// MappingEffect: the mesh drawn a second time with another texture through
// its own texture coordinates, over its normal picture or instead of it.
#pragma once

#include "special/mapping/mapping_pass.h"

#include <engine/core/mapping_interfaces.h>
#include <engine/core/render_mesh_interface.h>

class MappingEffect : public MappingEffectInterface, public EffectiveRenderMesh {
public:
    static constexpr unsigned overloadFlags = OVERLOAD_PREPARE_VIEW | OVERLOAD_RENDER;
    static constexpr int priority = 8;

    MappingEffect() = default;

    unsigned getOverloadFlags() const override { return overloadFlags; }
    int getEffectPriority() const override { return priority; }
    void prepareView(RenderView* view) override;
    void render(RenderInformation* info) override;
    RenderMeshInterface* attach(RenderMeshInterface* chain) override;

    void setKeptFlag() override { keptFlag = true; }
    void clearKeptFlag() override { keptFlag = false; }
    void clearSecondKeptFlag() override { secondKeptFlag = false; }
    void setAlpha(float alpha) override;
    void refresh() override {}
    void setTexture(const std::string& name) override { texture.set(name); }
    void setReplace() override { overlay = 0; }
    void setOverlay() override { overlay = 1; }
    void setThirdKeptFlag(bool on) override { thirdKeptFlag = on; }
    void setBlendMode(int mode) override { blendMode = mode; }
    void reserved11() override {}
    void reserved12() override {}
    void setKeptByte(unsigned char value) override { keptByte = value; }
    void setKeptInt(int value) override { keptInt = value; }

    int getAlpha() const { return alpha; }
    bool isOverlay() const { return overlay != 0; }
    bool hasTexture() const { return bool(texture); }

private:
    void drawMappedPass(D3DOneLevelRenderMesh& mesh);

    mapping::MappedTexture texture;
    int blendMode = 2;
    int alpha = 1;
    int overlay = 0;
    bool cached = false;
    RenderView* lastView = nullptr;
    bool keptFlag = false;
    bool secondKeptFlag = false;
    bool thirdKeptFlag = false;
    unsigned char keptByte = 0;
    int keptInt = 0;
};
