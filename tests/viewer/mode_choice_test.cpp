// Choosing a full-screen mode from a driver's list by size.
#include "mode_choice.h"

#include <gtest/gtest.h>

#include <deque>

using namespace viewer;

namespace {

struct FakeMode : VideoMode {
    FakeMode(std::string name, int w, int h, int d, bool hardware, bool windowed)
        : name(std::move(name)), w(w), h(h), d(d), hardware(hardware), windowed(windowed) {}
    const char* getName() const override { return name.c_str(); }
    const char* getDeviceName() const override { return "adapter"; }
    const char* getModeName() const override { return "mode"; }
    int getWidth() const override { return w; }
    int getHeight() const override { return h; }
    int getColorDepth() const override { return d; }
    bool isHardware() const override { return hardware; }
    bool isWindowed() const override { return windowed; }
    int getID() const override { return 0; }
    std::string name;
    int w, h, d;
    bool hardware, windowed;
};

class ViewerModeList : public ::testing::Test {
protected:
    VideoMode* add(const char* name, int w, int h, int d, bool hardware, bool windowed = false) {
        list.push_back(&owned.emplace_back(name, w, h, d, hardware, windowed));
        return list.back();
    }
    std::deque<FakeMode> owned;
    std::vector<VideoMode*> list;
};

}  // namespace

TEST_F(ViewerModeList, PrefersHardwareWhereverItStandsElseTheFirstSoftwareModeOfTheSize) {
    add("HAL 640x32", 640, 480, 32, true);
    const VideoMode* software = add("Ramp 640", 640, 480, 16, false);
    add("RGB 640", 640, 480, 16, false);
    EXPECT_EQ(findFullScreenMode(list, {640, 480, 16}), software);
    const VideoMode* hardware = add("HAL 640", 640, 480, 16, true);
    add("HAL 640 second", 640, 480, 16, true);
    EXPECT_EQ(findFullScreenMode(list, {640, 480, 16}), hardware);
    // Windowed modes and other sizes are skipped.
    add("windowed", 800, 600, 16, true, true);
    add("other depth", 800, 600, 32, true);
    add("other height", 800, 480, 16, true);
    list.push_back(nullptr);
    EXPECT_EQ(findFullScreenMode(list, {800, 600, 16}), nullptr);
    const VideoMode* full = add("full", 800, 600, 16, true);
    EXPECT_EQ(findFullScreenMode(list, {800, 600, 16}), full);
}

TEST_F(ViewerModeList, ListingShowsFullScreenModesOnly) {
    add("HAL 640", 640, 480, 16, true);
    add("Win 640", 640, 480, 16, true, true);
    add("Ramp 320", 320, 200, 8, false);
    list.push_back(nullptr);
    EXPECT_EQ(listFullScreenModes(list),
              "  640x480x16 hardware  HAL 640\n"
              "  320x200x8 software  Ramp 320\n");
    EXPECT_EQ(describeMode(*list[1]), "Win 640 (640x480x16, hardware, windowed)");
    EXPECT_EQ(describeMode(*list[2]), "Ramp 320 (320x200x8, software, full screen)");
    EXPECT_EQ(listFullScreenModes({}), "  (none)\n");
}
