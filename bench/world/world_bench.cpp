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

#include <memory>
#include <stdexcept>
#include <string>

namespace {

// The driver loaded with the repository's data and a 640 x 480 x 16
// full-screen mode; the world is shown with the effects asked for.
class WorldSetup {
public:
    // The world with `effects` (WorldEffect bits), warmed up.
    scene::WorldSession& show(unsigned effects) {
        session.reset();
        scene::WorldSession::Settings settings;
        settings.aspect = 640.0f / 480.0f;
        settings.effects = effects;
        settings.highlightTarget = "statue";
        settings.clock = [this] { return static_cast<float>(frame++) / 30.0f; };
        session = std::make_unique<scene::WorldSession>(*theRenderDriver, *content, settings);
        if (!session->ready())
            throw std::runtime_error(session->whyNot());
        // Textures loaded, buffers made, the water's first drops fallen.
        for (int i = 0; i < 5; ++i)
            theRenderDriver->draw();
        return *session;
    }

private:
    bench::HeadlessDriver driver{"bench_world", scene::worldSkyColor()};
    std::unique_ptr<scene::WorldContent> content = std::make_unique<scene::WorldContent>();
    std::unique_ptr<scene::WorldSession> session;
    int frame = 0;
};

WorldSetup& setup() {
    static WorldSetup s;
    return s;
}

double effectsFrameSeconds = 0.0;
double plainFrameSeconds = 0.0;

void WorldFrame(benchmark::State& state) {
    const scene::WorldSession& world = setup().show(scene::WORLD_ALL);
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
    setup().show(0);
    plainFrameSeconds = bench::timeFrames(state);
}

}  // namespace

BENCHMARK(WorldFrameWithoutEffects)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(WorldFrame)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_MAIN();
