// The engine's render clocks: the time of the current frame and the step
// from the previous one, in seconds. The engine advances them once a frame.
#pragma once

class RenderTimer {
public:
    double getTime() const { return time; }
    double getFrameTime() const { return frameTime; }
    // The first call after construction or reset has a zero step.
    void update(double now);
    void reset();

private:
    double time = 0.0;
    double frameTime = 0.0;
    bool started = false;
};

// The frame clock; the one that stops while the game is paused; the one that
// lags a frame behind.
extern RenderTimer* theRenderTimer;
extern RenderTimer* thePausedRenderTimer;
extern RenderTimer* theDelayedRenderTimer;
