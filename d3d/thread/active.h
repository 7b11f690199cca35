// An object that owns one worker thread. The thread is created suspended; a
// derived class finishes its construction and then calls resume(), so that
// its own onStart and run are the ones that run. Likewise a derived object
// must not be destroyed before its thread has entered run: destruction
// changes the virtual functions the starting thread calls.
#pragma once

#include <windows.h>

namespace thread {

class ActiveObject {
public:
    ActiveObject();
    // Waits for the thread to end, then closes its handle. A thread that was
    // never resumed never ends: resume every active object before deleting it.
    virtual ~ActiveObject();

    // Marks the object terminating, calls onTerminate and waits for the
    // thread to end. Not to be called on the worker thread itself.
    virtual void terminate();
    virtual DWORD resume();
    // The platform only holds back a thread that has not started yet; a
    // running worker is not stopped, only its suspend count is raised.
    virtual DWORD suspend();
    virtual void setPriority(int priority);
    virtual int getPriority();
    virtual bool isTerminating() const;
    // Runs on the worker thread before run.
    virtual void onStart();
    // The thread body.
    virtual void run() = 0;
    // Called by terminate; a class whose run blocks overrides it to wake it.
    virtual void onTerminate();
    // Sleeps seconds x 1000 milliseconds, truncated (under a millisecond
    // gives up the time slice).
    virtual void sleep(float seconds);

    unsigned getThreadId() const { return threadId; }

    ActiveObject(const ActiveObject&) = delete;
    ActiveObject& operator=(const ActiveObject&) = delete;

protected:
    int stopCount;  // only ever raised; read and written atomically
    HANDLE thread;
    unsigned threadId;

private:
    static unsigned WINAPI entry(void* object);
};

// The call behind ActiveObject::sleep, replaceable so tests can see the
// milliseconds asked for. Returns the previous function.
using SleepFunction = void(WINAPI*)(DWORD milliseconds);
SleepFunction setSleepFunction(SleepFunction function);

}  // namespace thread
