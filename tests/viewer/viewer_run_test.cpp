// d3dview run as a program, headless: exit codes, messages and the screen
// shots it leaves behind.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::string quoted(const std::string& text) {
    std::string q = "'";
    for (char c : text)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

// Runs a shell command line, expects its exit code and the texts its output
// holds and lacks, and gives the output.
std::string runCommand(const std::string& line, int exitCode,
                       std::initializer_list<std::string> has,
                       std::initializer_list<std::string> lacks = {}) {
    const std::string command = line + " 2>&1";
    std::string output;
    FILE* pipe = popen(command.c_str(), "r");
    char buffer[4096];
    while (std::size_t n = pipe ? std::fread(buffer, 1, sizeof buffer, pipe) : 0)
        output.append(buffer, n);
    const int status = pipe ? pclose(pipe) : -1;
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == exitCode) << line << "\n" << output;
    for (const std::string& text : has)
        EXPECT_NE(output.find(text), std::string::npos) << line << " lacks " << text << "\n"
                                                        << output;
    for (const std::string& text : lacks)
        EXPECT_EQ(output.find(text), std::string::npos) << line << " has " << text << "\n"
                                                        << output;
    return output;
}

// Runs d3dview with the repository's data root; prefix goes before the
// program (a "cd" or environment settings).
std::string run(const std::string& args, int exitCode, std::initializer_list<std::string> has,
                std::initializer_list<std::string> lacks = {}, const std::string& prefix = "") {
    return runCommand(prefix + " " + quoted(D3DVIEW_PATH) + " --data " +
                          quoted(D3DDRIVER_SOURCE_DIR "/data") + " " + args,
                      exitCode, has, lacks);
}

// An uncompressed 32-bit true-colour TGA; empty (and a failure) when the file
// is not one.
struct Tga {
    explicit Tga(const fs::path& file) {
        std::ifstream in(file, std::ios::binary);
        const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                              std::istreambuf_iterator<char>());
        if (bytes.size() < 18 || bytes[2] != 2 || bytes[16] != 32) {
            ADD_FAILURE() << file << " is no uncompressed 32-bit TGA";
            return;
        }
        width = bytes[12] | bytes[13] << 8;
        height = bytes[14] | bytes[15] << 8;
        topDown = (bytes[17] & 0x20) != 0;
        // Reading past the end throws when the pixel data is cut short.
        pixels.assign(bytes.begin() + std::min<std::size_t>(18 + bytes[0], bytes.size()),
                      bytes.end());
    }
    // 0xRRGGBB of a pixel counted from the top-left corner.
    std::uint32_t rgb(int x, int y) const {
        const std::size_t at =
            (static_cast<std::size_t>(topDown ? y : height - 1 - y) * width + x) * 4;
        return std::uint32_t{pixels.at(at + 2)} << 16 | std::uint32_t{pixels.at(at + 1)} << 8 |
               pixels.at(at);
    }
    int width = 0, height = 0;
    bool topDown = false;
    std::vector<std::uint8_t> pixels;  // blue, green, red, alpha
};

// A 16-bit target keeps five or six bits per channel.
bool nearColour(std::uint32_t actual, std::uint32_t expected) {
    for (int shift : {0, 8, 16})
        if (std::abs(int((actual >> shift) & 0xFF) - int((expected >> shift) & 0xFF)) > 8)
            return false;
    return true;
}

class ViewerRun : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "d3dview-test-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        folder = pattern;
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(folder, ec);
    }
    std::string shots(const std::string& pattern) const {
        return " --screenshot " + quoted((folder / pattern).string());
    }

    // A 640x480 shot of the background, checked far from the top-left corner;
    // the top band holds the frame-rate line with --fps and is plain without.
    void expectBackgroundShot(const fs::path& file, std::uint32_t background, bool fps = false) {
        const Tga tga(file);
        ASSERT_EQ(tga.width, 640) << file;
        EXPECT_EQ(tga.height, 480);
        for (const auto& [x, y] : {std::pair{480, 360}, std::pair{639, 479}, std::pair{320, 240}})
            EXPECT_TRUE(nearColour(tga.rgb(x, y), background)) << file << " " << x << "," << y;
        int others = 0;
        for (int y = 0; y < 24; ++y)
            for (int x = 0; x < tga.width; ++x)
                others += nearColour(tga.rgb(x, y), background) ? 0 : 1;
        EXPECT_EQ(others > 0, fps) << file << ": " << others << " pixels of frame-rate text";
    }

    fs::path folder;
};

}  // namespace

