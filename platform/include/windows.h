// The Win32 surface the driver uses. Each part has the header name it has on
// Windows; this one gathers them.
#pragma once

#include "windef.h"
#include "winerror.h"
#include "winbase.h"
#if __has_include("winuser.h")
#include "winuser.h"
#endif
#if __has_include("wingdi.h")
#include "wingdi.h"
#endif
