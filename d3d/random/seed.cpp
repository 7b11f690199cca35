#include "random/seed.h"

#include <cmath>

inline namespace driver {
namespace random {
namespace {
constexpr int32_t kModulus = 2147483647;
constexpr int32_t kMultiplier = 16807;
}  // namespace

MinimalUniformSeed::MinimalUniformSeed(float s) : UniformSeed(s), state(stateFor(s)) {}

int32_t MinimalUniformSeed::stateFor(float s) {
    // A zero state would stay zero for ever; start mid-range instead.
    return static_cast<int32_t>((s == 0.0f ? 0.5 : static_cast<double>(s)) * 2147483647.0);
}

int32_t MinimalUniformSeed::step() {
    if (q < state) {
        const int32_t t = (state % q) * kMultiplier - r * (state / q);
        state = t >= 1 ? t : t + kModulus;
    } else {
        // state <= q, so the product stays below 2^31.
        state = (state * kMultiplier) % kModulus;
    }
    return state;
}

void MinimalUniformSeed::set(float s) {
    if (s < 0.0f || s >= 1.0f)
        throw InvalidSeedException(s);
    value = s;
    state = stateFor(s);
}

float MinimalUniformSeed::next() {
    // Divide by 2^31 (what 2^31 - 1 rounds to in single precision). States
    // within 64 of the modulus would still round to 1.0f; keep them below 1
    // so that results stay inside [minimum, maximum).
    float v = static_cast<float>(step() / 2147483648.0);
    if (v >= 1.0f)
        v = std::nextafter(1.0f, 0.0f);
    value = v;
    const float result = minimum + (maximum - minimum) * v;
    // Scaling can round up to the maximum as well.
    return (result >= maximum && maximum > minimum) ? std::nextafter(maximum, minimum) : result;
}

}  // namespace random
}  // namespace driver
