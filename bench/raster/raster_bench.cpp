// Fill rate and triangle rate of the software rasteriser, on one core and,
// for the bilinear cases, on two (the argument: rasteriser threads).
//
// The reference case: one texture stage MODULATE (texture x diffuse),
// Gouraud colours, perspective-correct coordinates (rhw varies across the
// quad), depth test LESSEQUAL with writes on a 16-bit depth buffer, into a
// 640x480 R5G6B5 target. Point and bilinear filtering are measured apart.
#include "../peer/peer_workload.h"
#include "../support/raster_state.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <vector>

using namespace platform::d3d::raster;

namespace {

constexpr DWORD kWidth = 640, kHeight = 480;

struct Scene {
    std::vector<BYTE> color = std::vector<BYTE>(kWidth * kHeight * 2);
    std::vector<BYTE> depth = std::vector<BYTE>(kWidth * kHeight * 2);
    std::vector<BYTE> texels;
    Texture texture;
    Rasterizer raster;

    explicit Scene(bool linear, bool textured = true, int threads = 1) : raster(threads) {
        raster.setRenderTarget(
            RenderTarget{color.data(), kWidth * 2, kWidth, kHeight, PixelFormat::R5G6B5});
        DepthBuffer d{depth.data(), kWidth * 2, kWidth, kHeight, DepthFormat::D16};
        raster.setDepthBuffer(&d);
        raster.clear(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, nullptr, 0, 0, 1.0f);

        // 256x256 R5G6B5 checker with noise.
        texels.resize(256 * 256 * 2);
        std::mt19937 rng(7);
        for (int i = 0; i < 256 * 256; ++i) {
            const uint16_t v = static_cast<uint16_t>(((i >> 3) ^ (i >> 11)) & 1 ? 0xffff : rng());
            std::memcpy(&texels[i * 2], &v, 2);
        }
        texture.format = PixelFormat::R5G6B5;
        texture.levels.push_back(TextureLevel{texels.data(), 512, 256, 256});

        bench::modulateTexture(raster.state(), textured ? &texture : nullptr, linear);
        if (!textured)
            raster.state().setTextureStageState(0, D3DTSS_COLOROP, D3DTOP_DISABLE);
    }
};

// The peer benchmark's vertices, as the rasteriser takes them.
std::vector<Vertex> vertices(peer::Workload workload, std::size_t count) {
    const peer::Scene scene = peer::makeScene(workload);
    std::vector<Vertex> out(count);
    for (std::size_t i = 0; i < count; ++i) {
        const peer::ScreenVertex& s = scene.vertices[i];
        out[i].x = s.x;
        out[i].y = s.y;
        out[i].z = s.z;
        out[i].rhw = s.rhw;
        out[i].diffuse = s.color;
        out[i].tex[0][0] = s.u;
        out[i].tex[0][1] = s.v;
    }
    return out;
}

void fill(benchmark::State& state, bool linear, bool textured) {
    Scene scene(linear, textured, static_cast<int>(state.range(0)));
    // One full-screen quad in perspective: the right side is twice as far.
    const std::vector<Vertex> quad = vertices(peer::Workload::Fill, 6);
    const VertexSource src = VertexSource::fromVertices(quad.data(), 6);
    for (auto _ : state) {
        scene.raster.draw(D3DPT_TRIANGLELIST, src, 0, 6);
        scene.raster.finish();
        benchmark::ClobberMemory();
    }
    const double pixels = static_cast<double>(kWidth) * kHeight * state.iterations();
    state.counters["Mpixels/s"] = benchmark::Counter(pixels / 1e6, benchmark::Counter::kIsRate);
}

void BM_FillTexturedPoint(benchmark::State& state) {
    fill(state, false, true);
}
void BM_FillTexturedLinear(benchmark::State& state) {
    fill(state, true, true);
}
void BM_FillGouraudOnly(benchmark::State& state) {
    fill(state, false, false);
}

// Right triangles with 8-pixel legs (32 pixels each) spread over the screen.
void smallTriangles(benchmark::State& state, bool linear) {
    Scene scene(linear, true, static_cast<int>(state.range(0)));
    const int count = 4096;
    const std::vector<Vertex> tris = vertices(peer::Workload::SmallTriangles, 3 * count);
    const VertexSource src =
        VertexSource::fromVertices(tris.data(), static_cast<DWORD>(tris.size()));
    for (auto _ : state) {
        scene.raster.draw(D3DPT_TRIANGLELIST, src, 0, static_cast<DWORD>(tris.size()));
        scene.raster.finish();
        benchmark::ClobberMemory();
    }
    state.counters["Mtriangles/s"] = benchmark::Counter(
        count * static_cast<double>(state.iterations()) / 1e6, benchmark::Counter::kIsRate);
    state.counters["Mpixels/s"] = benchmark::Counter(
        static_cast<double>(scene.raster.stats().pixelsShaded) / 1e6, benchmark::Counter::kIsRate);
}

void BM_SmallTrianglesPoint(benchmark::State& state) {
    smallTriangles(state, false);
}
void BM_SmallTrianglesLinear(benchmark::State& state) {
    smallTriangles(state, true);
}

void BM_Clear(benchmark::State& state) {
    Scene scene(false);
    for (auto _ : state) {
        scene.raster.clear(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, nullptr, 0, 0xff102030, 1.0f);
        benchmark::ClobberMemory();
    }
    state.counters["Mpixels/s"] =
        benchmark::Counter(static_cast<double>(kWidth) * kHeight * state.iterations() / 1e6,
                           benchmark::Counter::kIsRate);
}

}  // namespace

BENCHMARK(BM_FillTexturedPoint)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FillTexturedLinear)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FillGouraudOnly)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SmallTrianglesPoint)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SmallTrianglesLinear)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Clear)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
