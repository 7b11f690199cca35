// Manual- and auto-reset events.
#include "kernel/kernel_object.h"

#include <winbase.h>

namespace platform::kernel {
namespace {

class EventObject : public WaitableObject {
public:
    EventObject(bool manualReset, bool signalled)
        : manualReset_(manualReset), signalled_(signalled) {}

    bool isSignalled() const override { return signalled_; }
    void consume() override {
        if (!manualReset_)
            signalled_ = false;
    }
    void set() {
        signalled_ = true;
        wakeWaiters();
    }
    void reset() { signalled_ = false; }

private:
    const bool manualReset_;
    bool signalled_;  // guarded by waitMutex()
};

}  // namespace
}  // namespace platform::kernel

using namespace platform::kernel;

extern "C" {

// Names are ignored: named events shared between processes have no use here.
PLATFORM_API HANDLE WINAPI CreateEventA(LPSECURITY_ATTRIBUTES, BOOL bManualReset,
                                        BOOL bInitialState, LPCSTR) {
    return insertHandle(
        std::make_shared<EventObject>(bManualReset != FALSE, bInitialState != FALSE));
}

PLATFORM_API BOOL WINAPI SetEvent(HANDLE hEvent) {
    const auto event = lookupAs<EventObject>(hEvent);
    if (!event)
        return failWith(ERROR_INVALID_HANDLE, FALSE);
    std::lock_guard<std::mutex> lock(waitMutex());
    event->set();
    return TRUE;
}

PLATFORM_API BOOL WINAPI ResetEvent(HANDLE hEvent) {
    const auto event = lookupAs<EventObject>(hEvent);
    if (!event)
        return failWith(ERROR_INVALID_HANDLE, FALSE);
    std::lock_guard<std::mutex> lock(waitMutex());
    event->reset();
    return TRUE;
}

}  // extern "C"
