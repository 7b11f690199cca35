// Helpers for the kernel tests: handles closed by scope, and threads made
// through _beginthreadex that run a lambda.
#pragma once

#include <windows.h>

#include <memory>

struct HandleCloser {
    void operator()(HANDLE handle) const { CloseHandle(handle); }
};

// Closes its handle at the end of the scope.
struct ScopedHandle : std::unique_ptr<void, HandleCloser> {
    using unique_ptr::unique_ptr;
    operator HANDLE() const { return get(); }
};

inline HANDLE makeEvent(bool manualReset, bool signalled = false) {
    return CreateEventA(nullptr, manualReset, signalled, nullptr);
}

// Starts `body` on a new thread; its result is the thread's exit code.
template <typename Body>
HANDLE startThread(Body body, unsigned flags = 0, unsigned* threadId = nullptr,
                   unsigned stackSize = 0) {
    auto* owned = new Body(std::move(body));
    const auto entry = [](void* argument) -> unsigned {
        return (*std::unique_ptr<Body>(static_cast<Body*>(argument)))();
    };
    const uintptr_t handle = _beginthreadex(nullptr, stackSize, entry, owned, flags, threadId);
    if (!handle)
        delete owned;
    return reinterpret_cast<HANDLE>(handle);
}

// Waits for a thread without limit and returns its exit code.
inline DWORD joinThread(HANDLE thread) {
    DWORD code = 0;
    const bool ended = WaitForSingleObject(thread, INFINITE) == WAIT_OBJECT_0;
    return ended && GetExitCodeThread(thread, &code) ? code : 0xDEADBEEF;
}
