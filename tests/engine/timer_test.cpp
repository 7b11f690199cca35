#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "engine/timer.h"

namespace {

using timer::Clock;

// A clock moved by hand, so that elapsed times are exact.
struct FakeClock {
    Clock::time_point now{std::chrono::hours(1)};
    void advance(double seconds) {
        now += std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
    }
    timer::TimeSource source() {
        return [this] { return now; };
    }
};

// Each step: an action (or none), then the clock moves on, then the reading
// and whether the clock runs (stopwatch) or is paused (game clock).
template <typename T>
struct Step {
    void (T::*action)();
    double advance;
    double reading;
    bool flag;
};

template <typename T>
void runSteps(std::initializer_list<Step<T>> steps, bool (T::*flag)() const) {
    FakeClock clock;
    T timer(clock.source());
    EXPECT_EQ(timer.getTime(), 0.0);
    int index = 0;
    for (const auto& step : steps) {
        SCOPED_TRACE(index++);
        if (step.action)
            (timer.*step.action)();
        clock.advance(step.advance);
        EXPECT_DOUBLE_EQ(timer.getTime(), step.reading);
        EXPECT_EQ((timer.*flag)(), step.flag);
    }
}

TEST(StopwatchTimer, StartStopRestartAndResetOnAFakeClock) {
    using W = Win32Timer;
    runSteps<W>({{nullptr, 3.0, 0.0, false},  // stopped when made
                 {&W::start, 1.5, 1.5, true},
                 {&W::stop, 10.0, 1.5, false},
                 {&W::start, 0.5, 2.0, true},  // runs on from its reading
                 {&W::start, 1.0, 3.0, true},  // starting it again changes nothing
                 {&W::restart, 0.25, 0.25, true},
                 {&W::stop, 0.0, 0.25, false},
                 {&W::restart, 1.0, 1.0, true},  // from stopped too
                 {&W::reset, 2.0, 0.0, false}},
                &W::isRunning);
}

TEST(GameClock, CountsFromConstructionWithoutThePausedSpans) {
    using G = timer::GameTimer;
    runSteps<G>({{nullptr, 2.0, 2.0, false},
                 {&G::pause, 5.0, 2.0, true},
                 {&G::pause, 1.0, 2.0, true},  // no effect while paused
                 {&G::resume, 1.0, 3.0, false},
                 {&G::resume, 1.0, 4.0, false},  // no effect while running
                 {&G::pause, 2.0, 4.0, true},
                 {&G::resume, 1.0, 5.0, false}},  // both paused spans left out
                &G::isPaused);
}

// A reading taken outside the lock could step back across a concurrent pause.
TEST(GameClock, ReadersSeeMonotonicTimeWhilePausing) {
    timer::GameTimer game;
    std::atomic<bool> done{false};
    std::atomic<int> backwards{0};
    std::vector<std::thread> readers;
    for (int r = 0; r < 2; ++r) {
        readers.emplace_back([&] {
            double previous = game.getTime();
            while (!done.load()) {
                const double now = game.getTime();
                if (now < previous)
                    ++backwards;
                previous = now;
            }
        });
    }
    for (int i = 0; i < 2000; ++i) {
        game.pause();
        game.resume();
    }
    done = true;
    for (auto& reader : readers)
        reader.join();
    EXPECT_EQ(backwards.load(), 0);
}

}  // namespace
