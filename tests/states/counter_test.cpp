// Counter: atomic counting from several threads and the report of objects
// left over when it is destroyed.
#include "states.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

TEST(Counter, CountsAtomicallyFromSeveralThreads) {
    Counter counter("Images");
    EXPECT_STREQ("Images", counter.getName());
    EXPECT_EQ(0, counter.getValue());
    auto work = [&counter] {
        for (int i = 0; i < 20000; ++i) {
            counter.increment();
            counter.increment();
            counter.decrement();
        }
    };
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back(work);
    for (std::thread& t : threads)
        t.join();
    EXPECT_EQ(4 * 20000, counter.getValue());
    EXPECT_EQ(4 * 20000 - 1, counter.decrement());
}

TEST(Counter, ReportsOnlyALeftOverValueWhenDestroyed) {
    ::testing::internal::CaptureStderr();
    {
        auto leaking = std::make_unique<Counter>("Decals");
        leaking->increment();
        leaking->increment();
        Counter balanced("Lines");
        balanced.increment();
        balanced.decrement();
        Counter negative(nullptr);
        negative.decrement();
    }
    const std::string text = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(std::string::npos, text.find("D3D driver: Decals counter has 2 value\n"));
    EXPECT_NE(std::string::npos, text.find("D3D driver:  counter has -1 value\n"));
    EXPECT_EQ(std::string::npos, text.find("Lines"));
}
