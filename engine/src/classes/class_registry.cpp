#include "engine/class_registry.h"

#include <map>
#include <mutex>

#include "engine/debug.h"

namespace {

struct Registry {
    std::mutex mutex;
    std::map<std::string, Class::Factory> factories;
};

Registry& registry() {
    static Registry* r = new Registry;  // outlives the static registrars
    return *r;
}

const debug::Filter& filter() {
    static const debug::Filter instance("Classes");
    return instance;
}

}  // namespace

bool Class::add(const std::string& name, Factory factory) {
    if (name.empty() || !factory)
        return false;
    bool inserted = false;
    {
        std::lock_guard<std::mutex> lock(registry().mutex);
        inserted = registry().factories.emplace(name, std::move(factory)).second;
    }
    if (!inserted)
        filter() << (debug::Warning(debug::Context("engine/classes/class_registry", __LINE__))
                     << "class '" << name << "' is already registered");
    return inserted;
}

bool Class::remove(const std::string& name) {
    std::lock_guard<std::mutex> lock(registry().mutex);
    return registry().factories.erase(name) > 0;
}

bool Class::isRegistered(const std::string& name) {
    std::lock_guard<std::mutex> lock(registry().mutex);
    return registry().factories.count(name) > 0;
}

std::vector<std::string> Class::names() {
    std::lock_guard<std::mutex> lock(registry().mutex);
    std::vector<std::string> result;
    for (const auto& entry : registry().factories)
        result.push_back(entry.first);
    return result;
}

std::unique_ptr<Object> Class::clone(const std::string& name) {
    Factory factory;
    {
        std::lock_guard<std::mutex> lock(registry().mutex);
        const auto it = registry().factories.find(name);
        if (it == registry().factories.end())
            return nullptr;
        factory = it->second;
    }
    // Made outside the lock: a constructor may clone other classes.
    return factory();
}
