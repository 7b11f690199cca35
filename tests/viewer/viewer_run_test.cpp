// d3dview run as a program, headless: exit codes, messages and the screen
// shots it leaves behind.
#include <gtest/gtest.h>

#include <sys/wait.h>

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

struct Outcome {
    int exitCode = -1;  // -1: killed by a signal
    std::string output;
};

std::string quoted(const std::string& text) {
    std::string q = "'";
    for (char c : text)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

// Runs d3dview with the repository's data root; prefix goes before the
// program (a "cd" or environment settings).
Outcome runViewer(const std::string& arguments, const std::string& prefix = "") {
    const std::string command = prefix + " " + quoted(D3DVIEW_PATH) + " --data " +
                                quoted(D3DDRIVER_SOURCE_DIR "/data") + " " + arguments + " 2>&1";
    Outcome outcome;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return outcome;
    char buffer[4096];
    while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe))
        outcome.output.append(buffer, n);
    const int status = pclose(pipe);
    outcome.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return outcome;
}

struct Tga {
    int width = 0;
    int height = 0;
    int bitsPerPixel = 0;
    bool topDown = false;
    std::vector<std::uint8_t> pixels;  // blue, green, red, alpha

    // 0xRRGGBB of a pixel counted from the top-left corner.
    std::uint32_t rgb(int x, int y) const {
        const int row = topDown ? y : height - 1 - y;
        const std::size_t at = (static_cast<std::size_t>(row) * width + x) * 4;
        return std::uint32_t{pixels[at + 2]} << 16 | std::uint32_t{pixels[at + 1]} << 8 | pixels[at];
    }
};

// Reads an uncompressed 32-bit true-colour TGA; false when it is not one.
bool readTga(const fs::path& file, Tga* tga, std::string* why) {
    std::ifstream in(file, std::ios::binary);
    const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                          std::istreambuf_iterator<char>());
    if (bytes.size() < 18) {
        *why = "shorter than a TGA header";
        return false;
    }
    const auto word = [&](int at) { return bytes[at] | bytes[at + 1] << 8; };
    tga->width = word(12);
    tga->height = word(14);
    tga->bitsPerPixel = bytes[16];
    tga->topDown = (bytes[17] & 0x20) != 0;
    if (bytes[2] != 2 || tga->bitsPerPixel != 32) {
        *why = "not uncompressed 32-bit true colour";
        return false;
    }
    const std::size_t start = 18 + bytes[0];
    const std::size_t size = static_cast<std::size_t>(tga->width) * tga->height * 4;
    if (bytes.size() < start + size) {
        *why = "pixel data cut short";
        return false;
    }
    tga->pixels.assign(bytes.begin() + start, bytes.begin() + start + size);
    return true;
}

// A 16-bit target keeps five or six bits per channel.
bool nearColour(std::uint32_t actual, std::uint32_t expected) {
    for (int shift : {0, 8, 16}) {
        const int a = (actual >> shift) & 0xFF;
        const int e = (expected >> shift) & 0xFF;
        if (std::abs(a - e) > 8)
            return false;
    }
    return true;
}

std::string hex(std::uint32_t rgb) {
    char text[8];
    std::snprintf(text, sizeof text, "%06X", rgb);
    return text;
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

    // Reads the shot and checks its size and a pixel far from the top-left
    // corner, where the frame-rate line would be.
    void expectBackgroundShot(const fs::path& file, std::uint32_t background) {
        Tga tga;
        std::string why;
        ASSERT_TRUE(readTga(file, &tga, &why)) << file << ": " << why;
        EXPECT_EQ(tga.width, 640);
        EXPECT_EQ(tga.height, 480);
        for (const auto& [x, y] : {std::pair{480, 360}, std::pair{639, 479}, std::pair{320, 240}})
            EXPECT_TRUE(nearColour(tga.rgb(x, y), background))
                << "pixel (" << x << ", " << y << ") is " << hex(tga.rgb(x, y));
    }

    fs::path folder;
};

}  // namespace

