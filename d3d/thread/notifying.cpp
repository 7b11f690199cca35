#include "thread/notifying.h"

#include <vector>

namespace thread {

NotifyingObject::NotifyingObject() : stopEvent(false), stoppedEvent(false) {}

NotifyingObject::~NotifyingObject() {
    stopNotifying();
    // A thread that never ran would keep the base destructor waiting for
    // ever; with no waiter its run ends at once.
    DWORD previous;
    do
        previous = resume();
    while (previous > 1 && previous != 0xFFFFFFFF);
    if (previous == 1)
        waitForWorker();
}

void NotifyingObject::waitForWorker() {
    // The thread's end counts too: a worker whose wait failed has left.
    const HANDLE handles[] = {stoppedEvent.getHandle(), thread};
    WaitForMultipleObjects(2, handles, FALSE, INFINITE);
}

void NotifyingObject::startNotifying(Event* event) {
    startNotifying(&event, 1);
}

void NotifyingObject::startNotifying(Event* const* events, unsigned count) {
    if (waiter || WaitForSingleObject(thread, 0) == WAIT_OBJECT_0)
        return;
    std::vector<Event*> entries;
    entries.reserve(count + 1);
    entries.push_back(&stopEvent);
    entries.insert(entries.end(), events, events + count);
    waiter = std::make_unique<WaitingObject>(entries.data(), static_cast<unsigned>(entries.size()),
                                             false);
    resume();
    // Returns only once the worker is inside run: its virtual calls are then
    // done and cannot race with a destructor that follows.
    waitForWorker();
}

void NotifyingObject::stopNotifying() {
    if (!waiter)
        return;
    stopEvent.set();
    waitForWorker();
    waiter.reset();
}

void NotifyingObject::run() {
    stoppedEvent.set();  // the start handshake of startNotifying
    if (waiter) {
        try {
            for (;;) {
                const unsigned index = waiter->wait();
                if (index == 0)
                    break;
                notify(static_cast<int>(index) - 1);
            }
        } catch (const char*) {
            // A failed wait (an event closed under us) ends the worker; the
            // thread must not take the process down with it.
        }
    }
    stoppedEvent.set();
}

}  // namespace thread
