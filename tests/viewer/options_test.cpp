// Command-line parsing of d3dview: values, errors and screen-shot patterns.
#include "options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace viewer;

namespace {

ParseResult parse(std::vector<std::string> args) {
    return parseOptions(args);
}

}  // namespace

TEST(ViewerOptions, DefaultsWithoutArguments) {
    const ParseResult r = parse({});
    ASSERT_TRUE(r.ok()) << r.error;
    EXPECT_FALSE(r.options.mode);
    EXPECT_FALSE(r.options.windowed);
    EXPECT_FALSE(r.options.frames);
    EXPECT_EQ(r.options.background, 0x203060u);
    EXPECT_TRUE(r.options.screenshot.empty());
    EXPECT_FALSE(r.options.record);
    EXPECT_FALSE(r.options.fps);
    EXPECT_TRUE(r.options.dataDir.empty());
    EXPECT_TRUE(r.options.scene);
    EXPECT_FALSE(r.options.pick);
    EXPECT_FALSE(r.options.pointer);
    EXPECT_FALSE(r.options.help);
}

TEST(ViewerOptions, EveryOptionWithSeparateAndJoinedValues) {
    const ParseResult r = parse({"--mode", "800x600x32", "--windowed", "--frames=60",
                                 "--background", "#A0b1C2", "--screenshot=out/s%02d.tga",
                                 "--record", "--fps", "--data", "some/dir", "--pick",
                                 "--pointer=12,345", "--help"});
    ASSERT_TRUE(r.ok()) << r.error;
    ASSERT_TRUE(r.options.mode);
    EXPECT_EQ(r.options.mode->width, 800);
    EXPECT_EQ(r.options.mode->height, 600);
    EXPECT_EQ(r.options.mode->depth, 32);
    EXPECT_TRUE(r.options.windowed);
    EXPECT_EQ(r.options.frames, 60);
    EXPECT_EQ(r.options.background, 0xA0B1C2u);
    EXPECT_EQ(r.options.screenshot, "out/s%02d.tga");
    EXPECT_TRUE(r.options.record);
    EXPECT_TRUE(r.options.fps);
    EXPECT_EQ(r.options.dataDir, "some/dir");
    EXPECT_TRUE(r.options.pick);
    ASSERT_TRUE(r.options.pointer);
    EXPECT_EQ(r.options.pointer->x, 12);
    EXPECT_EQ(r.options.pointer->y, 345);
    EXPECT_TRUE(r.options.help);
    EXPECT_FALSE(parse({"--no-scene"}).options.scene);
}

TEST(ViewerOptions, ErrorsNameTheOptionAndTheValue) {
    const struct {
        std::vector<std::string> args;
        std::string expected;
    } cases[] = {
        {{"--bogus"}, "unknown option '--bogus'"},
        {{"frames"}, "unknown option 'frames'"},
        {{"--frames"}, "--frames needs a value"},
        {{"--frames", "0"}, "--frames wants a count"},
        {{"--frames", "-3"}, "not '-3'"},
        {{"--frames", "12abc"}, "not '12abc'"},
        {{"--frames", "1000001"}, "from 1 to 1000000"},
        {{"--mode", "640x480"}, "--mode wants WIDTHxHEIGHTxDEPTH"},
        {{"--background", "12345"}, "--background wants a colour"},
        {{"--background", "GG0000"}, "not 'GG0000'"},
        {{"--screenshot", "shot.tga"}, "exactly one integer conversion"},
        {{"--record"}, "--record needs --screenshot"},
        {{"--fps=yes"}, "--fps takes no value"},
        {{"--data", ""}, "--data wants a folder"},
        {{"--pointer", "10"}, "--pointer wants X,Y"},
        {{"--pointer", "10,-2"}, "not '10,-2'"},
        {{"--pointer", "1,2,3"}, "not '1,2,3'"},
        {{"--pointer", "70000,1"}, "not '70000,1'"},
        {{"--pick", "--no-scene"}, "--pick needs the scene"},
        {{"--restore-check", "--no-scene"}, "--restore-check needs the scene"},
        {{"--cursor", "--no-hud"}, "--cursor comes with the heads-up display"},
        {{"--presented", ""}, "--presented wants a file name"},
        {{"--restore-check", "--windowed"}, "--restore-check draws a still full-screen scene"},
    };
    for (const auto& c : cases) {
        const ParseResult r = parse(c.args);
        EXPECT_FALSE(r.ok()) << c.args.front();
        EXPECT_NE(r.error.find(c.expected), std::string::npos)
            << "error '" << r.error << "' lacks '" << c.expected << "'";
    }
}

