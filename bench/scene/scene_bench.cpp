// One frame of d3dview's demo scene at 640 x 480 x 16, headless, through the
// whole driver: the frame loop on the core thread, views, lights, mesh
// morph/transform/render, deferred alpha, present.
//
// SceneFrame: frames per second (items_per_second), and per frame the
// SetRenderState, SetTextureStageState and SetTexture calls that reach the
// device (the platform's call counters), with the draw and vertex-processing
// calls.
//
// SceneFrameWithoutDeviceWork: the same frames, with the device's heavy calls
// (ProcessVertices, DrawPrimitive*, viewport Clear, surface Blt and Flip)
// answered D3D_OK without doing their work, through the platform's call
// injection. What is left is the driver, the engine and the device's
// bookkeeping, so 1 - (its time / SceneFrame's time) is the device's share
// of a frame; the SceneFrame run reports it as device_share when both ran.
#include "../support/frames.h"
#include "../support/headless_driver.h"
#include "scene/demo_scene.h"

#include <engine/core/globals.h>
#include <engine/core/render_driver.h>
#include <platform/testing.h>

#include <benchmark/benchmark.h>

#include <vector>

namespace {

const std::vector<const char*> deviceWork = {
    "IDirect3DVertexBuffer::ProcessVertices", "IDirect3DDevice3::DrawPrimitiveVB",
    "IDirect3DDevice3::DrawPrimitive",        "IDirect3DDevice3::DrawIndexedPrimitive",
    "IDirect3DDevice3::DrawIndexedPrimitiveVB", "IDirect3DViewport3::Clear2",
    "IDirect3DViewport3::Clear",              "IDirectDrawSurface4::Blt",
    "IDirectDrawSurface4::Flip",
};

// The demo scene shown afresh for each benchmark.
void showScene() {
    static bench::SessionSetup<scene::SceneContent, scene::SceneSession> setup(
        "bench_scene", Color(0.125f, 0.19f, 0.375f));
    setup.show({});
}

double fullFrameSeconds = 0.0;

void SceneFrame(benchmark::State& state) {
    showScene();
    const bench::CallCounts calls({
        {"SetRenderState", "IDirect3DDevice3::SetRenderState"},
        {"SetTextureStageState", "IDirect3DDevice3::SetTextureStageState"},
        {"SetTexture", "IDirect3DDevice3::SetTexture"},
        {"DrawPrimitiveVB", "IDirect3DDevice3::DrawPrimitiveVB"},
        {"ProcessVertices", "IDirect3DVertexBuffer::ProcessVertices"},
    });
    fullFrameSeconds = bench::timeFrames(state);
    calls.report(state);
}

void SceneFrameWithoutDeviceWork(benchmark::State& state) {
    showScene();
    // More than a frame makes; the rest are cleared before the next one.
    const double frame = bench::timeFramesWithout(state, deviceWork, 512);
    if (fullFrameSeconds > 0.0)
        state.counters["device_share"] = 1.0 - frame / fullFrameSeconds;
}

}  // namespace

BENCHMARK(SceneFrame)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(SceneFrameWithoutDeviceWork)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_MAIN();
