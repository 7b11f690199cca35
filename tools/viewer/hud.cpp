#include "hud.h"

#include <engine/core/render_2d.h>
#include <engine/core/render_driver.h>
#include <engine/core/render_image.h>
#include <engine/core/video_mode.h>
#include <engine/core/window_interface.h>

#include <cstdio>
#include <exception>

namespace viewer {
namespace {

// Magenta marks what the images leave transparent.
const Color keyColour{1.0f, 0.0f, 1.0f, 1.0f};
constexpr int margin = 8;
constexpr int textWidth = 300;
constexpr int lineHeight = 18;
constexpr int textLinesMax = 3;
// Frame times are averaged over this many frames.
constexpr std::size_t timedFrames = 10;

std::string modeLine(const VideoMode& mode) {
    return std::to_string(mode.getWidth()) + " x " + std::to_string(mode.getHeight()) + " x " +
           std::to_string(mode.getColorDepth());
}

void centreSystemCursor() {
    if (!theRenderWindow)
        return;
    POINT centre{theRenderWindow->getWidth() / 2, theRenderWindow->getHeight() / 2};
    if (ClientToScreen(theRenderWindow->getHandle(), &centre))
        SetCursorPos(centre.x, centre.y);
}

}  // namespace

Hud::Hud(RenderDriver& driver, const VideoMode& mode, Settings settings)
    : driver(driver), settings(std::move(settings)), modeText(modeLine(mode)) {
    makeText(mode);
    makeFrameLines(mode);
    makeLogo(mode);
    if (this->settings.cursor)
        makeCursor();
}

Hud::~Hud() {
    if (cursorOn) {
        driver.hideCursor();
        driver.disableCursor();
    }
}

void Hud::makeText(const VideoMode& mode) {
    try {
        font = driver.registerFont(settings.fontName.c_str());
    } catch (const char* why) {
        messages.push_back("hud: no font \"" + settings.fontName + "\": " + why);
        return;
    }
    if (!font) {
        messages.push_back("hud: no font \"" + settings.fontName + "\"");
        return;
    }
    const int height = lineHeight * textLinesMax + 4;
    textImage = std::make_unique<Image2D>(textWidth, height);
    if (!textImage->getRenderImage()) {
        messages.push_back("hud: the driver made no image for the text");
        textImage.reset();
        return;
    }
    textImage->getRenderImage()->setColorKey(keyColour);
    // Logical screen = the mode's pixels: the text is copied 1:1.
    textDecal = std::make_unique<Decal2D>(
        textImage.get(), static_cast<float>(margin), static_cast<float>(margin),
        static_cast<float>(textWidth), static_cast<float>(height),
        static_cast<float>(mode.getWidth()), static_cast<float>(mode.getHeight()));
    if (!textDecal->getRenderDecal())
        messages.push_back("hud: the driver made no 2D decal for the text");
}

void Hud::makeFrameLines(const VideoMode& mode) {
    // A thin yellow frame around the text panel, in the mode's pixels.
    const float w = static_cast<float>(mode.getWidth());
    const float h = static_cast<float>(mode.getHeight());
    const float left = margin - 4, top = margin - 4;
    const float right = margin + textWidth + 2;
    const float bottom = margin + lineHeight * textLinesMax + 6;
    const Color yellow{1.0f, 0.85f, 0.2f, 1.0f};
    const float ends[4][4] = {{left, top, right, top},
                              {left, bottom, right, bottom},
                              {left, top, left, bottom},
                              {right, top, right, bottom}};
    for (const auto& e : ends)
        frameLines.push_back(std::make_unique<Line>(e[0], e[1], e[2], e[3], 1, yellow, w, h));
    if (!frameLines.front()->getRenderLine())
        messages.push_back("hud: the driver made no screen lines");
}

void Hud::makeLogo(const VideoMode& mode) {
    logoImage = std::make_unique<Image2D>("/Images/logo.tga", true);
    RenderImage* picture = logoImage->getRenderImage();
    if (!picture || picture->getWidth() <= 0) {
        messages.push_back("hud: no logo image /Images/logo.tga");
        logoImage.reset();
        return;
    }
    picture->setColorKey(keyColour);
    const float size = static_cast<float>(picture->getWidth());
    logoDecal = std::make_unique<Decal2D>(
        logoImage.get(), static_cast<float>(mode.getWidth()) - size - margin,
        static_cast<float>(margin), size, static_cast<float>(picture->getHeight()),
        static_cast<float>(mode.getWidth()), static_cast<float>(mode.getHeight()));
}

void Hud::makeCursor() {
    if (!driver.isCursorSupported()) {
        messages.push_back("hud: cursor: the display has no overlay cursor");
        return;
    }
    cursorImage = std::make_unique<Image2D>("/Images/cursor.tga", true);
    RenderImage* picture = cursorImage->getRenderImage();
    if (!picture || picture->getWidth() <= 0) {
        messages.push_back("hud: cursor: no image /Images/cursor.tga");
        return;
    }
    // The driver's mouse turns moves away from the window's centre into
    // pointer moves; starting there keeps the pointer where it is.
    centreSystemCursor();
    // Enabling makes the overlay anew, so the picture and key come after.
    const bool made = driver.setCursorSize(picture->getWidth(), picture->getHeight()) &&
                      driver.enableCursor() && driver.setCursorImage(picture) &&
                      driver.setCursorColorKey(keyColour) && driver.setCursorHotspot(0, 0);
    if (!made) {
        messages.push_back("hud: cursor: the driver refused the overlay cursor");
        return;
    }
    // The driver's pointer starts where the mouse's does.
    driver.setMousePointerPosition(0.5f, 0.5f);
    cursorOn = driver.showCursor();
    messages.push_back(cursorOn ? "hud: cursor: overlay" : "hud: cursor: overlay not shown");
}

double Hud::frameMilliseconds() {
    frameStarts.push_back(std::chrono::steady_clock::now());
    if (frameStarts.size() > timedFrames + 1)
        frameStarts.pop_front();
    if (frameStarts.size() < 2)
        return 0.0;
    const std::chrono::duration<double, std::milli> span = frameStarts.back() - frameStarts.front();
    return span.count() / static_cast<double>(frameStarts.size() - 1);
}

std::vector<std::string> Hud::currentText() {
    char frame[64];
    std::snprintf(frame, sizeof frame, "frame %.1f ms", frameMilliseconds());
    std::vector<std::string> text{frame, modeText};
    if (settings.pointed) {
        const std::string name = settings.pointed();
        text.push_back("pointed: " + (name.empty() ? std::string("none") : name));
    }
    return text;
}

void Hud::drawText(const std::vector<std::string>& text) {
    RenderImage& image = *textImage->getRenderImage();
    DrawSettings drawing;
    drawing.font = font;
    drawing.color = keyColour;
    image.setDrawSettings(&drawing);
    image.beginDrawSession();
    try {
        image.drawBar(0, 0, image.getWidth(), image.getHeight());
        int y = 2;
        for (const std::string& line : text) {
            image.drawText(2, y, line.c_str());
            y += lineHeight;
        }
    } catch (...) {
        image.endDrawSession();
        image.setDrawSettings(nullptr);
        throw;
    }
    image.endDrawSession();
    image.setDrawSettings(nullptr);
}

void Hud::initFrame(float) {
    std::vector<std::string> text = currentText();
    if (hasText() && textDecal->getRenderDecal()) {
        try {
            if (text != lines)
                drawText(text);
            driver.renderDecal(textDecal->getRenderDecal());
        } catch (const std::exception&) {
            // A lost surface, say: the text is drawn again next frame.
            text.clear();
        }
    }
    lines = std::move(text);
    for (const auto& line : frameLines)
        if (line->getRenderLine())
            driver.renderLine(line->getRenderLine());
    if (logoDecal && logoDecal->getRenderDecal())
        driver.renderDecal(logoDecal->getRenderDecal());
}

}  // namespace viewer
