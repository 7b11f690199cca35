// Events, the wait functions, handles and critical sections, within one
// thread and across threads.
#include "kernel_test_support.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// Three threads wait: an auto-reset event releases exactly one per set, a
// manual-reset one all of them at once and stays signalled.
TEST(Events, ReleaseOneWaiterPerSetOrAllAtOnce) {
    for (const bool manual : {false, true}) {
        SCOPED_TRACE(manual ? "manual reset" : "auto reset");
        ScopedHandle event(makeEvent(manual)), woke(makeEvent(false));
        LONG released = 0;
        const auto waiter = [&] {
            WaitForSingleObject(event, INFINITE);
            InterlockedIncrement(&released);
            return SetEvent(woke) ? 7u : 0u;
        };
        HANDLE threads[] = {startThread(waiter), startThread(waiter), startThread(waiter)};
        for (LONG round = 1; !manual && round <= 2; ++round) {
            ASSERT_TRUE(SetEvent(event));
            ASSERT_EQ(WaitForSingleObject(woke, INFINITE), WAIT_OBJECT_0);
            EXPECT_EQ(InterlockedCompareExchange(&released, 0, 0), round);
        }
        // Two sets of the auto-reset event, no set of the manual-reset one:
        // a waiter must still be blocked.
        EXPECT_EQ(WaitForMultipleObjects(3, threads, TRUE, 100), WAIT_TIMEOUT);
        EXPECT_EQ(InterlockedCompareExchange(&released, 0, 0), manual ? 0 : 2);
        ASSERT_TRUE(SetEvent(event));
        for (HANDLE thread : threads) {
            EXPECT_EQ(joinThread(thread), 7u);
            CloseHandle(thread);
        }
        EXPECT_EQ(released, 3);
        EXPECT_EQ(WaitForSingleObject(event, 0), manual ? WAIT_OBJECT_0 : WAIT_TIMEOUT);
    }
}

// An auto-reset event satisfies one wait per set, however often it was set,
// starting from its initial state; a manual-reset one stays signalled. Wait-any takes only the lowest signalled entry; wait-all needs every
// entry at once, takes nothing otherwise, and consumes the auto-reset ones.
TEST(Waits, TakeWhatIsSignalledAsTheEventKindSays) {
    ScopedHandle a(makeEvent(false)), b(makeEvent(false)), c(makeEvent(false)), d(makeEvent(false));
    ScopedHandle initiallySet(makeEvent(false, true)), manual(makeEvent(true));
    EXPECT_EQ(WaitForSingleObject(a, 0), WAIT_TIMEOUT);
    ASSERT_TRUE(SetEvent(a));
    ASSERT_TRUE(SetEvent(a));
    for (HANDLE event : {a.get(), initiallySet.get()}) {
        EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0);
        EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_TIMEOUT);
    }

    const HANDLE events[] = {a, b, c, d}, pair[] = {a, manual};
    SetEvent(d);
    SetEvent(b);
    EXPECT_EQ(WaitForMultipleObjects(4, events, FALSE, 0), WAIT_OBJECT_0 + 1);
    EXPECT_EQ(WaitForMultipleObjects(4, events, FALSE, 0), WAIT_OBJECT_0 + 3);
    EXPECT_EQ(WaitForMultipleObjects(4, events, FALSE, 0), WAIT_TIMEOUT);
    SetEvent(a);
    EXPECT_EQ(WaitForMultipleObjects(2, pair, TRUE, 0), WAIT_TIMEOUT);
    EXPECT_EQ(WaitForSingleObject(a, 0), WAIT_OBJECT_0);
    SetEvent(a);
    SetEvent(manual);
    EXPECT_EQ(WaitForMultipleObjects(2, pair, TRUE, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(a, 0), WAIT_TIMEOUT);
    EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_OBJECT_0);
}

