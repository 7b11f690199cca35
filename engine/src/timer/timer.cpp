#include "engine/timer.h"

namespace timer {
namespace {

Clock::time_point steadyNow() {
    return Clock::now();
}

double seconds(Clock::duration duration) {
    return std::chrono::duration<double>(duration).count();
}

}  // namespace

GameTimer::GameTimer() : GameTimer(steadyNow) {}

GameTimer::GameTimer(TimeSource source)
    : source_(source ? std::move(source) : TimeSource(steadyNow)), origin_(source_()) {}

double GameTimer::elapsedLocked(Clock::time_point now) const {
    const Clock::time_point end = paused_ ? pausedAt_ : now;
    return seconds(end - origin_ - pausedTotal_);
}

double GameTimer::getTime() const {
    // Read under the lock so that a concurrent pause cannot make time step back.
    std::lock_guard<std::mutex> lock(mutex_);
    const Clock::time_point now = source_();
    return elapsedLocked(now);
}

void GameTimer::pause() {
    std::lock_guard<std::mutex> lock(mutex_);
    const Clock::time_point now = source_();
    if (paused_)
        return;
    paused_ = true;
    pausedAt_ = now;
}

void GameTimer::resume() {
    std::lock_guard<std::mutex> lock(mutex_);
    const Clock::time_point now = source_();
    if (!paused_)
        return;
    paused_ = false;
    pausedTotal_ += now - pausedAt_;
}

bool GameTimer::isPaused() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return paused_;
}

Win32Timer::Win32Timer() : Win32Timer(steadyNow) {}

Win32Timer::Win32Timer(TimeSource source)
    : source_(source ? std::move(source) : TimeSource(steadyNow)) {}

void Win32Timer::start() {
    std::lock_guard<std::mutex> lock(mutex_);
    const Clock::time_point now = source_();
    if (running_)
        return;
    running_ = true;
    startedAt_ = now;
}

void Win32Timer::stop() {
    std::lock_guard<std::mutex> lock(mutex_);
    const Clock::time_point now = source_();
    if (!running_)
        return;
    running_ = false;
    accumulated_ += now - startedAt_;
}

void Win32Timer::restart() {
    std::lock_guard<std::mutex> lock(mutex_);
    const Clock::time_point now = source_();
    accumulated_ = Clock::duration::zero();
    running_ = true;
    startedAt_ = now;
}

void Win32Timer::reset() {
    std::lock_guard<std::mutex> lock(mutex_);
    accumulated_ = Clock::duration::zero();
    running_ = false;
}

bool Win32Timer::isRunning() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return running_;
}

double Win32Timer::getTime() const {
    std::lock_guard<std::mutex> lock(mutex_);
    const Clock::time_point now = source_();
    return seconds(running_ ? accumulated_ + (now - startedAt_) : accumulated_);
}

double ManualTimer::getTime() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return seconds_;
}

void ManualTimer::setTime(double seconds) {
    std::lock_guard<std::mutex> lock(mutex_);
    seconds_ = seconds;
}

void ManualTimer::advance(double seconds) {
    std::lock_guard<std::mutex> lock(mutex_);
    seconds_ += seconds;
}

}  // namespace timer

timer::GameTimer& theGameTimer() {
    static timer::GameTimer clock;
    return clock;
}

Timer* theTimer = &theGameTimer();
