// Sleep and the clocks, all on the steady clock.
#include "kernel/kernel_object.h"

#include <winbase.h>

#include <chrono>
#include <thread>

namespace {

std::chrono::nanoseconds sinceClockStart() {
    return std::chrono::steady_clock::now().time_since_epoch();
}

}  // namespace

extern "C" {

// Sleep(0) gives up the rest of the time slice.
PLATFORM_API void WINAPI Sleep(DWORD dwMilliseconds) {
    if (dwMilliseconds == 0)
        std::this_thread::yield();
    else
        std::this_thread::sleep_for(std::chrono::milliseconds(dwMilliseconds));
}

// Wraps after 49.7 days, as on Windows.
PLATFORM_API DWORD WINAPI GetTickCount(void) {
    return static_cast<DWORD>(
        std::chrono::duration_cast<std::chrono::milliseconds>(sinceClockStart()).count());
}

PLATFORM_API BOOL WINAPI QueryPerformanceCounter(LONGLONG* lpPerformanceCount) {
    if (!lpPerformanceCount)
        return platform::kernel::failWith(ERROR_INVALID_PARAMETER, FALSE);
    *lpPerformanceCount = sinceClockStart().count();
    return TRUE;
}

// The counter counts nanoseconds.
PLATFORM_API BOOL WINAPI QueryPerformanceFrequency(LONGLONG* lpFrequency) {
    if (!lpFrequency)
        return platform::kernel::failWith(ERROR_INVALID_PARAMETER, FALSE);
    *lpFrequency = 1000000000;
    return TRUE;
}

}  // extern "C"
