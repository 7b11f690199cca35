// Threads: suspended start, exit codes, thread ids, suspend counts,
// priorities, stack size and the clocks.
#include "kernel_test_support.h"

#include <gtest/gtest.h>

#include <pthread.h>
#include <sys/resource.h>

#include <thread>

using namespace kernel_test;

namespace {

TEST(Threads, HandleIsSignalledWithTheExitCodeWhenTheRoutineReturns) {
    ScopedHandle release(makeEvent(true));
    ScopedHandle thread(startThread([&] {
        WaitForSingleObject(release, INFINITE);
        return 31u;
    }));
    ASSERT_NE(thread.get(), nullptr);
    DWORD code = 0;
    ASSERT_TRUE(GetExitCodeThread(thread, &code));
    EXPECT_EQ(code, STILL_ACTIVE);
    EXPECT_EQ(WaitForSingleObject(thread, 0), WAIT_TIMEOUT);
    SetEvent(release);
    EXPECT_EQ(WaitForSingleObject(thread, INFINITE), WAIT_OBJECT_0);
    ASSERT_TRUE(GetExitCodeThread(thread, &code));
    EXPECT_EQ(code, 31u);
    // Ended threads stay signalled.
    EXPECT_EQ(WaitForSingleObject(thread, 0), WAIT_OBJECT_0);
}

TEST(Threads, EndThreadExUnwindsAndSetsTheExitCode) {
    bool unwound = false;
    ScopedHandle thread(startThread([&] {
        struct Guard {
            bool* flag;
            ~Guard() { *flag = true; }
        } guard{&unwound};
        _endthreadex(77);
        return 1u;
    }));
    EXPECT_EQ(joinThread(thread), 77u);
    EXPECT_TRUE(unwound);
}

TEST(Threads, SuspendedThreadDoesNotRunBeforeResume) {
    ScopedHandle entered(makeEvent(true));
    unsigned id = 0;
    ScopedHandle thread(startThread(
        [&] {
            SetEvent(entered);
            return 5u;
        },
        CREATE_SUSPENDED, &id));
    ASSERT_NE(thread.get(), nullptr);
    EXPECT_NE(id, 0u);
    EXPECT_EQ(WaitForSingleObject(entered, 100), WAIT_TIMEOUT);
    EXPECT_EQ(SuspendThread(thread), 1u);  // previous counts
    EXPECT_EQ(ResumeThread(thread), 2u);
    EXPECT_EQ(WaitForSingleObject(entered, 50), WAIT_TIMEOUT);
    EXPECT_EQ(ResumeThread(thread), 1u);
    EXPECT_EQ(WaitForSingleObject(entered, INFINITE), WAIT_OBJECT_0);
    EXPECT_EQ(joinThread(thread), 5u);
    EXPECT_EQ(ResumeThread(thread), 0u);
}

TEST(Threads, SuspendOnARunningThreadOnlyCounts) {
    ScopedHandle release(makeEvent(true)), running(makeEvent(true));
    ScopedHandle thread(startThread([&] {
        SetEvent(running);
        WaitForSingleObject(release, INFINITE);
        return 0u;
    }));
    ASSERT_EQ(WaitForSingleObject(running, INFINITE), WAIT_OBJECT_0);
    EXPECT_EQ(SuspendThread(thread), 0u);
    SetEvent(release);
    // The thread was not stopped: it ends although its count is 1.
    EXPECT_EQ(WaitForSingleObject(thread, INFINITE), WAIT_OBJECT_0);
    EXPECT_EQ(ResumeThread(thread), 1u);
}

TEST(Threads, BadHandlesAreRefused) {
    HANDLE event = makeEvent(true);
    CloseHandle(event);
    EXPECT_EQ(ResumeThread(event), 0xFFFFFFFFu);
    EXPECT_EQ(SuspendThread(nullptr), 0xFFFFFFFFu);
    DWORD code = 0;
    SetLastError(0);
    EXPECT_FALSE(GetExitCodeThread(event, &code));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
    ScopedHandle notAThread(makeEvent(true));
    EXPECT_EQ(ResumeThread(notAThread), 0xFFFFFFFFu);
    EXPECT_EQ(GetThreadPriority(notAThread), THREAD_PRIORITY_ERROR_RETURN);
    EXPECT_EQ(_beginthreadex(nullptr, 0, nullptr, nullptr, 0, nullptr), uintptr_t(0));
}

TEST(Threads, ClosingAHandleLetsTheThreadFinish) {
    ScopedHandle done(makeEvent(true));
    HANDLE thread = startThread([&] { return SetEvent(done) ? 0u : 1u; }, CREATE_SUSPENDED);
    ResumeThread(thread);
    EXPECT_TRUE(CloseHandle(thread));
    EXPECT_EQ(WaitForSingleObject(done, INFINITE), WAIT_OBJECT_0);
}

TEST(ThreadIds, MatchTheIdReportedAtCreationAndDifferPerThread) {
    unsigned created = 0;
    DWORD seen = 0;
    ScopedHandle thread(startThread(
        [&] {
            seen = GetCurrentThreadId();
            return 0u;
        },
        0, &created));
    joinThread(thread);
    EXPECT_EQ(seen, created);
    EXPECT_NE(seen, GetCurrentThreadId());
    EXPECT_EQ(GetCurrentThreadId(), GetCurrentThreadId());

    DWORD foreign = 0;
    std::thread other([&] { foreign = GetCurrentThreadId(); });
    other.join();
    EXPECT_NE(foreign, 0u);
    EXPECT_NE(foreign, GetCurrentThreadId());
}

TEST(ThreadPriority, IsKeptAndReadBack) {
    ScopedHandle release(makeEvent(true));
    ScopedHandle thread(startThread([&] { return WaitForSingleObject(release, INFINITE); }));
    EXPECT_EQ(GetThreadPriority(thread), THREAD_PRIORITY_NORMAL);
    EXPECT_TRUE(SetThreadPriority(thread, THREAD_PRIORITY_HIGHEST));
    EXPECT_EQ(GetThreadPriority(thread), THREAD_PRIORITY_HIGHEST);
    EXPECT_TRUE(SetThreadPriority(thread, THREAD_PRIORITY_IDLE));
    EXPECT_EQ(GetThreadPriority(thread), THREAD_PRIORITY_IDLE);
    SetLastError(0);
    EXPECT_FALSE(SetThreadPriority(thread, 7));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(GetThreadPriority(thread), THREAD_PRIORITY_IDLE);
    SetEvent(release);
    joinThread(thread);
}

TEST(ThreadPriority, PseudoHandleNamesTheCallingThread) {
    ScopedHandle thread(startThread([] {
        if (!SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_BELOW_NORMAL))
            return 1u;
        return GetThreadPriority(GetCurrentThread()) == THREAD_PRIORITY_BELOW_NORMAL ? 0u : 2u;
    }));
    EXPECT_EQ(joinThread(thread), 0u);
    EXPECT_EQ(GetThreadPriority(GetCurrentThread()), THREAD_PRIORITY_NORMAL);
}

