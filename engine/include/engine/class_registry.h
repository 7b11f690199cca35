// Class registry: objects made by class name.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

// The base of every object the registry makes; callers dynamic_cast it to
// the interface they expect.
class Object {
public:
    virtual ~Object() = default;
};

class Class {
public:
    using Factory = std::function<std::unique_ptr<Object>()>;

    // Registers a factory under a name; false (and nothing changed) when the
    // name is empty, the factory is empty or the name is taken.
    static bool add(const std::string& name, Factory factory);
    static bool remove(const std::string& name);
    static bool isRegistered(const std::string& name);
    static std::vector<std::string> names();

    // A new object of the named class, or null when the name is unknown or
    // its factory gives nothing.
    static std::unique_ptr<Object> clone(const std::string& name);

    // The same, as T: null when the made object is not a T (it is then
    // destroyed).
    template <typename T>
    static std::unique_ptr<T> clone(const std::string& name) {
        std::unique_ptr<Object> object = clone(name);
        T* typed = dynamic_cast<T*>(object.get());
        if (!typed)
            return nullptr;
        object.release();
        return std::unique_ptr<T>(typed);
    }
};

// Registers T under a name while it lives; a static instance registers a
// class when its library is loaded and removes it when unloaded.
template <typename T>
class ClassRegistrar {
public:
    explicit ClassRegistrar(std::string name) : name_(std::move(name)) {
        registered_ =
            Class::add(name_, [] { return std::unique_ptr<Object>(std::make_unique<T>()); });
    }
    ~ClassRegistrar() {
        if (registered_)
            Class::remove(name_);
    }
    ClassRegistrar(const ClassRegistrar&) = delete;
    ClassRegistrar& operator=(const ClassRegistrar&) = delete;

    bool registered() const { return registered_; }

private:
    std::string name_;
    bool registered_ = false;
};

#define REGISTER_CLASS_CONCAT2(a, b) a##b
#define REGISTER_CLASS_CONCAT(a, b) REGISTER_CLASS_CONCAT2(a, b)
// Registers a default-constructible class under its own name.
#define REGISTER_CLASS(Type) \
    static const ClassRegistrar<Type> REGISTER_CLASS_CONCAT(classRegistrar_, __LINE__)(#Type)
