// Threads on pthreads: creation (optionally suspended), exit codes, suspend
// counts and thread ids.
#include "kernel/thread_object.h"

#include <winbase.h>

#include <memory>

#include <pthread.h>
#include <unistd.h>

namespace platform::kernel {
namespace {

thread_local std::shared_ptr<ThreadObject> currentThread;

using StartRoutine = unsigned(WINAPI*)(void*);

struct StartInfo {
    std::shared_ptr<ThreadObject> thread;
    StartRoutine routine;
    void* argument;
    std::condition_variable published;  // the new thread has stored its tid
};

// Ends the thread object once the thread's own clean-up is over: the key's
// destructor runs after the thread-local destructors, as Windows signals a
// thread only after its thread-detach notifications. A waiter that goes on to
// tear down shared state then never meets a thread still cleaning up.
void endThread(void* value) {
    const std::unique_ptr<std::shared_ptr<ThreadObject>> thread(
        static_cast<std::shared_ptr<ThreadObject>*>(value));
    std::lock_guard<std::mutex> lock(waitMutex());
    (*thread)->ended = true;
    (*thread)->wakeWaiters();
}

pthread_key_t endKey() {
    static const pthread_key_t key = [] {
        pthread_key_t created;
        pthread_key_create(&created, endThread);
        return created;
    }();
    return key;
}

void* threadMain(void* parameter) {
    StartInfo& info = *static_cast<StartInfo*>(parameter);
    const std::shared_ptr<ThreadObject> self = info.thread;
    const StartRoutine routine = info.routine;
    void* const argument = info.argument;
    currentThread = self;
    int priority;
    {
        std::unique_lock<std::mutex> lock(waitMutex());
        self->tid = gettid();
        info.published.notify_one();  // `info` is gone once the creator wakes
        // A wait on the thread-object's own waiter list would need a Waiter;
        // the start condition has its own variable instead.
        while (self->suspendCount != 0)
            self->resumed.wait(lock);
        self->started = true;
        priority = self->priority;
    }
    if (priority != 0)
        applyThreadPriority(self->tid, priority);
    // Owned by the key from here on; endThread deletes it.
    pthread_setspecific(endKey(), new std::shared_ptr<ThreadObject>(self));
    const unsigned code = routine(argument);
    std::lock_guard<std::mutex> lock(waitMutex());
    self->exitCode = code;
    return nullptr;
}

}  // namespace

std::shared_ptr<ThreadObject> currentThreadObject() {
    if (!currentThread) {
        auto record = std::make_shared<ThreadObject>();
        record->tid = gettid();
        record->started = true;
        currentThread = std::move(record);
    }
    return currentThread;
}

std::shared_ptr<ThreadObject> threadFromHandle(HANDLE handle) {
    if (handle == currentThreadPseudoHandle())
        return currentThreadObject();
    return lookupAs<ThreadObject>(handle);
}

}  // namespace platform::kernel

using namespace platform::kernel;

extern "C" {

// Security attributes are ignored; a non-zero stack size is honoured (raised
// to the system minimum).
PLATFORM_API uintptr_t _beginthreadex(void*, unsigned stack_size,
                                      unsigned(WINAPI* start_address)(void*), void* arglist,
                                      unsigned initflag, unsigned* thrdaddr) {
    if (!start_address)
        return failWith(ERROR_INVALID_PARAMETER, uintptr_t(0));
    auto thread = std::make_shared<ThreadObject>();
    thread->suspendCount = (initflag & CREATE_SUSPENDED) ? 1 : 0;
    StartInfo info{thread, start_address, arglist, {}};

    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    pthread_attr_setdetachstate(&attributes, PTHREAD_CREATE_DETACHED);
    if (stack_size != 0) {
        const size_t minimum = PTHREAD_STACK_MIN;
        pthread_attr_setstacksize(&attributes, stack_size < minimum ? minimum : stack_size);
    }
    std::unique_lock<std::mutex> lock(waitMutex());
    pthread_t id;
    const int error = pthread_create(&id, &attributes, threadMain, &info);
    pthread_attr_destroy(&attributes);
    if (error != 0)
        return failWith(ERROR_NOT_ENOUGH_MEMORY, uintptr_t(0));
    // The id must be known before returning: it is the one the thread sees.
    while (thread->tid == 0)
        info.published.wait(lock);
    lock.unlock();
    if (thrdaddr)
        *thrdaddr = static_cast<unsigned>(thread->tid);
    return reinterpret_cast<uintptr_t>(insertHandle(thread));
}

// Unwinds the calling thread's stack (destructors run) and ends it.
PLATFORM_API void _endthreadex(unsigned retval) {
    const auto self = currentThreadObject();
    {
        std::lock_guard<std::mutex> lock(waitMutex());
        self->exitCode = retval;
    }
    pthread_exit(nullptr);
}

PLATFORM_API DWORD WINAPI ResumeThread(HANDLE hThread) {
    const auto thread = threadFromHandle(hThread);
    if (!thread)
        return failWith(ERROR_INVALID_HANDLE, DWORD(0xFFFFFFFF));
    std::lock_guard<std::mutex> lock(waitMutex());
    const DWORD previous = thread->suspendCount;
    if (previous > 0 && --thread->suspendCount == 0)
        thread->resumed.notify_all();
    return previous;
}

// Only a thread that has not entered its routine yet is held back; on a
// running thread the count is kept but the thread is not stopped.
PLATFORM_API DWORD WINAPI SuspendThread(HANDLE hThread) {
    const auto thread = threadFromHandle(hThread);
    if (!thread)
        return failWith(ERROR_INVALID_HANDLE, DWORD(0xFFFFFFFF));
    std::lock_guard<std::mutex> lock(waitMutex());
    return thread->suspendCount++;
}

PLATFORM_API BOOL WINAPI GetExitCodeThread(HANDLE hThread, LPDWORD lpExitCode) {
    const auto thread = threadFromHandle(hThread);
    if (!thread)
        return failWith(ERROR_INVALID_HANDLE, FALSE);
    if (!lpExitCode)
        return failWith(ERROR_INVALID_PARAMETER, FALSE);
    std::lock_guard<std::mutex> lock(waitMutex());
    *lpExitCode = thread->ended ? thread->exitCode : STILL_ACTIVE;
    return TRUE;
}

PLATFORM_API DWORD WINAPI GetCurrentThreadId(void) {
    return static_cast<DWORD>(gettid());
}

PLATFORM_API HANDLE WINAPI GetCurrentThread(void) {
    return currentThreadPseudoHandle();
}

PLATFORM_API HANDLE WINAPI GetCurrentProcess(void) {
    return currentProcessPseudoHandle();
}

}  // extern "C"
