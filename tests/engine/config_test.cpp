#include <gtest/gtest.h>

#include "engine/config.h"
#include "support.h"

namespace {

using enginetest::DataRoot;
using enginetest::SinkCapture;

const char* const kSample = R"(# every shape the driver reads
flag = true;
off = false;
count = 42;
big = 5000000000L;
ratio = 0.25;
radius = 1;
name = "tracer";
tint = [0.5, 0.25, 1.0, 0.75];
tint3 = [1, 0, 0];
shortList = [1, 2];
position = (1.5, -2, 3);
qualities = [0, 1, 2];
scales = (0.5, 1, 2.5);
textures = ["a.tga", "b.tga"];
mixed = ("a", 1);
emptyList = [];
Driver = {
    showFPS = true;
    DefaultVideoMode = { xResolution = 800; device = "HAL"; };
};
TextureModes = {
    Mode_0 = { mipmaps = false; qualities = [0]; };
    Mode_1 = { mipmaps = true; qualities = [0, 1, 2]; };
};
TextureCache = {
    Default = { mode = 2; };
    Entry_b = { mode = 1; textures = ["x.tga"]; };
    Other = { };
    Entry_a = { textures = ("y.tga", "z.tga"); };
};
)";

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

// --- scalar values ---------------------------------------------------------

TEST_F(ConfigFile, ReadsBools) {
    bool flag = false, off = true;
    EXPECT_TRUE(cfg.getProperty("flag", &flag));
    EXPECT_TRUE(cfg.getProperty("off", &off));
    EXPECT_TRUE(flag);
    EXPECT_FALSE(off);
}

TEST_F(ConfigFile, ReadsInts) {
    int count = -1;
    EXPECT_TRUE(cfg.getProperty("count", &count));
    EXPECT_EQ(count, 42);
}

TEST_F(ConfigFile, IntOutOfRangeIsRejected) {
    int big = 7;
    EXPECT_FALSE(cfg.getProperty("big", &big));
    EXPECT_EQ(big, 7);
    double wide = 0;
    EXPECT_TRUE(cfg.getProperty("big", &wide));
    EXPECT_DOUBLE_EQ(wide, 5000000000.0);
}

TEST_F(ConfigFile, ReadsFloatsAndAcceptsInts) {
    float ratio = 0, radius = 0;
    EXPECT_TRUE(cfg.getProperty("ratio", &ratio));
    EXPECT_TRUE(cfg.getProperty("radius", &radius));
    EXPECT_FLOAT_EQ(ratio, 0.25f);
    EXPECT_FLOAT_EQ(radius, 1.0f);
}

TEST_F(ConfigFile, FloatIsNotReadAsInt) {
    int ratio = 9;
    EXPECT_FALSE(cfg.getProperty("ratio", &ratio));
    EXPECT_EQ(ratio, 9);
}

TEST_F(ConfigFile, ReadsStrings) {
    std::string name = "unset";
    EXPECT_TRUE(cfg.getProperty("name", &name));
    EXPECT_EQ(name, "tracer");
}

TEST_F(ConfigFile, WrongScalarTypesLeaveDefaults) {
    bool flag = true;
    int count = 5;
    float value = 2.5f;
    std::string text = "keep";
    EXPECT_FALSE(cfg.getProperty("count", &flag));
    EXPECT_FALSE(cfg.getProperty("flag", &count));
    EXPECT_FALSE(cfg.getProperty("name", &value));
    EXPECT_FALSE(cfg.getProperty("count", &text));
    EXPECT_FALSE(cfg.getProperty("Driver", &count));
    EXPECT_TRUE(flag);
    EXPECT_EQ(count, 5);
    EXPECT_FLOAT_EQ(value, 2.5f);
    EXPECT_EQ(text, "keep");
}

// --- colours and vectors -----------------------------------------------------

TEST_F(ConfigFile, ReadsColorOfFourAndThreeNumbers) {
    Color tint;
    EXPECT_TRUE(cfg.getProperty("tint", &tint));
    EXPECT_EQ(tint, Color(0.5f, 0.25f, 1.0f, 0.75f));
    Color red(0, 0, 0, 0);
    EXPECT_TRUE(cfg.getProperty("tint3", &red));
    EXPECT_EQ(red, Color(1, 0, 0, 1));
}

