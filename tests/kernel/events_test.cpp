// Events and the wait functions, within one thread and across threads.
#include "kernel_test_support.h"

#include <gtest/gtest.h>

#include <vector>

using namespace kernel_test;

namespace {

TEST(AutoResetEvent, SatisfiesOneWaitPerSet) {
    ScopedHandle event(makeEvent(false));
    ASSERT_NE(event.get(), nullptr);
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_TIMEOUT);
    ASSERT_TRUE(SetEvent(event));
    ASSERT_TRUE(SetEvent(event));  // setting twice still gives one wait
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_TIMEOUT);
}

TEST(AutoResetEvent, InitialStateIsHonoured) {
    ScopedHandle event(makeEvent(false, true));
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_TIMEOUT);
}

TEST(ManualResetEvent, StaysSignalledUntilReset) {
    ScopedHandle event(makeEvent(true));
    ASSERT_TRUE(SetEvent(event));
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(event, INFINITE), WAIT_OBJECT_0);
    ASSERT_TRUE(ResetEvent(event));
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_TIMEOUT);
}

TEST(ManualResetEvent, ReleasesEveryWaiter) {
    ScopedHandle gate(makeEvent(true));
    std::vector<HANDLE> threads;
    for (int i = 0; i < 3; ++i)
        threads.push_back(startThread([&] { return WaitForSingleObject(gate, INFINITE) + 7; }));
    ASSERT_TRUE(SetEvent(gate));
    ASSERT_EQ(WaitForMultipleObjects(3, threads.data(), TRUE, INFINITE), WAIT_OBJECT_0);
    for (HANDLE thread : threads) {
        EXPECT_EQ(joinThread(thread), 7u);
        CloseHandle(thread);
    }
}

TEST(AutoResetEvent, ReleasesExactlyOneWaiterPerSet) {
    ScopedHandle event(makeEvent(false));
    ScopedHandle woke(makeEvent(false));
    LONG released = 0;
    std::vector<HANDLE> threads;
    for (int i = 0; i < 3; ++i)
        threads.push_back(startThread([&] {
            WaitForSingleObject(event, INFINITE);
            InterlockedIncrement(&released);
            SetEvent(woke);
            return 0u;
        }));
    for (LONG round = 1; round <= 2; ++round) {
        ASSERT_TRUE(SetEvent(event));
        ASSERT_EQ(WaitForSingleObject(woke, INFINITE), WAIT_OBJECT_0);
        EXPECT_EQ(InterlockedCompareExchange(&released, 0, 0), round);
    }
    // Two sets, three waiters: one must still be blocked.
    EXPECT_EQ(WaitForMultipleObjects(3, threads.data(), TRUE, 100), WAIT_TIMEOUT);
    EXPECT_EQ(InterlockedCompareExchange(&released, 0, 0), 2);
    ASSERT_TRUE(SetEvent(event));
    ASSERT_EQ(WaitForMultipleObjects(3, threads.data(), TRUE, INFINITE), WAIT_OBJECT_0);
    EXPECT_EQ(released, 3);
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_TIMEOUT);
    for (HANDLE thread : threads)
        CloseHandle(thread);
}

TEST(WaitAny, ReturnsLowestSignalledIndex) {
    ScopedHandle a(makeEvent(false)), b(makeEvent(false)), c(makeEvent(false)), d(makeEvent(false));
    const HANDLE events[] = {a, b, c, d};
    SetEvent(d);
    SetEvent(b);
    EXPECT_EQ(WaitForMultipleObjects(4, events, FALSE, 0), WAIT_OBJECT_0 + 1);
    // Only the returned entry is consumed.
    EXPECT_EQ(WaitForMultipleObjects(4, events, FALSE, 0), WAIT_OBJECT_0 + 3);
    EXPECT_EQ(WaitForMultipleObjects(4, events, FALSE, 0), WAIT_TIMEOUT);
}

TEST(WaitAny, WakesOnEventSetByAnotherThread) {
    ScopedHandle a(makeEvent(false)), b(makeEvent(false));
    const HANDLE events[] = {a, b};
    ScopedHandle setter(startThread([&] { return SetEvent(b) ? 0u : 1u; }));
    EXPECT_EQ(WaitForMultipleObjects(2, events, FALSE, INFINITE), WAIT_OBJECT_0 + 1);
    EXPECT_EQ(joinThread(setter), 0u);
}

TEST(WaitAll, NeedsEverythingSignalledAtOnce) {
    ScopedHandle a(makeEvent(false)), b(makeEvent(false));
    const HANDLE events[] = {a, b};
    SetEvent(a);
    EXPECT_EQ(WaitForMultipleObjects(2, events, TRUE, 0), WAIT_TIMEOUT);
    // The failed wait-all took nothing.
    EXPECT_EQ(WaitForSingleObject(a, 0), WAIT_OBJECT_0);
}

