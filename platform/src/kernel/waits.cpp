// WaitForSingleObject / WaitForMultipleObjects on any waitable object.
#include "kernel/kernel_object.h"

#include <winbase.h>

#include <chrono>

namespace platform::kernel {
namespace {

using Objects = std::vector<std::shared_ptr<WaitableObject>>;

// Index of the satisfied wait, or -1. Consumes what it satisfies. Called with
// waitMutex() held, so a wait-all takes every object in one step.
int trySatisfy(const Objects& objects, bool waitAll) {
    if (!waitAll) {
        for (size_t i = 0; i < objects.size(); ++i) {
            if (objects[i]->isSignalled()) {
                objects[i]->consume();
                return static_cast<int>(i);
            }
        }
        return -1;
    }
    for (const auto& object : objects)
        if (!object->isSignalled())
            return -1;
    for (const auto& object : objects)
        object->consume();
    return 0;
}

// Keeps a waiter registered with every object for the lifetime of a wait.
class WaiterRegistration {
public:
    WaiterRegistration(const Objects& objects, Waiter* waiter)
        : objects_(objects), waiter_(waiter) {
        for (const auto& object : objects_)
            object->addWaiter(waiter_);
    }
    ~WaiterRegistration() {
        for (const auto& object : objects_)
            object->removeWaiter(waiter_);
    }
    WaiterRegistration(const WaiterRegistration&) = delete;
    WaiterRegistration& operator=(const WaiterRegistration&) = delete;

private:
    const Objects& objects_;
    Waiter* waiter_;
};

DWORD waitFor(const Objects& objects, bool waitAll, DWORD milliseconds) {
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    std::unique_lock<std::mutex> lock(waitMutex());
    int index = trySatisfy(objects, waitAll);
    if (index >= 0)
        return WAIT_OBJECT_0 + index;
    if (milliseconds == 0)
        return WAIT_TIMEOUT;

    Waiter waiter;
    WaiterRegistration registration(objects, &waiter);
    for (;;) {
        if (milliseconds == INFINITE)
            waiter.wakeUp.wait(lock);
        else if (waiter.wakeUp.wait_until(lock, deadline) == std::cv_status::timeout) {
            index = trySatisfy(objects, waitAll);
            return index >= 0 ? WAIT_OBJECT_0 + index : WAIT_TIMEOUT;
        }
        index = trySatisfy(objects, waitAll);
        if (index >= 0)
            return WAIT_OBJECT_0 + index;
    }
}

}  // namespace
}  // namespace platform::kernel

using namespace platform::kernel;

extern "C" {

PLATFORM_API DWORD WINAPI WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds) {
    return WaitForMultipleObjects(1, &hHandle, FALSE, dwMilliseconds);
}

PLATFORM_API DWORD WINAPI WaitForMultipleObjects(DWORD nCount, const HANDLE* lpHandles,
                                                 BOOL bWaitAll, DWORD dwMilliseconds) {
    if (nCount == 0 || nCount > MAXIMUM_WAIT_OBJECTS || !lpHandles)
        return failWith(ERROR_INVALID_PARAMETER, WAIT_FAILED);
    Objects objects;
    objects.reserve(nCount);
    for (DWORD i = 0; i < nCount; ++i) {
        auto object = lookupAs<WaitableObject>(lpHandles[i]);
        if (!object)
            return failWith(ERROR_INVALID_HANDLE, WAIT_FAILED);
        // Windows refuses the same object twice in a wait-all.
        if (bWaitAll)
            for (const auto& other : objects)
                if (other == object)
                    return failWith(ERROR_INVALID_PARAMETER, WAIT_FAILED);
        objects.push_back(std::move(object));
    }
    return waitFor(objects, bWaitAll != FALSE, dwMilliseconds);
}

}  // extern "C"