TEST_F(ConfigFile, MalformedColorLeavesDefault) {
    const Color fallback(0.1f, 0.2f, 0.3f, 0.4f);
    Color color = fallback;
    EXPECT_FALSE(cfg.getProperty("shortList", &color));
    EXPECT_FALSE(cfg.getProperty("name", &color));
    EXPECT_FALSE(cfg.getProperty("textures", &color));
    EXPECT_EQ(color, fallback);
}

TEST_F(ConfigFile, ReadsVectorOfExactlyThreeNumbers) {
    Vector position;
    EXPECT_TRUE(cfg.getProperty("position", &position));
    EXPECT_EQ(position, Vector(1.5f, -2.0f, 3.0f));
    const Vector fallback(7, 8, 9);
    Vector other = fallback;
    EXPECT_FALSE(cfg.getProperty("tint", &other));
    EXPECT_FALSE(cfg.getProperty("shortList", &other));
    EXPECT_EQ(other, fallback);
}

// --- lists ---------------------------------------------------------------------

TEST_F(ConfigFile, ReadsIntList) {
    std::vector<int> qualities;
    EXPECT_TRUE(cfg.getProperty("qualities", &qualities));
    EXPECT_EQ(qualities, (std::vector<int>{0, 1, 2}));
}

TEST_F(ConfigFile, ReadsFloatListAcceptingInts) {
    std::vector<float> scales;
    EXPECT_TRUE(cfg.getProperty("scales", &scales));
    EXPECT_EQ(scales, (std::vector<float>{0.5f, 1.0f, 2.5f}));
}

TEST_F(ConfigFile, ReadsStringListFromArrayAndList) {
    std::vector<std::string> textures;
    EXPECT_TRUE(cfg.getProperty("textures", &textures));
    EXPECT_EQ(textures, (std::vector<std::string>{"a.tga", "b.tga"}));
    EXPECT_TRUE(cfg.getProperty("TextureCache.Entry_a.textures", &textures));
    EXPECT_EQ(textures, (std::vector<std::string>{"y.tga", "z.tga"}));
}

TEST_F(ConfigFile, EmptyListReadsAsEmpty) {
    std::vector<int> values{1};
    EXPECT_TRUE(cfg.getProperty("emptyList", &values));
    EXPECT_TRUE(values.empty());
}

TEST_F(ConfigFile, ListWithWrongElementLeavesDefault) {
    const std::vector<int> intDefault{9};
    std::vector<int> ints = intDefault;
    EXPECT_FALSE(cfg.getProperty("scales", &ints));  // 0.5 is no int
    EXPECT_FALSE(cfg.getProperty("count", &ints));   // a scalar is no list
    EXPECT_EQ(ints, intDefault);

    const std::vector<std::string> textDefault{"keep"};
    std::vector<std::string> texts = textDefault;
    EXPECT_FALSE(cfg.getProperty("mixed", &texts));
    EXPECT_FALSE(cfg.getProperty("qualities", &texts));
    EXPECT_EQ(texts, textDefault);

    const std::vector<float> floatDefault{3.0f};
    std::vector<float> floats = floatDefault;
    EXPECT_FALSE(cfg.getProperty("textures", &floats));
    EXPECT_EQ(floats, floatDefault);
}

// --- missing things ----------------------------------------------------------------

TEST_F(ConfigFile, MissingKeyOrBlockLeavesDefault) {
    int value = 17;
    EXPECT_FALSE(cfg.getProperty("nothing", &value));
    EXPECT_FALSE(cfg.getProperty("Nowhere.count", &value));
    EXPECT_FALSE(cfg.getProperty("Driver.nothing", &value));
    EXPECT_FALSE(cfg.getProperty("count.inner", &value));  // a value is no block
    EXPECT_EQ(value, 17);
}

