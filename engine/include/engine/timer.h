// Timer library: clocks in seconds on a steady clock.
#pragma once

#include <chrono>
#include <functional>
#include <mutex>

namespace timer {

using Clock = std::chrono::steady_clock;
// Where a timer reads the time; tests give their own.
using TimeSource = std::function<Clock::time_point()>;

// A clock that tells a time in seconds.
class Timer {
public:
    virtual ~Timer() = default;
    virtual double getTime() const = 0;
};

// The game clock: seconds since it was made, not counting paused spans.
// Safe to use from any thread.
class GameTimer : public Timer {
public:
    GameTimer();
    explicit GameTimer(TimeSource source);

    double getTime() const override;
    // Freezes the time; pausing a paused clock does nothing.
    void pause();
    // Lets the time run again from where it stopped.
    void resume();
    bool isPaused() const;

private:
    double elapsedLocked(Clock::time_point now) const;

    TimeSource source_;
    mutable std::mutex mutex_;
    Clock::time_point origin_;
    Clock::duration pausedTotal_{};
    Clock::time_point pausedAt_;
    bool paused_ = false;
};

// A stopwatch: stopped at zero when made; start runs it on from its current
// reading, stop freezes it, restart sets it to zero and runs it.
// Safe to use from any thread.
class Win32Timer : public Timer {
public:
    Win32Timer();
    explicit Win32Timer(TimeSource source);

    void start();
    void stop();
    void restart();
    // Stops it at zero.
    void reset();
    bool isRunning() const;
    double getTime() const override;

private:
    TimeSource source_;
    mutable std::mutex mutex_;
    Clock::duration accumulated_{};
    Clock::time_point startedAt_;
    bool running_ = false;
};

// A clock set by hand (tests and tools that need repeatable frames).
class ManualTimer : public Timer {
public:
    explicit ManualTimer(double seconds = 0.0) : seconds_(seconds) {}
    double getTime() const override;
    void setTime(double seconds);
    void advance(double seconds);

private:
    mutable std::mutex mutex_;
    double seconds_;
};

}  // namespace timer

using timer::Timer;
using timer::Win32Timer;

// The game clock. Points at the process's GameTimer; a program may point it
// at another Timer (a ManualTimer for repeatable frames) before the driver
// is loaded.
extern Timer* theTimer;
// The process's own game clock, for pause and resume.
timer::GameTimer& theGameTimer();
