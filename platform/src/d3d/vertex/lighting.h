// Fixed-function lighting of the software device, the DirectX 6 model:
//
//   diffuse  = emissive + material ambient * ambient light state
//              + sum over lights of material diffuse * light colour * max(N.L, 0) * a * s
//   specular = sum over lights of material specular * light colour * max(N.H, 0)^power * a * s
//
// with a = 1 / (a0 + a1 d + a2 d^2) for point and spot lights (1 for
// directional ones), s the spot cone factor, H = normalize(L + V) the
// half-way vector between the direction to the light and the direction to
// the camera (a local viewer). Lights farther than their range give nothing.
// Each channel is clamped to [0, 1]; diffuse alpha is the material's diffuse
// alpha, specular alpha 0 (the vertex fog factor is not lighting's to set).
//
// Lighting happens in world space, so light positions, directions and ranges
// are world quantities whatever scale the view matrix carries, and normals
// are renormalised after the world transform.
#pragma once

#include "d3d/vertex/vmath.h"

#include <d3dtypes.h>
#include <windef.h>

#include <vector>

namespace platform::d3d::vertex {

class PLATFORM_API LightingState {
public:
    LightingState();

    void setMaterial(const D3DMATERIAL& material) { material_ = material; }
    const D3DMATERIAL& material() const { return material_; }
    // D3DLIGHTSTATE_AMBIENT: a packed 0xAARRGGBB colour.
    void setAmbient(D3DCOLOR ambient) { ambient_ = ambient; }
    D3DCOLOR ambient() const { return ambient_; }

    // Replaces the light list. DDERR_INVALIDPARAMS (list unchanged) for an
    // unknown type, a negative range, a spot or directional light without a
    // direction, or spot angles outside 0 <= theta <= phi <= pi. Lights
    // without D3DLIGHT_ACTIVE are kept but give no light.
    HRESULT setLights(const D3DLIGHT2* lights, DWORD count);
    static HRESULT validateLight(const D3DLIGHT2& light);
    const std::vector<D3DLIGHT2>& lights() const { return lights_; }

private:
    D3DMATERIAL material_;
    D3DCOLOR ambient_ = 0;
    std::vector<D3DLIGHT2> lights_;
};

struct LitColors {
    D3DCOLOR diffuse;
    D3DCOLOR specular;
};

// Everything about the lights that does not depend on the vertex, worked out
// once per batch of vertices.
class PLATFORM_API VertexLighter {
public:
    VertexLighter(const LightingState& state, Vec3 eyeWorld);

    // Lights one vertex given in world space; `normal` must be unit length.
    LitColors light(Vec3 position, Vec3 normal) const;

private:
    struct PreparedLight {
        D3DLIGHTTYPE type;
        Vec3 position;
        Vec3 toLight;   // directional: unit vector towards the light
        Vec3 spotAxis;  // spot: unit direction the light shines along
        float rangeSquared;
        float att0, att1, att2;
        float cosHalfTheta, cosHalfPhi, invConeWidth, falloff;
        Vec3 diffuse;   // material diffuse * light colour
        Vec3 specular;  // material specular * light colour; zero when off
        bool hasSpecular;
    };

    std::vector<PreparedLight> lights_;
    Vec3 base_;  // emissive + material ambient * ambient
    float alpha_;
    float power_;
    bool anySpecular_ = false;
    Vec3 eye_;
};

// Packs a colour with channels in [0, 1] (clamped) as 0xAARRGGBB.
PLATFORM_API D3DCOLOR packColor(float r, float g, float b, float a);

}  // namespace platform::d3d::vertex
