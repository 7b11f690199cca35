// TraceEffect: a fading ribbon along the path a moving object has taken,
// drawn in the deferred alpha phase of each view it is registered with.
#pragma once

#include <engine/core/deferred.h>
#include <engine/core/effect_interfaces.h>

#include <deque>

class D3DRenderView;

class TraceEffect : public TraceEffectInterface {
public:
    struct Point {
        Vector position;
        float time;
    };
    // Most points kept; older ones go first.
    static constexpr std::size_t maxPoints = 128;

    TraceEffect() = default;

    void render(RenderView& view) override;

    void setTarget(const Transformable* t) override { target = t; }
    void setColor(const Color& c) override { color = c; }
    void setWidth(float w) override { width = w > 0.0f ? w : 0.0f; }
    void setLifetime(float seconds) override { lifetime = seconds > 0.0f ? seconds : 0.0f; }
    void clear() override { points.clear(); }

    // Records the target's position at `now` and forgets points older than
    // the lifetime.
    void sample(float now);
    const std::deque<Point>& getPoints() const { return points; }
    void draw();

private:
    class Deferred : public DeferredAlphaObjectInterface {
    public:
        explicit Deferred(TraceEffect& owner) : owner(owner) {}
        void render() override { owner.draw(); }
        void transform() override {}

    private:
        TraceEffect& owner;
    };

    const Transformable* target = nullptr;
    Color color{0.4f, 0.8f, 1.0f, 1.0f};
    float width = 0.1f;
    float lifetime = 1.0f;
    float now = 0.0f;
    std::deque<Point> points;
    D3DRenderView* view = nullptr;
    Deferred deferred{*this};
};
