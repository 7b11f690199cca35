// Recording side of the call counters and failure injection. Every interface
// method of the platform starts with PLATFORM_RECORD_CALL so tests can count
// it, see its arguments and make it fail.
#pragma once

#include <windef.h>

#include <initializer_list>

namespace platform::core {

// Counts the call and keeps its arguments. Returns true and sets `injected`
// when a failure was queued for this method.
bool recordCall(const char* method, std::initializer_list<ULONG_PTR> args, HRESULT* injected);

// Counts the call and keeps its arguments, for calls that cannot fail by
// injection (AddRef, Release, and functions that do not return an HRESULT).
inline void countCall(const char* method, std::initializer_list<ULONG_PTR> args) {
    HRESULT ignored;
    recordCall(method, args, &ignored);
}

}  // namespace platform::core

// Use inside a method returning HRESULT: records the call and returns the
// injected failure, if any.
#define PLATFORM_RECORD_CALL(method, ...)                                                \
    do {                                                                                  \
        HRESULT injected_;                                                                \
        if (::platform::core::recordCall(method, {__VA_ARGS__}, &injected_))             \
            return injected_;                                                             \
    } while (0)