TEST_F(ViewerRun, HelpAndBadOptions) {
    Outcome help = runViewer("--help");
    EXPECT_EQ(help.exitCode, 0) << help.output;
    EXPECT_NE(help.output.find("--screenshot PATTERN"), std::string::npos) << help.output;

    for (const char* bad : {"--frames 0", "--screenshot shot.tga", "--what", "--mode 640"}) {
        Outcome outcome = runViewer(bad);
        EXPECT_EQ(outcome.exitCode, 2) << bad << "\n" << outcome.output;
        EXPECT_EQ(outcome.output.rfind("d3dview: ", 0), 0u) << outcome.output;
    }
}

TEST_F(ViewerRun, AnUnknownModeIsRefusedWithTheListOfModes) {
    Outcome outcome = runViewer("--mode 123x45x16 --frames 1");
    EXPECT_EQ(outcome.exitCode, 1) << outcome.output;
    EXPECT_NE(outcome.output.find("no full-screen mode 123x45x16"), std::string::npos)
        << outcome.output;
    EXPECT_NE(outcome.output.find("640x480x16 hardware"), std::string::npos) << outcome.output;
}

TEST_F(ViewerRun, AMissingDataFolderIsRefused) {
    Outcome outcome = runViewer("--data " + quoted((folder / "missing").string()) + " --frames 1");
    EXPECT_EQ(outcome.exitCode, 1) << outcome.output;
    EXPECT_NE(outcome.output.find("is not a folder"), std::string::npos) << outcome.output;
}

TEST_F(ViewerRun, DrawsFramesAndShootsTheBackground) {
    const fs::path pattern = folder / "sub" / "shot%03d.tga";
    Outcome outcome =
        runViewer("--no-scene --frames 5 --background C04080 --screenshot " + quoted(pattern.string()));
    ASSERT_EQ(outcome.exitCode, 0) << outcome.output;
    EXPECT_NE(outcome.output.find("frames drawn: 5\n"), std::string::npos) << outcome.output;
    EXPECT_NE(outcome.output.find("average frame time: "), std::string::npos) << outcome.output;
    const fs::path shot = folder / "sub" / "shot000.tga";
    EXPECT_NE(outcome.output.find("screenshot: " + shot.string()), std::string::npos)
        << outcome.output;
    expectBackgroundShot(shot, 0xC04080);
    EXPECT_FALSE(fs::exists(folder / "sub" / "shot001.tga"));
}

TEST_F(ViewerRun, RecordingWritesOneFilePerFrame) {
    Outcome outcome = runViewer("--no-scene --frames 3 --background 00FF00 --record --screenshot " +
                                quoted((folder / "rec%d.tga").string()));
    ASSERT_EQ(outcome.exitCode, 0) << outcome.output;
    EXPECT_NE(outcome.output.find("screenshots: 3 files"), std::string::npos) << outcome.output;
    for (int n = 0; n < 3; ++n)
        expectBackgroundShot(folder / ("rec" + std::to_string(n) + ".tga"), 0x00FF00);
    EXPECT_FALSE(fs::exists(folder / "rec3.tga"));
}

TEST_F(ViewerRun, RelativeShotsLandInTheCurrentFolder) {
    Outcome outcome = runViewer("--no-scene --frames 1 --windowed --screenshot 'out/s%02d.tga'",
                                "cd " + quoted(folder.string()) + " && env -u D3DDRIVER_WRITE_DIR");
    ASSERT_EQ(outcome.exitCode, 0) << outcome.output;
    EXPECT_NE(outcome.output.find("windowed"), std::string::npos) << outcome.output;
    expectBackgroundShot(folder / "out" / "s00.tga", 0x203060);
}

TEST_F(ViewerRun, HeadlessWithoutAFrameCountDrawsTheDefaultNumber) {
    Outcome outcome = runViewer("");
    ASSERT_EQ(outcome.exitCode, 0) << outcome.output;
    EXPECT_NE(outcome.output.find("headless: drawing 100 frames"), std::string::npos)
        << outcome.output;
    EXPECT_NE(outcome.output.find("frames drawn: 100\n"), std::string::npos) << outcome.output;
}

