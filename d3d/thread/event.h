// An owned, unnamed Win32 event that starts non-signalled.
#pragma once

#include <windows.h>

namespace thread {

class Event {
public:
    Event();  // manual reset
    explicit Event(bool manualReset);
    ~Event();
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;

    BOOL set();
    BOOL reset();
    // Waits without time limit.
    DWORD wait();

    HANDLE getHandle() const { return handle; }
    bool isManualReset() const { return manualReset; }

private:
    bool manualReset;
    HANDLE handle;
};

}  // namespace thread
