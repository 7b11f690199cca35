// ProcessVertices throughput: D3DFVF_VERTEX in, D3DFVF_TLVERTEX out,
// transformed and lit by one point and one directional light.
#include "../support/lights.h"
#include "d3d/vertex/clipper.h"
#include "d3d/vertex/process.h"

#include <d3d.h>

#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

namespace {

using namespace platform::d3d::vertex;

constexpr DWORD kVertexCount = 4096;

D3DMATRIX perspective() {
    D3DMATRIX m{};
    const float q = 100.0f / 99.0f;
    m._11 = 1.0f;
    m._22 = 1.0f;
    m._33 = q;
    m._34 = 1.0f;
    m._43 = -q;
    return m;
}

struct Scene {
    Scene() {
        D3DMATRIX world = identityMatrix();
        world._41 = 0.5f;
        world._43 = 20.0f;
        transform.setTransform(D3DTRANSFORMSTATE_WORLD, world);
        transform.setTransform(D3DTRANSFORMSTATE_PROJECTION, perspective());
        transform.setViewport(
            {sizeof(D3DVIEWPORT2), 0, 0, 640, 480, -1.0f, 1.0f, 2.0f, 2.0f, 0.0f, 1.0f});

        lighting.setMaterial(bench::shinyMaterial());
        lighting.setAmbient(0x00202020);
        const auto lights = bench::pointAndDirectionalLights({2.0f, 3.0f, 10.0f}, 50.0f, 0.05f);
        lighting.setLights(lights.data(), 2);

        // A bumpy sphere of radius 8, mostly in view.
        source.resize(kVertexCount);
        for (DWORD i = 0; i < kVertexCount; ++i) {
            const float a = 0.0015f * static_cast<float>(i) * 6.2831853f;
            const float b = 0.37f * static_cast<float>(i);
            const float nx = std::cos(a) * std::cos(b), ny = std::sin(b),
                        nz = std::sin(a) * std::cos(b);
            D3DVERTEX& v = source[i];
            v.x = 8.0f * nx;
            v.y = 8.0f * ny;
            v.z = 8.0f * nz;
            v.nx = nx;
            v.ny = ny;
            v.nz = nz;
            v.tu = static_cast<float>(i % 64) / 64.0f;
            v.tv = static_cast<float>(i / 64) / 64.0f;
        }
        destination.resize(kVertexCount);
        codes.resize(kVertexCount);
    }

    TransformState transform;
    LightingState lighting;
    std::vector<D3DVERTEX> source;
    std::vector<D3DTLVERTEX> destination;
    std::vector<DWORD> codes;
};

void run(benchmark::State& state, DWORD operations) {
    Scene scene;
    ProcessRequest request;
    request.operations = operations;
    request.count = kVertexCount;
    for (auto _ : state) {
        const HRESULT hr = processVertices(
            scene.transform, scene.lighting, request,
            {scene.source.data(), D3DFVF_VERTEX, kVertexCount},
            {scene.destination.data(), D3DFVF_TLVERTEX, kVertexCount, scene.codes.data()});
        if (hr != D3D_OK) {
            state.SkipWithError("ProcessVertices failed");
            break;
        }
        benchmark::DoNotOptimize(scene.destination.data());
        benchmark::ClobberMemory();
    }
    state.counters["vertices/s"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * kVertexCount, benchmark::Counter::kIsRate);
}

void BM_TransformAndLight(benchmark::State& state) {
    run(state, D3DVOP_TRANSFORM | D3DVOP_LIGHT);
}
void BM_TransformClipAndLight(benchmark::State& state) {
    run(state, D3DVOP_TRANSFORM | D3DVOP_CLIP | D3DVOP_LIGHT);
}
void BM_TransformOnly(benchmark::State& state) {
    run(state, D3DVOP_TRANSFORM);
}

BENCHMARK(BM_TransformAndLight);
BENCHMARK(BM_TransformClipAndLight);
BENCHMARK(BM_TransformOnly);

}  // namespace
