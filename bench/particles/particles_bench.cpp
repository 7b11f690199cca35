// Frames of 10 000 sprite particles at 640 x 480 x 16, headless, through the
// whole driver: the simulation step, the visualization's quads written into
// the shared buffer and drawn 128 at a time, blended, present.
//
// ParticleFrame/<mode>: frames per second of wall time (items_per_second)
// with the sparks preset's texture, additive ("spark") or sorted alpha
// ("alpha"), and the DrawIndexedPrimitiveVB calls per frame.
// ParticleFrame/spark_without_drawing: the same with the sprite draws
// answered D3D_OK without rasterising, through the platform's call
// injection: the simulation, the quads and the rest of the frame.
#include "../support/frames.h"
#include "../support/headless_driver.h"
#include "special/particles/vb_sprite_visualization.h"

#include <engine/core/globals.h>
#include <engine/core/particles/particle_engine.h>
#include <engine/core/render_driver.h>
#include <engine/core/render_view.h>
#include <engine/core/render_view_factory.h>
#include <engine/core/view.h>
#include <platform/testing.h>

#include <benchmark/benchmark.h>

#include <memory>
#include <stdexcept>
#include <string>

namespace {

constexpr int particleCount = 10000;

class ParticleView : public View {
public:
    explicit ParticleView(particles::ParticleBaseEngine& system) : system(system) {}

protected:
    void drawContent(RenderView&) override {
        system.update(1.0f / 60.0f);
        system.render();
    }

private:
    particles::ParticleBaseEngine& system;
};

// The driver with the repository's data, a 640 x 480 x 16 full-screen mode
// and one view looking at a cloud of particles that live for ever.
class ParticleSetup {
public:
    ParticleSetup() {
        particles::EmitterSettings settings;
        settings.maxParticles = particleCount;
        settings.emissionRate = 0.0f;
        settings.lifetime = 1e6f;
        settings.emitterRadius = 3.0f;
        settings.speed = 0.0f;
        settings.startSize = settings.endSize = 0.04f;
        system = std::make_unique<particles::ParticleBaseEngine>(settings);
        auto made = std::make_unique<VBSpriteParticleVisualization>();
        sprite = made.get();
        system->setVisualization(std::move(made));
        sprite->setTextureName("spark.tga");
        sprite->setUseParticleSize(true);
        system->setTransformation(TMatrix(), Vector(0, 0, 8));
        system->burst(particleCount);

        view = std::make_unique<ParticleView>(*system);
        renderView = theRenderViewFactory->create(*view);
        view->setRenderView(renderView);
        theRenderDriver->registerView(view.get());
        for (int i = 0; i < 3; ++i)
            theRenderDriver->draw();
    }
    ~ParticleSetup() {
        theRenderDriver->unregisterView(view.get());
        view->setRenderView(nullptr);
        theRenderViewFactory->destroy(renderView);
        system.reset();
    }

    VBSpriteParticleVisualization* sprite = nullptr;

private:
    bench::HeadlessDriver driver{"bench_particles", Color(0.05f, 0.05f, 0.1f)};
    std::unique_ptr<particles::ParticleBaseEngine> system;
    std::unique_ptr<ParticleView> view;
    RenderView* renderView = nullptr;
};

ParticleSetup& setup() {
    static ParticleSetup s;
    return s;
}

void ParticleFrame(benchmark::State& state, const char* mode, bool sorted, bool drawing) {
    ParticleSetup& s = setup();
    s.sprite->setRendering(mode);
    s.sprite->setSortParticles(sorted);
    const char* const draws = "IDirect3DDevice3::DrawIndexedPrimitiveVB";
    const bench::CallCounts calls({bench::CallCounts::Entry{"DrawIndexedPrimitiveVB", draws}});
    if (drawing)
        bench::timeFrames(state);
    else
        bench::timeFramesWithout(state, {draws}, 100);
    state.counters["particles"] = s.sprite->getDrawnCount();
    calls.report(state);
}

BENCHMARK_CAPTURE(ParticleFrame, spark, "spark", false, true)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(ParticleFrame, alpha_sorted, "alpha", true, true)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(ParticleFrame, spark_without_drawing, "spark", false, false)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