TEST(ViewerModeSize, AcceptsThreePositiveNumbersOnly) {
    const auto size = parseModeSize("1024x768x16");
    ASSERT_TRUE(size);
    EXPECT_EQ(size->width, 1024);
    EXPECT_EQ(size->height, 768);
    EXPECT_EQ(size->depth, 16);
    EXPECT_EQ(modeSizeText(*size), "1024x768x16");
    for (const char* bad : {"", "x", "640x480", "640x480x16x1", "0x480x16", "640x0x16",
                            "640x480x0", "640X480X16", " 640x480x16", "+640x480x16",
                            "640x480x128", "99999999999x480x16", "640xx16"})
        EXPECT_FALSE(parseModeSize(bad)) << bad;
}

TEST(ViewerColour, SixHexDigitsWithOptionalPrefix) {
    EXPECT_EQ(parseRgb("000000"), 0u);
    EXPECT_EQ(parseRgb("ffFFff"), 0xFFFFFFu);
    EXPECT_EQ(parseRgb("#102030"), 0x102030u);
    EXPECT_EQ(parseRgb("0x0A0B0C"), 0x0A0B0Cu);
    for (const char* bad : {"", "#", "0x", "12345", "1234567", "12 456", "##123456", "0x0x1234"})
        EXPECT_FALSE(parseRgb(bad)) << bad;
}

TEST(ViewerFrameCount, BoundsAndDigits) {
    EXPECT_EQ(parseFrameCount("1"), 1);
    EXPECT_EQ(parseFrameCount("1000000"), maxFrames);
    for (const char* bad : {"", "0", "1000001", "1e3", "3.0", " 5", "0x10", "9999999999"})
        EXPECT_FALSE(parseFrameCount(bad)) << bad;
}

TEST(ViewerShotPattern, OneIntegerConversionInTheFileName) {
    for (const char* good : {"shot%d.tga", "out/shot%03d.tga", "/tmp/a b/%x.tga", "%%_%5.3i%%.tga",
                             "s%-2u.tga", "s%+d", "s%#o"})
        EXPECT_EQ(checkShotPattern(good), "") << good;
    const struct {
        const char* pattern;
        const char* why;
    } bad[] = {
        {"shot.tga", "it has 0"},
        {"%d%d.tga", "it has 2"},
        {"%s.tga", "'%s'"},
        {"%n.tga", "'%n'"},
        {"%ld.tga", "'%l'"},
        {"%*d.tga", "'%*'"},
        {"shot%", "unfinished"},
        {"%100d.tga", "width of more than two digits"},
        {"%.100d.tga", "precision of more than two digits"},
        {"out%d/shot%d.tga", "folder part"},
        {"out/", "no file name"},
        {"out/..", "no file name"},
        {"", "no file name"},
    };
    for (const auto& c : bad)
        EXPECT_NE(checkShotPattern(c.pattern).find(c.why), std::string::npos)
            << c.pattern << ": " << checkShotPattern(c.pattern);
    EXPECT_NE(checkShotPattern(std::string(201, 'a') + "%d").find("longer"), std::string::npos);
}

TEST(ViewerShotPattern, NamesAndFolders) {
    EXPECT_EQ(shotName("shot%03d.tga", 7), "shot007.tga");
    EXPECT_EQ(shotName("%%%x%%", 255), "%ff%");
    EXPECT_EQ(shotName("s%99d", 1).size(), 100u);

    ShotTarget t = splitShotPattern("out/sub/shot%03d.tga", "/work/here");
    EXPECT_EQ(t.folder, "/work/here/out/sub");
    EXPECT_EQ(t.fileName, "shot%03d.tga");
    t = splitShotPattern("shot%d.tga", "/work/here");
    EXPECT_EQ(t.folder, "/work/here");
    t = splitShotPattern("/abs/dir/shot%d.tga", "/work/here");
    EXPECT_EQ(t.folder, "/abs/dir");
    t = splitShotPattern("/shot%d.tga", "/work/here");
    EXPECT_EQ(t.folder, "/");
    t = splitShotPattern("../up/./x%d", "/work/here");
    EXPECT_EQ(t.folder, "/work/up");
}
