// Environment variables with the Win32 size rules. One lock keeps setenv and
// getenv of these functions from racing each other.
#include "kernel/kernel_object.h"

#include <winbase.h>

#include <cstdlib>
#include <cstring>
#include <mutex>

namespace {

std::mutex& environmentMutex() {
    static std::mutex instance;
    return instance;
}

bool isValidName(LPCSTR name) {
    return name && *name && !std::strchr(name, '=');
}

}  // namespace

using platform::kernel::failWith;

extern "C" {

// Returns the length without the terminator when the value fits, else the
// size needed including the terminator (the buffer is left alone).
PLATFORM_API DWORD WINAPI GetEnvironmentVariableA(LPCSTR lpName, LPSTR lpBuffer, DWORD nSize) {
    if (!isValidName(lpName))
        return failWith(ERROR_ENVVAR_NOT_FOUND, DWORD(0));
    std::lock_guard<std::mutex> lock(environmentMutex());
    const char* value = std::getenv(lpName);
    if (!value)
        return failWith(ERROR_ENVVAR_NOT_FOUND, DWORD(0));
    const size_t length = std::strlen(value);
    if (!lpBuffer || nSize <= length)
        return static_cast<DWORD>(length + 1);
    std::memcpy(lpBuffer, value, length + 1);
    return static_cast<DWORD>(length);
}

// A null value removes the variable.
PLATFORM_API BOOL WINAPI SetEnvironmentVariableA(LPCSTR lpName, LPCSTR lpValue) {
    if (!isValidName(lpName))
        return failWith(ERROR_INVALID_PARAMETER, FALSE);
    std::lock_guard<std::mutex> lock(environmentMutex());
    const int result = lpValue ? setenv(lpName, lpValue, 1) : unsetenv(lpName);
    if (result != 0)
        return failWith(ERROR_NOT_ENOUGH_MEMORY, FALSE);
    return TRUE;
}

}  // extern "C"
