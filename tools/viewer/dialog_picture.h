// --show-dialog: one of the driver's debug dialogs opened over the last frame
// by its hot key, so that --presented saves the picture with it; closed with
// Cancel (nothing changes) when this object goes.
#pragma once

#include <windows.h>

namespace viewer {

class ShownDialog {
public:
    // `key`: 'S' for the render settings, 'T' for the texture statistics.
    // Throws std::runtime_error when the dialog does not open.
    explicit ShownDialog(char key);
    ~ShownDialog();
    ShownDialog(const ShownDialog&) = delete;
    ShownDialog& operator=(const ShownDialog&) = delete;

private:
    HWND dialog = nullptr;
};

}  // namespace viewer
