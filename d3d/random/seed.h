// Reproducible pseudo-random seeds for effects that must look the same on
// every run (water, swamp).
#pragma once

#include "engine/debug.h"

#include <cstdint>

// glibc declares a function named random() at global scope, which a global
// namespace of that name would collide with. An inline namespace keeps the
// name `random::` usable everywhere without declaring it globally.
inline namespace driver {
namespace random {

template <typename T>
class Seed {
public:
    explicit Seed(T initial = T()) : value(initial) {}
    virtual void set(T v) { value = v; }
    virtual T get() { return value; }
    virtual T next() = 0;
    virtual ~Seed() = default;

protected:
    T value;
};

// A seed whose next value is scaled into [minimum, maximum).
class UniformSeed : public Seed<float> {
public:
    explicit UniformSeed(float initial = 0.0f) : Seed<float>(initial) {}

    virtual void setMinimum(float v) { minimum = v; }
    virtual void setMaximum(float v) { maximum = v; }
    virtual void setRange(float lo, float hi) {
        minimum = lo;
        maximum = hi;
    }
    virtual float getMinimum() { return minimum; }
    virtual float getMaximum() { return maximum; }
    virtual float mean() { return (minimum + maximum) / 2; }
    virtual float halfWidth() { return (maximum - minimum) / 2; }

protected:
    float minimum = 0.0f;
    float maximum = 1.0f;
};

class InvalidSeedException : public debug::Exception {
public:
    explicit InvalidSeedException(float s) { *this << "invalid seed value " << s << " for random"; }
};

// Park and Miller's minimal standard generator (modulus 2^31 - 1, multiplier
// 16807), stepped with Schrage's method so that no product overflows 32 bits.
class MinimalUniformSeed : public virtual UniformSeed {
public:
    explicit MinimalUniformSeed(float s = 0.0f);

    // One step of the generator; returns the new state.
    virtual int32_t step();
    // Throws InvalidSeedException unless 0 <= s < 1; the seed is then unchanged.
    void set(float s) override;
    float next() override;
    ~MinimalUniformSeed() override = default;

    int32_t getState() const { return state; }
    void setState(int32_t s) { state = s; }

private:
    static int32_t stateFor(float s);

    int32_t q = 127773;
    int32_t r = 2836;
    int32_t state;
};

}  // namespace random
}  // namespace driver
