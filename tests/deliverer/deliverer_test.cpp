// The priority-ordered listener registry: order, registration, changes from
// inside a delivery, and deliveries on several threads.
#include "deliverer.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

// Takes its argument by value: a delivery that moved from its arguments
// would leave the later listeners an empty one.
struct Listener {
    virtual void notify(std::string) {}
    virtual ~Listener() = default;
};

using Registry = PriorityDrivenSubscribeDeliverer<Listener>;

// The parts of the text between separators, without surrounding spaces.
std::vector<std::string> split(const std::string& text, char separator = ' ') {
    std::istringstream in(text);
    std::vector<std::string> parts;
    for (std::string part; std::getline(in >> std::ws, part, separator);)
        parts.push_back(part.erase(part.find_last_not_of(' ') + 1));
    return parts;
}

// Listeners by name log "name:value" when called. A script, operations
// separated by commas, changes the registry: "a@3" registers a at priority 3,
// "-a" unregisters it ("null" is the null listener), "!2" delivers 2 (nested
// when a listener runs it), "^" throws. An action "a:1=script" runs the
// script once, when a is called with 1.
struct Harness {
    struct Recorder : Listener {
        Recorder(std::string name, Harness& h) : name(std::move(name)), h(h) {}
        void notify(std::string value) override {
            const std::string call = name + ":" + value;
            h.log += call + " ";
            if (auto action = h.actions.extract(call))
                h.run(action.mapped());
        }
        const std::string name;
        Harness& h;
    };
    Listener* listener(const std::string& name) {
        return name == "null" ? nullptr : &recorders.try_emplace(name, name, *this).first->second;
    }
    void run(const std::string& script) {
        for (const std::string& op : split(script, ',')) {
            if (op == "^")
                throw op;
            if (op[0] == '!')
                registry.deliver(&Listener::notify, op.substr(1));
            else if (op[0] == '-')
                registry.unregisterListener(listener(op.substr(1)));
            else
                registry.registerListener(listener(op.substr(0, op.find('@'))),
                                          std::stoi(op.substr(op.find('@') + 1)));
        }
    }
    // "setup | actions | delivery | ...": each delivery of 1 is "calls" or
    // "script > calls", the script run before it; "thrown" ends a delivery
    // that threw.
    void check(const std::string& spec) {
        SCOPED_TRACE(spec);
        const std::vector<std::string> fields = split(spec, '|');
        run(fields.at(0));
        for (const std::string& action : split(fields.at(1)))
            actions[action.substr(0, action.find('='))] = action.substr(action.find('=') + 1);
        for (std::size_t i = 2; i < fields.size(); ++i) {
            const std::size_t before = fields[i].find('>');
            if (before != std::string::npos)
                run(fields[i].substr(0, before));
            log.clear();
            try {
                registry.deliver(&Listener::notify, std::string("1"));
            } catch (const std::string&) {
                log += "thrown";
            }
            // (Without a script, before + 1 is npos + 1, that is 0.)
            EXPECT_EQ(split(log), split(fields[i].substr(before + 1))) << "delivery " << i - 1;
        }
    }

    std::string log;
    std::map<std::string, std::string> actions;
    std::map<std::string, Recorder> recorders;
    Registry registry;
};

// Higher priorities first, equal ones in registration order; a record per
// registration, unregistering removes the first. A change inside a delivery
// restarts the walk, skipping those called: everyone present at the end is
// called once per delivery, newcomers too, and nobody unregistered before
// their turn (itself, an earlier or a later one); also around nested
// deliveries and after a listener threw (whose marks must not stay behind).
TEST(Deliverer, CallsInPriorityOrderAcrossChangesInside) {
    const char* const cases[] = {
        "a@2,neg@-3,b@7,c@2,d@7 | | b:1 d:1 a:1 c:1 neg:1",
        "a@1,a@1 | | a:1 a:1 | -a > a:1 | -a > ",
        "a@9,b@5,a@0,null@4,-a,-x | | b:1 a:1 | -null > b:1 a:1",
        "a@4,b@3,c@2,d@1 | b:1=-a,-c,-b | a:1 b:1 d:1 | d:1",
        "a@3,b@2 | a:1=late@0,early@10 | a:1 early:1 b:1 late:1 | early:1 a:1 b:1 late:1",
        "a@2,b@1 | a:1=-a,a@0 | a:1 b:1 a:1 | b:1 a:1",
        "a@3,b@2,c@1 | b:1=!2,added@0 | a:1 b:1 a:2 b:2 c:2 c:1 added:1",
        "a@2,b@1 | b:1=!2 a:2=added@0 | a:1 b:1 a:2 b:2 added:2 added:1",
        "a@2,b@1 | a:1=^ | a:1 thrown | a:1 b:1 | c@0 > a:1 b:1 c:1",
    };
    for (const char* spec : cases)
        Harness().check(spec);
}

// Counts its calls per delivering thread (under the registry's lock).
struct Counter : Listener {
    void notify(std::string slot) override { ++counts[slot == "1"]; }
    int counts[2] = {0, 0};
};

// Two threads deliver; one of them also registers and unregisters a stranger
// between its deliveries, that is during the other's.
TEST(Deliverer, ThreadsDeliveringEachCallEveryListenerOncePerDelivery) {
    constexpr int rounds = 2000;
    Registry registry;
    std::vector<Counter> counters(4);  // three listeners and a stranger
    for (int i = 0; i < 3; ++i)
        registry.registerListener(&counters[i], i);
    std::thread other([&] {
        for (int r = 0; r < rounds; ++r)
            registry.deliver(&Listener::notify, std::string("0"));
    });
    for (int r = 0; r < rounds; ++r) {
        registry.deliver(&Listener::notify, std::string("1"));
        registry.registerListener(&counters[3], r % 3);
        registry.unregisterListener(&counters[3]);
    }
    other.join();
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(counters[i].counts[0] == rounds && counters[i].counts[1] == rounds) << i;
    EXPECT_EQ(registry.listenerCount(), 3u);
}