TEST_F(ViewerRun, HelpAndRefusals) {
    run("--help", 0, {"--screenshot PATTERN"});
    // A bad argument is one line naming the program (the messages are the
    // option parser's, checked with it).
    EXPECT_EQ(run("--what", 2, {"unknown option '--what'"}).rfind("d3dview: ", 0), 0u);
    run("--mode 123x45x16 --frames 1", 1, {"no full-screen mode 123x45x16", "640x480x16 hardware"});
}

TEST_F(ViewerRun, DrawsFramesAndShootsTheLastOneOrRecordsEach) {
    const fs::path shot = folder / "sub/shot000.tga";
    run("--no-scene --frames 5 --background C04080" + shots("sub/shot%03d.tga"), 0,
        {"frames drawn: 5\n", "average frame time: ", "screenshot: " + shot.string()});
    expectBackgroundShot(shot, 0xC04080);
    EXPECT_FALSE(fs::exists(folder / "sub/shot001.tga"));
    // Recording writes one file per frame, here with the frame-rate line.
    run("--no-scene --frames 3 --background 000080 --record --fps" + shots("rec%d.tga"), 0,
        {"screenshots: 3 files"});
    for (int n = 0; n < 3; ++n)
        expectBackgroundShot(folder / ("rec" + std::to_string(n) + ".tga"), 0x000080, true);
    EXPECT_FALSE(fs::exists(folder / "rec3.tga"));
}

// Headless without a frame count, the default number of frames is drawn.
TEST_F(ViewerRun, RelativeShotsLandInTheCurrentFolder) {
    run("--no-scene --windowed --screenshot 'out/s%02d.tga'", 0,
        {"windowed", "headless: drawing 100 frames", "frames drawn: 100\n"}, {},
        "cd " + quoted(folder.string()) + " && env -u D3DDRIVER_WRITE_DIR");
    expectBackgroundShot(folder / "out" / "s00.tga", 0x203060);
}

