// SDL key codes to Windows virtual-key codes.
#pragma once

#include <windef.h>

#include <SDL.h>

namespace platform::present {

// 0 for keys without a virtual-key code.
UINT virtualKeyFor(const SDL_Keysym& key);

}  // namespace platform::present
