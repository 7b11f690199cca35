// Reads DLGTEMPLATE memory: fixed header, variable-length strings of UTF-16
// code units (or 0xFFFF and an ordinal), items on DWORD boundaries.
#include "user/dialog_template.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>

namespace platform::user {
namespace {

class Reader {
public:
    Reader(const void* data, size_t size)
        : base(static_cast<const unsigned char*>(data)), size(size) {}

    bool read(void* out, size_t bytes) {
        if (offset > size || bytes > size - offset)
            return false;
        std::memcpy(out, base + offset, bytes);
        offset += bytes;
        return true;
    }
    bool word(WORD* out) { return read(out, sizeof *out); }
    void alignTo(size_t boundary) { offset = (offset + boundary - 1) / boundary * boundary; }

    // A string, or an ordinal written as "#n"; Latin-1 beyond ASCII.
    bool stringOrOrdinal(std::string* out) {
        WORD first = 0;
        if (!word(&first))
            return false;
        if (first == 0xFFFF) {
            WORD ordinal = 0;
            if (!word(&ordinal))
                return false;
            *out = "#" + std::to_string(ordinal);
            return true;
        }
        out->clear();
        for (WORD c = first; c != 0;) {
            out->push_back(c < 0x100 ? static_cast<char>(c) : '?');
            if (!word(&c))
                return false;
        }
        return true;
    }

private:
    const unsigned char* base;
    size_t size;
    size_t offset = 0;
};

std::string predefinedClass(const std::string& name) {
    static const char* const ordinals[] = {"button",  "edit",      "static",
                                           "listbox", "scrollbar", "combobox"};
    if (name.size() > 1 && name[0] == '#') {
        const unsigned long ordinal = std::strtoul(name.c_str() + 1, nullptr, 10);
        if (ordinal >= 0x80 && ordinal <= 0x85)
            return ordinals[ordinal - 0x80];
    }
    std::string lower = name;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

RECT unitsRect(short x, short y, short cx, short cy) {
    return {x, y, x + cx, y + cy};
}

bool readItem(Reader& in, DialogItemTemplate* item) {
    in.alignTo(4);
    DLGITEMTEMPLATE head{};
    std::string className, creationData;
    WORD extra = 0;
    if (!in.read(&head, sizeof head) || !in.stringOrOrdinal(&className) ||
        !in.stringOrOrdinal(&item->text) || !in.word(&extra))
        return false;
    std::vector<unsigned char> skipped(extra);
    if (extra && !in.read(skipped.data(), extra))
        return false;
    item->style = head.style;
    item->exStyle = head.dwExtendedStyle;
    item->units = unitsRect(head.x, head.y, head.cx, head.cy);
    item->id = head.id;
    item->className = predefinedClass(className);
    return true;
}

}  // namespace

bool parseDialogTemplate(const void* data, size_t size, DialogTemplate* out) {
    if (!data || !out)
        return false;
    Reader in(data, size);
    DLGTEMPLATE head{};
    std::string menu, className;
    if (!in.read(&head, sizeof head) || !in.stringOrOrdinal(&menu) || !menu.empty() ||
        !in.stringOrOrdinal(&className) || !in.stringOrOrdinal(&out->title))
        return false;
    out->style = head.style;
    out->exStyle = head.dwExtendedStyle;
    out->units = unitsRect(head.x, head.y, head.cx, head.cy);
    out->fontName.clear();
    out->pointSize = 0;
    if (head.style & DS_SETFONT)
        if (!in.word(&out->pointSize) || !in.stringOrOrdinal(&out->fontName))
            return false;
    out->items.resize(head.cdit);
    for (DialogItemTemplate& item : out->items)
        if (!readItem(in, &item))
            return false;
    return true;
}

POINT dialogBaseUnits(const DialogTemplate& dialog) {
    if (!(dialog.style & DS_SETFONT) || dialog.pointSize == 0)
        return {8, 16};
    // Cell height of a point size at 96 dpi with the usual internal leading;
    // the average width of Windows' sans-serif faces is close to 0.46 of it.
    const double height = std::round(dialog.pointSize * 96.0 / 72.0 * 1.2);
    return {static_cast<LONG>(std::lround(height * 0.46)), static_cast<LONG>(height)};
}

}  // namespace platform::user
