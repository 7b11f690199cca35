// Threads: exit codes, suspension, ids, priorities and stack size; interlocked
// calls, the priority class and the clocks.
#include "kernel_test_support.h"

#include <gtest/gtest.h>

#include <pthread.h>
#include <sys/resource.h>

#include <atomic>
#include <functional>
#include <thread>

namespace {

// Suspend and resume return the previous count: a thread made suspended
// starts once its count is back to zero, while on a running thread they only
// count. The handle is signalled with the exit code when the routine returns.
TEST(Threads, SuspendCountsAndTheExitCode) {
    ScopedHandle release(makeEvent(true)), running(makeEvent(true));
    ScopedHandle thread(startThread(
        [&] {
            SetEvent(running);
            return WaitForSingleObject(release, INFINITE) + 31;
        },
        CREATE_SUSPENDED));
    DWORD code = 0;
    ASSERT_TRUE(GetExitCodeThread(thread, &code));
    EXPECT_EQ(code, STILL_ACTIVE);
    EXPECT_EQ(WaitForSingleObject(running, 100), WAIT_TIMEOUT);
    EXPECT_EQ(SuspendThread(thread), 1u);
    EXPECT_EQ(ResumeThread(thread), 2u);
    EXPECT_EQ(WaitForSingleObject(running, 50), WAIT_TIMEOUT);
    EXPECT_EQ(ResumeThread(thread), 1u);
    ASSERT_EQ(WaitForSingleObject(running, INFINITE), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(thread, 0), WAIT_TIMEOUT);
    EXPECT_EQ(SuspendThread(thread), 0u);
    SetEvent(release);
    EXPECT_EQ(joinThread(thread), 31u);                        // although its count is 1
    EXPECT_EQ(WaitForSingleObject(thread, 0), WAIT_OBJECT_0);  // ended threads stay signalled
    EXPECT_EQ(ResumeThread(thread), 1u);
    EXPECT_EQ(ResumeThread(thread), 0u);
}

// A thread gets the stack size asked for; _endthreadex unwinds its stack and
// sets the exit code.
TEST(Threads, StackSizeIsHonouredAndEndThreadExUnwinds) {
    struct Guard {
        bool* flag;
        ~Guard() { *flag = true; }
    };
    constexpr unsigned requested = 512 * 1024;
    bool unwound = false;
    ScopedHandle thread(startThread(
        [&] {
            Guard guard{&unwound};
            pthread_attr_t attributes;
            size_t size = 0;
            if (pthread_getattr_np(pthread_self(), &attributes) == 0) {
                pthread_attr_getstacksize(&attributes, &size);
                pthread_attr_destroy(&attributes);
            }
            _endthreadex(unsigned(size / 1024));
            return 1u;
        },
        0, nullptr, requested));
    const DWORD kib = joinThread(thread);
    EXPECT_GE(kib, requested / 1024);
    EXPECT_LT(kib, 2 * requested / 1024);
    EXPECT_TRUE(unwound);
}

// The handle is signalled only after the thread's thread-local destructors:
// a waiter may then tear down what they use. The pause widens the window a
// premature signal would leave open.
std::atomic<bool> threadCleanUpDone{false};
struct SlowCleanUp {
    ~SlowCleanUp() {
        Sleep(30);
        threadCleanUpDone = true;
    }
};
thread_local SlowCleanUp slowCleanUp;

TEST(Threads, TheHandleIsSignalledAfterThreadLocalCleanUp) {
    ScopedHandle thread(startThread([] {
        static_cast<void>(&slowCleanUp);
        return 0u;
    }));
    joinThread(thread);
    EXPECT_TRUE(threadCleanUpDone);
}

// Ids match the one reported at creation and differ per thread, also for
// threads the platform did not start; the last error is kept per thread.
TEST(Threads, IdsAndLastErrorArePerThread) {
    unsigned created = 0;
    DWORD seen = 0, foreign = 0;
    SetLastError(1234);
    ScopedHandle thread(startThread(
        [&] {
            seen = GetCurrentThreadId();
            const DWORD error = GetLastError();
            SetLastError(42);
            return error;
        },
        0, &created));
    EXPECT_EQ(joinThread(thread), 0u);
    EXPECT_EQ(GetLastError(), 1234u);
    std::thread([&] { foreign = GetCurrentThreadId(); }).join();
    EXPECT_EQ(seen, created);
    EXPECT_NE(foreign, 0u);
    EXPECT_NE(foreign, GetCurrentThreadId());
}

// Priorities are kept and read back. Lowering one is always permitted, so
// it must reach the OS thread, also when set before the thread starts. The
// pseudo-handle names the calling thread.
TEST(ThreadPriority, IsKeptAndLoweringReachesTheOsThread) {
    ScopedHandle release(makeEvent(true)), running(makeEvent(true));
    unsigned id = 0;
    ScopedHandle thread(startThread(
        [&] {
            SetEvent(running);
            WaitForSingleObject(release, INFINITE);
            return SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_BELOW_NORMAL) ? 0u : 1u;
        },
        CREATE_SUSPENDED, &id));
    const auto nice = [&] { return getpriority(PRIO_PROCESS, static_cast<id_t>(id)); };
    EXPECT_EQ(GetThreadPriority(thread), THREAD_PRIORITY_NORMAL);
    ASSERT_TRUE(SetThreadPriority(thread, THREAD_PRIORITY_BELOW_NORMAL));
    ResumeThread(thread);
    ASSERT_EQ(WaitForSingleObject(running, INFINITE), WAIT_OBJECT_0);
    EXPECT_EQ(nice(), 5);
    for (int priority : {THREAD_PRIORITY_HIGHEST, THREAD_PRIORITY_IDLE}) {
        EXPECT_TRUE(SetThreadPriority(thread, priority));
        EXPECT_EQ(GetThreadPriority(thread), priority);
    }
    EXPECT_EQ(nice(), 19);
    SetLastError(0);
    EXPECT_FALSE(SetThreadPriority(thread, 7));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(GetThreadPriority(thread), THREAD_PRIORITY_IDLE);
    SetEvent(release);
    EXPECT_EQ(joinThread(thread), 0u);
    EXPECT_EQ(GetThreadPriority(thread), THREAD_PRIORITY_BELOW_NORMAL);
    EXPECT_EQ(GetThreadPriority(GetCurrentThread()), THREAD_PRIORITY_NORMAL);
}

