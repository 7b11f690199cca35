// Blocks on several events at once, without time limit.
#pragma once

#include "thread/event.h"

#include <memory>

namespace thread {

class WaitingObject {
public:
    // Copies the array of `count` event pointers; the events must outlive it.
    WaitingObject(Event* const* events, unsigned count, bool waitAll);
    // One event; waits for it alone.
    explicit WaitingObject(Event* event);

    // Index of the signalled entry (with waitAll false the lowest of those
    // signalled together). Throws the string "WAIT_FAILED" when the wait fails,
    // e.g. on a closed handle.
    virtual unsigned wait();
    virtual ~WaitingObject();

    WaitingObject(const WaitingObject&) = delete;
    WaitingObject& operator=(const WaitingObject&) = delete;

private:
    std::unique_ptr<Event*[]> events;
    unsigned count;
    bool waitAll;
};

}  // namespace thread
