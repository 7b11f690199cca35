#include "thread/waiting.h"

#include <algorithm>
#include <vector>

namespace thread {

WaitingObject::WaitingObject(Event* const* events, unsigned count, bool waitAll)
    : events(std::make_unique<Event*[]>(count)), count(count), waitAll(waitAll) {
    std::copy(events, events + count, this->events.get());
}

WaitingObject::WaitingObject(Event* event) : WaitingObject(&event, 1, true) {}

WaitingObject::~WaitingObject() = default;

unsigned WaitingObject::wait() {
    // Handles are read at each wait: an entry's event may have been remade.
    std::vector<HANDLE> handles(count);
    for (unsigned i = 0; i < count; ++i)
        handles[i] = events[i]->getHandle();
    const DWORD result = WaitForMultipleObjects(count, handles.data(), waitAll, INFINITE);
    if (result == WAIT_FAILED)
        throw "WAIT_FAILED";
    return result - WAIT_OBJECT_0;
}

}  // namespace thread