// The demo scene from its starting camera: the central column fills the
// middle of the picture and the sky the top, so the pointer there finds the
// column. Over it the heads-up display: the bitmap-font text panel
// in a frame of screen lines at the top left, the logo at the top right, and
// the overlay cursor at the pointer.
TEST_F(ViewerRun, TheSceneIsDrawnAndPickedUnderThePointerBelowTheHeadsUpDisplay) {
    // Nothing is pointed before the first pick has been settled; then the
    // column. Without the effects, whose fade from black would cover the
    // background.
    // The overlay cursor is not part of the rendered frame but of the frame
    // as presented, and the driver's mouse moves the pointer that picks.
    const fs::path presented = folder / "presented.tga";
    run("--mode 640x480x16 --frames 8 --pick --pointer 320,240 --background 102030 --no-effects "
        "--cursor --presented " + quoted(presented.string()) + shots("scene%d.tga"),
        0,
        {"scene: 5 meshes, 4 lights\n", "pointed: none\npointed: column\n",
         "hud: cursor: overlay\n"},
        {"hud: no"});
    const Tga tga(folder / "scene0.tga"), shown(presented);
    ASSERT_EQ(tga.width, 640);
    ASSERT_EQ(shown.width, 640);
    // The arrow's hot spot is its top-left corner: white inside, a dark rim.
    EXPECT_TRUE(nearColour(shown.rgb(324, 252), 0xFFFFFF)) << std::hex << shown.rgb(324, 252);
    EXPECT_TRUE(nearColour(shown.rgb(321, 244), 0x141414)) << std::hex << shown.rgb(321, 244);
    EXPECT_FALSE(nearColour(tga.rgb(324, 252), 0xFFFFFF)) << std::hex << tga.rgb(324, 252);
    // Far from the cursor, in the sky, the two agree (the shot is taken
    // from the back buffer, a frame behind the one shown).
    EXPECT_TRUE(nearColour(shown.rgb(500, 100), tga.rgb(500, 100)));
    for (const auto& [x, y] : {std::pair{5, 5}, std::pair{634, 5}, std::pair{320, 10}})
        EXPECT_TRUE(nearColour(tga.rgb(x, y), 0x102030)) << x << "," << y << " is not background";
    // The column in the middle, the ground at the bottom.
    for (const auto& [x, y] : {std::pair{320, 240}, std::pair{320, 470}, std::pair{20, 470}})
        EXPECT_FALSE(nearColour(tga.rgb(x, y), 0x102030)) << x << "," << y << " is background";
    // The frame's top line is one pixel high at y = 4, from x = 4 to 310.
    for (int x : {4, 100, 310})
        EXPECT_TRUE(nearColour(tga.rgb(x, 4), 0xFFD833)) << "x = " << x;
    EXPECT_FALSE(nearColour(tga.rgb(100, 5), 0xFFD833));
    int white = 0;
    for (int y = 8; y < 62; ++y)
        for (int x = 8; x < 308; ++x)
            white += nearColour(tga.rgb(x, y), 0xFFFFFF);
    EXPECT_GT(white, 200) << "no text in the panel";
    // The logo's blue ring, and the magenta around it left out.
    EXPECT_TRUE(nearColour(tga.rgb(600, 10), 0x5AAAE6)) << std::hex << tga.rgb(600, 10);
    EXPECT_FALSE(nearColour(tga.rgb(570, 10), 0xFF00FF)) << std::hex << tga.rgb(570, 10);
    // Without --pick nothing is reported, even with the pointer moved.
    run("--frames 2 --pointer 320,240", 0, {}, {"pointed:"});
}

// Textures and materials are made again after a change of video mode and
// after a task switch; the still scene must come back pixel for pixel.
TEST_F(ViewerRun, TheRestoreCheckFindsTheSamePictureAfterModeChangeAndTaskSwitch) {
    run("--mode 640x480x16 --restore-check", 0,
        {"restore check: after the mode change: same picture\n",
         "restore check: after the task switch: same picture\n"});
}

