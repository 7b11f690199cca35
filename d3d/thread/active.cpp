#include "thread/active.h"

#include <cmath>
#include <process.h>

namespace thread {
namespace {

PVOID sleepFunction = reinterpret_cast<PVOID>(&Sleep);

SleepFunction currentSleepFunction() {
    return reinterpret_cast<SleepFunction>(
        InterlockedCompareExchangePointer(&sleepFunction, nullptr, nullptr));
}

DWORD toMilliseconds(float seconds) {
    const float milliseconds = seconds * 1000.0f;
    // Negative and NaN become 0; the cast of such values would be undefined.
    if (!(milliseconds > 0.0f))
        return 0;
    if (milliseconds >= 4294967040.0f)
        return INFINITE - 1;
    return static_cast<DWORD>(milliseconds);
}

}  // namespace

SleepFunction setSleepFunction(SleepFunction function) {
    return reinterpret_cast<SleepFunction>(
        InterlockedExchangePointer(&sleepFunction, reinterpret_cast<PVOID>(function)));
}

ActiveObject::ActiveObject() : stopCount(0), thread(nullptr), threadId(0) {
    thread = reinterpret_cast<HANDLE>(
        _beginthreadex(nullptr, 0, &ActiveObject::entry, this, CREATE_SUSPENDED, &threadId));
}

ActiveObject::~ActiveObject() {
    terminate();
    CloseHandle(thread);
}

unsigned WINAPI ActiveObject::entry(void* object) {
    ActiveObject* const self = static_cast<ActiveObject*>(object);
    self->onStart();
    self->run();
    return 0;
}

void ActiveObject::terminate() {
    InterlockedIncrement(&stopCount);
    onTerminate();
    WaitForSingleObject(thread, INFINITE);
}

DWORD ActiveObject::resume() {
    return ResumeThread(thread);
}

DWORD ActiveObject::suspend() {
    return SuspendThread(thread);
}

void ActiveObject::setPriority(int priority) {
    SetThreadPriority(thread, priority);
}

int ActiveObject::getPriority() {
    return GetThreadPriority(thread);
}

bool ActiveObject::isTerminating() const {
    // The worker reads what another thread raises; read it atomically.
    return InterlockedCompareExchange(const_cast<int*>(&stopCount), 0, 0) != 0;
}

void ActiveObject::onStart() {}

void ActiveObject::onTerminate() {}

void ActiveObject::sleep(float seconds) {
    currentSleepFunction()(toMilliseconds(seconds));
}

}  // namespace thread
