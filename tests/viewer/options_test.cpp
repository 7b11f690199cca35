// Command-line parsing of d3dview: values, errors and screen-shot patterns.
#include "options.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace viewer;

namespace {

// Every option's value on one line, so that a whole parse is one comparison.
std::string summary(const std::vector<std::string>& args) {
    const ParseResult r = parseOptions(args);
    const Options& o = r.options;
    std::ostringstream s;
    s << r.error << (o.mode ? modeSizeText(*o.mode) : "-") << " w" << o.windowed << " f"
      << o.frames.value_or(0) << " #" << std::hex << o.background << std::dec << " ["
      << o.screenshot << "] r" << o.record << " fps" << o.fps << " [" << o.dataDir << "] s"
      << o.scene << " p" << o.pick << " @" << o.pointer.value_or(PixelPoint{-1, -1}).x << ","
      << o.pointer.value_or(PixelPoint{-1, -1}).y << " hud" << o.hud << " c" << o.cursor << " ["
      << o.presented << "] rc" << o.restoreCheck << " h" << o.help << " e" << o.effects << " ["
      << o.gallery << "]" << (o.world ? " world" : "");
    return s.str();
}

}  // namespace

TEST(ViewerOptions, DefaultsAndEveryOptionWithSeparateAndJoinedValues) {
    EXPECT_EQ(summary({}), "- w0 f0 #203060 [] r0 fps0 [] s1 p0 @-1,-1 hud1 c0 [] rc0 h0 e1 []");
    EXPECT_EQ(summary({"--mode", "800x600x32", "--windowed", "--frames=60", "--background",
                       "#A0b1C2", "--screenshot=out/s%02d.tga", "--record", "--fps", "--data",
                       "some/dir", "--pick", "--pointer=12,345", "--cursor", "--help"}),
              "800x600x32 w1 f60 #a0b1c2 [out/s%02d.tga] r1 fps1 [some/dir] s1 p1 @12,345 hud1 c1 "
              "[] rc0 h1 e1 []");
    EXPECT_EQ(summary({"--no-scene", "--no-hud", "--presented", "p.tga", "-h"}),
              "- w0 f0 #203060 [] r0 fps0 [] s0 p0 @-1,-1 hud0 c0 [p.tga] rc0 h1 e1 []");
    EXPECT_EQ(summary({"--no-effects", "--gallery", "pics"}),
              "- w0 f0 #203060 [] r0 fps0 [] s1 p0 @-1,-1 hud1 c0 [] rc0 h0 e0 [pics]");
    EXPECT_EQ(summary({"--scene", "world", "--pick"}),
              "- w0 f0 #203060 [] r0 fps0 [] s1 p1 @-1,-1 hud1 c0 [] rc0 h0 e1 [] world");
    EXPECT_EQ(summary({"--scene=world", "--scene=demo"}),
              "- w0 f0 #203060 [] r0 fps0 [] s1 p0 @-1,-1 hud1 c0 [] rc0 h0 e1 []");
}

TEST(ViewerOptions, ErrorsNameTheOptionAndTheValue) {
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"--bogus"}, "unknown option '--bogus'"},
        {{"frames"}, "unknown option 'frames'"},
        {{"--frames"}, "--frames needs a value"},
        {{"--frames", "0"}, "--frames wants a count"},
        {{"--frames", "1000001"}, "from 1 to 1000000"},
        {{"--mode", "640x480"}, "--mode wants WIDTHxHEIGHTxDEPTH"},
        {{"--background", "12345"}, "--background wants a colour"},
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
        {{"--gallery", ""}, "--gallery wants a folder"},
        {{"--gallery", "g", "--no-scene"}, "--gallery draws the scene once per effect"},
        {{"--show-dialog", "colour"}, "--show-dialog wants settings or statistics, not 'colour'"},
        {{"--show-dialog", "settings"}, "--show-dialog needs --presented FILE"},
        {{"--show-dialog=statistics", "--presented=p.tga", "--no-debug-input"}, "debug input"},
        {{"--scene", "moon"}, "--scene wants demo or world, not 'moon'"},
        {{"--scene", "world", "--no-scene"}, "contradict each other"},
        {{"--scene", "world", "--video-loop"}, "drop --scene world"},
    };
    for (const auto& [args, expected] : cases) {
        const std::string error = parseOptions(args).error;
        EXPECT_NE(error.find(expected), std::string::npos)
            << "'" << error << "' lacks " << expected;
    }
}

TEST(ViewerOptions, ModeSizeColourAndFrameCount) {
    const auto size = parseModeSize("1024x768x16");
    ASSERT_TRUE(size);
    EXPECT_EQ(modeSizeText(*size), "1024x768x16");
    EXPECT_EQ(size->height, 768);
    for (const char* bad :
         {"", "x", "640x480", "640x480x16x1", "0x480x16", "640x0x16", "640x480x0", "640X480X16",
          " 640x480x16", "+640x480x16", "640x480x128", "99999999999x480x16", "640xx16"})
        EXPECT_FALSE(parseModeSize(bad)) << bad;

    EXPECT_EQ(parseRgb("000000"), 0u);
    EXPECT_EQ(parseRgb("ffFFff"), 0xFFFFFFu);
    EXPECT_EQ(parseRgb("#102030"), 0x102030u);
    EXPECT_EQ(parseRgb("0x0A0B0C"), 0x0A0B0Cu);
    for (const char* bad : {"", "#", "0x", "12345", "1234567", "12 456", "##123456", "0x0x1234"})
        EXPECT_FALSE(parseRgb(bad)) << bad;

    EXPECT_EQ(parseFrameCount("1"), 1);
    EXPECT_EQ(parseFrameCount("1000000"), 1000000);
    for (const char* bad : {"", "0", "1000001", "1e3", "3.0", " 5", "0x10", "9999999999"})
        EXPECT_FALSE(parseFrameCount(bad)) << bad;
}

TEST(ViewerShotPattern, OneIntegerConversionInTheFileNameNamesAndFolders) {
    for (const char* good : {"shot%d.tga", "out/shot%03d.tga", "/tmp/a b/%x.tga", "%%_%5.3i%%.tga",
                             "s%-2u.tga", "s%+d", "s%#o"})
        EXPECT_EQ(checkShotPattern(good), "") << good;
    const std::pair<std::string, const char*> bad[] = {
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
        {std::string(201, 'a') + "%d", "longer"},
    };
    for (const auto& [pattern, why] : bad)
        EXPECT_NE(checkShotPattern(pattern).find(why), std::string::npos)
            << pattern << ": " << checkShotPattern(pattern);

    // Names and folders.
    EXPECT_EQ(shotName("shot%03d.tga", 7), "shot007.tga");
    EXPECT_EQ(shotName("%%%x%%", 255), "%ff%");
    EXPECT_EQ(shotName("s%99d", 1).size(), 100u);
    const ShotTarget t = splitShotPattern("out/sub/shot%03d.tga", "/work/here");
    EXPECT_EQ(t.folder, "/work/here/out/sub");
    EXPECT_EQ(t.fileName, "shot%03d.tga");
    EXPECT_EQ(splitShotPattern("shot%d.tga", "/work/here").folder, "/work/here");
    EXPECT_EQ(splitShotPattern("/abs/dir/shot%d.tga", "/work/here").folder, "/abs/dir");
    EXPECT_EQ(splitShotPattern("/shot%d.tga", "/work/here").folder, "/");
    EXPECT_EQ(splitShotPattern("../up/./x%d", "/work/here").folder, "/work/up");
}
