// The viewer's heads-up display: text in the bitmap font (frame time, video
// mode, the pointed mesh) on a 2D image shown by a 2D decal, a frame of
// screen lines around it, the logo as a second 2D decal, and the overlay
// cursor. It queues its decals and lines at the start of every frame.
#pragma once

#include <engine/core/decal.h>
#include <engine/core/image.h>
#include <engine/core/line.h>
#include <engine/core/render_driver_listener.h>

#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class FontInterface;
class RenderDriver;
class VideoMode;

namespace viewer {

class Hud : public RenderDriverListener {
public:
    struct Settings {
        std::string fontName = "Default";
        // The pointed mesh's name for the text, empty for none; unset: no
        // pick line.
        std::function<std::string()> pointed;
        bool cursor = true;  // show the overlay cursor when the driver has one
    };

    // Needs the video mode set and the driver's factories published. Parts
    // that cannot be made are left out; notes() says which and why.
    Hud(RenderDriver& driver, const VideoMode& mode, Settings settings);
    ~Hud() override;
    Hud(const Hud&) = delete;
    Hud& operator=(const Hud&) = delete;

    void initFrame(float frameTime) override;

    // One line per part that could not be made, or how the cursor is shown.
    const std::vector<std::string>& notes() const { return messages; }
    bool hasText() const { return font && textImage && textDecal; }
    bool cursorShown() const { return cursorOn; }
    // The text of the last frame, line by line.
    const std::vector<std::string>& textLines() const { return lines; }

private:
    void makeText(const VideoMode& mode);
    void makeLogo(const VideoMode& mode);
    void makeFrameLines(const VideoMode& mode);
    void makeCursor();
    std::vector<std::string> currentText();
    void drawText(const std::vector<std::string>& text);
    double frameMilliseconds();

    RenderDriver& driver;
    Settings settings;
    std::string modeText;
    std::vector<std::string> messages;

    FontInterface* font = nullptr;  // the driver's
    std::unique_ptr<Image2D> textImage;
    std::unique_ptr<Decal2D> textDecal;
    std::unique_ptr<Image2D> logoImage;
    std::unique_ptr<Decal2D> logoDecal;
    std::vector<std::unique_ptr<Line>> frameLines;
    std::unique_ptr<Image2D> cursorImage;
    bool cursorOn = false;

    std::vector<std::string> lines;
    std::deque<std::chrono::steady_clock::time_point> frameStarts;
};

}  // namespace viewer
