#include "options.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>

namespace viewer {
namespace {

// Digits only, no sign, no spaces: strtol would accept " +12".
std::optional<long long> parseDecimal(const std::string& text, long long limit) {
    if (text.empty() || text.size() > 9)
        return std::nullopt;
    long long value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    if (value > limit)
        return std::nullopt;
    return value;
}

std::vector<std::string> split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::string::size_type begin = 0;
    for (;;) {
        const auto end = text.find(separator, begin);
        parts.push_back(text.substr(begin, end - begin));
        if (end == std::string::npos)
            return parts;
        begin = end + 1;
    }
}

// Reads up to two digits at text[*at]; false when there are more.
bool skipShortNumber(const std::string& text, std::string::size_type* at) {
    int digits = 0;
    while (*at < text.size() && std::isdigit(static_cast<unsigned char>(text[*at]))) {
        ++*at;
        ++digits;
    }
    return digits <= 2;
}

// Counts the integer conversions of a file-name pattern; returns an error
// text for anything else that printf would read as a conversion.
std::string countConversions(const std::string& name, int* count) {
    *count = 0;
    for (std::string::size_type i = 0; i < name.size(); ++i) {
        if (name[i] != '%')
            continue;
        ++i;
        if (i < name.size() && name[i] == '%')
            continue;
        while (i < name.size() && std::strchr("-+ #0", name[i]))
            ++i;
        if (!skipShortNumber(name, &i))
            return "a field width of more than two digits";
        if (i < name.size() && name[i] == '.') {
            ++i;
            if (!skipShortNumber(name, &i))
                return "a precision of more than two digits";
        }
        if (i >= name.size())
            return "an unfinished '%' conversion at the end";
        if (!std::strchr("diouxX", name[i]))
            return std::string("the conversion '%") + name[i] +
                   "' (only one integer conversion such as %03d is allowed)";
        ++*count;
    }
    return {};
}

using Handler = std::function<std::string(Options&, const std::string&)>;

struct OptionSpec {
    bool takesValue;
    Handler apply;
};

const std::map<std::string, OptionSpec>& optionTable() {
    static const std::map<std::string, OptionSpec> table = {
        {"--mode",
         {true,
          [](Options& o, const std::string& v) -> std::string {
              o.mode = parseModeSize(v);
              return o.mode ? "" : "--mode wants WIDTHxHEIGHTxDEPTH, e.g. 640x480x16, not '" + v + "'";
          }}},
        {"--windowed", {false, [](Options& o, const std::string&) { o.windowed = true; return std::string(); }}},
        {"--frames",
         {true,
          [](Options& o, const std::string& v) -> std::string {
              o.frames = parseFrameCount(v);
              return o.frames ? "" : "--frames wants a count from 1 to " + std::to_string(maxFrames) + ", not '" + v + "'";
          }}},
        {"--background",
         {true,
          [](Options& o, const std::string& v) -> std::string {
              const auto rgb = parseRgb(v);
              if (!rgb)
                  return "--background wants a colour RRGGBB in hexadecimal, e.g. 203060, not '" + v + "'";
              o.background = *rgb;
              return {};
          }}},
        {"--screenshot",
         {true,
          [](Options& o, const std::string& v) -> std::string {
              const std::string why = checkShotPattern(v);
              if (!why.empty())
                  return "--screenshot '" + v + "': " + why;
              o.screenshot = v;
              return {};
          }}},
        {"--record", {false, [](Options& o, const std::string&) { o.record = true; return std::string(); }}},
        {"--fps", {false, [](Options& o, const std::string&) { o.fps = true; return std::string(); }}},
        {"--data",
         {true,
          [](Options& o, const std::string& v) -> std::string {
              if (v.empty())
                  return "--data wants a folder";
              o.dataDir = v;
              return {};
          }}},
        {"--scene",
         {true,
          [](Options& o, const std::string& v) -> std::string {
              if (v != "demo" && v != "world")
                  return "--scene wants demo or world, not '" + v + "'";
              o.world = v == "world";
              return {};
          }}},
        {"--no-scene", {false, [](Options& o, const std::string&) { o.scene = false; return std::string(); }}},
        {"--pick", {false, [](Options& o, const std::string&) { o.pick = true; return std::string(); }}},
        {"--pointer",
         {true,
          [](Options& o, const std::string& v) -> std::string {
              o.pointer = parsePixelPoint(v);
              return o.pointer ? "" : "--pointer wants X,Y in pixels, e.g. 320,240, not '" + v + "'";
          }}},
        {"--no-hud", {false, [](Options& o, const std::string&) { o.hud = false; return std::string(); }}},
        {"--cursor", {false, [](Options& o, const std::string&) { o.cursor = true; return std::string(); }}},
        {"--presented",
         {true,
          [](Options& o, const std::string& v) -> std::string {
              if (v.empty())
                  return "--presented wants a file name";
              o.presented = v;
              return {};
          }}},
        {"--no-effects", {false, [](Options& o, const std::string&) { o.effects = false; return std::string(); }}},
        {"--gallery",
         {true,
          [](Options& o, const std::string& v) -> std::string {
              if (v.empty())
                  return "--gallery wants a folder";
              o.gallery = v;
              return {};
          }}},
        {"--no-debug-input",
         {false, [](Options& o, const std::string&) { o.debugInput = false; return std::string(); }}},
        {"--show-dialog",
         {true,
          [](Options& o, const std::string& v) -> std::string {
              if (v != "settings" && v != "statistics")
                  return "--show-dialog wants settings or statistics, not '" + v + "'";
              o.showDialog = v == "settings" ? 'S' : 'T';
              return {};
          }}},
        {"--restore-check",
         {false, [](Options& o, const std::string&) { o.restoreCheck = true; return std::string(); }}},
        {"--video",
         {true,
          [](Options& o, const std::string& v) -> std::string {
              if (v.empty())
                  return "--video wants an AVI file";
              o.video = v;
              return {};
          }}},
        {"--video-loop", {false, [](Options& o, const std::string&) { o.videoLoop = true; return std::string(); }}},
        {"--help", {false, [](Options& o, const std::string&) { o.help = true; return std::string(); }}},
        {"-h", {false, [](Options& o, const std::string&) { o.help = true; return std::string(); }}},
    };
    return table;
}

}  // namespace

