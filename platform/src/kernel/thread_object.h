// A thread as a kernel object: waitable, signalled once the thread has ended.
#pragma once

#include "kernel/kernel_object.h"

#include <winbase.h>

#include <sys/types.h>

namespace platform::kernel {

class ThreadObject : public WaitableObject {
public:
    // Fields below are guarded by waitMutex() unless noted.
    bool isSignalled() const override { return ended; }

    pid_t tid = 0;           // OS thread id; set before _beginthreadex returns
    DWORD suspendCount = 0;  // routine starts when this is 0
    bool started = false;    // the routine has been entered
    bool ended = false;
    DWORD exitCode = STILL_ACTIVE;
    int priority = THREAD_PRIORITY_NORMAL;
    std::condition_variable resumed;  // suspendCount reached 0
};

// The calling thread's object: the one _beginthreadex made, or a record made
// on first use for any other thread (never in the handle table).
std::shared_ptr<ThreadObject> currentThreadObject();

// The thread a handle names; the pseudo-handle GetCurrentThread() included.
std::shared_ptr<ThreadObject> threadFromHandle(HANDLE handle);

// Applies a THREAD_PRIORITY_* value to the OS thread; refused changes ignored.
void applyThreadPriority(pid_t tid, int priority);

}  // namespace platform::kernel