TEST(WaitAll, ConsumesAutoResetEventsTogether) {
    ScopedHandle autoEvent(makeEvent(false)), manual(makeEvent(true));
    const HANDLE events[] = {autoEvent, manual};
    SetEvent(autoEvent);
    SetEvent(manual);
    EXPECT_EQ(WaitForMultipleObjects(2, events, TRUE, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(autoEvent, 0), WAIT_TIMEOUT);
    EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_OBJECT_0);
}

TEST(WaitAll, DoesNotHoldBackAPartlyReadyEventFromOtherWaiters) {
    ScopedHandle a(makeEvent(false)), b(makeEvent(false));
    const HANDLE events[] = {a, b};
    ScopedHandle allWaiter(startThread([&] {
        return WaitForMultipleObjects(2, events, TRUE, INFINITE) == WAIT_OBJECT_0 ? 0u : 1u;
    }));
    SetEvent(a);
    // The wait-all thread cannot take `a` alone, so this wait gets it.
    EXPECT_EQ(WaitForSingleObject(a, INFINITE), WAIT_OBJECT_0);
    SetEvent(a);
    SetEvent(b);
    EXPECT_EQ(joinThread(allWaiter), 0u);
    EXPECT_EQ(WaitForMultipleObjects(2, events, FALSE, 0), WAIT_TIMEOUT);
}

TEST(WaitTimeout, ZeroReturnsAtOnceAndShortTimeoutsExpire) {
    ScopedHandle event(makeEvent(true));
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_TIMEOUT);
    LONGLONG start = 0, end = 0, frequency = 0;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    EXPECT_EQ(WaitForSingleObject(event, 20), WAIT_TIMEOUT);
    QueryPerformanceCounter(&end);
    EXPECT_GE((end - start) * 1000 / frequency, 20);
}

TEST(WaitFailure, BadHandlesAndCountsFail) {
    HANDLE closed = makeEvent(true);
    ASSERT_TRUE(CloseHandle(closed));
    SetLastError(0);
    EXPECT_EQ(WaitForSingleObject(closed, 0), WAIT_FAILED);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
    EXPECT_EQ(WaitForSingleObject(nullptr, INFINITE), WAIT_FAILED);
    EXPECT_EQ(WaitForSingleObject(GetCurrentThread(), 0), WAIT_FAILED);

    ScopedHandle good(makeEvent(true, true));
    const HANDLE mixed[] = {good, closed};
    EXPECT_EQ(WaitForMultipleObjects(2, mixed, FALSE, INFINITE), WAIT_FAILED);

    std::vector<HANDLE> many(MAXIMUM_WAIT_OBJECTS + 1, good.get());
    SetLastError(0);
    EXPECT_EQ(WaitForMultipleObjects(0, many.data(), FALSE, 0), WAIT_FAILED);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(WaitForMultipleObjects(MAXIMUM_WAIT_OBJECTS + 1, many.data(), FALSE, 0), WAIT_FAILED);
    EXPECT_EQ(WaitForMultipleObjects(MAXIMUM_WAIT_OBJECTS, many.data(), FALSE, 0), WAIT_OBJECT_0);
    // The same object twice in a wait-all is refused, as on Windows.
    EXPECT_EQ(WaitForMultipleObjects(2, many.data(), TRUE, 0), WAIT_FAILED);
}

TEST(Handles, CloseHandleRefusesUnknownAndClosedHandles) {
    HANDLE event = makeEvent(false);
    EXPECT_TRUE(CloseHandle(event));
    SetLastError(0);
    EXPECT_FALSE(CloseHandle(event));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
    EXPECT_FALSE(CloseHandle(nullptr));
    EXPECT_FALSE(SetEvent(event));
    EXPECT_FALSE(ResetEvent(event));
}

TEST(Handles, NewHandlesAreDistinct) {
    ScopedHandle a(makeEvent(false)), b(makeEvent(false));
    EXPECT_NE(a.get(), b.get());
    SetEvent(a);
    EXPECT_EQ(WaitForSingleObject(b, 0), WAIT_TIMEOUT);
}

TEST(LastError, IsKeptPerThread) {
    SetLastError(1234);
    ScopedHandle other(startThread([] {
        const DWORD seen = GetLastError();
        SetLastError(42);
        return seen;
    }));
    EXPECT_EQ(joinThread(other), 0u);
    EXPECT_EQ(GetLastError(), 1234u);
}

}  // namespace
