// The lighting the vertex-processing benchmarks measure: a material with a
// specular highlight and two white lights, a point light where the benchmark
// puts it (in front of its geometry) and a directional one.
#pragma once

#include <d3dtypes.h>

#include <array>

namespace bench {

inline D3DMATERIAL shinyMaterial() {
    D3DMATERIAL m{};
    m.dwSize = sizeof m;
    m.diffuse = {{0.8f}, {0.7f}, {0.6f}, {1.0f}};
    m.ambient = {{0.2f}, {0.2f}, {0.2f}, {1.0f}};
    m.specular = {{1.0f}, {1.0f}, {1.0f}, {1.0f}};
    m.power = 12.0f;
    return m;
}

inline std::array<D3DLIGHT2, 2> pointAndDirectionalLights(const D3DVECTOR& point, float range,
                                                          float attenuation1) {
    std::array<D3DLIGHT2, 2> lights{};
    for (D3DLIGHT2& light : lights) {
        light.dwSize = sizeof(D3DLIGHT2);
        light.dcvColor = {{1.0f}, {1.0f}, {1.0f}, {0.0f}};
        light.dwFlags = D3DLIGHT_ACTIVE;
    }
    lights[0].dltType = D3DLIGHT_POINT;
    lights[0].dvPosition = point;
    lights[0].dvRange = range;
    lights[0].dvAttenuation0 = 1.0f;
    lights[0].dvAttenuation1 = attenuation1;
    lights[1].dltType = D3DLIGHT_DIRECTIONAL;
    lights[1].dvDirection = {0.3f, -0.5f, 1.0f};
    return lights;
}

}  // namespace bench
