// Dialog drawing in the classic grey style with the GDI's built-in 6 x 8
// glyphs, set proportionally as a dialog font is: caption bar, group boxes, raised buttons, check and radio boxes,
// white edits, track bar channels and thumbs, colour swatches.
#include "user/dialog_painter.h"

#include "gdi/bitmap_font.h"
#include "user/controls.h"
#include "user/dialogs.h"
#include "user/user_state.h"

#include <commctrl.h>

#include <algorithm>
#include <string>

namespace platform::user {
namespace {

constexpr DWORD kFace = 0xFFD4D0C8, kLight = 0xFFFFFFFF, kShadow = 0xFF808080, kDark = 0xFF404040,
                kText = 0xFF000000, kCaption = 0xFF0A246A, kWhite = 0xFFFFFFFF, kFocus = 0xFF0A246A;
constexpr int kCaptionHeight = 18;

// A glyph's inked columns and one blank (the next glyph's clear first
// column); a space is three pixels. Fixed 6-pixel cells would cut the
// captions that the templates size for a proportional font.
LONG advance(unsigned char c) {
    if (c == ' ')
        return 3;
    const uint8_t* rows = gdi::glyphRows(c);
    uint8_t inked = 0;
    for (int row = 0; row < gdi::kCellHeight; ++row)
        inked |= rows[row];
    LONG last = 1;
    for (int col = 1; col < gdi::kCellWidth; ++col)
        if (inked & (0x80 >> col))
            last = col;
    return last + 1;
}

LONG textWidth(const std::string& s) {
    LONG width = 0;
    for (unsigned char c : s)
        width += advance(c);
    return width;
}

class Canvas {
public:
    Canvas(std::vector<DWORD>& pixels, LONG width, LONG height)
        : pixels(pixels), width(width), height(height) {}