// The frame-rate line is drawn near the top edge; without --fps that band is
// plain background.
TEST_F(ViewerRun, TheFrameRateLineOnlyWithFps) {
    for (const bool fps : {false, true}) {
        const fs::path pattern = folder / (fps ? "fps%d.tga" : "plain%d.tga");
        Outcome outcome = runViewer(std::string("--no-scene --frames 3 --background 000080 ") +
                                    (fps ? "--fps " : "") + "--screenshot " +
                                    quoted(pattern.string()));
        ASSERT_EQ(outcome.exitCode, 0) << outcome.output;
        Tga tga;
        std::string why;
        ASSERT_TRUE(readTga(folder / (fps ? "fps0.tga" : "plain0.tga"), &tga, &why)) << why;
        int others = 0;
        for (int y = 0; y < 24; ++y)
            for (int x = 0; x < tga.width; ++x)
                others += nearColour(tga.rgb(x, y), 0x000080) ? 0 : 1;
        if (fps)
            EXPECT_GT(others, 0) << "no frame-rate text at the top";
        else
            EXPECT_EQ(others, 0);
    }
}

// The demo scene from its starting camera: the central column fills the
// middle of the picture and the sky the top, so the pointer there finds the
// column or nothing, and the shot shows the scene over the background.
TEST_F(ViewerRun, TheSceneIsDrawnAndPickedUnderThePointer) {
    Outcome column = runViewer("--mode 640x480x16 --frames 8 --pick --pointer 320,240 --background 102030 "
                               "--screenshot " + quoted((folder / "scene%d.tga").string()));
    ASSERT_EQ(column.exitCode, 0) << column.output;
    EXPECT_NE(column.output.find("scene: 5 meshes, 4 lights\n"), std::string::npos) << column.output;
    // Nothing is pointed before the first pick has been settled; then the column.
    EXPECT_NE(column.output.find("pointed: none\npointed: column\n"), std::string::npos) << column.output;

    Tga tga;
    std::string why;
    ASSERT_TRUE(readTga(folder / "scene0.tga", &tga, &why)) << why;
    for (const auto& [x, y] : {std::pair{5, 5}, std::pair{634, 5}, std::pair{320, 10}})
        EXPECT_TRUE(nearColour(tga.rgb(x, y), 0x102030)) << x << "," << y << " is " << hex(tga.rgb(x, y));
    // The column in the middle, the ground at the bottom.
    for (const auto& [x, y] : {std::pair{320, 240}, std::pair{320, 470}, std::pair{20, 470}})
        EXPECT_FALSE(nearColour(tga.rgb(x, y), 0x102030)) << x << "," << y << " is background";

    Outcome sky = runViewer("--mode 640x480x16 --frames 8 --pick --pointer 320,10");
    ASSERT_EQ(sky.exitCode, 0) << sky.output;
    EXPECT_NE(sky.output.find("pointed: none\n"), std::string::npos) << sky.output;
    EXPECT_EQ(sky.output.find("pointed: column"), std::string::npos) << sky.output;

    // Without --pick nothing is reported, even with the pointer moved.
    Outcome quiet = runViewer("--frames 2 --pointer 320,240");
    ASSERT_EQ(quiet.exitCode, 0) << quiet.output;
    EXPECT_EQ(quiet.output.find("pointed:"), std::string::npos) << quiet.output;
}

// Textures and materials are made again after a change of video mode and
// after a task switch; the still scene must come back pixel for pixel.
TEST_F(ViewerRun, TheRestoreCheckFindsTheSamePictureAfterModeChangeAndTaskSwitch) {
    Outcome outcome = runViewer("--mode 640x480x16 --restore-check");
    ASSERT_EQ(outcome.exitCode, 0) << outcome.output;
    EXPECT_NE(outcome.output.find("restore check: after the mode change: same picture\n"),
              std::string::npos)
        << outcome.output;
    EXPECT_NE(outcome.output.find("restore check: after the task switch: same picture\n"),
              std::string::npos)
        << outcome.output;
}

