// Helpers for the kernel tests: handles closed by scope, and threads made
// through _beginthreadex that run a lambda.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>

namespace kernel_test {

class ScopedHandle {
public:
    explicit ScopedHandle(HANDLE handle = nullptr) : handle_(handle) {}
    ~ScopedHandle() {
        if (handle_)
            CloseHandle(handle_);
    }
    ScopedHandle(const ScopedHandle&) = delete;
    ScopedHandle& operator=(const ScopedHandle&) = delete;
    HANDLE get() const { return handle_; }
    operator HANDLE() const { return handle_; }

private:
    HANDLE handle_;
};

inline HANDLE makeEvent(bool manualReset, bool signalled = false) {
    return CreateEventA(nullptr, manualReset, signalled, nullptr);
}

// Starts `body` on a new thread; its result is the thread's exit code.
inline HANDLE startThread(std::function<unsigned()> body, unsigned flags = 0,
                          unsigned* threadId = nullptr, unsigned stackSize = 0) {
    auto* owned = new std::function<unsigned()>(std::move(body));
    const auto entry = [](void* argument) -> unsigned {
        std::unique_ptr<std::function<unsigned()>> body(
            static_cast<std::function<unsigned()>*>(argument));
        return (*body)();
    };
    const uintptr_t handle = _beginthreadex(nullptr, stackSize, entry, owned, flags, threadId);
    if (!handle)
        delete owned;
    return reinterpret_cast<HANDLE>(handle);
}

// Waits for a thread without limit and returns its exit code.
inline DWORD joinThread(HANDLE thread) {
    DWORD code = 0;
    if (WaitForSingleObject(thread, INFINITE) != WAIT_OBJECT_0 || !GetExitCodeThread(thread, &code))
        return 0xDEADBEEF;
    return code;
}

}  // namespace kernel_test