    void fill(RECT r, DWORD colour) {
        for (LONG y = std::max(r.top, clip.top); y < std::min(r.bottom, clip.bottom); ++y)
            for (LONG x = std::max(r.left, clip.left); x < std::min(r.right, clip.right); ++x)
                pixels[static_cast<size_t>(y) * width + x] = colour;
    }
    void frame(RECT r, DWORD topLeft, DWORD bottomRight) {
        fill({r.left, r.top, r.right, r.top + 1}, topLeft);
        fill({r.left, r.top, r.left + 1, r.bottom}, topLeft);
        fill({r.left, r.bottom - 1, r.right, r.bottom}, bottomRight);
        fill({r.right - 1, r.top, r.right, r.bottom}, bottomRight);
    }
    void text(LONG x, LONG y, const std::string& line, DWORD colour) {
        for (unsigned char c : line) {
            const uint8_t* rows = gdi::glyphRows(c);
            for (int row = 0; row < gdi::kCellHeight; ++row)
                for (int col = 0; col < gdi::kCellWidth; ++col)
                    if (rows[row] & (0x80 >> col))
                        fill({x + col, y + row, x + col + 1, y + row + 1}, colour);
            x += advance(c);
        }
    }
    void setClip(RECT r) {
        clip = {std::max(r.left, LONG{0}), std::max(r.top, LONG{0}), std::min(r.right, width),
                std::min(r.bottom, height)};
    }

private:
    std::vector<DWORD>& pixels;
    LONG width, height;
    RECT clip{};
};

std::string windowText(HWND hwnd) {
    char text[4096] = {};
    GetWindowTextA(hwnd, text, sizeof text);
    std::string s = text;
    s.erase(std::remove(s.begin(), s.end(), '&'), s.end());  // no mnemonics drawn
    return s;
}


void drawBox(Canvas& c, RECT r, const std::string& caption, bool checked, bool radio, DWORD ink) {
    const LONG top = (r.top + r.bottom) / 2 - 5;
    const RECT box{r.left, top, r.left + 11, top + 11};
    c.fill(box, kWhite);
    c.frame(box, kShadow, kLight);
    if (checked) {
        const LONG inset = radio ? 3 : 2;
        c.fill({box.left + inset, box.top + inset, box.right - inset, box.bottom - inset}, ink);
    }
    c.text(r.left + 15, (r.top + r.bottom) / 2 - 4, caption, ink);
}

void drawButton(Canvas& c, HWND item, RECT r, DWORD style, DWORD ink) {
    const std::string caption = windowText(item);
    const DWORD kind = style & BS_TYPEMASK;
    const UINT check = static_cast<UINT>(SendMessageA(item, BM_GETCHECK, 0, 0));
    if (kind == BS_GROUPBOX) {
        c.frame({r.left, r.top + 4, r.right, r.bottom}, kShadow, kShadow);
        c.fill({r.left + 6, r.top, r.left + 8 + textWidth(caption), r.top + 9}, kFace);
        c.text(r.left + 7, r.top, caption, ink);
    } else if (kind == BS_AUTOCHECKBOX || kind == BS_CHECKBOX || kind == BS_AUTO3STATE) {
        drawBox(c, r, caption, check == BST_CHECKED, false, ink);
    } else if (kind == BS_AUTORADIOBUTTON || kind == BS_RADIOBUTTON) {
        drawBox(c, r, caption, check == BST_CHECKED, true, ink);
    } else {
        const LONG_PTR swatch = GetWindowLongPtrA(item, GWLP_USERDATA);
        c.fill(r, (swatch >> 32) ? 0xFF000000 | (DWORD(swatch & 0xFF) << 16) |
                                       DWORD(swatch & 0xFF00) | DWORD((swatch >> 16) & 0xFF)
                                 : kFace);
        c.frame(r, kLight, kDark);
        if (kind == BS_DEFPUSHBUTTON)
            c.frame({r.left - 1, r.top - 1, r.right + 1, r.bottom + 1}, kText, kText);
        c.text((r.left + r.right - textWidth(caption)) / 2, (r.top + r.bottom) / 2 - 4, caption,
               ink);
    }
}

void drawEdit(Canvas& c, HWND item, RECT r, DWORD style, DWORD ink) {
    c.fill(r, (style & ES_READONLY) ? kFace : kWhite);
    c.frame(r, kShadow, kLight);
    const std::string text = windowText(item);
    const int first = static_cast<int>(SendMessageA(item, EM_GETFIRSTVISIBLELINE, 0, 0));
    LONG y = r.top + 3;
    int line = 0;
    for (size_t start = 0; start <= text.size(); ++line) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string part = text.substr(start, end - start);
        part.erase(std::remove(part.begin(), part.end(), '\r'), part.end());
        std::replace(part.begin(), part.end(), '\t', ' ');
        if (line >= first) {
            c.text(r.left + 3, y, part, ink);
            y += gdi::kCellHeight + 1;
        }
        start = end + 1;
    }
}

void drawTrackBar(Canvas& c, HWND item, RECT r, DWORD style) {
    const bool vertical = (style & TBS_VERT) != 0;
    const LONG mx = (r.left + r.right) / 2, my = (r.top + r.bottom) / 2;
    const RECT channel = vertical ? RECT{mx - 2, r.top + 5, mx + 2, r.bottom - 5}
                                  : RECT{r.left + 5, my - 2, r.right - 5, my + 2};
    c.fill(channel, kWhite);
    c.frame(channel, kShadow, kLight);
    const POINT at = trackBarPoint(item, static_cast<int>(SendMessageA(item, TBM_GETPOS, 0, 0)));
    const RECT thumb = vertical
                           ? RECT{r.left + 2, r.top + at.y - 4, r.right - 2, r.top + at.y + 5}
                           : RECT{r.left + at.x - 4, r.top + 2, r.left + at.x + 5, r.bottom - 2};
    c.fill(thumb, kFace);
    c.frame(thumb, kLight, kDark);
}

// Static text breaks at spaces to stay inside its rectangle.
void drawWrapped(Canvas& c, RECT r, const std::string& text, DWORD ink) {
    const LONG room = std::max(LONG{1}, r.right - r.left);
    LONG y = r.top;
    size_t start = 0;
    while (start < text.size()) {
        // The most characters that fit, at least one; then back to a space.
        size_t end = start + 1;
        while (end < text.size() && textWidth(text.substr(start, end + 1 - start)) <= room)
            ++end;
        if (end < text.size()) {
            const size_t space = text.rfind(' ', end);
            if (space != std::string::npos && space > start)
                end = space;
        }
        c.text(r.left, y, text.substr(start, end - start), ink);
        y += gdi::kCellHeight + 1;
        start = end < text.size() && text[end] == ' ' ? end + 1 : end;
    }
}

void drawItem(Canvas& c, HWND item, RECT r) {
    const DWORD style = static_cast<DWORD>(GetWindowLongA(item, GWL_STYLE));
    const DWORD ink = (style & WS_DISABLED) ? kShadow : kText;
    const std::string cls = windowClassName(item);
    c.setClip(r);
    if (cls == "button")
        drawButton(c, item, r, style, ink);
    else if (cls == "edit")
        drawEdit(c, item, r, style, ink);
    else if (cls == TRACKBAR_CLASSA)
        drawTrackBar(c, item, r, style);
    else if (style & WS_BORDER)
        c.fill(r, 0xFF000000 | static_cast<DWORD>(GetWindowLongPtrA(item, GWLP_USERDATA)));
    else
        drawWrapped(c, r, windowText(item), ink);
    if (GetFocus() == item) {
        c.setClip({r.left - 2, r.top - 2, r.right + 2, r.bottom + 2});
        c.frame({r.left - 2, r.top - 2, r.right + 2, r.bottom + 2}, kFocus, kFocus);
    }
}

}  // namespace

