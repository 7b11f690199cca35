// Critical sections and interlocked operations under contention.
#include "kernel_test_support.h"

#include <gtest/gtest.h>

#include <vector>

using namespace kernel_test;

namespace {

class CriticalSectionTest : public ::testing::Test {
protected:
    void SetUp() override { InitializeCriticalSection(&section); }
    void TearDown() override { DeleteCriticalSection(&section); }
    CRITICAL_SECTION section;
};

TEST_F(CriticalSectionTest, OwnerCanEnterAgain) {
    EnterCriticalSection(&section);
    EnterCriticalSection(&section);
    EXPECT_TRUE(TryEnterCriticalSection(&section));
    EXPECT_EQ(section.RecursionCount, 3);
    LeaveCriticalSection(&section);
    LeaveCriticalSection(&section);
    LeaveCriticalSection(&section);
    EXPECT_EQ(section.RecursionCount, 0);
}

TEST_F(CriticalSectionTest, OtherThreadsWaitUntilEveryLevelIsLeft) {
    EnterCriticalSection(&section);
    EnterCriticalSection(&section);
    const auto tryFromOtherThread = [&] {
        ScopedHandle thread(startThread([&] {
            if (!TryEnterCriticalSection(&section))
                return 0u;
            LeaveCriticalSection(&section);
            return 1u;
        }));
        return joinThread(thread);
    };
    EXPECT_EQ(tryFromOtherThread(), 0u);
    LeaveCriticalSection(&section);
    EXPECT_EQ(tryFromOtherThread(), 0u);
    LeaveCriticalSection(&section);
    EXPECT_EQ(tryFromOtherThread(), 1u);
}

TEST_F(CriticalSectionTest, LeaveByANonOwnerIsIgnored) {
    EnterCriticalSection(&section);
    ScopedHandle intruder(startThread([&] {
        LeaveCriticalSection(&section);
        const BOOL entered = TryEnterCriticalSection(&section);
        if (entered)
            LeaveCriticalSection(&section);
        return unsigned(entered);
    }));
    EXPECT_EQ(joinThread(intruder), 0u);
    LeaveCriticalSection(&section);
}

TEST_F(CriticalSectionTest, KeepsIncrementsOfAPlainCounterExact) {
    int counter = 0;  // plain on purpose: only the section protects it
    constexpr int perThread = 20000;
    const auto work = [&] {
        for (int i = 0; i < perThread; ++i) {
            EnterCriticalSection(&section);
            EnterCriticalSection(&section);
            ++counter;
            LeaveCriticalSection(&section);
            LeaveCriticalSection(&section);
        }
        return 0u;
    };
    HANDLE threads[] = {startThread(work), startThread(work), startThread(work)};
    ASSERT_EQ(WaitForMultipleObjects(3, threads, TRUE, INFINITE), WAIT_OBJECT_0);
    for (HANDLE thread : threads)
        CloseHandle(thread);
    EXPECT_EQ(counter, 3 * perThread);
}

TEST(Interlocked, ReturnsWhatWindowsReturns) {
    LONG value = 5;
    EXPECT_EQ(InterlockedIncrement(&value), 6);
    EXPECT_EQ(InterlockedDecrement(&value), 5);
    EXPECT_EQ(InterlockedExchangeAdd(&value, 10), 5);  // the old value
    EXPECT_EQ(value, 15);
    EXPECT_EQ(InterlockedExchange(&value, -3), 15);
    EXPECT_EQ(value, -3);
    EXPECT_EQ(InterlockedCompareExchange(&value, 9, 4), -3);  // no match: unchanged
    EXPECT_EQ(value, -3);
    EXPECT_EQ(InterlockedCompareExchange(&value, 9, -3), -3);
    EXPECT_EQ(value, 9);

    int a = 0, b = 0;
    PVOID pointer = &a;
    EXPECT_EQ(InterlockedExchangePointer(&pointer, &b), &a);
    EXPECT_EQ(InterlockedCompareExchangePointer(&pointer, &a, &a), &b);
    EXPECT_EQ(pointer, &b);
    EXPECT_EQ(InterlockedCompareExchangePointer(&pointer, &a, &b), &b);
    EXPECT_EQ(pointer, &a);
}

TEST(Interlocked, CountsExactlyUnderContention) {
    LONG counter = 0;
    LONG claimed = 0;
    constexpr int perThread = 50000;
    const auto work = [&] {
        for (int i = 0; i < perThread; ++i) {
            InterlockedIncrement(&counter);
            InterlockedExchangeAdd(&counter, 2);
            InterlockedDecrement(&counter);
        }
        // Exactly one thread wins the claim.
        return unsigned(InterlockedCompareExchange(&claimed, 1, 0) == 0);
    };
    HANDLE threads[] = {startThread(work), startThread(work), startThread(work), startThread(work)};
    unsigned winners = 0;
    for (HANDLE thread : threads) {
        winners += joinThread(thread);
        CloseHandle(thread);
    }
    EXPECT_EQ(counter, 4 * perThread * 2);
    EXPECT_EQ(winners, 1u);
}

}  // namespace
