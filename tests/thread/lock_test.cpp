// SynchronizedObject and Lock: recursion, exclusion and exception safety.
#include "thread/thread.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

// Takes a Lock on `object` on another thread; `acquired` is set once it has it.
class LockTaker : public thread::ActiveObject {
public:
    explicit LockTaker(const thread::SynchronizedObject& object) : object(object) {
        resume();
        started.wait();
    }
    ~LockTaker() override { terminate(); }
    thread::Event started;
    thread::Event acquired;

private:
    void run() override {
        started.set();
        thread::Lock lock(object);
        acquired.set();
    }
    const thread::SynchronizedObject& object;
};

// The same thread enters twice (outer and inner) before releasing.
TEST(Lock, OtherThreadWaitsUntilTheOutermostLockIsReleased) {
    thread::SynchronizedObject object;
    auto outer = std::make_unique<thread::Lock>(object);
    std::unique_ptr<LockTaker> taker;
    {
        thread::Lock inner(object);
        taker = std::make_unique<LockTaker>(object);
    }
    EXPECT_EQ(WaitForSingleObject(taker->acquired.getHandle(), 100), WAIT_TIMEOUT);
    outer.reset();
    EXPECT_EQ(taker->acquired.wait(), WAIT_OBJECT_0);
}

TEST(Lock, IsReleasedWhenAnExceptionPasses) {
    thread::SynchronizedObject object;
    EXPECT_THROW(
        {
            thread::Lock lock(object);
            throw std::runtime_error("drawing failed");
        },
        std::runtime_error);
    LockTaker taker(object);
    EXPECT_EQ(taker.acquired.wait(), WAIT_OBJECT_0);
}

class Counter : public thread::ActiveObject {
public:
    Counter(thread::SynchronizedObject& guard, int& value) : guard(guard), value(value) {
        resume();
        started.wait();
    }
    ~Counter() override { terminate(); }

private:
    void run() override {
        started.set();
        for (int i = 0; i < 20000; ++i) {
            thread::Lock lock(guard);
            ++value;
        }
    }
    thread::SynchronizedObject& guard;
    int& value;
    thread::Event started;
};

TEST(Lock, KeepsConcurrentUpdatesExact) {
    thread::SynchronizedObject guard;
    int value = 0;
    { Counter a(guard, value), b(guard, value); }
    EXPECT_EQ(value, 40000);
}

TEST(SynchronizedObject, CopyHasALockOfItsOwn) {
    thread::SynchronizedObject original;
    thread::SynchronizedObject copy(original);
    thread::Lock held(original);
    LockTaker taker(copy);
    EXPECT_EQ(taker.acquired.wait(), WAIT_OBJECT_0);
}

}  // namespace
