// PlanarMappingEffect: the mesh drawn again with coordinates made by
// projecting its vertices through a plane, for projected textures, light
// spots and shadows.
#pragma once

#include "special/mapping/generated_mapping.h"

#include <vector>

class PlanarMappingEffect final : public GeneratedMappingEffect<PlanarMappingEffectInterface> {
public:
    static constexpr unsigned overloadFlags = OVERLOAD_PREPARE_VIEW | OVERLOAD_RENDER;

    PlanarMappingEffect() { addressMode = D3DTADDRESS_CLAMP; }
    ~PlanarMappingEffect() override { leaveChain(); }
    PlanarMappingEffect(const PlanarMappingEffect&) = delete;
    PlanarMappingEffect& operator=(const PlanarMappingEffect&) = delete;

    unsigned getOverloadFlags() const override { return overloadFlags; }

    void setPerFacePositions(bool on) override { perFacePositions = on; }
    void setKeptInt(int value) override { keptInt = value; }
    void setWrap() override { addressMode = D3DTADDRESS_WRAP; }
    void setClamp() override { addressMode = D3DTADDRESS_CLAMP; }
    void setBackFacePush(bool on) override { backFacePush = on; }

    DWORD getAddressMode() const { return addressMode; }
    // The factor, over 256, by which the vertices' diffuse alpha is scaled.
    int alphaScale() const;
    // (u, v) of a model-space vertex; pushed out of the texture when the
    // face looks away from the plane and the push is on.
    void coordinates(const Vector& position, const Vector& normal, float& u, float& v) const;

private:
    bool drawsPass() const override { return enabled && alpha != 0; }
    void beginRender() override;
    void prepareCoordinates(D3DOneLevelRenderMesh& mesh) override;
    void setBlendStates(StateScope& scope, bool alphaSelected) const override;
    mapping::DrawOptions drawOptions() const override { return {false, true}; }
    // The positions of the buffer's vertices taken from the mesh's faces.
    std::vector<Vector> facePositions(const D3DOneLevelRenderMesh& mesh) const;

    bool perFacePositions = false;
    bool backFacePush = false;
    int keptInt = 0;
};