TEST_F(ConfigFile, InvalidPathsFindNothing) {
    bool flag = false;
    EXPECT_FALSE(cfg.getProperty("Driver..showFPS", &flag));
    EXPECT_FALSE(cfg.getProperty("", &flag));
    EXPECT_FALSE(cfg.getProperty(".flag", &flag));
    EXPECT_FALSE(cfg.getProperty("flag.", &flag));
    EXPECT_FALSE(flag);
}

TEST(ConfigMissingFile, ReadFileFailsAndEverythingKeepsDefaults) {
    DataRoot root;
    ASSERT_TRUE(root.ok());
    config::Config cfg;
    EXPECT_FALSE(cfg.readFile("/Configs/absent.cfg"));
    EXPECT_TRUE(cfg.empty());
    bool flag = true;
    config::Block* block = nullptr;
    EXPECT_FALSE(cfg.getProperty("flag", &flag));
    EXPECT_FALSE(cfg.getPropertyAccess("Driver", &block));
    EXPECT_TRUE(flag);
    EXPECT_EQ(block, nullptr);
}

// --- paths and blocks ------------------------------------------------------------------

TEST_F(ConfigFile, DottedPathsReachNestedBlocks) {
    int width = 0;
    std::string device;
    bool mipmaps = false;
    std::vector<int> qualities;
    EXPECT_TRUE(cfg.getProperty("Driver.DefaultVideoMode.xResolution", &width));
    EXPECT_TRUE(cfg.getProperty("Driver.DefaultVideoMode.device", &device));
    EXPECT_TRUE(cfg.getProperty("TextureModes.Mode_1.mipmaps", &mipmaps));
    EXPECT_TRUE(cfg.getProperty("TextureModes.Mode_1.qualities", &qualities));
    EXPECT_EQ(width, 800);
    EXPECT_EQ(device, "HAL");
    EXPECT_TRUE(mipmaps);
    EXPECT_EQ(qualities, (std::vector<int>{0, 1, 2}));
}

TEST_F(ConfigFile, BlockAccessThenRelativeKeys) {
    config::Block* driver = nullptr;
    ASSERT_TRUE(cfg.getPropertyAccess("Driver", &driver));
    ASSERT_NE(driver, nullptr);
    EXPECT_EQ(driver->name(), "Driver");
    bool showFPS = false;
    EXPECT_TRUE(driver->getProperty("showFPS", &showFPS));
    EXPECT_TRUE(showFPS);

    config::Block* mode = nullptr;
    ASSERT_TRUE(driver->getPropertyAccess("DefaultVideoMode", &mode));
    int width = 0;
    EXPECT_TRUE(mode->getProperty("xResolution", &width));
    EXPECT_EQ(width, 800);
    // Top-level keys are not visible from inside a block.
    int count = 0;
    EXPECT_FALSE(driver->getProperty("count", &count));
}

TEST_F(ConfigFile, BlockAccessOfAValueFails) {
    config::Block* sentinel = reinterpret_cast<config::Block*>(&cfg);
    config::Block* block = sentinel;
    EXPECT_FALSE(cfg.getPropertyAccess("count", &block));
    EXPECT_FALSE(cfg.getPropertyAccess("Driver.showFPS", &block));
    EXPECT_EQ(block, sentinel);
}

TEST_F(ConfigFile, PropertyAccessGivesValuesAndLists) {
    const config::Property* property = nullptr;
    ASSERT_TRUE(cfg.getPropertyAccess("textures", &property));
    ASSERT_TRUE(property->isList());
    ASSERT_EQ(property->size(), 2u);
    std::string second;
    EXPECT_TRUE((*property)[1].get(&second));
    EXPECT_EQ(second, "b.tga");
    EXPECT_EQ(property->line(), 15);

    const config::Property* none = nullptr;
    EXPECT_FALSE(cfg.getPropertyAccess("Driver", &none));
    EXPECT_FALSE(cfg.getPropertyAccess("absent", &none));
    EXPECT_EQ(none, nullptr);
}

