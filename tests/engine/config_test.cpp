#include <gtest/gtest.h>

#include "engine/config.h"
#include "support.h"

namespace {

using enginetest::DataRoot;
using enginetest::SinkCapture;
using Strings = std::vector<std::string>;

const char* const kSample = R"(# every shape the driver reads
flag = true; off = false; count = 42; big = 5000000000L;
ratio = 0.25; radius = 1; name = "tracer";
tint = [0.5, 0.25, 1.0, 0.75]; tint3 = [1, 0, 0]; shortList = [1, 2];
position = (1.5, -2, 3); qualities = [0, 1, 2]; scales = (0.5, 1, 2.5);
textures = ["a.tga", "b.tga"];
mixed = ("a", 1); emptyList = [];
Driver = { showFPS = true; DefaultVideoMode = { xResolution = 800; device = "HAL"; }; };
TextureModes = { Mode_0 = { mipmaps = false; qualities = [0]; };
                 Mode_1 = { mipmaps = true; qualities = [0, 1, 2]; }; };
TextureCache = { Default = { mode = 2; }; Entry_b = { mode = 1; textures = ["x.tga"]; };
                 Other = { }; Entry_a = { textures = ("y.tga", "z.tga"); }; };
)";

// Reads a key as T into `value` (which starts elsewhere) and expects `want`.
template <typename T>
void expectValue(const config::Block& block, const char* key, const T& want, T value = T{}) {
    SCOPED_TRACE(key);
    EXPECT_TRUE(block.getProperty(key, &value));
    EXPECT_EQ(value, want);
}

// A refused look-up leaves the caller's value untouched.
template <typename T>
void expectRefused(const config::Block& block, const char* key, const T& keep) {
    SCOPED_TRACE(key);
    T value = keep;
    EXPECT_FALSE(block.getProperty(key, &value));
    EXPECT_EQ(value, keep);
}

class ConfigFile : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(root.ok());
        root.data().write("Configs/sample.cfg", kSample);
        ASSERT_TRUE(cfg.readFile("/Configs/sample.cfg"));
    }
    DataRoot root;
    config::Config cfg;
};

TEST_F(ConfigFile, ReadsEveryTypeThroughDottedPaths) {
    expectValue(cfg, "flag", true);
    expectValue(cfg, "off", false, true);
    expectValue(cfg, "count", 42);
    expectValue(cfg, "big", 5000000000.0);  // too big for an int, not for a double
    expectValue(cfg, "ratio", 0.25f);
    expectValue(cfg, "radius", 1.0f);  // an int is accepted as a float
    expectValue(cfg, "name", std::string("tracer"));
    expectValue(cfg, "tint", Color(0.5f, 0.25f, 1.0f, 0.75f));
    expectValue(cfg, "tint3", Color(1, 0, 0, 1), Color(0, 0, 0, 0));
    expectValue(cfg, "position", Vector(1.5f, -2.0f, 3.0f));
    expectValue(cfg, "qualities", std::vector<int>{0, 1, 2});
    expectValue(cfg, "scales", std::vector<float>{0.5f, 1.0f, 2.5f});
    expectValue(cfg, "textures", Strings{"a.tga", "b.tga"});
    expectValue(cfg, "TextureCache.Entry_a.textures", Strings{"y.tga", "z.tga"});
    expectValue(cfg, "emptyList", std::vector<int>{}, {1});
    expectValue(cfg, "Driver.DefaultVideoMode.xResolution", 800);
    expectValue(cfg, "Driver.DefaultVideoMode.device", std::string("HAL"));
}

