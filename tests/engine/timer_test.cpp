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

// --- stopwatch ---------------------------------------------------------------------

TEST(StopwatchTimer, StoppedAtConstructionAndDoesNotAdvance) {
    FakeClock clock;
    Win32Timer watch(clock.source());
    EXPECT_FALSE(watch.isRunning());
    EXPECT_EQ(watch.getTime(), 0.0);
    clock.advance(3.0);
    EXPECT_EQ(watch.getTime(), 0.0);
}

TEST(StopwatchTimer, StartStopAccumulates) {
    FakeClock clock;
    Win32Timer watch(clock.source());
    watch.start();
    clock.advance(1.5);
    EXPECT_DOUBLE_EQ(watch.getTime(), 1.5);
    watch.stop();
    clock.advance(10.0);
    EXPECT_DOUBLE_EQ(watch.getTime(), 1.5);
    watch.start();
    clock.advance(0.5);
    EXPECT_DOUBLE_EQ(watch.getTime(), 2.0);
}

TEST(StopwatchTimer, StartWhileRunningKeepsTheReading) {
    FakeClock clock;
    Win32Timer watch(clock.source());
    watch.start();
    clock.advance(1.0);
    watch.start();
    clock.advance(1.0);
    EXPECT_DOUBLE_EQ(watch.getTime(), 2.0);
}

TEST(StopwatchTimer, RestartZeroesAndRuns) {
    FakeClock clock;
    Win32Timer watch(clock.source());
    watch.start();
    clock.advance(4.0);
    watch.restart();
    EXPECT_TRUE(watch.isRunning());
    EXPECT_EQ(watch.getTime(), 0.0);
    clock.advance(0.25);
    EXPECT_DOUBLE_EQ(watch.getTime(), 0.25);

    watch.stop();
    watch.restart();  // from stopped too
    clock.advance(1.0);
    EXPECT_DOUBLE_EQ(watch.getTime(), 1.0);
}

TEST(StopwatchTimer, ResetStopsAtZero) {
    FakeClock clock;
    Win32Timer watch(clock.source());
    watch.start();
    clock.advance(2.0);
    watch.reset();
    clock.advance(2.0);
    EXPECT_FALSE(watch.isRunning());
    EXPECT_EQ(watch.getTime(), 0.0);
}

TEST(StopwatchTimer, OnTheRealClockRunsForwardAndFreezesWhenStopped) {
    Win32Timer watch;
    EXPECT_EQ(watch.getTime(), 0.0);
    EXPECT_EQ(watch.getTime(), 0.0);
    watch.start();
    double previous = watch.getTime();
    for (int i = 0; i < 1000; ++i) {
        const double now = watch.getTime();
        ASSERT_GE(now, previous);
        previous = now;
    }
    watch.stop();
    const double frozen = watch.getTime();
    EXPECT_GE(frozen, previous);
    for (int i = 0; i < 100; ++i)
        ASSERT_EQ(watch.getTime(), frozen);
}

// --- game clock ---------------------------------------------------------------------------

TEST(GameClock, CountsFromConstruction) {
    FakeClock clock;
    timer::GameTimer game(clock.source());
    EXPECT_EQ(game.getTime(), 0.0);
    clock.advance(2.0);
    EXPECT_DOUBLE_EQ(game.getTime(), 2.0);
}

TEST(GameClock, PausedTimeDoesNotCount) {
    FakeClock clock;
    timer::GameTimer game(clock.source());
    clock.advance(2.0);
    game.pause();
    EXPECT_TRUE(game.isPaused());
    clock.advance(5.0);
    EXPECT_DOUBLE_EQ(game.getTime(), 2.0);
    game.pause();  // no effect while paused
    clock.advance(1.0);
    game.resume();
    EXPECT_FALSE(game.isPaused());
    EXPECT_DOUBLE_EQ(game.getTime(), 2.0);
    clock.advance(1.0);
    EXPECT_DOUBLE_EQ(game.getTime(), 3.0);
    game.resume();  // no effect while running
    clock.advance(1.0);
    EXPECT_DOUBLE_EQ(game.getTime(), 4.0);
}

TEST(GameClock, TheTimerIsTheProcessClockAndMonotonic) {
    ASSERT_NE(theTimer, nullptr);
    EXPECT_EQ(theTimer, static_cast<Timer*>(&theGameTimer()));
    double previous = theTimer->getTime();
    EXPECT_GE(previous, 0.0);
    for (int i = 0; i < 1000; ++i) {
        const double now = theTimer->getTime();
        ASSERT_GE(now, previous);
        previous = now;
    }
}

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

TEST(ManualClock, TellsWhatItIsSet) {
    timer::ManualTimer manual(1.0);
    Timer* clock = &manual;
    EXPECT_EQ(clock->getTime(), 1.0);
    manual.advance(0.5);
    EXPECT_EQ(clock->getTime(), 1.5);
    manual.setTime(10.0);
    EXPECT_EQ(clock->getTime(), 10.0);
}

}  // namespace