std::optional<ModeSize> parseModeSize(const std::string& text) {
    const auto parts = split(text, 'x');
    if (parts.size() != 3)
        return std::nullopt;
    const auto width = parseDecimal(parts[0], 65535);
    const auto height = parseDecimal(parts[1], 65535);
    const auto depth = parseDecimal(parts[2], 64);
    if (!width || !height || !depth || *width == 0 || *height == 0 || *depth == 0)
        return std::nullopt;
    return ModeSize{static_cast<int>(*width), static_cast<int>(*height), static_cast<int>(*depth)};
}

std::string modeSizeText(const ModeSize& size) {
    return std::to_string(size.width) + "x" + std::to_string(size.height) + "x" +
           std::to_string(size.depth);
}

std::optional<std::uint32_t> parseRgb(const std::string& text) {
    std::string digits = text;
    if (!digits.empty() && digits[0] == '#')
        digits.erase(0, 1);
    else if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X'))
        digits.erase(0, 2);
    if (digits.size() != 6)
        return std::nullopt;
    std::uint32_t value = 0;
    for (char c : digits) {
        if (!std::isxdigit(static_cast<unsigned char>(c)))
            return std::nullopt;
        const int nibble = std::isdigit(static_cast<unsigned char>(c))
                               ? c - '0'
                               : std::tolower(static_cast<unsigned char>(c)) - 'a' + 10;
        value = value << 4 | static_cast<std::uint32_t>(nibble);
    }
    return value;
}

std::optional<PixelPoint> parsePixelPoint(const std::string& text) {
    const auto parts = split(text, ',');
    if (parts.size() != 2)
        return std::nullopt;
    const auto x = parseDecimal(parts[0], 65535);
    const auto y = parseDecimal(parts[1], 65535);
    if (!x || !y)
        return std::nullopt;
    return PixelPoint{static_cast<int>(*x), static_cast<int>(*y)};
}

