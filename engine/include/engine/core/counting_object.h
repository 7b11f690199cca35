// Reference counting of scene objects: an object goes when its owner has
// asked for its deletion and nobody holds a reference any more.
#pragma once

#include <cstdint>
#include <utility>

class CountingObjectBase {
public:
    std::int32_t getReferenceCount() const { return referenceCount; }
    bool isDeletionRequested() const { return deleteRequested; }

protected:
    CountingObjectBase() = default;
    CountingObjectBase(const CountingObjectBase&) = delete;
    CountingObjectBase& operator=(const CountingObjectBase&) = delete;
    ~CountingObjectBase() = default;

    std::int32_t referenceCount = 0;
    bool deleteRequested = false;
};

// Objects are made with new; after requestDeletion the caller must not touch
// the object unless it holds a reference.
class CountingObject : public virtual CountingObjectBase {
public:
    CountingObject() = default;

    // Called by position: keep the slot order.
    virtual void addReference();
    virtual void dropReference();
    virtual void requestDeletion();
    virtual ~CountingObject() = default;
};

// A held reference, given back when the key goes.
template <typename T>
class CountingKey {
public:
    CountingKey() = default;
    explicit CountingKey(T* object) : object(object) {
        if (object)
            object->addReference();
    }
    CountingKey(const CountingKey& other) : CountingKey(other.object) {}
    CountingKey(CountingKey&& other) noexcept : object(std::exchange(other.object, nullptr)) {}
    CountingKey& operator=(CountingKey other) noexcept {
        std::swap(object, other.object);
        return *this;
    }
    ~CountingKey() {
        if (object)
            object->dropReference();
    }

    T* get() const { return object; }
    T* operator->() const { return object; }
    explicit operator bool() const { return object != nullptr; }

private:
    T* object = nullptr;
};
