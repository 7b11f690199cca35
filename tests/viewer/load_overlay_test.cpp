// The configuration handed to the driver for --fps.
#include "load_overlay.h"

#include <engine/resources.h>

#include <libconfig.h++>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

using namespace viewer;

namespace {

// Parses text and reads one boolean, as the driver would.
bool readBool(const std::string& text, const char* path, bool* value) {
    libconfig::Config config;
    config.readString(text);
    return config.lookupValue(path, *value);
}

}  // namespace

TEST(ViewerShowFps, SwitchesTheKeyOnAndKeepsTheRest) {
    const std::string original =
        "# comment\n"
        "Driver = {\n"
        "    showFPS = false;\n"
        "    dithering = false;\n"
        "    DefaultVideoMode = { xResolution = 800; windowed = true; };\n"
        "};\n"
        "Other = { x = 1; };\n";
    std::string changed, error;
    ASSERT_TRUE(withShowFps(original, &changed, &error)) << error;
    bool value = false;
    ASSERT_TRUE(readBool(changed, "Driver.showFPS", &value));
    EXPECT_TRUE(value);
    value = true;
    ASSERT_TRUE(readBool(changed, "Driver.dithering", &value));
    EXPECT_FALSE(value);
    ASSERT_TRUE(readBool(changed, "Driver.DefaultVideoMode.windowed", &value));
    EXPECT_TRUE(value);
    libconfig::Config config;
    config.readString(changed);
    int x = 0;
    EXPECT_TRUE(config.lookupValue("Driver.DefaultVideoMode.xResolution", x));
    EXPECT_EQ(x, 800);
    EXPECT_TRUE(config.lookupValue("Other.x", x));
    EXPECT_EQ(x, 1);
}

TEST(ViewerShowFps, AddsTheBlockOrReplacesAValueOfTheWrongType) {
    for (const char* original : {"", "Other = 3;", "Driver = 5;", "Driver = { showFPS = \"no\"; };"}) {
        std::string changed, error;
        ASSERT_TRUE(withShowFps(original, &changed, &error)) << original << ": " << error;
        bool value = false;
        EXPECT_TRUE(readBool(changed, "Driver.showFPS", &value)) << original;
        EXPECT_TRUE(value) << original;
    }
}

TEST(ViewerShowFps, RefusesTextThatIsNotAConfiguration) {
    std::string changed, error;
    EXPECT_FALSE(withShowFps("Driver = { showFPS = ; }", &changed, &error));
    EXPECT_NE(error.find("line 1"), std::string::npos) << error;
    EXPECT_TRUE(changed.empty());
}

// The driver reads "/Configs/system.cfg" through the resource manager: while
// the overlay is mounted it must see the changed copy, and the folder goes
// with the overlay.
TEST(ViewerLoadOverlay, ShadowsTheDataRootWhileMounted) {
    ASSERT_TRUE(theResourceManager->setDataRoot(D3DDRIVER_SOURCE_DIR "/data"));
    std::string error;
    std::string folder;
    {
        auto overlay = LoadOverlay::mount(true, &error);
        ASSERT_NE(overlay, nullptr) << error;
        folder = overlay->folder();
        EXPECT_EQ(theResourceManager->getWriteDir(), folder);
        std::string text;
        ASSERT_TRUE(theResourceManager->readAll("/Configs/system.cfg", &text));
        bool value = false;
        ASSERT_TRUE(readBool(text, "Driver.showFPS", &value));
        EXPECT_TRUE(value);
        int width = 0;
        libconfig::Config config;
        config.readString(text);
        EXPECT_TRUE(config.lookupValue("Driver.DefaultVideoMode.xResolution", width));
        EXPECT_EQ(width, 640);
        ASSERT_TRUE(theResourceManager->setWriteDir(testing::TempDir()));
    }
    EXPECT_FALSE(std::filesystem::exists(folder));

    auto plain = LoadOverlay::mount(false, &error);
    ASSERT_NE(plain, nullptr) << error;
    std::string text;
    ASSERT_TRUE(theResourceManager->readAll("/Configs/system.cfg", &text));
    bool value = true;
    ASSERT_TRUE(readBool(text, "Driver.showFPS", &value));
    EXPECT_FALSE(value);
    ASSERT_TRUE(theResourceManager->setWriteDir(testing::TempDir()));
}
