// ActiveObject: start, run, terminate, priorities and the sleep rule.
#include "thread/thread.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Records the order of its hooks; run blocks until terminate wakes it.
class Worker : public thread::ActiveObject {
public:
    Worker() = default;  // resumed by the test
    ~Worker() override { terminate(); }

    std::string history() const {
        thread::Lock lock(guard);
        return log;
    }
    DWORD idSeenByRun = 0;
    thread::Event running;
    HANDLE threadHandle() const { return thread; }

private:
    void record(const char* event) {
        thread::Lock lock(guard);
        if (!log.empty())
            log += ' ';
        log += event;
    }
    void onStart() override { record("start"); }
    void run() override {
        record(isTerminating() ? "run-terminating" : "run");
        idSeenByRun = GetCurrentThreadId();
        running.set();
        while (!isTerminating())
            wake.wait();
        record("run-end");
    }
    void onTerminate() override {
        record("terminate");
        wake.set();
    }

    thread::SynchronizedObject guard;
    std::string log;
    thread::Event wake{false};
};

TEST(ActiveObject, DoesNotRunBeforeResume) {
    Worker worker;
    EXPECT_EQ(WaitForSingleObject(worker.running.getHandle(), 100), WAIT_TIMEOUT);
    EXPECT_EQ(worker.history(), "");
    EXPECT_EQ(worker.resume(), 1u);
    EXPECT_EQ(worker.running.wait(), WAIT_OBJECT_0);
}

TEST(ActiveObject, RunsOnStartThenRunAndEndsOnTerminate) {
    Worker worker;
    EXPECT_FALSE(worker.isTerminating());
    worker.resume();
    worker.running.wait();
    EXPECT_EQ(worker.history(), "start run");
    EXPECT_EQ(worker.idSeenByRun, worker.getThreadId());
    EXPECT_NE(worker.getThreadId(), GetCurrentThreadId());

    worker.terminate();
    EXPECT_TRUE(worker.isTerminating());
    EXPECT_EQ(worker.history(), "start run terminate run-end");
    DWORD code = 1;
    ASSERT_TRUE(GetExitCodeThread(worker.threadHandle(), &code));
    EXPECT_EQ(code, 0u);
    // A second terminate returns at once: the thread has ended.
    worker.terminate();
    EXPECT_TRUE(worker.isTerminating());
}

TEST(ActiveObject, PriorityIsSetOnItsThread) {
    Worker worker;
    worker.setPriority(THREAD_PRIORITY_ABOVE_NORMAL);
    EXPECT_EQ(worker.getPriority(), THREAD_PRIORITY_ABOVE_NORMAL);
    EXPECT_EQ(GetThreadPriority(GetCurrentThread()), THREAD_PRIORITY_NORMAL);
    worker.resume();
    worker.running.wait();
}

TEST(ActiveObject, SuspendAndResumeReturnThePreviousCount) {
    Worker worker;
    EXPECT_EQ(worker.suspend(), 1u);
    EXPECT_EQ(worker.resume(), 2u);
    EXPECT_EQ(worker.resume(), 1u);
    worker.running.wait();
    EXPECT_EQ(worker.resume(), 0u);
}

std::vector<DWORD>* sleepCalls = nullptr;

void WINAPI recordSleep(DWORD milliseconds) {
    sleepCalls->push_back(milliseconds);
}

TEST(ActiveObject, SleepTruncatesSecondsToMilliseconds) {
    std::vector<DWORD> calls;
    sleepCalls = &calls;
    const thread::SleepFunction previous = thread::setSleepFunction(&recordSleep);
    {
        Worker worker;
        worker.sleep(0.0005f);
        worker.sleep(0.25f);
        worker.sleep(1.0009f);
        worker.sleep(-2.0f);
        worker.resume();
        worker.running.wait();
    }
    EXPECT_EQ(thread::setSleepFunction(previous), &recordSleep);
    sleepCalls = nullptr;
    EXPECT_EQ(calls, (std::vector<DWORD>{0, 250, 1000, 0}));
}

}  // namespace
