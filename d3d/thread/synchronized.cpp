#include "thread/synchronized.h"

namespace thread {

SynchronizedObject::SynchronizedObject() {
    InitializeCriticalSection(&section);
}

SynchronizedObject::SynchronizedObject(const SynchronizedObject&) {
    InitializeCriticalSection(&section);
}

SynchronizedObject::~SynchronizedObject() {
    DeleteCriticalSection(&section);
}

void SynchronizedObject::lock() const {
    EnterCriticalSection(&section);
}

void SynchronizedObject::unlock() const {
    LeaveCriticalSection(&section);
}

Lock::Lock(const SynchronizedObject& object) : section(&object.section) {
    EnterCriticalSection(section);
}

Lock::Lock(const SynchronizedObject* object) : Lock(*object) {}

Lock::~Lock() {
    LeaveCriticalSection(section);
}

}  // namespace thread
