#include "driver.h"
#include "profile_fixture.h"

#include <string>

namespace {

class VideoModes : public ProfileTest {
protected:
    void load(const char* profile) {
        useProfile(profile);
        modes.build();
    }
    void TearDown() override {
        modes.clear();
        ProfileTest::TearDown();
    }
    const VideoMode* find(const std::string& name) const {
        for (const VideoMode* m : modes.getVideoModeList())
            if (name == m->getName())
                return m;
        return nullptr;
    }
    D3DVideoModeList modes;
};

TEST_F(VideoModes, OneModePerDriverDeviceAndMode) {
    load("adapters.cfg");
    // Three primary devices with three modes each, one Voodoo mode.
    ASSERT_EQ(modes.getVideoModeList().size(), 10u);
    EXPECT_STREQ(modes.getVideoModeList().front()->getName(),
                 "Primary Display Driver Direct3D HAL 800 x 600 x 16");
    EXPECT_STREQ(modes.getVideoModeList().back()->getName(),
                 "Voodoo2 3D Accelerator 3Dfx Voodoo2 800 x 600 x 16");
}

TEST_F(VideoModes, StringsAndValues) {
    load("adapters.cfg");
    const VideoMode* m = find("Primary Display Driver RGB Emulation 1024 x 768 x 32");
    ASSERT_NE(m, nullptr);
    EXPECT_STREQ(m->getDeviceName(), "Primary Display Driver");
    EXPECT_STREQ(m->getModeName(), "RGB Emulation 1024 x 768 x 32");
    EXPECT_EQ(m->getWidth(), 1024);
    EXPECT_EQ(m->getHeight(), 768);
    EXPECT_EQ(m->getColorDepth(), 32);
    EXPECT_FALSE(m->isHardware());
    EXPECT_FALSE(m->isWindowed());
    EXPECT_EQ(m->getID(), 0);
}

TEST_F(VideoModes, DeviceNameIsTheAdaptersDescription) {
    load("adapters.cfg");
    for (const VideoMode* m : modes.getVideoModeList()) {
        const std::string name = m->getName();
        EXPECT_EQ(name.rfind(m->getDeviceName(), 0), 0u) << name;
        EXPECT_TRUE(std::string(m->getDeviceName()) == "Primary Display Driver" ||
                    std::string(m->getDeviceName()) == "Voodoo2 3D Accelerator");
    }
}

TEST_F(VideoModes, CopiesShareTheStrings) {
    load("adapters.cfg");
    const auto* m = dynamic_cast<const D3DVideoMode*>(modes.getVideoModeList().front());
    ASSERT_NE(m, nullptr);
    const D3DVideoMode copy(*m);
    EXPECT_EQ(copy.getName(), m->getName());
    EXPECT_EQ(copy.getModeName(), m->getModeName());
}

TEST_F(VideoModes, WindowedVariantOnMatchingDesktop) {
    load("adapters.cfg");  // 32-bit desktop
    const VideoMode* full = find("Primary Display Driver Direct3D HAL 1024 x 768 x 32");
    ASSERT_NE(full, nullptr);
    VideoMode* windowed = modes.createWindowedVideoMode(full, 320, 200);
    ASSERT_NE(windowed, nullptr);
    EXPECT_TRUE(windowed->isWindowed());
    EXPECT_EQ(windowed->getWidth(), 320);
    EXPECT_EQ(windowed->getHeight(), 200);
    EXPECT_STREQ(windowed->getName(), full->getName());
    EXPECT_NE(windowed->getName(), full->getName()) << "strings are rebuilt";
    EXPECT_EQ(modes.getVideoModeList().back(), windowed);
    EXPECT_TRUE(modes.validateVideoMode(windowed));
}

TEST_F(VideoModes, WindowedVariantRefusedOnSixteenBitDesktop) {
    load("desktop16.cfg");
    const VideoMode* full = find("Primary Display Driver Direct3D HAL 800 x 600 x 32");
    ASSERT_NE(full, nullptr);
    const size_t before = modes.getVideoModeList().size();
    EXPECT_EQ(modes.createWindowedVideoMode(full, 640, 480), nullptr);
    EXPECT_EQ(modes.getVideoModeList().size(), before);
    EXPECT_TRUE(modes.validateVideoMode(full)) << "full-screen modes are always valid";
}

TEST_F(VideoModes, WindowedVariantBecomesInvalidWhenDesktopChanges) {
    load("desktop16.cfg");
    VideoMode* windowed = modes.createWindowedVideoMode(
        find("Primary Display Driver Direct3D HAL 640 x 480 x 16"), 200, 100);
    ASSERT_NE(windowed, nullptr);
    useProfile("adapters.cfg");  // 32-bit desktop now
    EXPECT_FALSE(modes.validateVideoMode(windowed));
}

TEST_F(VideoModes, BadArgumentsAreRefused) {
    load("adapters.cfg");
    EXPECT_EQ(modes.createWindowedVideoMode(nullptr, 640, 480), nullptr);
    EXPECT_EQ(modes.createWindowedVideoMode(modes.getVideoModeList().front(), 0, 480), nullptr);
    EXPECT_FALSE(modes.validateVideoMode(nullptr));
}

TEST_F(VideoModes, DeleteRemovesOnlyListedModes) {
    load("adapters.cfg");
    VideoMode* windowed = modes.createWindowedVideoMode(
        find("Primary Display Driver Direct3D HAL 1024 x 768 x 32"), 100, 100);
    ASSERT_NE(windowed, nullptr);
    const size_t with = modes.getVideoModeList().size();
    modes.deleteVideoMode(windowed);
    EXPECT_EQ(modes.getVideoModeList().size(), with - 1);
    modes.deleteVideoMode(nullptr);
    EXPECT_EQ(modes.getVideoModeList().size(), with - 1);
}

// Default mode choice --------------------------------------------------------

TEST_F(VideoModes, DefaultWantedValuesGiveHardwareVgaMode) {
    load("adapters.cfg");
    const VideoMode* chosen = modes.chooseDefault(WantedVideoMode{});
    ASSERT_NE(chosen, nullptr);
    EXPECT_STREQ(chosen->getName(), "Primary Display Driver Direct3D HAL 640 x 480 x 16");
}

TEST_F(VideoModes, DeviceTextSelectsTheAdapter) {
    load("adapters.cfg");
    WantedVideoMode wanted;
    wanted.device = "Voodoo";
    wanted.xResolution = 800;
    wanted.yResolution = 600;
    const VideoMode* chosen = modes.chooseDefault(wanted);
    ASSERT_NE(chosen, nullptr);
    EXPECT_STREQ(chosen->getName(), "Voodoo2 3D Accelerator 3Dfx Voodoo2 800 x 600 x 16");
    wanted.device = "voodoo";  // case matters
    EXPECT_EQ(modes.chooseDefault(wanted), nullptr);
}

TEST_F(VideoModes, SoftwareWanted) {
    load("adapters.cfg");
    WantedVideoMode wanted;
    wanted.hardware = false;
    wanted.colorDepth = 32;
    wanted.xResolution = 1024;
    wanted.yResolution = 768;
    const VideoMode* chosen = modes.chooseDefault(wanted);
    ASSERT_NE(chosen, nullptr);
    EXPECT_STREQ(chosen->getName(), "Primary Display Driver RGB Emulation 1024 x 768 x 32");
}

TEST_F(VideoModes, WindowedWantedIsMadeFromFirstFittingMode) {
    load("adapters.cfg");  // 32-bit desktop: the 16-bit modes cannot be windowed
    WantedVideoMode wanted;
    wanted.windowed = true;
    wanted.xResolution = 512;
    wanted.yResolution = 384;
    const size_t before = modes.getVideoModeList().size();
    const VideoMode* chosen = modes.chooseDefault(wanted);
    ASSERT_NE(chosen, nullptr);
    EXPECT_TRUE(chosen->isWindowed());
    EXPECT_STREQ(chosen->getName(), "Primary Display Driver Direct3D HAL 1024 x 768 x 32");
    EXPECT_EQ(chosen->getWidth(), 512);
    EXPECT_EQ(modes.getVideoModeList().size(), before + 1);
}

TEST_F(VideoModes, UnmatchedDeviceTextFallsBackToSoftwareDefault) {
    load("adapters.cfg");
    WantedVideoMode wanted;
    wanted.windowed = true;
    wanted.device = "No Such Card";
    EXPECT_EQ(modes.chooseDefault(wanted), nullptr);
    const VideoMode* fallback = modes.findFallback();
    ASSERT_NE(fallback, nullptr);
    EXPECT_STREQ(fallback->getName(), "Primary Display Driver RGB Emulation 640 x 480 x 16");
    EXPECT_FALSE(fallback->isWindowed());
}

TEST_F(VideoModes, EmptyEnumerationGivesNoModes) {
    load("null_only.cfg");
    EXPECT_TRUE(modes.getVideoModeList().empty());
    EXPECT_EQ(modes.chooseDefault(WantedVideoMode{}), nullptr);
    EXPECT_EQ(modes.findFallback(), nullptr);
}

}  // namespace
