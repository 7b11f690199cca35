#include "thread/event.h"

namespace thread {

Event::Event() : Event(true) {}

Event::Event(bool manualReset)
    : manualReset(manualReset), handle(CreateEventA(nullptr, manualReset, FALSE, nullptr)) {}

Event::~Event() {
    CloseHandle(handle);
}

BOOL Event::set() {
    return SetEvent(handle);
}

BOOL Event::reset() {
    return ResetEvent(handle);
}

DWORD Event::wait() {
    return WaitForSingleObject(handle, INFINITE);
}

}  // namespace thread
