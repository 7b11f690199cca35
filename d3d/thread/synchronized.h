// A lockable object on one recursive critical section, and its scoped guard.
#pragma once

#include <windows.h>

namespace thread {

// Not polymorphic: the driver takes it as a (virtual) base or as a member.
// A copy gets a lock of its own; a critical section cannot be shared by copy.
class SynchronizedObject {
public:
    SynchronizedObject();
    SynchronizedObject(const SynchronizedObject&);
    SynchronizedObject& operator=(const SynchronizedObject&) { return *this; }
    ~SynchronizedObject();

    // The same thread may lock again; every lock needs its unlock.
    void lock() const;
    void unlock() const;

private:
    friend class Lock;
    mutable CRITICAL_SECTION section;
};

// Enters on construction and leaves on destruction, also when an exception
// passes.
class Lock {
public:
    explicit Lock(const SynchronizedObject& object);
    explicit Lock(const SynchronizedObject* object);
    ~Lock();
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;

private:
    LPCRITICAL_SECTION section;
};

}  // namespace thread