std::optional<int> parseFrameCount(const std::string& text) {
    const auto value = parseDecimal(text, maxFrames);
    if (!value || *value == 0)
        return std::nullopt;
    return static_cast<int>(*value);
}

std::string checkShotPattern(const std::string& pattern) {
    const auto slash = pattern.rfind('/');
    const std::string folder = slash == std::string::npos ? "" : pattern.substr(0, slash);
    const std::string name = slash == std::string::npos ? pattern : pattern.substr(slash + 1);
    if (name.empty() || name == "." || name == "..")
        return "no file name after the folder";
    if (folder.find('%') != std::string::npos)
        return "the folder part must not contain '%'";
    if (name.size() > 200)
        return "the file name is longer than 200 characters";
    int conversions = 0;
    const std::string why = countConversions(name, &conversions);
    if (!why.empty())
        return why;
    if (conversions != 1)
        return "the file name needs exactly one integer conversion such as %03d, it has " +
               std::to_string(conversions);
    return {};
}

ShotTarget splitShotPattern(const std::string& pattern, const std::string& base) {
    const auto slash = pattern.rfind('/');
    ShotTarget target;
    target.fileName = slash == std::string::npos ? pattern : pattern.substr(slash + 1);
    std::filesystem::path folder(base);
    if (slash == 0)
        folder = "/";
    else if (slash != std::string::npos)
        folder /= pattern.substr(0, slash);  // an absolute part replaces base
    target.folder = folder.lexically_normal().string();
    if (target.folder.size() > 1 && target.folder.back() == '/')
        target.folder.pop_back();
    return target;
}

std::string shotName(const std::string& pattern, int number) {
    // The pattern has one integer conversion with short width and precision,
    // so its length is bounded; checkShotPattern made sure of that.
    const int length = std::snprintf(nullptr, 0, pattern.c_str(), number);
    if (length < 0)
        return {};
    std::string name(static_cast<std::size_t>(length) + 1, '\0');
    std::snprintf(name.data(), name.size(), pattern.c_str(), number);
    name.resize(static_cast<std::size_t>(length));
    return name;
}

ParseResult parseOptions(const std::vector<std::string>& args) {
    ParseResult result;
    const auto& table = optionTable();
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        std::optional<std::string> value;
        const auto equals = name.find('=');
        if (name.rfind("--", 0) == 0 && equals != std::string::npos) {
            value = name.substr(equals + 1);
            name.erase(equals);
        }
        const auto option = table.find(name);
        if (option == table.end()) {
            result.error = "unknown option '" + args[i] + "' (see --help)";
            return result;
        }
        if (option->second.takesValue && !value) {
            if (i + 1 >= args.size()) {
                result.error = name + " needs a value (see --help)";
                return result;
            }
            value = args[++i];
        } else if (!option->second.takesValue && value) {
            result.error = name + " takes no value";
            return result;
        }
        result.error = option->second.apply(result.options, value.value_or(""));
        if (!result.ok())
            return result;
    }
    if (result.options.showDialog && (result.options.presented.empty() || !result.options.debugInput))
        result.error = "--show-dialog needs --presented FILE and the debug input";
    else if (result.options.record && result.options.screenshot.empty())
        result.error = "--record needs --screenshot PATTERN to name the files";
    else if (result.options.world && !result.options.scene)
        result.error = "--scene world and --no-scene contradict each other";
    else if (result.options.world && (!result.options.video.empty() || result.options.videoLoop))
        result.error = "--video plays the clip in the demo scene; drop --scene world";
    else if (result.options.pick && !result.options.scene)
        result.error = "--pick needs the scene; drop --no-scene";
    else if (result.options.cursor && (!result.options.scene || !result.options.hud))
        result.error = "--cursor comes with the heads-up display; drop --no-scene and --no-hud";
    else if (!result.options.gallery.empty() &&
             (!result.options.scene || result.options.restoreCheck || result.options.record))
        result.error = "--gallery draws the scene once per effect: it needs the scene and cannot "
                       "go with --restore-check or --record";
    else if (result.options.restoreCheck && !result.options.scene)
        result.error = "--restore-check needs the scene; drop --no-scene";
    else if (result.options.restoreCheck && (result.options.windowed || result.options.record ||
                                             result.options.fps))
        result.error = "--restore-check draws a still full-screen scene: it cannot go with "
                       "--windowed, --record or --fps";
    else if ((!result.options.video.empty() || result.options.videoLoop) &&
             (!result.options.scene || result.options.restoreCheck))
        result.error = "--video and --video-loop play the clip in the moving scene; drop "
                       "--no-scene and --restore-check";
    return result;
}

