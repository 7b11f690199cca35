// Writes a dialog template in its in-memory form (DLGTEMPLATE with
// DS_SETFONT, then the items), the resource compiler's job: a module keeps
// the result among its resources. Text is ASCII.
#pragma once

#include <windows.h>

#include <cstring>
#include <vector>

namespace platform {

class DialogResource {
public:
    DialogResource(DWORD style, short x, short y, short cx, short cy, const char* title,
                   WORD pointSize, const char* font) {
        putLong(style | DS_SETFONT);
        putLong(0);
        words.push_back(0);  // item count, counted by item()
        for (short v : {x, y, cx, cy})
            words.push_back(static_cast<WORD>(v));
        words.push_back(0);  // no menu
        words.push_back(0);  // the dialog class
        putString(title);
        words.push_back(pointSize);
        putString(font);
    }

    // `className`: "Button", "Edit", "Static" (written as their ordinals) or
    // any registered class name.
    DialogResource& item(const char* className, const char* text, WORD id, short x, short y,
                         short cx, short cy, DWORD style, DWORD exStyle = 0) {
        if (words.size() % 2)
            words.push_back(0);
        putLong(style);
        putLong(exStyle);
        for (short v : {x, y, cx, cy})
            words.push_back(static_cast<WORD>(v));
        words.push_back(id);
        const WORD ordinal = classOrdinal(className);
        if (ordinal) {
            words.push_back(0xFFFF);
            words.push_back(ordinal);
        } else {
            putString(className);
        }
        putString(text);
        words.push_back(0);  // no creation data
        ++words[4];
        return *this;
    }

    const void* data() const { return words.data(); }
    DWORD size() const { return static_cast<DWORD>(words.size() * sizeof(WORD)); }

private:
    static WORD classOrdinal(const char* name) {
        const char* const known[] = {"button", "edit", "static"};
        for (WORD i = 0; i < 3; ++i)
            if (strcasecmp(name, known[i]) == 0)
                return static_cast<WORD>(0x80 + i);
        return 0;
    }
    void putLong(DWORD value) {
        words.push_back(LOWORD(value));
        words.push_back(HIWORD(value));
    }
    void putString(const char* text) {
        for (const char* c = text ? text : ""; *c; ++c)
            words.push_back(static_cast<unsigned char>(*c));
        words.push_back(0);
    }

    std::vector<WORD> words;
};

}  // namespace platform
