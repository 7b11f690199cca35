// Bitmap fonts: glyphs copied one by one with a colour-keyed BltFast from a
// plain surface holding the font image, and the registry of the fonts the
// engine asked for by name.
#pragma once

#include "driver.h"
#include "font_settings.h"
#include "texture_interface.h"

#include <engine/core/render_image.h>

#include <ddraw.h>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

class D3DDRIVER_API BitmapFont final : public FontInterface {
public:
    explicit BitmapFont(const char* name);
    // Hands the texture and the surface back to the texture manager.
    ~BitmapFont();
    BitmapFont(const BitmapFont&) = delete;
    BitmapFont& operator=(const BitmapFont&) = delete;

    // FontInterface, in slot order.
    int getTextWidth(const char* text) override { return settings.textWidth(text); }
    virtual int getTextHeight(const char* text = nullptr);
    virtual int getCharWidth(char c) { return settings.glyph(c).width; }
    virtual int getCharHeight(char c = 0);
    virtual bool hasChar(char c) { return settings.glyph(c).defined; }

    // Lines 2 and on of the settings file; false when they cannot be read.
    bool readSettings(FontLineReader& reader) { return readFontSettings(reader, settings); }
    // Takes over both containers.
    void setImages(TextureInterface* fontTexture, SurfaceInterface* fontSurface);

    // Makes the surface on the driver's DirectDraw and sets its colour key;
    // DrawException when either fails.
    void restore();
    // Gives the surface up until the next restore.
    void release();
    // Draws `text` at (x, y) of `target`, unclipped; DrawException when a
    // glyph cannot be copied.
    void drawText(IDirectDrawSurface4* target, int x, int y, const char* text);
    // Text on a texture (a 3D image's surface): draws nothing.
    void drawTextureText(IDirectDrawSurface4*, int, int, const char*) {}

    const std::string& getName() const { return name; }
    const FontSettings& getSettings() const { return settings; }
    TextureInterface* getTexture() const { return texture; }
    SurfaceInterface* getSurface() const { return surface; }

private:
    void copyGlyph(IDirectDrawSurface4* target, IDirectDrawSurface4* source, int x, int y,
                   const FontGlyph& glyph);

    std::string name;
    TextureInterface* texture = nullptr;
    SurfaceInterface* surface = nullptr;
    FontSettings settings;
    int restores = 0;  // restores not yet released, given back on destruction
};

// The registered fonts in registration order; owns them. Registration runs
// under the driver lock; restore and release come from the core thread.
class D3DDRIVER_API BitmapFontRegistry {
public:
    BitmapFontRegistry() = default;
    BitmapFontRegistry(const BitmapFontRegistry&) = delete;
    BitmapFontRegistry& operator=(const BitmapFontRegistry&) = delete;

    // The font of that name (exact case), loaded from "/Configs/Fonts/<name>.fnt"
    // and its image in "/Images/Fonts" on the first call. Null, with an error
    // logged, when the settings file is missing. A missing image, unreadable
    // settings or an image that cannot be made are logged as "required image
    // not found", "can't read font settings" or "can't create image", a
    // failed restore of the font with its text; each gives null. Nothing is
    // thrown, and the registry is unchanged by every failure.
    BitmapFont* registerFont(const char* name);
    BitmapFont* find(const char* name) const;

    // Around each video mode; a font that cannot be restored is logged.
    void restoreAll();
    void releaseAll();
    // Deletes every font.
    void clear();
    std::size_t size() const;

private:
    std::unique_ptr<BitmapFont> load(const char* name, const std::string& settingsFile);

    mutable std::mutex mutex;
    std::vector<std::unique_ptr<BitmapFont>> fonts;
};

extern D3DDRIVER_API BitmapFontRegistry theBitmapFonts;