// Interlocked calls answer as Windows does (each row also shows the value the
// row before left), the process priority class is kept, and the clocks
// refuse a null pointer.
TEST(Kernel, InterlockedPriorityClassAndClocksAnswerAsWindows) {
    LONG value = 5;
    LONGLONG frequency = 0;
    const HANDLE self = GetCurrentProcess();
    ScopedHandle event(makeEvent(true));
    const struct {
        const char* call;
        std::function<LONGLONG()> run;
        LONGLONG expected;
    } rows[] = {
        {"InterlockedIncrement", [&] { return InterlockedIncrement(&value); }, 6},
        {"InterlockedExchangeAdd", [&] { return InterlockedExchangeAdd(&value, 10); }, 6},
        {"InterlockedExchange", [&] { return InterlockedExchange(&value, -3); }, 16},
        {"no match", [&] { return InterlockedCompareExchange(&value, 9, 4); }, -3},
        {"match", [&] { return InterlockedCompareExchange(&value, 9, -3); }, -3},
        {"InterlockedDecrement", [&] { return InterlockedDecrement(&value); }, 8},
        {"GetPriorityClass", [&] { return GetPriorityClass(self); }, NORMAL_PRIORITY_CLASS},
        {"raise", [&] { return SetPriorityClass(self, ABOVE_NORMAL_PRIORITY_CLASS); }, TRUE},
        {"kept", [&] { return GetPriorityClass(self); }, ABOVE_NORMAL_PRIORITY_CLASS},
        {"bad class", [&] { return SetPriorityClass(self, 0x1234); }, FALSE},
        {"not a process", [&] { return SetPriorityClass(event, NORMAL_PRIORITY_CLASS); }, FALSE},
        {"no class", [&] { return GetPriorityClass(event); }, 0},
        {"restore", [&] { return SetPriorityClass(self, NORMAL_PRIORITY_CLASS); }, TRUE},
        {"frequency", [&] { return QueryPerformanceFrequency(&frequency) && frequency > 0; }, 1},
        {"null counter", [] { return QueryPerformanceCounter(nullptr); }, FALSE},
        {"null frequency", [] { return QueryPerformanceFrequency(nullptr); }, FALSE},
    };
    for (const auto& row : rows)
        EXPECT_EQ(row.run(), row.expected) << row.call;
}

}  // namespace
