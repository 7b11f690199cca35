#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/core/degrading_manager.h"

namespace {

using Option = DegradingManager::Option;

class RecordingListener : public DegradingListener {
public:
    void qualityChanged(DegradingManager* manager) override {
        seen.push_back(manager);
        const std::function<void()> act = action;
        if (act) {
            act();
        }
    }
    std::vector<DegradingManager*> seen;
    std::function<void()> action;
};

// A manager whose capability flags the test sets, as a driver does. The flags
// live in a base of their own so they exist before the manager part.
struct FlagsHolder {
    std::uint32_t flags = 0;
};
class DeviceManager : private FlagsHolder, public DegradingManager {
public:
    DeviceManager() : DegradingManager(&flags) {}
    using FlagsHolder::flags;
};

// --- options -------------------------------------------------------------------------

TEST(DegradingOptions, NeededBitsFollowTheDriverCapabilityFlags) {
    EXPECT_EQ(DegradingManager::neededBit(DegradingManager::DITHERING), 0x02u);
    EXPECT_EQ(DegradingManager::neededBit(DegradingManager::ANTIALIASING), 0x08u);
    EXPECT_EQ(DegradingManager::neededBit(DegradingManager::SUB_PIXEL), 0x10u);
    EXPECT_EQ(DegradingManager::neededBit(DegradingManager::ANISOTROPY), 0x40u);
    EXPECT_EQ(DegradingManager::neededBit(DegradingManager::W_BUFFER), 0x80u);
    // The rest need one of the bits that every device has.
    for (Option o : {DegradingManager::SPECULAR, DegradingManager::MIPMAPS,
                     DegradingManager::SHADOWS, DegradingManager::DETAIL_TEXTURES,
                     DegradingManager::EFFECTS}) {
        const std::uint32_t bit = DegradingManager::neededBit(o);
        EXPECT_NE(bit, 0u) << o;
        EXPECT_EQ(bit & 0x25u, bit) << o;
    }
}

TEST(DegradingOptions, EveryOptionStartsOff) {
    DegradingManager manager;
    for (int i = 0; i < DegradingManager::OPTION_COUNT; ++i) {
        EXPECT_FALSE(manager.getOption(static_cast<Option>(i))) << i;
    }
}

TEST(DegradingOptions, ManagerWithoutDeviceFlagsHonoursEveryRequest) {
    DegradingManager manager;
    for (int i = 0; i < DegradingManager::OPTION_COUNT; ++i) {
        EXPECT_TRUE(manager.setOption(static_cast<Option>(i), true));
        EXPECT_TRUE(manager.getOption(static_cast<Option>(i))) << i;
        EXPECT_TRUE(manager.setOption(static_cast<Option>(i), false));
        EXPECT_FALSE(manager.getOption(static_cast<Option>(i))) << i;
    }
}

TEST(DegradingOptions, OptionWithoutItsCapabilityBitReadsFalse) {
    DeviceManager manager;
    EXPECT_TRUE(manager.setOption(DegradingManager::DITHERING, true));
    EXPECT_FALSE(manager.getOption(DegradingManager::DITHERING));
    manager.flags = 0x25 | 0x02;
    // The flags are read when an option is set, not remembered from before.
    EXPECT_FALSE(manager.getOption(DegradingManager::DITHERING));
    manager.setOption(DegradingManager::DITHERING, true);
    EXPECT_TRUE(manager.getOption(DegradingManager::DITHERING));
    manager.setOption(DegradingManager::W_BUFFER, true);
    EXPECT_FALSE(manager.getOption(DegradingManager::W_BUFFER));
    manager.setOption(DegradingManager::SPECULAR, true);
    EXPECT_TRUE(manager.getOption(DegradingManager::SPECULAR));
    EXPECT_EQ(manager.getCapabilityFlags(), 0x27u);
}

TEST(DegradingOptions, OptionsAreIndependent) {
    DegradingManager manager;
    manager.setOption(DegradingManager::MIPMAPS, true);
    for (int i = 0; i < DegradingManager::OPTION_COUNT; ++i) {
        EXPECT_EQ(manager.getOption(static_cast<Option>(i)), i == DegradingManager::MIPMAPS) << i;
    }
}

TEST(DegradingOptions, UnknownOptionIsRefused) {
    DegradingManager manager;
    EXPECT_FALSE(manager.setOption(DegradingManager::OPTION_COUNT, true));
    EXPECT_FALSE(manager.setOption(static_cast<Option>(-1), true));
    EXPECT_FALSE(manager.getOption(DegradingManager::OPTION_COUNT));
    EXPECT_FALSE(manager.getOption(static_cast<Option>(-1)));
}

TEST(DegradingOptions, BoolOptionRecordStoresRequestAndCapability) {
    std::uint32_t caps = 0x10;
    DegradingManager::BoolOption option;
    option.neededBit = 0x10;
    option.capabilities = &caps;
    option.set(true);
    EXPECT_EQ(option.value, 1u);
    caps = 0;
    option.set(true);
    EXPECT_EQ(option.value, 0u);
    EXPECT_FALSE(option.get());
}

// --- integer options -----------------------------------------------------------------

TEST(DegradingLevels, DefaultsAreFullTextureQualityAndHighestLevel) {
    DegradingManager manager;
    EXPECT_EQ(manager.getTextureQuality(), 2);
    EXPECT_EQ(manager.getQualityLevel(), 3);
}

TEST(DegradingLevels, ValuesInRangeAreStored) {
    DegradingManager manager;
    for (int q = 0; q <= 2; ++q) {
        EXPECT_TRUE(manager.setTextureQuality(q));
        EXPECT_EQ(manager.getTextureQuality(), q);
    }
    for (int level = 0; level <= 3; ++level) {
        EXPECT_TRUE(manager.setQualityLevel(level));
        EXPECT_EQ(manager.getQualityLevel(), level);
    }
}

TEST(DegradingLevels, ValuesOutOfRangeAreRefusedAndLeaveTheOldValue) {
    DegradingManager manager;
    manager.setTextureQuality(1);
    manager.setQualityLevel(2);
    EXPECT_FALSE(manager.setTextureQuality(3));
    EXPECT_FALSE(manager.setTextureQuality(-1));
    EXPECT_FALSE(manager.setQualityLevel(4));
    EXPECT_FALSE(manager.setQualityLevel(-1));
    EXPECT_EQ(manager.getTextureQuality(), 1);
    EXPECT_EQ(manager.getQualityLevel(), 2);
}

// --- listeners -----------------------------------------------------------------------

TEST(DegradingListeners, ApplyAndCurrentNotifyEveryListenerWithTheManager) {
    DegradingManager manager;
    RecordingListener a, b;
    manager.registerListener(&a);
    manager.registerListener(&b);
    manager.apply();
    manager.current();
    EXPECT_EQ(a.seen, (std::vector<DegradingManager*>{&manager, &manager}));
    EXPECT_EQ(b.seen, a.seen);
}

TEST(DegradingListeners, UnregisteredListenerHearsNothing) {
    DegradingManager manager;
    RecordingListener a, b;
    manager.registerListener(&a);
    manager.registerListener(&b);
    manager.unregisterListener(&a);
    manager.apply();
    EXPECT_TRUE(a.seen.empty());
    EXPECT_EQ(b.seen.size(), 1u);
    manager.unregisterListener(&a);  // not registered any more: no effect
    manager.registerListener(nullptr);
    manager.apply();
    EXPECT_EQ(b.seen.size(), 2u);
}

TEST(DegradingListeners, ListenersAreToldInRegistrationOrder) {
    DegradingManager manager;
    std::string order;
    RecordingListener a, b, c;
    a.action = [&] { order += 'a'; };
    b.action = [&] { order += 'b'; };
    c.action = [&] { order += 'c'; };
    manager.registerListener(&b);
    manager.registerListener(&c);
    manager.registerListener(&a);
    manager.apply();
    EXPECT_EQ(order, "bca");
}

TEST(DegradingListeners, ListenerMayUnregisterItselfAndRegisterAnother) {
    DegradingManager manager;
    RecordingListener first, second, third;
    first.action = [&] {
        manager.unregisterListener(&first);
        manager.registerListener(&third);
    };
    manager.registerListener(&first);
    manager.registerListener(&second);
    manager.apply();
    EXPECT_EQ(first.seen.size(), 1u);
    EXPECT_EQ(second.seen.size(), 1u);
    EXPECT_EQ(third.seen.size(), 1u);
    manager.current();
    EXPECT_EQ(first.seen.size(), 1u);
    EXPECT_EQ(second.seen.size(), 2u);
    EXPECT_EQ(third.seen.size(), 2u);
}

// A derived manager's apply runs the engine part, which tells the listeners.
class CountingManager : public DegradingManager {
public:
    void apply() override {
        DegradingManager::apply();
        ++applied;
    }
    int applied = 0;
};

TEST(DegradingListeners, DerivedApplyThroughTheBaseReachesListeners) {
    CountingManager derived;
    DegradingManager& manager = derived;
    RecordingListener a;
    manager.registerListener(&a);
    manager.apply();
    EXPECT_EQ(derived.applied, 1);
    EXPECT_EQ(a.seen.size(), 1u);
}

}  // namespace
