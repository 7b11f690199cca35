// Event and WaitingObject.
#include "thread/thread.h"

#include <gtest/gtest.h>

namespace {

TEST(Event, DefaultIsManualResetAndStartsClear) {
    thread::Event event;
    EXPECT_TRUE(event.isManualReset());
    EXPECT_EQ(WaitForSingleObject(event.getHandle(), 0), WAIT_TIMEOUT);
    EXPECT_TRUE(event.set());
    EXPECT_EQ(event.wait(), WAIT_OBJECT_0);
    EXPECT_EQ(event.wait(), WAIT_OBJECT_0);
    EXPECT_TRUE(event.reset());
    EXPECT_EQ(WaitForSingleObject(event.getHandle(), 0), WAIT_TIMEOUT);
}

TEST(Event, AutomaticResetIsConsumedByOneWait) {
    thread::Event event(false);
    EXPECT_FALSE(event.isManualReset());
    event.set();
    EXPECT_EQ(event.wait(), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(event.getHandle(), 0), WAIT_TIMEOUT);
}

TEST(Event, ClosesItsHandle) {
    HANDLE handle;
    {
        thread::Event event;
        handle = event.getHandle();
    }
    EXPECT_FALSE(SetEvent(handle));
}

TEST(WaitingObject, ReturnsTheIndexOfTheSignalledEntry) {
    thread::Event a(false), b(false), c(false);
    thread::Event* events[] = {&a, &b, &c};
    thread::WaitingObject waiter(events, 3, false);
    c.set();
    EXPECT_EQ(waiter.wait(), 2u);
    b.set();
    EXPECT_EQ(waiter.wait(), 1u);
}

TEST(WaitingObject, ReturnsTheLowestOfEntriesSignalledTogether) {
    thread::Event a(false), b(false), c(false), d(false);
    thread::Event* events[] = {&a, &b, &c, &d};
    thread::WaitingObject waiter(events, 4, false);
    d.set();
    b.set();
    c.set();
    EXPECT_EQ(waiter.wait(), 1u);
    EXPECT_EQ(waiter.wait(), 2u);
    EXPECT_EQ(waiter.wait(), 3u);
}

TEST(WaitingObject, CopiesTheArray) {
    thread::Event a(false), b(false);
    thread::Event* events[] = {&a, &b};
    thread::WaitingObject waiter(events, 2, false);
    events[0] = &b;  // must not change what the waiter watches
    a.set();
    EXPECT_EQ(waiter.wait(), 0u);
}

TEST(WaitingObject, WaitAllReturnsZeroOnceEveryEntryIsSignalled) {
    thread::Event a(false), b(true);
    thread::Event* events[] = {&a, &b};
    thread::WaitingObject waiter(events, 2, true);
    a.set();
    b.set();
    EXPECT_EQ(waiter.wait(), 0u);
    EXPECT_EQ(WaitForSingleObject(a.getHandle(), 0), WAIT_TIMEOUT);
}

TEST(WaitingObject, SingleEventConstructorWaitsForThatEvent) {
    thread::Event event(false);
    thread::WaitingObject waiter(&event);
    event.set();
    EXPECT_EQ(waiter.wait(), 0u);
}

TEST(WaitingObject, ThrowsWaitFailedForAClosedHandle) {
    thread::Event good, closed;
    thread::Event* events[] = {&good, &closed};
    thread::WaitingObject waiter(events, 2, false);
    good.set();
    ASSERT_TRUE(CloseHandle(closed.getHandle()));
    try {
        waiter.wait();
        FAIL() << "no exception";
    } catch (const char* text) {
        EXPECT_STREQ(text, "WAIT_FAILED");
    }
}

}  // namespace