// A wait-all cannot take a partly ready set, so it leaves the ready event to
// other waiters; a blocked wait-any wakes on the event another thread sets.
TEST(WaitMultiple, AllDoesNotHoldBackAPartlyReadyEventAndAnyWakesWhenSet) {
    ScopedHandle a(makeEvent(false)), b(makeEvent(false)), c(makeEvent(false)),
        done(makeEvent(false));
    const HANDLE events[] = {a, b}, others[] = {c, done};
    ScopedHandle allWaiter(startThread([&] {
        const DWORD result = WaitForMultipleObjects(2, events, TRUE, INFINITE);
        return SetEvent(done) && result == WAIT_OBJECT_0 ? 0u : 1u;
    }));
    SetEvent(a);
    EXPECT_EQ(WaitForSingleObject(a, INFINITE), WAIT_OBJECT_0);
    SetEvent(a);
    SetEvent(b);
    EXPECT_EQ(WaitForMultipleObjects(2, others, FALSE, INFINITE), WAIT_OBJECT_0 + 1);
    EXPECT_EQ(joinThread(allWaiter), 0u);
    EXPECT_EQ(WaitForMultipleObjects(2, events, FALSE, 0), WAIT_TIMEOUT);
}

// Closed, null and wrong-kind handles are refused by every call that takes
// one, and wait counts out of range fail.
TEST(Handles, BadHandlesAndCountsAreRefused) {
    HANDLE closed = makeEvent(true);
    EXPECT_TRUE(CloseHandle(closed));
    ScopedHandle event(makeEvent(true, true));
    for (HANDLE bad : {closed, HANDLE(nullptr)}) {
        SetLastError(0);
        EXPECT_FALSE(CloseHandle(bad));
        EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
        EXPECT_FALSE(SetEvent(bad));
        EXPECT_FALSE(ResetEvent(bad));
        SetLastError(0);
        EXPECT_EQ(WaitForSingleObject(bad, INFINITE), WAIT_FAILED);
        EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
    }
    // Thread calls refuse events too; waits refuse the thread pseudo-handle.
    for (HANDLE bad : {closed, HANDLE(nullptr), event.get()}) {
        EXPECT_EQ(ResumeThread(bad), 0xFFFFFFFFu);
        EXPECT_EQ(SuspendThread(bad), 0xFFFFFFFFu);
        DWORD code = 0;
        SetLastError(0);
        EXPECT_FALSE(GetExitCodeThread(bad, &code));
        EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
        EXPECT_EQ(GetThreadPriority(bad), THREAD_PRIORITY_ERROR_RETURN);
    }
    EXPECT_EQ(WaitForSingleObject(GetCurrentThread(), 0), WAIT_FAILED);
    EXPECT_EQ(_beginthreadex(nullptr, 0, nullptr, nullptr, 0, nullptr), uintptr_t(0));
    const HANDLE mixed[] = {event, closed};
    EXPECT_EQ(WaitForMultipleObjects(2, mixed, FALSE, INFINITE), WAIT_FAILED);
    std::vector<HANDLE> many(MAXIMUM_WAIT_OBJECTS + 1, event.get());
    SetLastError(0);
    EXPECT_EQ(WaitForMultipleObjects(0, many.data(), FALSE, 0), WAIT_FAILED);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(WaitForMultipleObjects(MAXIMUM_WAIT_OBJECTS + 1, many.data(), FALSE, 0), WAIT_FAILED);
    EXPECT_EQ(WaitForMultipleObjects(MAXIMUM_WAIT_OBJECTS, many.data(), FALSE, 0), WAIT_OBJECT_0);
    // The same object twice in a wait-all is refused, as on Windows.
    EXPECT_EQ(WaitForMultipleObjects(2, many.data(), TRUE, 0), WAIT_FAILED);
}

// The owner may enter again; another thread gets in only once every level is
// left, and its leave without owning the section is ignored. (The lock itself
// is the standard library's recursive mutex; what is checked is the owner and
// depth kept around it.)
TEST(CriticalSection, OwnerEntersAgainOthersWaitUntilEveryLevelIsLeft) {
    CRITICAL_SECTION section;
    InitializeCriticalSection(&section);
    const auto intrude = [&] {
        ScopedHandle thread(startThread([&] {
            LeaveCriticalSection(&section);
            if (!TryEnterCriticalSection(&section))
                return 0u;
            LeaveCriticalSection(&section);
            return 1u;
        }));
        return joinThread(thread);
    };
    EnterCriticalSection(&section);
    EnterCriticalSection(&section);
    EXPECT_TRUE(TryEnterCriticalSection(&section));
    EXPECT_EQ(section.RecursionCount, 3);
    for (int level = 3; level > 0; --level) {
        EXPECT_EQ(intrude(), 0u) << level;
        LeaveCriticalSection(&section);
    }
    EXPECT_EQ(section.RecursionCount, 0);
    EXPECT_EQ(intrude(), 1u);
    DeleteCriticalSection(&section);
}

}  // namespace
