// The water surface's work per frame on the processor, without a device:
// the drops owed for a 60th of a second, one step of the height field and
// the source vertices written (heights clamped, normals, refraction), for a
// round lake filling a 64 x 64 map at each quality level of the repository's
// Water.cfg. Items are frames; the counters give the grid's vertices.
#include "special/water/water.h"

#include <engine/core/degrading_manager.h>
#include <engine/core/globals.h>

#include <benchmark/benchmark.h>

#include <vector>

namespace {

constexpr int mapSize = 64;

CellMask lake() {
    CellMask mask(mapSize, mapSize);
    const float r = mapSize * 0.5f - 1.0f;
    for (int y = 0; y < mapSize; ++y)
        for (int x = 0; x < mapSize; ++x) {
            const float dx = x + 0.5f - mapSize * 0.5f;
            const float dy = y + 0.5f - mapSize * 0.5f;
            mask.set(x, y, dx * dx + dy * dy <= r * r);
        }
    return mask;
}

void WaterFrame(benchmark::State& state) {
    DegradingManager manager;
    manager.setQualityLevel(static_cast<int>(state.range(0)));
    theDegradingManager = &manager;
    {
        Water water;
        const CellMask mask = lake();
        water.initialize(mask.getWidth(), mask.getHeight(), mask.data());
        if (!water.isBuilt()) {
            state.SkipWithError("the lake was refused");
        } else {
            water.setEye(Vector(0.0f, 20.0f, -30.0f));
            std::vector<Water::SourceVertex> vertices(water.getGrid().getVertexCount());
            constexpr float step = 1.0f / 60.0f;
            for (auto _ : state) {
                water.makeDrops(step);
                water.simulate(step);
                water.fillVertices(vertices.data());
                benchmark::DoNotOptimize(vertices.data());
            }
            state.SetItemsProcessed(state.iterations());
            state.counters["vertices"] = water.getGrid().getVertexCount();
            state.counters["detail"] = water.getSettings().detail;
        }
    }
    theDegradingManager = nullptr;
}
BENCHMARK(WaterFrame)->DenseRange(0, 3)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