// Lowering a priority is always permitted, so it must reach the OS thread;
// one set before the start is applied when the thread starts.
TEST(ThreadPriority, LowerPriorityReachesTheOsThread) {
    const auto niceOfCaller = [] {
        return unsigned(getpriority(PRIO_PROCESS, static_cast<id_t>(GetCurrentThreadId())));
    };
    ScopedHandle thread(startThread(niceOfCaller, CREATE_SUSPENDED));
    ASSERT_TRUE(SetThreadPriority(thread, THREAD_PRIORITY_BELOW_NORMAL));
    ResumeThread(thread);
    EXPECT_EQ(joinThread(thread), 5u);
}

TEST(PriorityClass, IsKeptForTheCurrentProcess) {
    EXPECT_EQ(GetPriorityClass(GetCurrentProcess()), DWORD(NORMAL_PRIORITY_CLASS));
    EXPECT_TRUE(SetPriorityClass(GetCurrentProcess(), ABOVE_NORMAL_PRIORITY_CLASS));
    EXPECT_EQ(GetPriorityClass(GetCurrentProcess()), DWORD(ABOVE_NORMAL_PRIORITY_CLASS));
    EXPECT_FALSE(SetPriorityClass(GetCurrentProcess(), 0x1234));
    ScopedHandle event(makeEvent(true));
    EXPECT_FALSE(SetPriorityClass(event, NORMAL_PRIORITY_CLASS));
    EXPECT_EQ(GetPriorityClass(event), 0u);
    EXPECT_TRUE(SetPriorityClass(GetCurrentProcess(), NORMAL_PRIORITY_CLASS));
    EXPECT_EQ(GetPriorityClass(GetCurrentProcess()), DWORD(NORMAL_PRIORITY_CLASS));
}

TEST(Threads, StackSizeIsHonoured) {
    constexpr unsigned requested = 512 * 1024;
    const auto stackSize = [] {
        pthread_attr_t attributes;
        size_t size = 0;
        if (pthread_getattr_np(pthread_self(), &attributes) == 0) {
            pthread_attr_getstacksize(&attributes, &size);
            pthread_attr_destroy(&attributes);
        }
        return unsigned(size / 1024);
    };
    ScopedHandle thread(startThread(stackSize, 0, nullptr, requested));
    const DWORD kib = joinThread(thread);
    EXPECT_GE(kib, requested / 1024);
    EXPECT_LT(kib, 2 * requested / 1024);
}

TEST(Clocks, CountForwardOnASteadyClock) {
    LONGLONG frequency = 0, before = 0, after = 0;
    ASSERT_TRUE(QueryPerformanceFrequency(&frequency));
    EXPECT_GT(frequency, 0);
    const DWORD tickBefore = GetTickCount();
    ASSERT_TRUE(QueryPerformanceCounter(&before));
    Sleep(0);
    Sleep(15);
    ASSERT_TRUE(QueryPerformanceCounter(&after));
    EXPECT_GE((after - before) * 1000 / frequency, 15);
    EXPECT_GE(GetTickCount() - tickBefore, 15u);
    EXPECT_FALSE(QueryPerformanceCounter(nullptr));
    EXPECT_FALSE(QueryPerformanceFrequency(nullptr));
}

}  // namespace
