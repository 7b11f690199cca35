#include "kernel/kernel_object.h"

#include <winbase.h>

#include <algorithm>
#include <unordered_map>

namespace platform::kernel {

namespace {

thread_local DWORD lastError = ERROR_SUCCESS;

struct HandleTable {
    std::mutex mutex;
    std::unordered_map<ULONG_PTR, std::shared_ptr<KernelObject>> objects;
    // Multiples of four from 4, as Windows hands them out.
    ULONG_PTR next = 4;
};

HandleTable& table() {
    static HandleTable* instance =
        new HandleTable;  // lives until exit, threads may outlive statics
    return *instance;
}

}  // namespace

std::mutex& waitMutex() {
    static std::mutex* instance = new std::mutex;  // see table()
    return *instance;
}

void WaitableObject::removeWaiter(Waiter* waiter) {
    waiters_.erase(std::remove(waiters_.begin(), waiters_.end(), waiter), waiters_.end());
}

void WaitableObject::wakeWaiters() {
    for (Waiter* waiter : waiters_)
        waiter->wakeUp.notify_one();
}

HANDLE insertHandle(std::shared_ptr<KernelObject> object) {
    HandleTable& t = table();
    std::lock_guard<std::mutex> lock(t.mutex);
    const ULONG_PTR value = t.next;
    t.next += 4;
    t.objects.emplace(value, std::move(object));
    return reinterpret_cast<HANDLE>(value);
}

std::shared_ptr<KernelObject> lookupHandle(HANDLE handle) {
    HandleTable& t = table();
    std::lock_guard<std::mutex> lock(t.mutex);
    const auto it = t.objects.find(reinterpret_cast<ULONG_PTR>(handle));
    return it == t.objects.end() ? nullptr : it->second;
}

bool removeHandle(HANDLE handle) {
    std::shared_ptr<KernelObject> object;  // released outside the table lock
    HandleTable& t = table();
    std::lock_guard<std::mutex> lock(t.mutex);
    const auto it = t.objects.find(reinterpret_cast<ULONG_PTR>(handle));
    if (it == t.objects.end())
        return false;
    object = std::move(it->second);
    t.objects.erase(it);
    return true;
}

void setLastErrorCode(DWORD error) {
    lastError = error;
}

}  // namespace platform::kernel

using namespace platform::kernel;

extern "C" {

PLATFORM_API BOOL WINAPI CloseHandle(HANDLE hObject) {
    if (!removeHandle(hObject))
        return failWith(ERROR_INVALID_HANDLE, FALSE);
    return TRUE;
}

PLATFORM_API DWORD WINAPI GetLastError(void) {
    return lastError;
}

PLATFORM_API void WINAPI SetLastError(DWORD dwErrCode) {
    lastError = dwErrCode;
}

}  // extern "C"
