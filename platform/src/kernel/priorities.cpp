// Thread priorities and process priority classes. The values are kept as
// given and read back; on Linux they become nice values where permitted.
#include "kernel/thread_object.h"

#include <sys/resource.h>
#include <unistd.h>

namespace platform::kernel {
namespace {

bool isValidThreadPriority(int priority) {
    return priority == THREAD_PRIORITY_IDLE || priority == THREAD_PRIORITY_TIME_CRITICAL ||
           (priority >= THREAD_PRIORITY_LOWEST && priority <= THREAD_PRIORITY_HIGHEST);
}

int niceForThreadPriority(int priority) {
    switch (priority) {
        case THREAD_PRIORITY_IDLE:
            return 19;
        case THREAD_PRIORITY_LOWEST:
            return 10;
        case THREAD_PRIORITY_BELOW_NORMAL:
            return 5;
        case THREAD_PRIORITY_ABOVE_NORMAL:
            return -5;
        case THREAD_PRIORITY_HIGHEST:
            return -10;
        case THREAD_PRIORITY_TIME_CRITICAL:
            return -15;
        default:
            return 0;
    }
}

// Returns false for a value that is no priority class.
bool niceForPriorityClass(DWORD priorityClass, int* nice) {
    switch (priorityClass) {
        case IDLE_PRIORITY_CLASS:
            *nice = 19;
            return true;
        case BELOW_NORMAL_PRIORITY_CLASS:
            *nice = 5;
            return true;
        case NORMAL_PRIORITY_CLASS:
            *nice = 0;
            return true;
        case ABOVE_NORMAL_PRIORITY_CLASS:
            *nice = -5;
            return true;
        case HIGH_PRIORITY_CLASS:
            *nice = -10;
            return true;
        case REALTIME_PRIORITY_CLASS:
            *nice = -15;
            return true;
        default:
            return false;
    }
}

DWORD processPriorityClass = NORMAL_PRIORITY_CLASS;  // guarded by waitMutex()

}  // namespace

void applyThreadPriority(pid_t tid, int priority) {
    // EPERM (raising priority without the right) and ESRCH are not errors here.
    setpriority(PRIO_PROCESS, static_cast<id_t>(tid), niceForThreadPriority(priority));
}

}  // namespace platform::kernel

using namespace platform::kernel;

extern "C" {

PLATFORM_API BOOL WINAPI SetThreadPriority(HANDLE hThread, int nPriority) {
    const auto thread = threadFromHandle(hThread);
    if (!thread)
        return failWith(ERROR_INVALID_HANDLE, FALSE);
    if (!isValidThreadPriority(nPriority))
        return failWith(ERROR_INVALID_PARAMETER, FALSE);
    std::lock_guard<std::mutex> lock(waitMutex());
    thread->priority = nPriority;
    // A thread that has ended may have handed its tid to another one.
    if (!thread->ended)
        applyThreadPriority(thread->tid, nPriority);
    return TRUE;
}

PLATFORM_API int WINAPI GetThreadPriority(HANDLE hThread) {
    const auto thread = threadFromHandle(hThread);
    if (!thread)
        return failWith(ERROR_INVALID_HANDLE, int(THREAD_PRIORITY_ERROR_RETURN));
    std::lock_guard<std::mutex> lock(waitMutex());
    return thread->priority;
}

// Only the current process exists; its main thread gets the nice value.
PLATFORM_API BOOL WINAPI SetPriorityClass(HANDLE hProcess, DWORD dwPriorityClass) {
    if (hProcess != GetCurrentProcess())
        return failWith(ERROR_INVALID_HANDLE, FALSE);
    int nice = 0;
    if (!niceForPriorityClass(dwPriorityClass, &nice))
        return failWith(ERROR_INVALID_PARAMETER, FALSE);
    std::lock_guard<std::mutex> lock(waitMutex());
    processPriorityClass = dwPriorityClass;
    setpriority(PRIO_PROCESS, static_cast<id_t>(getpid()), nice);
    return TRUE;
}

PLATFORM_API DWORD WINAPI GetPriorityClass(HANDLE hProcess) {
    if (hProcess != GetCurrentProcess())
        return failWith(ERROR_INVALID_HANDLE, DWORD(0));
    std::lock_guard<std::mutex> lock(waitMutex());
    return processPriorityClass;
}

}  // extern "C"
