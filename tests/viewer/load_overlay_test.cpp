// The configuration handed to the driver for --fps.
#include "load_overlay.h"

#include <engine/resources.h>

#include <libconfig.h++>

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>

using namespace viewer;

namespace {

// One value of a configuration text, read as the driver would.
template <typename T>
std::optional<T> value(const std::string& text, const char* path) {
    libconfig::Config config;
    config.readString(text);
    T found{};
    return config.lookupValue(path, found) ? std::optional<T>(found) : std::nullopt;
}

}  // namespace

TEST(ViewerShowFps, SwitchesTheKeyOnAddingOrReplacingItAndKeepsTheRest) {
    const std::string original = R"(# comment
Driver = { showFPS = false; dithering = false;
           DefaultVideoMode = { xResolution = 800; windowed = true; }; };
Other = { x = 1; };
)";
    std::string changed, error;
    ASSERT_TRUE(withShowFps(original, &changed, &error)) << error;
    EXPECT_EQ(value<bool>(changed, "Driver.showFPS"), true);
    EXPECT_EQ(value<int>(changed, "Driver.DefaultVideoMode.xResolution"), 800);
    EXPECT_EQ(value<int>(changed, "Other.x"), 1);
    // The block is added when missing; a value of the wrong type is replaced.
    for (const char* text : {"", "Other = 3;", "Driver = 5;", "Driver = { showFPS = \"no\"; };"}) {
        ASSERT_TRUE(withShowFps(text, &changed, &error)) << text << ": " << error;
        EXPECT_EQ(value<bool>(changed, "Driver.showFPS"), true) << text;
    }
    changed.clear();
    EXPECT_FALSE(withShowFps("Driver = { showFPS = ; }", &changed, &error));
    EXPECT_NE(error.find("line 1"), std::string::npos) << error;
    EXPECT_TRUE(changed.empty());
}

// The driver reads "/Configs/system.cfg" through the resource manager: while
// the overlay is mounted it must see the changed copy, and the folder goes
// with the overlay.
TEST(ViewerLoadOverlay, ShadowsTheDataRootWhileMounted) {
    ASSERT_TRUE(theResourceManager->setDataRoot(D3DDRIVER_SOURCE_DIR "/data"));
    std::string error, folder, text;
    {
        auto overlay = LoadOverlay::mount(true, &error);
        ASSERT_NE(overlay, nullptr) << error;
        folder = overlay->folder();
        ASSERT_TRUE(theResourceManager->readAll("/Configs/system.cfg", &text));
        EXPECT_EQ(value<bool>(text, "Driver.showFPS"), true);
        EXPECT_EQ(value<int>(text, "Driver.DefaultVideoMode.xResolution"), 640);
        ASSERT_TRUE(theResourceManager->setWriteDir(testing::TempDir()));
    }
    EXPECT_FALSE(std::filesystem::exists(folder));

    auto plain = LoadOverlay::mount(false, &error);
    ASSERT_NE(plain, nullptr) << error;
    ASSERT_TRUE(theResourceManager->readAll("/Configs/system.cfg", &text));
    EXPECT_EQ(value<bool>(text, "Driver.showFPS"), false);
    ASSERT_TRUE(theResourceManager->setWriteDir(testing::TempDir()));
}
