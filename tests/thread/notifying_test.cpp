// NotifyingObject: indices passed to notify, and stopping.
#include "thread/thread.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

class Recorder : public thread::NotifyingObject {
public:
    // `expected` notifications set `enough`.
    explicit Recorder(size_t expected = 1) : expected(expected) {}

    std::vector<int> indices() const {
        thread::Lock lock(guard);
        return seen;
    }
    HANDLE threadHandle() const { return thread; }
    thread::Event enough;
    DWORD notifyThread = 0;

private:
    void notify(int index) override {
        thread::Lock lock(guard);
        notifyThread = GetCurrentThreadId();
        seen.push_back(index);
        if (seen.size() == expected)
            enough.set();
    }
    thread::SynchronizedObject guard;
    std::vector<int> seen;
    size_t expected;
};

TEST(NotifyingObject, ReportsTheIndexOfTheSignalledEvent) {
    thread::Event a(false), b(false), c(false);
    thread::Event* events[] = {&a, &b, &c};
    Recorder recorder;
    recorder.startNotifying(events, 3);
    c.set();
    ASSERT_EQ(recorder.enough.wait(), WAIT_OBJECT_0);
    recorder.stopNotifying();
    EXPECT_EQ(recorder.indices(), std::vector<int>{2});
    EXPECT_EQ(recorder.notifyThread, recorder.getThreadId());
}

TEST(NotifyingObject, EventsSignalledTogetherComeLowestFirst) {
    thread::Event a(false), b(false), c(false);
    thread::Event* events[] = {&a, &b, &c};
    c.set();
    a.set();
    Recorder recorder(2);
    recorder.startNotifying(events, 3);
    ASSERT_EQ(recorder.enough.wait(), WAIT_OBJECT_0);
    recorder.stopNotifying();
    EXPECT_EQ(recorder.indices(), (std::vector<int>{0, 2}));
}

TEST(NotifyingObject, SingleEventIsIndexZero) {
    thread::Event event(false);
    Recorder recorder;
    recorder.startNotifying(&event);
    event.set();
    ASSERT_EQ(recorder.enough.wait(), WAIT_OBJECT_0);
    recorder.stopNotifying();
    EXPECT_EQ(recorder.indices(), std::vector<int>{0});
}

TEST(NotifyingObject, StopEndsTheWorkerAndASecondStopDoesNothing) {
    thread::Event event(false);
    Recorder recorder;
    recorder.startNotifying(&event);
    recorder.stopNotifying();
    EXPECT_EQ(WaitForSingleObject(recorder.threadHandle(), INFINITE), WAIT_OBJECT_0);
    recorder.stopNotifying();
    event.set();
    EXPECT_TRUE(recorder.indices().empty());
    // Nobody took the signal.
    EXPECT_EQ(WaitForSingleObject(event.getHandle(), 0), WAIT_OBJECT_0);
    // The worker runs once: starting again is ignored rather than hanging.
    recorder.startNotifying(&event);
    recorder.stopNotifying();
}

TEST(NotifyingObject, DestroyedWithoutStartingEndsItsThread) {
    auto recorder = std::make_unique<Recorder>();
    const HANDLE threadCopy = recorder->threadHandle();
    EXPECT_EQ(WaitForSingleObject(threadCopy, 0), WAIT_TIMEOUT);
    recorder.reset();  // would wait for ever on a thread that never ran
    EXPECT_EQ(WaitForSingleObject(threadCopy, 0), WAIT_FAILED);
}

TEST(NotifyingObject, DestructorStopsARunningWorker) {
    thread::Event event(false);
    HANDLE threadCopy = nullptr;
    {
        Recorder recorder;
        recorder.startNotifying(&event);
        threadCopy = recorder.threadHandle();
        EXPECT_EQ(WaitForSingleObject(threadCopy, 0), WAIT_TIMEOUT);
    }
    // The handle is closed with the object.
    EXPECT_EQ(WaitForSingleObject(threadCopy, 0), WAIT_FAILED);
}

TEST(NotifyingObject, AClosedEventEndsTheWorkerInsteadOfCrashing) {
    thread::Event event(false);
    Recorder recorder;
    ASSERT_TRUE(CloseHandle(event.getHandle()));
    recorder.startNotifying(&event);
    EXPECT_EQ(WaitForSingleObject(recorder.threadHandle(), INFINITE), WAIT_OBJECT_0);
    recorder.stopNotifying();
    EXPECT_TRUE(recorder.indices().empty());
}

}  // namespace
