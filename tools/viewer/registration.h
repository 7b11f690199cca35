// Scoped listener registrations: a listener must be unregistered before the
// driver that calls it goes away, whichever way the viewer leaves.
#pragma once

#include <engine/core/application_interface.h>
#include <engine/core/render_driver.h>

namespace viewer {

template <class Registry, class Listener>
class ScopedRegistration {
public:
    ScopedRegistration(Registry* registry, Listener* listener, int priority)
        : registry(registry), listener(listener) {
        if (registry)
            registry->registerListener(listener, priority);
    }
    ~ScopedRegistration() {
        if (registry)
            registry->unregisterListener(listener);
    }
    ScopedRegistration(const ScopedRegistration&) = delete;
    ScopedRegistration& operator=(const ScopedRegistration&) = delete;
    bool registered() const { return registry != nullptr; }

private:
    Registry* registry;
    Listener* listener;
};

using DriverListenerRegistration = ScopedRegistration<RenderDriver, RenderDriverListener>;
using ApplicationListenerRegistration = ScopedRegistration<ApplicationInterface, ApplicationListener>;

}  // namespace viewer