TEST_F(ConfigFile, WrongTypesMissingKeysAndBadPathsAreRefused) {
    expectRefused(cfg, "big", 7);    // out of the int range
    expectRefused(cfg, "ratio", 9);  // a float is no int
    expectRefused(cfg, "count", true);
    expectRefused(cfg, "flag", 5);
    expectRefused(cfg, "name", 2.5f);
    expectRefused(cfg, "count", std::string("keep"));
    expectRefused(cfg, "Driver", 5);  // a block is no value
    for (const char* key : {"shortList", "name", "textures"})
        expectRefused(cfg, key, Color(0.1f, 0.2f, 0.3f, 0.4f));
    for (const char* key : {"tint", "shortList"})
        expectRefused(cfg, key, Vector(7, 8, 9));
    expectRefused(cfg, "scales", std::vector<int>{9});  // 0.5 is no int
    expectRefused(cfg, "count", std::vector<int>{9});   // a scalar is no list
    expectRefused(cfg, "mixed", Strings{"keep"});
    expectRefused(cfg, "qualities", Strings{"keep"});
    expectRefused(cfg, "textures", std::vector<float>{3.0f});
    for (const char* key : {"nothing", "Nowhere.count", "Driver.nothing", "count.inner"})
        expectRefused(cfg, key, 17);
    for (const char* key : {"Driver..showFPS", "", ".flag", "flag."})
        expectRefused(cfg, key, false);
    EXPECT_FALSE(config::NamePath(static_cast<const char*>(nullptr)).valid());
}

TEST_F(ConfigFile, BlockAndPropertyAccess) {
    config::Block* driver = nullptr;
    ASSERT_TRUE(cfg.getPropertyAccess("Driver", &driver));
    expectValue(*driver, "showFPS", true);
    config::Block* mode = nullptr;
    ASSERT_TRUE(driver->getPropertyAccess("DefaultVideoMode", &mode));
    expectValue(*mode, "xResolution", 800);
    expectRefused(*driver, "count", 0);  // top-level keys are not seen inside
    // A value is no block, a block no property.
    config::Block* const sentinel = reinterpret_cast<config::Block*>(&cfg);
    config::Block* block = sentinel;
    EXPECT_FALSE(cfg.getPropertyAccess("count", &block));
    EXPECT_FALSE(cfg.getPropertyAccess("Driver.showFPS", &block));
    EXPECT_EQ(block, sentinel);
    const config::Property* none = nullptr;
    EXPECT_FALSE(cfg.getPropertyAccess("Driver", &none));
    EXPECT_FALSE(cfg.getPropertyAccess("absent", &none));
    EXPECT_EQ(none, nullptr);

    const config::Property* property = nullptr;
    ASSERT_TRUE(cfg.getPropertyAccess("textures", &property));
    ASSERT_TRUE(property->isList());
    ASSERT_EQ(property->size(), 2u);
    std::string second;
    EXPECT_TRUE((*property)[1].get(&second));
    EXPECT_EQ(second, "b.tga");
    EXPECT_EQ(property->line(), 6);
}

TEST_F(ConfigFile, GetPropertiesAppendsSubBlocksInFileOrder) {
    std::vector<config::NameEntry> top{config::NameEntry("existing", nullptr)};
    EXPECT_EQ(cfg.getProperties(top), 3u);
    EXPECT_EQ(Strings(top.begin(), top.end()),
              (Strings{"existing", "Driver", "TextureModes", "TextureCache"}));

    std::vector<config::NameEntry> entries;
    EXPECT_EQ(top[3].block()->getProperties(entries), 4u);
    EXPECT_EQ(Strings(entries.begin(), entries.end()),
              (Strings{"Default", "Entry_b", "Other", "Entry_a"}));
    // An entry leads back to its block, also through a NamePath.
    expectValue(*entries[1].block(), "textures", Strings{"x.tga"});
    config::Block* found = nullptr;
    ASSERT_TRUE(top[3].block()->getPropertyAccess(config::NamePath(entries[3]), &found));
    EXPECT_EQ(found, entries[3].block());
}

// --- broken files ---

