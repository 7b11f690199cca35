#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "deliverer.h"

namespace {

class Listener {
public:
    virtual void notify(int value) = 0;
    virtual void named(std::string text) = 0;
    virtual ~Listener() = default;
};

using Registry = PriorityDrivenSubscribeDeliverer<Listener>;
using Log = std::vector<std::string>;

// Writes its name to a shared log when called, then runs an optional action.
class Recorder : public Listener {
public:
    Recorder(std::string name, Log& log) : name_(std::move(name)), log_(log) {}

    void notify(int value) override {
        log_.push_back(name_ + ":" + std::to_string(value));
        // A copy, so that the action may replace itself.
        const std::function<void()> act = action;
        if (act) {
            act();
        }
    }
    void named(std::string text) override { log_.push_back(name_ + "=" + text); }

    std::function<void()> action;

private:
    std::string name_;
    Log& log_;
};

Log deliverOnce(Registry& registry, Log& log, int value = 1) {
    log.clear();
    registry.deliver(&Listener::notify, value);
    return log;
}

// --- ordering ----------------------------------------------------------------------

TEST(DelivererOrder, HigherPriorityFirstWhateverTheRegistrationOrder) {
    Log log;
    Recorder low("low", log), high("high", log), negative("neg", log);
    Registry registry;
    registry.registerListener(&low, 0);
    registry.registerListener(&negative, -3);
    registry.registerListener(&high, 5);
    EXPECT_EQ(deliverOnce(registry, log), (Log{"high:1", "low:1", "neg:1"}));
}

TEST(DelivererOrder, EqualPrioritiesInRegistrationOrder) {
    Log log;
    Recorder a("a", log), b("b", log), c("c", log), d("d", log);
    Registry registry;
    registry.registerListener(&a, 2);
    registry.registerListener(&b, 7);
    registry.registerListener(&c, 2);
    registry.registerListener(&d, 7);
    EXPECT_EQ(deliverOnce(registry, log), (Log{"b:1", "d:1", "a:1", "c:1"}));
}

TEST(DelivererOrder, ArgumentsReachEveryListenerUnmoved) {
    Log log;
    Recorder a("a", log), b("b", log);
    Registry registry;
    registry.registerListener(&a, 0);
    registry.registerListener(&b, 0);
    registry.deliver(&Listener::named, std::string("a long text that would be moved from"));
    EXPECT_EQ(log, (Log{"a=a long text that would be moved from",
                        "b=a long text that would be moved from"}));
}

TEST(DelivererOrder, EmptyRegistryDeliversNothing) {
    Registry registry;
    registry.deliver(&Listener::notify, 3);
    EXPECT_EQ(registry.listenerCount(), 0u);
}

// --- registering and unregistering outside a delivery ------------------------------

TEST(DelivererRegistration, ListenerRegisteredTwiceIsCalledTwiceAndNeedsTwoUnregistrations) {
    Log log;
    Recorder a("a", log);
    Registry registry;
    registry.registerListener(&a, 1);
    registry.registerListener(&a, 1);
    EXPECT_EQ(deliverOnce(registry, log), (Log{"a:1", "a:1"}));
    registry.unregisterListener(&a);
    EXPECT_EQ(deliverOnce(registry, log), (Log{"a:1"}));
    registry.unregisterListener(&a);
    EXPECT_TRUE(deliverOnce(registry, log).empty());
}

TEST(DelivererRegistration, UnregisterRemovesTheFirstRecordOnly) {
    Log log;
    Recorder a("a", log), b("b", log);
    Registry registry;
    registry.registerListener(&a, 9);
    registry.registerListener(&b, 5);
    registry.registerListener(&a, 0);
    registry.unregisterListener(&a);
    // The priority-9 record went; the priority-0 one stays behind b.
    EXPECT_EQ(deliverOnce(registry, log), (Log{"b:1", "a:1"}));
}

TEST(DelivererRegistration, UnknownAndNullListenersChangeNothing) {
    Log log;
    Recorder a("a", log), stranger("x", log);
    Registry registry;
    registry.registerListener(&a, 0);
    registry.registerListener(nullptr, 4);
    registry.unregisterListener(&stranger);
    registry.unregisterListener(nullptr);
    EXPECT_EQ(registry.listenerCount(), 1u);
    EXPECT_EQ(deliverOnce(registry, log), (Log{"a:1"}));
}

// --- changes from inside a delivery ------------------------------------------------

// Three listeners a, b, c at priorities 3, 2, 1.
class ThreeListeners : public ::testing::Test {
protected:
    ThreeListeners() {
        registry.registerListener(&a, 3);
        registry.registerListener(&b, 2);
        registry.registerListener(&c, 1);
    }
    Log log;
    Recorder a{"a", log}, b{"b", log}, c{"c", log};
    Registry registry;
};

TEST_F(ThreeListeners, ListenerUnregisteringItselfIsNotCalledAgain) {
    b.action = [&] { registry.unregisterListener(&b); };
    EXPECT_EQ(deliverOnce(registry, log), (Log{"a:1", "b:1", "c:1"}));
    EXPECT_EQ(deliverOnce(registry, log), (Log{"a:1", "c:1"}));
}

TEST_F(ThreeListeners, LaterListenerUnregisteredInsideIsNotCalled) {
    a.action = [&] { registry.unregisterListener(&b); };
    EXPECT_EQ(deliverOnce(registry, log), (Log{"a:1", "c:1"}));
}

TEST_F(ThreeListeners, EarlierListenerUnregisteredInsideDoesNotRepeatOthers) {
    b.action = [&] { registry.unregisterListener(&a); };
    EXPECT_EQ(deliverOnce(registry, log), (Log{"a:1", "b:1", "c:1"}));
}

TEST(DelivererReentrance, ListenerRegisteredInsideIsCalledInTheSameDelivery) {
    Log log;
    Recorder a("a", log), b("b", log), late("late", log), early("early", log);
    Registry registry;
    registry.registerListener(&a, 3);
    registry.registerListener(&b, 2);
    // One goes behind everyone, one in front of the caller: the restarted walk
    // reaches both and skips the listeners already called.
    a.action = [&] {
        a.action = nullptr;
        registry.registerListener(&late, 0);
        registry.registerListener(&early, 10);
    };
    EXPECT_EQ(deliverOnce(registry, log), (Log{"a:1", "early:1", "b:1", "late:1"}));
    EXPECT_EQ(deliverOnce(registry, log), (Log{"early:1", "a:1", "b:1", "late:1"}));
}

TEST(DelivererReentrance, ListenerReRegisteringItselfCountsAsNew) {
    Log log;
    Recorder a("a", log), b("b", log);
    Registry registry;
    registry.registerListener(&a, 2);
    registry.registerListener(&b, 1);
    a.action = [&] {
        a.action = nullptr;
        registry.unregisterListener(&a);
        registry.registerListener(&a, 0);
    };
    EXPECT_EQ(deliverOnce(registry, log), (Log{"a:1", "b:1", "a:1"}));
    EXPECT_EQ(deliverOnce(registry, log), (Log{"b:1", "a:1"}));
}

TEST(DelivererReentrance, NestedDeliveryCallsEveryoneOncePerDelivery) {
    Log log;
    Recorder a("a", log), b("b", log), c("c", log), added("added", log);
    Registry registry;
    registry.registerListener(&a, 3);
    registry.registerListener(&b, 2);
    registry.registerListener(&c, 1);
    b.action = [&] {
        b.action = nullptr;
        registry.deliver(&Listener::notify, 2);
        registry.registerListener(&added, 0);
    };
    EXPECT_EQ(deliverOnce(registry, log),
              (Log{"a:1", "b:1", "a:2", "b:2", "c:2", "c:1", "added:1"}));
}

TEST(DelivererReentrance, RegistrationInsideNestedDeliveryCountsInBoth) {
    Log log;
    Recorder a("a", log), b("b", log), added("added", log);
    Registry registry;
    registry.registerListener(&a, 2);
    registry.registerListener(&b, 1);
    b.action = [&] {
        b.action = nullptr;
        a.action = [&] {
            a.action = nullptr;
            registry.registerListener(&added, 0);
        };
        registry.deliver(&Listener::notify, 2);
    };
    EXPECT_EQ(deliverOnce(registry, log), (Log{"a:1", "b:1", "a:2", "b:2", "added:2", "added:1"}));
}

TEST(DelivererReentrance, ThrowingListenerLeavesTheRegistryUsable) {
    Log log;
    Recorder a("a", log), b("b", log);
    Registry registry;
    registry.registerListener(&a, 2);
    registry.registerListener(&b, 1);
    a.action = [] { throw std::runtime_error("listener failed"); };
    EXPECT_THROW(registry.deliver(&Listener::notify, 1), std::runtime_error);
    a.action = nullptr;
    EXPECT_EQ(deliverOnce(registry, log), (Log{"a:1", "b:1"}));
    // A registration now must not inherit marks of the aborted delivery.
    Recorder c("c", log);
    registry.registerListener(&c, 0);
    EXPECT_EQ(deliverOnce(registry, log), (Log{"a:1", "b:1", "c:1"}));
}

// --- threads -----------------------------------------------------------------------

// Counts its calls into a counter chosen by the delivering thread.
class Counter : public Listener {
public:
    void notify(int slot) override {
        ++counts[slot];
        if (churn != nullptr) {
            // Change the registry inside the call, under whichever thread's
            // delivery is running: the visitor comes and goes.
            if (visitorIn) {
                churn->unregisterListener(&visitor);
            } else {
                churn->registerListener(&visitor, priority);
            }
            visitorIn = !visitorIn;
        }
    }
    void named(std::string) override {}

