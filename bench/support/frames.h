// Figures of frames drawn through the whole driver: their wall-clock time and
// the calls that reach the device per frame.
#pragma once

#include <d3d.h>
#include <engine/core/globals.h>
#include <engine/core/render_driver.h>
#include <platform/testing.h>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstddef>
#include <utility>
#include <vector>

namespace bench {

// Draws a frame per iteration; gives the wall-clock seconds per frame, and
// counts the frames as the run's items.
inline double timeFrames(benchmark::State& state) {
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state)
        theRenderDriver->draw();
    state.SetItemsProcessed(state.iterations());
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() /
           static_cast<double>(state.iterations());
}

// As timeFrames, with the calls of `methods` answered D3D_OK without their
// work, `each` of them per frame (more than a frame makes; set up outside the
// timing, and its time left out of the seconds given).
inline double timeFramesWithout(benchmark::State& state, std::vector<const char*> methods,
                                int each) {
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    Clock::duration paused{};
    for (auto _ : state) {
        state.PauseTiming();
        const auto pauseStart = Clock::now();
        platform::testing::clearInjectedFailures();
        for (const char* method : methods)
            for (int i = 0; i < each; ++i)
                platform::testing::failNextCall(method, D3D_OK);
        paused += Clock::now() - pauseStart;
        state.ResumeTiming();
        theRenderDriver->draw();
    }
    platform::testing::clearInjectedFailures();
    state.SetItemsProcessed(state.iterations());
    return std::chrono::duration<double>(Clock::now() - start - paused).count() /
           static_cast<double>(state.iterations());
}

// The calls of the methods named, counted from the moment this is made,
// reported per iteration as counters of the run.
class CallCounts {
public:
    // Each entry: the counter's name and the method counted.
    using Entry = std::pair<const char*, const char*>;

    explicit CallCounts(std::vector<Entry> counted) : counted(std::move(counted)) {
        for (const Entry& entry : this->counted)
            before.push_back(platform::testing::callCount(entry.second));
    }

    // Sets each counter to its calls per iteration and gives their sum.
    double report(benchmark::State& state) const {
        double total = 0.0;
        for (std::size_t i = 0; i < counted.size(); ++i) {
            const double perFrame =
                static_cast<double>(platform::testing::callCount(counted[i].second) - before[i]) /
                static_cast<double>(state.iterations());
            state.counters[counted[i].first] = perFrame;
            total += perFrame;
        }
        return total;
    }

private:
    std::vector<Entry> counted;
    std::vector<unsigned> before;
};

}  // namespace bench