std::string usageText(const std::string& program) {
    return "Usage: " + program + " [options]\n"
           "Loads the Direct3D driver, sets a video mode and draws the demo scene.\n"
           "\n"
           "  --mode WxHxD          a full-screen mode of that size and depth from the driver's\n"
           "                        list (hardware preferred); default: the driver's default mode\n"
           "  --windowed            a window of the chosen mode's width and height\n"
           "  --frames N            draw N frames, then end; without it a display window runs\n"
           "                        until it is closed or Escape is pressed, headless draws 100\n"
           "  --background RRGGBB   background colour in hexadecimal (default 203060)\n"
           "  --screenshot PATTERN  save a TGA after the last frame; PATTERN is a printf pattern\n"
           "                        with one integer, e.g. out/shot%03d.tga (folders are made)\n"
           "  --record              save every frame with the --screenshot pattern instead\n"
           "  --fps                 draw the frame-rate line\n"
           "  --data DIR            the data root (default: the repository's data/ folder)\n"
           "  --scene NAME          demo (default): the demo scene; world: a patch of the\n"
           "                        spherical world with water, swamp, mirror, chrome, glow,\n"
           "                        highlight, camera vanish and vertex fog, under its own sky\n"
           "  --no-scene            draw only the background, not the demo scene\n"
           "  --pick                print the scene's mesh under the mouse pointer whenever it\n"
           "                        changes (\"pointed: NAME\" or \"pointed: none\")\n"
           "  --pointer X,Y         move the mouse pointer to pixel X,Y of the window first\n"
           "  --no-hud              no heads-up display (text, logo, lines, cursor) over the scene\n"
           "  --cursor              show the overlay cursor also headless (with a window it is\n"
           "                        shown whenever the display has one)\n"
           "  --presented FILE      after the last frame, save the frame as presented, overlays\n"
           "                        (the cursor) included, as a 32-bit TGA\n"
           "  --no-effects          the scene without its special effects (fade in, trace,\n"
           "                        contour on the pointed mesh, aureole, dissolving ring)\n"
           "  --gallery DIR         draw the scene once per special effect, that effect alone,\n"
           "                        and write DIR/<effect>.png and DIR/index.html\n"
           "  --restore-check       draw the scene standing still, change the video mode (which\n"
           "                        rebuilds every device object), switch away from the\n"
           "                        application and back, and compare the pictures (fails\n"
           "                        when they differ)\n"
           "  --video FILE          play this AVI clip in the scene and in the bottom-right corner\n"
           "                        (default: Videos/demo.avi of the data root)\n"
           "  --video-loop          play the clip again from the start whenever it ends\n"
           "  --no-debug-input      Ctrl+S and Ctrl+T do not open the render settings and\n"
           "                        texture statistics dialogs\n"
           "  --show-dialog NAME    open the settings or statistics dialog over the last frame\n"
           "                        (as Ctrl+S or Ctrl+T do) for --presented, then cancel it\n"
           "  --help                this text\n"
           "\n"
           "Relative screen-shot paths are taken from the current folder, or from\n"
           "D3DDRIVER_WRITE_DIR when it is set. D3DDRIVER_HEADLESS=1 draws without a window.\n";
}

}  // namespace viewer
