// One frame of d3dview's world scene (--scene world) at 640 x 480 x 16,
// headless, with every effect the driver offers, through the whole driver.
//
// WorldFrame: frames per second (items_per_second) and, per frame, the calls
// that reach the device (the platform's call counters): state and texture
// changes, vertex processing and draws, and their sum as device_calls. The
// effects the driver made are reported as a bit mask (effects, WorldEffect
// bits); a missing bit is an effect the driver does not offer yet.
//
// WorldFrameWithoutEffects: the same world with no effect, so that the
// effects' share of a frame is 1 - (its time / WorldFrame's time), reported
// by WorldFrame as effects_share when both ran.
#include "../support/frames.h"
#include "../support/headless_driver.h"
#include "scene/world_scene.h"

#include <engine/core/globals.h>
#include <engine/core/render_driver.h>

#include <benchmark/benchmark.h>

namespace {

// The world with `effects` (WorldEffect bits), the highlight on the statue.
const scene::WorldSession& show(unsigned effects) {
    static bench::SessionSetup<scene::WorldContent, scene::WorldSession> setup(
        "bench_world", scene::worldSkyColor());
    scene::WorldSession::Settings settings;
    settings.effects = effects;
    settings.highlightTarget = "statue";
    return setup.show(settings);
}

double effectsFrameSeconds = 0.0;
double plainFrameSeconds = 0.0;

void WorldFrame(benchmark::State& state) {
    const scene::WorldSession& world = show(scene::WORLD_ALL);
    const bench::CallCounts calls({
        {"SetRenderState", "IDirect3DDevice3::SetRenderState"},
        {"SetTextureStageState", "IDirect3DDevice3::SetTextureStageState"},
        {"SetTexture", "IDirect3DDevice3::SetTexture"},
        {"ProcessVertices", "IDirect3DVertexBuffer::ProcessVertices"},
        {"DrawPrimitiveVB", "IDirect3DDevice3::DrawPrimitiveVB"},
        {"DrawIndexedPrimitiveVB", "IDirect3DDevice3::DrawIndexedPrimitiveVB"},
        {"DrawPrimitive", "IDirect3DDevice3::DrawPrimitive"},
        {"DrawIndexedPrimitive", "IDirect3DDevice3::DrawIndexedPrimitive"},
    });
    effectsFrameSeconds = bench::timeFrames(state);
    state.counters["device_calls"] = calls.report(state);
    state.counters["effects"] = static_cast<double>(world.effectsShown());
    if (plainFrameSeconds > 0.0 && world.effectsShown() != 0)
        state.counters["effects_share"] = 1.0 - plainFrameSeconds / effectsFrameSeconds;
}

void WorldFrameWithoutEffects(benchmark::State& state) {
    show(0);
    plainFrameSeconds = bench::timeFrames(state);
}

}  // namespace

BENCHMARK(WorldFrameWithoutEffects)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(WorldFrame)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_MAIN();
