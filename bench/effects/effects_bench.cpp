// d3dview's demo scene at 640 x 480 x 16, headless, with and without its
// special effects (fade, trace, contour on the column, aureole, dissolving
// ring, halos, smoke, sparks), through the whole driver.
//
// SceneWithEffects/N, N the effects shown (scene::SceneEffect bits: 1 fade,
// 2 trace, 4 contour, 8 aureole, 16 dissolve, 32 halos, 64 smoke,
// 128 sparks, 255 all, 254 all but the fade,
// as after the first 1.5 s of the demo): frames per second (items_per_second) and per
// frame the calls that reach the device: draws, state changes, texture
// binds and every IDirect3DDevice3 call together. The /1 run reports
// effects_cost, 1 - (frame rate with effects / frame rate without), when /0
// ran first. The scene's clock stays inside the fade's first 1.3 s, so the
// overlay is drawn in every frame.
#include "../support/frames.h"
#include "../support/headless_driver.h"
#include "scene/demo_scene.h"

#include <engine/core/globals.h>
#include <engine/core/render_driver.h>

#include <benchmark/benchmark.h>

#include <cmath>
#include <stdexcept>

namespace {

double framesPerSecondWithout = 0.0;

void SceneWithEffects(benchmark::State& state) {
    const unsigned effects = static_cast<unsigned>(state.range(0));
    int frame = 0;
    scene::SceneSession::Settings settings;
    settings.effects = effects;
    settings.contourTarget = "column";
    settings.clock = [&frame] { return 0.1f + std::fmod(static_cast<float>(frame++) / 30.0f, 1.3f); };
    static bench::SessionSetup<scene::SceneContent, scene::SceneSession> setup(
        "bench_effects", Color(0.125f, 0.19f, 0.375f));
    try {
        setup.show(settings);
    } catch (const std::exception& e) {
        state.SkipWithError(e.what());
        return;
    }

    const bench::CallCounts calls({
        {"DrawPrimitive", "IDirect3DDevice3::DrawPrimitive"},
        {"DrawPrimitiveVB", "IDirect3DDevice3::DrawPrimitiveVB"},
        {"SetRenderState", "IDirect3DDevice3::SetRenderState"},
        {"SetTextureStageState", "IDirect3DDevice3::SetTextureStageState"},
        {"SetTexture", "IDirect3DDevice3::SetTexture"},
    });
    const double fps = 1.0 / bench::timeFrames(state);
    state.counters["device_calls"] = calls.report(state);
    if (!effects)
        framesPerSecondWithout = fps;
    else if (framesPerSecondWithout > 0.0)
        state.counters["effects_cost"] = 1.0 - fps / framesPerSecondWithout;
}

}  // namespace

BENCHMARK(SceneWithEffects)
    ->Arg(0)
    ->Arg(scene::EFFECT_ALL)
    ->Arg(scene::EFFECT_ALL & ~scene::EFFECT_FADE)
    ->Arg(scene::EFFECT_FADE)
    ->Arg(scene::EFFECT_TRACE)
    ->Arg(scene::EFFECT_CONTOUR)
    ->Arg(scene::EFFECT_AUREOLE)
    ->Arg(scene::EFFECT_DISSOLVE)
    ->Arg(scene::EFFECT_HALOS)
    ->Arg(scene::EFFECT_SMOKE)
    ->Arg(scene::EFFECT_SPARKS)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

BENCHMARK_MAIN();
