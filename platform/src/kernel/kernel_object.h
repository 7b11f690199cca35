// Kernel objects behind HANDLE values, and the one lock that guards every
// waitable state so that a wait can test and consume several objects at once.
#pragma once

#include <windef.h>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

namespace platform::kernel {

class KernelObject {
public:
    virtual ~KernelObject() = default;
};

// One blocked WaitFor* call. It sleeps on its own condition variable and is
// listed by every object it waits on, so a signal wakes only its waiters.
struct Waiter {
    std::condition_variable wakeUp;
};

// Guards the signal state of every waitable object and their waiter lists.
std::mutex& waitMutex();

class WaitableObject : public KernelObject {
public:
    // Both called with waitMutex() held.
    virtual bool isSignalled() const = 0;
    // Takes the signal away after a satisfied wait (auto-reset events).
    virtual void consume() {}

    void addWaiter(Waiter* waiter) { waiters_.push_back(waiter); }
    void removeWaiter(Waiter* waiter);
    // Called with waitMutex() held after the object became signalled.
    void wakeWaiters();

private:
    std::vector<Waiter*> waiters_;
};

// Handle table. Handle values are never reused, so a closed handle stays
// invalid for good.
HANDLE insertHandle(std::shared_ptr<KernelObject> object);
std::shared_ptr<KernelObject> lookupHandle(HANDLE handle);
bool removeHandle(HANDLE handle);

template <typename T>
std::shared_ptr<T> lookupAs(HANDLE handle) {
    return std::dynamic_pointer_cast<T>(lookupHandle(handle));
}

// Pseudo-handles, as on Windows.
inline HANDLE currentProcessPseudoHandle() {
    return reinterpret_cast<HANDLE>(LONG_PTR(-1));
}
inline HANDLE currentThreadPseudoHandle() {
    return reinterpret_cast<HANDLE>(LONG_PTR(-2));
}

void setLastErrorCode(DWORD error);

// Sets the calling thread's last error; returns `result` for short error paths.

template <typename R>
R failWith(DWORD error, R result) {
    setLastErrorCode(error);
    return result;
}

}  // namespace platform::kernel
