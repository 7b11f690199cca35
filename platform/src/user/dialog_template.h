// Dialog templates in their in-memory form, read into items the dialog
// manager creates, and the registry of templates known by name.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>
#include <vector>

namespace platform::user {

struct DialogItemTemplate {
    DWORD style = 0;
    DWORD exStyle = 0;
    RECT units{};  // left, top, right, bottom in dialog units
    WORD id = 0;
    std::string className;  // lower case; the ordinal classes by name
    std::string text;
};

struct DialogTemplate {
    DWORD style = 0;
    DWORD exStyle = 0;
    RECT units{};
    std::string title;
    std::string fontName;
    WORD pointSize = 0;
    std::vector<DialogItemTemplate> items;
};

// False for a template that runs past `size` bytes or names a menu.
bool parseDialogTemplate(const void* data, size_t size, DialogTemplate* out);

// Average character width and height of the template's font in pixels, as
// GetTextMetrics would give them at 96 dots per inch; without DS_SETFONT the
// system font's.
POINT dialogBaseUnits(const DialogTemplate& dialog);

// A template registered by a test under a name, when no module has it.
bool registeredTemplate(LPCSTR name, DialogTemplate* out);

}  // namespace platform::user
