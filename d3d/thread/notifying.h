// An active object whose worker waits on a set of events and calls notify
// with the index of each one that is signalled.
#pragma once

#include "thread/active.h"
#include "thread/event.h"
#include "thread/waiting.h"

#include <memory>

namespace thread {

class NotifyingObject : public ActiveObject {
public:
    NotifyingObject();
    // Stops notifying, closes both events, then ends the thread. An object
    // that never started notifying lets its idle thread run out first.
    ~NotifyingObject() override;

    // Called on the worker thread with the index of the signalled event.
    virtual void notify(int index) = 0;
    virtual void startNotifying(Event* event);
    // Starts the worker on these events (copied). Ignored while notifying and
    // after a stop: the worker thread runs only once.
    virtual void startNotifying(Event* const* events, unsigned count);
    // Stops the worker and waits for it; does nothing when not notifying.
    virtual void stopNotifying();

protected:
    void run() override;

private:
    // Until the worker signals stoppedEvent or ends.
    void waitForWorker();

    std::unique_ptr<WaitingObject> waiter;
    Event stopEvent;
    Event stoppedEvent;
};

}  // namespace thread
