// Process-wide display state shared by the window system, DirectDraw and the
// presenter: whether the application is active, and the desktop mode.
// Listeners run on the thread that made the change, outside the state lock.
#pragma once

#include <windef.h>

#include <functional>

namespace platform::core {

struct DisplayModeDesc {
    DWORD width = 0;
    DWORD height = 0;
    DWORD bitsPerPixel = 0;
    DWORD refreshRate = 0;
};

bool isAppActive();
// Changes the activation state; listeners hear only real changes.
void setAppActive(bool active);
int addActivationListener(std::function<void(bool active)> listener);
void removeActivationListener(int id);

DisplayModeDesc desktopMode();
// Sets the desktop mode; display-change listeners hear it when it differs.
void setDesktopMode(const DisplayModeDesc& mode);
int addDisplayChangeListener(std::function<void(const DisplayModeDesc&)> listener);
void removeDisplayChangeListener(int id);

}  // namespace platform::core