    int counts[2] = {0, 0};  // guarded by the registry's lock during deliveries
    Registry* churn = nullptr;
    int priority = 0;

private:
    class Visitor : public Listener {
    public:
        void notify(int) override {}
        void named(std::string) override {}
    } visitor;
    bool visitorIn = false;
};

TEST(DelivererThreads, TwoThreadsDeliveringEachCallEveryListenerOncePerDelivery) {
    constexpr int listeners = 6;
    constexpr int rounds = 2000;
    Registry registry;
    std::vector<Counter> counters(listeners);
    for (int i = 0; i < listeners; ++i) {
        counters[i].priority = i % 3;
        counters[i].churn = (i % 2 == 0) ? &registry : nullptr;
        registry.registerListener(&counters[i], counters[i].priority);
    }
    std::atomic<bool> go{false};
    auto run = [&](int slot) {
        while (!go.load()) {
            std::this_thread::yield();
        }
        for (int r = 0; r < rounds; ++r) {
            registry.deliver(&Listener::notify, slot);
        }
    };
    std::thread first(run, 0);
    std::thread second(run, 1);
    go = true;
    first.join();
    second.join();
    for (const Counter& counter : counters) {
        EXPECT_EQ(counter.counts[0], rounds);
        EXPECT_EQ(counter.counts[1], rounds);
    }
    // Each churner was called an even number of times, so its visitor is out.
    EXPECT_EQ(registry.listenerCount(), static_cast<std::size_t>(listeners));
}

TEST(DelivererThreads, RegistrationFromAnotherThreadDuringDeliveries) {
    constexpr int rounds = 1000;
    Registry registry;
    Counter steady;
    registry.registerListener(&steady, 1);
    std::thread deliverer([&] {
        for (int r = 0; r < rounds; ++r) {
            registry.deliver(&Listener::notify, 0);
        }
    });
    std::vector<Counter> visitors(4);
    for (int r = 0; r < rounds; ++r) {
        Counter& visitor = visitors[r % visitors.size()];
        registry.registerListener(&visitor, r % 3);
        registry.unregisterListener(&visitor);
    }
    deliverer.join();
    EXPECT_EQ(steady.counts[0], rounds);
    EXPECT_EQ(registry.listenerCount(), 1u);
}

}  // namespace