TEST_F(ConfigFile, GetPropertiesListsSubBlocksInFileOrder) {
    config::Block* cache = nullptr;
    ASSERT_TRUE(cfg.getPropertyAccess("TextureCache", &cache));
    std::vector<config::NameEntry> entries;
    EXPECT_EQ(cache->getProperties(entries), 4u);
    std::vector<std::string> names(entries.begin(), entries.end());
    EXPECT_EQ(names, (std::vector<std::string>{"Default", "Entry_b", "Other", "Entry_a"}));

    // An entry leads back to its block, also through a NamePath.
    std::vector<std::string> textures;
    EXPECT_TRUE(entries[1].block()->getProperty("textures", &textures));
    EXPECT_EQ(textures, (std::vector<std::string>{"x.tga"}));
    config::Block* found = nullptr;
    ASSERT_TRUE(cache->getPropertyAccess(config::NamePath(entries[3]), &found));
    EXPECT_EQ(found, entries[3].block());
}

TEST_F(ConfigFile, GetPropertiesSkipsValuesAndAppends) {
    std::vector<config::NameEntry> entries{config::NameEntry("existing", nullptr)};
    EXPECT_EQ(cfg.getProperties(entries), 3u);
    std::vector<std::string> names(entries.begin(), entries.end());
    EXPECT_EQ(names,
              (std::vector<std::string>{"existing", "Driver", "TextureModes", "TextureCache"}));
}

TEST(ConfigNamePath, SplitsDottedKeys) {
    const config::NamePath path("TextureModes.Mode_1.mipmaps");
    EXPECT_TRUE(path.valid());
    EXPECT_EQ(path.parts(), (std::vector<std::string>{"TextureModes", "Mode_1", "mipmaps"}));
    EXPECT_EQ(path.toString(), "TextureModes.Mode_1.mipmaps");
    EXPECT_FALSE(config::NamePath("a..b").valid());
    EXPECT_FALSE(config::NamePath("").valid());
    EXPECT_FALSE(config::NamePath(static_cast<const char*>(nullptr)).valid());
}

// --- broken files ----------------------------------------------------------------------------

TEST(ConfigSyntaxError, ReportsFileAndLineAndActsAsMissing) {
    DataRoot root;
    ASSERT_TRUE(root.ok());
    root.data().write("Configs/good.cfg", "value = 3;\n");
    root.data().write("Configs/broken.cfg", "first = 1;\nsecond = ;\nthird = 3;\n");

    config::Config cfg;
    ASSERT_TRUE(cfg.readFile("/Configs/good.cfg"));
    SinkCapture capture;
    EXPECT_FALSE(cfg.readFile("/Configs/broken.cfg"));

    EXPECT_TRUE(cfg.empty());
    int value = -1;
    EXPECT_FALSE(cfg.getProperty("value", &value));  // the old contents are gone
    EXPECT_FALSE(cfg.getProperty("first", &value));
    EXPECT_EQ(value, -1);

    const auto records = capture.records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].filter, "Config");
    EXPECT_EQ(records[0].kind, debug::Message::Kind::Error);
    EXPECT_EQ(records[0].context.path, "/Configs/broken.cfg");
    EXPECT_EQ(records[0].context.line, 2);
    EXPECT_NE(records[0].text.find("/Configs/broken.cfg"), std::string::npos) << records[0].text;
    EXPECT_NE(records[0].text.find("line 2"), std::string::npos) << records[0].text;
}

TEST(ConfigSyntaxError, RelativePathIsNamedInFull) {
    DataRoot root;
    ASSERT_TRUE(root.ok());
    root.data().write("Configs/Effects/bad.cfg", "x = [1, \"a\"];\n");
    ASSERT_TRUE(theResourceManager->setCurrentPath("/Configs/Effects"));
    SinkCapture capture;
    config::Config cfg;
    EXPECT_FALSE(cfg.readFile("bad.cfg"));
    const auto records = capture.records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].context.path, "/Configs/Effects/bad.cfg");
    EXPECT_EQ(records[0].context.line, 1);
}

TEST(ConfigReadString, ArraysOfMixedNumbersAreSyntaxErrors) {
    // libconfig arrays hold one type; mixed numbers need a ( ) list.
    SinkCapture capture;
    config::Config cfg;
    EXPECT_FALSE(cfg.readString("v = [1.5, 2];", "inline"));
    ASSERT_TRUE(cfg.readString("v = (1.5, 2, 3);", "inline"));
    Vector v;
    EXPECT_TRUE(cfg.getProperty("v", &v));
    EXPECT_EQ(v, Vector(1.5f, 2.0f, 3.0f));
}