// The heads-up display over the scene: the bitmap-font text panel with its
// frame of screen lines at the top left and the logo at the top right.
TEST_F(ViewerRun, TheHeadsUpDisplayShowsTextLinesAndTheLogo) {
    const fs::path shot = folder / "hud0.tga";
    Outcome outcome = runViewer("--mode 640x480x16 --frames 5 --pick --pointer 320,240 --screenshot " +
                                quoted((folder / "hud%d.tga").string()));
    ASSERT_EQ(outcome.exitCode, 0) << outcome.output;
    EXPECT_EQ(outcome.output.find("hud: no"), std::string::npos) << outcome.output;
    Tga tga;
    std::string why;
    ASSERT_TRUE(readTga(shot, &tga, &why)) << why;

    // The frame's top line is one pixel high at y = 4, from x = 4 to 310.
    for (int x : {4, 100, 310})
        EXPECT_TRUE(nearColour(tga.rgb(x, 4), 0xFFD833)) << x << " is " << hex(tga.rgb(x, 4));
    EXPECT_FALSE(nearColour(tga.rgb(100, 5), 0xFFD833));
    int white = 0;
    for (int y = 8; y < 62; ++y)
        for (int x = 8; x < 308; ++x)
            white += nearColour(tga.rgb(x, y), 0xFFFFFF);
    EXPECT_GT(white, 200) << "no text in the panel";
    // The logo's blue ring, and the magenta around it left out.
    EXPECT_TRUE(nearColour(tga.rgb(600, 10), 0x5AAAE6)) << hex(tga.rgb(600, 10));
    EXPECT_FALSE(nearColour(tga.rgb(570, 10), 0xFF00FF)) << hex(tga.rgb(570, 10));

    Outcome plain = runViewer("--mode 640x480x16 --frames 2 --no-hud --screenshot " +
                              quoted((folder / "plain%d.tga").string()));
    ASSERT_EQ(plain.exitCode, 0) << plain.output;
    ASSERT_TRUE(readTga(folder / "plain0.tga", &tga, &why)) << why;
    EXPECT_FALSE(nearColour(tga.rgb(100, 4), 0xFFD833));
}

// The overlay cursor is not part of the rendered frame but of the frame as
// presented, and the driver's mouse moves the pointer that picks.
TEST_F(ViewerRun, TheOverlayCursorFollowsThePointer) {
    const fs::path presented = folder / "presented.tga";
    Outcome outcome = runViewer("--mode 640x480x16 --frames 4 --cursor --pick --pointer 300,250 "
                                "--presented " + quoted(presented.string()) + " --screenshot " +
                                quoted((folder / "c%d.tga").string()));
    ASSERT_EQ(outcome.exitCode, 0) << outcome.output;
    EXPECT_NE(outcome.output.find("hud: cursor: overlay\n"), std::string::npos) << outcome.output;
    EXPECT_NE(outcome.output.find("pointed: column\n"), std::string::npos) << outcome.output;

    Tga shown, rendered;
    std::string why;
    ASSERT_TRUE(readTga(presented, &shown, &why)) << why;
    ASSERT_TRUE(readTga(folder / "c0.tga", &rendered, &why)) << why;
    // The arrow's hot spot is its top-left corner: white inside, a dark rim.
    EXPECT_TRUE(nearColour(shown.rgb(304, 262), 0xFFFFFF)) << hex(shown.rgb(304, 262));
    EXPECT_TRUE(nearColour(shown.rgb(301, 254), 0x141414)) << hex(shown.rgb(301, 254));
    EXPECT_FALSE(nearColour(rendered.rgb(304, 262), 0xFFFFFF)) << hex(rendered.rgb(304, 262));
    // Far from the cursor, in the sky, the two agree (the shot is taken
    // from the back buffer, a frame behind the one shown).
    EXPECT_TRUE(nearColour(shown.rgb(500, 100), rendered.rgb(500, 100)));
}
