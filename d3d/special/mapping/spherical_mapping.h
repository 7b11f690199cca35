// SphericalMappingEffect: the mesh drawn again with coordinates made from
// its vertices' directions seen through a sphere, for chrome, reflections
// and glints.
#pragma once

#include "special/mapping/generated_mapping.h"

class SphericalMappingEffect final
    : public GeneratedMappingEffect<SphericalMappingEffectInterface> {
public:
    static constexpr unsigned overloadFlags =
        OVERLOAD_PREPARE_VIEW | OVERLOAD_TRANSFORM | OVERLOAD_RENDER;

    SphericalMappingEffect() = default;
    ~SphericalMappingEffect() override { leaveChain(); }
    SphericalMappingEffect(const SphericalMappingEffect&) = delete;
    SphericalMappingEffect& operator=(const SphericalMappingEffect&) = delete;

    unsigned getOverloadFlags() const override { return overloadFlags; }
    void transform(TransformInformation* info) override;

    void setKeptByte(unsigned char value) override { keptByte = value; }
    void setKeptInt(int value) override { keptInt = value; }
    void setFromCentre(bool on) override { fromCentre = on; }
    void setNormalMode(bool on) override { normalMode = on; }
    void setRadius(float r) override { radius = r; }
    void setCentre(float x, float y, float z) override { centre = Vector(x, y, z); }
    void setCameraSpace(bool on) override { cameraSpace = on; }

    struct Modes {
        bool fromCentre;
        bool normal;
        float radius;
        Vector centre;
    };
    // The direction a vertex looks along: its normal, its way from the
    // centre, or where its normal's ray leaves the sphere ((0, 0, 0) when it
    // misses). False with neither mode: the mesh's own coordinates are used.
    static bool direction(const Modes& modes, const Vector& position, const Vector& normal,
                          Vector& d);
    // (u, v) of a direction through the columns of the mapping matrix.
    static void coordinates(const TMatrix& m, const Vector& d, float& u, float& v);

private:
    bool drawsPass() const override { return enabled; }
    void setBlendStates(StateScope& scope, bool alphaSelected) const override;
    mapping::DrawOptions drawOptions() const override { return {true, false}; }
    // The mapping matrix through the mesh's and the camera's orientation.
    TMatrix compositeMatrix(const D3DOneLevelRenderMesh& mesh) const;
    void compute(D3DOneLevelRenderMesh& mesh);

    unsigned char keptByte = 0;
    int keptInt = 0;
    bool fromCentre = false;
    bool normalMode = true;
    float radius = 1.0f;
    Vector centre;
    bool cameraSpace = true;
};
