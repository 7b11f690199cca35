// The driver's thread primitives: Event, WaitingObject, SynchronizedObject
// with Lock, ActiveObject and NotifyingObject.
#include "thread/thread.h"

#include <gmock/gmock.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

// Runs `body` (without one: until terminate wakes it) on its own thread once
// resumed (here, when `resumed`), noting its hooks in order. Tests read the
// history when the thread waits or has ended.
class Task : public thread::ActiveObject {
public:
    explicit Task(std::function<void(Task&)> body = nullptr, bool resumed = true)
        : body(std::move(body)) {
        if (resumed)
            resume();
    }
    ~Task() override { terminate(); }
    HANDLE handle() const { return thread; }
    thread::Event running, wake{false};
    DWORD runThread = 0;
    std::string history;

private:
    void record(const char* event) {
        thread::Lock lock(guard);  // terminate may come while the body runs
        history += event;
    }
    void onStart() override { record("start "); }
    void run() override {
        record(isTerminating() ? "run-terminating " : "run ");
        runThread = GetCurrentThreadId();
        running.set();
        while (!body && !isTerminating())
            wake.wait();
        if (body)
            body(*this);
        record("end ");
    }
    void onTerminate() override {
        record("terminate ");
        wake.set();
    }
    std::function<void(Task&)> body;
    thread::SynchronizedObject guard;
};

// Notes each index it is notified of, and its thread; `enough` is set at
// the expected count. Read after `enough` or a stop.
class Recorder : public thread::NotifyingObject {
public:
    explicit Recorder(size_t expected = 1) : expected(expected) {}
    HANDLE handle() const { return thread; }
    thread::Event enough;
    DWORD notifyThread = 0;
    std::vector<int> seen;

private:
    void notify(int index) override {
        notifyThread = GetCurrentThreadId();
        seen.push_back(index);
        if (seen.size() == expected)
            enough.set();
    }
    size_t expected;
};

bool isSet(const thread::Event& event) {
    return WaitForSingleObject(event.getHandle(), 0) == WAIT_OBJECT_0;
}

// Manual reset by default; an automatic one is consumed by one wait; the
// handle is closed with the event.
TEST(Event, ManualStaysSetAutomaticIsConsumedWaitersGiveTheIndex) {
    thread::Event manual, automatic(false);
    EXPECT_TRUE(manual.set() && automatic.set());
    EXPECT_TRUE(manual.wait() == WAIT_OBJECT_0 && automatic.wait() == WAIT_OBJECT_0);
    EXPECT_TRUE(isSet(manual) && !isSet(automatic));
    EXPECT_TRUE(manual.reset() && !isSet(manual));
    const HANDLE closed = std::make_unique<thread::Event>()->getHandle();  // and gone
    EXPECT_FALSE(SetEvent(closed));

    // A waiter gives the index of a signalled entry of its own copy of the
    // array; a closed handle throws. (Which entry wins is the kernel's.)
    thread::Event a(false), b(false), c(false);
    thread::Event* events[] = {&a, &b, &c};
    thread::WaitingObject any(events, 3, false), single(&c);
    events[0] = &c;  // must not change what the waiter watches
    c.set();
    EXPECT_EQ(any.wait(), 2u);
    c.set();
    EXPECT_EQ(single.wait(), 0u);
    ASSERT_TRUE(CloseHandle(a.getHandle()));
    EXPECT_THAT([&] { any.wait(); }, testing::Throws<const char*>(testing::StrEq("WAIT_FAILED")));
}

// A copy has a lock of its own: holding it keeps no other thread from the
// original (a shared one would hang here). Exclusion, recursion and
// contention are the critical section's.
TEST(Lock, ACopyHasALockOfItsOwn) {
    thread::SynchronizedObject object;
    const thread::SynchronizedObject copy(object);
    thread::Lock held(copy);
    Task taker([&](Task&) { thread::Lock lock(object); });
    EXPECT_EQ(WaitForSingleObject(taker.handle(), INFINITE), WAIT_OBJECT_0);
}

std::vector<DWORD> sleeps;

// Nothing runs before resume. Then onStart, run on the object's own thread;
// terminate wakes it through onTerminate and waits for its end; again, it
// returns.
TEST(ActiveObject, RunsOnItsThreadFromResumeToTerminate) {
    Task task(nullptr, false);
    EXPECT_EQ(WaitForSingleObject(task.running.getHandle(), 100), WAIT_TIMEOUT);
    task.resume();
    EXPECT_EQ(task.running.wait(), WAIT_OBJECT_0);
    EXPECT_EQ(task.history, "start run ");
    EXPECT_TRUE(task.runThread == task.getThreadId() && task.runThread != GetCurrentThreadId());
    task.terminate();
    EXPECT_EQ(task.history, "start run terminate end ");
    task.terminate();
    EXPECT_EQ(task.history, "start run terminate end terminate ");

    // Sleeping: seconds become milliseconds, truncated; negative ones none.
    const auto record = [](DWORD milliseconds) { sleeps.push_back(milliseconds); };
    const thread::SleepFunction previous = thread::setSleepFunction(record);
    for (float seconds : {0.0005f, 0.25f, 1.0009f, -2.0f})
        task.sleep(seconds);
    EXPECT_EQ(thread::setSleepFunction(previous), +record);
    EXPECT_EQ(sleeps, (std::vector<DWORD>{0, 250, 1000, 0}));
}

// Indices on the worker's thread, those signalled together lowest first.
// Stopping ends the worker, once: a later signal is not taken, and the
// worker does not start again.
TEST(NotifyingObject, ReportsSignalledEventsUntilStoppedOrDestroyed) {
    thread::Event a(false), b(false), c(false);
    thread::Event* events[] = {&a, &b, &c};
    c.set();
    a.set();
    Recorder recorder(2);
    recorder.startNotifying(events, 3);
    ASSERT_EQ(recorder.enough.wait(), WAIT_OBJECT_0);
    EXPECT_EQ(recorder.notifyThread, recorder.getThreadId());
    recorder.stopNotifying();
    EXPECT_EQ(WaitForSingleObject(recorder.handle(), INFINITE), WAIT_OBJECT_0);
    recorder.stopNotifying();
    c.set();
    recorder.startNotifying(events, 3);
    recorder.stopNotifying();
    EXPECT_EQ(recorder.seen, (std::vector<int>{0, 2}));
    EXPECT_TRUE(isSet(c));

    // A destroyed object's thread has ended and its handle is closed,
    // whether it never started or was notifying; a closed event ends the
    // worker rather than crash the process.
    thread::Event& event = b;
    for (bool start : {false, true}) {
        auto object = std::make_unique<Recorder>();
        if (start) {
            object->startNotifying(&event);  // a single event is index 0
            event.set();
            ASSERT_EQ(object->enough.wait(), WAIT_OBJECT_0);
            EXPECT_EQ(object->seen, std::vector<int>{0});
        }
        const HANDLE handle = object->handle();
        EXPECT_EQ(WaitForSingleObject(handle, 0), WAIT_TIMEOUT);
        object.reset();
        EXPECT_EQ(WaitForSingleObject(handle, 0), WAIT_FAILED);
    }
    Recorder closed;
    ASSERT_TRUE(CloseHandle(event.getHandle()));
    closed.startNotifying(&event);
    EXPECT_EQ(WaitForSingleObject(closed.handle(), INFINITE), WAIT_OBJECT_0);
    closed.stopNotifying();
    EXPECT_TRUE(closed.seen.empty());
}
