#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>

#include "engine/core/degrading_manager.h"

namespace {

using Option = DegradingManager::Option;
using DM = DegradingManager;

// Writes its name to a shared log when told, then runs its action.
struct NamedListener : DegradingListener {
    NamedListener(std::string* log, char name) : log(log), name(name) {}
    void qualityChanged(DegradingManager* manager) override {
        *log += name;
        told = manager;
        if (action)
            action();
    }
    std::string* log;
    char name;
    DegradingManager* told = nullptr;
    std::function<void()> action;
};

TEST(DegradingOptions, EachNeedsItsBitOfTheDriverCapabilityFlags) {
    EXPECT_EQ(DM::neededBit(DM::DITHERING), 0x02u);
    EXPECT_EQ(DM::neededBit(DM::W_BUFFER), 0x80u);
    // The rest need one of the bits that every device has.
    for (Option o : {DM::SPECULAR, DM::MIPMAPS, DM::SHADOWS, DM::DETAIL_TEXTURES, DM::EFFECTS}) {
        const std::uint32_t bit = DM::neededBit(o);
        EXPECT_NE(bit, 0u) << o;
        EXPECT_EQ(bit & 0x25u, bit) << o;
    }
    // An option without its bit reads false.
    std::uint32_t flags = 0;  // the driver's, filled once it knows the device
    DegradingManager manager(&flags);
    EXPECT_TRUE(manager.setOption(DM::DITHERING, true));
    EXPECT_FALSE(manager.getOption(DM::DITHERING));
    flags = 0x25 | 0x02;
    // The flags are read when an option is set, not remembered from before.
    EXPECT_FALSE(manager.getOption(DM::DITHERING));
    manager.setOption(DM::DITHERING, true);
    EXPECT_TRUE(manager.getOption(DM::DITHERING));
    manager.setOption(DM::W_BUFFER, true);
    EXPECT_FALSE(manager.getOption(DM::W_BUFFER));
    manager.setOption(DM::SPECULAR, true);
    EXPECT_TRUE(manager.getOption(DM::SPECULAR));
    EXPECT_EQ(manager.getCapabilityFlags(), 0x27u);
    DM::BoolOption record{0, 0x02, &flags};
    record.set(true);
    EXPECT_EQ(record.value, 1u);  // the raw value is a TRUE a driver may hand on
}

// Without device flags every request is honoured; each option starts off and
// is independent of the others; unknown options are refused.
TEST(DegradingOptions, ManagerWithoutDeviceFlagsHonoursEveryRequest) {
    DegradingManager manager;
    for (int i = 0; i < DM::OPTION_COUNT; ++i) {
        const Option option = static_cast<Option>(i);
        EXPECT_FALSE(manager.getOption(option)) << i;
        EXPECT_TRUE(manager.setOption(option, true));
        for (int j = 0; j < DM::OPTION_COUNT; ++j)
            EXPECT_EQ(manager.getOption(static_cast<Option>(j)), j == i) << i << " " << j;
        EXPECT_TRUE(manager.setOption(option, false));
        EXPECT_FALSE(manager.getOption(option)) << i;
    }
    EXPECT_FALSE(manager.setOption(DM::OPTION_COUNT, true));
    EXPECT_FALSE(manager.getOption(DM::OPTION_COUNT));
}

// Texture quality 0..2 and quality level 0..3, both starting at the top;
// values out of range are refused and leave the old one.
TEST(DegradingLevels, RangesAndDefaults) {
    DegradingManager manager;
    EXPECT_EQ(manager.getTextureQuality(), 2);
    EXPECT_EQ(manager.getQualityLevel(), 3);
    for (int value = -1; value <= 4; ++value) {
        const int quality = manager.getTextureQuality(), level = manager.getQualityLevel();
        const bool qualityOk = value >= 0 && value <= 2, levelOk = value >= 0 && value <= 3;
        EXPECT_EQ(manager.setTextureQuality(value), qualityOk) << value;
        EXPECT_EQ(manager.setQualityLevel(value), levelOk) << value;
        EXPECT_EQ(manager.getTextureQuality(), qualityOk ? value : quality) << value;
        EXPECT_EQ(manager.getQualityLevel(), levelOk ? value : level) << value;
    }
}

// A derived manager's apply runs the engine part, which tells the listeners.
struct CountingManager : DegradingManager {
    void apply() override {
        DegradingManager::apply();
        ++applied;
    }
    int applied = 0;
};

TEST(DegradingListeners, ApplyAndCurrentTellTheListenersInRegistrationOrder) {
    CountingManager derived;
    DegradingManager& manager = derived;
    std::string log;
    NamedListener a(&log, 'a'), b(&log, 'b'), c(&log, 'c');
    manager.registerListener(&b);
    manager.registerListener(&c);
    manager.registerListener(&a);
    manager.apply();
    manager.current();
    EXPECT_EQ(log, "bcabca");
    EXPECT_EQ(a.told, &manager);
    // An unregistered listener hears nothing; unregistering it again or
    // registering null changes nothing.
    manager.unregisterListener(&c);
    manager.unregisterListener(&c);
    manager.registerListener(nullptr);
    manager.apply();
    EXPECT_EQ(log, "bcabcaba");
    EXPECT_EQ(derived.applied, 2);
}

// A listener registered during a delivery is told in it, once.
TEST(DegradingListeners, ListenerMayUnregisterItselfAndRegisterAnother) {
    DegradingManager manager;
    std::string log;
    NamedListener first(&log, '1'), second(&log, '2'), third(&log, '3');
    first.action = [&] {
        manager.unregisterListener(&first);
        manager.registerListener(&third);
    };
    manager.registerListener(&first);
    manager.registerListener(&second);
    manager.apply();
    EXPECT_EQ(log, "123");
    manager.current();
    EXPECT_EQ(log, "12323");
}

}  // namespace