TEST(ConfigReadString, GarbageIsAnErrorNotACrash) {
    SinkCapture capture;
    config::Config cfg;
    std::string garbage;
    for (int i = 0; i < 4096; ++i)
        garbage += static_cast<char>((i * 131 + 7) % 255 + 1);
    EXPECT_FALSE(cfg.readString(garbage, "garbage"));
    EXPECT_FALSE(cfg.readString("a = { b = { c = 1; };", "unclosed"));
    EXPECT_FALSE(cfg.readString("a = \"unterminated;", "unterminated"));
    EXPECT_TRUE(cfg.empty());
    EXPECT_EQ(capture.records().size(), 3u);
}

TEST(ConfigReadString, IncludeDirectivesAreRefused) {
    SinkCapture capture;
    config::Config cfg;
    EXPECT_FALSE(cfg.readString("a = 1;\n  @include \"/etc/hostname\"\n", "with-include"));
    EXPECT_TRUE(cfg.empty());
    const auto records = capture.records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].context.line, 2);
    // The word in a string is only text.
    EXPECT_TRUE(cfg.readString("note = \"see @include\";", "string"));
}

TEST(ConfigReadString, ParsesTextWithoutFiles) {
    config::Config cfg;
    ASSERT_TRUE(cfg.readString("a = { b = { c = 5; }; };"));
    int c = 0;
    EXPECT_TRUE(cfg.getProperty("a.b.c", &c));
    EXPECT_EQ(c, 5);
}

// --- sharing -----------------------------------------------------------------------------------

TEST(ConfigManagerTest, SameFileGivesSameObjectWhileAlive) {
    DataRoot root;
    ASSERT_TRUE(root.ok());
    root.data().write("Configs/Effects/CameraVanish.cfg", "minDistance = 2.5;\n");
    root.data().write("Configs/other.cfg", "x = 1;\n");

    auto first = config::theConfigManager->bindConfig("/Configs/Effects/CameraVanish.cfg");
    ASSERT_NE(first, nullptr);
    float distance = 0;
    EXPECT_TRUE(first->getProperty("minDistance", &distance));
    EXPECT_FLOAT_EQ(distance, 2.5f);

    auto second = config::theConfigManager->bindConfig("/Configs/Effects/CameraVanish.cfg");
    EXPECT_EQ(first.get(), second.get());
    ASSERT_TRUE(theResourceManager->setCurrentPath("/Configs/Effects"));
    auto relative = config::theConfigManager->bindConfig("CameraVanish.cfg");
    EXPECT_EQ(first.get(), relative.get());

    auto other = config::theConfigManager->bindConfig("/Configs/other.cfg");
    EXPECT_NE(other.get(), first.get());
}

TEST(ConfigManagerTest, ReleasedFileIsReadAgain) {
    DataRoot root;
    ASSERT_TRUE(root.ok());
    root.data().write("Configs/changing.cfg", "v = 1;\n");
    std::weak_ptr<config::Config> watch;
    {
        auto cfg = config::theConfigManager->bindConfig("/Configs/changing.cfg");
        watch = cfg;
        int v = 0;
        EXPECT_TRUE(cfg->getProperty("v", &v));
        EXPECT_EQ(v, 1);
    }
    EXPECT_TRUE(watch.expired());
    root.data().write("Configs/changing.cfg", "v = 2;\n");
    auto cfg = config::theConfigManager->bindConfig("/Configs/changing.cfg");
    int v = 0;
    EXPECT_TRUE(cfg->getProperty("v", &v));
    EXPECT_EQ(v, 2);
}

TEST(ConfigManagerTest, MissingFileGivesEmptyConfig) {
    DataRoot root;
    ASSERT_TRUE(root.ok());
    auto cfg = config::theConfigManager->bindConfig("/Configs/none.cfg");
    ASSERT_NE(cfg, nullptr);
    EXPECT_TRUE(cfg->empty());
}

}  // namespace