HWND windowUnder(HWND dialog) {
    HWND owner = dialog;
    for (int depth = 0; depth < 16; ++depth) {
        std::lock_guard<std::mutex> lock(state().mutex);
        auto w = findWindowLocked(owner);
        if (!w || !w->dialog)
            return owner;
        owner = w->dialog->owner;
    }
    return nullptr;
}

namespace {

RECT relativeTo(HWND hwnd, POINT origin) {
    RECT r{};
    GetWindowRect(hwnd, &r);
    OffsetRect(&r, -origin.x, -origin.y);
    return r;
}

void paintDialog(Canvas& c, HWND dialog, POINT origin) {
    RECT outer = relativeTo(dialog, origin);
    POINT client{0, 0};
    ClientToScreen(dialog, &client);
    c.setClip(outer);
    c.fill(outer, kFace);
    c.frame(outer, kLight, kDark);
    c.fill({outer.left + 3, outer.top + 3, outer.right - 3, client.y - origin.y - 1}, kCaption);
    c.text(outer.left + 6, outer.top + 3 + (kCaptionHeight - 8) / 2 - 2, windowText(dialog),
           kWhite);
    for (HWND item : childWindows(dialog))
        if (IsWindowVisible(item))
            drawItem(c, item, relativeTo(item, origin));
}

// Visible dialogs that have not ended, the oldest (lowest) first.
std::vector<HWND> shownDialogs() {
    std::vector<HWND> shown;
    std::lock_guard<std::mutex> lock(state().mutex);
    for (const auto& entry : state().windows)
        if (entry.second->dialog && entry.second->visible && !entry.second->dialog->ended)
            shown.push_back(entry.second->handle);
    return shown;
}

}  // namespace

HWND dialogOver(HWND window) {
    const std::vector<HWND> running = runningDialogs();
    for (auto it = running.rbegin(); it != running.rend(); ++it)
        if (windowUnder(*it) == window)
            return *it;
    return nullptr;
}

bool dialogsShownOver(HWND window) {
    for (HWND dialog : shownDialogs())
        if (windowUnder(dialog) == window)
            return true;
    return false;
}

void paintDialogsOver(HWND window, DWORD width, DWORD height, std::vector<DWORD>& pixels) {
    if (!window || pixels.size() < static_cast<size_t>(width) * height)
        return;
    POINT origin{0, 0};
    ClientToScreen(window, &origin);
    Canvas canvas(pixels, static_cast<LONG>(width), static_cast<LONG>(height));
    for (HWND dialog : shownDialogs())
        if (windowUnder(dialog) == window)
            paintDialog(canvas, dialog, origin);
}

}  // namespace platform::user