TEST(ConfigSyntaxError, MissingOrBrokenFilesLeaveItEmptyAndAreReported) {
    DataRoot root;
    ASSERT_TRUE(root.ok());
    root.data().write("Configs/good.cfg", "value = 3;\n");
    root.data().write("Configs/broken.cfg", "first = 1;\nsecond = ;\nthird = 3;\n");
    root.data().write("Configs/Effects/bad.cfg", "x = [1, \"a\"];\n");
    config::Config cfg;
    EXPECT_FALSE(cfg.readFile("/Configs/absent.cfg"));
    EXPECT_TRUE(cfg.empty());
    ASSERT_TRUE(cfg.readFile("/Configs/good.cfg"));
    SinkCapture capture;
    EXPECT_FALSE(cfg.readFile("/Configs/broken.cfg"));
    EXPECT_TRUE(cfg.empty());
    expectRefused(cfg, "value", -1);  // the old contents are gone
    expectRefused(cfg, "first", -1);
    // A relative name is reported in full.
    ASSERT_TRUE(theResourceManager->setCurrentPath("/Configs/Effects"));
    EXPECT_FALSE(cfg.readFile("bad.cfg"));

    const auto records = capture.records();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].kind, debug::Message::Kind::Error);
    EXPECT_EQ(records[0].context.path, "/Configs/broken.cfg");
    EXPECT_EQ(records[0].context.line, 2);
    EXPECT_NE(records[0].text.find("/Configs/broken.cfg"), std::string::npos) << records[0].text;
    EXPECT_NE(records[0].text.find("line 2"), std::string::npos) << records[0].text;
    EXPECT_EQ(records[1].context.path, "/Configs/Effects/bad.cfg");
    EXPECT_EQ(records[1].context.line, 1);
}

TEST(ConfigReadString, ParsesTextAndRefusesMixedArraysGarbageAndIncludes) {
    SinkCapture capture;
    config::Config cfg;
    ASSERT_TRUE(cfg.readString("a = { b = { c = 5; }; };"));
    expectValue(cfg, "a.b.c", 5);
    // libconfig arrays hold one type; mixed numbers need a ( ) list.
    EXPECT_FALSE(cfg.readString("v = [1.5, 2];", "inline"));
    ASSERT_TRUE(cfg.readString("v = (1.5, 2, 3);", "inline"));
    expectValue(cfg, "v", Vector(1.5f, 2.0f, 3.0f));
    std::string garbage;
    for (int i = 0; i < 4096; ++i)
        garbage += static_cast<char>((i * 131 + 7) % 255 + 1);
    EXPECT_FALSE(cfg.readString(garbage, "garbage"));
    EXPECT_FALSE(cfg.readString("a = { b = { c = 1; };", "unclosed"));
    EXPECT_FALSE(cfg.readString("a = \"unterminated;", "unterminated"));
    EXPECT_TRUE(cfg.empty());
    ASSERT_EQ(capture.records().size(), 4u);
    // @include would read the real file system around the virtual one.
    EXPECT_FALSE(cfg.readString("a = 1;\n  @include \"/etc/hostname\"\n", "with-include"));
    EXPECT_TRUE(cfg.empty());
    ASSERT_EQ(capture.records().size(), 5u);
    EXPECT_EQ(capture.records()[4].context.line, 2);
    EXPECT_TRUE(cfg.readString("note = \"see @include\";", "string"));  // only text in a string
}

// --- sharing ---

TEST(ConfigManagerTest, SharesABoundFileThenReadsItAgain) {
    DataRoot root;
    ASSERT_TRUE(root.ok());
    root.data().write("Configs/Effects/CameraVanish.cfg", "minDistance = 2.5;\n");
    root.data().write("Configs/other.cfg", "x = 1;\n");
    config::ConfigManager& manager = *config::theConfigManager;
    std::weak_ptr<config::Config> watch;
    {
        auto first = manager.bindConfig("/Configs/Effects/CameraVanish.cfg");
        ASSERT_NE(first, nullptr);
        watch = first;
        expectValue(*first, "minDistance", 2.5f);
        EXPECT_EQ(first.get(), manager.bindConfig("/Configs/Effects/CameraVanish.cfg").get());
        ASSERT_TRUE(theResourceManager->setCurrentPath("/Configs/Effects"));
        EXPECT_EQ(first.get(), manager.bindConfig("CameraVanish.cfg").get());
        EXPECT_NE(manager.bindConfig("/Configs/other.cfg").get(), first.get());
        EXPECT_TRUE(manager.bindConfig("/Configs/none.cfg")->empty());
    }
    EXPECT_TRUE(watch.expired());
    root.data().write("Configs/Effects/CameraVanish.cfg", "minDistance = 4;\n");
    auto cfg = manager.bindConfig("CameraVanish.cfg");
    expectValue(*cfg, "minDistance", 4.0f);
}

}  // namespace
