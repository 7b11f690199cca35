// Recursive critical sections. The real lock lives on the heap behind
// DebugInfo; the other fields mirror the owner and depth for debugging.
#include "kernel/kernel_object.h"

#include <winbase.h>

#include <mutex>

namespace {

std::recursive_mutex* lockOf(LPCRITICAL_SECTION section) {
    return section ? static_cast<std::recursive_mutex*>(section->DebugInfo) : nullptr;
}

HANDLE currentOwnerTag() {
    return reinterpret_cast<HANDLE>(ULONG_PTR(GetCurrentThreadId()));
}

HANDLE ownerOf(LPCRITICAL_SECTION section) {
    return __atomic_load_n(&section->OwningThread, __ATOMIC_RELAXED);
}

// Called by the owner after it took the lock once more.
void noteEntered(LPCRITICAL_SECTION section) {
    if (section->RecursionCount++ == 0)
        __atomic_store_n(&section->OwningThread, currentOwnerTag(), __ATOMIC_RELAXED);
}

}  // namespace

extern "C" {

PLATFORM_API void WINAPI InitializeCriticalSection(LPCRITICAL_SECTION lpCriticalSection) {
    if (!lpCriticalSection)
        return;
    *lpCriticalSection = CRITICAL_SECTION{};
    lpCriticalSection->LockCount = -1;
    lpCriticalSection->DebugInfo = new std::recursive_mutex;
}

PLATFORM_API void WINAPI DeleteCriticalSection(LPCRITICAL_SECTION lpCriticalSection) {
    delete lockOf(lpCriticalSection);
    if (lpCriticalSection)
        lpCriticalSection->DebugInfo = nullptr;
}

PLATFORM_API void WINAPI EnterCriticalSection(LPCRITICAL_SECTION lpCriticalSection) {
    std::recursive_mutex* lock = lockOf(lpCriticalSection);
    if (!lock)
        return;
    lock->lock();
    noteEntered(lpCriticalSection);
}

PLATFORM_API BOOL WINAPI TryEnterCriticalSection(LPCRITICAL_SECTION lpCriticalSection) {
    std::recursive_mutex* lock = lockOf(lpCriticalSection);
    if (!lock || !lock->try_lock())
        return FALSE;
    noteEntered(lpCriticalSection);
    return TRUE;
}

// Leaving a section the caller does not own is ignored instead of corrupting
// the lock.
PLATFORM_API void WINAPI LeaveCriticalSection(LPCRITICAL_SECTION lpCriticalSection) {
    std::recursive_mutex* lock = lockOf(lpCriticalSection);
    if (!lock || ownerOf(lpCriticalSection) != currentOwnerTag())
        return;
    if (--lpCriticalSection->RecursionCount == 0)
        __atomic_store_n(&lpCriticalSection->OwningThread, HANDLE(nullptr), __ATOMIC_RELAXED);
    lock->unlock();
}

}  // extern "C"
