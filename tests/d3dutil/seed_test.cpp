#include "random/seed.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

// Plain 64-bit arithmetic as an independent check of Schrage's method.
int32_t referenceStep(int32_t state) {
    return static_cast<int32_t>((static_cast<int64_t>(state) * 16807) % 2147483647);
}

TEST(MinimalUniformSeed, ZeroSeedStartsMidRange) {
    random::MinimalUniformSeed seed(0.0f);
    EXPECT_EQ(seed.getState(), 1073741823);
    EXPECT_EQ(seed.getMinimum(), 0.0f);
    EXPECT_EQ(seed.getMaximum(), 1.0f);
}

TEST(MinimalUniformSeed, FirstStepsFromStateOne) {
    random::MinimalUniformSeed seed;
    seed.setState(1);
    EXPECT_EQ(seed.step(), 16807);
    EXPECT_EQ(seed.step(), 282475249);
    EXPECT_EQ(seed.step(), 1622650073);
}

TEST(MinimalUniformSeed, SchrageMatchesWideArithmetic) {
    random::MinimalUniformSeed seed(0.3f);
    int32_t expected = seed.getState();
    for (int i = 0; i < 100000; ++i) {
        expected = referenceStep(expected);
        ASSERT_EQ(seed.step(), expected) << "step " << i;
    }
    // Small states take the direct branch.
    seed.setState(127773);
    EXPECT_EQ(seed.step(), referenceStep(127773));
    seed.setState(127774);
    EXPECT_EQ(seed.step(), referenceStep(127774));
}

TEST(MinimalUniformSeed, SetValidatesTheSeed) {
    random::MinimalUniformSeed seed(0.25f);
    const int32_t before = seed.getState();
    try {
        seed.set(1.0f);
        FAIL() << "1.0 was accepted";
    } catch (const random::InvalidSeedException& e) {
        const std::string text = e.what();
        EXPECT_NE(text.find("invalid seed value"), std::string::npos) << text;
        EXPECT_NE(text.find("for random"), std::string::npos) << text;
    }
    EXPECT_THROW(seed.set(-0.001f), random::InvalidSeedException);
    EXPECT_THROW(seed.set(1.5f), debug::Exception);
    EXPECT_EQ(seed.getState(), before);
    EXPECT_FLOAT_EQ(seed.get(), 0.25f);

    EXPECT_NO_THROW(seed.set(0.999f));
    EXPECT_EQ(seed.getState(), static_cast<int32_t>(static_cast<double>(0.999f) * 2147483647.0));
    EXPECT_FLOAT_EQ(seed.get(), 0.999f);
    seed.set(0.0f);
    EXPECT_EQ(seed.getState(), 1073741823);
}

TEST(MinimalUniformSeed, NextScalesIntoTheRange) {
    random::MinimalUniformSeed seed(0.5f);
    seed.setRange(2.0f, 4.0f);
    EXPECT_FLOAT_EQ(seed.mean(), 3.0f);
    EXPECT_FLOAT_EQ(seed.halfWidth(), 1.0f);
    for (int i = 0; i < 10000; ++i) {
        const float v = seed.next();
        ASSERT_GE(v, 2.0f);
        ASSERT_LT(v, 4.0f);
        EXPECT_FLOAT_EQ(v, 2.0f + 2.0f * seed.get());
    }
}

TEST(MinimalUniformSeed, NextValueIsStateOverTwoToThe31) {
    random::MinimalUniformSeed seed;
    seed.setState(1);
    seed.next();
    EXPECT_FLOAT_EQ(seed.get(), static_cast<float>(16807 / 2147483648.0));
}

TEST(MinimalUniformSeed, StatesNearTheModulusStayBelowTheMaximum) {
    random::MinimalUniformSeed seed;
    seed.setRange(2.0f, 4.0f);
    seed.setState(739806647);  // steps to 2147483646, the largest state
    const float v = seed.next();
    EXPECT_EQ(seed.getState(), 2147483646);
    EXPECT_LT(v, 4.0f);
    EXPECT_LT(seed.get(), 1.0f);
}

TEST(MinimalUniformSeed, WorksThroughTheBasePointers) {
    random::MinimalUniformSeed seed;
    seed.setState(1);
    random::Seed<float>& base = seed;
    random::UniformSeed& uniform = seed;
    uniform.setRange(0.0f, 1.0f);
    EXPECT_FLOAT_EQ(base.next(), static_cast<float>(16807 / 2147483648.0));
    EXPECT_THROW(base.set(2.0f), random::InvalidSeedException);
}

}  // namespace
