#include "gallery.h"

#include "scene/demo_scene.h"

#include <platform/testing.h>

#include <png.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <vector>

namespace fs = std::filesystem;

namespace viewer {

namespace {

struct Picture {
    unsigned effects;
    std::string file;
    std::string title;
    std::string note;
    float time;  // scene time of the picture
};

std::vector<Picture> pictures() {
    using namespace scene;
    std::vector<Picture> list = {{0, "none.png", "no effect", "the demo scene as it is", 3.0f}};
    const char* notes[] = {
        "a fade in from black, halfway",
        "a ribbon behind the rolling ball, fading with age",
        "the column outlined by its edges (contour type 0)",
        "a soft ring of light round the glass bubble",
        "the ring dissolving, halfway gone",
        "halos over the point light (right of the column) and the spot light",
        "a smoke plume, its sprites drawn sorted far to near",
        "a spark fountain in the glass pool, mirrored below it",
        "the ring at 40 % opacity, the ground showing through it",
        "the marble ball's material at 50 % opacity",
        "the column fading with the camera's distance (opaque from 11 units, 15 % at 6)",
        "the ring glowing orange, added over the picture",
        "every mesh fading into the background colour from 5 to 12 units away",
        "the column lit from the eye along the line of sight",
        "the ball's ambient light raised towards green",
        "the column lit evenly by the light at its centre",
        "the ring's lit colours scaled towards blue",
        "a pool of water rippled by drops, lit by the lamp and the sun",
        "a swamp beside the column, brighter where the camera looks down on it"};
    const float times[] = {0.75f, 1.5f, 3.0f, 3.0f, 1.0f, 3.6f, 6.7f, 6.7f, 3.0f, 1.5f,
                           3.0f, 3.0f, 3.0f, 3.0f, 3.0f, 3.0f, 3.0f, 3.0f, 3.0f};
    std::size_t i = 0;
    for (const SceneEffectName& name : sceneEffectNames()) {
        list.push_back({name.effect, std::string(name.name) + ".png", name.title, notes[i], times[i]});
        ++i;
    }
    for (const MappingMirrorEffectName& name : mappingMirrorEffectNames())
        list.push_back({name.effect, std::string(name.name) + ".png", name.title, name.note, 3.0f});
    return list;
}

}  // namespace

bool writePng(const std::string& file, unsigned width, unsigned height,
              const std::vector<unsigned>& pixels) {
    if (width == 0 || height == 0 || pixels.size() != std::size_t(width) * height)
        return false;
    std::vector<png_byte> rgb(std::size_t(width) * height * 3);
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        rgb[3 * i] = png_byte(pixels[i] >> 16);
        rgb[3 * i + 1] = png_byte(pixels[i] >> 8);
        rgb[3 * i + 2] = png_byte(pixels[i]);
    }
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = width;
    image.height = height;
    image.format = PNG_FORMAT_RGB;
    const int ok = png_image_write_to_file(&image, file.c_str(), 0, rgb.data(), 0, nullptr);
    png_image_free(&image);
    return ok != 0;
}

void writeGallery(RenderDriver& driver, const std::string& folder, const GallerySettings& settings,
                  std::ostream& out) {
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (!fs::is_directory(folder))
        throw std::runtime_error("cannot make the folder " + folder);
    scene::SceneContent content;
    const std::vector<Picture> list = pictures();
    for (const Picture& picture : list) {
        // A second of frames before the picture, so that the trace has a path.
        constexpr int frames = 30;
        int frame = 0;
        scene::SceneSession::Settings sessionSettings;
        sessionSettings.aspect = settings.aspect;
        sessionSettings.effects = picture.effects;
        sessionSettings.contourTarget = "column";
        sessionSettings.clock = [&frame, &picture] {
            return picture.time - float(frames - 1 - frame) / 30.0f;
        };
        scene::SceneSession session(driver, content, std::move(sessionSettings));
        if (!session.ready())
            throw std::runtime_error("no scene: " + session.whyNot());
        if (picture.effects && !(session.effectsShown() & picture.effects))
            throw std::runtime_error("the driver made no " + picture.title);
        for (frame = 0; frame < frames; ++frame)
            settings.drawFrame();
        const platform::testing::PresentedFrame shown = platform::testing::lastPresentedFrame();
        std::vector<unsigned> pixels(shown.pixels.begin(), shown.pixels.end());
        const std::string file = (fs::path(folder) / picture.file).string();
        if (shown.number == 0 || !writePng(file, shown.width, shown.height, pixels))
            throw std::runtime_error("cannot write " + file);
        out << "gallery: " << file << "\n";
    }
    std::ofstream index(fs::path(folder) / "index.html");
    index << "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>Effects</title>\n"
             "<style>body{font-family:sans-serif;background:#222;color:#ddd}"
             "figure{display:inline-block;margin:8px}img{width:320px}</style></head>\n"
             "<body><h1>Special effects</h1>\n";
    for (const Picture& picture : list)
        index << "<figure><img src=\"" << picture.file << "\" alt=\"" << picture.title
              << "\"><figcaption><b>" << picture.title << "</b>: " << picture.note
              << "</figcaption></figure>\n";
    index << "</body></html>\n";
    if (!index)
        throw std::runtime_error("cannot write " + (fs::path(folder) / "index.html").string());
    out << "gallery: " << (fs::path(folder) / "index.html").string() << "\n";
}

}  // namespace viewer