namespace {

std::size_t occurrences(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

}  // namespace

// A broken system.cfg means the driver's defaults and one report naming the
// file and line, a data folder without one a note, with --fps as without
// (with it the viewer once refused to run). A data folder named by the
// environment is checked as --data is.
TEST_F(ViewerRun, ABrokenOrMissingSystemConfigurationMeansDefaultsWithOrWithoutFps) {
    const fs::path broken = folder / "broken", empty = folder / "empty";
    fs::create_directories(broken / "Configs");
    fs::create_directories(empty);
    std::ofstream(broken / "Configs/system.cfg") << "Driver = {\n  showFPS = ;\n};\n";
    const std::pair<fs::path, std::string> cases[] = {
        {broken, "syntax error in '/Configs/system.cfg' at line 2"},
        {empty, "note: " + (empty / "Configs/system.cfg").string() +
                    " is missing; the driver uses its defaults\n"}};
    for (const auto& [data, report] : cases) {
        for (const bool fps : {false, true}) {
            const std::string name = data.filename().string() + (fps ? "fps" : "plain");
            const std::string output =
                run("--data " + quoted(data.string()) + (fps ? " --fps" : "") +
                        " --no-scene --frames 2 --background 000080" + shots(name + "%d.tga"),
                    0, {report, "(640x480x16, hardware, full screen)", "frames drawn: 2\n"});
            const std::string once = data == empty ? "system.cfg" : report;
            EXPECT_EQ(occurrences(output, once), 1u) << name << "\n" << output;
            expectBackgroundShot(folder / (name + "0.tga"), 0x000080, fps);
        }
    }
    const fs::path missing = folder / "missing";
    runCommand("env D3DDRIVER_DATA=" + quoted(missing.string()) + " " + quoted(D3DVIEW_PATH) +
                   " --no-scene --frames 1",
               1, {"d3dview: D3DDRIVER_DATA: '" + missing.string() + "' is not a folder\n"},
               {"write folder", "[Resources]"});
    run("--no-scene --frames 1", 0, {}, {"system.cfg"});  // the repository's data has one
}

// The two-adapter display profile's primary adapter has too little video
// memory for 800x600x32: the driver refuses the mode with the reason, and the
// viewer ends with a message. It once went on without a device and crashed
// reading the driver's exception after unloading the driver.
TEST_F(ViewerRun, AModeTheAdapterCannotHoldIsRefusedWithAMessage) {
    run("--mode 800x600x32 --frames 2", 1,
        {"initVideoMode: cannot start Primary Display Driver Direct3D HAL 800 x 600 x 32: "
         "DDERR_OUTOFVIDEOMEMORY\n",
         "d3dview: the driver did not set the video mode Primary Display Driver Direct3D HAL "
         "800 x 600 x 32 (800x600x32, hardware, full screen)\n"},
        {"frames drawn", "unexpected failure"},
        "env D3DDRIVER_DISPLAY_PROFILE=" +
            quoted(D3DDRIVER_SOURCE_DIR "/tests/ddraw/data/two_adapters.cfg"));
}

// The demo clip plays on a screen in the scene and, upright, in the bottom-
// right corner; at frame 150 (5 s, looping) the corner shows the clip's
// colour bars: red on the left, cyan on the right. A file that cannot be
// played is named and the viewer goes on without a video.
TEST_F(ViewerRun, TheVideoPlaysInTheCornerAndAMissingClipIsSkipped) {
    run("--mode 640x480x16 --frames 150 --video-loop" + shots("video%d.tga"), 0,
        {"/Videos/demo.avi, 320x240, 4 s, looping\n"});
    const Tga tga(folder / "video0.tga");
    ASSERT_EQ(tga.width, 640);
    // The corner is 160 x 120 at (472, 352); its bars are 160 / 7 wide.
    EXPECT_TRUE(nearColour(tga.rgb(476, 420), 0xFF0000)) << std::hex << tga.rgb(476, 420);
    EXPECT_TRUE(nearColour(tga.rgb(628, 420), 0x00FFFF)) << std::hex << tga.rgb(628, 420);

    run("--no-scene --video-loop", 2, {"--video and --video-loop play the clip in the moving scene"});
    const std::string missing = (folder / "none.avi").string();
    run("--frames 2 --video " + quoted(missing), 0,
        {"video: cannot play '" + missing + "'; going on without it\n", "frames drawn: 2\n"});
}

// The scene starts faded to black; the gallery has one picture per effect,
// each a PNG, and a page naming them.
TEST_F(ViewerRun, TheSceneFadesInWithItsEffectsAndTheGalleryShowsEachEffect) {
    // Without the clip, whose corner is drawn over the fade.
    const std::string noClip = " --video " + quoted((folder / "none.avi").string());
    run("--mode 640x480x16 --frames 3 --no-hud" + noClip + shots("fx%d.tga"), 0, {});
    run("--mode 640x480x16 --frames 3 --no-hud --no-effects" + noClip + shots("plain%d.tga"), 0,
        {});
    const auto brightness = [](const Tga& tga) {
        long sum = 0;
        for (int y = 0; y < tga.height; y += 8)
            for (int x = 0; x < tga.width; x += 8)
                for (int shift : {0, 8, 16})
                    sum += (tga.rgb(x, y) >> shift) & 0xFF;
        return sum;
    };
    const long faded = brightness(Tga(folder / "fx0.tga"));
    const long plain = brightness(Tga(folder / "plain0.tga"));
    EXPECT_LT(faded * 10, plain) << "a tenth of a second into a fade of 1.5 s";
    EXPECT_GT(faded, 0);

    const fs::path gallery = folder / "gallery";
    run("--mode 640x480x16 --gallery " + quoted(gallery.string()), 0, {"gallery: "});
    std::ifstream page(gallery / "index.html");
    const std::string html((std::istreambuf_iterator<char>(page)), std::istreambuf_iterator<char>());
    for (const char* name : {"none", "fading", "trace", "contour", "aureole", "dissolve", "halos",
                             "smoke", "sparks", "glow", "vertex_fog", "direct_highlight", "highlight",
                             "isotropic_light", "universal_highlight",
                             "water", "swamp"}) {
        std::ifstream png(gallery / (std::string(name) + ".png"), std::ios::binary);
        char signature[8] = {};
        png.read(signature, sizeof signature);
        EXPECT_EQ(std::string(signature + 1, 3), "PNG") << name;
        EXPECT_NE(html.find(std::string(name) + ".png"), std::string::npos) << name;
    }
}

TEST_F(ViewerRun, TheWorldSceneShowsGroundUnderItsSkyAndNamesTheEffectsItLacks) {
    // Eight frames, not the first few: on a loaded machine the first frame can
    // start before the window is active, find the surfaces lost and restore them.
    const std::string output =
        run("--mode 640x480x16 --frames 8 --no-hud --scene world" + shots("world%d.tga"), 0,
            {"scene: world, 20 meshes, 2 lights"});
    // Each effect is either shown or named as not offered.
    for (const char* name :
         {"water", "swamp", "chrome", "lightspot", "mirror", "vanish", "highlight", "glow", "fog"})
        EXPECT_NE(output.find(std::string(" ") + name), std::string::npos) << name;
    const Tga tga(folder / "world0.tga");
    ASSERT_EQ(tga.width, 640);
    // The sky (the world's background) above, grass below the horizon; the
    // mirror stands at the right edge.
    for (int x : {5, 320, 560})
        EXPECT_TRUE(nearColour(tga.rgb(x, 4), 0x9EB8D9)) << std::hex << tga.rgb(x, 4);
    int green = 0;
    for (int x = 0; x < 640; x += 16) {
        const std::uint32_t c = tga.rgb(x, 470);
        green += ((c >> 8) & 0xFF) > ((c >> 16) & 0xFF) + 20 && ((c >> 8) & 0xFF) > (c & 0xFF) + 20;
    }
    EXPECT_GT(green, 30) << "of 40 pixels along the bottom row";
}

// The demo scene byte for byte as the reference path draws it (one thread,
// scalar span loops): with the SIMD loops, and on three threads, in 16-bit
// and 32-bit modes, once the fade-in is over and the particles are up. The
// clip is left out: which of its frames the first frames show can depend on
// the machine's load.
TEST_F(ViewerRun, TheSceneOnSeveralRasteriserThreadsAndSimdIsTheReferencePicture) {
    auto bytes = [](const fs::path& file) {
        std::ifstream in(file, std::ios::binary);
        return std::vector<char>((std::istreambuf_iterator<char>(in)),
                                 std::istreambuf_iterator<char>());
    };
    const std::pair<std::string, std::string> paths[] = {
        {"ref", "D3DDRIVER_RASTER_THREADS=1 D3DDRIVER_RASTER_SIMD=0"},
        {"simd", "D3DDRIVER_RASTER_THREADS=1"},
        {"threads", "D3DDRIVER_RASTER_THREADS=3"}};
    const std::string noClip = quoted((folder / "none.avi").string());
    for (const std::string mode : {"640x480x16", "1024x768x16", "640x480x32"}) {
        for (const auto& [name, environment] : paths)
            run("--mode " + mode + " --frames 60 --no-hud --video " + noClip +
                    shots(name + "-" + mode + "-%d.tga"),
                0, {"screenshot: "}, {}, environment);
        const std::string frame = mode + "-0.tga";
        const std::vector<char> reference = bytes(folder / ("ref-" + frame));
        EXPECT_FALSE(reference.empty()) << frame;
        EXPECT_TRUE(reference == bytes(folder / ("simd-" + frame))) << frame;
        EXPECT_TRUE(reference == bytes(folder / ("threads-" + frame))) << frame;
    }
}
