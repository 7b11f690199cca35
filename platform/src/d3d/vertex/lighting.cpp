#include "d3d/vertex/lighting.h"

#include <d3d.h>

#include <algorithm>
#include <cmath>

namespace platform::d3d::vertex {

namespace {

constexpr float kPi = 3.14159265358979f;

Vec3 rgb(const D3DCOLORVALUE& c) {
    return {c.r, c.g, c.b};
}
Vec3 mul(Vec3 a, Vec3 b) {
    return {a.x * b.x, a.y * b.y, a.z * b.z};
}

Vec3 unpackRgb(D3DCOLOR c) {
    constexpr float k = 1.0f / 255.0f;
    return {RGBA_GETRED(c) * k, RGBA_GETGREEN(c) * k, RGBA_GETBLUE(c) * k};
}

DWORD toByte(float v) {
    // Also maps NaN to 0.
    if (!(v > 0.0f))
        return 0;
    if (v >= 1.0f)
        return 255;
    return static_cast<DWORD>(v * 255.0f + 0.5f);
}

bool hasLength(const D3DVECTOR& v) {
    return v.x != 0.0f || v.y != 0.0f || v.z != 0.0f;
}

}  // namespace

D3DCOLOR packColor(float r, float g, float b, float a) {
    return (toByte(a) << 24) | (toByte(r) << 16) | (toByte(g) << 8) | toByte(b);
}

LightingState::LightingState() : material_{} {
    material_.dwSize = sizeof(D3DMATERIAL);
}

HRESULT LightingState::validateLight(const D3DLIGHT2& l) {
    switch (l.dltType) {
        case D3DLIGHT_POINT:
        case D3DLIGHT_PARALLELPOINT:
            break;
        case D3DLIGHT_DIRECTIONAL:
            if (!hasLength(l.dvDirection))
                return DDERR_INVALIDPARAMS;
            break;
        case D3DLIGHT_SPOT:
            if (!hasLength(l.dvDirection))
                return DDERR_INVALIDPARAMS;
            if (!(l.dvTheta >= 0.0f && l.dvTheta <= l.dvPhi && l.dvPhi <= kPi + 1e-5f)) {
                return DDERR_INVALIDPARAMS;
            }
            break;
        default:
            return DDERR_INVALIDPARAMS;
    }
    if (!(l.dvRange >= 0.0f)) {
        return DDERR_INVALIDPARAMS;
    }
    return D3D_OK;
}

HRESULT LightingState::setLights(const D3DLIGHT2* lights, DWORD count) {
    if (count > 0 && lights == nullptr) {
        return DDERR_INVALIDPARAMS;
    }
    for (DWORD i = 0; i < count; ++i) {
        const HRESULT hr = validateLight(lights[i]);
        if (hr != D3D_OK)
            return hr;
    }
    lights_.assign(lights, lights + count);
    return D3D_OK;
}

VertexLighter::VertexLighter(const LightingState& state, Vec3 eyeWorld) : eye_(eyeWorld) {
    const D3DMATERIAL& m = state.material();
    base_ = rgb(m.emissive) + mul(rgb(m.ambient), unpackRgb(state.ambient()));
    alpha_ = m.diffuse.a;
    power_ = m.power;
    const Vec3 matSpecular = rgb(m.specular);
    const bool materialShines =
        power_ > 0.0f && (matSpecular.x > 0.0f || matSpecular.y > 0.0f || matSpecular.z > 0.0f);

    for (const D3DLIGHT2& l : state.lights()) {
        if ((l.dwFlags & D3DLIGHT_ACTIVE) == 0)
            continue;
        PreparedLight p{};
        p.type = l.dltType;
        p.position = toVec3(l.dvPosition);
        p.toLight = normalized(toVec3(l.dvDirection) * -1.0f);
        p.spotAxis = normalized(toVec3(l.dvDirection));
        p.rangeSquared = l.dvRange * l.dvRange;
        p.att0 = l.dvAttenuation0;
        p.att1 = l.dvAttenuation1;
        p.att2 = l.dvAttenuation2;
        p.cosHalfTheta = std::cos(0.5f * l.dvTheta);
        p.cosHalfPhi = std::cos(0.5f * l.dvPhi);
        const float width = p.cosHalfTheta - p.cosHalfPhi;
        p.invConeWidth = width > 0.0f ? 1.0f / width : 0.0f;
        p.falloff = l.dvFalloff;
        const Vec3 color = rgb(l.dcvColor);
        p.diffuse = mul(rgb(m.diffuse), color);
        p.hasSpecular = materialShines && (l.dwFlags & D3DLIGHT_NO_SPECULAR) == 0;
        p.specular = p.hasSpecular ? mul(matSpecular, color) : Vec3{};
        anySpecular_ = anySpecular_ || p.hasSpecular;
        lights_.push_back(p);
    }
}

LitColors VertexLighter::light(Vec3 position, Vec3 normal) const {
    Vec3 diffuse = base_;
    Vec3 specular{};
    const Vec3 toEye = anySpecular_ ? normalized(eye_ - position) : Vec3{};

    for (const PreparedLight& l : lights_) {
        Vec3 toLight;
        float scale = 1.0f;
        if (l.type == D3DLIGHT_DIRECTIONAL) {
            toLight = l.toLight;
        } else {
            const Vec3 d = l.position - position;
            const float d2 = dot(d, d);
            if (l.type == D3DLIGHT_PARALLELPOINT) {
                toLight = normalized(d);
            } else {
                if (d2 > l.rangeSquared)
                    continue;
                const float dist = std::sqrt(d2);
                // A vertex on the light itself faces it whatever its normal.
                toLight = dist > 0.0f ? d * (1.0f / dist) : normal;
                const float denom = l.att0 + l.att1 * dist + l.att2 * d2;
                // Attenuations that sum to nothing mean no attenuation.
                scale = denom > 0.0f ? 1.0f / denom : 1.0f;
                if (l.type == D3DLIGHT_SPOT) {
                    const float rho = -dot(toLight, l.spotAxis);
                    if (rho <= l.cosHalfPhi)
                        continue;
                    if (rho < l.cosHalfTheta) {
                        const float t = (rho - l.cosHalfPhi) * l.invConeWidth;
                        scale *= l.falloff == 1.0f ? t : std::pow(t, l.falloff);
                    }
                }
            }
        }
        const float nDotL = dot(normal, toLight);
        if (nDotL <= 0.0f)
            continue;
        diffuse = diffuse + l.diffuse * (nDotL * scale);
        if (l.hasSpecular) {
            const Vec3 halfway = normalized(toLight + toEye);
            const float nDotH = dot(normal, halfway);
            if (nDotH > 0.0f) {
                specular = specular + l.specular * (std::pow(nDotH, power_) * scale);
            }
        }
    }
    // Lighting leaves the specular alpha at 0: it is the vertex fog factor,
    // which only D3DLIGHTSTATE_FOGMODE (or the application) sets.
    return {packColor(diffuse.x, diffuse.y, diffuse.z, alpha_),
            packColor(specular.x, specular.y, specular.z, 0.0f)};
}

}  // namespace platform::d3d::vertex
