// Command-line options of d3dview and the checks on their values.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace viewer {

// A display mode's size as asked for on the command line ("640x480x16").
struct ModeSize {
    int width = 0;
    int height = 0;
    int depth = 0;
};

// A pixel of the render window, from its top-left corner.
struct PixelPoint {
    int x = 0;
    int y = 0;
};

struct Options {
    std::optional<ModeSize> mode;
    bool windowed = false;
    std::optional<int> frames;
    std::uint32_t background = 0x203060;  // 0xRRGGBB, a dark blue
    std::string screenshot;               // printf pattern with one integer; empty: none
    bool record = false;
    bool fps = false;
    std::string dataDir;  // empty: the resource manager's default
    bool scene = true;    // draw the demo scene; --no-scene: the background only
    bool pick = false;    // report the mesh under the pointer
    std::optional<PixelPoint> pointer;  // move the pointer there before the first frame
    bool hud = true;            // text, logo, lines and cursor over the scene
    bool cursor = false;        // the overlay cursor also when headless
    std::string presented;      // write the last presented frame (overlays too) there
    bool restoreCheck = false;  // the same picture after a mode change and a task switch
    std::string video;          // the clip to play; empty: the data root's Videos/demo.avi
    bool videoLoop = false;     // play the clip again whenever it ends
    bool effects = true;        // the scene's special effects; --no-effects: none
    std::string gallery;        // write one picture per effect and an index.html there
    bool debugInput = true;     // Ctrl+S and Ctrl+T open the driver's debug dialogs
    char showDialog = 0;        // 'S' or 'T': that dialog over the last frame, for --presented
    bool world = false;         // --scene world: the patch of the spherical world
    bool help = false;
};

struct ParseResult {
    Options options;
    std::string error;  // empty when the command line was understood
    bool ok() const { return error.empty(); }
};

// Largest frame count accepted, so that a typo cannot keep the viewer busy
// for days.
constexpr int maxFrames = 1000000;

// args excludes the program name.
ParseResult parseOptions(const std::vector<std::string>& args);
std::string usageText(const std::string& program);

// "WxHxD" with positive decimal numbers and nothing else.
std::optional<ModeSize> parseModeSize(const std::string& text);
std::string modeSizeText(const ModeSize& size);
// "RRGGBB" in hexadecimal, optionally preceded by '#' or "0x".
std::optional<std::uint32_t> parseRgb(const std::string& text);
// "X,Y" with decimal pixel coordinates (each below 65536).
std::optional<PixelPoint> parsePixelPoint(const std::string& text);
// The scene's clock advances by this many steps per second with --frames
// or headless, whatever the real frame rate.
constexpr int sceneFramesPerSecond = 30;
// A positive decimal count up to maxFrames.
std::optional<int> parseFrameCount(const std::string& text);

// A screen-shot pattern's file part is handed to the driver as a printf
// format, so it must hold exactly one integer conversion (with at most
// two-digit width and precision) and no other conversion; "%%" is a literal
// percent sign. The folder part must hold no '%' at all. Returns an empty
// string when the pattern is acceptable, else why not.
std::string checkShotPattern(const std::string& pattern);
// Where the files of a checked pattern go: the real folder (the pattern's
// folder part, taken from base when it is relative) and the file-name
// pattern inside it.
struct ShotTarget {
    std::string folder;
    std::string fileName;
};
ShotTarget splitShotPattern(const std::string& pattern, const std::string& base);

// The name the pattern gives shot number n (the pattern must have passed
// checkShotPattern).
std::string shotName(const std::string& pattern, int number);

}  // namespace viewer
